// Controls and windowless controls: bounds, visibility, fonts, colours,
// hints, the notifications and the mouse handling every control shares, and
// the canvases of controls without a window. Windowed controls are in
// WinControl.cpp.
#include "ui/Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/Forms.h"
#include "ui/SysUtils.h"

HCURSOR CursorHandle(TCursor cursor) {
    LPCWSTR id = IDC_ARROW;
    switch (cursor) {
        case crCross: id = IDC_CROSS; break;
        case crIBeam: id = IDC_IBEAM; break;
        case crSizeNESW: id = IDC_SIZENESW; break;
        case crSizeNS: id = IDC_SIZENS; break;
        case crSizeNWSE: id = IDC_SIZENWSE; break;
        case crSizeWE: id = IDC_SIZEWE; break;
        case crUpArrow: id = IDC_UPARROW; break;
        case crHourGlass: id = IDC_WAIT; break;
        case crNo: id = IDC_NO; break;
        case crAppStart: id = IDC_APPSTARTING; break;
        case crHelp: id = IDC_HELP; break;
        case crHandPoint: id = IDC_HAND; break;
        case crSizeAll: id = IDC_SIZEALL; break;
        case crNone: return nullptr;
        default: break;
    }
    return ::LoadCursorW(nullptr, id);  // shared system cursors: nothing to release
}

TShiftState MouseShiftState(WPARAM keys) {
    TShiftState s;
    s.Set(ssShift, keys & MK_SHIFT).Set(ssCtrl, keys & MK_CONTROL);
    s.Set(ssLeft, keys & MK_LBUTTON).Set(ssRight, keys & MK_RBUTTON).Set(ssMiddle, keys & MK_MBUTTON);
    s.Set(ssAlt, ::GetKeyState(VK_MENU) < 0);
    return s;
}

TShiftState KeyboardShiftState() {
    TShiftState s;
    s.Set(ssShift, ::GetKeyState(VK_SHIFT) < 0).Set(ssCtrl, ::GetKeyState(VK_CONTROL) < 0);
    s.Set(ssAlt, ::GetKeyState(VK_MENU) < 0);
    return s;
}

// ======================================================================== TControl

TControl::TControl(TComponent* owner) : TComponent(owner), font_(new TFont) {
    font_->OnChange = [this](TObject*) {
        if (!updatingParentFont_) parentFont_ = false;
        Perform(CM_FONTCHANGED);
    };
}

TControl::~TControl() {
    SetDestroying();
    if (Application) Application->ControlDestroyed(this);
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
    TakeAnchorBase();
}

TForm* TControl::GetParentForm() const {
    const TControl* c = this;
    while (c->parent_) c = c->parent_;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::UpdateBoundsFields(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool visibleOnParent = parent_ && visible_;
    if (visibleOnParent) Invalidate();
    UpdateBoundsFields(left, top, width, height);
    if (!anchoring_) TakeAnchorBase();
    if (visibleOnParent) Invalidate();
    BoundsChanged();
    RequestAlign();
    HintChanged();
}

TRect TControl::GetClientRect() const { return Rect(0, 0, width_, height_); }

void TControl::SetClientWidth(int width) { SetWidth(width); }
void TControl::SetClientHeight(int height) { SetHeight(height); }

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    RequestAlign();
}

void TControl::SetAnchors(TAnchors anchors) {
    anchors_ = anchors;
    TakeAnchorBase();
}

void TControl::TakeAnchorBase() {
    anchorBase_ = GetBoundsRect();
    anchorParentWidth_ = parent_ ? parent_->GetWidth() : -1;
    anchorParentHeight_ = parent_ ? parent_->GetHeight() : -1;
}

void TControl::ApplyAnchors() {
    if (!parent_ || align_ != alNone || anchorParentWidth_ < 0 || anchors_ == TAnchors{akLeft, akTop}) return;
    // Along each axis: both edges held, the control grows; the far one
    // alone, it moves; neither, it keeps its place in the middle.
    auto place = [](bool nearEdge, bool farEdge, int delta, long& start, long& end) {
        if (farEdge && nearEdge) end += delta;
        else if (farEdge) start += delta, end += delta;
        else if (!nearEdge) start += delta / 2, end += delta / 2;
        if (end < start) end = start;
    };
    TRect r = anchorBase_;
    place(anchors_.Contains(akLeft), anchors_.Contains(akRight), parent_->GetWidth() - anchorParentWidth_, r.left,
          r.right);
    place(anchors_.Contains(akTop), anchors_.Contains(akBottom), parent_->GetHeight() - anchorParentHeight_, r.top,
          r.bottom);
    anchoring_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{anchoring_};
    SetBounds(r.left, r.top, RectWidth(r), RectHeight(r));
}

void TControl::RequestAlign() {
    if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (!visible && parent_) Invalidate();  // while it still counts as visible
    visible_ = visible;
    if (visible && parent_) Invalidate();
    Perform(CM_VISIBLECHANGED, visible);
    if (parent_) parent_->Realign();
    HintChanged();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Perform(CM_ENABLEDCHANGED);
    HintChanged();
}

