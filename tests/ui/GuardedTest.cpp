// The guarded boundary: an error raised behind a window procedure, a
// subclass procedure or the program's entry is reported once and goes no
// further; the control goes on, and the entry ends with a failure code.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/Forms.h"
#include "ui/Guarded.h"
#include "ui/SysUtils.h"
#include "ui/UtilityWindow.h"
#include "base/Handles.h"

namespace {

// Records what reaches the application's error report, in place of its
// message box, while it lives.
class Reports {
public:
    Reports() : saved_(Application->OnException) {
        Application->OnException = [this](TObject*, const std::exception& e) { texts.push_back(e.what()); };
    }
    ~Reports() { Application->OnException = saved_; }
    Reports(const Reports&) = delete;
    Reports& operator=(const Reports&) = delete;
    std::vector<std::string> texts;

private:
    TExceptionEvent saved_;
};

TEST(Guarded, GivesTheBodysResultOrReportsTheErrorAndGivesTheFailedOne) {
    Reports reports;
    EXPECT_EQ(ui::Guarded([] { return 7; }, -1), 7);
    EXPECT_TRUE(reports.texts.empty());
    EXPECT_EQ(ui::Guarded([]() -> int { throw EConvertError("'x' is not a valid integer value"); }, -1), -1);
    EXPECT_EQ(ui::Guarded([]() -> int { throw 42; }, -2), -2);
    EXPECT_EQ(reports.texts, (std::vector<std::string>{"'x' is not a valid integer value", "Unexpected error"}));
}

TEST(Guarded, TheDefaultReportIsAMessageBoxWithTheWholeText) {
    auto saved = Application->OnException;
    Application->OnException = nullptr;
    int result = 0;
    {
        test::MessageBoxCloser boxes;
        result = ui::Guarded([]() -> int { throw Exception("No se pudo abrir «дир» 文件 ā.tmp 😀"); }, 3);
        Application->OnException = saved;
        ASSERT_EQ(boxes.Count(), 1);
        EXPECT_EQ(boxes.LastText(), "No se pudo abrir «дир» 文件 ā.tmp 😀");
        EXPECT_EQ(boxes.Boxes()[0].title, Application->GetTitle());
    }
    EXPECT_EQ(result, 3);
}

// A form whose window procedure fails on the window's first message, so the
// window cannot be made.
class Unmakeable : public TForm {
public:
    using TForm::TForm;

protected:
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_NCCREATE) throw EInvalidOperation("Sin ventana: дир");
        TForm::WndProc(m);
    }
};

// The program's entry makes its forms inside the boundary, as here.
TEST(Guarded, AWindowThatCannotBeMadeIsReportedAndTheEntryEndsWithAFailure) {
    const long before = base::LiveHandleCount();
    Reports reports;
    bool forgotten = false;
    const int result = ui::Guarded(
        [&] {
            Unmakeable form(Application);
            // The window that failed is gone (WM_NCDESTROY comes even so):
            // the form keeps no handle of it.
            struct Check {
                Unmakeable& form;
                bool& forgotten;
                ~Check() { forgotten = !form.HandleAllocated(); }
            } check{form, forgotten};
            form.Show();
            return 0;
        },
        1);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(forgotten);
    // The window procedure's error where it was caught, then the creation
    // that failed because of it.
    EXPECT_EQ(reports.texts, (std::vector<std::string>{"Sin ventana: дир", "Error creating window"}));
    EXPECT_EQ(base::LiveHandleCount(), before);
}

TEST(Guarded, AnErrorInASubclassProcedureIsReportedAndTheControlGoesOn) {
    Reports reports;
    TForm form(Application);
    auto* combo = new TComboBox(&form);
    combo->SetParent(&form);
    auto* edit = new TEdit(&form);
    edit->SetTop(40);
    edit->SetParent(&form);
    ASSERT_TRUE(test::ShowActive(&form));
    auto refuse = [&](const char* who) {
        return [who](TObject*, wchar_t& key) {
            if (key == L'ж') throw EConvertError(std::string(who) + ": ж");
        };
    };
    combo->OnKeyPress = refuse("combo");
    edit->OnKeyPress = refuse("edit");
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetComboBoxInfo(combo->GetHandle(), &info));
    // The combo box's edit line has a subclass procedure of its own; the
    // edit field has the one of every stock control.
    EXPECT_EQ(::SendMessageW(info.hwndItem, WM_CHAR, L'ж', 0), 0);
    EXPECT_EQ(::SendMessageW(edit->GetHandle(), WM_CHAR, L'ж', 0), 0);
    ::SendMessageW(info.hwndItem, WM_CHAR, L'ё', 0);
    ::SendMessageW(edit->GetHandle(), WM_CHAR, L'ё', 0);
    EXPECT_EQ(reports.texts, (std::vector<std::string>{"combo: ж", "edit: ж"}));
    EXPECT_EQ(combo->GetText(), "ё");
    EXPECT_EQ(edit->GetText(), "ё");
}

TEST(UtilityWindow, IsBoundFromItsFirstMessagesAndReportsItsHandlersErrors) {
    Reports reports;
    for (auto kind : {ui::UtilityWindow::MessageOnly, ui::UtilityWindow::TopLevel}) {
        std::vector<UINT> seen;
        ui::UtilityWindow window(kind, [&](UINT msg, WPARAM, LPARAM) {
            seen.push_back(msg);
            if (msg == WM_USER) throw Exception("tick: 文件");
            return false;
        });
        EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(WM_NCCREATE)), seen.end());
        EXPECT_NE(std::find(seen.begin(), seen.end(), UINT(WM_CREATE)), seen.end());
        EXPECT_EQ(::SendMessageW(window.Handle(), WM_USER, 0, 0), 0);
        EXPECT_TRUE(::IsWindow(window.Handle()));
    }
    EXPECT_EQ(reports.texts, (std::vector<std::string>{"tick: 文件", "tick: 文件"}));
}

}  // namespace
