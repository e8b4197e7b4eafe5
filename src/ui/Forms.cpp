#include "ui/Forms.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/Guarded.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "ui/UnitInit.h"
#include "ui/UtilityWindow.h"
#include "base/Module.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

const wchar_t kFormClass[] = L"SweepfieldForm";

// The child windows of a control that are not controls of their own.
std::vector<HWND> InnerWindows(TWinControl* control) {
    std::vector<HWND> inner;
    for (HWND c = ::GetWindow(control->GetHandle(), GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        if (!TWinControl::FindControl(c)) inner.push_back(c);
    return inner;
}

BOOL CALLBACK CollectEnabledWindow(HWND wnd, LPARAM param) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(param);
    if (::IsWindowVisible(wnd) && ::IsWindowEnabled(wnd)) list->push_back(wnd);
    return TRUE;
}

}  // namespace

// ======================================================================== TForm

TForm::TForm(TComponent* owner) : TWinControl(owner), icon_(new TIcon) {
    visible_ = false;
    parentFont_ = false;
    SetColor(clBtnFace);
    UpdateBoundsFields(0, 0, 320, 240);
    icon_->OnChange = [this](TObject*) { SetIconOnWindow(); };
}

TForm::~TForm() = default;

void TForm::CreateParams(TCreateParams& p) {
    p.Caption = text_;
    p.X = GetLeft();
    p.Y = GetTop();
    p.Width = GetWidth();
    p.Height = GetHeight();
    p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    p.ExStyle = 0;
    switch (borderStyle_) {
        case bsNone: p.Style |= WS_POPUP; break;
        case bsSingle: p.Style |= WS_CAPTION | WS_BORDER; break;
        case bsSizeable: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
        case bsDialog:
            p.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
            p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
            break;
        case bsToolWindow:
            p.Style |= WS_CAPTION;
            p.ExStyle |= WS_EX_TOOLWINDOW;
            break;
        case bsSizeToolWin:
            p.Style |= WS_CAPTION | WS_THICKFRAME;
            p.ExStyle |= WS_EX_TOOLWINDOW;
            break;
    }
    if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
        p.Style |= WS_SYSMENU;
        bool minMax = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
        if (minMax && borderIcons_.Contains(biMinimize)) p.Style |= WS_MINIMIZEBOX;
        if (minMax && borderIcons_.Contains(biMaximize)) p.Style |= WS_MAXIMIZEBOX;
        if (borderIcons_.Contains(biHelp) &&
            (borderStyle_ == bsDialog || !(p.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))))
            p.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (formStyle_ == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
    // The main form stands alone on the taskbar; the other forms belong to it.
    TForm* main = Application ? Application->GetMainForm() : nullptr;
    p.WndParent = main && main != this ? main->GetHandle() : nullptr;
}

void TForm::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    ui::RegisterControlClass(kFormClass);
    HWND wnd = ::CreateWindowExW(p.ExStyle, kFormClass, base::Wide(p.Caption).c_str(), p.Style, p.X, p.Y, p.Width,
                                 p.Height, p.WndParent, nullptr, ::GetModuleHandleW(nullptr),
                                 static_cast<TWinControl*>(this));
    if (!wnd) throw EOutOfResources("Error creating window");
    SetIconOnWindow();
    UpdateBoundsFromWindow();
    CreateChildHandles();
    // A shown form whose window is made again (RecreateWnd) stays shown.
    if (GetVisible()) ::ShowWindow(handle_, SW_SHOWNA);
}

void TForm::ApplyStyles() {
    if (!handle_) return;
    TCreateParams p;
    CreateParams(p);
    // Keep the window's size: only the frame changes.
    RECT r;
    ::GetClientRect(handle_, &r);
    LONG visible = ::GetWindowLongW(handle_, GWL_STYLE) & WS_VISIBLE;
    ::SetWindowLongW(handle_, GWL_STYLE, static_cast<LONG>(p.Style) | visible);
    ::SetWindowLongW(handle_, GWL_EXSTYLE, static_cast<LONG>(p.ExStyle));
    ::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    UpdateBoundsFromWindow();
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    ApplyStyles();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    ApplyStyles();
}

