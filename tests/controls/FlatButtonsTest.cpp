// The flat toolbar button driven by real input: the events it fires, in
// order, for the ways a user handles it (in the manner of Wine's message
// sequence tests), the drop-down menu, and what each look paints.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "controls/FlatButtons.h"
#include "support/SystemCalls.h"
#include "support/TestSupport.h"
#include "support/Unusual3DColors.h"
#include "ui/Forms.h"
#include "ui/SysUtils.h"
#include "ui/Timer.h"
#include "base/Handles.h"

namespace {

const COLORREF kParent = RGB(200, 180, 160);
const COLORREF kButton = RGB(20, 160, 40);
const POINT kAway{1010, 750};  // on the bare desktop

using Events = std::vector<std::string>;

// Raw input without pumping: for use while a menu's loop runs.
void SendMouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof in);
}

// A 16 x 16 picture strip with an up and a disabled picture: a red block at
// (0..3, 0..3) of the up picture, a blue one in the disabled picture, olive
// around them.
std::unique_ptr<TBitmap> TestStrip() {
    std::unique_ptr<TBitmap> b(new TBitmap);
    b->SetSize(32, 16);
    TCanvas* c = b->GetCanvas();
    c->GetBrush()->SetColor(clOlive);
    c->FillRect(Rect(0, 0, 32, 16));
    c->GetBrush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 4, 4));
    c->GetBrush()->SetColor(clBlue);
    c->FillRect(Rect(16, 0, 20, 4));
    return b;
}

// One picture: a black 4 x 4 block at (0..3, 0..3) on olive.
std::unique_ptr<TBitmap> OnePictureStrip() {
    std::unique_ptr<TBitmap> b(new TBitmap);
    b->SetSize(16, 16);
    TCanvas* c = b->GetCanvas();
    c->GetBrush()->SetColor(clOlive);
    c->FillRect(Rect(0, 0, 16, 16));
    c->GetBrush()->SetColor(clBlack);
    c->FillRect(Rect(0, 0, 4, 4));
    return b;
}

class FlatButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::MouseMoveTo(kAway.x, kAway.y);
        form = new TForm(Application);
        form->SetBorderStyle(bsSingle);
        form->SetBounds(60, 60, 100, 100);
        form->SetClientWidth(420);
        form->SetClientHeight(160);
        form->SetColor(static_cast<TColor>(kParent));
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override {
        test::MouseMoveTo(kAway.x, kAway.y);
        delete form;
        test::HandlePosted();
    }

    TFlatButton* AddButton(const char* name, int left, int top = 8, int width = 60, int height = 40) {
        auto* b = new TFlatButton(form);
        b->SetName(name);
        b->SetBounds(left, top, width, height);
        b->SetParent(form);
        const std::string n = name;
        b->OnMouseEnter = [this, n](TObject*) { events.push_back(n + ":enter"); };
        b->OnMouseExit = [this, n](TObject*) { events.push_back(n + ":exit"); };
        b->OnClick = [this, n](TObject*) { events.push_back(n + ":click"); };
        b->OnDownChange = [this, n, b](TObject*) { events.push_back(n + (b->GetDown() ? ":down" : ":up")); };
        return b;
    }

    POINT At(TFlatButton* b, int x, int y) { return test::ScreenPointOf(b, x, y); }
    void MoveOnto(TFlatButton* b, int x = 10, int y = 10) {
        POINT p = At(b, x, y);
        test::MouseMoveTo(p.x, p.y);
    }
    void Click(TFlatButton* b) {
        MoveOnto(b);
        test::MouseDown();
        test::MouseUp();
    }
    // The form's client area as it paints now.
    std::unique_ptr<test::Canvas32> Picture() {
        std::unique_ptr<test::Canvas32> pic(new test::Canvas32(420, 160));
        ::SendMessageW(form->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic->dc()), PRF_CLIENT);
        return pic;
    }

    TForm* form = nullptr;
    Events events;
};

// ---------------------------------------------------------------- groups

