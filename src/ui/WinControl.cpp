// Windowed controls: one window each, bound to the control at creation (the
// class library's own window class) or by subclassing (stock controls), one
// dispatch path for every message, windowless children painted and fed the
// mouse by their parent's window, focus and Tab order.
#include "ui/Controls.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>

#include "ui/Forms.h"
#include "ui/Guarded.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"

namespace {

const wchar_t kControlClass[] = L"SweepfieldControl";
const wchar_t kBindingProp[] = L"SweepfieldControl";
const UINT_PTR kStockSubclassId = 0x5357;  // "SW"

// The control whose window CreateWindowEx is making right now: the window's
// first messages to its parent (WM_MEASUREITEM, WM_PARENTNOTIFY) come before
// the binding is in place.
TWinControl* creatingControl = nullptr;
UINT nextChildId = 100;

// Messages dispatched and not yet finished: the borrowed device contexts are
// given back when the outermost one is done.
int dispatchDepth = 0;

}  // namespace

namespace ui {
void RegisterControlClass(const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (::GetClassInfoExW(::GetModuleHandleW(nullptr), name, &wc)) return;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}
}  // namespace ui

// ======================================================================== TWinControl

LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* control;
    if (msg == WM_NCCREATE) {
        control = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (control) {
            control->handle_ = wnd;
            ::SetPropW(wnd, kBindingProp, control);
        }
    } else {
        control = static_cast<TWinControl*>(::GetPropW(wnd, kBindingProp));
    }
    if (!control) return ::DefWindowProcW(wnd, msg, wParam, lParam);
    return control->Dispatch(msg, wParam, lParam);
}

LRESULT CALLBACK StockSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* control = reinterpret_cast<TWinControl*>(data);
    if (!control || control->handle_ != wnd) return ::DefSubclassProc(wnd, msg, wParam, lParam);
    return control->Dispatch(msg, wParam, lParam);
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(new TBrush) {
    brush_->SetColor(GetColor());
}

TWinControl::~TWinControl() {
    SetDestroying();
    // Children go first, while this is still a whole TWinControl.
    while (!controls_.empty()) delete controls_.back();
    if (handle_) {
        HWND wnd = handle_;
        Detach();
        ::DestroyWindow(wnd);
    }
}

TWinControl* TWinControl::FindControl(HWND window) {
    if (!window) return nullptr;
    auto* c = static_cast<TWinControl*>(::GetPropW(window, kBindingProp));
    if (!c && creatingControl && (!creatingControl->handle_ || creatingControl->handle_ == window)) return creatingControl;
    return c;
}

TWinControl* TWinControl::FindControlOrAncestor(HWND window) {
    for (HWND w = window; w; w = ::GetParent(w))
        if (TWinControl* c = FindControl(w)) return c;
    return nullptr;
}

LRESULT TWinControl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    ++dispatchDepth;
    // An error the handlers raise is reported and the program goes on; the
    // message's result is what was set before the error.
    ui::Guarded(
        [&] {
            if (IsDestroying())
                DefaultHandler(m);
            else
                WndProc(m);
            return true;
        },
        false);
    if (--dispatchDepth == 0) ui::FreeDeviceContexts();
    return m.Result;
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!handle_) return;
    if (stock_)
        m.Result = ::DefSubclassProc(handle_, m.Msg, m.WParam, m.LParam);
    else
        m.Result = ::DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::Detach() {
    if (!handle_) return;
    ::RemovePropW(handle_, kBindingProp);
    if (stock_) ::RemoveWindowSubclass(handle_, StockSubclassProc, kStockSubclassId);
    handle_ = nullptr;
    trackingLeave_ = false;
    captureControl_ = nullptr;
    mouseControl_ = nullptr;
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.Caption = text_;
    p.X = GetLeft();
    p.Y = GetTop();
    p.Width = GetWidth();
    p.Height = GetHeight();
    p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (GetVisible()) p.Style |= WS_VISIBLE;
    if (!GetEnabled()) p.Style |= WS_DISABLED;
    if (tabStop_) p.Style |= WS_TABSTOP;
    if (GetParent()) p.WndParent = GetParent()->GetHandle();
}

