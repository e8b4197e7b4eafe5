// Forms, the application object and the screen.
//
// The application owns the forms; the first form it creates is the main form,
// and closing it ends the message loop and the program. A hidden application
// window owns nothing on screen: it hears when the program loses activation
// (and tells the hooks on it with CM_DEACTIVATE), and is the owner window for
// programs the application starts.
#pragma once

#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"
#include "ui/Handles.h"

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poScreenCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
// The smallest (and, when not 0, the largest) outer size the user can give
// a form by dragging its frame.
struct TSizeConstraints {
    int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    TFormBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons GetBorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TFormStyle GetFormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style) { formStyle_ = style; }
    TPosition GetPosition() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TIcon* GetIcon() const { return icon_.get(); }
    const TSizeConstraints& GetConstraints() const { return constraints_; }
    void SetConstraints(const TSizeConstraints& constraints) { constraints_ = constraints; }
    // Maximized or minimized now, or (before the form is shown) as Show
    // will show it.
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState state);

    TRect GetClientRect() const override;
    void SetClientWidth(int width) override;
    void SetClientHeight(int height) override;

    void Show();
    void Hide();
    void Close();
    // Shows the form with every other window of the program disabled and
    // returns its ModalResult once that is set (or the program ends).
    TModalResult ShowModal();
    TModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool IsModal() const { return modal_; }
    bool GetActive() const;

    // The control that has (or gets, when the form is activated) the focus.
    TWinControl* GetActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    void FocusControl(TWinControl* control);
    // The button that Enter clicks when the focus is not on another button.
    TControl* GetDefaultButton() const { return defaultButton_; }
    void SetDefaultButton(TControl* button) { defaultButton_ = button; }

    // Keys the form handles for its controls (Tab, Enter, and Esc, which
    // cancels a modal form); true when used.
    bool DialogKey(WORD key, TShiftState shift);
    // With KeyPreview the form's OnKeyDown sees every key pressed in any of
    // its controls first, and may take it (set it to 0).
    bool GetKeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool keyPreview) { keyPreview_ = keyPreview; }
    // Offers a character to the controls as an accelerator; true when used.
    bool DialogCharToControls(wchar_t key);

    // Applies a window definition: the components it creates are marked as
    // being loaded, get Loaded once it is done, and then OnCreate runs.
    template <class F>
    void Define(F&& definition) {
        BeginLoading();
        definition();
        EndLoading();
        DoCreate();
    }

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    // The form is being closed (by Close, the close button or Alt+F4).
    TNotifyEvent OnClose;

    bool IsWindowed() const override { return true; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    virtual void DoCreate();

private:
    friend class TWinControl;
    friend class TControl;
    void FocusChanged(TWinControl* control);
    void ControlRemoved(TControl* control);
    void ApplyStyles();
    void SetIconOnWindow();
    void FrameSize(int& extraWidth, int& extraHeight) const;

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TFormStyle formStyle_ = fsNormal;
    TPosition position_ = poDesigned;
    TSizeConstraints constraints_;
    TWindowState windowState_ = wsNormal;
    std::unique_ptr<TIcon> icon_;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    TWinControl* activeControl_ = nullptr;
    TControl* defaultButton_ = nullptr;
    bool keyPreview_ = false;
};

// A hook on the application's window: sees every message first; returning
// true marks it handled.
using TWindowHook = std::function<bool(TMessage& message)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& error)>;

namespace ui {
class UtilityWindow;
}

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    void Initialize();
    // Creates a form owned by the application; the first one is the main form.
    template <class T>
    void CreateForm(T*& reference) {
        reference = new T(this);
        if (!mainForm_) {
            reference->HandleNeeded();
            mainForm_ = reference;
        }
    }
    void Run();
    // Handles every message waiting in the queue, then returns.
    void ProcessMessages();
    // Handles one message, or waits for one when there is none.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }

    TForm* GetMainForm() const { return mainForm_; }
    HWND GetHandle() const;
    TIcon* GetIcon() const { return icon_.get(); }
    const std::string& GetTitle() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    bool GetActive() const { return active_; }
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool showHint);

    // The default error report: the error's message in a message box; the
    // program goes on. OnException, when set, replaces the message box.
    void HandleException(const std::exception& error);
    TExceptionEvent OnException;

    // Hooks are removed by the handle HookMainWindow returns.
    int HookMainWindow(TWindowHook hook);
    void UnhookMainWindow(int cookie);

    // Keeps the tooltip of a control in step with its hint, place and visibility.
    void UpdateHintTool(TControl* control);
    HWND GetHintWindow() const { return tooltip_.get(); }
    // Takes down the hint on screen and any that is about to show.
    void CancelHint();
    void ControlDestroyed(TControl* control);
    // Activation of the whole program changed (from WM_ACTIVATEAPP).
    void ActivateApp(bool active);

protected:
    // Forgets the main form when it is destroyed before the application.
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool ProcessMessage(MSG& msg);
    bool IsKeyMsg(MSG& msg);
    void RemoveHintTool(TControl* control);

    std::unique_ptr<ui::UtilityWindow> window_;
    ui::WindowHandle tooltip_;
    TForm* mainForm_ = nullptr;
    std::unique_ptr<TIcon> icon_;
    std::string title_;
    bool terminated_ = false;
    bool active_ = false;
    bool showHint_ = true;
    bool reporting_ = false;
    struct Hook {
        int cookie;
        TWindowHook hook;
    };
    std::vector<Hook> hooks_;
    int nextHook_ = 1;
    std::vector<TControl*> hinted_;
};

class TScreen : public TComponent {
public:
    explicit TScreen(TComponent* owner) : TComponent(owner) {}
    TCursor GetCursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    int GetWidth() const { return ::GetSystemMetrics(SM_CXSCREEN); }
    int GetHeight() const { return ::GetSystemMetrics(SM_CYSCREEN); }
    // The form of this program whose window is the active window, if any.
    TForm* GetActiveForm() const;

private:
    TCursor cursor_ = crDefault;
};

extern TApplication* Application;
extern TScreen* Screen;

// Creates a component of a window definition: marked as being loaded, named,
// and (for controls) placed on its parent before its properties are applied.
template <class T>
T* NewComponent(TComponent* owner, const char* name) {
    T* c = new T(owner);
    c->BeginLoading();
    c->SetName(name);
    return c;
}

template <class T>
T* NewControl(TComponent* owner, const char* name, TWinControl* parent) {
    T* c = NewComponent<T>(owner, name);
    c->SetParent(parent);
    return c;
}