TEST_F(FlatButtonTest, StartAndConfigureTakeTurnsBeingDownAndStartClicksEitherWay) {
    TFlatButton* start = AddButton("start", 8);
    TFlatButton* config = AddButton("config", 136);
    for (TFlatButton* b : {start, config}) {
        b->SetGroupIndex(1);
        b->SetAllowAllUp(true);
    }
    config->SetDown(true);
    events.clear();

    Click(start);
    EXPECT_EQ(events, (Events{"start:enter", "config:up", "start:down", "start:exit", "start:click", "start:enter"}));
    EXPECT_TRUE(start->GetDown());
    EXPECT_FALSE(config->GetDown());
    EXPECT_EQ(config->GetVisualState(), vsUp);

    // Down already: all-up is allowed, so it goes up, and still clicks.
    events.clear();
    test::MouseDown();
    test::MouseUp();
    EXPECT_EQ(events, (Events{"start:up", "start:exit", "start:click", "start:enter"}));
    EXPECT_FALSE(start->GetDown());
    EXPECT_FALSE(config->GetDown());
}

TEST_F(FlatButtonTest, ADownMemberWithoutAllUpStaysDownButStillClicks) {
    TFlatButton* b = AddButton("b", 8);
    b->SetGroupIndex(2);
    b->SetDown(true);
    b->SetDown(false);  // refused: a member cannot be released this way
    EXPECT_EQ(events, (Events{"b:down"}));
    events.clear();

    Click(b);
    EXPECT_EQ(events, (Events{"b:enter", "b:exit", "b:click", "b:enter"}));
    EXPECT_TRUE(b->GetDown());
    EXPECT_EQ(b->GetVisualState(), vsLatched);

    // Outside any group a button never stays down.
    TFlatButton* plain = AddButton("plain", 136);
    events.clear();
    plain->SetDown(true);
    EXPECT_FALSE(plain->GetDown());
    EXPECT_TRUE(events.empty());
}

TEST_F(FlatButtonTest, AllowAllUpSetOnOneMemberLetsTheOthersBeReleasedToo) {
    TFlatButton* a = AddButton("a", 8);
    TFlatButton* b = AddButton("b", 136);
    for (TFlatButton* x : {a, b}) x->SetGroupIndex(3);
    b->SetDown(true);
    a->SetAllowAllUp(true);
    EXPECT_TRUE(b->GetAllowAllUp());
    events.clear();
    Click(b);
    EXPECT_EQ(events, (Events{"b:enter", "b:up", "b:exit", "b:click", "b:enter"}));
    EXPECT_FALSE(a->GetDown() || b->GetDown());
}

TEST_F(FlatButtonTest, AGroupLeavesTheButtonsOfOtherGroupsAlone) {
    TFlatButton* a = AddButton("a", 8);
    TFlatButton* b = AddButton("b", 136);
    TFlatButton* c = AddButton("c", 264);
    a->SetGroupIndex(1);
    c->SetGroupIndex(1);
    b->SetGroupIndex(2);
    a->SetDown(true);
    b->SetDown(true);
    c->SetAllowAllUp(true);
    EXPECT_TRUE(a->GetDown());
    EXPECT_TRUE(a->GetAllowAllUp());
    EXPECT_FALSE(b->GetAllowAllUp());
    EXPECT_EQ(events, (Events{"a:down", "b:down"}));
}

// ---------------------------------------------------------------- pressing

TEST_F(FlatButtonTest, DraggingOutAndBackShowsThePressAndReleasingOutsideDoesNotClick) {
    TFlatButton* b = AddButton("b", 8);
    MoveOnto(b);
    test::MouseDown();
    EXPECT_EQ(b->GetVisualState(), vsPressed);
    POINT out = At(b, 100, 20);  // on the form, beside the button
    test::MouseMoveTo(out.x, out.y);
    EXPECT_EQ(b->GetVisualState(), vsUp);
    MoveOnto(b, 20, 20);
    EXPECT_EQ(b->GetVisualState(), vsPressed);
    test::MouseMoveTo(out.x, out.y);
    test::MouseUp();
    EXPECT_EQ(events, (Events{"b:enter", "b:exit"}));
    EXPECT_FALSE(b->GetMouseInside());
}

TEST_F(FlatButtonTest, TheRightButtonCancelsALeftPress) {
    TFlatButton* b = AddButton("b", 8);
    MoveOnto(b);
    test::MouseDown(true);
    test::MouseDown(false);
    test::MouseUp(false);
    EXPECT_EQ(b->GetVisualState(), vsUp);
    test::MouseUp(true);
    EXPECT_EQ(events, (Events{"b:enter", "b:exit"}));
}

