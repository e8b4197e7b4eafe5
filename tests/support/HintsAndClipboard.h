// What a user sees and does beyond clicks and keys: the hint that shows after
// resting the mouse somewhere, and text put on the clipboard for pasting.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "base/Unicode.h"

namespace test {

// Rests the mouse at a screen point until the application's tooltip shows
// and returns its text (empty when none shows); moves the mouse away after.
inline std::string HintShownAt(POINT p) {
    HWND tip = Application->GetHintWindow();
    MouseMoveTo(p.x - 1, p.y);
    MouseMoveTo(p.x, p.y);
    std::string shown;
    if (PumpUntil([&] { return ::IsWindowVisible(tip) != FALSE; })) {
        wchar_t text[1024] = {};
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.lpszText = text;
        if (::SendMessageW(tip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&ti))) shown = base::Utf8(text);
    }
    MouseMoveTo(0, 0);
    return shown;
}

inline bool PutOnClipboard(HWND owner, const std::string& text) {
    if (!::OpenClipboard(owner)) return false;
    ::EmptyClipboard();
    const std::wstring wide = base::Wide(text);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(::GlobalLock(mem), wide.c_str(), bytes);
    ::GlobalUnlock(mem);
    bool ok = ::SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    ::CloseClipboard();
    return ok;
}

}  // namespace test