void TForm::SetIconOnWindow() {
    if (!handle_) return;
    HICON icon = icon_->GetHandle();
    if (!icon && Application) icon = Application->GetIcon()->GetHandle();
    ::SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TForm::FrameSize(int& extraWidth, int& extraHeight) const {
    if (handle_) {
        RECT wr, cr;
        ::GetWindowRect(handle_, &wr);
        ::GetClientRect(handle_, &cr);
        extraWidth = (wr.right - wr.left) - cr.right;
        extraHeight = (wr.bottom - wr.top) - cr.bottom;
        return;
    }
    TCreateParams p;
    const_cast<TForm*>(this)->CreateParams(p);
    RECT r{0, 0, 100, 100};
    ::AdjustWindowRectEx(&r, p.Style, FALSE, p.ExStyle);
    extraWidth = (r.right - r.left) - 100;
    extraHeight = (r.bottom - r.top) - 100;
}

TRect TForm::GetClientRect() const {
    if (handle_) return TWinControl::GetClientRect();
    int ew, eh;
    FrameSize(ew, eh);
    return Rect(0, 0, std::max(0, GetWidth() - ew), std::max(0, GetHeight() - eh));
}

void TForm::SetClientWidth(int width) {
    int ew, eh;
    FrameSize(ew, eh);
    SetWidth(width + ew);
}

void TForm::SetClientHeight(int height) {
    int ew, eh;
    FrameSize(ew, eh);
    SetHeight(height + eh);
}

void TForm::Show() {
    HandleNeeded();
    if (!GetVisible()) {
        if (position_ == poScreenCenter && Screen)
            SetBounds((Screen->GetWidth() - GetWidth()) / 2, (Screen->GetHeight() - GetHeight()) / 2, GetWidth(),
                      GetHeight());
        TControl::SetVisible(true);
        ::ShowWindow(handle_, windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                              : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                            : SW_SHOWNORMAL);
        Fire(OnShow, this);
    }
    ::SetForegroundWindow(handle_);
    ::SetActiveWindow(handle_);
}

void TForm::Hide() {
    if (!GetVisible()) return;
    TControl::SetVisible(false);
    if (handle_) ::ShowWindow(handle_, SW_HIDE);
}

void TForm::Close() {
    Fire(OnClose, this);
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (Application && Application->GetMainForm() == this) {
        Application->Terminate();
        return;
    }
    Hide();
}

TWindowState TForm::GetWindowState() const {
    if (!handle_ || !::IsWindowVisible(handle_)) return windowState_;
    return ::IsZoomed(handle_) ? wsMaximized : ::IsIconic(handle_) ? wsMinimized : wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    windowState_ = state;
    if (handle_ && ::IsWindowVisible(handle_))
        ::ShowWindow(handle_, state == wsMaximized ? SW_MAXIMIZE : state == wsMinimized ? SW_MINIMIZE : SW_RESTORE);
}

bool TForm::GetActive() const { return handle_ && ::GetActiveWindow() == handle_; }

TModalResult TForm::ShowModal() {
    if (GetVisible() || !GetEnabled()) throw EInvalidOperation("Cannot make a visible window modal");
    HandleNeeded();
    HWND previous = ::GetActiveWindow();
    // Every other window of the program waits while the form is shown.
    std::vector<HWND> disabled;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), handle_), disabled.end());
    if (Application) disabled.erase(std::remove(disabled.begin(), disabled.end(), Application->GetHintWindow()), disabled.end());
    for (HWND w : disabled) ::EnableWindow(w, FALSE);

    modal_ = true;
    modalResult_ = mrNone;
    try {
        Show();
        while (modalResult_ == mrNone) {
            Application->HandleMessage();
            if (Application->Terminated()) modalResult_ = mrCancel;
        }
    } catch (...) {
        modal_ = false;
        for (HWND w : disabled) ::EnableWindow(w, TRUE);
        Hide();
        throw;
    }
    modal_ = false;
    // Enable the others before hiding, so activation returns to them.
    for (HWND w : disabled)
        if (::IsWindow(w)) ::EnableWindow(w, TRUE);
    Hide();
    if (previous && ::IsWindow(previous)) ::SetActiveWindow(previous);
    return modalResult_;
}

