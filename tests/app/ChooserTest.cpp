// The folder chooser that a search shows first, used with real input: it can
// be closed (Alt+F4, Esc, the close button its caption draws), which starts
// no search and keeps the results there were, and "Seguir" can be reached
// with Enter.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/SweepWindows.h"
#include "base/Unicode.h"

using namespace sweeptest;

namespace {

class Chooser : public SweepWindows {
protected:
    // Clicks "Comenzar búsqueda" with real input and, while the chooser is
    // shown modally, lets `act` play the user on the chooser's window.
    // Returns whether the chooser showed and went because of what `act` did.
    bool StartAndAct(const std::function<void(HWND chooser)>& act) {
        bool closed = false;
        test::UserThread user([&] {
            HWND chooser = nullptr;
            const bool shown = test::PumpUntil([&] {
                chooser = ::FindWindowW(nullptr, L"Tallowmere Sweepfield - Selecciona directorio");
                return chooser && ::IsWindowVisible(chooser) && ::GetForegroundWindow() == chooser;
            });
            if (shown) act(chooser);
            closed = shown && test::PumpUntil([&] { return !::IsWindowVisible(chooser); });
            // Whatever happened, the chooser goes, so the program's thread comes back.
            if (!closed) {
                ChooseDir->SetModalResult(mrCancel);
                ::PostMessageW(chooser, WM_NULL, 0, 0);
            }
        });
        test::ClickOn(Main->StartButton);
        user.Join();
        return closed;
    }
};

TEST_F(Chooser, ClosingItStartsNoSearchAndKeepsTheResults) {
    tree.MakeFile("a.tmp", 10);
    tree.MakeFile("b.tmp", 20);
    UsePatterns({"*.tmp"});
    Search();
    const std::vector<ResultRow> before = Results();
    const std::vector<std::string> status = StatusTexts();
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(status[4], "Hecho");

    const std::vector<std::pair<const char*, std::function<void(HWND)>>> ways = {
        {"Alt+F4", [](HWND) { test::PressAltKey(VK_F4); }},
        {"Esc", [](HWND) { test::PressKey(VK_ESCAPE); }},
        {"the caption's close button",
         [](HWND chooser) {
             // The button the caption bar draws at the right end of the bar.
             RECT frame;
             ::GetWindowRect(chooser, &frame);
             const int edge = ::GetSystemMetrics(SM_CXDLGFRAME), button = ::GetSystemMetrics(SM_CXSMICON);
             const int middle = frame.top + ::GetSystemMetrics(SM_CYDLGFRAME) + ::GetSystemMetrics(SM_CYSMCAPTION) / 2;
             test::ClickAt(frame.right - edge - 2 - button / 2, middle);
         }},
    };
    // A search now would list one file.
    ASSERT_TRUE(::DeleteFileW(base::Wide(tree / "b.tmp").c_str()));
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        EXPECT_TRUE(StartAndAct(way.second));
        test::HandlePosted();  // a search, once started, would be under way by now
        EXPECT_FALSE(Main->Busy());
        EXPECT_FALSE(ChooseDir->GetVisible());
        EXPECT_EQ(Results(), before);
        EXPECT_EQ(StatusTexts(), status);
        ExpectIdleButtons();
    }
}

// A click highlights a folder: "Seguir" searches that one, whose path the
// chooser shows, shortened in its middle to keep the folder's own name.
TEST_F(Chooser, SeguirSearchesTheHighlightedFolderWhosePathItShows) {
    const std::string name = "fotos de las vacaciones 2019";
    tree.MakeFile("a.tmp", 1);
    tree.MakeFile(name + "\\b.tmp", 2);
    tree.MakeFile(name + "\\sub\\c.tmp", 3);
    UsePatterns({"*.tmp"});
    SetOption(Main->SelectHomeDir, true);
    ChooseDir->DirectoryListBox1->SetDirectory(tree.path());
    const TRect seguir = ChooseDir->FlatButton1->GetBoundsRect();
    ASSERT_TRUE(StartAndAct([&](HWND chooser) {
        HWND list = ::FindWindowExW(chooser, nullptr, L"ListBox", nullptr);
        const int index = ListIndexOf(list, base::Wide(name).c_str());
        POINT p = ListItemCentre(list, index);
        test::ClickAt(p.x, p.y);
        if (!test::PumpUntil([&] { return ::SendMessageW(list, LB_GETCURSEL, 0, 0) == index; })) return;
        p = {(seguir.left + seguir.right) / 2, (seguir.top + seguir.bottom) / 2};
        ::ClientToScreen(chooser, &p);
        test::ClickAt(p.x, p.y);
    }));
    WaitUntilIdle();
    const std::string chosen = tree / name + "\\";
    EXPECT_EQ(ChooseDir->ChosenDir, chosen);
    EXPECT_EQ(Places(), (std::vector<Place>{{"b.tmp", chosen}, {"c.tmp", chosen + "sub\\"}}));

    // The path of the folder, its own name whole, in the line's width.
    const std::string shown = ChooseDir->PathLabel->GetCaption();
    EXPECT_LE(TextWidth(shown, ChooseDir->PathLabel->GetFont()->GetHandle()), ChooseDir->PathLabel->GetWidth());
    EXPECT_EQ(shown.substr(0, 3), tree.path().substr(0, 3));
    EXPECT_EQ(shown.substr(std::min(shown.size(), shown.find("...\\"))), "...\\" + name);
}

TEST_F(Chooser, EnterConfirmsTheFolderShown) {
    tree.MakeFile("a.tmp", 10);
    UsePatterns({"*.tmp"});
    SetOption(Main->SelectHomeDir, true);
    ChooseDir->DirectoryListBox1->SetDirectory(tree.path());
    ASSERT_TRUE(StartAndAct([](HWND) { test::PressKey(VK_RETURN); }));
    WaitUntilIdle();
    EXPECT_EQ(ChooseDir->ChosenDir, tree.path() + "\\");
    EXPECT_EQ(Places(), (std::vector<Place>{{"a.tmp", tree.path() + "\\"}}));
    EXPECT_EQ(Panel(4), "Hecho");
}

}  // namespace
