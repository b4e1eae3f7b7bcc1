#include "controls/PictureEx.h"

#include <olectl.h>

#include <cstring>
#include <utility>

#include "controls/GifBlocks.h"
#include "controls/PlaybackScene.h"
#include "res/resource.h"
#include "win/Gdi.h"
#include "win/Memory.h"
#include "win/Thread.h"

std::atomic<int32_t> PassCounter{0};

namespace picture_ex {

namespace {

constexpr DWORD kStopBoundMs = 5000;
constexpr DWORD kShortFrameMs = 100;
constexpr int kHimetricPerInch = 2540;

}  // namespace

// One playback: what the thread draws, its stop request, and its way to the
// window. The thread holds its own reference, so a thread that outlives Stop's
// bound still draws only into memory it keeps alive, and never reaches the
// window again once Stop has detached it.
class PlaybackRun {
 public:
  PlaybackRun(std::shared_ptr<Scene> scene, HWND window)
      : scene_(std::move(scene)), window_(window), wake_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  bool Valid() const { return wake_ && lock_.Ready(); }
  Scene& GetScene() const { return *scene_; }

  void RequestStop() {
    exit_ = true;
    ::SetEvent(wake_.Get());
  }
  bool StopRequested() const { return exit_; }
  // Ends early when a stop is requested.
  void Wait(DWORD ms) const { ::WaitForSingleObject(wake_.Get(), ms); }

  // Held to publish the scene and to copy it out, and for nothing that waits.
  win::CriticalSection& SceneLock() { return lock_; }

  // Asks for a repaint without erasing (InvalidateRect does not wait for the
  // window's thread, so holding the lock here blocks nobody for long).
  void RequestRepaint() {
    win::Lock hold(lock_);
    if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
  }
  void Detach() {
    win::Lock hold(lock_);
    window_ = nullptr;
  }

 private:
  std::shared_ptr<Scene> scene_;
  std::atomic<bool> exit_{false};
  win::CriticalSection lock_{0};
  HWND window_;
  win::UniqueEvent wake_;
};

namespace {

void Publish(PlaybackRun& run) {
  win::Lock hold(run.SceneLock());
  run.GetScene().Publish();
}

bool DrawFrame(PlaybackRun& run, const GifFrame& f) {
  Scene& scene = run.GetScene();
  if (f.disposal == 3) scene.SaveUnder(f);
  const bool drawn = scene.RenderFrame(f);
  Publish(run);
  return drawn;
}

// Disposes of the frame shown and moves to the next; after the last frame the
// scene is filled and the pass counted, when that fill was made.
void EndFrame(PlaybackRun& run, const GifFrame& f) {
  Scene& scene = run.GetScene();
  bool passEnded = false;
  scene.Dispose(f);
  if (++scene.current >= scene.frames.size()) {
    scene.current = 0;
    passEnded = scene.FillAll();
  }
  Publish(run);
  if (passEnded) PassCounter.fetch_add(1);
}

void PlaybackLoop(PlaybackRun& run) {
  Scene& scene = run.GetScene();
  // A disposal left pending by an earlier Stop comes first.
  scene.Dispose(scene.frames[scene.current]);
  Publish(run);
  while (!run.StopRequested() && PassCounter.load() < 1) {
    const GifFrame& f = scene.frames[scene.current];
    if (DrawFrame(run, f)) run.RequestRepaint();
    if (run.StopRequested()) break;
    run.Wait(CPictureEx::FrameWaitMs(f.delay));
    if (run.StopRequested()) break;
    EndFrame(run, f);
  }
}

unsigned __stdcall PlaybackThread(void* argument) {
  std::unique_ptr<std::shared_ptr<PlaybackRun>> run(static_cast<std::shared_ptr<PlaybackRun>*>(argument));
  PlaybackLoop(**run);
  return 0;
}

}  // namespace

}  // namespace picture_ex

using picture_ex::PlaybackRun;
using picture_ex::Scene;

struct CPictureEx::Decoded {
  LONG width = 0, height = 0;
  std::vector<GifFrame> frames;
  win::ComRef<IPicture> still;
  RECT stillPlace{};
};

CPictureEx::CPictureEx() = default;

win::ComRef<IPicture> CPictureEx::LoadPicture(IStream* stream, LONG size) {
  win::ComRef<IPicture> picture;
  if (FAILED(::OleLoadPicture(stream, size, FALSE, IID_IPicture, picture.PutVoid()))) picture.Reset();
  return picture;
}

// A stream over `block` that leaves the block to the caller.
win::ComRef<IPicture> CPictureEx::DecodeBorrowed(HGLOBAL block, DWORD size) {
  win::ComRef<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(block, FALSE, stream.Put()))) return {};
  return LoadPicture(stream.Get(), static_cast<LONG>(size));
}