void TForm::SetActiveControl(TWinControl* control) {
    if (control && control->GetParentForm() != this) throw EInvalidOperation("Invalid control for this form");
    if (control && GetActive() && control->CanFocus())
        ::SetFocus(control->GetHandle());  // FocusChanged records it, with Exit and Enter
    else
        activeControl_ = control;
}

void TForm::FocusControl(TWinControl* control) {
    if (!control->CanFocus()) return;
    if (handle_ && ::IsWindowVisible(handle_) && ::IsWindowEnabled(handle_)) {
        if (::GetActiveWindow() != handle_) ::SetActiveWindow(handle_);
        ::SetFocus(control->GetHandle());  // FocusChanged records it, with Exit and Enter
    } else {
        activeControl_ = control;  // focused when the form is next activated
    }
}

void TForm::FocusChanged(TWinControl* control) {
    if (control == this) {
        // The form itself has no use for the focus: hand it on.
        TWinControl* next = activeControl_ && activeControl_->CanFocus() ? activeControl_
                                                                          : FindNextControl(nullptr, true, true);
        if (next && next->HandleAllocated()) {
            ::SetFocus(next->GetHandle());
            return;
        }
        // No control can: the form keeps the focus, so keys reach no
        // control, and the one that was active has lost it.
        if (TWinControl* old = activeControl_) {
            activeControl_ = nullptr;
            old->DoExit();
        }
        return;
    }
    TWinControl* old = activeControl_;
    activeControl_ = control;
    if (old == control) return;
    if (old) old->DoExit();
    if (activeControl_ == control) control->DoEnter();
}

void TForm::ControlRemoved(TControl* control) {
    auto* w = dynamic_cast<TWinControl*>(control);
    if (activeControl_ && w && w->ContainsControl(activeControl_)) activeControl_ = nullptr;
    if (defaultButton_ == control) defaultButton_ = nullptr;
    if (w && defaultButton_ && w->ContainsControl(defaultButton_)) defaultButton_ = nullptr;
}

bool TForm::DialogKey(WORD key, TShiftState shift) {
    switch (key) {
        case VK_TAB:
            if (shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return false;
            SelectNext(activeControl_, !shift.Contains(ssShift), true);
            return true;
        case VK_RETURN: {
            // A focused push button takes Enter itself; otherwise the default button.
            if (activeControl_ && activeControl_->HandleAllocated()) {
                LRESULT code = ::SendMessageW(activeControl_->GetHandle(), WM_GETDLGCODE, 0, 0);
                if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
                    activeControl_->Click();
                    return true;
                }
            }
            TControl* b = defaultButton_;
            if (b && b->Showing() && b->GetEnabled()) {
                b->Click();
                return true;
            }
            return false;
        }
        case VK_ESCAPE:
            // A modal form is closed, as a dialog box is; other forms leave
            // the key to their controls.
            if (!modal_) return false;
            modalResult_ = mrCancel;
            return true;
        default:
            return false;
    }
}

bool TForm::DialogCharToControls(wchar_t key) { return DialogChar(key); }

void TForm::DoCreate() { Fire(OnCreate, this); }

void TForm::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_CLOSE:
            Close();
            return;
        case WM_ACTIVATE:
            DefaultHandler(m);
            if (LOWORD(m.WParam) != WA_INACTIVE && !::IsIconic(handle_)) FocusChanged(this);
            return;
        case WM_SETFOCUS:
            FocusChanged(this);
            return;
        case WM_ACTIVATEAPP:
            if (Application) Application->ActivateApp(m.WParam != 0);
            break;
        case WM_SHOWWINDOW:
            // Hidden by the system (its owner minimized): the form stays visible.
            break;
        case WM_GETMINMAXINFO: {
            DefaultHandler(m);
            auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
            const TSizeConstraints& c = constraints_;
            info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, c.MinWidth);
            info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, c.MinHeight);
            if (c.MaxWidth > 0) info->ptMaxTrackSize.x = std::max(c.MaxWidth, c.MinWidth);
            if (c.MaxHeight > 0) info->ptMaxTrackSize.y = std::max(c.MaxHeight, c.MinHeight);
            return;
        }
        default:
            break;
    }
    TWinControl::WndProc(m);
}

