// CPictureEx in a real window under Xvfb: GIFs built in memory, decoded by
// the platform's picture loader, played on the control's thread, and read back
// from the screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "controls/PictureEx.h"
#include "tests/picture/GifBuilder.h"
#include "tests/picture/PictureWindow.h"
#include "tests/picture/SlowPicture.h"

namespace testgif {
namespace {

// Colour indices of the test palette.
enum : uint8_t { kRed, kGreen, kBlue, kYellow, kT0, kT1, kT2, kT3, kT4, kT5, kT6, kHole };

const std::vector<Rgb> kPalette = {
    {200, 40, 40},  {40, 160, 60},  {40, 60, 200},  {230, 200, 30}, {10, 10, 10},   {250, 120, 0},
    {0, 200, 200},  {120, 0, 160},  {90, 90, 30},   {0, 90, 40},    {170, 170, 250}, {255, 0, 255},
};

COLORREF Colour(uint8_t index) { return kPalette[index].Ref(); }

class Global {
 public:
  explicit Global(const std::vector<uint8_t>& bytes) : block_(ToGlobal(bytes)), size_(static_cast<DWORD>(bytes.size())) {}
  ~Global() { ::GlobalFree(block_); }
  HGLOBAL Get() const { return block_; }
  DWORD Size() const { return size_; }

 private:
  HGLOBAL block_;
  DWORD size_;
};

bool Load(PictureWindow& w, const std::vector<uint8_t>& bytes) {
  Global block(bytes);
  return w.picture.LoadFromMemory(block.Get(), block.Size());
}

// Counts the pixels of `c` that differ from `expected(x, y)` and prints the
// first few; -1 when nothing was captured.
int Mismatches(const Capture& c, const std::function<COLORREF(int, int)>& expected) {
  if (c.Empty()) {
    std::printf("  nothing was captured\n");
    return -1;
  }
  int bad = 0;
  for (int y = 0; y < c.height; ++y) {
    for (int x = 0; x < c.width; ++x) {
      if (c.Color(x, y) == expected(x, y)) continue;
      if (++bad <= 5)
        std::printf("  pixel (%d, %d) is %06lx, expected %06lx\n", x, y, c.Color(x, y), expected(x, y));
    }
  }
  return bad;
}

bool Inside(int x, int y, int left, int top, int width, int height) {
  return x >= left && x < left + width && y >= top && y < top + height;
}

class PictureExTest : public testing::Test {
 protected:
  void SetUp() override {
    // One pass per program run: each case starts as a fresh program would.
    PassCounter = 0;
    window = std::make_unique<PictureWindow>(picture);
    ASSERT_TRUE(window->Valid());
    background = ::GetSysColor(COLOR_BTNFACE);
  }
  void TearDown() override { window.reset(); }

  CPictureEx picture;

  bool WaitUntilEnded(DWORD timeoutMs) {
    const double end = NowMs() + timeoutMs;
    while (window->picture.PlaybackRunning() && NowMs() < end) window->Pump(5);
    return !window->picture.PlaybackRunning();
  }