void TWinControl::HandleNeeded() {
    if (handle_) return;
    if (GetParent())
        GetParent()->HandleNeeded();
    else if (!dynamic_cast<TForm*>(this))
        throw EInvalidOperation("Control '" + GetName() + "' has no parent window");
    if (!handle_) CreateWnd();
}

HWND TWinControl::GetHandle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    HMENU id = (p.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nextChildId++)) : nullptr;
    TWinControl* outer = creatingControl;
    creatingControl = this;
    stock_ = !p.StockClass.empty();
    HWND wnd;
    if (stock_) {
        wnd = ::CreateWindowExW(p.ExStyle, p.StockClass.c_str(), base::Wide(p.Caption).c_str(), p.Style, p.X, p.Y,
                                p.Width, p.Height, p.WndParent, id, instance, nullptr);
        if (wnd) {
            handle_ = wnd;
            ::SetPropW(wnd, kBindingProp, this);
            ::SetWindowSubclass(wnd, StockSubclassProc, kStockSubclassId, reinterpret_cast<DWORD_PTR>(this));
        }
    } else {
        ui::RegisterControlClass(kControlClass);
        wnd = ::CreateWindowExW(p.ExStyle, kControlClass, base::Wide(p.Caption).c_str(), p.Style, p.X, p.Y, p.Width,
                                p.Height, p.WndParent, id, instance, this);
    }
    creatingControl = outer;
    if (!wnd) throw EOutOfResources("Error creating window");
    ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()->GetHandle()), FALSE);
    UpdateBoundsFromWindow();
    CreateChildHandles();
    HintChanged();
}

void TWinControl::CreateChildHandles() {
    for (TControl* c : controls_) {
        if (c->IsWindowed())
            static_cast<TWinControl*>(c)->HandleNeeded();
        else
            c->HintChanged();
    }
    Realign();
}

void TWinControl::DestroyWnd() {
    if (handle_) text_ = TWinControl::GetText();
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    for (TControl* c : controls_)
        if (c->IsWindowed()) static_cast<TWinControl*>(c)->DestroyHandle();
    DestroyWnd();
    HWND wnd = handle_;
    Detach();
    ::DestroyWindow(wnd);
}

void TWinControl::RecreateWnd() {
    if (!handle_) return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!handle_) return;
    RECT r;
    ::GetWindowRect(handle_, &r);
    HWND parentWnd = (::GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) ? ::GetParent(handle_) : nullptr;
    if (parentWnd) ::MapWindowPoints(HWND_DESKTOP, parentWnd, reinterpret_cast<POINT*>(&r), 2);
    UpdateBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

std::string TWinControl::GetText() const {
    if (!handle_) return TControl::GetText();
    return ui::WindowText(handle_);
}

void TWinControl::SetText(const std::string& text) {
    if (!handle_) return TControl::SetText(text);
    if (text == GetText()) return;
    ::SetWindowTextW(handle_, base::Wide(text).c_str());  // WM_SETTEXT reports the change
}

TRect TWinControl::GetClientRect() const {
    if (!handle_) {
        // A control on a window gets its own window to tell its client size;
        // one on no window yet counts as all client.
        if (GetParent() || dynamic_cast<const TForm*>(this)) {
            try {
                const_cast<TWinControl*>(this)->HandleNeeded();
            } catch (const EInvalidOperation&) {
            }
        }
        if (!handle_) return TControl::GetClientRect();
    }
    RECT r;
    ::GetClientRect(handle_, &r);
    return r;
}

TPoint TWinControl::ClientOrigin() const {
    if (!handle_) return TControl::ClientOrigin();
    POINT p{0, 0};
    ::ClientToScreen(handle_, &p);
    return p;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (left == GetLeft() && top == GetTop() && width == GetWidth() && height == GetHeight()) return;
    if (handle_) {
        ::SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateBoundsFromWindow();
    } else {
        UpdateBoundsFields(left, top, width, height);
    }
    if (!anchoring_) TakeAnchorBase();
    BoundsChanged();
    RequestAlign();
    if (!handle_) Realign();
    HintChanged();
}

