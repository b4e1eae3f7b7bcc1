// A picture that stands in front of a real one and can make its Render take
// long: for the case of a playback thread that outlives Stop's bound.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <atomic>

#include "controls/PictureEx.h"
#include "win/ComRef.h"

namespace testgif {

class SlowPicture : public IPicture {
 public:
  static std::atomic<int> alive;      // wrappers not yet released
  static std::atomic<bool> rendering; // inside a slow Render

  SlowPicture(win::ComRef<IPicture> real, DWORD renderMs) : real_(std::move(real)), renderMs_(renderMs) { ++alive; }
  virtual ~SlowPicture() { --alive; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPicture) {
      *out = static_cast<IPicture*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  // IPicture: size and Render go to the real picture, Render after the pause.
  HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC* w) override { return real_->get_Width(w); }
  HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC* h) override { return real_->get_Height(h); }
  HRESULT STDMETHODCALLTYPE Render(HDC dc, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC sx,
                                   OLE_YPOS_HIMETRIC sy, OLE_XSIZE_HIMETRIC sw, OLE_YSIZE_HIMETRIC sh,
                                   LPCRECT bounds) override {
    if (renderMs_ > 0) {
      rendering = true;
      ::Sleep(renderMs_);
      rendering = false;
    }
    return real_->Render(dc, x, y, cx, cy, sx, sy, sw, sh, bounds);
  }
  HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE* h) override { return real_->get_Handle(h); }
  HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE* h) override { return real_->get_hPal(h); }
  HRESULT STDMETHODCALLTYPE get_Type(SHORT* t) override { return real_->get_Type(t); }
  HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_CurDC(HDC* dc) override { return real_->get_CurDC(dc); }
  HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL* keep) override { return real_->get_KeepOriginalFormat(keep); }
  HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE PictureChanged() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveAsFile(IStream*, BOOL, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Attributes(DWORD* a) override { return real_->get_Attributes(a); }

 private:
  win::ComRef<IPicture> real_;
  DWORD renderMs_;
  std::atomic<ULONG> refs_{1};
};

// A CPictureEx whose frame number `slowFrame` renders after `renderMs`.
class SlowPictureEx : public CPictureEx {
 public:
  SlowPictureEx(size_t slowFrame, DWORD renderMs) : slowFrame_(slowFrame), renderMs_(renderMs) {}

 protected:
  win::ComRef<IPicture> LoadPicture(IStream* stream, LONG size) override {
    win::ComRef<IPicture> real = CPictureEx::LoadPicture(stream, size);
    win::ComRef<IPicture> wrapped;
    if (!real) return wrapped;
    *wrapped.Put() = new SlowPicture(std::move(real), decoded_++ == slowFrame_ ? renderMs_ : 0);
    return wrapped;
  }

 private:
  size_t slowFrame_;
  DWORD renderMs_;
  size_t decoded_ = 0;
};

}  // namespace testgif
