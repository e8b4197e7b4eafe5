// The flat toolbar button: state, mouse handling, hot tracking, groups, the
// drop-down menu and painting.
#include "controls/FlatButtons.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/Forms.h"
#include "ui/SysUtils.h"
#include "ui/Timer.h"
#include "ui/UnitInit.h"

namespace {

// The right part of a split button that opens the menu.
const int kComboWidth = 11;

// State shared by all buttons; the user-interface thread is the only one.
TFlatButton* HotButton = nullptr;
TTimer* HotTimer = nullptr;
int DeactivationHook = 0;
int LiveButtonCount = 0;

// The checkerboard of a latched button, with the colours it was made of.
struct LatchedPatternBitmap {
    std::unique_ptr<TBitmap> bitmap;
    COLORREF face = 0, highlight = 0;
} LatchedPattern;

HBITMAP LatchedPatternHandle() {
    if (!LatchedPattern.bitmap) {
        LatchedPattern.face = ColorToPlainRGB(clBtnFace);
        LatchedPattern.highlight = ColorToPlainRGB(clBtnHighlight);
        std::unique_ptr<TBitmap> b(new TBitmap);
        b->SetSize(8, 8);
        TCanvas* c = b->GetCanvas();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) c->SetPixel(x, y, (x + y) % 2 == 0 ? clBtnHighlight : clBtnFace);
        b->ReleaseDeviceResources();
        LatchedPattern.bitmap = std::move(b);
    }
    return LatchedPattern.bitmap->GetHandle();
}

bool IsPress(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

TControl* ControlUnderCursor() {
    POINT p;
    if (!::GetCursorPos(&p)) return nullptr;
    return FindDragTarget(p, true);
}

}  // namespace

// Made when the application starts, before any form: the shared timer and
// the hook that hears when another program becomes active.
struct FlatButtonUnit {
    static void Initialize() {
        HotTimer = new TTimer(nullptr);
        HotTimer->SetEnabled(false);
        HotTimer->SetInterval(125);
        if (Application)
            DeactivationHook = Application->HookMainWindow([](TMessage& m) {
                if (m.Msg == CM_DEACTIVATE && HotButton) HotButton->LeaveHot();
                return false;
            });
    }
    static void Finalize() {
        if (Application && DeactivationHook) Application->UnhookMainWindow(DeactivationHook);
        DeactivationHook = 0;
        delete HotTimer;
        HotTimer = nullptr;
    }
    // No button is hot any more: the timer stops and forgets it (the timer
    // itself stays for the next hot button).
    static void ClearHotButton() {
        HotButton = nullptr;
        if (HotTimer) {
            HotTimer->SetEnabled(false);
            HotTimer->OnTimer = nullptr;
        }
    }
};

namespace {
ui::UnitInitialization flatButtonUnit(FlatButtonUnit::Initialize, FlatButtonUnit::Finalize);
}

// ======================================================================== life

TFlatButton::TFlatButton(TComponent* owner)
    : TGraphicControl(owner), glyph_(new TButtonGlyph), alive_(std::make_shared<bool>(true)) {
    SetBounds(GetLeft(), GetTop(), 23, 22);
    SetControlStyle({csCaptureMouse, csDoubleClicks, csOpaque});
    glyph_->OnChange = [this](TObject*) { Redraw(true); };
    SetParentFont(true);
    SetParentColor(true);
    ++LiveButtonCount;
}

TFlatButton::~TFlatButton() {
    SetDestroying();
    *alive_ = false;
    if (HotButton == this) FlatButtonUnit::ClearHotButton();
    glyph_.reset();
    if (--LiveButtonCount == 0) LatchedPattern.bitmap.reset();
}

void TFlatButton::Loaded() {
    TGraphicControl::Loaded();
    BuildStateImage(GetEnabled() ? vsUp : vsDisabled);
}

void TFlatButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

