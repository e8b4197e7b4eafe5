// Forms and the application: modal showing, the default error report, the
// application window's hooks, hints, and handles given back when a form goes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "support/HintsAndClipboard.h"
#include "support/TestSupport.h"
#include "ui/Edit.h"
#include "ui/Forms.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Handles.h"

namespace {

class PlainForm : public TForm {
public:
    explicit PlainForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsToolWindow);
        SetBorderIcons({});
        SetClientWidth(297);
        SetClientHeight(194);
    }
};

TEST(Form, ClientSizeAndBorderStyleShapeTheWindow) {
    PlainForm form(Application);
    HWND wnd = form.GetHandle();
    RECT r;
    ::GetClientRect(wnd, &r);
    EXPECT_EQ(r.right, 297);
    EXPECT_EQ(r.bottom, 194);
    EXPECT_TRUE(::GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(::GetWindowLongW(wnd, GWL_STYLE) & WS_SYSMENU);  // no title-bar buttons at all

    form.SetBorderStyle(bsSingle);
    form.SetBorderIcons({biSystemMenu, biMinimize});
    LONG style = ::GetWindowLongW(wnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    form.SetCaption("Ayuda");
    EXPECT_EQ(ui::WindowText(wnd), "Ayuda");
}

// What the program sets, the system shows and gives back; what the system
// gives (a typed character, a text set from outside), the program reads.
TEST(Form, TextOfAnyScriptPassesCaptionEditAndHintWhole) {
    const std::string text = "Ayuda: «дир» 文件 ā.tmp 😀";
    PlainForm form(Application);
    form.SetShowHint(true);
    form.SetCaption(text);
    auto* edit = new TEdit(&form);
    edit->SetBounds(10, 10, 200, 21);
    edit->SetHint(text);
    edit->SetParent(&form);
    ASSERT_TRUE(test::ShowActive(&form));
    wchar_t caption[64] = L"";
    ::GetWindowTextW(form.GetHandle(), caption, 64);
    EXPECT_EQ(caption, base::Wide(text));
    EXPECT_EQ(form.GetCaption(), text);

    edit->SetText(text);
    EXPECT_EQ(ui::WindowText(edit->GetHandle()), text);
    ::SetWindowTextW(edit->GetHandle(), L"文件 😀");
    EXPECT_EQ(edit->GetText(), "文件 😀");
    // A character beyond the basic plane is typed as the two halves of its
    // surrogate pair, one WM_CHAR each.
    std::wstring pressed;
    edit->OnKeyPress = [&](TObject*, wchar_t& key) { pressed += key; };
    edit->SetText("");
    for (wchar_t c : std::wstring(L"ж😀")) ::SendMessageW(edit->GetHandle(), WM_CHAR, c, 0);
    EXPECT_EQ(pressed, L"ж😀");
    EXPECT_EQ(edit->GetText(), "ж😀");

    EXPECT_EQ(test::HintShownAt(test::CentreOf(edit)), text);
}

TEST(Form, AShownFormStaysShownWhenItsWindowIsMadeAgain) {
    PlainForm form(Application);
    form.SetCaption("Selecciona directorio");
    form.Show();
    HWND old = form.GetHandle();
    form.RecreateWnd();
    ASSERT_NE(form.GetHandle(), old);
    EXPECT_TRUE(::IsWindowVisible(form.GetHandle()));
    EXPECT_EQ(form.GetCaption(), "Selecciona directorio");
    form.Hide();
    form.RecreateWnd();
    EXPECT_FALSE(::IsWindowVisible(form.GetHandle()));
}

VOID CALLBACK CloseModal(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    for (int i = 0; i < Application->ComponentCount(); ++i)
        if (auto* f = dynamic_cast<PlainForm*>(Application->GetComponent(i)))
            if (f->IsModal()) ::PostMessageW(f->GetHandle(), WM_CLOSE, 0, 0);
}

VOID CALLBACK EndModal(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    for (int i = 0; i < Application->ComponentCount(); ++i)
        if (auto* f = dynamic_cast<PlainForm*>(Application->GetComponent(i)))
            if (f->IsModal()) f->SetModalResult(mrOk);
}

TEST(Form, ShowModalRunsUntilTheModalResultIsSet) {
    PlainForm owner(Application);
    owner.Show();
    PlainForm dialog(Application);
    bool ownerDisabledMeanwhile = false;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, EndModal);
    UINT_PTR probe = ::SetTimer(nullptr, 0, 20, nullptr);
    dialog.OnShow = [&](TObject*) { ownerDisabledMeanwhile = !::IsWindowEnabled(owner.GetHandle()); };
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    ::KillTimer(nullptr, probe);
    (void)timer;
    EXPECT_TRUE(ownerDisabledMeanwhile);
    EXPECT_TRUE(::IsWindowEnabled(owner.GetHandle()));
    EXPECT_FALSE(dialog.GetVisible());
    EXPECT_FALSE(::IsWindowVisible(dialog.GetHandle()));

    // Closing a modal form is a cancel.
    ::SetTimer(nullptr, 0, 30, CloseModal);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

// Test programs make and destroy their main window many times; a main form
// that has gone must not be handed to the forms made after it.
TEST(Application, TheFirstFormMadeIsTheMainFormUntilItGoes) {
    PlainForm* first = nullptr;
    Application->CreateForm(first);
    PlainForm* second = nullptr;
    Application->CreateForm(second);
    EXPECT_EQ(Application->GetMainForm(), first);
    EXPECT_EQ(::GetWindow(second->GetHandle(), GW_OWNER), first->GetHandle());
    delete second;
    delete first;
    EXPECT_EQ(Application->GetMainForm(), nullptr);

    PlainForm* again = nullptr;
    Application->CreateForm(again);
    EXPECT_EQ(Application->GetMainForm(), again);
    PlainForm* other = nullptr;
    Application->CreateForm(other);
    EXPECT_EQ(::GetWindow(other->GetHandle(), GW_OWNER), again->GetHandle());
    delete other;
    delete again;
}

// A control whose click raises an error, as a failed number conversion does.
class Failing : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    void Click() override { throw EConvertError("'' is not a valid integer value"); }
};

TEST(Application, TheDefaultErrorReportShowsTheMessageAndTheProgramGoesOn) {
    auto saved = Application->OnException;
    Application->OnException = nullptr;
    PlainForm form(Application);
    auto* failing = new Failing(&form);
    failing->SetBounds(0, 0, 50, 50);
    failing->SetControlStyle({csClickEvents});
    failing->SetParent(&form);
    ASSERT_TRUE(test::ShowActive(&form));

    test::MessageBoxCloser boxes;
    HWND wnd = failing->GetHandle();
    ::SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Application->OnException = saved;
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.LastText(), "'' is not a valid integer value");
    EXPECT_EQ(boxes.Boxes()[0].buttons, 1);
    EXPECT_FALSE(Application->Terminated());
    // The window still answers.
    EXPECT_TRUE(::IsWindow(wnd));
    EXPECT_EQ(::SendMessageW(wnd, WM_GETDLGCODE, 0, 0), 0);
}

