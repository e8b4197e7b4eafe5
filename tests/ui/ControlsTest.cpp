// Windowless controls on a windowed parent: painting order, mouse routing and
// capture, clicks, mouse-leave notifications, alignment, focus and Tab order.
#include <gtest/gtest.h>

#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/Edit.h"
#include "ui/Forms.h"
#include "ui/Panel.h"
#include "ui/StringGrid.h"

namespace {

// A windowless control that fills itself with one colour and records what
// happens to it.
class Swatch : public TGraphicControl {
public:
    Swatch(TComponent* owner, COLORREF fill, std::vector<std::string>* log, const char* name)
        : TGraphicControl(owner), fill_(fill), log_(log) {
        SetName(name);
        SetControlStyle({csCaptureMouse, csClickEvents});
        OnClick = [this](TObject*) { Log("click"); };
    }
    void Log(const std::string& s) {
        if (log_) log_->push_back(GetName() + ":" + s);
    }
    int lastX = 0, lastY = 0;

protected:
    void Paint() override {
        GetCanvas()->GetBrush()->SetColor(static_cast<TColor>(fill_));
        GetCanvas()->FillRect(GetClientRect());
    }
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        lastX = x, lastY = y;
        Log("down " + std::to_string(x) + "," + std::to_string(y));
        TGraphicControl::MouseDown(b, s, x, y);
    }
    void MouseMove(TShiftState s, int x, int y) override {
        lastX = x, lastY = y;
        TGraphicControl::MouseMove(s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        Log("up " + std::to_string(x) + "," + std::to_string(y));
        TGraphicControl::MouseUp(b, s, x, y);
    }
    void MouseEnter() override { Log("enter"); }
    void MouseLeave() override { Log("leave"); }

private:
    COLORREF fill_;
    std::vector<std::string>* log_;
};

class TestForm : public TForm {
public:
    explicit TestForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetLeft(40);
        SetTop(40);
        SetClientWidth(300);
        SetClientHeight(200);
        SetColor(static_cast<TColor>(RGB(255, 0, 0)));
    }
    // Where to record that the mouse left the window, if anywhere.
    std::vector<std::string>* log = nullptr;

protected:
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_MOUSELEAVE && log) log->push_back("form:leave");
        TForm::WndProc(m);
    }
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TestForm(Application);
        a = new Swatch(form, RGB(0, 255, 0), &log, "a");
        a->SetBounds(10, 10, 100, 50);
        a->SetParent(form);
        b = new Swatch(form, RGB(0, 0, 255), &log, "b");
        b->SetBounds(60, 30, 100, 50);
        b->SetParent(form);
        ASSERT_TRUE(test::ShowActive(form));
        log.clear();
    }
    void TearDown() override { delete form; }
    HWND wnd() { return form->GetHandle(); }
    void Send(UINT msg, WPARAM w, LPARAM l) { ::SendMessageW(wnd(), msg, w, l); }

    std::vector<std::string> log;
    TestForm* form = nullptr;
    Swatch* a = nullptr;
    Swatch* b = nullptr;
};

