// CPictureEx: a static control that shows a picture. A GIF with two or more
// graphic blocks is cut into one-image GIF files, each decoded by the
// platform's picture loader (OleLoadPicture), and played once on a thread of
// the control's own; any other picture is decoded whole and shown still. All
// drawing goes into an off-screen picture; the paint handler only copies it.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "controls/PlaybackScene.h"
#include "framework/Controls.h"
#include "framework/Subclass.h"
#include "win/ComRef.h"
#include "win/Handles.h"

// Completed passes through an animation, for the whole program. Only playback
// threads increment it; playback goes on only while it is below 1, so an
// animation plays once per run.
extern std::atomic<int32_t> PassCounter;

namespace picture_ex {
class PlaybackRun;
}  // namespace picture_ex

class CPictureEx : public fw::CStatic, private fw::SubclassHandler {
 public:
  using GifFrame = picture_ex::GifFrame;

  CPictureEx();
  ~CPictureEx() override;
  CPictureEx(const CPictureEx&) = delete;
  CPictureEx& operator=(const CPictureEx&) = delete;

  // GIF resource IDR_BANNER_GIF (or `id`) of the program's module. Attach the control
  // first: the load resizes it and prepares its off-screen picture.
  bool LoadFromResource();
  bool LoadFromResource(WORD id);
  // From the next load on, the control keeps its size and the picture is
  // drawn scaled to it with halftone filtering (a frame that grew with the
  // DPI); by default the control takes the picture's size.
  void FitToWindow(bool fit) { fit_ = fit; }
  // Decodes `size` bytes of `block`; the block stays the caller's.
  bool LoadFromMemory(HGLOBAL block, DWORD size);
  // Stops playback and releases everything a load made.
  void Unload();

  // Starts the animation, or renders the still picture. True only when a
  // still picture was rendered.
  bool Play();
  // Ends a running playback and leaves the control ready for another Play.
  // Once it returns, the playback thread no longer touches the control.
  void Stop();

  // State, for the dialog and the tests.
  bool Ready() const;
  bool IsGif() const { return isGif_; }
  SIZE PictureSize() const { return {width_, height_}; }
  COLORREF BackgroundColor() const { return background_; }
  size_t FrameCount() const;
  const GifFrame* Frame(size_t index) const;
  bool HasStillPicture() const;
  bool PlaybackRunning() const;

  // How long a frame with this delay stays: delays below 5 hundredths, and a
  // frame without a control extension, take 100 ms.
  static DWORD FrameWaitMs(uint32_t delay);

 protected:
  void OnAttached() override;
  // The picture loader: OleLoadPicture over the stream (`size` bytes).
  virtual win::ComRef<IPicture> LoadPicture(IStream* stream, LONG size);

 private:
  struct Decoded;

  win::ComRef<IPicture> DecodeBorrowed(HGLOBAL block, DWORD size);
  win::ComRef<IPicture> DecodeOwned(HGLOBAL block, DWORD size);

  bool OnSubclassMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnPaint();
  void CopyScene(HDC target);
  bool LoadGif(const uint8_t* data, size_t size, HGLOBAL block, DWORD blockSize, Decoded& out);
  bool LoadOther(HGLOBAL block, DWORD size, Decoded& out);
  bool PrepareOffscreen(Decoded&& decoded);

  fw::WindowSubclass subclass_;
  LONG width_ = 0, height_ = 0;
  COLORREF background_ = RGB(255, 255, 255);
  bool isGif_ = false;
  bool fit_ = false;
  // The off-screen picture with what is drawn into it; shared with a playback
  // thread, which keeps it alive until it ends. Null: not ready.
  std::shared_ptr<picture_ex::Scene> scene_;
  std::shared_ptr<picture_ex::PlaybackRun> run_;
  win::UniqueThread thread_;
};