TEST(Application, HooksOnTheApplicationWindowSeeDeactivation) {
    int deactivations = 0;
    int cookie = Application->HookMainWindow([&](TMessage& m) {
        if (m.Msg == CM_DEACTIVATE) ++deactivations;
        return false;
    });
    ::SendMessageW(Application->GetHandle(), WM_ACTIVATEAPP, TRUE, 0);
    ::SendMessageW(Application->GetHandle(), WM_ACTIVATEAPP, FALSE, 0);
    ::SendMessageW(Application->GetHandle(), WM_ACTIVATEAPP, FALSE, 0);  // no change: no second notification
    EXPECT_EQ(deactivations, 1);
    Application->UnhookMainWindow(cookie);
    ::SendMessageW(Application->GetHandle(), WM_ACTIVATEAPP, TRUE, 0);
    ::SendMessageW(Application->GetHandle(), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(deactivations, 1);
}

TEST(Application, ControlsWithAHintGetATooltip) {
    PlainForm form(Application);
    form.SetShowHint(true);
    auto* box = new TCustomControl(&form);
    box->SetBounds(10, 10, 40, 20);
    box->SetHint("Añade el nuevo patrón");
    box->SetParent(&form);
    form.Show();
    HWND tip = Application->GetHintWindow();
    ASSERT_NE(tip, nullptr);
    int before = static_cast<int>(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    EXPECT_GE(before, 1);
    box->SetHint("");
    EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), before - 1);
}