TEST_F(ControlsTest, WindowlessChildrenPaintInCreationOrderOverTheParent) {
    test::Canvas32 pic(300, 200);
    ::SendMessageW(wnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    EXPECT_EQ(pic.At(5, 5), RGB(255, 0, 0));     // the parent's background
    EXPECT_EQ(pic.At(20, 20), RGB(0, 255, 0));   // a alone
    EXPECT_EQ(pic.At(80, 40), RGB(0, 0, 255));   // b, made later, covers a
    EXPECT_EQ(pic.At(150, 70), RGB(0, 0, 255));  // b alone
    EXPECT_EQ(pic.At(200, 150), RGB(255, 0, 0));

    // The window itself shows the same picture once painted.
    ::RedrawWindow(wnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = ::GetDC(wnd());
    EXPECT_EQ(::GetPixel(dc, 80, 40), RGB(0, 0, 255));
    EXPECT_EQ(::GetPixel(dc, 20, 20), RGB(0, 255, 0));
    ::ReleaseDC(wnd(), dc);

    // A hidden child is not painted.
    b->Hide();
    pic.Fill(0);
    ::SendMessageW(wnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    EXPECT_EQ(pic.At(80, 40), RGB(0, 255, 0));
    EXPECT_EQ(pic.At(150, 70), RGB(255, 0, 0));
}

TEST_F(ControlsTest, MouseMessagesReachTheTopmostControlInItsCoordinates) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(80, 40));  // where b covers a
    Send(WM_LBUTTONUP, 0, At(80, 40));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(15, 12));  // a alone
    Send(WM_LBUTTONUP, 0, At(15, 12));
    std::vector<std::string> expected{"b:down 20,10", "b:click", "b:up 20,10", "a:down 5,2", "a:click", "a:up 5,2"};
    EXPECT_EQ(log, expected);

    // A disabled control lets the press through to the one below it.
    log.clear();
    b->SetEnabled(false);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(80, 40));
    Send(WM_LBUTTONUP, 0, At(80, 40));
    EXPECT_EQ(log, (std::vector<std::string>{"a:down 70,30", "a:click", "a:up 70,30"}));
    EXPECT_EQ(form->ControlAtPos(Point(80, 40), false), a);
    EXPECT_EQ(form->ControlAtPos(Point(80, 40), true), b);
}

TEST_F(ControlsTest, ThePressedControlKeepsTheMouseUntilRelease) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(15, 12));
    EXPECT_TRUE(a->GetMouseCapture());
    EXPECT_EQ(::GetCapture(), wnd());
    // Over b and outside the window: still a's, in a's coordinates.
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(150, 70));
    EXPECT_EQ(a->lastX, 140);
    EXPECT_EQ(a->lastY, 60);
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-20, -5));
    EXPECT_EQ(a->lastX, -30);
    EXPECT_EQ(a->lastY, -15);
    Send(WM_LBUTTONUP, 0, At(150, 70));
    EXPECT_FALSE(a->GetMouseCapture());
    EXPECT_EQ(::GetCapture(), nullptr);
    // Released away from the control: no click. b only saw the cursor pass.
    EXPECT_EQ(log, (std::vector<std::string>{"a:down 5,2", "b:enter", "b:leave", "a:up 140,60"}));
}

// Drags with the left button from one screen point to another.
void Drag(POINT from, POINT to) {
    test::MouseMoveTo(from.x, from.y);
    test::MouseDown();
    test::MouseMoveTo((from.x + to.x) / 2, (from.y + to.y) / 2);
    test::MouseMoveTo(to.x, to.y);
    test::MouseUp();
}

bool Logged(const std::vector<std::string>& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
}

// A click is a press and a release on one control. Controls that do not
// hold the mouse while pressed (labels, the bitmap check box) see releases
// of presses that began elsewhere: one must not complete a press of theirs
// that was released somewhere else, on a sibling or on the parent itself.
TEST_F(ControlsTest, AClickNeedsThePressAndTheReleaseOnOneControl) {
    a->SetControlStyle({csClickEvents});
    b->SetControlStyle({csClickEvents});
    form->SetControlStyle({csClickEvents});
    form->OnClick = [&](TObject*) { log.push_back("form:click"); };
    POINT inA = test::ScreenPointOf(form, 20, 20), inB = test::ScreenPointOf(form, 150, 70);
    POINT bare = test::ScreenPointOf(form, 250, 150);

    Drag(inA, inB);
    ASSERT_TRUE(test::PumpUntil([&] { return Logged(log, "b:up 90,40"); }));
    EXPECT_FALSE(a->GetControlState().Contains(csClicked));  // the release on b ended it
    Drag(inB, inA);
    Drag(bare, inA);
    Drag(inA, bare);
    test::ClickAt(inA.x, inA.y);
    test::ClickAt(bare.x, bare.y);
    ASSERT_TRUE(test::PumpUntil([&] { return Logged(log, "form:click"); }));
    std::vector<std::string> clicks;
    std::copy_if(log.begin(), log.end(), std::back_inserter(clicks),
                 [](const std::string& s) { return s.find(":click") != std::string::npos; });
    EXPECT_EQ(clicks, (std::vector<std::string>{"a:click", "form:click"}));
}

