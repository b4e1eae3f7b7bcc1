#include "tests/support/TestHandlers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "tests/support/Fixtures.h"
#include "win/Handles.h"

namespace testing_support {

const wchar_t kHandlerRecord[] = L"C:\\purlo\\handler-record.txt";
const std::wstring kVolumeCaches = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches\\";
const std::wstring kMachineClasses = L"SOFTWARE\\Classes\\CLSID\\";
const wchar_t kTrustedHandler[] = L"{5B3C0001-7A0D-4E55-9D2C-1F6B0A4C8E31}";
const wchar_t kTrustedHandlerUpper[] = L"{5B3C0002-7A0D-4E55-9D2C-1F6B0A4C8E31}";
const wchar_t kPlantedHandler[] = L"{5B3C0003-7A0D-4E55-9D2C-1F6B0A4C8E31}";
const wchar_t kLinkedHandler[] = L"{5B3C0004-7A0D-4E55-9D2C-1F6B0A4C8E31}";
const wchar_t kUsersOwnHandler[] = L"{5B3C0005-7A0D-4E55-9D2C-1F6B0A4C8E31}";

namespace {

const wchar_t* const kAllNames[] = {L"Previous Installations", L"Windows Upgrade Log Files", L"Upgrade Discarded Files",
                                    L"Windows ESD installation files", L"Temporary Setup Files", L"Setup Log Files",
                                    L"Update Cleanup", L"Service Pack Cleanup", L"Delivery Optimization Files",
                                    L"Device Driver Packages", L"Thumbnail Cache"};

void SetExpandString(HKEY root, const std::wstring& key, const std::wstring& value) {
  win::UniqueRegKey k;
  ASSERT_EQ(::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, k.Put(),
                              nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(k.Get(), nullptr, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetQword(const std::wstring& key, const wchar_t* name, uint64_t value) {
  win::UniqueRegKey k;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                              k.Put(), nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(k.Get(), name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

uint64_t Qword(const std::wstring& key, const wchar_t* name) {
  uint64_t value = ~0ull;
  DWORD bytes = sizeof value;
  win::UniqueRegKey k;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, k.Put()) ==
      ERROR_SUCCESS) {
    ::RegQueryValueExW(k.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes);
  }
  return value;
}

void Register(const wchar_t* name, const wchar_t* clsid, uint64_t bytes, const wchar_t* mode = L"figures") {
  SetString(HKEY_LOCAL_MACHINE, kVolumeCaches + name, L"", clsid);
  SetString(HKEY_LOCAL_MACHINE, kVolumeCaches + name, L"PurloTestMode", mode);
  SetQword(kVolumeCaches + name, L"PurloTestBytes", bytes);
}

}  // namespace

std::wstring UserProfileFolder() { return Expand(L"%USERPROFILE%"); }

uint64_t TestHandlerBytes(const wchar_t* name) { return Qword(kVolumeCaches + name, L"PurloTestBytes"); }

void SetTestHandlerStep(const wchar_t* name, unsigned milliseconds) {
  win::UniqueRegKey k;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kVolumeCaches + name).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                            k.Put()),
            ERROR_SUCCESS);
  const DWORD value = milliseconds;
  ::RegSetValueExW(k.Get(), L"PurloTestStepMs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void RemoveTestHandlers() {
  for (const wchar_t* name : kAllNames) DeleteKeyTree(HKEY_LOCAL_MACHINE, kVolumeCaches + name);
  for (const wchar_t* clsid : {kTrustedHandler, kTrustedHandlerUpper, kPlantedHandler, kLinkedHandler, kUsersOwnHandler}) {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kMachineClasses + clsid);
    DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + std::wstring(clsid));
  }
}


void RegisterTestHandlers() {
  SetExpandString(HKEY_LOCAL_MACHINE, kMachineClasses + kTrustedHandler + L"\\InprocServer32",
                  L"%SystemRoot%\\System32\\purlo-test-handler.dll");
  SetString(HKEY_LOCAL_MACHINE, kMachineClasses + kTrustedHandlerUpper + L"\\InprocServer32", L"",
            L"C:\\WINDOWS\\SYSTEM32\\PURLO-TEST-HANDLER.DLL");
  SetString(HKEY_LOCAL_MACHINE, kMachineClasses + kPlantedHandler + L"\\InprocServer32", L"",
            UserProfileFolder() + L"\\purlo-planted-handler.dll");
  SetString(HKEY_LOCAL_MACHINE, kMachineClasses + kLinkedHandler + L"\\InprocServer32", L"",
            L"C:\\windows\\system32\\purlo-linked-handler.dll");
  SetString(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + std::wstring(kUsersOwnHandler) + L"\\InprocServer32", L"",
            UserProfileFolder() + L"\\purlo-planted-handler.dll");
  Register(L"Previous Installations", kTrustedHandler, 3145728);
  Register(L"Windows Upgrade Log Files", kTrustedHandlerUpper, 1000);
  Register(L"Update Cleanup", kTrustedHandler, 5000000, L"slow");
  Register(L"Service Pack Cleanup", kUsersOwnHandler, 7);
  Register(L"Delivery Optimization Files", kPlantedHandler, 123);
  Register(L"Device Driver Packages", kTrustedHandler, 70000, L"fail");
  Register(L"Thumbnail Cache", kLinkedHandler, 456);
}

std::vector<std::string> HandlerRecord() {
  return TextLines(Exists(kHandlerRecord) ? ReadAll(kHandlerRecord) : std::string());
}

size_t CountOf(const std::vector<std::string>& lines, const std::string& start) {
  return static_cast<size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.compare(0, start.size(), start) == 0; }));
}

}  // namespace testing_support