void TWinControl::SetVisible(bool visible) {
    if (visible == GetVisible()) return;
    const bool hadFocus = !visible && ContainsFocus();
    TControl::SetVisible(visible);
    // Before the window hides: the system would hand the focus to the
    // parent window, a container that Tab passes over.
    if (hadFocus) PassFocusOn();
    if (handle_) ::ShowWindow(handle_, visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled) {
    if (enabled == GetEnabled()) return;
    const bool hadFocus = !enabled && ContainsFocus();
    if (handle_) ::EnableWindow(handle_, enabled);
    TControl::SetEnabled(enabled);
    if (hadFocus) PassFocusOn();
}

bool TWinControl::ContainsFocus() const {
    HWND f = ::GetFocus();
    return handle_ && f && (f == handle_ || ::IsChild(handle_, f));
}

void TWinControl::PassFocusOn() {
    // The system leaves the focus in the children of a hidden or disabled
    // window, and keys go on reaching them there. It goes to the next
    // control that can have it now (this one and those inside it no longer
    // can), or else to the form, which keeps it.
    TForm* form = GetParentForm();
    if (!form || form == this || !form->HandleAllocated()) return;
    if (TWinControl* next = form->FindNextControl(this, true, true))
        next->SetFocus();
    else
        ::SetFocus(form->GetHandle());
}

void TWinControl::EnabledChanged() { Invalidate(); }

void TWinControl::ColorChanged() {
    brush_->SetColor(GetColor());
    NotifyControls(CM_PARENTCOLORCHANGED);
    Invalidate();
}

void TWinControl::FontChanged() {
    if (handle_) ::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(GetFont()->GetHandle()), TRUE);
    NotifyControls(CM_PARENTFONTCHANGED);
    Invalidate();
}

void TWinControl::SysColorChanged() {
    Invalidate();  // brushes of system colours take the new values when next used
}

bool TWinControl::DialogChar(wchar_t key) {
    TMessage m{CM_DIALOGCHAR, static_cast<WPARAM>(key), 0, 0};
    Broadcast(m);
    return m.Result != 0;
}

void TWinControl::InsertControl(TControl* c) {
    controls_.push_back(c);
    c->parent_ = this;
    if (c->IsWindowed()) tabList_.push_back(static_cast<TWinControl*>(c));
    c->ParentFontChanged();
    c->ParentColorChanged();
    if (c->parentShowHint_) c->showHint_ = GetShowHint();
    if (c->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(c);
        if (handle_ && !w->handle_) w->CreateWnd();
        else if (handle_ && w->handle_) ::SetParent(w->handle_, handle_);
    } else {
        c->Invalidate();
    }
    c->RequestAlign();
    c->HintChanged();
}

void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it == controls_.end()) return;
    if (!c->IsWindowed()) c->Invalidate();
    if (captureControl_ == c) {
        captureControl_ = nullptr;
        if (handle_ && ::GetCapture() == handle_) ::ReleaseCapture();
    }
    if (mouseControl_ == c) mouseControl_ = nullptr;
    if (TForm* form = GetParentForm()) form->ControlRemoved(c);
    controls_.erase(std::find(controls_.begin(), controls_.end(), c));
    if (c->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(c);
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
        if (w->handle_ && !c->IsDestroying()) w->DestroyHandle();
    }
    c->parent_ = nullptr;
    if (c->GetAlign() != alNone) Realign();
}

bool TWinControl::ContainsControl(const TControl* c) const {
    for (const TControl* p = c; p; p = p->GetParent())
        if (p == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& pt, bool allowDisabled, bool allowWinControls) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (c->IsWindowed() && !allowWinControls) continue;
        if (!c->GetVisible()) continue;
        if (!c->GetEnabled() && !allowDisabled) continue;
        TRect r = c->GetBoundsRect();
        if (::PtInRect(&r, pt)) return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& m) {
    std::vector<TControl*> children = controls_;
    for (TControl* c : children) {
        c->WndProc(m);
        if (m.Result) return;
    }
}