// Releases that never reach the window: a press carried off it and released
// over another window, or one whose mouse another window took. The next
// release on the control belongs to another press and is no click. A
// control that holds the mouse keeps its press wherever the mouse goes.
TEST_F(ControlsTest, APressWhoseReleaseGoesToAnotherWindowIsOver) {
    a->SetControlStyle({csClickEvents});
    TestForm other(Application);
    other.SetLeft(form->GetLeft() + form->GetWidth() + 20);
    other.Show();
    POINT inA = test::ScreenPointOf(form, 20, 20), inB = test::ScreenPointOf(form, 150, 70);
    POINT away = test::CentreOf(&other);
    form->log = &log;
    auto leftTheWindow = [&] { return test::PumpUntil([&] { return Logged(log, "form:leave"); }); };

    Drag(inA, away);
    ASSERT_TRUE(leftTheWindow());
    Drag(away, inA);
    ASSERT_TRUE(test::PumpUntil([&] { return Logged(log, "a:up 10,10"); }));
    EXPECT_FALSE(Logged(log, "a:click"));

    log.clear();
    test::MouseMoveTo(inB.x, inB.y);
    test::MouseDown();
    test::MouseMoveTo(away.x, away.y);
    ASSERT_TRUE(leftTheWindow());
    test::MouseMoveTo(inB.x, inB.y);
    test::MouseUp();
    ASSERT_TRUE(test::PumpUntil([&] { return Logged(log, "b:up 90,40"); }));
    EXPECT_TRUE(Logged(log, "b:click"));

    // A menu or a message box takes the mouse from the pressed control,
    // and the release goes there; then a press on a, released on b.
    log.clear();
    test::MouseDown();
    ASSERT_TRUE(test::PumpUntil([&] { return Logged(log, "b:down 90,40"); }));
    ::SetCapture(other.GetHandle());
    test::MouseUp();
    ::ReleaseCapture();
    Drag(inA, inB);
    ASSERT_TRUE(test::PumpUntil([&] { return Logged(log, "b:up 90,40"); }));
    EXPECT_FALSE(Logged(log, "b:click"));
    test::MouseMoveTo(away.x, away.y);
}

TEST_F(ControlsTest, MouseLeaveComesWhenTheCursorLeavesAControlOrTheWindow) {
    POINT inA = test::ScreenPointOf(form, 20, 20);
    POINT inB = test::ScreenPointOf(form, 150, 70);
    test::MouseMoveTo(inA.x, inA.y);
    ASSERT_TRUE(test::PumpUntil([&] { return !log.empty(); }));
    test::MouseMoveTo(inB.x, inB.y);
    ASSERT_TRUE(test::PumpUntil([&] { return log.size() >= 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"a:enter", "a:leave", "b:enter"}));

    // Off the window altogether: the window's mouse-leave reaches b.
    RECT r;
    ::GetWindowRect(wnd(), &r);
    test::MouseMoveTo(r.right + 50, r.bottom + 50);
    EXPECT_TRUE(test::PumpUntil([&] { return log.size() >= 4; }));
    EXPECT_EQ(log.back(), "b:leave");
}

