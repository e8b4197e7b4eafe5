// The help window used as a user uses it: opened with "Ayuda", moved,
// closed with its close button and opened again, and its three buttons
// starting the registered web browser (a stand-in that records its command
// line) with the maker's site, the author's page and the e-mail address.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "support/BrowserRegistry.h"
#include "support/ProgramWindows.h"
#include "support/TestSupport.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"

namespace {

using test::ClickOn;

// Input that the program's thread must take in a loop of its own (the
// system's tracking of a title-bar button or of a window being moved) is
// played from another thread while this one handles messages.
void PlayWhilePumping(const std::function<void()>& play, const std::function<bool()>& done) {
    test::UserThread user(play);
    test::PumpUntil(done, 10000);
    user.Join();
    test::HandlePosted();
}

// Where the close button of a window's title bar is: the system says.
POINT CloseButtonOf(HWND wnd) {
    RECT r;
    ::GetWindowRect(wnd, &r);
    const int y = r.top + ::GetSystemMetrics(SM_CYFRAME) + ::GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int x = r.right - 1; x > r.left; --x)
        if (::SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return POINT{x - 5, y};
    return POINT{-1, -1};
}

struct TitleSearch {
    const char* title;
    int count;
};

BOOL CALLBACK CountTitled(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<TitleSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(wnd, &process);
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(wnd) && ui::WindowText(wnd) == search->title)
        ++search->count;
    return TRUE;
}

int VisibleWindowsTitled(const char* title) {
    TitleSearch search{title, 0};
    ::EnumWindows(CountTitled, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

const char kHelpTitle[] = "Tallowmere Sweepfield - Ayuda";

class HelpWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::StartProgram(); }

    void ShowHelp() {
        if (!HelpForm->GetVisible()) ClickOn(Main->HelpButton);
        ASSERT_TRUE(test::PumpUntil([] { return ::IsWindowVisible(HelpForm->GetHandle()) != FALSE; }));
    }
};

TEST_F(HelpWindow, AyudaShowsOneWindowThatComesBackWhereItWasClosed) {
    const HWND main = Main->GetHandle();
    ASSERT_FALSE(HelpForm->GetVisible());
    ClickOn(Main->HelpButton);
    const HWND help = HelpForm->GetHandle();
    ASSERT_TRUE(::IsWindowVisible(help));
    RECT r, client;
    ::GetWindowRect(help, &r);
    ::GetClientRect(help, &client);
    EXPECT_EQ(r.left, 304);
    EXPECT_EQ(r.top, 147);
    EXPECT_EQ(client.right, 405);
    EXPECT_EQ(client.bottom, 171);
    EXPECT_EQ(::GetActiveWindow(), help);
    EXPECT_TRUE(::IsWindowEnabled(main));  // not modal

    // Back to the main window, and "Ayuda" again: nothing happens.
    POINT status = test::CentreOf(Main->StatusBar);
    test::ClickAt(status.x, status.y);
    ASSERT_EQ(::GetActiveWindow(), main);
    ClickOn(Main->HelpButton);
    EXPECT_EQ(VisibleWindowsTitled(kHelpTitle), 1);
    EXPECT_EQ(::GetActiveWindow(), main);
    RECT again;
    ::GetWindowRect(help, &again);
    EXPECT_TRUE(::EqualRect(&r, &again));

    // Put elsewhere (dragging a window by its title bar needs the X server
    // to see the button held, which synthetic input does not give), closed
    // with its close button and opened again, it comes back where it was.
    ::SetWindowPos(help, nullptr, r.left + 40, r.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT moved;
    ::GetWindowRect(help, &moved);
    ASSERT_EQ(moved.left, r.left + 40);

    POINT close = CloseButtonOf(help);
    ASSERT_GE(close.x, 0);
    PlayWhilePumping([close] { test::ClickAt(close.x, close.y); }, [help] { return !::IsWindowVisible(help); });
    EXPECT_FALSE(::IsWindowVisible(help));
    EXPECT_FALSE(HelpForm->GetVisible());

    ClickOn(Main->HelpButton);
    EXPECT_TRUE(::IsWindowVisible(help));
    ::GetWindowRect(help, &again);
    EXPECT_TRUE(::EqualRect(&moved, &again));
    EXPECT_EQ(VisibleWindowsTitled(kHelpTitle), 1);
}

TEST_F(HelpWindow, EachButtonStartsTheBrowserWithItsAddress) {
    test::SavedClassesKeys saved({".htm", ".html", ".shtml", ".shtm", "SweepfieldTest.Page"});
    test::FakeBrowserLog log;
    ShowHelp();

    // No browser registered: a click shows nothing and starts nothing.
    ClickOn(HelpForm->FlatButton1);
    EXPECT_EQ(log.NextCommandLine(0), "");
    EXPECT_EQ(::GetActiveWindow(), HelpForm->GetHandle());

    ASSERT_TRUE(test::SetClassesDefault(".htm", "SweepfieldTest.Page"));
    ASSERT_TRUE(
        test::SetClassesDefault("SweepfieldTest.Page\\shell\\open\\command", "\"" + test::FakeBrowserPath() + "\" %1"));
    const std::vector<std::pair<const TControl*, std::string>> links = {
        {HelpForm->FlatButton1, "http://www.hollowmarch.example/"},
        {HelpForm->FlatButton2, "http://www.tallowmere.example/autor/"},
        {HelpForm->FlatButton3, "mailto:autor@tallowmere.example"},
    };
    for (const auto& link : links) {
        ClickOn(link.first);
        const std::string line = log.NextCommandLine();
        const std::string tail = " " + link.second;
        EXPECT_TRUE(line.size() > tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
            << link.first->GetName() << " started: " << line;
        EXPECT_NE(line.find("FAKEBROWSER.EXE"), std::string::npos) << line;
    }
}

// Esc closes the window, as its close button does; the drop capital's ink
// ends before the text beside it begins.
TEST_F(HelpWindow, EscClosesItAndTheCapitalStandsClearOfTheText) {
    ShowHelp();
    test::Canvas32 pic(HelpForm->GetClientWidth(), HelpForm->GetClientHeight(), RGB(255, 255, 255));
    ::SendMessageW(HelpForm->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    int capitalRight = -1, textLeft = pic.width();
    for (int y = 0; y < 54; ++y)
        for (int x = 0; x < HelpForm->FlatButton1->GetLeft(); ++x) {
            const COLORREF c = pic.At(x, y);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (g > r + 40 && g > b + 40) capitalRight = std::max(capitalRight, x);
            else if (r < 100 && g < 100 && b < 100) textLeft = std::min(textLeft, x);
        }
    EXPECT_GT(capitalRight, 0);
    EXPECT_LT(capitalRight, textLeft);

    test::PressKey(VK_ESCAPE);
    EXPECT_FALSE(::IsWindowVisible(HelpForm->GetHandle()));
}

}  // namespace