void TFlatButton::BuildStateImage(TButtonVisualState state) { glyph_->GetStateImage(state); }

// ======================================================================== properties

void TFlatButton::SetAllowAllUp(bool value) {
    if (value == allowAllUp_) return;
    allowAllUp_ = value;
    NotifyGroup();
}

void TFlatButton::SetGroupIndex(int value) {
    if (value == groupIndex_) return;
    groupIndex_ = value;
    NotifyGroup();
}

void TFlatButton::SetDisplayMode(TButtonDisplayMode value) { SetLook(displayMode_, value); }

void TFlatButton::SetDown(bool value) {
    if (groupIndex_ == 0) value = false;
    if (value == down_) return;
    if (down_ && !allowAllUp_) return;
    down_ = value;
    visualState_ = value ? vsLatched : vsUp;
    // Going down covers the old look; going up on a see-through button must
    // let the background show where the sunken frame was.
    Redraw(!value);
    if (value) NotifyGroup();
    Fire(OnDownChange, this);
}

void TFlatButton::SetDropdownArrow(bool value) { SetLook(dropdownArrow_, value); }

void TFlatButton::SetDropdownCombo(bool value) {
    if (value == dropdownCombo_) return;
    dropdownCombo_ = value;
    // A stored width already includes the menu part.
    if (!IsLoading()) SetWidth(value ? GetWidth() + kComboWidth : std::max(GetWidth() - kComboWidth, 1));
    Redraw(true);
}

void TFlatButton::SetDropdownMenu(TPopupMenu* value) {
    if (value == dropdownMenu_) return;
    if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
    dropdownMenu_ = value;
    if (value) value->FreeNotification(this);
    if (dropdownArrow_) Redraw(true);
}

void TFlatButton::UpdateOpaqueStyle() { SetControlStyleItem(csOpaque, opaque_ || !flat_); }

void TFlatButton::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    UpdateOpaqueStyle();
    Redraw(true);
}

void TFlatButton::SetOpaque(bool value) {
    if (value == opaque_) return;
    opaque_ = value;
    UpdateOpaqueStyle();
    Repaint();
}

void TFlatButton::SetGlyph(TBitmap* value) {
    glyph_->SetGlyph(value);
    Redraw(true);
}

void TFlatButton::SetLayout(TButtonLayout value) { SetLook(layout_, value); }

void TFlatButton::SetMargin(int value) {
    if (value == margin_ || value < -1) return;
    margin_ = value;
    Redraw(true);
}

void TFlatButton::SetNumGlyphs(TFlatNumGlyphs value) {
    value = std::min(value, ButtonVisualStateCount);
    if (value == glyph_->GetNumGlyphs()) return;
    glyph_->SetNumGlyphs(value);
    Redraw(true);
}

void TFlatButton::SetOldDisabledStyle(bool value) {
    if (value == glyph_->GetOldDisabledStyle()) return;
    glyph_->SetOldDisabledStyle(value);
    glyph_->ReleaseImages();
    Redraw(true);
}

void TFlatButton::SetSpacing(int value) { SetLook(spacing_, value); }

void TFlatButton::SetWordWrap(bool value) { SetLook(wordWrap_, value); }

// ======================================================================== repainting and groups

void TFlatButton::Redraw(bool erase) {
    if (flat_ && !opaque_ && erase) {
        Invalidate();  // the parent paints its background, then the button
        return;
    }
    // Painted at once over what is there: marked opaque for the moment so
    // that nothing under the button is painted again.
    const bool opaque = GetControlStyle().Contains(csOpaque);
    SetControlStyleItem(csOpaque, true);
    try {
        Repaint();
    } catch (...) {
        SetControlStyleItem(csOpaque, opaque);
        throw;
    }
    SetControlStyleItem(csOpaque, opaque);
}

void TFlatButton::NotifyGroup() {
    if (groupIndex_ == 0 || !GetParent()) return;
    GetParent()->NotifyControls(CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_),
                                reinterpret_cast<LPARAM>(static_cast<TControl*>(this)));
}

