// Controls: windowed ones (one window each) and windowless ones painted on
// their parent's surface, with one message-dispatch path for both.
//
// Every message a control handles, whether the window system sent it or the
// class library made it up (the CM_ notifications below), goes through the
// control's WndProc. Windowless controls get their mouse messages from the
// parent window, which routes each one to the control under the cursor (or
// to the control that holds the capture), in that control's coordinates.
#pragma once

#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Graphics.h"

class TWinControl;
class TForm;

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

// Notifications of the class library. CM_DEACTIVATE is sent to the
// application's window when another application becomes active.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 2;
constexpr UINT CM_FONTCHANGED = CM_BASE + 3;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 4;
constexpr UINT CM_COLORCHANGED = CM_BASE + 5;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 6;
constexpr UINT CM_MOUSEENTER = CM_BASE + 7;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 8;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 9;       // WParam: the character (wchar_t); Result 1 = handled
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 10;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 11;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 12;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 14;
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 15;   // WParam: group index, LParam: the sender
constexpr UINT CM_CTL3DCHANGED = CM_BASE + 16;
constexpr UINT CM_CANCELMODE = CM_BASE + 18;

// Messages a child window sends its parent come back to the child as CN_
// messages (CN_BASE plus the original number), so each control handles its
// own notifications, colours and owner drawing.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// The edges of its parent that a control keeps its distance to when the
// parent's size changes: with akLeft and akRight it grows with the parent,
// with akRight alone it moves; the same for akTop and akBottom.
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
using TLeftRight = TAlignment;  // taLeftJustify or taRightJustify
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

enum TControlStyleItem {
    csCaptureMouse,   // holds the mouse while a button is pressed on it
    csClickEvents,    // a press and release on it is a click
    csSetCaption,     // the caption follows the name while they are equal
    csOpaque,         // paints its whole area; nothing under it is painted
    csDoubleClicks,   // a second press is a double click, not another press
    csNoStdEvents
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem { csClicked };  // a left press on the control waits for its release
using TControlState = TSet<TControlStateItem>;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
// The system cursor for a cursor value (crDefault and unknown values: the arrow).
HCURSOR CursorHandle(TCursor cursor);

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
// Key is the UTF-16 unit of WM_CHAR; a handler that sets it to 0 takes it.
using TKeyPressEvent = std::function<void(TObject* Sender, wchar_t& Key)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
// A context menu is asked for over the control: MousePos in client pixels,
// or (-1, -1) when it came from the keyboard (the menu key, Shift+F10). A
// handler that shows a menu sets Handled.
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// The shift state of a mouse message's key flags, or of the keyboard now.
TShiftState MouseShiftState(WPARAM keyFlags);
TShiftState KeyboardShiftState();

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* GetParent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    // The form the control sits on (its outermost parent), if it is a form.
    TForm* GetParentForm() const;

    int GetLeft() const { return left_; }
    int GetTop() const { return top_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect GetBoundsRect() const { return Bounds(left_, top_, width_, height_); }
    virtual TRect GetClientRect() const;
    int GetClientWidth() const { return RectWidth(GetClientRect()); }
    int GetClientHeight() const { return RectHeight(GetClientRect()); }
    virtual void SetClientWidth(int width);
    virtual void SetClientHeight(int height);

    TAlign GetAlign() const { return align_; }
    void SetAlign(TAlign align);
    // Only for controls that are not aligned; {akLeft, akTop} by default.
    TAnchors GetAnchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);

    bool GetVisible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all its parents.
    bool Showing() const;

    bool GetEnabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    std::string GetCaption() const { return GetText(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    virtual std::string GetText() const { return text_; }
    virtual void SetText(const std::string& text);

    TFont* GetFont() const { return font_.get(); }
    void SetFont(const TFont* font) { font_->Assign(font); }
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    TColor GetColor() const { return color_; }
    virtual void SetColor(TColor color);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);

    const std::string& GetHint() const { return hint_; }
    void SetHint(const std::string& hint);
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool showHint);
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool parentShowHint);
    TCursor GetCursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

    TControlStyle GetControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle style) { controlStyle_ = style; }
    TControlState GetControlState() const { return controlState_; }

    bool GetMouseCapture() const;
    void SetMouseCapture(bool capture);

    // Schedules a repaint: with the background erased under a control that is
    // not opaque, over the current pixels under an opaque one.
    virtual void Invalidate();
    // Paints what is invalid now.
    virtual void Update();
    // Repaints at once: an opaque windowless control paints itself and what
    // lies above it straight onto the parent's surface, any other control is
    // invalidated and updated.
    virtual void Repaint();

    // Paints the control into a device context with its top-left corner at (x, y).
    virtual void PaintTo(HDC dc, int x, int y) = 0;

    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint& point) const;
    TPoint ScreenToClient(const TPoint& point) const;

    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual void WndProc(TMessage& message);

    virtual bool IsWindowed() const { return false; }
    void SetName(const std::string& name) override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TContextPopupEvent OnContextPopup;

    // Runs the click action as a user's click would.
    virtual void Click();

