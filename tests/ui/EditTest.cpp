// Edit fields: the change event for every way the text changes, the exit
// and key-press events, the length limit, and state kept across a new window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/HintsAndClipboard.h"
#include "support/TestSupport.h"
#include "ui/Edit.h"
#include "ui/Forms.h"

namespace {

class EditForm : public TForm {
public:
    explicit EditForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetBounds(60, 60, 300, 160);
        first = new TEdit(this);
        first->SetName("first");
        first->SetParent(this);
        first->SetBounds(8, 8, 137, 21);
        second = new TEdit(this);
        second->SetName("second");
        second->SetParent(this);
        second->SetBounds(8, 40, 137, 21);
    }
    TEdit* first;
    TEdit* second;
};

class EditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new EditForm(Application);
        form->first->OnChange = [this](TObject* s) { log.push_back("change:" + static_cast<TEdit*>(s)->GetText()); };
        form->first->OnExit = [this](TObject*) { log.push_back("exit"); };
        ASSERT_TRUE(test::ShowActive(form));
        form->first->SetFocus();
        ASSERT_TRUE(form->first->Focused());
        log.clear();
    }
    void TearDown() override { delete form; }

    EditForm* form = nullptr;
    std::vector<std::string> log;
};

TEST_F(EditTest, TypingPastingAndSetTextEachFireChange) {
    TEdit* e = form->first;
    e->SetText("");
    log.clear();
    test::TypeText("ab");
    EXPECT_EQ(log, (std::vector<std::string>{"change:a", "change:ab"}));

    log.clear();
    e->SetText("1a2");
    EXPECT_EQ(log, (std::vector<std::string>{"change:1a2"}));
    log.clear();
    e->SetText("1a2");  // the same text again is no change
    EXPECT_TRUE(log.empty());

    // Pasting through the clipboard, as Ctrl+V does.
    ASSERT_TRUE(test::PutOnClipboard(e->GetHandle(), "xyz"));
    e->SelectAll();
    log.clear();
    test::PressKey('V', false, true);
    EXPECT_EQ(e->GetText(), "xyz");
    EXPECT_EQ(log, (std::vector<std::string>{"change:xyz"}));
}

TEST_F(EditTest, KeyPressSeesTypedCharactersFirstAndExitFiresOnTab) {
    TEdit* e = form->first;
    e->SetText("");
    e->OnKeyPress = [](TObject*, wchar_t& key) {
        if (key == L'x') key = 0;
        else if (key == L'a') key = L'A';
    };
    test::TypeText("axb");
    EXPECT_EQ(e->GetText(), "Ab");

    log.clear();
    test::PressKey(VK_TAB);
    EXPECT_TRUE(form->second->Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"exit"}));
}

TEST_F(EditTest, MaxLengthLimitsTypingAndSurvivesANewWindow) {
    TEdit* e = form->first;
    e->SetText("");
    e->SetMaxLength(3);
    test::TypeText("12345");
    EXPECT_EQ(e->GetText(), "123");

    e->RecreateWnd();
    EXPECT_EQ(e->GetText(), "123");
    EXPECT_EQ(::SendMessageW(e->GetHandle(), EM_GETLIMITTEXT, 0, 0), 3);

    e->SetMaxLength(0);  // no limit of its own
    EXPECT_GT(::SendMessageW(e->GetHandle(), EM_GETLIMITTEXT, 0, 0), 30000);
}

TEST_F(EditTest, FontAndColourComeFromTheControl) {
    TEdit* e = form->first;
    e->SetText("");
    e->SetColor(static_cast<TColor>(RGB(255, 255, 0)));
    RECT r;
    ::GetClientRect(e->GetHandle(), &r);
    test::Canvas32 pic(r.right, r.bottom);
    ::SendMessageW(e->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT | PRF_ERASEBKGND);
    EXPECT_EQ(pic.At(r.right - 3, r.bottom / 2), RGB(255, 255, 0));
}

}  // namespace
