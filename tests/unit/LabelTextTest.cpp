#include <gtest/gtest.h>

#include "engine/core/LabelText.h"

using namespace purlo;

TEST(LabelText, FileLabelAtUnitBoundaries) {
  EXPECT_EQ(FileLabel(L"回收站", 0, 0.0, false), L"回收站(0个文件,0.000B)");
  EXPECT_EQ(FileLabel(L"X", 1, 1023.0, false), L"X(1个文件,1023.000B)");
  EXPECT_EQ(FileLabel(L"X", 1, 1024.0, false), L"X(1个文件,1.000KB)");
  EXPECT_EQ(FileLabel(L"系统预读文件", 3, 1536.0, false), L"系统预读文件(3个文件,1.500KB)");
  EXPECT_EQ(FileLabel(L"X", 1, 1048575.0, false), L"X(1个文件,1023.999KB)");
  EXPECT_EQ(FileLabel(L"X", 1, 1048576.0, false), L"X(1个文件,1.000MB)");
  EXPECT_EQ(FileLabel(L"X", 2, 3.5 * 1048576, false), L"X(2个文件,3.500MB)");
  EXPECT_EQ(FileLabel(L"X", 1, 5.0 * 1024 * 1048576, false), L"X(1个文件,5120.000MB)");
  EXPECT_EQ(FileLabel(L"暴风影音历史记录", 3, 2700.0, false), L"暴风影音历史记录(3个文件,2.637KB)");
}

TEST(LabelText, SweepLabelsSayWhatWasRemoved) {
  EXPECT_EQ(FileLabel(L"回收站", 3, 1536.0, true), L"回收站(清理3个文件,1.500KB)");
  EXPECT_EQ(FileLabel(L"系统预读文件", 0, 0.0, true), L"系统预读文件(清理0个文件,0.000B)");
  EXPECT_EQ(FileLabel(L"暴风影音历史记录", 2, 2400.0, true), L"暴风影音历史记录(清理2个文件,2.344KB)");
  EXPECT_EQ(RegistryLabel(L"开始菜单\"运行\"对话框记录(重启生效)", 4, true),
            L"开始菜单\"运行\"对话框记录(重启生效)(清理4项)");
  EXPECT_EQ(RegistryLabel(L"Internet Explorer 地址栏历史网址", 12, false), L"Internet Explorer 地址栏历史网址(12项)");
}

TEST(LabelText, CountsArePrintedInFullAbove32Bits) {
  EXPECT_EQ(RegistryLabel(L"X", 2147483648ull, false), L"X(2147483648项)");
  EXPECT_EQ(FileLabel(L"X", 18446744073709551615ull, 0, false), L"X(18446744073709551615个文件,0.000B)");
  EXPECT_EQ(ScanSummary(4294967296ull, 0.0), L"扫描已经完成，共发现垃圾文件4294967296个,0.000B。建议您立即清理。");
}

TEST(LabelText, ScanSummary) {
  EXPECT_EQ(ScanSummary(1234, 1536.0), L"扫描已经完成，共发现垃圾文件1234个,1.500KB。建议您立即清理。");
  EXPECT_EQ(ScanSummary(7, 0.0), L"扫描已经完成，共发现垃圾文件7个,0.000B。建议您立即清理。");
  EXPECT_EQ(ScanSummary(1, 512.0), L"扫描已经完成，共发现垃圾文件1个,512.000B。建议您立即清理。");
  EXPECT_EQ(ScanSummary(1, 1048575.9), L"扫描已经完成，共发现垃圾文件1个,1024.000KB。建议您立即清理。");
  EXPECT_EQ(ScanSummary(1, 1048576.0), L"扫描已经完成，共发现垃圾文件1个,1.000MB。建议您立即清理。");
}

TEST(LabelText, SweepSummary) {
  EXPECT_EQ(SweepSummary(3.25 * 1048576), L"已经成功清理选中的文件，为您节省了3.250MB的磁盘空间。");
  EXPECT_EQ(SweepSummary(1023.0), L"已经成功清理选中的文件，为您节省了1023.000B的磁盘空间。");
  EXPECT_EQ(SweepSummary(1024.0), L"已经成功清理选中的文件，为您节省了1.000KB的磁盘空间。");
  EXPECT_EQ(SweepSummary(5.0 * 1024 * 1048576), L"已经成功清理选中的文件，为您节省了5120.000MB的磁盘空间。");
}