protected:
    virtual void DblClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // Handlers of the class library's notifications, run by WndProc.
    virtual void EnabledChanged() {}
    virtual void FontChanged();
    virtual void TextChanged() {}
    virtual void ColorChanged();
    virtual void SysColorChanged() {}
    virtual void VisibleChanged() {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    // An accelerator character typed in the form; true when handled.
    virtual bool DialogChar(wchar_t) { return false; }
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();

    // Messages WndProc does not handle itself.
    virtual void DefaultHandler(TMessage&) {}

    virtual void BoundsChanged() {}
    void RequestAlign();
    void HintChanged();
    void SetControlState(TControlStateItem item, bool on) { controlState_.Set(item, on); }
    void SetControlStyleItem(TControlStyleItem item, bool on) { controlStyle_.Set(item, on); }
    // Stores the bounds without moving anything (the window moved itself).
    void UpdateBoundsFields(int left, int top, int width, int height);
    // The bounds and the parent's size that the anchors count from: taken
    // whenever the control is placed other than by its anchors.
    void TakeAnchorBase();
    // Places the control by its anchors for the parent's size now.
    void ApplyAnchors();

private:
    friend class TWinControl;
    friend class TForm;
    void HandleMouse(TMessage& m);

    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_{akLeft, akTop};
    TRect anchorBase_{0, 0, 0, 0};
    int anchorParentWidth_ = -1, anchorParentHeight_ = -1;  // -1: none taken
    bool anchoring_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool updatingParentFont_ = false;
    TColor color_ = clWindow;
    bool parentColor_ = false;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TCursor cursor_ = crDefault;
    TControlStyle controlStyle_;
    TControlState controlState_;
};

// A canvas on the parent's surface, made on demand when a control measures or
// draws outside its paint; given back after the message that needed it.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* control) : control_(control) {}
    ~TControlCanvas() override;
    void ReleaseBorrowed();
    // Runs a paint routine drawing on dc, and lets go of dc afterwards.
    template <class F>
    void PaintOn(HDC dc, F&& paint) {
        ReleaseBorrowed();
        SetHandle(dc);
        struct Done {
            TCanvas* canvas;
            ~Done() { canvas->SetHandle(nullptr); }
        } done{this};
        paint();
    }

protected:
    void CreateHandle() override;
    void FreeHandle() override { ReleaseBorrowed(); }

private:
    TControl* control_;
    HWND borrowedFrom_ = nullptr;
    HDC borrowed_ = nullptr;
    ui::MemoryDc measuring_;
};

namespace ui {
// Gives back every device context that control canvases borrowed.
void FreeDeviceContexts();
}

