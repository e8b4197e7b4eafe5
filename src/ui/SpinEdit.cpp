#include "ui/SpinEdit.h"

#include <commctrl.h>

#include <climits>

#include "ui/SysUtils.h"
#include "base/Text.h"

namespace {

const int kArrowsWidth = 15;

}  // namespace

wchar_t LocaleDecimalSeparator() {
    wchar_t buf[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) < 2) return L'.';
    return buf[0];
}

bool IsSpinEditChar(wchar_t key, wchar_t decimalSeparator) {
    if (key >= L'0' && key <= L'9') return true;
    if (key == L'+' || key == L'-' || key == decimalSeparator) return true;
    return key < 32 && key != L'\r';
}

int ClampSpinValue(long long value, int minValue, int maxValue) {
    if (maxValue != minValue) {
        if (value < minValue) value = minValue;
        if (value > maxValue) value = maxValue;
    }
    if (value < INT_MIN) value = INT_MIN;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner) {
    SetControlStyleItem(csSetCaption, false);
    SetBounds(GetLeft(), GetTop(), 121, 22);
    SetText("0");
}

int TSpinEdit::GetValue() const {
    std::int64_t v = 0;
    if (!base::TryStrToInt64(GetText(), v) || v < INT_MIN || v > INT_MAX) return minValue_;
    return static_cast<int>(v);
}

void TSpinEdit::SetValue(int value) { SetText(base::IntToStr(ClampSpinValue(value, minValue_, maxValue_))); }

void TSpinEdit::UpClick() {
    SetValue(ClampSpinValue(static_cast<long long>(GetValue()) + increment_, minValue_, maxValue_));
}

void TSpinEdit::DownClick() {
    SetValue(ClampSpinValue(static_cast<long long>(GetValue()) - increment_, minValue_, maxValue_));
}

void TSpinEdit::Beep() { ::MessageBeep(0); }

void TSpinEdit::KeyPress(wchar_t& key) {
    if (!IsSpinEditChar(key, LocaleDecimalSeparator())) {
        key = 0;
        Beep();
        return;
    }
    TCustomEdit::KeyPress(key);
}

void TSpinEdit::KeyDown(WORD& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (key == VK_UP) {
        UpClick();
        key = 0;
    } else if (key == VK_DOWN) {
        DownClick();
        key = 0;
    }
}

void TSpinEdit::CreateWnd() {
    TCustomEdit::CreateWnd();
    HWND field = GetHandle();
    DWORD style = WS_CHILD | WS_VISIBLE | (GetEnabled() ? 0 : WS_DISABLED);
    arrows_ = ::CreateWindowExW(0, UPDOWN_CLASSW, L"", style, 0, 0, 0, 0, field, nullptr, ::GetModuleHandleW(nullptr),
                                nullptr);
    if (!arrows_) return;
    // Upwards means more; the position itself is never used (see UDN_DELTAPOS).
    ::SendMessageW(arrows_, UDM_SETRANGE32, 0, 100);
    ::SendMessageW(arrows_, UDM_SETPOS32, 0, 50);
    // With the field as its buddy a click on the arrows focuses the field;
    // without UDS_SETBUDDYINT the control leaves the field's text alone.
    ::SendMessageW(arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(field), 0);
    PlaceArrows();
    HintChanged();  // the arrows show the field's hint too
}

void TSpinEdit::PlaceArrows() {
    if (!arrows_ || !HandleAllocated()) return;
    RECT r;
    ::GetClientRect(GetHandle(), &r);
    ::SetWindowPos(arrows_, nullptr, r.right - kArrowsWidth, 0, kArrowsWidth, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    // Text stops short of the arrows.
    ::SendMessageW(GetHandle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, kArrowsWidth + 2));
}

void TSpinEdit::BoundsChanged() {
    TCustomEdit::BoundsChanged();
    PlaceArrows();
}

void TSpinEdit::EnabledChanged() {
    TCustomEdit::EnabledChanged();
    if (arrows_) ::EnableWindow(arrows_, GetEnabled());
}

void TSpinEdit::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
            if (arrows_ && hdr->hwndFrom == arrows_) {
                if (hdr->code == UDN_DELTAPOS) {
                    const auto* ud = reinterpret_cast<const NMUPDOWN*>(m.LParam);
                    if (ud->iDelta > 0) UpClick();
                    else if (ud->iDelta < 0) DownClick();
                }
                m.Result = 1;  // the control keeps its own position unchanged
                return;
            }
            break;
        }
        case WM_VSCROLL:
            if (arrows_ && reinterpret_cast<HWND>(m.LParam) == arrows_) return;
            break;
        case WM_PAINT:
        case WM_NCPAINT:
            // The system's edit field draws with its parent's clipping (its
            // class has CS_PARENTDC), so over the arrows inside it, and does
            // not have them drawn again: they are, once it is done.
            TCustomEdit::WndProc(m);
            if (arrows_) ::RedrawWindow(arrows_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return;
        case WM_SETFONT:
            // A new font resets the field's margins.
            TCustomEdit::WndProc(m);
            PlaceArrows();
            return;
        case WM_NCDESTROY:
            arrows_ = nullptr;
            break;
        default:
            break;
    }
    TCustomEdit::WndProc(m);
}