void TWinControl::NotifyControls(UINT msg, WPARAM wParam, LPARAM lParam) {
    std::vector<TControl*> children = controls_;
    for (TControl* c : children) c->Perform(msg, wParam, lParam);
}

bool TWinControl::Focused() const {
    if (!handle_) return false;
    HWND f = ::GetFocus();
    return f == handle_ || (f && stock_ && ::IsChild(handle_, f));
}

bool TWinControl::CanFocus() const {
    if (!GetParentForm()) return false;
    for (const TControl* c = this; c; c = c->GetParent())
        if (!c->GetVisible() || !c->GetEnabled()) return false;
    return true;
}

void TWinControl::SetFocus() {
    TForm* form = GetParentForm();
    if (form) form->FocusControl(this);
    else if (handle_) ::SetFocus(handle_);
}

int TWinControl::GetTabOrder() const {
    if (!GetParent()) return -1;
    auto& list = GetParent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!GetParent()) return;
    auto& list = GetParent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    if (order < 0 || order > static_cast<int>(list.size())) order = static_cast<int>(list.size());
    list.insert(list.begin() + order, this);
}

void TWinControl::SetTabStop(bool tabStop) {
    if (tabStop == tabStop_) return;
    tabStop_ = tabStop;
    if (handle_) {
        LONG style = ::GetWindowLongW(handle_, GWL_STYLE);
        ::SetWindowLongW(handle_, GWL_STYLE, tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    const int n = static_cast<int>(list.size());
    if (n == 0) return nullptr;
    auto it = std::find(list.begin(), list.end(), current);
    int start = it == list.end() ? (forward ? n - 1 : 0) : static_cast<int>(it - list.begin());
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = forward ? (i + 1) % n : (i - 1 + n) % n;
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c == current) continue;
        if (c->CanFocus() && (!checkTabStop || c->tabStop_)) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, forward, checkTabStop)) next->SetFocus();
}

void TWinControl::InvalidateRect(const TRect& rect, bool erase) {
    if (handle_) ::InvalidateRect(handle_, &rect, erase);
}

