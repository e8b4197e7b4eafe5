// Owning wrappers for GDI and USER handles.
//
// Every handle the program creates has exactly one owner that releases it.
// Wine's GetGuiResources always answers 0, so the wrappers keep a live count
// of the handles they hold; tests read it before and after to catch leaks.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>
#include <utility>

namespace ui {

// Number of handles currently held by all owning wrappers.
long LiveHandleCount();

namespace detail {
void CountHandle(int delta);
}

// A move-only owner of one handle. Traits supply Invalid() and Release(h).
template <class H, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) { if (h_) detail::CountHandle(+1); }
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, H())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, H()); }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != H(); }
    void reset(H h = H()) {
        if (h_) { Traits::Release(h_); detail::CountHandle(-1); }
        h_ = h;
        if (h_) detail::CountHandle(+1);
    }
    // Gives up ownership without releasing (the handle now belongs to the caller).
    H release() {
        if (h_) detail::CountHandle(-1);
        return std::exchange(h_, H());
    }

private:
    H h_ = H();
};

struct GdiObjectTraits { static void Release(HGDIOBJ h) { ::DeleteObject(h); } };
struct DcTraits { static void Release(HDC h) { ::DeleteDC(h); } };
struct IconTraits { static void Release(HICON h) { ::DestroyIcon(h); } };
struct RegionTraits { static void Release(HRGN h) { ::DeleteObject(h); } };
struct ImageListTraits { static void Release(HIMAGELIST h) { ::ImageList_Destroy(h); } };
struct WindowTraits { static void Release(HWND h) { ::DestroyWindow(h); } };
struct KernelHandleTraits { static void Release(HANDLE h) { ::CloseHandle(h); } };

using FontHandle = UniqueHandle<HFONT, GdiObjectTraits>;
using BrushHandle = UniqueHandle<HBRUSH, GdiObjectTraits>;
using PenHandle = UniqueHandle<HPEN, GdiObjectTraits>;
using BitmapHandle = UniqueHandle<HBITMAP, GdiObjectTraits>;
using PaletteHandle = UniqueHandle<HPALETTE, GdiObjectTraits>;
using RegionHandle = UniqueHandle<HRGN, RegionTraits>;
using MemoryDc = UniqueHandle<HDC, DcTraits>;
using IconHandle = UniqueHandle<HICON, IconTraits>;
using ImageListHandle = UniqueHandle<HIMAGELIST, ImageListTraits>;
// A window the program made and no parent window destroys with its own.
using WindowHandle = UniqueHandle<HWND, WindowTraits>;

// A directory listing (FindFirstFileW), closed on every way out.
class FindHandle {
public:
    FindHandle(const std::wstring& wildcard, WIN32_FIND_DATAW& data)
        : h_(::FindFirstFileW(wildcard.c_str(), &data)) { if (Found()) detail::CountHandle(+1); }
    ~FindHandle() { if (Found()) { ::FindClose(h_); detail::CountHandle(-1); } }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Found() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& data) { return Found() && ::FindNextFileW(h_, &data) != FALSE; }

private:
    HANDLE h_;
};
// Files, folders and processes. CreateFileW gives INVALID_HANDLE_VALUE for
// "none", which ValidOrNull turns into the owner's none.
using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
inline HANDLE ValidOrNull(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }

// A device context borrowed with GetDC/GetWindowDC and given back on scope exit.
class WindowDc {
public:
    explicit WindowDc(HWND wnd, bool wholeWindow = false)
        : wnd_(wnd), dc_(wholeWindow ? ::GetWindowDC(wnd) : ::GetDC(wnd)) { if (dc_) detail::CountHandle(+1); }
    ~WindowDc() { if (dc_) { ::ReleaseDC(wnd_, dc_); detail::CountHandle(-1); } }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND wnd_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() { if (old_) ::SelectObject(dc_, old_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC/RestoreDC around drawing that changes a DC's state.
class DcStateGuard {
public:
    explicit DcStateGuard(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
    ~DcStateGuard() { if (saved_) ::RestoreDC(dc_, saved_); }
    DcStateGuard(const DcStateGuard&) = delete;
    DcStateGuard& operator=(const DcStateGuard&) = delete;

private:
    HDC dc_;
    int saved_;
};

}  // namespace ui
