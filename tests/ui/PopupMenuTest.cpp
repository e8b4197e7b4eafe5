// Popup menus: what the open menu shows, where it opens, and the chosen
// item's click running from the message loop after the menu has closed.
// Another thread plays the user: it waits for the menu window, reads it and
// posts keys to it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"
#include "ui/Edit.h"
#include "ui/Forms.h"
#include "ui/PopupMenu.h"
#include "base/Unicode.h"

namespace {

// Waits (on its own thread) for the menu, hands it to `look`, then posts the keys.
std::thread PlayUser(std::function<void(HWND)> look, std::vector<WORD> keys) {
    return std::thread([look, keys] {
        const HWND menu = test::WaitForMenu();
        if (!menu)
            return;  // the test fails on what it did not see
        if (look) look(menu);
        for (WORD key : keys) ::PostMessageW(menu, WM_KEYDOWN, key, 0);
    });
}

std::string ItemText(HMENU menu, UINT position) {
    wchar_t text[128] = L"";
    ::GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return base::Utf8(text);
}

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        menu = new TPopupMenu(nullptr);
        eliminar = new TMenuItem(menu);
        eliminar->SetCaption("Eliminar");
        eliminar->SetShortCut(ShortCut(VK_DELETE, {ssCtrl}));
        eliminar->OnClick = [this](TObject* sender) { log.push_back(sender == eliminar ? "click" : "?"); };
        papelera = new TMenuItem(menu);
        papelera->SetCaption("Enviar a la Papelera");
        papelera->SetShortCut(ShortCut(VK_DELETE, {ssShift}));
        papelera->SetEnabled(false);
        menu->GetItems()->Add(eliminar);
        menu->GetItems()->Add(papelera);
    }
    void TearDown() override { delete menu; }

    std::vector<std::string> log;
    TPopupMenu* menu = nullptr;
    TMenuItem* eliminar = nullptr;
    TMenuItem* papelera = nullptr;
};

TEST(ShortCut, TextsNameTheModifiersAndTheKey) {
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssCtrl})), "Ctrl+Del");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssShift})), "Shift+Del");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F5, {ssCtrl, ssShift})), "Ctrl+Shift+F5");
    EXPECT_EQ(ShortCutToText(ShortCut('X', {ssAlt})), "Alt+X");
    EXPECT_EQ(ShortCutToText(scNone), "");
}

TEST_F(PopupMenuTest, TheMenuShowsItsItemsAndTheChoiceRunsAfterItCloses) {
    std::string first, second;
    UINT secondState = 0;
    RECT where{};
    std::thread user = PlayUser(
        [&](HWND w) {
            HMENU shown = reinterpret_cast<HMENU>(::SendMessageW(w, MN_GETHMENU, 0, 0));
            first = ItemText(shown, 0);
            second = ItemText(shown, 1);
            secondState = ::GetMenuState(shown, 1, MF_BYPOSITION);
            ::GetWindowRect(w, &where);
        },
        {VK_DOWN, VK_RETURN});
    menu->Popup(100, 120);
    log.push_back("returned");
    user.join();
    test::HandlePosted();
    EXPECT_EQ(log, (std::vector<std::string>{"returned", "click"}));
    EXPECT_EQ(first, "Eliminar\tCtrl+Del");
    EXPECT_EQ(second, "Enviar a la Papelera\tShift+Del");
    EXPECT_TRUE(secondState & MF_GRAYED);
    EXPECT_EQ(where.left, 100);
    EXPECT_EQ(where.top, 120);
}

TEST_F(PopupMenuTest, ACaptionOfAnyScriptShowsWhole) {
    eliminar->SetCaption("Eliminar «дир» 文件 ā.tmp 😀");
    std::string first;
    std::thread user = PlayUser(
        [&](HWND w) { first = ItemText(reinterpret_cast<HMENU>(::SendMessageW(w, MN_GETHMENU, 0, 0)), 0); },
        {VK_ESCAPE});
    menu->Popup(100, 120);
    user.join();
    EXPECT_EQ(first, "Eliminar «дир» 文件 ā.tmp 😀\tCtrl+Del");
}

TEST_F(PopupMenuTest, RightAlignmentPutsThePointAtTheMenusRightEdge) {
    RECT where{};
    menu->SetAlignment(paRight);
    std::thread user = PlayUser([&](HWND w) { ::GetWindowRect(w, &where); }, {VK_ESCAPE});
    menu->Popup(400, 120);
    user.join();
    test::HandlePosted();
    EXPECT_TRUE(log.empty());  // closed without a choice
    EXPECT_EQ(where.right, 400);
    EXPECT_EQ(where.top, 120);
}

TEST_F(PopupMenuTest, AChoiceWhoseItemWasDisabledOrDestroyedMeanwhileDoesNothing) {
    std::thread user = PlayUser(nullptr, {VK_DOWN, VK_RETURN});
    menu->Popup(100, 120);
    user.join();
    eliminar->SetEnabled(false);
    test::HandlePosted();
    EXPECT_TRUE(log.empty());

    eliminar->SetEnabled(true);
    user = PlayUser(nullptr, {VK_DOWN, VK_RETURN});
    menu->Popup(100, 120);
    user.join();
    delete eliminar;
    eliminar = nullptr;
    test::HandlePosted();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(menu->GetItems()->GetCount(), 1);
}

TEST_F(PopupMenuTest, ThePopupComponentIsForgottenWhenItGoes) {
    auto* owner = new TComponent(nullptr);
    menu->SetPopupComponent(owner);
    EXPECT_EQ(menu->GetPopupComponent(), owner);
    delete owner;
    EXPECT_EQ(menu->GetPopupComponent(), nullptr);
}

TEST_F(PopupMenuTest, NoHintShowsOverTheOpenMenu) {
    // The menu opens (as a drop-down button's does, on the press) just as the
    // mouse arrives over a control with a hint, before the hint's delay is over.
    TForm form(nullptr);
    form.SetBounds(80, 80, 240, 160);
    form.SetShowHint(true);
    TEdit* field = new TEdit(&form);
    field->SetParent(&form);
    field->SetBounds(8, 8, 200, 40);
    field->SetHint("Elimina los archivos seleccionados");
    ASSERT_TRUE(test::ShowActive(&form));
    const HWND tip = Application->GetHintWindow();
    POINT p = test::ScreenPointOf(field, 100, 20);
    test::MouseMoveTo(p.x - 1, p.y);
    test::MouseMoveTo(p.x, p.y);
    // Watched, while the menu is open, for twice the hint's delay.
    test::TestTimer delays(static_cast<UINT>(::SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0)));
    bool tipShown = false;
    std::thread user = PlayUser(
        [&](HWND) {
            test::WaitUntil([&] {
                tipShown = tipShown || ::IsWindowVisible(tip);
                return delays.Ticks() >= 2;
            });
        },
        {VK_ESCAPE});
    menu->Popup(p.x, p.y + 30);
    user.join();
    EXPECT_FALSE(tipShown);
}

}  // namespace