void TWinControl::Invalidate() {
    if (handle_) ::InvalidateRect(handle_, nullptr, !GetControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
    if (handle_) ::UpdateWindow(handle_);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

void TWinControl::PaintWindow(HDC dc) {
    RECT r;
    ::GetClipBox(dc, &r);
    ::FillRect(dc, &r, brush_->GetHandle());
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    RECT clip;
    if (::GetClipBox(dc, &clip) == ERROR) return;
    bool started = first == nullptr;
    std::vector<TControl*> children = controls_;
    for (TControl* c : children) {
        if (!started) {
            if (c != first) continue;
            started = true;
        }
        if (c->IsWindowed() || !c->GetVisible()) continue;
        TRect r = c->GetBoundsRect(), x;
        if (!::IntersectRect(&x, &r, &clip)) continue;
        c->PaintTo(dc, r.left, r.top);
    }
}

void TWinControl::PaintHandler(HDC dc, const TRect& clip) {
    // Background and windowless children are composed off-screen and copied
    // in one operation, so nothing flickers.
    const int w = RectWidth(clip), h = RectHeight(clip);
    if (w <= 0 || h <= 0) return;
    ui::MemoryDc mem(::CreateCompatibleDC(dc));
    ui::BitmapHandle bmp(mem ? ::CreateCompatibleBitmap(dc, w, h) : nullptr);
    if (!bmp) {
        PaintWindow(dc);
        PaintControls(dc, nullptr);
        return;
    }
    {
        ui::SelectGuard sel(mem.get(), bmp.get());
        ::SetViewportOrgEx(mem.get(), -clip.left, -clip.top, nullptr);
        ::IntersectClipRect(mem.get(), clip.left, clip.top, clip.right, clip.bottom);
        PaintWindow(mem.get());
        PaintControls(mem.get(), nullptr);
        ::SetViewportOrgEx(mem.get(), 0, 0, nullptr);
        ::BitBlt(dc, clip.left, clip.top, w, h, mem.get(), 0, 0, SRCCOPY);
    }
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
    HandleNeeded();
    ui::DcStateGuard state(dc);
    ::OffsetViewportOrgEx(dc, x, y, nullptr);
    ::IntersectClipRect(dc, 0, 0, GetWidth(), GetHeight());
    // The frame first, then the client area at its place inside it.
    RECT wr, cr;
    ::GetWindowRect(handle_, &wr);
    ::GetClientRect(handle_, &cr);
    POINT origin{0, 0};
    ::ClientToScreen(handle_, &origin);
    const int cx = origin.x - wr.left, cy = origin.y - wr.top;
    if (stock_) {
        ::SendMessageW(handle_, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                       PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
        return;
    }
    LONG ex = ::GetWindowLongW(handle_, GWL_EXSTYLE);
    if (ex & WS_EX_CLIENTEDGE) {
        RECT all{0, 0, GetWidth(), GetHeight()};
        ::DrawEdge(dc, &all, EDGE_SUNKEN, BF_RECT);
    }
    ::OffsetViewportOrgEx(dc, cx, cy, nullptr);
    ::IntersectClipRect(dc, 0, 0, cr.right, cr.bottom);
    PaintWindow(dc);
    PaintControls(dc, nullptr);
    for (TControl* c : controls_)
        if (c->IsWindowed() && c->GetVisible()) c->PaintTo(dc, c->GetLeft(), c->GetTop());
}

void TWinControl::Realign() {
    if (aligning_ || IsDestroying()) return;
    // Without a window a control is all client area (a form knows its frame):
    // aligning must not make windows.
    TRect r = handle_ || dynamic_cast<TForm*>(this) ? GetClientRect() : TControl::GetClientRect();
    AlignControls(r);
}

void TWinControl::AlignControls(TRect& r) {
    aligning_ = true;
    auto take = [this](TAlign a) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->GetAlign() == a && c->GetVisible()) list.push_back(c);
        // Controls of one alignment keep the order of their places.
        std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
            switch (a) {
                case alTop: return x->GetTop() < y->GetTop();
                case alBottom: return x->GetTop() + x->GetHeight() > y->GetTop() + y->GetHeight();
                case alLeft: return x->GetLeft() < y->GetLeft();
                case alRight: return x->GetLeft() + x->GetWidth() > y->GetLeft() + y->GetWidth();
                default: return false;
            }
        });
        return list;
    };
    for (TControl* c : take(alTop)) {
        c->SetBounds(r.left, r.top, RectWidth(r), c->GetHeight());
        r.top += c->GetHeight();
    }
    for (TControl* c : take(alBottom)) {
        c->SetBounds(r.left, r.bottom - c->GetHeight(), RectWidth(r), c->GetHeight());
        r.bottom -= c->GetHeight();
    }
    for (TControl* c : take(alLeft)) {
        c->SetBounds(r.left, r.top, c->GetWidth(), RectHeight(r));
        r.left += c->GetWidth();
    }
    for (TControl* c : take(alRight)) {
        c->SetBounds(r.right - c->GetWidth(), r.top, c->GetWidth(), RectHeight(r));
        r.right -= c->GetWidth();
    }
    for (TControl* c : take(alClient)) c->SetBounds(r.left, r.top, RectWidth(r), RectHeight(r));
    std::vector<TControl*> children = controls_;
    for (TControl* c : children) c->ApplyAnchors();
    aligning_ = false;
}