TEST_F(FlatButtonTest, APressWhoseMouseIsTakenAwayEndsWithoutAClick) {
    TFlatButton* b = AddButton("b", 8);
    MoveOnto(b);
    test::MouseDown();
    ASSERT_EQ(b->GetVisualState(), vsPressed);
    ::ReleaseCapture();  // as when another window takes the mouse
    EXPECT_NE(b->GetVisualState(), vsPressed);
    test::MouseUp();
    EXPECT_EQ(std::count(events.begin(), events.end(), "b:click"), 0);
}

TEST_F(FlatButtonTest, ADisabledButtonIgnoresTheMouseHoweverItArrives) {
    TFlatButton* b = AddButton("b", 8);
    b->SetEnabled(false);
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    Click(b);
    b->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(12, 12));  // the cursor is on it
    b->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(12, 12));
    b->Perform(WM_RBUTTONUP, 0, MAKELPARAM(12, 12));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(b->GetMouseInside());
}

// Disabled while hot, the button cannot follow the mouse; enabled again, it
// looks where the cursor is.
TEST_F(FlatButtonTest, ReEnabledAButtonFindsTheCursorGone) {
    TFlatButton* b = AddButton("b", 8);
    MoveOnto(b);
    b->SetEnabled(false);
    test::MouseMoveTo(kAway.x, kAway.y);
    ASSERT_TRUE(test::PumpUntil([] {
        POINT p{};
        return ::GetCursorPos(&p) && p.x == kAway.x && p.y == kAway.y;
    }));
    b->SetEnabled(true);
    EXPECT_EQ(events, (Events{"b:enter", "b:exit"}));
    EXPECT_FALSE(b->GetMouseInside());
}