// A stream that takes `block` over and frees it when released; the block is
// freed here when no stream can be made.
win::ComRef<IPicture> CPictureEx::DecodeOwned(HGLOBAL block, DWORD size) {
  win::UniqueGlobal owned(block);
  win::ComRef<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(owned.Get(), TRUE, stream.Put()))) return {};
  owned.Release();
  return LoadPicture(stream.Get(), static_cast<LONG>(size));
}

CPictureEx::~CPictureEx() { Unload(); }

void CPictureEx::OnAttached() { subclass_.Install(Hwnd(), *this); }

DWORD CPictureEx::FrameWaitMs(uint32_t delay) {
  if (delay == gif::kNoDelay || delay < 5) return picture_ex::kShortFrameMs;
  return delay * 10;
}

bool CPictureEx::Ready() const { return scene_ != nullptr; }
size_t CPictureEx::FrameCount() const { return scene_ ? scene_->frames.size() : 0; }
const CPictureEx::GifFrame* CPictureEx::Frame(size_t index) const {
  return scene_ && index < scene_->frames.size() ? &scene_->frames[index] : nullptr;
}
bool CPictureEx::HasStillPicture() const { return scene_ && scene_->still; }
bool CPictureEx::PlaybackRunning() const {
  return thread_ && ::WaitForSingleObject(thread_.Get(), 0) == WAIT_TIMEOUT;
}

bool CPictureEx::LoadFromResource() { return LoadFromResource(IDR_BANNER_GIF); }

bool CPictureEx::LoadFromResource(WORD id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"GIF");
  if (info == nullptr) return false;
  HGLOBAL resource = ::LoadResource(module, info);
  const DWORD size = ::SizeofResource(module, info);
  const void* bytes = resource ? ::LockResource(resource) : nullptr;
  if (bytes == nullptr || size == 0) return false;
  win::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return false;
  {
    win::GlobalLockGuard lock(block.Get());
    if (!lock) return false;
    std::memcpy(lock.Get(), bytes, size);
  }
  return LoadFromMemory(block.Get(), size);
}

bool CPictureEx::LoadFromMemory(HGLOBAL block, DWORD size) {
  Unload();
  if (block == nullptr || Hwnd() == nullptr) return false;
  // Never read past the block, whatever size the caller gives.
  const SIZE_T capacity = ::GlobalSize(block);
  if (size > capacity) size = static_cast<DWORD>(capacity);

  Decoded decoded;
  bool ok = false;
  {
    win::GlobalLockGuard lock(block);
    if (!lock) return false;
    const auto* data = static_cast<const uint8_t*>(lock.Get());
    if (gif::HasGifSignature(data, size)) {
      isGif_ = true;
      ok = LoadGif(data, size, block, size, decoded);
    } else {
      lock.Unlock();
      ok = LoadOther(block, size, decoded);
    }
  }
  return ok && PrepareOffscreen(std::move(decoded));
}

bool CPictureEx::LoadGif(const uint8_t* data, size_t size, HGLOBAL block, DWORD blockSize, Decoded& out) {
  gif::BlockWalker walker(data, size);
  if (!walker.Valid()) return false;
  const gif::Header& header = walker.GetHeader();
  out.width = width_ = header.width;
  out.height = height_ = header.height;

  const size_t count = gif::CountFrames(data, size);
  if (count == 0) return false;
  if (count == 1) {
    // A still GIF goes to the loader whole; its image keeps its own place.
    const auto frame = walker.NextFrame();
    out.still = DecodeBorrowed(block, blockSize);
    if (!out.still) return false;
    out.stillPlace = frame && frame->hasImage ? picture_ex::Rect(frame->left, frame->top, frame->width, frame->height)
                                              : RECT{0, 0, out.width, out.height};
    return true;
  }

  while (auto frame = walker.NextFrame()) {
    const std::vector<uint8_t> bytes = gif::BuildFrameFile(data, size, header, *frame);
    if (bytes.empty()) continue;  // a span outside the data is left out
    win::UniqueGlobal file(::GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!file) break;  // out of memory: keep what was decoded so far
    {
      win::GlobalLockGuard lock(file.Get());
      if (!lock) break;
      std::memcpy(lock.Get(), bytes.data(), bytes.size());
    }
    win::ComRef<IPicture> picture = DecodeOwned(file.Release(), static_cast<DWORD>(bytes.size()));
    if (!picture) continue;  // a frame the loader refuses is left out
    GifFrame f;
    f.picture = std::move(picture);
    f.width = frame->width;
    f.height = frame->height;
    f.left = frame->left;
    f.top = frame->top;
    f.delay = frame->delay;
    f.disposal = frame->disposal;
    out.frames.push_back(std::move(f));
  }
  if (out.frames.empty()) return false;
  if (out.frames.size() == 1) {
    // Only one frame decoded: show it as a still picture rather than nothing.
    GifFrame& only = out.frames.front();
    out.stillPlace = picture_ex::Rect(only.left, only.top, only.width, only.height);
    out.still = std::move(only.picture);
    out.frames.clear();
  }
  return true;
}