bool TWinControl::RouteMouseMessage(TMessage& m) {
    TPoint p = Point(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
    TControl* under = ControlAtPos(p, false);
    if (m.Msg == WM_MOUSEMOVE) TrackMouseControl(under ? under : this);
    TControl* target = nullptr;
    if (captureControl_) {
        if (::GetCapture() == handle_)
            target = captureControl_;
        else
            captureControl_ = nullptr;
    }
    if (!target && ::GetCapture() != handle_) target = under;
    switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            // A press, or a release, on one control ends whatever press
            // another waits to see released: a click is both on one control.
            EndPressesBut(target ? target : this);
            break;
        default:
            break;
    }
    if (!target) return false;
    TMessage routed = m;
    routed.LParam = MAKELPARAM(static_cast<short>(p.x - target->GetLeft()), static_cast<short>(p.y - target->GetTop()));
    target->WndProc(routed);
    m.Result = routed.Result;
    return true;
}

void TWinControl::EndPressesBut(const TControl* keep) {
    if (keep != this) controlState_.Exclude(csClicked);
    for (TControl* c : controls_)
        if (c != keep) c->controlState_.Exclude(csClicked);
}

void TWinControl::TrackMouseControl(TControl* hovered) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, handle_, 0};
        trackingLeave_ = ::TrackMouseEvent(&t) != FALSE;
    }
    if (hovered == mouseControl_) return;
    TControl* old = mouseControl_;
    mouseControl_ = hovered;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (hovered) hovered->Perform(CM_MOUSEENTER);
}

bool TWinControl::ReflectToChild(TMessage& m) {
    HWND child = nullptr;
    switch (m.Msg) {
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            child = reinterpret_cast<HWND>(m.LParam);
            break;
        case WM_NOTIFY:
            child = reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
            break;
        case WM_DRAWITEM:
            child = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam)->hwndItem;
            break;
        case WM_MEASUREITEM: {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
            child = ::GetDlgItem(handle_, static_cast<int>(mi->CtlID));
            if (!child && creatingControl && creatingControl != this) {
                m.Result = creatingControl->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
                return true;
            }
            break;
        }
        default:
            return false;
    }
    TWinControl* c = FindControl(child);
    if (!c || c == this) {
        // A window inside a stock control (a combo box's edit line) speaks for it.
        c = child ? FindControlOrAncestor(::GetParent(child)) : nullptr;
        if (!c || c == this) return false;
    }
    m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
    return true;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) { Fire(OnKeyDown, this, key, shift); }