// A right press lights up a button that the moving mouse did not (its form
// was not active then); its release puts it out again.
TEST_F(FlatButtonTest, ARightPressLightsTheButtonUpUntilItsRelease) {
    TFlatButton* b = AddButton("b", 8);
    b->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(b->GetMouseInside());
    b->Perform(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(events, (Events{"b:enter", "b:exit"}));
}

// A release reported outside the button with no move seen before it: no
// click, and the pressed look goes.
TEST_F(FlatButtonTest, AReleaseOutsideWithoutAMoveLeavesNoPressedLook) {
    TFlatButton* b = AddButton("b", 8);
    MoveOnto(b);
    b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ASSERT_EQ(b->GetVisualState(), vsPressed);
    b->Perform(WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
    EXPECT_EQ(b->GetVisualState(), vsHot);  // the cursor is still on it
    EXPECT_EQ(std::count(events.begin(), events.end(), "b:click"), 0);
}

TEST_F(FlatButtonTest, ADoubleClickIsReportedOnlyOnAButtonThatIsDown) {
    TFlatButton* plain = AddButton("plain", 8);
    TFlatButton* member = AddButton("member", 136);
    member->SetGroupIndex(1);
    member->SetDown(true);
    for (TFlatButton* b : {plain, member}) {
        const std::string n = b->GetName();
        b->OnDblClick = [this, n](TObject*) { events.push_back(n + ":dblclick"); };
    }
    for (TFlatButton* b : {plain, member}) {
        MoveOnto(b);
        events.clear();
        POINT p = At(b, 10, 10);
        test::DoubleClickAt(p.x, p.y);
        const std::string n = b->GetName();
        const Events clicks{n + ":exit", n + ":click", n + ":enter"};
        Events expected = clicks;
        if (b == member) expected.push_back(n + ":dblclick");
        expected.insert(expected.end(), clicks.begin(), clicks.end());
        EXPECT_EQ(events, expected);
    }
    EXPECT_TRUE(member->GetDown());
}

// ---------------------------------------------------------------- hot tracking

TEST_F(FlatButtonTest, MovingFromOneButtonToTheNextLeavesTheFirstBeforeEnteringTheSecond) {
    TFlatButton* a = AddButton("a", 8);
    TFlatButton* b = AddButton("b", 68);
    MoveOnto(a);
    EXPECT_EQ(a->GetVisualState(), vsHot);
    MoveOnto(b);
    EXPECT_EQ(events, (Events{"a:enter", "a:exit", "b:enter"}));
    EXPECT_EQ(a->GetVisualState(), vsUp);
    EXPECT_EQ(b->GetVisualState(), vsHot);
}

// Takes the window's mouse-leave notices out of the queue, so that only the
// hot-tracking timer can notice the cursor going.
LRESULT CALLBACK DropMouseLeave(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && msg->message == WM_MOUSELEAVE) msg->message = WM_NULL;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(FlatButtonTest, TheTimerNoticesTheCursorLeavingTheWindow) {
    TFlatButton* b = AddButton("b", 8);
    HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, DropMouseLeave, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    // The button that turns hot starts the check, every 125 ms.
    test::TimerRequests timers;
    ASSERT_TRUE(timers.Active());
    MoveOnto(b);
    std::vector<UINT> intervals;
    for (const test::TimerRequests::Request& r : timers.Requests()) intervals.push_back(r.interval);
    EXPECT_EQ(std::count(intervals.begin(), intervals.end(), 125u), 1) << "timers started: " << intervals.size();
    test::MouseMoveTo(kAway.x, kAway.y);
    const bool noticed = test::PumpUntil([b] { return !b->GetMouseInside(); });
    ::UnhookWindowsHookEx(hook);
    EXPECT_TRUE(noticed);
    EXPECT_EQ(events, (Events{"b:enter", "b:exit"}));
    EXPECT_EQ(b->GetVisualState(), vsUp);
}

TEST_F(FlatButtonTest, SwitchingToAnotherProgramClearsTheHotButtonAndNoneLightsUpMeanwhile) {
    TFlatButton* a = AddButton("a", 8);
    TFlatButton* b = AddButton("b", 68);
    MoveOnto(a);
    ::SendMessageW(Application->GetHandle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(events, (Events{"a:enter", "a:exit"}));
    POINT p = At(b, 10, 10);
    test::MouseMoveTo(p.x, p.y);
    EXPECT_FALSE(b->GetMouseInside());
    ::SendMessageW(Application->GetHandle(), WM_ACTIVATEAPP, TRUE, 0);
    MoveOnto(b, 20, 20);
    EXPECT_EQ(events, (Events{"a:enter", "a:exit", "b:enter"}));
}

TEST_F(FlatButtonTest, OnlyTheActiveFormsButtonsLightUp) {
    TFlatButton* b = AddButton("b", 8);
    TForm* other = new TForm(Application);
    other->SetBounds(600, 400, 200, 150);
    other->Show();
    ASSERT_TRUE(test::PumpUntil([other] { return other->GetActive(); }));
    POINT p = At(b, 10, 10);
    test::MouseMoveTo(p.x, p.y);
    POINT q = At(b, 20, 20);
    test::MouseMoveTo(q.x, q.y);
    EXPECT_FALSE(b->GetMouseInside());
    delete other;
    ASSERT_TRUE(test::PumpUntil([this] { return form->GetActive(); }));
    MoveOnto(b);
    EXPECT_EQ(events, (Events{"b:enter"}));
}

// ---------------------------------------------------------------- keyboard

TEST_F(FlatButtonTest, TheCaptionsAcceleratorClicksAnEnabledVisibleButton) {
    TFlatButton* b = AddButton("b", 8);
    b->SetCaption("&Seguir");
    TFlatButton* off = AddButton("off", 136);
    off->SetCaption("&Otro");
    off->SetEnabled(false);
    events.clear();
    test::TypeText("s");
    test::TypeText("o");
    test::TypeText("x");
    // The click, then the hot state checked against the cursor, which is elsewhere.
    EXPECT_EQ(events, (Events{"b:click", "b:exit"}));
    events.clear();
    b->Hide();
    test::TypeText("s");
    EXPECT_TRUE(events.empty());

    // A hot button shows itself pressed while its click runs.
    b->Show();
    MoveOnto(b);
    TButtonVisualState during = vsUp;
    b->OnClick = [&](TObject*) { during = b->GetVisualState(); };
    test::TypeText("s");
    EXPECT_EQ(during, vsPressed);
}

// ---------------------------------------------------------------- drop-down menu

TEST_F(FlatButtonTest, ADropDownPressOpensTheMenuAndTheClickThatClosesItDoesNotReopenIt) {
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Eliminar");
    menu->GetItems()->Add(item);
    menu->SetAlignment(paRight);
    TFlatButton* b = AddButton("del", 8);
    b->SetDropdownMenu(menu);

    // The user, while the menu is open: lets go of the press that opened it,
    // then clicks the button again; any menu shown after that is closed.
    int opened = 0, stage = 0;
    TButtonVisualState lookWhileOpen = vsUp;
    RECT shownAt{};
    TTimer user(nullptr);
    user.SetInterval(40);
    user.OnTimer = [&](TObject*) {
        HWND open = test::OpenMenuWindow();
        switch (stage) {
            case 0:
                if (!open) return;
                ++opened;
                lookWhileOpen = b->GetVisualState();
                ::GetWindowRect(open, &shownAt);
                SendMouse(MOUSEEVENTF_LEFTUP);
                stage = 1;
                return;
            case 1:
                if (!open) {
                    stage = 9;  // closed by the release alone
                    return;
                }
                SendMouse(MOUSEEVENTF_LEFTDOWN);
                SendMouse(MOUSEEVENTF_LEFTUP);
                stage = 2;
                return;
            default:
                // Input goes before timer ticks: by now the click has closed the menu.
                stage = 3;
                if (open) {
                    ++opened;
                    ::PostMessageW(open, WM_KEYDOWN, VK_ESCAPE, 0);
                }
                return;
        }
    };
    MoveOnto(b);
    test::MouseDown();  // returns once the menu has closed
    EXPECT_TRUE(test::PumpUntil([&] { return stage >= 3; }));
    EXPECT_EQ(stage, 3) << "the menu closed on the release of the press that opened it";
    // A press left in the queue would have opened the menu again before the
    // tick that ended the play; anything it posted comes before the marker.
    test::HandlePosted();
    user.SetEnabled(false);

    EXPECT_EQ(opened, 1);
    EXPECT_EQ(lookWhileOpen, vsPressed);
    POINT corner = At(b, 0, b->GetHeight());
    EXPECT_EQ(shownAt.left, corner.x);  // left-aligned below the button
    EXPECT_EQ(shownAt.top, corner.y);
    EXPECT_EQ(menu->GetAlignment(), paRight);  // put back
    EXPECT_EQ(menu->GetPopupComponent(), b);
    EXPECT_EQ(events, (Events{"del:enter", "del:exit", "del:enter"}));  // and never a click
    EXPECT_EQ(b->GetVisualState(), vsHot);
}

TEST_F(FlatButtonTest, ASplitButtonClicksOnTheLeftAndOpensTheMenuOnItsRightPart) {
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Eliminar");
    menu->GetItems()->Add(item);
    TFlatButton* b = AddButton("split", 8);
    b->SetDropdownMenu(menu);
    b->SetDropdownCombo(true);
    EXPECT_EQ(b->GetWidth(), 71);  // widened by the menu part

    Click(b);
    EXPECT_EQ(events, (Events{"split:enter", "split:exit", "split:click", "split:enter"}));

    // The press area ends where the menu part begins.
    events.clear();
    test::MouseDown();
    POINT menuPart = At(b, 71 - 5, 10);
    test::MouseMoveTo(menuPart.x, menuPart.y);
    EXPECT_EQ(b->GetVisualState(), vsUp);
    test::MouseUp();
    EXPECT_EQ(events, (Events{"split:enter"}));  // no click; the hot state checked again

    // A press on the menu part opens the menu and clicks nothing.
    events.clear();
    int opened = 0;
    TTimer user(nullptr);
    user.SetInterval(40);
    user.OnTimer = [&](TObject*) {
        if (HWND open = test::OpenMenuWindow()) {
            ++opened;
            ::PostMessageW(open, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    };
    test::MouseDown();  // returns once the menu has closed
    test::MouseUp();    // a menu opened again would be open and closed by now
    user.SetEnabled(false);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(events, (Events{"split:exit", "split:enter"}));

    // A menu that goes is forgotten: the whole button clicks again.
    delete menu;
    EXPECT_EQ(b->GetDropdownMenu(), nullptr);
    events.clear();
    test::MouseDown();
    test::MouseUp();
    EXPECT_EQ(events, (Events{"split:exit", "split:click", "split:enter"}));
}

// ---------------------------------------------------------------- painting

TEST_F(FlatButtonTest, EachLookPaintsItsFrameBackgroundAndPictureOffset) {
    const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT), shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE), red = RGB(255, 0, 0);
    // 40 x 30 at (10, 10): the picture's top-left is at (12, 7) of the button
    // ((38 - 16 + 1) / 2 + 1, (28 - 16 + 1) / 2 + 1), at (13, 8) when pushed in.
    TFlatButton* b = AddButton("b", 10, 10, 40, 30);
    b->SetColor(static_cast<TColor>(kButton));
    b->SetGlyph(TestStrip().get());
    b->SetGroupIndex(1);
    b->SetAllowAllUp(true);

    auto flat = Picture();  // no frame, the button's own colour
    EXPECT_EQ(flat->At(10, 10), kButton);
    EXPECT_EQ(flat->At(49, 39), kButton);
    EXPECT_EQ(flat->At(10 + 12, 10 + 7), red);
    EXPECT_EQ(flat->At(10 + 12 + 5, 10 + 7 + 5), kButton);  // the picture's olive is keyed out
    EXPECT_EQ(flat->At(9, 9), kParent);

    MoveOnto(b, 30, 25);
    auto hot = Picture();  // a thin raised frame
    EXPECT_EQ(hot->At(10, 10), highlight);
    EXPECT_EQ(hot->At(49, 39), shadow);
    EXPECT_EQ(hot->At(11, 11), kButton);
    EXPECT_EQ(hot->At(10 + 12, 10 + 7), red);

    test::MouseDown();
    auto pressed = Picture();  // a thin sunken frame, the content one pixel in
    EXPECT_EQ(pressed->At(10, 10), shadow);
    EXPECT_EQ(pressed->At(49, 39), highlight);
    EXPECT_EQ(pressed->At(10 + 13, 10 + 8), red);
    EXPECT_EQ(pressed->At(10 + 12, 10 + 7), kButton);
    test::MouseUp();  // a click: down now
    test::MouseMoveTo(kAway.x, kAway.y);
    ASSERT_TRUE(test::PumpUntil([b] { return !b->GetMouseInside(); }));
    ASSERT_TRUE(b->GetDown());

    auto latched = Picture();  // sunken, a checkerboard, the content one pixel in
    EXPECT_EQ(latched->At(10, 10), shadow);
    EXPECT_EQ(latched->At(11, 11), highlight);  // (1, 1): both odd
    EXPECT_EQ(latched->At(12, 11), face);
    EXPECT_EQ(latched->At(12, 12), highlight);
    EXPECT_EQ(latched->At(10 + 13, 10 + 8), red);
    EXPECT_EQ(latched->At(10 + 13 + 5, 10 + 8 + 5), latched->At(10 + 13 + 5 + 2, 10 + 8 + 5));

    // Under the mouse a latched flat button shows its face; a raised one
    // keeps the checkerboard inside its 2-pixel edge.
    MoveOnto(b, 30, 25);
    auto latchedHot = Picture();
    EXPECT_EQ(latchedHot->At(10, 10), shadow);
    EXPECT_EQ(latchedHot->At(11, 11), kButton);
    EXPECT_EQ(latchedHot->At(12, 11), kButton);
    b->SetFlat(false);
    auto raisedHot = Picture();
    EXPECT_NE(raisedHot->At(11, 11), highlight);  // the edge's inner line
    EXPECT_EQ(raisedHot->At(12, 12), highlight);
    EXPECT_EQ(raisedHot->At(13, 12), face);
    b->SetFlat(true);
    test::MouseMoveTo(kAway.x, kAway.y);
    ASSERT_TRUE(test::PumpUntil([b] { return !b->GetMouseInside(); }));

    b->SetOpaque(false);
    auto seeThrough = Picture();  // sunken, the parent showing, no offset
    EXPECT_EQ(seeThrough->At(10, 10), shadow);
    EXPECT_EQ(seeThrough->At(11, 11), kParent);
    EXPECT_EQ(seeThrough->At(12, 11), kParent);
    EXPECT_EQ(seeThrough->At(10 + 12, 10 + 7), red);
    EXPECT_EQ(seeThrough->At(10 + 13, 10 + 8), red);  // inside the 4 x 4 block either way
    EXPECT_EQ(seeThrough->At(10 + 16, 10 + 11), kParent);

    // Disabled: the strip's second picture, no frame, even under the mouse.
    b->SetDown(false);
    b->SetOpaque(true);
    b->SetEnabled(false);
    MoveOnto(b, 30, 25);
    auto disabled = Picture();
    EXPECT_EQ(disabled->At(10, 10), kButton);
    EXPECT_EQ(disabled->At(10 + 12, 10 + 7), RGB(0, 0, 255));
}

// The arrow of a split button: 13 pixels from its right edge, its 5-pixel
// top row one above the middle, in the font's colour, enabled or not.
TEST_F(FlatButtonTest, ASplitButtonsArrowSitsInItsMenuPart) {
    const COLORREF ink = RGB(200, 0, 150);
    auto* menu = new TPopupMenu(form);
    TFlatButton* b = AddButton("split", 10, 10, 60, 40);
    b->SetColor(static_cast<TColor>(kButton));
    b->GetFont()->SetColor(static_cast<TColor>(ink));
    b->SetGlyph(TestStrip().get());
    b->SetDropdownMenu(menu);
    b->SetDropdownCombo(true);
    ASSERT_EQ(b->GetWidth(), 71);
    auto pic = Picture();
    // The picture is centred in the part left of the menu part:
    // 1 + (58 - 16 + 1) / 2 = 22 from the left.
    EXPECT_EQ(pic->At(10 + 22, 10 + 12), RGB(255, 0, 0));
    EXPECT_EQ(pic->At(10 + 21, 10 + 12), kButton);
    std::vector<POINT> expected;
    const int x = 10 + 71 - 13, y = 10 + 40 / 2 - 1;
    for (int i = 4; i <= 8; ++i) expected.push_back({x + i, y});
    for (int i = 5; i <= 7; ++i) expected.push_back({x + i, y + 1});
    expected.push_back({x + 6, y + 2});
    std::vector<POINT> found;
    for (int py = 10; py < 50; ++py)
        for (int px = 10; px < 81; ++px)
            if (pic->At(px, py) == ink) found.push_back({px, py});
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].x, expected[i].x) << i;
        EXPECT_EQ(found[i].y, expected[i].y) << i;
    }
}

