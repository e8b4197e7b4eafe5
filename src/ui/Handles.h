// Owning wrappers for GDI and USER handles, counted with the kernel handles
// (base/Handles.h) so that a test sees every leak.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <utility>

#include "base/Handles.h"

namespace ui {

struct GdiObjectTraits { static void Release(HGDIOBJ h) { ::DeleteObject(h); } };
struct DcTraits { static void Release(HDC h) { ::DeleteDC(h); } };
struct IconTraits { static void Release(HICON h) { ::DestroyIcon(h); } };
struct RegionTraits { static void Release(HRGN h) { ::DeleteObject(h); } };
struct ImageListTraits { static void Release(HIMAGELIST h) { ::ImageList_Destroy(h); } };
struct WindowTraits { static void Release(HWND h) { ::DestroyWindow(h); } };

using FontHandle = base::UniqueHandle<HFONT, GdiObjectTraits>;
using BrushHandle = base::UniqueHandle<HBRUSH, GdiObjectTraits>;
using PenHandle = base::UniqueHandle<HPEN, GdiObjectTraits>;
using BitmapHandle = base::UniqueHandle<HBITMAP, GdiObjectTraits>;
using PaletteHandle = base::UniqueHandle<HPALETTE, GdiObjectTraits>;
using RegionHandle = base::UniqueHandle<HRGN, RegionTraits>;
using MemoryDc = base::UniqueHandle<HDC, DcTraits>;
using IconHandle = base::UniqueHandle<HICON, IconTraits>;
using ImageListHandle = base::UniqueHandle<HIMAGELIST, ImageListTraits>;
// A window the program made and no parent window destroys with its own.
using WindowHandle = base::UniqueHandle<HWND, WindowTraits>;

// A device context borrowed with GetDC/GetWindowDC and given back on scope exit.
class WindowDc {
public:
    explicit WindowDc(HWND wnd, bool wholeWindow = false)
        : wnd_(wnd), dc_(wholeWindow ? ::GetWindowDC(wnd) : ::GetDC(wnd)) { if (dc_) base::detail::CountHandle(+1); }
    ~WindowDc() { if (dc_) { ::ReleaseDC(wnd_, dc_); base::detail::CountHandle(-1); } }
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