void TWinControl::KeyUp(WORD& key, TShiftState shift) { Fire(OnKeyUp, this, key, shift); }
void TWinControl::KeyPress(wchar_t& key) { Fire(OnKeyPress, this, key); }
void TWinControl::DoEnter() { Fire(OnEnter, this); }
void TWinControl::DoExit() { Fire(OnExit, this); }

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SETFOCUS:
            if (TForm* form = GetParentForm()) form->FocusChanged(this);
            break;
        case WM_CHAR: {
            // One UTF-16 unit: a character outside the basic plane comes
            // as two WM_CHARs, one for each half of its surrogate pair.
            wchar_t c = static_cast<wchar_t>(m.WParam);
            KeyPress(c);
            if (!c) return;
            m.WParam = c;
            break;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            // The handlers may change the key, or take it (set it to 0).
            WORD key = static_cast<WORD>(m.WParam);
            TForm* form = GetParentForm();
            if ((m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN) && form && form != this && form->GetKeyPreview())
                static_cast<TWinControl*>(form)->KeyDown(key, KeyboardShiftState());
            if (!key) return;
            if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN)
                KeyDown(key, KeyboardShiftState());
            else
                KeyUp(key, KeyboardShiftState());
            if (!key) return;
            m.WParam = key;
            break;
        }
        case WM_GETDLGCODE:
            if (!stock_) {
                m.Result = DialogCode();
                return;
            }
            break;
        case WM_PAINT:
            if (!stock_) {
                PAINTSTRUCT ps;
                HDC dc = ::BeginPaint(handle_, &ps);
                PaintHandler(dc, ps.rcPaint);
                ::EndPaint(handle_, &ps);
                return;
            }
            break;
        case WM_PRINTCLIENT:
            if (!stock_) {
                HDC dc = reinterpret_cast<HDC>(m.WParam);
                ui::DcStateGuard state(dc);
                RECT r;
                ::GetClientRect(handle_, &r);
                ::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
                PaintWindow(dc);
                PaintControls(dc, nullptr);
                return;
            }
            break;
        case WM_ERASEBKGND:
            if (!stock_) {
                m.Result = 1;  // painted with everything else in WM_PAINT
                return;
            }
            break;
        case WM_WINDOWPOSCHANGED: {
            DefaultHandler(m);
            const int oldW = GetWidth(), oldH = GetHeight();
            UpdateBoundsFromWindow();
            if (oldW != GetWidth() || oldH != GetHeight()) {
                Realign();
                BoundsChanged();
            }
            return;
        }
        case WM_SETCURSOR:
            if (LOWORD(m.LParam) == HTCLIENT) {
                TCursor cursor = Screen ? Screen->GetCursor() : crDefault;
                if (cursor == crDefault && reinterpret_cast<HWND>(m.WParam) == handle_) {
                    POINT p;
                    ::GetCursorPos(&p);
                    ::ScreenToClient(handle_, &p);
                    TControl* c = ControlAtPos(p, false);
                    cursor = c ? c->GetCursor() : GetCursor();
                }
                if (cursor != crDefault) {
                    ::SetCursor(CursorHandle(cursor));
                    m.Result = 1;
                    return;
                }
            }
            break;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            if (RouteMouseMessage(m)) return;
            break;
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(m.WParam) == handle_ && OnContextPopup) {
                TPoint at = Point(-1, -1);
                if (m.LParam != -1) at = ScreenToClient(Point(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
                bool handled = false;
                OnContextPopup(this, at, handled);
                if (handled) return;
            }
            break;
        case WM_MOUSELEAVE:
            trackingLeave_ = false;
            // Without the capture, the release of a press carried off the
            // window goes to another window, and would never end it here.
            if (::GetCapture() != handle_) EndPressesBut(nullptr);
            if (mouseControl_) {
                TControl* c = mouseControl_;
                mouseControl_ = nullptr;
                c->Perform(CM_MOUSELEAVE);
            }
            break;
        case WM_CAPTURECHANGED:
            if (captureControl_) {
                TControl* c = captureControl_;
                captureControl_ = nullptr;
                c->Perform(CM_CANCELMODE);
            }
            break;
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            if (ReflectToChild(m)) return;
            break;
        case CN_CTLCOLOREDIT:
        case CN_CTLCOLORLISTBOX:
        case CN_CTLCOLORSTATIC:
        case CN_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(m.WParam);
            ::SetTextColor(dc, ColorToRGB(GetFont()->GetColor()));
            ::SetBkColor(dc, ColorToRGB(GetColor()));
            m.Result = reinterpret_cast<LRESULT>(brush_->GetHandle());
            return;
        }
        case WM_SYSCOLORCHANGE:
            DefaultHandler(m);
            Perform(CM_SYSCOLORCHANGE);
            NotifyControls(CM_SYSCOLORCHANGE);
            for (TControl* c : controls_)
                if (c->IsWindowed() && static_cast<TWinControl*>(c)->handle_)
                    ::SendMessageW(static_cast<TWinControl*>(c)->handle_, WM_SYSCOLORCHANGE, 0, 0);
            return;
        case WM_SETTEXT:
            DefaultHandler(m);
            Perform(CM_TEXTCHANGED);
            return;
        case WM_NCDESTROY:
            DefaultHandler(m);
            Detach();
            return;
        default:
            break;
    }
    TControl::WndProc(m);
}

// ======================================================================== TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner), canvas_(new TControlCanvas(this)) {}
TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {
    GetCanvas()->GetBrush()->SetColor(GetColor());
    RECT r;
    ::GetClipBox(GetCanvas()->GetHandle(), &r);
    GetCanvas()->FillRect(r);
}

void TCustomControl::PaintWindow(HDC dc) {
    canvas_->PaintOn(dc, [this] { Paint(); });
}