// Properties keep their ranges, and a value the button has already paints nothing.
class CountingButton : public TFlatButton {
public:
    using TFlatButton::TFlatButton;
    int paints = 0;

protected:
    void Paint() override {
        ++paints;
        TFlatButton::Paint();
    }
};

TEST_F(FlatButtonTest, PropertiesKeepTheirRangesAndAnUnchangedValuePaintsNothing) {
    auto* b = new CountingButton(form);
    b->SetBounds(10, 10, 60, 40);
    b->SetParent(form);
    std::unique_ptr<TBitmap> five(new TBitmap);
    five->SetSize(80, 16);
    b->SetGlyph(five.get());
    ASSERT_EQ(b->GetNumGlyphs(), 5);
    b->SetMargin(3);
    ::UpdateWindow(form->GetHandle());
    b->paints = 0;
    b->SetNumGlyphs(5);
    b->SetNumGlyphs(9);  // no more than the five looks
    EXPECT_EQ(b->GetNumGlyphs(), 5);
    b->SetMargin(-2);  // -1 is automatic, and the least
    EXPECT_EQ(b->GetMargin(), 3);
    EXPECT_EQ(b->paints, 0);
    b->SetMargin(-1);
    EXPECT_EQ(b->GetMargin(), -1);
    EXPECT_EQ(b->paints, 1);

    // Turning the menu part off gives its 11 pixels back, down to a width of 1.
    auto* menu = new TPopupMenu(form);
    b->SetDropdownMenu(menu);
    b->SetDropdownCombo(true);
    EXPECT_EQ(b->GetWidth(), 71);
    b->SetWidth(5);
    b->SetDropdownCombo(false);
    EXPECT_EQ(b->GetWidth(), 1);

    // A button being read from a window definition has its stored width,
    // which includes the menu part.
    auto* read = new TFlatButton(form);
    read->BeginLoading();
    read->SetBounds(10, 60, 71, 40);
    read->SetDropdownMenu(menu);
    read->SetDropdownCombo(true);
    read->EndLoading();
    EXPECT_EQ(read->GetWidth(), 71);
}