// ======================================================================== TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner), icon_(new TIcon) {
    Application = this;
    Screen = new TScreen(this);
    const std::string exe = base::Utf8(base::ExePath());
    std::size_t slash = exe.find_last_of("\\/");
    title_ = exe.substr(slash == std::string::npos ? 0 : slash + 1);
    std::size_t dot = title_.rfind('.');
    if (dot != std::string::npos) title_.resize(dot);
}

TApplication::~TApplication() {
    SetDestroying();
    // Forms go first, while the units they use are still set up.
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        TComponent* c = GetComponent(i);
        if (dynamic_cast<TForm*>(c)) delete c;
    }
    mainForm_ = nullptr;
    ui::FinalizeUnits();
    tooltip_.reset();  // before the window that owns it
    window_.reset();
    Screen = nullptr;  // owned: freed with the other components
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // The hooks see every message of the application's window first.
    window_ = std::make_unique<ui::UtilityWindow>(ui::UtilityWindow::TopLevel, [this](UINT msg, WPARAM w, LPARAM l) {
        TMessage m{msg, w, l, 0};
        std::vector<Hook> hooks = hooks_;
        for (auto& h : hooks)
            if (h.hook(m)) return true;
        if (msg == WM_ACTIVATEAPP) ActivateApp(w != 0);
        return false;
    });
    HWND handle = window_->Handle();
    tooltip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, handle, nullptr, instance, nullptr));
    if (tooltip_) ::SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, 300);
    try {
        icon_->LoadFromResourceName(instance, "MAINICON");
    } catch (const EResNotFound&) {
        // A program without an icon of its own gets the system's.
    }
    active_ = ::GetActiveWindow() != nullptr;
    ui::InitializeUnits();
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == mainForm_) mainForm_ = nullptr;
}

HWND TApplication::GetHandle() const { return window_ ? window_->Handle() : nullptr; }

void TApplication::ActivateApp(bool active) {
    if (active == active_) return;
    active_ = active;
    if (window_) ::SendMessageW(window_->Handle(), active ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
}

int TApplication::HookMainWindow(TWindowHook hook) {
    hooks_.push_back(Hook{nextHook_, std::move(hook)});
    return nextHook_++;
}

void TApplication::UnhookMainWindow(int cookie) {
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [cookie](const Hook& h) { return h.cookie == cookie; }),
                 hooks_.end());
}

void TApplication::Run() {
    if (mainForm_) mainForm_->Show();
    while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
    if (!terminated_) ::PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    // A key press takes the hint down, as a click does. The tooltip hears
    // only of the mouse, so the hint stays down while the user types on
    // with the mouse at rest, and comes back once it moves.
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) CancelHint();
    if (!IsKeyMsg(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ui::FreeDeviceContexts();
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
        if (terminated_) break;
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) ::WaitMessage();
}

bool TApplication::IsKeyMsg(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR && msg.message != WM_SYSCHAR) return false;
    TWinControl* control = TWinControl::FindControlOrAncestor(msg.hwnd);
    TForm* form = control ? control->GetParentForm() : nullptr;
    if (!form || !::IsWindowEnabled(form->GetHandle())) return false;
    // The form's handlers run outside any window procedure here: an error
    // is reported as it would be from one, and the key counts as used.
    return ui::Guarded([&] {
        switch (msg.message) {
            case WM_KEYDOWN: {
                WORD key = static_cast<WORD>(msg.wParam);
                if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return false;
                LRESULT code = ::SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
                if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
                if (key == VK_TAB && (code & DLGC_WANTTAB)) return false;
                return form->DialogKey(key, KeyboardShiftState());
            }
            case WM_SYSCHAR:
                return form->DialogCharToControls(static_cast<wchar_t>(msg.wParam));
            case WM_CHAR: {
                LRESULT code = ::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
                if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_HASSETSEL)) return false;
                return form->DialogCharToControls(static_cast<wchar_t>(msg.wParam));
            }
            default:
                return false;
        }
    }, true);
}

void TApplication::HandleException(const std::exception& error) {
    if (OnException) {
        OnException(this, error);
        return;
    }
    if (reporting_) return;
    const std::wstring text = base::Wide(error.what()), title = base::Wide(title_);
    reporting_ = true;
    HWND owner = ::GetActiveWindow();
    if (!owner && mainForm_ && mainForm_->HandleAllocated()) owner = mainForm_->GetHandle();
    ::MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
    reporting_ = false;
}

