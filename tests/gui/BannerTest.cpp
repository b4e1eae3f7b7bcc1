// The banner of Purlo.exe as a person sees it: the animation plays at the
// top of the main window, filling its frame, and about 1.7 s after start-up
// the still banner takes its place.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "res/resource.h"
#include "tests/support/GuiTest.h"

namespace {

using namespace testing_support;

double NowMs() {
  LARGE_INTEGER f, now;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(f.QuadPart);
}

// Mean difference per channel over the area both captures cover.
double MeanDifference(const Capture& a, const Capture& b) {
  const int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
  if (w == 0 || h == 0) return 255;
  double sum = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = a.At(x, y), q = b.At(x, y);
      sum += std::abs(Red(p) - Red(q)) + std::abs(Green(p) - Green(q)) + std::abs(Blue(p) - Blue(q));
    }
  return sum / (3.0 * w * h);
}

class Banner : public GuiTest {};

TEST_F(Banner, PlaysInItsFrameThenTheStillBannerTakesOverAfterAboutOnePointSevenSeconds) {
  ASSERT_TRUE(app.Start(L"C:\\purlo\\Purlo.exe", L"Purlo Beta"));
  const double start = NowMs();
  HWND animation = app.Control(IDC_BANNER_ANIMATION);
  HWND still = app.Control(IDC_BANNER_STILL);
  ASSERT_TRUE(animation != nullptr && still != nullptr);
  // The control keeps its frame, the client area's width down to the tree,
  // and the GIF (690 x 109 at 96 DPI) is drawn to fill it.
  const RECT r = WindowRect(animation), client = ClientRectOnScreen(app.Main());
  EXPECT_EQ(r.right - r.left, client.right - client.left);
  EXPECT_EQ(r.bottom, WindowRect(app.Control(IDC_CATEGORY_TREE)).top);
  EXPECT_NEAR(r.right - r.left, 690, 2);
  EXPECT_NEAR(r.bottom - r.top, 109, 2);
  EXPECT_TRUE(Visible(animation));
  EXPECT_FALSE(Visible(still));

  std::vector<Capture> seen;
  double swapped = -1;
  while (NowMs() - start < 5000) {
    if (Visible(still)) {
      swapped = NowMs() - start;
      break;
    }
    Capture c = CaptureClient(animation);
    if (!c.Empty() && (seen.empty() || c.pixels != seen.back().pixels)) {
      seen.push_back(std::move(c));
      if (seen.size() == 6) Screenshot(L"playing");
    }
    ::Sleep(15);
  }
  std::printf("banner: %zu different pictures while it played; still banner after %.0f ms\n", seen.size(), swapped);
  EXPECT_GE(seen.size(), 5u) << "the animation moves";
  ASSERT_GE(swapped, 0.0) << "the still banner never showed";
  EXPECT_GE(swapped, 1200.0);
  EXPECT_LE(swapped, 2400.0);
  // The timer shows the still banner, then hides the animation.
  EXPECT_TRUE(WaitUntil([&] { return !Visible(animation); }, 1000, 5)) << "the animation stayed visible";

  ASSERT_TRUE(WaitUntilStill(still));
  Screenshot(L"still");
  const Capture shownStill = CaptureClient(still);
  ASSERT_FALSE(seen.empty());
  // The pass ends on the banner itself (the light has faded out by then).
  const double difference = MeanDifference(shownStill, seen.back());
  std::printf("banner: the still banner differs from the last frame seen by %.1f per channel\n", difference);
  EXPECT_LT(difference, 12.0);

  // Once: it stays so.
  ::Sleep(2000);
  EXPECT_TRUE(Visible(still));
  EXPECT_FALSE(Visible(animation));
}

}  // namespace
