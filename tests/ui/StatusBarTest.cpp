// The status bar as the main window uses it, read back the way another
// program or a screen reader reads it: through the system control's messages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "support/SystemCalls.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/StatusBar.h"
#include "base/Unicode.h"

namespace {

class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBorderStyle(bsSingle);
        form->SetBounds(80, 80, 100, 100);
        form->SetClientWidth(400);
        form->SetClientHeight(200);
        bar = new TStatusBar(form);
        bar->SetParent(form);
        bar->SetSizeGrip(false);
        // The main window's five panels.
        const struct {
            int width;
            TAlignment alignment;
            const char* text;
        } panels[] = {{50, taRightJustify, "0"},
                      {70, taLeftJustify, "Encontrados"},
                      {70, taRightJustify, "0"},
                      {70, taLeftJustify, "Total Bytes"},
                      {50, taLeftJustify, "OK, esperando"}};
        for (const auto& p : panels) {
            TStatusPanel* panel = bar->GetPanels()->Add();
            panel->SetWidth(p.width);
            panel->SetAlignment(p.alignment);
            panel->SetText(p.text);
        }
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override { delete form; }

    HWND wnd() { return bar->GetHandle(); }
    std::string WindowText(int part) {
        LRESULT length = ::SendMessageW(wnd(), SB_GETTEXTLENGTHW, part, 0);
        std::wstring s(LOWORD(length) + 1u, L'\0');
        ::SendMessageW(wnd(), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(&s[0]));
        s.resize(LOWORD(length));
        return base::Utf8(s);
    }
    std::vector<int> Parts() {
        int edges[16];
        LRESULT n = ::SendMessageW(wnd(), SB_GETPARTS, 16, reinterpret_cast<LPARAM>(edges));
        return std::vector<int>(edges, edges + n);
    }

    TForm* form = nullptr;
    TStatusBar* bar = nullptr;
};

TEST_F(StatusBarTest, SitsAtTheBottomOfItsFormAcrossTheWholeWidth) {
    EXPECT_EQ(bar->GetBoundsRect(), Rect(0, 181, 400, 200));
    form->SetClientWidth(300);
    EXPECT_EQ(bar->GetBoundsRect(), Rect(0, 181, 300, 200));
    EXPECT_EQ(::GetWindowLongW(wnd(), GWL_STYLE) & SBARS_SIZEGRIP, 0);
}

TEST_F(StatusBarTest, OtherProgramsReadThePanelsTextsAndWidths) {
    EXPECT_EQ(Parts(), (std::vector<int>{50, 120, 190, 260, -1}));  // the last reaches the end
    EXPECT_EQ(WindowText(1), "Encontrados");
    EXPECT_EQ(WindowText(4), "OK, esperando");
    // Right alignment is the control's two-tab prefix; the panel keeps the plain text.
    EXPECT_EQ(WindowText(0), "\t\t0");
    EXPECT_EQ(bar->GetPanels()->GetItem(0)->GetText(), "0");

    bar->GetPanels()->GetItem(0)->SetText("1234");
    // A text of any script reaches the control whole.
    bar->GetPanels()->GetItem(4)->SetText("C:\\дир\\文件\\ā.tmp 😀");
    EXPECT_EQ(WindowText(0), "\t\t1234");
    EXPECT_EQ(WindowText(4), "C:\\дир\\文件\\ā.tmp 😀");
    bar->GetPanels()->GetItem(3)->SetAlignment(taCenter);
    EXPECT_EQ(WindowText(3), "\tTotal Bytes");
    bar->GetPanels()->GetItem(1)->SetWidth(100);
    EXPECT_EQ(Parts(), (std::vector<int>{50, 150, 220, 290, -1}));
}

TEST_F(StatusBarTest, PanelsComeBackWithANewWindow) {
    HWND old = wnd();
    bar->GetPanels()->GetItem(2)->SetText("95");
    bar->SetSizeGrip(true);  // a style the control reads when it is made
    ASSERT_NE(wnd(), old);
    EXPECT_NE(::GetWindowLongW(wnd(), GWL_STYLE) & SBARS_SIZEGRIP, 0);
    EXPECT_EQ(Parts(), (std::vector<int>{50, 120, 190, 260, -1}));
    EXPECT_EQ(WindowText(2), "\t\t95");
    EXPECT_EQ(WindowText(3), "Total Bytes");
}