// Clicked into a field with the mouse left resting on it, the user types:
// the field's hint must not come up over the fields around it, nor stay.
TEST(Application, AKeyPressTakesTheHintDownUntilTheMouseMoves) {
    PlainForm form(Application);
    form.SetShowHint(true);
    auto* edit = new TEdit(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->SetHint("Patrón de búsqueda");
    edit->SetParent(&form);
    form.Show();
    HWND tip = Application->GetHintWindow();
    auto tipShown = [&] { return ::IsWindowVisible(tip) != FALSE; };
    const POINT p = test::CentreOf(edit);

    test::ClickAt(p.x, p.y);
    // Typing on, each time for as long as the delay after which a resting
    // mouse brings the hint up.
    const UINT delay = static_cast<UINT>(::SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    bool shownWhileTyping = false;
    for (int i = 0; i < 3; ++i) {
        test::TypeText("a");
        test::LetTimersRun(delay, 1);
        shownWhileTyping = shownWhileTyping || tipShown();
    }
    EXPECT_FALSE(shownWhileTyping);

    test::MouseMoveTo(p.x + 2, p.y);
    ASSERT_TRUE(test::PumpUntil(tipShown));
    test::TypeText("b");
    EXPECT_TRUE(test::PumpUntil([&] { return !tipShown(); }));

    test::MouseMoveTo(p.x, p.y);
    ASSERT_TRUE(test::PumpUntil(tipShown));
    test::PressAltKey('B');
    EXPECT_TRUE(test::PumpUntil([&] { return !tipShown(); }));
}

TEST(Form, ACaptionFollowsTheNameOnlyOfAControlMadeByCode) {
    class Captioned : public TGraphicControl {
    public:
        explicit Captioned(TComponent* owner) : TGraphicControl(owner) { SetControlStyle({csSetCaption}); }
    };
    PlainForm form(Application);
    auto* byCode = new Captioned(&form);
    byCode->SetName("Panel1");
    EXPECT_EQ(byCode->GetCaption(), "Panel1");
    Captioned* defined = nullptr;
    Captioned* titled = nullptr;
    form.Define([&] {
        defined = NewControl<Captioned>(&form, "eName", &form);
        titled = NewControl<Captioned>(&form, "Label1", &form);
        titled->SetCaption("Kb");
    });
    EXPECT_EQ(defined->GetCaption(), "");
    EXPECT_EQ(titled->GetCaption(), "Kb");
}

TEST(Handles, AFormFullOfControlsGivesBackEveryHandle) {
    long before = base::LiveHandleCount();
    {
        PlainForm form(Application);
        for (int i = 0; i < 20; ++i) {
            auto* c = new TCustomControl(&form);
            c->SetBounds(i * 10, i * 5, 30, 30);
            c->GetFont()->SetStyle({fsBold});
            c->SetParent(&form);
            c->GetCanvas()->TextWidth("medir");  // borrows a context outside painting
        }
        form.Show();
        ::RedrawWindow(form.GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        test::Canvas32 pic(300, 200);
        form.PaintTo(pic.dc(), 0, 0);
        test::HandlePosted();  // contexts borrowed outside painting go back after a message
        EXPECT_GT(base::LiveHandleCount(), before);
    }
    test::HandlePosted();
    EXPECT_EQ(base::LiveHandleCount(), before);
}

}  // namespace