// A control without a window: it paints on its parent's surface through its
// own canvas, after the parent's background and the windowless controls
// created before it.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    TCanvas* GetCanvas() const { return canvas_.get(); }
    void PaintTo(HDC dc, int x, int y) override;

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// The window procedure of the class library's own window classes (bound to
// the control at WM_NCCREATE), and the subclass procedure of stock controls.
LRESULT CALLBACK ControlWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StockSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
namespace ui {
// Registers (once) a window class of the class library under this name.
void RegisterControlClass(const wchar_t* name);
}

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window, made now if it does not exist yet (its parents first).
    HWND GetHandle();
    HWND GetHandle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    // Destroys the window (and its children's); it is made again when needed.
    void DestroyHandle();
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* GetControl(int index) const { return controls_[static_cast<std::size_t>(index)]; }
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    bool ContainsControl(const TControl* control) const;

    // The child control at a client point: the topmost visible one, windowless
    // or (when asked) windowed; disabled ones only when asked.
    TControl* ControlAtPos(const TPoint& point, bool allowDisabled, bool allowWinControls = false) const;
    // Sends a message to each child until one sets a non-zero Result.
    void Broadcast(TMessage& message);
    // Sends a message to every child.
    void NotifyControls(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    bool Focused() const;
    virtual bool CanFocus() const;
    virtual void SetFocus();
    int GetTabOrder() const;
    void SetTabOrder(int order);
    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    // Windowed descendants in Tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop) const;
    void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

    void InvalidateRect(const TRect& rect, bool erase);
    void Invalidate() override;
    void Update() override;
    void Repaint() override;
    // Paints the windowless children into dc (already set up in client
    // coordinates), from `first` on, or all of them when first is null; only
    // those that meet the clip box.
    void PaintControls(HDC dc, TControl* first);
    void PaintTo(HDC dc, int x, int y) override;

    void Realign();
    TRect GetClientRect() const override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    std::string GetText() const override;
    void SetText(const std::string& text) override;
    TPoint ClientOrigin() const override;
    TBrush* GetBrush() const { return brush_.get(); }
    bool IsWindowed() const override { return true; }

    void WndProc(TMessage& message) override;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // The control bound to a window, or to its nearest bound ancestor window.
    static TWinControl* FindControl(HWND window);
    static TWinControl* FindControlOrAncestor(HWND window);

protected:
    struct TCreateParams {
        std::string Caption;
        DWORD Style = 0;
        DWORD ExStyle = 0;
        int X = 0, Y = 0, Width = 0, Height = 0;
        HWND WndParent = nullptr;
        // A system class (EDIT, COMBOBOX, ...) the control subclasses, or
        // empty for the class library's own window class.
        std::wstring StockClass;
        UINT ClassStyle = CS_DBLCLKS;
    };
    virtual void CreateParams(TCreateParams& params);
    // Makes the window; subclasses push their state into it after calling this.
    virtual void CreateWnd();
    // Saves what the window holds before it is destroyed.
    virtual void DestroyWnd();
    // After the window is made: the children's windows, their hints, their places.
    void CreateChildHandles();
    void DefaultHandler(TMessage& message) override;
    // Paints the control's own surface (the background, by default).
    virtual void PaintWindow(HDC dc);
    virtual void AlignControls(TRect& rect);

    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    virtual void DoEnter();
    virtual void DoExit();
    // The dialog codes (WM_GETDLGCODE) of the class library's own controls.
    virtual LRESULT DialogCode() { return 0; }

    void ColorChanged() override;
    void FontChanged() override;
    void EnabledChanged() override;
    void SysColorChanged() override;
    // Offers an accelerator to the children in turn.
    bool DialogChar(wchar_t key) override;

private:
    friend class TControl;
    friend class TForm;
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK StockSubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    bool RouteMouseMessage(TMessage& m);
    void TrackMouseControl(TControl* hovered);
    // Ends the left press that this control and each of its children,
    // except `keep`, waits to see released as a click.
    void EndPressesBut(const TControl* keep);
    void PaintHandler(HDC dc, const TRect& clip);
    bool ReflectToChild(TMessage& m);
    void UpdateBoundsFromWindow();
    void Detach();
    // Whether the focus is on this control's window or on one inside it.
    bool ContainsFocus() const;
    // Moves the focus off this control, which can no longer have it.
    void PassFocusOn();

    HWND handle_ = nullptr;
    bool stock_ = false;
    std::vector<TControl*> controls_;     // every child, in creation order
    std::vector<TWinControl*> tabList_;   // windowed children, in Tab order
    bool tabStop_ = false;
    std::unique_ptr<TBrush> brush_;
    TControl* captureControl_ = nullptr;  // windowless child holding the mouse
    TControl* mouseControl_ = nullptr;    // child (or this) under the cursor
    bool trackingLeave_ = false;
    bool aligning_ = false;
};

// A windowed control that paints itself through its own canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* GetCanvas() const { return canvas_.get(); }

protected:
    virtual void Paint();
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TControlCanvas> canvas_;
};

// The control (windowed or not, disabled ones when asked) under a point of
// the screen, in a window of this program.
TControl* FindDragTarget(const TPoint& screenPoint, bool allowDisabled);