void TControl::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetName(const std::string& name) {
    // A window definition stores only the properties that differ from their
    // defaults, so a control read from one keeps the (empty) caption it has.
    bool follow = controlStyle_.Contains(csSetCaption) && !IsLoading() && GetText() == GetName();
    TComponent::SetName(name);
    if (follow) SetText(name);
}

void TControl::SetParentFont(bool parentFont) {
    if (parentFont == parentFont_) return;
    parentFont_ = parentFont;
    if (parentFont && parent_) ParentFontChanged();
}

void TControl::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool parentColor) {
    if (parentColor == parentColor_) return;
    parentColor_ = parentColor;
    if (parentColor && parent_) ParentColorChanged();
}

void TControl::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    HintChanged();
}

void TControl::SetShowHint(bool showHint) {
    if (showHint == showHint_ && !parentShowHint_) return;
    showHint_ = showHint;
    parentShowHint_ = false;
    HintChanged();
    if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool parentShowHint) {
    if (parentShowHint == parentShowHint_) return;
    parentShowHint_ = parentShowHint;
    if (parentShowHint && parent_) showHint_ = parent_->showHint_;
    HintChanged();
    if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCursor(TCursor cursor) { cursor_ = cursor; }

void TControl::HintChanged() {
    if (Application && !IsDestroying()) Application->UpdateHintTool(this);
}

void TControl::FontChanged() { Invalidate(); }

void TControl::ColorChanged() { Invalidate(); }

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    updatingParentFont_ = true;
    font_->Assign(parent_->GetFont());
    updatingParentFont_ = false;
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_) return;
    if (color_ != parent_->color_) {
        color_ = parent_->color_;
        Perform(CM_COLORCHANGED);
    }
    parentColor_ = true;
}

bool TControl::GetMouseCapture() const {
    if (IsWindowed()) return ::GetCapture() == static_cast<const TWinControl*>(this)->handle_;
    return parent_ && parent_->captureControl_ == this && ::GetCapture() == parent_->handle_;
}

void TControl::SetMouseCapture(bool capture) {
    if (IsWindowed()) {
        auto* w = static_cast<TWinControl*>(this);
        if (capture) ::SetCapture(w->GetHandle());
        else if (::GetCapture() == w->handle_) ::ReleaseCapture();
        return;
    }
    if (!parent_ || !parent_->HandleAllocated()) return;
    if (capture) {
        parent_->captureControl_ = this;
        ::SetCapture(parent_->handle_);
    } else if (parent_->captureControl_ == this) {
        parent_->captureControl_ = nullptr;
        if (::GetCapture() == parent_->handle_) ::ReleaseCapture();
    }
}

void TControl::Invalidate() {
    if (parent_ && parent_->HandleAllocated() && visible_)
        parent_->InvalidateRect(GetBoundsRect(), !controlStyle_.Contains(csOpaque));
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Repaint() {
    if (!parent_ || !parent_->HandleAllocated() || !Showing()) return;
    if (controlStyle_.Contains(csOpaque)) {
        ui::WindowDc dc(parent_->handle_);
        if (!dc) return;
        ui::DcStateGuard state(dc.get());
        TRect r = GetBoundsRect();
        ::IntersectClipRect(dc.get(), r.left, r.top, r.right, r.bottom);
        parent_->PaintControls(dc.get(), this);
    } else {
        Invalidate();
        Update();
    }
}

TPoint TControl::ClientOrigin() const {
    if (!parent_) return Point(left_, top_);
    TPoint p = parent_->ClientOrigin();
    return Point(p.x + left_, p.y + top_);
}

TPoint TControl::ClientToScreen(const TPoint& point) const {
    TPoint o = ClientOrigin();
    return Point(point.x + o.x, point.y + o.y);
}

TPoint TControl::ScreenToClient(const TPoint& point) const {
    TPoint o = ClientOrigin();
    return Point(point.x - o.x, point.y - o.y);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::HandleMouse(TMessage& m) {
    const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    TShiftState shift = MouseShiftState(m.WParam);
    switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(true);
            if (controlStyle_.Contains(csClickEvents)) controlState_.Include(csClicked);
            if (m.Msg == WM_LBUTTONDBLCLK) {
                if (controlStyle_.Contains(csClickEvents)) DblClick();
                shift.Include(ssDouble);
            }
            MouseDown(mbLeft, shift, x, y);
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            if (m.Msg == WM_RBUTTONDBLCLK) shift.Include(ssDouble);
            MouseDown(mbRight, shift, x, y);
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            if (m.Msg == WM_MBUTTONDBLCLK) shift.Include(ssDouble);
            MouseDown(mbMiddle, shift, x, y);
            break;
        case WM_LBUTTONUP:
            if (controlStyle_.Contains(csCaptureMouse)) SetMouseCapture(false);
            if (controlState_.Contains(csClicked)) {
                controlState_.Exclude(csClicked);
                TRect r = GetClientRect();
                TPoint p = Point(x, y);
                if (::PtInRect(&r, p)) Click();
            }
            MouseUp(mbLeft, shift, x, y);
            break;
        case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); break;
        case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); break;
        case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
        default: break;
    }
}

void TControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            // Without double clicks the second press is an ordinary press.
            if (!controlStyle_.Contains(csDoubleClicks)) m.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
            HandleMouse(m);
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_MOUSEMOVE:
            HandleMouse(m);
            break;
        case CM_ENABLEDCHANGED: EnabledChanged(); return;
        case CM_FONTCHANGED: FontChanged(); return;
        case CM_TEXTCHANGED: TextChanged(); return;
        case CM_COLORCHANGED: ColorChanged(); return;
        case CM_SYSCOLORCHANGE: SysColorChanged(); return;
        case CM_VISIBLECHANGED: VisibleChanged(); return;
        case CM_MOUSEENTER: MouseEnter(); return;
        case CM_MOUSELEAVE: MouseLeave(); return;
        case CM_DIALOGCHAR: m.Result = DialogChar(static_cast<wchar_t>(m.WParam)) ? 1 : 0; return;
        case CM_PARENTFONTCHANGED: ParentFontChanged(); return;
        case CM_PARENTCOLORCHANGED: ParentColorChanged(); return;
        case CM_PARENTSHOWHINTCHANGED:
            if (parentShowHint_ && parent_) {
                showHint_ = parent_->showHint_;
                HintChanged();
                if (auto* w = dynamic_cast<TWinControl*>(this)) w->NotifyControls(CM_PARENTSHOWHINTCHANGED);
            }
            return;
        default: break;
    }
    DefaultHandler(m);
}

void TControl::Click() { Fire(OnClick, this); }
void TControl::DblClick() { Fire(OnDblClick, this); }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    Fire(OnMouseDown, this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) { Fire(OnMouseMove, this, shift, x, y); }
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    Fire(OnMouseUp, this, button, shift, x, y);
}

// ======================================================================== TControlCanvas

namespace {
std::vector<TControlCanvas*> borrowingCanvases;
}

namespace ui {
void FreeDeviceContexts() {
    while (!borrowingCanvases.empty()) borrowingCanvases.back()->ReleaseBorrowed();
}
}  // namespace ui

TControlCanvas::~TControlCanvas() { ReleaseBorrowed(); }

void TControlCanvas::CreateHandle() {
    // Outside painting the canvas draws on the parent's window, moved and
    // clipped to the control; a control not on a window measures on a
    // memory context.
    TWinControl* parent = control_->IsWindowed() ? static_cast<TWinControl*>(control_) : control_->GetParent();
    if (parent && parent->HandleAllocated()) {
        borrowedFrom_ = parent->GetHandle();
        borrowed_ = ::GetDC(borrowedFrom_);
        base::detail::CountHandle(+1);
        if (!control_->IsWindowed()) {
            ::SetViewportOrgEx(borrowed_, control_->GetLeft(), control_->GetTop(), nullptr);
            ::IntersectClipRect(borrowed_, 0, 0, control_->GetWidth(), control_->GetHeight());
        }
        borrowingCanvases.push_back(this);
        SetHandle(borrowed_);
    } else {
        if (!measuring_) measuring_.reset(::CreateCompatibleDC(nullptr));
        SetHandle(measuring_.get());
    }
}

void TControlCanvas::ReleaseBorrowed() {
    if (!borrowed_) {
        if (measuring_ && HandleAllocated()) SetHandle(nullptr);
        return;
    }
    SetHandle(nullptr);
    ::ReleaseDC(borrowedFrom_, borrowed_);
    base::detail::CountHandle(-1);
    borrowed_ = nullptr;
    borrowedFrom_ = nullptr;
    borrowingCanvases.erase(std::remove(borrowingCanvases.begin(), borrowingCanvases.end(), this),
                            borrowingCanvases.end());
}

// ======================================================================== TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner), canvas_(new TControlCanvas(this)) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::PaintTo(HDC dc, int x, int y) {
    ui::DcStateGuard state(dc);
    ::OffsetViewportOrgEx(dc, x, y, nullptr);
    ::IntersectClipRect(dc, 0, 0, GetWidth(), GetHeight());
    canvas_->PaintOn(dc, [this] { Paint(); });
}

// ======================================================================== FindDragTarget

TControl* FindDragTarget(const TPoint& screenPoint, bool allowDisabled) {
    HWND wnd = ::WindowFromPoint(screenPoint);
    TWinControl* w = TWinControl::FindControlOrAncestor(wnd);
    if (!w) return nullptr;
    TPoint p = w->ScreenToClient(screenPoint);
    if (TControl* c = w->ControlAtPos(p, allowDisabled)) return c;
    return w;
}