// What reaches the control: every SB_SETTEXT repaints the panel on Windows
// (Wine skips an unchanged text itself).
int setTexts = 0, paints = 0;

LRESULT CALLBACK CountUpdates(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == SB_SETTEXTW) ++setTexts;
    if (msg == WM_PAINT) ++paints;
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

TEST_F(StatusBarTest, AnUnchangedTextDoesNotRepaintTheBar) {
    ::SetWindowSubclass(wnd(), CountUpdates, 1, 0);
    test::PaintPending(wnd());
    setTexts = paints = 0;
    bar->GetPanels()->GetItem(1)->SetText("Encontrados");
    bar->GetPanels()->GetItem(0)->SetAlignment(taRightJustify);
    test::PaintPending(wnd());
    EXPECT_EQ(setTexts, 0);
    EXPECT_EQ(paints, 0);
    bar->GetPanels()->GetItem(1)->SetText("Encontrado");
    test::PaintPending(wnd());
    EXPECT_EQ(setTexts, 1);
    EXPECT_GT(paints, 0);
    ::RemoveWindowSubclass(wnd(), CountUpdates, 1);
}

TEST_F(StatusBarTest, WithATextIntervalTheLatestTextsStillArriveAlsoFromABusyProgram) {
    ::SetWindowSubclass(wnd(), CountUpdates, 1, 0);
    bar->SetTextInterval(100);
    TStatusPanel* count = bar->GetPanels()->GetItem(0);
    TStatusPanel* folder = bar->GetPanels()->GetItem(4);

    // A burst of changes, as a search makes them: the first goes at once,
    // the last once messages are handled. The clock is held for the burst,
    // so that it is one burst however slowly this process runs.
    setTexts = 0;
    {
        test::HeldClock clock(::GetTickCount() + 100000);
        ASSERT_TRUE(clock.Active());
        for (int i = 1; i <= 1000; ++i) count->SetText(std::to_string(i));
    }
    EXPECT_EQ(count->GetText(), "1000");
    EXPECT_EQ(setTexts, 1);
    EXPECT_EQ(WindowText(0), "\t\t1");
    EXPECT_TRUE(test::PumpUntil([&] { return WindowText(0) == "\t\t1000"; }));
    EXPECT_EQ(setTexts, 2);

    // A program that handles no messages still shows a text once per
    // interval: the change that comes first after it goes at once, carrying
    // the latest text. The clock moves one millisecond a change.
    std::string last;
    {
        test::HeldClock clock(::GetTickCount() + 100000);
        ASSERT_TRUE(clock.Active());
        folder->SetText("C:\\");  // long after the last text: at once
        setTexts = 0;
        std::vector<std::string> shown;
        for (int ms = 1; ms <= 350; ++ms) {
            clock.Advance(1);
            last = "C:\\carpeta" + std::to_string(ms) + "\\";
            folder->SetText(last);
            if (setTexts > static_cast<int>(shown.size())) shown.push_back(WindowText(4));
        }
        EXPECT_EQ(shown, (std::vector<std::string>{"C:\\carpeta100\\", "C:\\carpeta200\\", "C:\\carpeta300\\"}));
        EXPECT_EQ(setTexts, 3);
    }

    // Without an interval every change goes at once again.
    bar->SetTextInterval(0);
    EXPECT_EQ(WindowText(4), last);
    folder->SetText("Hecho");
    EXPECT_EQ(WindowText(4), "Hecho");
    ::RemoveWindowSubclass(wnd(), CountUpdates, 1);
}

TEST_F(StatusBarTest, RightAlignedTextIsDrawnAgainstThePanelsRightEdge) {
    test::Canvas32 pic(400, 19);
    bar->PaintTo(pic.dc(), 0, 0);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    auto inkSpan = [&](int from, int to) {
        int first = -1, last = -1;
        for (int x = from; x < to; ++x)
            for (int y = 3; y < 16; ++y)
                if (pic.At(x, y) == text) {
                    if (first < 0) first = x;
                    last = x;
                }
        return std::make_pair(first, last);
    };
    auto zero = inkSpan(0, 48);        // "0", right-aligned in 50 pixels
    auto label = inkSpan(52, 118);     // "Encontrados", left-aligned
    ASSERT_GE(zero.first, 0);
    ASSERT_GE(label.first, 0);
    EXPECT_GT(zero.first, 30);
    EXPECT_LT(label.first, 52 + 10);
}

}  // namespace