void TFlatButton::GroupPressed(TFlatButton* sender) {
    if (!sender || sender == this) return;
    if (sender->down_ && down_) {
        down_ = false;
        visualState_ = vsUp;
        Redraw(true);
        Fire(OnDownChange, this);
    }
    allowAllUp_ = sender->allowAllUp_;
}

// ======================================================================== hot tracking

void TFlatButton::EnterHot() {
    if (!GetEnabled() || mouseInside_) return;
    mouseInside_ = true;
    if (visualState_ == vsUp) visualState_ = vsHot;
    Redraw(down_);
    Fire(OnMouseEnter, this);
}

void TFlatButton::LeaveHot() {
    if (!GetEnabled() || !mouseInside_ || pressTracking_) return;
    if (visualState_ == vsHot || (visualState_ == vsPressed && !clickRunning_)) visualState_ = vsUp;
    mouseInside_ = false;
    Redraw(true);
    if (HotButton == this) FlatButtonUnit::ClearHotButton();
    Fire(OnMouseExit, this);
}

void TFlatButton::RefreshHotState() {
    if (!GetEnabled()) return;
    // Set against the outcome, so that exactly one of OnMouseEnter and
    // OnMouseExit fires.
    const bool on = ControlUnderCursor() == this;
    mouseInside_ = !on;
    if (on)
        EnterHot();
    else
        LeaveHot();
}

void TFlatButton::TimerTick() {
    if (ControlUnderCursor() != this) LeaveHot();
}

void TFlatButton::MouseLeave() {
    TGraphicControl::MouseLeave();
    LeaveHot();
}

// ======================================================================== mouse

bool TFlatButton::InPressArea(int x, int y) const {
    const int menuPart = dropdownCombo_ && dropdownMenu_ ? kComboWidth : 0;
    return x >= 0 && x < GetClientWidth() - menuPart && y >= 0 && y < GetClientHeight();
}

void TFlatButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (!GetEnabled()) return;
    if (button != mbLeft) {
        EnterHot();
        return;
    }
    if (!mouseInside_) {
        mouseInside_ = true;
        Fire(OnMouseEnter, this);
    }
    menuPress_ = dropdownMenu_ && (!dropdownCombo_ || x >= GetWidth() - kComboWidth);
    std::shared_ptr<bool> alive = alive_;
    try {
        if (!down_) {
            visualState_ = vsPressed;
            Redraw(true);
        } else if (allowAllUp_) {
            Redraw(true);
        }
        // The menu opens on the press, not on the release.
        if (menuPress_)
            Click();
        else
            pressTracking_ = true;
    } catch (...) {
        if (*alive) menuPress_ = false;
        throw;
    }
    if (*alive) menuPress_ = false;
}

void TFlatButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    const TPoint screen = ClientToScreen(Point(x, y));
    if (HotButton != this && FindDragTarget(screen, true) == this) {
        if (HotButton) HotButton->LeaveHot();
        // Only the active window's buttons light up.
        TForm* active = Screen ? Screen->GetActiveForm() : nullptr;
        TForm* form = GetParentForm();
        if (Application && Application->GetActive() && (!active || !form || form == active)) {
            HotButton = this;
            if (HotTimer) {
                HotTimer->OnTimer = [this](TObject*) { TimerTick(); };
                HotTimer->SetEnabled(true);
            }
            EnterHot();
        }
    }
    if (pressTracking_) {
        const TButtonVisualState state = down_ ? vsLatched : InPressArea(x, y) ? vsPressed : vsUp;
        if (state != visualState_) {
            visualState_ = state;
            Redraw(true);
        }
    }
}

void TFlatButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    // The right button cancels a left press in progress.
    if (button == mbRight && GetEnabled()) {
        pressTracking_ = false;
        LeaveHot();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !pressTracking_) return;
    pressTracking_ = false;
    const bool inside = InPressArea(x, y);
    if (groupIndex_ != 0) {
        if (inside)
            SetDown(!down_);
        else if (down_)
            visualState_ = vsLatched;
    }
    if (!inside && visualState_ == vsPressed) visualState_ = vsUp;  // released where no move was seen
    if (inside)
        Click();
    else
        RefreshHotState();
}

void TFlatButton::CancelPress() {
    // Another window took the mouse in the middle of a press: no click.
    if (!pressTracking_) return;
    pressTracking_ = false;
    if (visualState_ == vsPressed) visualState_ = down_ ? vsLatched : vsUp;
    Redraw(true);
    RefreshHotState();
}

// ======================================================================== click and menu

void TFlatButton::Click() {
    std::shared_ptr<bool> alive = alive_;
    clickRunning_ = true;
    try {
        if (visualState_ == vsUp || visualState_ == vsHot) {
            visualState_ = vsPressed;
            Redraw(true);
        }
        LeaveHot();  // the pressed look stays while the click runs
        if (!dropdownMenu_ || (dropdownCombo_ && !menuPress_))
            TGraphicControl::Click();
        else
            OpenDropdownMenu();
    } catch (...) {
        if (*alive) FinishClick();
        throw;
    }
    if (*alive) FinishClick();
}

void TFlatButton::FinishClick() {
    clickRunning_ = false;
    if (visualState_ == vsPressed) visualState_ = vsUp;
    if (IsDestroying()) return;
    Redraw(true);
    RefreshHotState();
}

void TFlatButton::OpenDropdownMenu() {
    TPopupMenu* menu = dropdownMenu_;
    std::shared_ptr<bool> alive = alive_;
    // The menu's loop takes the mouse; the press must not keep it.
    SetMouseCapture(false);
    const TPopupAlignment alignment = menu->GetAlignment();
    // Handlers run inside the menu's loop may have destroyed the menu (the
    // reference is then cleared) or the button itself.
    auto restore = [&] {
        if (*alive && dropdownMenu_ == menu) menu->SetAlignment(alignment);
    };
    menu->SetAlignment(paLeft);
    try {
        const TPoint corner = ClientToScreen(Point(0, GetHeight()));
        menu->SetPopupComponent(this);
        menu->Popup(corner.x, corner.y);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    if (*alive) SweepMenuClicks();
}

void TFlatButton::SweepMenuClicks() const {
    // A click outside an open menu closes it and stays in the queue for the
    // window under the cursor. The one that hit this button again would open
    // the menu anew: presses on the button are dropped, everything else goes
    // back in its order.
    const TPoint origin = ClientToScreen(Point(0, 0));
    const RECT button{origin.x, origin.y, origin.x + GetWidth(), origin.y + GetHeight()};
    std::vector<MSG> kept;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_REMOVE | PM_NOYIELD)) {
        if (IsPress(msg.message)) {
            POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            if (msg.hwnd) ::ClientToScreen(msg.hwnd, &p);
            if (::PtInRect(&button, p)) continue;
        }
        kept.push_back(msg);
    }
    for (const MSG& m : kept) ::PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
}

// ======================================================================== notifications

void TFlatButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CM_BUTTONPRESSED:
            if (static_cast<int>(m.WParam) == groupIndex_)
                GroupPressed(dynamic_cast<TFlatButton*>(reinterpret_cast<TControl*>(m.LParam)));
            return;
        case CM_CANCELMODE:
            CancelPress();
            return;
        case WM_LBUTTONDBLCLK:
            TGraphicControl::WndProc(m);
            if (*alive_ && down_) Fire(OnDblClick, this);
            return;
        default:
            break;
    }
    TGraphicControl::WndProc(m);
}

void TFlatButton::EnabledChanged() {
    BuildStateImage(GetEnabled() ? vsUp : vsDisabled);
    RefreshHotState();
    Redraw(true);
}