bool CPictureEx::LoadOther(HGLOBAL block, DWORD size, Decoded& out) {
  out.still = DecodeBorrowed(block, size);
  if (!out.still) return false;
  OLE_XSIZE_HIMETRIC hw = 0;
  OLE_YSIZE_HIMETRIC hh = 0;
  if (FAILED(out.still->get_Width(&hw)) || FAILED(out.still->get_Height(&hh))) return false;
  win::WindowDC dc(Hwnd());
  if (!dc) return false;
  out.width = width_ = ::MulDiv(hw, ::GetDeviceCaps(dc.Get(), LOGPIXELSX), picture_ex::kHimetricPerInch);
  out.height = height_ = ::MulDiv(hh, ::GetDeviceCaps(dc.Get(), LOGPIXELSY), picture_ex::kHimetricPerInch);
  out.stillPlace = RECT{0, 0, out.width, out.height};
  return true;
}

bool CPictureEx::PrepareOffscreen(Decoded&& decoded) {
  width_ = decoded.width;
  height_ = decoded.height;
  if (!fit_) ::SetWindowPos(Hwnd(), nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  win::WindowDC dc(Hwnd());
  if (!dc) return false;
  const COLORREF background = ::GetSysColor(COLOR_BTNFACE);
  auto scene = std::make_shared<Scene>(dc.Get(), width_, height_, background);
  if (!scene->Valid()) return false;
  scene->frames = std::move(decoded.frames);
  scene->still = std::move(decoded.still);
  scene->stillPlace = decoded.stillPlace;
  RECT all{0, 0, width_, height_};
  ::FillRect(scene->Dc(), &all, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1)));
  scene->Publish();
  background_ = background;
  scene_ = std::move(scene);
  return true;
}

void CPictureEx::Unload() {
  Stop();
  scene_.reset();
  isGif_ = false;
  background_ = RGB(255, 255, 255);
  width_ = height_ = 0;
}

bool CPictureEx::Play() {
  if (!scene_) return false;
  if (isGif_ && scene_->frames.size() > 1) {
    Stop();  // at most one playback thread: an ended one is reaped here
    if (!scene_) return false;
    auto run = std::make_shared<PlaybackRun>(scene_, Hwnd());
    if (!run->Valid()) return false;
    auto* argument = new std::shared_ptr<PlaybackRun>(run);
    win::UniqueThread thread = win::BeginThread(picture_ex::PlaybackThread, argument, win::ThreadStart::Suspended);
    if (!thread) {
      delete argument;
      return false;
    }
    run_ = std::move(run);
    thread_ = std::move(thread);
    ::ResumeThread(thread_.Get());
    return false;
  }
  if (!scene_->still) return false;
  const RECT& at = scene_->stillPlace;
  if (!scene_->Render(scene_->still.Get(), at.left, at.top, at.right - at.left, at.bottom - at.top)) return false;
  scene_->Publish();
  ::InvalidateRect(Hwnd(), nullptr, FALSE);
  return true;
}

void CPictureEx::Stop() {
  if (run_) run_->RequestStop();
  if (thread_) {
    if (::WaitForSingleObject(thread_.Get(), picture_ex::kStopBoundMs) != WAIT_OBJECT_0) {
      // Still running after the bound: the thread keeps what it draws into,
      // the control starts afresh without it.
      scene_.reset();
    }
    thread_.Reset();
  }
  if (run_) run_->Detach();
  run_.reset();
}

bool CPictureEx::OnSubclassMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT:
      if (!scene_) return false;  // nothing loaded: the static paints itself
      OnPaint();
      result = 0;
      return true;
    case WM_DESTROY:
      Stop();
      return false;
    default:
      return false;
  }
}

void CPictureEx::OnPaint() {
  win::PaintDC paint(Hwnd());
  if (run_) {
    // A playback thread may be publishing.
    win::Lock hold(run_->SceneLock());
    CopyScene(paint.Get());
  } else {
    CopyScene(paint.Get());
  }
}

void CPictureEx::CopyScene(HDC target) {
  RECT client{};
  ::GetClientRect(Hwnd(), &client);
  if (!fit_ || (client.right == width_ && client.bottom == height_)) {
    ::BitBlt(target, 0, 0, width_, height_, scene_->ShownDc(), 0, 0, SRCCOPY);
    return;
  }
  ::SetStretchBltMode(target, HALFTONE);
  ::SetBrushOrgEx(target, 0, 0, nullptr);
  ::StretchBlt(target, 0, 0, client.right, client.bottom, scene_->ShownDc(), 0, 0, width_, height_, SRCCOPY);
}