  std::unique_ptr<PictureWindow> window;
  COLORREF background = 0;
};

TEST_F(PictureExTest, FramesFollowInOrderWithTheirDelaysThenOnePassEndsInTheBackground) {
  // Delays 8, 5, 4, 1, 0, none, and a closing frame whose end the pass marks.
  GifBuilder gif("89a", 40, 20, kPalette);
  const uint16_t delays[] = {8, 5, 4, 1, 0};
  for (int i = 0; i < 5; ++i) gif.Control(delays[i], 1).Solid(0, 0, 40, 20, static_cast<uint8_t>(kT0 + i));
  gif.Solid(0, 0, 40, 20, kT5);
  gif.Control(8, 1).Solid(0, 0, 40, 20, kT6);
  ASSERT_TRUE(Load(*window, gif.Finish()));
  ASSERT_EQ(window->picture.FrameCount(), 7u);
  EXPECT_EQ(window->picture.Frame(5)->delay, 0xFFFFFFFFu);
  EXPECT_EQ(window->picture.Frame(5)->disposal, 0);
  EXPECT_EQ(window->picture.BackgroundColor(), background);

  EXPECT_FALSE(window->picture.Play());  // an animation starts; only a still picture returns true
  const auto samples = window->Watch(20, 10, 4000, [] { return PassCounter.load() >= 1; });

  std::vector<Sample> frames;
  for (const Sample& s : samples)
    if (!frames.empty() || s.colour == Colour(kT0)) frames.push_back(s);
  ASSERT_EQ(frames.size(), 7u) << "colour changes seen: " << samples.size();
  for (int i = 0; i < 7; ++i) EXPECT_EQ(frames[i].colour, Colour(static_cast<uint8_t>(kT0 + i))) << "frame " << i;

  // Each frame's start against the sum of the delays before it: a late look
  // at the screen then moves one start, not two durations. Timers and the
  // read-back allow a few ms early and some more late.
  const double expected[] = {80, 50, 100, 100, 100, 100};
  const char* names[] = {"8", "5", "4", "1", "0", "none"};
  double due = 0;
  for (int i = 0; i < 6; ++i) {
    due += expected[i];
    const double shown = frames[i + 1].ms - frames[i].ms;
    const double start = frames[i + 1].ms - frames[0].ms;
    std::printf("delay %-4s -> shown %.1f ms (expected %.0f); next frame at %.1f ms (due %.0f)\n", names[i], shown,
                expected[i], start, due);
    EXPECT_GE(start, due - 10) << "delay " << names[i];
    EXPECT_LE(start, due + 45) << "delay " << names[i];
  }

  ASSERT_TRUE(WaitUntilEnded(1000));
  EXPECT_EQ(PassCounter.load(), 1);
  // The closing fill is not repainted by the thread; the next paint shows it.
  window->Repaint();
  EXPECT_EQ(Mismatches(window->Grab(40, 20), [&](int, int) { return background; }), 0);

  // After the pass a new Play only settles the pending disposal and ends
  // without drawing; the ended thread's handle is closed on the way.
  EXPECT_FALSE(window->picture.Play());
  ASSERT_TRUE(WaitUntilEnded(1000));
  EXPECT_EQ(PassCounter.load(), 1);
  window->Repaint();
  EXPECT_EQ(Mismatches(window->Grab(40, 20), [&](int, int) { return background; }), 0) << "after a second Play";
  window->picture.Stop();
}

TEST_F(PictureExTest, DisposalTwoClearsExactlyTheFrameRectangleToTheBackground) {
  GifBuilder gif("89a", 60, 40, kPalette);
  gif.Control(5, 1).Solid(0, 0, 60, 40, kRed);
  gif.Control(5, 2).Solid(10, 5, 20, 15, kGreen);
  gif.Control(200, 1).Solid(40, 20, 8, 8, kBlue);
  ASSERT_TRUE(Load(*window, gif.Finish()));
  ASSERT_TRUE(window->picture.Play() == false && window->picture.PlaybackRunning());

  ASSERT_TRUE(window->WaitForPixel(20, 12, Colour(kGreen), 2000));
  ASSERT_TRUE(window->WaitForPixel(44, 24, Colour(kBlue), 2000));
  const Capture shot = window->Grab(60, 40);
  EXPECT_EQ(Mismatches(shot, [&](int x, int y) {
              if (Inside(x, y, 40, 20, 8, 8)) return Colour(kBlue);
              if (Inside(x, y, 10, 5, 20, 15)) return background;
              return Colour(kRed);
            }),
            0);
  window->picture.Stop();
}

TEST_F(PictureExTest, DisposalThreeRestoresExactlyWhatItsRectangleHeld) {
  GifBuilder gif("89a", 60, 40, kPalette);
  gif.Control(5, 1).Solid(0, 0, 60, 40, kRed);
  gif.Control(5, 1).Solid(5, 5, 20, 20, kGreen);
  gif.Control(30, 3).Solid(15, 10, 30, 20, kYellow);  // over part of green and part of red
  gif.Control(200, 1).Solid(50, 30, 6, 6, kBlue);
  ASSERT_TRUE(Load(*window, gif.Finish()));
  window->picture.Play();

  auto before = [&](int x, int y) {
    if (Inside(x, y, 5, 5, 20, 20)) return Colour(kGreen);
    return Colour(kRed);
  };
  ASSERT_TRUE(window->WaitForPixel(30, 20, Colour(kYellow), 2000));
  window->Pump(20);
  EXPECT_EQ(Mismatches(window->Grab(60, 40), [&](int x, int y) {
              return Inside(x, y, 15, 10, 30, 20) ? Colour(kYellow) : before(x, y);
            }),
            0)
      << "while the disposal-3 frame shows";

  ASSERT_TRUE(window->WaitForPixel(52, 32, Colour(kBlue), 2000));
  EXPECT_EQ(Mismatches(window->Grab(60, 40), [&](int x, int y) {
              return Inside(x, y, 50, 30, 6, 6) ? Colour(kBlue) : before(x, y);
            }),
            0)
      << "after its disposal";
  window->picture.Stop();
}

TEST_F(PictureExTest, StopDuringAWaitReturnsAtOnceAndTheNextPlayAppliesThePendingDisposalFirst) {
  // Frame 1 has a transparent hole: what shows through it tells whether its
  // rectangle was cleared before it was drawn again.
  GifBuilder gif("89a", 60, 40, kPalette);
  gif.Control(5, 1).Solid(0, 0, 60, 40, kRed);
  gif.Control(300, 2, kHole).Image(10, 5, 30, 20, [](int x, int y) {
    return Inside(x, y, 10, 5, 10, 10) ? static_cast<uint8_t>(kHole) : static_cast<uint8_t>(kGreen);
  });
  gif.Control(5, 1).Solid(0, 0, 60, 40, kBlue);
  ASSERT_TRUE(Load(*window, gif.Finish()));
  window->picture.Play();
  ASSERT_TRUE(window->WaitForPixel(12, 7, Colour(kGreen), 2000));
  window->Pump(50);
  EXPECT_EQ(window->ScreenPixel(25, 15), Colour(kRed)) << "the hole shows the frame below";

  const double start = NowMs();
  window->picture.Stop();
  const double took = NowMs() - start;
  std::printf("Stop during a 3000 ms wait returned after %.1f ms\n", took);
  EXPECT_LT(took, 500.0);
  EXPECT_FALSE(window->picture.PlaybackRunning());
  window->Pump(400);
  EXPECT_EQ(window->ScreenPixel(25, 15), Colour(kRed)) << "Stop leaves the screen as it was";
  EXPECT_EQ(window->ScreenPixel(12, 7), Colour(kGreen));
  EXPECT_EQ(PassCounter.load(), 0);

  window->picture.Play();
  window->Pump(300);  // well inside the frame's 3 s
  ASSERT_TRUE(window->picture.PlaybackRunning());
  window->Repaint();
  const Capture shot = window->Grab(60, 40);
  EXPECT_EQ(Mismatches(shot, [&](int x, int y) {
              if (Inside(x, y, 20, 10, 10, 10)) return background;  // cleared, then the hole
              if (Inside(x, y, 10, 5, 30, 20)) return Colour(kGreen);
              return Colour(kRed);
            }),
            0);
  window->picture.Stop();
}

TEST_F(PictureExTest, StillPicturesRenderAtTheOriginAndPlayReturnsTrue) {
  EXPECT_FALSE(window->picture.Play()) << "nothing loaded";
  window->picture.Stop();  // no thread: nothing happens

  // A one-image GIF (with a looping extension, which changes nothing).
  GifBuilder gif("87a", 30, 16, kPalette);
  gif.Looping().Image(0, 0, 30, 16, [](int x, int y) {
    return static_cast<uint8_t>(x < 10 ? kRed : (y < 8 ? kGreen : kBlue));
  });
  ASSERT_TRUE(Load(*window, gif.Finish()));
  EXPECT_TRUE(window->picture.IsGif());
  EXPECT_EQ(window->picture.FrameCount(), 0u);
  EXPECT_TRUE(window->picture.HasStillPicture());
  EXPECT_EQ(window->ControlSize().cx, 30);
  EXPECT_EQ(window->ControlSize().cy, 16);
  EXPECT_TRUE(window->picture.Play());
  EXPECT_FALSE(window->picture.PlaybackRunning());
  window->Pump(50);
  auto gifPixel = [](int x, int y) { return Colour(x < 10 ? kRed : (y < 8 ? kGreen : kBlue)); };
  EXPECT_EQ(Mismatches(window->Grab(30, 16), gifPixel), 0);
  window->picture.Stop();
  window->Repaint();
  EXPECT_EQ(Mismatches(window->Grab(30, 16), gifPixel), 0) << "after Stop";

  // A bitmap, sized from its HIMETRIC extent at the screen's resolution.
  auto bmpPixel = [](int x, int y) { return Rgb{static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 20), 99}; };
  ASSERT_TRUE(Load(*window, Bitmap24(24, 12, bmpPixel)));
  EXPECT_FALSE(window->picture.IsGif());
  EXPECT_EQ(window->ControlSize().cx, 24);
  EXPECT_EQ(window->ControlSize().cy, 12);
  EXPECT_TRUE(window->picture.Play());
  window->Pump(50);
  EXPECT_EQ(Mismatches(window->Grab(24, 12), [&](int x, int y) { return bmpPixel(x, y).Ref(); }), 0);
}

TEST_F(PictureExTest, AOneImageGifKeepsItsImageWhereTheFileSaysAndLoadFailuresDrawNothing) {
  const COLORREF menu = ::GetSysColor(COLOR_MENU);
  GifBuilder small("89a", 30, 16, kPalette);
  small.Solid(10, 4, 8, 6, kYellow);
  ASSERT_TRUE(Load(*window, small.Finish()));
  EXPECT_TRUE(window->picture.Play());
  window->Pump(50);
  EXPECT_EQ(Mismatches(window->Grab(30, 16), [&](int x, int y) {
              return Inside(x, y, 10, 4, 8, 6) ? Colour(kYellow) : menu;
            }),
            0);

  GifBuilder extensionsOnly("89a", 10, 10, kPalette);
  extensionsOnly.Looping().Comment("no image").Control(8, 2);
  EXPECT_FALSE(Load(*window, extensionsOnly.Finish()));
  EXPECT_FALSE(window->picture.Ready());
  EXPECT_FALSE(window->picture.Play());

  std::vector<uint8_t> cut = small.Finish();
  cut.resize(cut.size() - 6);  // inside the only image's data
  EXPECT_FALSE(Load(*window, cut));
  EXPECT_FALSE(Load(*window, std::vector<uint8_t>(64, 0x5A))) << "neither GIF nor any picture";

  // A size larger than the block is cut to the block.
  std::vector<uint8_t> whole = small.Finish();
  Global block(whole);
  EXPECT_TRUE(window->picture.LoadFromMemory(block.Get(), block.Size() + 100000));
  window->picture.Unload();
  EXPECT_FALSE(window->picture.Ready());
  EXPECT_EQ(window->picture.BackgroundColor(), RGB(255, 255, 255));
}

TEST_F(PictureExTest, AnAnimationWithOnlyOneDecodableFrameShowsThatFrame) {
  GifBuilder gif("89a", 40, 20, kPalette);
  gif.Control(8, 2).Solid(5, 5, 10, 10, kGreen);
  // Second frame: a valid block whose first code is beyond the table.
  gif.Control(8, 2).Raw({0x2C, 0, 0, 0, 0, 40, 0, 20, 0, 0, 8, 3, 0xFF, 0xFF, 0xFF, 0});
  ASSERT_TRUE(Load(*window, gif.Finish()));
  EXPECT_EQ(window->picture.FrameCount(), 0u);
  EXPECT_TRUE(window->picture.HasStillPicture());
  EXPECT_TRUE(window->picture.Play());
  window->Pump(50);
  EXPECT_EQ(Mismatches(window->Grab(40, 20), [&](int x, int y) {
              return Inside(x, y, 5, 5, 10, 10) ? Colour(kGreen) : ::GetSysColor(COLOR_MENU);
            }),
            0);
}

TEST_F(PictureExTest, TheBannerResourcePlaysTwentyFramesOnceAtItsOwnSize) {
  const double loading = NowMs();
  ASSERT_TRUE(window->picture.LoadFromResource());
  std::printf("banner: loading and decoding the 20 frames took %.0f ms\n", NowMs() - loading);
  EXPECT_TRUE(window->picture.IsGif());
  ASSERT_EQ(window->picture.FrameCount(), 20u);
  for (size_t i = 0; i < 20; ++i) {
    const auto* f = window->picture.Frame(i);
    EXPECT_TRUE(f->left == 0 && f->top == 0 && f->width == 690 && f->height == 109 && f->delay == 8 &&
                f->disposal == 2)
        << "frame " << i;
  }
  EXPECT_EQ(window->ControlSize().cx, 690);
  EXPECT_EQ(window->ControlSize().cy, 109);
  EXPECT_EQ(window->picture.PictureSize().cx, 690);

  const double start = NowMs();
  EXPECT_FALSE(window->picture.Play());
  int seen = 0;
  COLORREF last = CLR_INVALID;
  while (PassCounter.load() < 1 && NowMs() - start < 4000) {
    window->Pump(5);
    const COLORREF c = window->ScreenPixel(345, 60);
    if (c != last) ++seen;
    last = c;
  }
  const double pass = NowMs() - start;
  std::printf("banner: one pass took %.0f ms (20 x 80 = 1600), %d colour changes at the centre\n", pass, seen);
  EXPECT_EQ(PassCounter.load(), 1);
  EXPECT_GE(pass, 1550.0);
  EXPECT_LE(pass, 2200.0);
  EXPECT_GE(seen, 5) << "the light band crosses the centre";
  ASSERT_TRUE(WaitUntilEnded(1000));
}

TEST_F(PictureExTest, DestroyingTheWindowStopsPlayback) {
  GifBuilder gif("89a", 20, 10, kPalette);
  gif.Control(500, 2).Solid(0, 0, 20, 10, kRed).Control(500, 2).Solid(0, 0, 20, 10, kGreen);
  ASSERT_TRUE(Load(*window, gif.Finish()));
  window->picture.Play();
  ASSERT_TRUE(window->WaitForPixel(5, 5, Colour(kRed), 2000));
  const double start = NowMs();
  ::DestroyWindow(window->Control());
  std::printf("destroying the window during a 5 s wait took %.1f ms\n", NowMs() - start);
  EXPECT_FALSE(window->picture.PlaybackRunning());
  EXPECT_LT(NowMs() - start, 3000.0);
}

TEST(PictureExBoundTest, AStopThatReachesItsBoundLeavesTheThreadNothingOfTheControl) {
  PassCounter = 0;
  SlowPictureEx picture(1, 6500);  // frame 1's Render outlasts Stop's 5000 ms
  {
    PictureWindow window(picture);
    GifBuilder gif("89a", 40, 20, kPalette);
    gif.Control(5, 2).Solid(0, 0, 40, 20, kRed).Control(5, 2).Solid(0, 0, 40, 20, kGreen);
    ASSERT_TRUE(Load(window, gif.Finish()));
    ASSERT_EQ(picture.FrameCount(), 2u);
    picture.Play();
    const double until = NowMs() + 3000;
    while (!SlowPicture::rendering && NowMs() < until) window.Pump(2);
    ASSERT_TRUE(SlowPicture::rendering) << "frame 1 never began to render";

    const double start = NowMs();
    picture.Stop();
    const double took = NowMs() - start;
    std::printf("Stop with the thread inside a 6.5 s Render returned after %.0f ms\n", took);
    EXPECT_GE(took, 4900.0);
    EXPECT_LT(took, 6000.0);
    EXPECT_FALSE(picture.PlaybackRunning());
    EXPECT_FALSE(picture.Ready()) << "the control gave up the picture the thread still draws into";
    EXPECT_EQ(SlowPicture::alive.load(), 2) << "the thread keeps its frames alive";

    // The thread now finishes its Render; it must neither repaint the control
    // nor keep anything once it ends.
    ::ValidateRect(window.Control(), nullptr);
    testing_support::WaitUntil([] { return SlowPicture::alive.load() == 0; }, 4000, 10);
    EXPECT_EQ(SlowPicture::alive.load(), 0) << "the thread released its frames when it ended";
    RECT pending{};
    EXPECT_FALSE(::GetUpdateRect(window.Control(), &pending, FALSE)) << "the thread invalidated the control after Stop";
    EXPECT_FALSE(picture.Play()) << "nothing loaded any more";
  }
}

}  // namespace
}  // namespace testgif
