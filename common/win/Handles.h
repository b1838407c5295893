#pragma once
// Move-only owners of Win32 handles, GDI objects, device contexts, device notifications, BSTRs
// and COM pointers: the one set every subsystem's Win32 layer uses. Each closes exactly once.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace zorvik {

template <typename H, typename Traits>
class UniqueHandle {
public:
  UniqueHandle() = default;
  explicit UniqueHandle(H h) : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, Traits::invalid()));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::invalid(); }
  H release() { return std::exchange(h_, Traits::invalid()); }
  void reset(H h = Traits::invalid()) {
    if (h_ != Traits::invalid()) Traits::close(h_);
    h_ = h;
  }
  // For functions that hand a new handle back through a pointer: closes what is held first.
  H* put() {
    reset();
    return &h_;
  }

private:
  H h_ = Traits::invalid();
};

struct HwndTraits {
  static HWND invalid() { return nullptr; }
  static void close(HWND h) { DestroyWindow(h); }
};
// Kernel objects whose failure value is NULL (pipes, processes, threads, events, mutexes).
struct KernelTraits {
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
// Files, whose failure value is INVALID_HANDLE_VALUE.
struct FileTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};
template <typename G>
struct GdiTraits {
  static G invalid() { return nullptr; }
  static void close(G h) { DeleteObject(h); }
};
struct IconTraits {
  static HICON invalid() { return nullptr; }
  static void close(HICON h) { DestroyIcon(h); }
};
struct MenuTraits {
  static HMENU invalid() { return nullptr; }
  static void close(HMENU h) { DestroyMenu(h); }
};
struct ModuleTraits {
  static HMODULE invalid() { return nullptr; }
  static void close(HMODULE h) { FreeLibrary(h); }
};
struct HkeyTraits {
  static HKEY invalid() { return nullptr; }
  static void close(HKEY h) { RegCloseKey(h); }
};
struct DevNotifyTraits {
  static HDEVNOTIFY invalid() { return nullptr; }
  static void close(HDEVNOTIFY h) { UnregisterDeviceNotification(h); }
};
// A DC made by CreateCompatibleDC (or CreateDC).
struct OwnDcTraits {
  static HDC invalid() { return nullptr; }
  static void close(HDC h) { DeleteDC(h); }
};

using UniqueHwnd = UniqueHandle<HWND, HwndTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using UniquePen = UniqueHandle<HPEN, GdiTraits<HPEN>>;
using UniqueRegion = UniqueHandle<HRGN, GdiTraits<HRGN>>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueHkey = UniqueHandle<HKEY, HkeyTraits>;
using UniqueFileHandle = UniqueHandle<HANDLE, FileTraits>;
using UniqueDevNotify = UniqueHandle<HDEVNOTIFY, DevNotifyTraits>;
using UniqueDc = UniqueHandle<HDC, OwnDcTraits>;

// A registry key opened for reading; empty when it could not be opened.
inline UniqueHkey openRegKey(HKEY parent, const char* path, REGSAM access = KEY_READ) {
  UniqueHkey key;
  if (RegOpenKeyExA(parent, path, 0, access, key.put()) != ERROR_SUCCESS) key.release();
  return key;
}
// The name of subkey `index`; false once there are no more (or on any failure).
inline bool regSubkeyName(HKEY key, DWORD index, std::string& name) {
  char buffer[256];
  DWORD size = sizeof buffer;
  if (RegEnumKeyExA(key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
  name.assign(buffer, size);
  return true;
}

// GetDC/ReleaseDC for one scope (null window: the screen).
class WindowDc {
public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

private:
  HWND hwnd_;
  HDC dc_;
};

// Selects a GDI object into a DC for one scope.
class SelectObjectScope {
public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectObjectScope() { SelectObject(dc_, old_); }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory DC with a compatible bitmap, for flicker-free painting.
class MemoryDc {
public:
  MemoryDc(HDC target, int width, int height)
      : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)),
        select_(dc_.get(), bitmap_.get()) {}
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_.get(); }

private:
  // Destroyed in reverse: the bitmap is deselected, then deleted, then the DC.
  UniqueDc dc_;
  UniqueBitmap bitmap_;
  SelectObjectScope select_;
};

// A bitmap someone else owns, selected into a compatible DC for one scope (for BitBlt and
// friends from a picture).
class BitmapDc {
public:
  BitmapDc(HDC target, HBITMAP bitmap) : dc_(CreateCompatibleDC(target)), select_(dc_.get(), bitmap) {}
  BitmapDc(const BitmapDc&) = delete;
  BitmapDc& operator=(const BitmapDc&) = delete;
  HDC get() const { return dc_.get(); }

private:
  UniqueDc dc_;
  SelectObjectScope select_;
};

// A screen-compatible bitmap of width x height filled with `background`, then drawn by
// `draw(HDC)` (the pages' icon strips and default pictures).
template <typename Draw>
UniqueBitmap drawBitmap(int width, int height, COLORREF background, Draw draw) {
  WindowDc screen(nullptr);
  UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), width, height));
  {
    BitmapDc dc(screen.get(), bmp.get());
    RECT all{0, 0, width, height};
    UniqueBrush bg(CreateSolidBrush(background));
    FillRect(dc.get(), &all, bg.get());
    draw(dc.get());
  }
  return bmp;
}

// BeginPaint/EndPaint pair.
class PaintScope {
public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& rect() const { return ps_.rcPaint; }

private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Owns one BSTR.
class Bstr {
public:
  Bstr() = default;
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      SysFreeString(b_);
      b_ = std::exchange(o.b_, nullptr);
    }
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }
  std::wstring_view view() const { return {b_, SysStringLen(b_)}; }
  BSTR* put() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }

private:
  BSTR b_ = nullptr;
};

// Owns one COM reference.
template <typename T>
class ComPtr {
public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }
  // Takes ownership of a reference the caller already holds.
  static ComPtr attach(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  template <typename U>
  ComPtr<U> query(REFIID iid) const {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, out.putVoid());
    return out;
  }

private:
  T* p_ = nullptr;
};

// CoInitialize for one thread's scope.
class ComScope {
public:
  explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, model)) {}
  ~ComScope() { if (SUCCEEDED(hr_)) CoUninitialize(); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool ok() const { return SUCCEEDED(hr_); }

private:
  HRESULT hr_;
};

// Redirects this process's HKEY_CLASSES_ROOT to `target` for one scope (per-user registration
// of a library that writes through HKEY_CLASSES_ROOT). `target` must outlive the scope.
class ClassesRootOverride {
public:
  explicit ClassesRootOverride(HKEY target)
      : active_(RegOverridePredefKey(HKEY_CLASSES_ROOT, target) == ERROR_SUCCESS) {}
  ~ClassesRootOverride() {
    if (active_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  }
  ClassesRootOverride(const ClassesRootOverride&) = delete;
  ClassesRootOverride& operator=(const ClassesRootOverride&) = delete;
  bool ok() const { return active_; }

private:
  bool active_;
};


}  // namespace zorvik