TEST_F(FlatButtonTest, DisplayModesLeaveOutThePictureOrTheCaption) {
    const COLORREF red = RGB(255, 0, 0), ink = RGB(0, 0, 200);
    TFlatButton* b = AddButton("b", 10, 10, 80, 40);
    b->SetGlyph(TestStrip().get());
    b->SetCaption("Ir");
    b->GetFont()->SetColor(static_cast<TColor>(ink));
    auto count = [](const test::Canvas32& pic, COLORREF c) {
        int n = 0;
        for (int y = 10; y < 50; ++y)
            for (int x = 10; x < 90; ++x) n += pic.At(x, y) == c;
        return n;
    };
    for (TButtonDisplayMode mode : {dmBoth, dmTextOnly, dmGlyphOnly}) {
        b->SetDisplayMode(mode);
        auto pic = Picture();
        EXPECT_EQ(count(*pic, red) > 0, mode != dmTextOnly) << mode;
        EXPECT_EQ(count(*pic, ink) > 0, mode != dmGlyphOnly) << mode;
    }
}

TEST_F(FlatButtonTest, ASeeThroughButtonGoingUpLetsTheBackgroundShowWhereItsFrameWas) {
    TFlatButton* b = AddButton("b", 10, 10, 40, 30);
    b->SetOpaque(false);
    b->SetGroupIndex(1);
    b->SetAllowAllUp(true);
    b->SetDown(true);
    HWND wnd = form->GetHandle();
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    auto onScreen = [wnd](int x, int y) {
        ui::WindowDc dc(wnd);
        return ::GetPixel(dc.get(), x, y);
    };
    EXPECT_EQ(onScreen(10, 10), ::GetSysColor(COLOR_BTNSHADOW));
    b->SetDown(false);
    test::PaintPending(wnd);
    EXPECT_EQ(onScreen(10, 10), kParent);
}

