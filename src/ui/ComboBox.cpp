#include "ui/ComboBox.h"

#include <commctrl.h>

#include "ui/Forms.h"
#include "ui/Guarded.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Text.h"

namespace {

const UINT_PTR kEditSubclassId = 0x5345;  // "SE"

// Room for about eight items below the edit line of the drop-down styles;
// the window itself stays as high as its edit line.
const int kDropDownHeight = 8 * 16 + 2;

const DWORD kStyleBits[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST};

}  // namespace

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csSetCaption, csDoubleClicks});
    SetTabStop(true);
    SetBounds(GetLeft(), GetTop(), 145, 21);
}

TCustomComboBox::~TCustomComboBox() { UnhookEdit(); }

void TCustomComboBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.StockClass = L"COMBOBOX";
    p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | kStyleBits[style_];
    if (style_ == csSimple)
        // Only the edit line shows at the height of one line: the list below
        // it may be shorter than an item.
        p.Style |= CBS_NOINTEGRALHEIGHT;
    else
        // The height a drop-down combo box is made with is its list's.
        p.Height += kDropDownHeight;
}

void TCustomComboBox::CreateWnd() {
    TWinControl::CreateWnd();
    HWND wnd = GetHandle();
    for (const std::string& item : items_)
        ::SendMessageW(wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(base::Wide(item).c_str()));
    if (itemIndex_ >= 0)
        ::SendMessageW(wnd, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    else if (style_ != csDropDownList && !TControl::GetText().empty())
        ::SetWindowTextW(wnd, base::Wide(TControl::GetText()).c_str());
    HookEdit();
    FitSimpleList();
}

void TCustomComboBox::DestroyWnd() {
    itemIndex_ = GetItemIndex();
    UnhookEdit();
    TWinControl::DestroyWnd();
}

void TCustomComboBox::BoundsChanged() {
    TWinControl::BoundsChanged();
    FitSimpleList();
}

void TCustomComboBox::FitSimpleList() {
    if (style_ != csSimple || !HandleAllocated()) return;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!::GetComboBoxInfo(GetHandle(), &info) || !info.hwndList) return;
    // A simple combo box as high as its edit line leaves its list a strip
    // of a pixel or two, which would show as a stray line under the edit
    // line; the list shows only when it has room for an item.
    RECT r;
    ::GetClientRect(info.hwndList, &r);
    const LRESULT item = ::SendMessageW(GetHandle(), CB_GETITEMHEIGHT, 0, 0);
    const bool room = item != CB_ERR && r.bottom >= item;
    // The list's own visibility, whether or not the form is shown yet.
    const bool shown = (::GetWindowLongW(info.hwndList, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != room) ::ShowWindow(info.hwndList, room ? SW_SHOWNA : SW_HIDE);
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
    if (style == style_) return;
    style_ = style;
    RecreateWnd();
}

void TCustomComboBox::AddItem(const std::string& item) {
    items_.push_back(item);
    if (HandleAllocated())
        ::SendMessageW(GetHandle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(base::Wide(item).c_str()));
}

void TCustomComboBox::ClearItems() {
    items_.clear();
    itemIndex_ = -1;
    if (HandleAllocated())
        ::SendMessageW(GetHandle(), CB_RESETCONTENT, 0, 0);
    else
        TControl::SetText("");
}

const std::string& TCustomComboBox::GetItem(int index) const {
    if (index < 0 || index >= GetItemCount())
        throw EInvalidOperation("List index out of bounds (" + base::IntToStr(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

int TCustomComboBox::GetItemIndex() const {
    if (!HandleAllocated()) return itemIndex_;
    LRESULT i = ::SendMessageW(GetHandle(), CB_GETCURSEL, 0, 0);
    return i == CB_ERR ? -1 : static_cast<int>(i);
}

void TCustomComboBox::SetItemIndex(int index) {
    if (index < -1 || index >= GetItemCount()) index = -1;
    itemIndex_ = index;
    if (HandleAllocated()) {
        // The control shows the item's text in the edit line itself (and
        // empties it for no selection).
        ::SendMessageW(GetHandle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    } else {
        TControl::SetText(index >= 0 ? items_[static_cast<std::size_t>(index)] : std::string());
    }
}

void TCustomComboBox::Change() { Fire(OnChange, this); }

void TCustomComboBox::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        switch (HIWORD(m.WParam)) {
            case CBN_SELCHANGE: {
                // The edit line is brought up to date after this notification;
                // the handlers should already see the item's text.
                int index = GetItemIndex();
                if (style_ != csDropDownList && index >= 0)
                    ::SetWindowTextW(GetHandle(), base::Wide(items_[static_cast<std::size_t>(index)]).c_str());
                Click();
                Change();
                return;
            }
            case CBN_EDITCHANGE:
                Change();
                return;
            case CBN_DBLCLK:
                DblClick();
                return;
            default:
                break;
        }
    }
    TWinControl::WndProc(m);
}

void TCustomComboBox::DefaultHandler(TMessage& m) {
    if (&m == forwarded_) return;  // the edit line's window has handled it already
    TWinControl::DefaultHandler(m);
}

void TCustomComboBox::PerformForEdit(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    const TMessage* outer = forwarded_;
    forwarded_ = &m;
    try {
        WndProc(m);
    } catch (...) {
        forwarded_ = outer;
        throw;
    }
    forwarded_ = outer;
}

void TCustomComboBox::HookEdit() {
    UnhookEdit();
    if (style_ == csDropDownList || !HandleAllocated()) return;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (!::GetComboBoxInfo(GetHandle(), &info) || !info.hwndItem || info.hwndItem == GetHandle()) return;
    edit_ = info.hwndItem;
    ::SetWindowSubclass(edit_, EditSubclassProc, kEditSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TCustomComboBox::UnhookEdit() {
    if (!edit_) return;
    ::RemoveWindowSubclass(edit_, EditSubclassProc, kEditSubclassId);
    edit_ = nullptr;
}

LRESULT CALLBACK TCustomComboBox::EditSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                   DWORD_PTR data) {
    auto* combo = reinterpret_cast<TCustomComboBox*>(data);
    if (!combo || combo->edit_ != wnd || combo->IsDestroying()) return ::DefSubclassProc(wnd, msg, wParam, lParam);
    return ui::Guarded([&] { return combo->EditMessage(wnd, msg, wParam, lParam); }, LRESULT(0));
}

LRESULT TCustomComboBox::EditMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CHAR: {
            wchar_t c = static_cast<wchar_t>(wParam);
            KeyPress(c);
            if (!c) return 0;
            return ::DefSubclassProc(wnd, msg, c, lParam);
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            WORD key = static_cast<WORD>(wParam);
            if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN)
                KeyDown(key, KeyboardShiftState());
            else
                KeyUp(key, KeyboardShiftState());
            if (!key) return 0;
            return ::DefSubclassProc(wnd, msg, key, lParam);
        }
        case WM_LBUTTONDBLCLK: {
            LRESULT r = ::DefSubclassProc(wnd, msg, wParam, lParam);
            DblClick();
            return r;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            LRESULT r = ::DefSubclassProc(wnd, msg, wParam, lParam);
            PerformForEdit(msg, wParam, lParam);
            return r;
        }
        case WM_NCDESTROY: {
            LRESULT r = ::DefSubclassProc(wnd, msg, wParam, lParam);
            UnhookEdit();
            return r;
        }
        default:
            return ::DefSubclassProc(wnd, msg, wParam, lParam);
    }
}