TEST_F(ControlsTest, TopBottomAndClientAlignmentFollowTheParentsSize) {
    auto* top = new Swatch(form, 0, nullptr, "top");
    top->SetHeight(30);
    top->SetAlign(alTop);
    top->SetParent(form);
    auto* bottom = new Swatch(form, 0, nullptr, "bottom");
    bottom->SetHeight(20);
    bottom->SetAlign(alBottom);
    bottom->SetParent(form);
    auto* client = new Swatch(form, 0, nullptr, "client");
    client->SetAlign(alClient);
    client->SetParent(form);
    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 300, 30));
    EXPECT_EQ(bottom->GetBoundsRect(), Rect(0, 180, 300, 200));
    EXPECT_EQ(client->GetBoundsRect(), Rect(0, 30, 300, 180));

    form->SetClientWidth(400);
    form->SetClientHeight(100);
    EXPECT_EQ(top->GetBoundsRect(), Rect(0, 0, 400, 30));
    EXPECT_EQ(bottom->GetBoundsRect(), Rect(0, 80, 400, 100));
    EXPECT_EQ(client->GetBoundsRect(), Rect(0, 30, 400, 80));

    // A hidden control gives up its room.
    top->Hide();
    EXPECT_EQ(client->GetBoundsRect(), Rect(0, 0, 400, 80));
}

// A windowed control of the class library's own class, for focus tests.
class Box : public TCustomControl {
public:
    Box(TComponent* owner, TWinControl* parent, const char* name, std::vector<std::string>* log)
        : TCustomControl(owner) {
        SetName(name);
        SetTabStop(true);
        SetBounds(0, 0, 20, 20);
        SetParent(parent);
        OnEnter = [log, this](TObject*) { log->push_back(GetName() + ":enter"); };
        OnExit = [log, this](TObject*) { log->push_back(GetName() + ":exit"); };
    }
};

TEST_F(ControlsTest, TabMovesTheFocusInTabOrderAndFiresExitAndEnter) {
    auto* one = new Box(form, form, "one", &log);
    auto* two = new Box(form, form, "two", &log);
    auto* three = new Box(form, form, "three", &log);
    three->SetTabOrder(0);  // three, one, two
    two->SetEnabled(false);
    three->SetFocus();
    ASSERT_TRUE(three->Focused());
    log.clear();

    test::PressKey(VK_TAB);
    EXPECT_TRUE(one->Focused());
    test::PressKey(VK_TAB);  // two is disabled: round to three
    EXPECT_TRUE(three->Focused());
    test::PressKey(VK_TAB, true);  // Shift+Tab goes back
    EXPECT_TRUE(one->Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"three:exit", "one:enter", "one:exit", "three:enter", "three:exit",
                                             "one:enter"}));
}