TEST_F(FlatButtonTest, NewSystemColoursReachTheCheckerboardAndThePictures) {
    TFlatButton* b = AddButton("b", 10, 10, 40, 30);
    b->SetGlyph(OnePictureStrip().get());
    b->SetGroupIndex(1);
    b->SetDown(true);
    Picture();  // the checkerboard and pictures in the old colours
    {
        test::Unusual3DColors colors;
        auto latched = Picture();
        EXPECT_EQ(latched->At(11, 11), colors.Highlight);
        EXPECT_EQ(latched->At(12, 11), colors.Face);
        EXPECT_EQ(latched->At(10, 10), colors.Shadow);
        b->SetEnabled(false);
        auto disabled = Picture();  // the embossed picture in the new shadow colour
        EXPECT_EQ(disabled->At(10 + 12, 10 + 7), colors.Shadow);
        b->SetEnabled(true);
    }
    auto back = Picture();
    EXPECT_EQ(back->At(11, 11), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(back->At(12, 11), ::GetSysColor(COLOR_BTNFACE));
}

// The old disabled style embosses the black pixels only: switching it
// makes the disabled picture anew.
TEST_F(FlatButtonTest, SwitchingTheDisabledStyleMakesTheDisabledPictureAnew) {
    std::unique_ptr<TBitmap> strip = OnePictureStrip();
    strip->GetCanvas()->GetBrush()->SetColor(clRed);
    strip->GetCanvas()->FillRect(Rect(8, 8, 12, 12));
    TFlatButton* b = AddButton("b", 10, 10, 40, 30);
    b->SetColor(static_cast<TColor>(kButton));
    b->SetGlyph(strip.get());
    b->SetEnabled(false);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    auto embossed = Picture();  // the picture's top-left at (12, 7) of the button
    EXPECT_EQ(embossed->At(10 + 12, 10 + 7), shadow);
    EXPECT_EQ(embossed->At(10 + 12 + 9, 10 + 7 + 9), shadow);
    b->SetOldDisabledStyle(true);
    auto old = Picture();
    EXPECT_EQ(old->At(10 + 12, 10 + 7), shadow);
    EXPECT_EQ(old->At(10 + 12 + 9, 10 + 7 + 9), kButton);
}

TEST_F(FlatButtonTest, TheLastButtonToGoGivesBackTheSharedPictures) {
    long handles = base::LiveHandleCount();
    TFlatButton* a = AddButton("a", 8);
    TFlatButton* b = AddButton("b", 136);
    for (TFlatButton* x : {a, b}) {
        x->SetGlyph(TestStrip().get());
        x->SetGroupIndex(1);
        x->SetAllowAllUp(true);
    }
    a->SetDown(true);
    Picture();  // builds the pictures and the checkerboard
    EXPECT_GT(base::LiveHandleCount(), handles);
    delete a;
    delete b;
    EXPECT_EQ(GlyphCacheInstance, nullptr);
    EXPECT_EQ(base::LiveHandleCount(), handles);
}

}  // namespace