void TFlatButton::FontChanged() { Redraw(true); }

void TFlatButton::TextChanged() { Redraw(true); }

void TFlatButton::SysColorChanged() {
    TGraphicControl::SysColorChanged();
    if (LatchedPattern.bitmap && (ColorToPlainRGB(clBtnFace) != LatchedPattern.face ||
                                  ColorToPlainRGB(clBtnHighlight) != LatchedPattern.highlight))
        LatchedPattern.bitmap.reset();
    glyph_->ReleaseImages();
    BuildStateImage(visualState_);
}

bool TFlatButton::DialogChar(wchar_t key) {
    // A button on a hidden panel is out of the user's reach.
    if (ui::IsAccel(key, GetCaption()) && GetEnabled() && Showing()) {
        Click();
        return true;
    }
    return TGraphicControl::DialogChar(key);
}

// ======================================================================== painting

void TFlatButton::Paint() {
    if (!GetEnabled()) {
        visualState_ = vsDisabled;
        pressTracking_ = false;
    } else if (visualState_ == vsDisabled) {
        visualState_ = down_ && groupIndex_ != 0 ? vsLatched : vsUp;
    }
    const int w = GetWidth(), h = GetHeight();
    if (w <= 0 || h <= 0) return;

    // Opaque and raised buttons are composed off-screen and copied in one
    // operation; a see-through one draws over the parent's background.
    std::unique_ptr<TBitmap> buffer;
    TCanvas* target = GetCanvas();
    if (opaque_ || !flat_) {
        buffer.reset(new TBitmap);
        buffer->SetSize(w, h);
        target = buffer->GetCanvas();
        target->GetBrush()->SetColor(GetColor());
        target->FillRect(Rect(0, 0, w, h));
    }
    target->SetFont(GetFont());
    HDC dc = target->GetHandle();

    TRect r = Rect(0, 0, w, h);
    const bool combo = dropdownCombo_ && dropdownMenu_;
    const bool sunk = visualState_ == vsPressed || visualState_ == vsLatched;
    const UINT raised = flat_ ? BDR_RAISEDINNER : EDGE_RAISED;
    const UINT sunken = flat_ ? BDR_SUNKENOUTER : EDGE_SUNKEN;
    const UINT flags = flat_ ? BF_RECT : BF_RECT | BF_SOFT | BF_MIDDLE;
    if (!flat_ || sunk || (mouseInside_ && visualState_ != vsDisabled)) {
        if (combo) {
            RECT menuPart{w - kComboWidth, 0, w - 2, h};
            ::DrawEdge(dc, &menuPart, sunk && menuPress_ ? sunken : raised, flags);
            r.right = w - kComboWidth;
        }
        ::DrawEdge(dc, &r, sunk && !(combo && menuPress_) ? sunken : raised, flags);
    } else if (combo) {
        r.right = w - kComboWidth;
    }
    const int inset = flat_ ? 1 : 2;
    ::InflateRect(&r, -inset, -inset);

    int offset = 0;
    if ((visualState_ == vsPressed || (visualState_ == vsLatched && opaque_)) && !(combo && menuPress_)) {
        offset = 1;
        if (visualState_ == vsLatched && (!flat_ || !mouseInside_)) {
            target->GetBrush()->SetBitmap(LatchedPatternHandle());
            target->FillRect(r);
            target->GetBrush()->SetBitmap(nullptr);
        }
    }

    glyph_->Draw(target, r, offset, displayMode_ != dmTextOnly, displayMode_ != dmGlyphOnly, GetCaption(), wordWrap_,
                 layout_, margin_, spacing_, dropdownArrow_ && !dropdownCombo_ && dropdownMenu_, visualState_);
    if (combo) glyph_->DrawDropArrow(target, w - 13, h / 2 - 1, visualState_);

    if (buffer) GetCanvas()->Draw(0, 0, buffer.get());
}