// The configuration panel of the main window, in small: a grid and a field
// on a panel, and a field beside it. Keys go where the focus is, so a
// control that cannot be seen or used must not keep it, nor may anything
// inside it.
TEST_F(ControlsTest, HidingOrDisablingWhatHoldsTheFocusMovesItOn) {
    auto* beside = new TEdit(form);
    beside->SetBounds(210, 10, 80, 21);
    beside->SetParent(form);
    auto* panel = new TPanel(form);
    panel->SetBounds(0, 0, 200, 150);
    panel->SetParent(form);
    auto* grid = new TStringGrid(form);
    grid->SetBounds(5, 5, 150, 100);
    grid->SetRowCount(6);
    grid->SetParent(panel);
    auto* inner = new TEdit(form);
    inner->SetBounds(5, 110, 150, 21);
    inner->SetParent(panel);
    auto watch = [&](TWinControl* c, const std::string& name) {
        c->OnEnter = [&, name](TObject*) { log.push_back(name + ":enter"); };
        c->OnExit = [&, name](TObject*) { log.push_back(name + ":exit"); };
        c->OnKeyDown = [&, name](TObject*, WORD& key, TShiftState) {
            if (key == VK_DOWN) log.push_back(name + ":down");
        };
    };
    watch(beside, "beside");
    watch(panel, "panel");
    watch(grid, "grid");
    watch(inner, "inner");
    watch(form, "form");
    form->Show();
    auto focusGrid = [&] {
        grid->SetFocus();
        bool focused = test::PumpUntil([&] { return grid->Focused(); });
        log.clear();
        return focused;
    };
    // Down, pressed and seen by whatever holds the focus.
    auto pressDown = [&](const std::string& holder) {
        test::PressKey(VK_DOWN);
        return test::PumpUntil([&] { return Logged(log, holder + ":down"); });
    };

    ASSERT_TRUE(focusGrid());
    const int row = grid->GetRow();
    panel->Hide();
    EXPECT_TRUE(beside->Focused());
    EXPECT_TRUE(pressDown("beside"));
    EXPECT_EQ(grid->GetRow(), row);

    panel->Show();
    ASSERT_TRUE(focusGrid());
    panel->SetEnabled(false);
    EXPECT_TRUE(beside->Focused());
    panel->SetEnabled(true);

    // The control itself: the focus goes straight on to the next one in Tab
    // order, here inside the same panel, and never to the panel.
    ASSERT_TRUE(focusGrid());
    grid->Hide();
    EXPECT_TRUE(inner->Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"grid:exit", "inner:enter"}));
    grid->Show();

    // With nothing else to take the focus, the form holds it, and the grid
    // has lost it as it would to another control.
    beside->SetEnabled(false);
    ASSERT_TRUE(focusGrid());
    panel->Hide();
    EXPECT_EQ(::GetFocus(), wnd());
    EXPECT_EQ(log, std::vector<std::string>{"grid:exit"});
    EXPECT_EQ(form->GetActiveControl(), nullptr);
    EXPECT_TRUE(pressDown("form"));
    EXPECT_EQ(grid->GetRow(), row);
}

TEST_F(ControlsTest, KeyPressCanChangeOrSwallowTheCharacter) {
    auto* box = new Box(form, form, "box", &log);
    std::wstring typed;
    box->OnKeyPress = [&](TObject*, wchar_t& key) {
        if (key == L'x') key = 0;
        else if (key == L'a') key = L'b';
        typed += key ? key : L'_';
    };
    box->SetFocus();
    ASSERT_TRUE(box->Focused());
    std::string seen;
    box->OnKeyDown = nullptr;
    test::TypeText("axc");
    EXPECT_EQ(typed, L"b_c");
}

TEST_F(ControlsTest, BroadcastStopsAtTheFirstControlThatAnswers) {
    struct Answering : public TGraphicControl {
        using TGraphicControl::TGraphicControl;
        int heard = 0;
        bool answer = false;
        bool DialogChar(wchar_t) override {
            ++heard;
            return answer;
        }
    };
    auto* first = new Answering(form);
    first->SetParent(form);
    auto* second = new Answering(form);
    second->SetParent(form);
    auto* third = new Answering(form);
    third->SetParent(form);
    second->answer = true;
    EXPECT_TRUE(form->DialogCharToControls(L'q'));
    EXPECT_EQ(first->heard, 1);
    EXPECT_EQ(second->heard, 1);
    EXPECT_EQ(third->heard, 0);
}

TEST_F(ControlsTest, FindDragTargetFindsWindowlessControlsDisabledOnesWhenAsked) {
    b->SetEnabled(false);
    POINT p = test::ScreenPointOf(form, 150, 70);
    EXPECT_EQ(FindDragTarget(p, true), b);
    EXPECT_EQ(FindDragTarget(p, false), form);
    p = test::ScreenPointOf(form, 20, 20);
    EXPECT_EQ(FindDragTarget(p, false), a);
}

TEST_F(ControlsTest, ClientAndScreenCoordinatesConvertBothWays) {
    POINT origin{0, 0};
    ::ClientToScreen(wnd(), &origin);
    EXPECT_EQ(b->ClientToScreen(Point(0, 0)), Point(origin.x + 60, origin.y + 30));
    EXPECT_EQ(b->ScreenToClient(Point(origin.x + 61, origin.y + 32)), Point(1, 2));
}

}  // namespace
