// The simple combo box: items and selection, the edit line's text, typed
// characters going through OnKeyPress, double clicks on the edit line, and
// the combo box taking part in focus and Tab order as one control.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/HintsAndClipboard.h"
#include "support/TestSupport.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/Forms.h"
#include "ui/SysUtils.h"

namespace {

class ComboForm : public TForm {
public:
    explicit ComboForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetBounds(60, 60, 320, 160);
        SetShowHint(true);
        edit = new TEdit(this);
        edit->SetParent(this);
        edit->SetBounds(8, 8, 137, 21);
        combo = new TComboBox(this);
        combo->SetName("cbAutodel");
        combo->SetParent(this);
        combo->SetStyle(csSimple);
        combo->SetBounds(160, 8, 105, 21);
        for (const char* item : {"No", "Papelera", "Eliminar"}) combo->AddItem(item);
    }
    TEdit* edit;
    TComboBox* combo;
};

HWND EditLineOf(TComboBox* combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ::GetComboBoxInfo(combo->GetHandle(), &info);
    return info.hwndItem;
}

class ComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new ComboForm(Application);
        combo = form->combo;
        combo->OnChange = [this](TObject*) { log.push_back("change"); };
        combo->OnDblClick = [this](TObject*) { log.push_back("dblclick"); };
        combo->OnEnter = [this](TObject*) { log.push_back("enter"); };
        combo->OnExit = [this](TObject*) { log.push_back("exit"); };
        ASSERT_TRUE(test::ShowActive(form));
        form->edit->SetFocus();
        ASSERT_TRUE(form->edit->Focused());
        log.clear();
    }
    void TearDown() override { delete form; }

    ComboForm* form = nullptr;
    TComboBox* combo = nullptr;
    std::vector<std::string> log;
};

TEST_F(ComboBoxTest, TheSimpleStyleShowsOnlyItsEditLineAtTheHeightOfOneLine) {
    HWND wnd = combo->GetHandle();
    EXPECT_EQ(::GetWindowLongW(wnd, GWL_STYLE) & 3, CBS_SIMPLE);
    HWND line = EditLineOf(combo);
    ASSERT_TRUE(line);
    RECT c, e;
    ::GetWindowRect(wnd, &c);
    ::GetWindowRect(line, &e);
    EXPECT_EQ(c.bottom - c.top, 21);
    EXPECT_LE(e.bottom, c.bottom);
    // The list has no room for an item: no stray strip of it shows.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ::GetComboBoxInfo(wnd, &info);
    EXPECT_FALSE(::IsWindowVisible(info.hwndList));
    // Made taller, the combo box shows its list under the edit line.
    combo->SetHeight(100);
    EXPECT_TRUE(::IsWindowVisible(info.hwndList));
    combo->SetHeight(21);
    EXPECT_FALSE(::IsWindowVisible(info.hwndList));
}

TEST_F(ComboBoxTest, SelectingAnItemShowsItsTextAndNoneEmptiesTheLine) {
    EXPECT_EQ(combo->GetItemCount(), 3);
    EXPECT_EQ(combo->GetItem(1), "Papelera");
    EXPECT_EQ(combo->GetItemIndex(), -1);
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->GetItemIndex(), 2);
    EXPECT_EQ(combo->GetText(), "Eliminar");
    EXPECT_EQ(ui::WindowText(EditLineOf(combo)), "Eliminar");
    combo->SetItemIndex(0);
    EXPECT_EQ(combo->GetText(), "No");
    combo->SetItemIndex(-1);
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_EQ(combo->GetText(), "");
    combo->SetItemIndex(7);  // out of range: no selection
    EXPECT_EQ(combo->GetItemIndex(), -1);
    EXPECT_TRUE(log.empty());  // the program's own changes are not the user's
}

TEST_F(ComboBoxTest, ArrowKeysOnTheEditLinePickItemsAndFireChange) {
    combo->SetItemIndex(0);
    combo->SetFocus();
    ASSERT_TRUE(combo->Focused());
    log.clear();
    test::PressKey(VK_DOWN);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(combo->GetText(), "Papelera");
    EXPECT_EQ(log, (std::vector<std::string>{"change"}));
}

TEST_F(ComboBoxTest, TypedCharactersGoThroughKeyPressFirst) {
    combo->SetItemIndex(0);
    std::wstring seen;
    combo->OnKeyPress = [&](TObject* sender, wchar_t& key) {
        EXPECT_EQ(sender, combo);
        seen += key;
        key = 0;  // the mode can't be typed
    };
    combo->SetFocus();
    ASSERT_TRUE(combo->Focused());
    test::TypeText("ab");
    EXPECT_EQ(seen, L"ab");
    EXPECT_EQ(combo->GetText(), "No");

    // A handler may also let a character through, changed.
    combo->OnKeyPress = [](TObject*, wchar_t& key) { key = static_cast<wchar_t>(key - L'a' + L'A'); };
    ::SendMessageW(EditLineOf(combo), EM_SETSEL, 0, -1);
    test::TypeText("q");
    EXPECT_EQ(combo->GetText(), "Q");
}

TEST_F(ComboBoxTest, ADoubleClickOnTheEditLineFiresDblClick) {
    HWND line = EditLineOf(combo);
    RECT r;
    ::GetClientRect(line, &r);
    POINT p{r.right / 2, r.bottom / 2};
    ::ClientToScreen(line, &p);
    test::ClickAt(p.x, p.y);
    test::ClickAt(p.x, p.y);
    EXPECT_TRUE(test::PumpUntil([&] { return !log.empty() && log.back() == "dblclick"; }));
    EXPECT_EQ(std::count(log.begin(), log.end(), "dblclick"), 1);
}

TEST_F(ComboBoxTest, FocusOnTheEditLineIsFocusOnTheComboBox) {
    // Clicking the edit line: the form sees the combo box as its focused control.
    HWND line = EditLineOf(combo);
    POINT p{5, 5};
    ::ClientToScreen(line, &p);
    test::ClickAt(p.x, p.y);
    EXPECT_EQ(::GetFocus(), line);
    EXPECT_TRUE(combo->Focused());
    EXPECT_EQ(form->GetActiveControl(), combo);
    EXPECT_EQ(log, (std::vector<std::string>{"enter"}));

    // Tab leaves it for the next control, and Tab comes back to it.
    test::PressKey(VK_TAB);
    EXPECT_TRUE(form->edit->Focused());
    test::PressKey(VK_TAB);
    EXPECT_TRUE(combo->Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "exit", "enter"}));
}

TEST_F(ComboBoxTest, TheHintShowsOverTheEditLine) {
    combo->SetHint("No implementado todavía");
    POINT p{10, 5};
    ::ClientToScreen(EditLineOf(combo), &p);
    EXPECT_EQ(test::HintShownAt(p), "No implementado todavía");
}

TEST_F(ComboBoxTest, ItemsSelectionAndStyleSurviveANewWindow) {
    combo->SetItemIndex(1);
    combo->RecreateWnd();
    EXPECT_EQ(combo->GetItemIndex(), 1);
    EXPECT_EQ(combo->GetText(), "Papelera");
    EXPECT_EQ(::SendMessageW(combo->GetHandle(), CB_GETCOUNT, 0, 0), 3);

    combo->SetStyle(csDropDownList);
    EXPECT_EQ(::GetWindowLongW(combo->GetHandle(), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(combo->GetItemIndex(), 1);
    combo->ClearItems();
    EXPECT_EQ(combo->GetItemCount(), 0);
    EXPECT_EQ(combo->GetItemIndex(), -1);
}

}  // namespace