void TApplication::SetShowHint(bool showHint) {
    if (showHint == showHint_) return;
    showHint_ = showHint;
    if (tooltip_) ::SendMessageW(tooltip_.get(), TTM_ACTIVATE, showHint, 0);
}

void TApplication::RemoveHintTool(TControl* control) {
    auto it = std::find(hinted_.begin(), hinted_.end(), control);
    if (it == hinted_.end()) return;
    hinted_.erase(it);
    if (!tooltip_) return;
    // The tool may have been registered either way; take out both.
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    if (control->GetParent() && control->GetParent()->HandleAllocated()) {
        ti.hwnd = control->GetParent()->GetHandle();
        ti.uId = reinterpret_cast<UINT_PTR>(control);
        ::SendMessageW(tooltip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    if (control->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(control);
        if (w->HandleAllocated()) {
            ti.uFlags = TTF_IDISHWND;
            ti.hwnd = ::GetParent(w->GetHandle());
            ti.uId = reinterpret_cast<UINT_PTR>(w->GetHandle());
            ::SendMessageW(tooltip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
            ti.hwnd = w->GetHandle();
            for (HWND inner : InnerWindows(w)) {
                ti.uId = reinterpret_cast<UINT_PTR>(inner);
                ::SendMessageW(tooltip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
            }
        }
    }
}

void TApplication::UpdateHintTool(TControl* control) {
    if (!tooltip_) return;
    RemoveHintTool(control);
    if (control->GetHint().empty() || !control->GetShowHint() || !control->GetVisible()) return;
    TWinControl* parent = control->GetParent();
    // The tooltip keeps a copy of the text.
    std::wstring hint = base::Wide(control->GetHint());
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.lpszText = &hint[0];
    if (control->IsWindowed() && control->GetEnabled()) {
        auto* w = static_cast<TWinControl*>(control);
        if (!w->HandleAllocated()) return;
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = ::GetParent(w->GetHandle());
        ti.uId = reinterpret_cast<UINT_PTR>(w->GetHandle());
        // The windows inside a stock control (a combo box's edit line, a
        // spin edit's arrows) get the mouse instead of it: they show its hint.
        TTTOOLINFOW inner = ti;
        inner.hwnd = w->GetHandle();
        for (HWND child : InnerWindows(w)) {
            inner.uId = reinterpret_cast<UINT_PTR>(child);
            ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&inner));
        }
    } else {
        // Windowless and disabled controls get no mouse messages of their own:
        // the tip watches their place on the parent.
        if (!parent || !parent->HandleAllocated()) return;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = parent->GetHandle();
        ti.uId = reinterpret_cast<UINT_PTR>(control);
        ti.rect = control->GetBoundsRect();
    }
    if (::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti))) hinted_.push_back(control);
}

void TApplication::CancelHint() {
    if (!tooltip_) return;
    ::SendMessageW(tooltip_.get(), TTM_POP, 0, 0);
    // Wine's tooltip keeps a pending showing across a press (such as the one
    // that opens a menu), and neither hiding nor deactivating it stops that;
    // it forgets its tool when told the mouse is over none.
    MSG nowhere{};
    nowhere.hwnd = GetHandle();  // a window with no tools
    nowhere.message = WM_MOUSEMOVE;
    ::SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&nowhere));
}

void TApplication::ControlDestroyed(TControl* control) {
    RemoveHintTool(control);
}

// ======================================================================== TScreen

void TScreen::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    if (cursor != crDefault) {
        ::SetCursor(CursorHandle(cursor));
        return;
    }
    // Back to the default: let the window under the mouse choose again.
    POINT p;
    ::GetCursorPos(&p);
    HWND wnd = ::WindowFromPoint(p);
    if (wnd && TWinControl::FindControlOrAncestor(wnd))
        ::SendMessageW(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    else
        ::SetCursor(CursorHandle(crArrow));
}

TForm* TScreen::GetActiveForm() const {
    return dynamic_cast<TForm*>(TWinControl::FindControl(::GetActiveWindow()));
}
