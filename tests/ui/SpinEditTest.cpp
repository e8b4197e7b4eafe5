// The spin edit: the typing filter in front of OnKeyPress, the arrow
// buttons (step, bounds, no bound when the bounds are equal, OnChange), the
// arrow keys, and reading the value of a text that is not a number.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <string>
#include <vector>

#include "support/HintsAndClipboard.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/SpinEdit.h"
#include "base/Unicode.h"

namespace {

class CountingSpinEdit : public TSpinEdit {
public:
    using TSpinEdit::TSpinEdit;
    int beeps = 0;

protected:
    void Beep() override { ++beeps; }
};

class SpinForm : public TForm {
public:
    explicit SpinForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetBounds(60, 60, 320, 160);
        spin = new CountingSpinEdit(this);
        spin->SetParent(this);
        spin->SetBounds(8, 8, 121, 22);
        spin->SetIncrement(32);
        spin->SetMinValue(0);
        spin->SetMaxValue(2147483647);
        spin->SetValue(32);
    }
    CountingSpinEdit* spin;
};

HWND ArrowsOf(TSpinEdit* spin) { return ::FindWindowExW(spin->GetHandle(), nullptr, UPDOWN_CLASSW, nullptr); }

class SpinEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new SpinForm(Application);
        spin = form->spin;
        spin->OnChange = [this](TObject*) { log.push_back("change:" + spin->GetText()); };
        ASSERT_TRUE(test::ShowActive(form));
        log.clear();
    }
    void TearDown() override { delete form; }

    // Clicks the upper or lower arrow with the mouse.
    void ClickArrow(bool up) {
        RECT r;
        ::GetWindowRect(ArrowsOf(spin), &r);
        const int x = (r.left + r.right) / 2;
        const int y = up ? r.top + (r.bottom - r.top) / 4 : r.bottom - (r.bottom - r.top) / 4 - 1;
        test::ClickAt(x, y);
    }

    SpinForm* form = nullptr;
    CountingSpinEdit* spin = nullptr;
    std::vector<std::string> log;
};

TEST(SpinEditRules, OnlyDigitsSignsTheSeparatorAndControlCharactersOtherThanEnterPass) {
    for (wchar_t c : std::wstring(L"0123456789+-,")) EXPECT_TRUE(IsSpinEditChar(c, L',')) << static_cast<int>(c);
    EXPECT_FALSE(IsSpinEditChar(L'.', L','));
    EXPECT_TRUE(IsSpinEditChar(L'.', L'.'));
    EXPECT_TRUE(IsSpinEditChar(L'\b', L','));
    EXPECT_TRUE(IsSpinEditChar(L'\x16', L','));  // Ctrl+V
    EXPECT_FALSE(IsSpinEditChar(L'\r', L','));
    // Letters, and digits of other scripts, do not.
    for (wchar_t c : std::wstring(L"aZ =e*ñ٣")) EXPECT_FALSE(IsSpinEditChar(c, L',')) << static_cast<int>(c);
    EXPECT_TRUE(IsSpinEditChar(L'٫', L'٫'));  // a separator beyond Latin-1
}

TEST_F(SpinEditTest, RefusedCharactersBeepAndNeverReachKeyPress) {
    std::wstring seen;
    spin->OnKeyPress = [&](TObject*, wchar_t& key) { seen += key; };
    spin->SetText("");
    spin->SetFocus();
    ASSERT_TRUE(spin->Focused());
    const std::string separator = base::Utf8(std::wstring(1, LocaleDecimalSeparator()));
    test::TypeText("1a+b-" + separator + "2");
    EXPECT_EQ(base::Utf8(seen), "1+-" + separator + "2");
    EXPECT_EQ(spin->GetText(), "1+-" + separator + "2");
    EXPECT_EQ(spin->beeps, 2);

    test::PressKey(VK_BACK);  // control characters pass
    EXPECT_EQ(seen.back(), L'\b');
    EXPECT_EQ(spin->GetText(), "1+-" + separator);
    test::PressKey(VK_RETURN);  // except Enter
    EXPECT_EQ(spin->beeps, 3);
    EXPECT_EQ(seen.back(), '\b');
}

TEST_F(SpinEditTest, PastedTextIsNotFiltered) {
    spin->SetText("");
    spin->SetFocus();
    ASSERT_TRUE(spin->Focused());
    ASSERT_TRUE(test::PutOnClipboard(spin->GetHandle(), "1a2"));
    log.clear();
    test::PressKey('V', false, true);
    EXPECT_EQ(spin->GetText(), "1a2");
    EXPECT_EQ(log, (std::vector<std::string>{"change:1a2"}));
    EXPECT_EQ(spin->beeps, 0);
}

TEST_F(SpinEditTest, ArrowsStepWithinTheBoundsAndFireChange) {
    ClickArrow(true);
    EXPECT_EQ(spin->GetValue(), 64);
    EXPECT_TRUE(spin->Focused());  // a click on the arrows focuses the field
    ClickArrow(false);
    ClickArrow(false);
    EXPECT_EQ(spin->GetValue(), 0);
    ClickArrow(false);  // at the minimum: nothing changes
    EXPECT_EQ(spin->GetText(), "0");
    EXPECT_EQ(log, (std::vector<std::string>{"change:64", "change:32", "change:0"}));

    spin->SetValue(2147483640);
    ClickArrow(true);
    EXPECT_EQ(spin->GetText(), "2147483647");
}

TEST_F(SpinEditTest, EqualBoundsMeanNoBound) {
    spin->SetMaxValue(0);
    spin->SetValue(1024);
    ClickArrow(true);
    EXPECT_EQ(spin->GetValue(), 1056);
    spin->SetValue(0);
    ClickArrow(false);
    EXPECT_EQ(spin->GetText(), "-32");
    // The range of the number itself still holds.
    spin->SetValue(INT_MAX);
    ClickArrow(true);
    EXPECT_EQ(spin->GetText(), "2147483647");
}

TEST_F(SpinEditTest, ArrowKeysStepLikeTheArrows) {
    spin->SetFocus();
    ASSERT_TRUE(spin->Focused());
    test::PressKey(VK_UP);
    EXPECT_EQ(spin->GetValue(), 64);
    test::PressKey(VK_DOWN);
    test::PressKey(VK_DOWN);
    EXPECT_EQ(spin->GetValue(), 0);
}

TEST_F(SpinEditTest, TextThatIsNotANumberReadsAsTheMinimum) {
    spin->SetMinValue(5);
    spin->SetText("");
    EXPECT_EQ(spin->GetValue(), 5);
    spin->SetText("12a");
    EXPECT_EQ(spin->GetValue(), 5);
    spin->SetText("99999999999");
    EXPECT_EQ(spin->GetValue(), 5);
    spin->SetText("+17");
    EXPECT_EQ(spin->GetValue(), 17);
    // From a text that is not a number the arrows start at the minimum.
    spin->SetText("x");
    ClickArrow(true);
    EXPECT_EQ(spin->GetText(), "37");
    // Setting a value keeps it within the bounds.
    spin->SetValue(-3);
    EXPECT_EQ(spin->GetText(), "5");
}

TEST_F(SpinEditTest, TheHintShowsOverTheArrows) {
    form->SetShowHint(true);
    spin->SetHint("Tamaxo máximo del fichero a buscar");
    spin->RecreateWnd();  // the arrows are made with the field, after its hint
    RECT r;
    ::GetWindowRect(ArrowsOf(spin), &r);
    EXPECT_EQ(test::HintShownAt(POINT{r.left + 5, r.top + 4}), "Tamaxo máximo del fichero a buscar");
}

TEST_F(SpinEditTest, DisabledFieldDisablesItsArrowsAndTextStopsShortOfThem) {
    spin->SetEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(ArrowsOf(spin)));
    ClickArrow(true);
    EXPECT_EQ(spin->GetValue(), 32);
    spin->SetEnabled(true);
    EXPECT_TRUE(::IsWindowEnabled(ArrowsOf(spin)));

    RECT field, arrows;
    ::GetClientRect(spin->GetHandle(), &field);
    ::GetWindowRect(ArrowsOf(spin), &arrows);
    ::MapWindowPoints(HWND_DESKTOP, spin->GetHandle(), reinterpret_cast<POINT*>(&arrows), 2);
    EXPECT_EQ(arrows.right, field.right);
    EXPECT_EQ(arrows.top, 0);
    EXPECT_EQ(arrows.bottom, field.bottom);
    LRESULT margins = ::SendMessageW(spin->GetHandle(), EM_GETMARGINS, 0, 0);
    EXPECT_GE(HIWORD(margins), arrows.right - arrows.left);

    // The arrows follow a new size and a new window.
    spin->SetWidth(150);
    spin->RecreateWnd();
    ::GetClientRect(spin->GetHandle(), &field);
    ::GetWindowRect(ArrowsOf(spin), &arrows);
    ::MapWindowPoints(HWND_DESKTOP, spin->GetHandle(), reinterpret_cast<POINT*>(&arrows), 2);
    EXPECT_EQ(arrows.right, field.right);
    EXPECT_EQ(spin->GetText(), "32");
}

// What the screen shows of the arrows: how many of their pixels differ from
// the field's background (the field painting over them leaves none).
int ArrowPixelsOnScreen(TSpinEdit* spin) {
    HWND arrows = ArrowsOf(spin);
    RECT r;
    ::GetClientRect(arrows, &r);
    HDC dc = ::GetWindowDC(arrows);
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += ::GetPixel(dc, x, y) != ::GetSysColor(COLOR_WINDOW);
    ::ReleaseDC(arrows, dc);
    return n;
}

TEST_F(SpinEditTest, TheArrowsStayWhenTheFieldRepaints) {
    TEdit* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(8, 40, 121, 22);
    test::PaintPending(form->GetHandle());
    const int drawn = ArrowPixelsOnScreen(spin);
    ASSERT_GT(drawn, 0);
    // Focus comes and goes: the field redraws its text and its frame.
    POINT p = test::ScreenPointOf(spin, 10, 10);
    test::ClickAt(p.x, p.y);
    p = test::ScreenPointOf(other, 10, 10);
    test::ClickAt(p.x, p.y);
    ::SetWindowTextW(spin->GetHandle(), L"64");
    test::PaintPending(form->GetHandle());
    EXPECT_EQ(ArrowPixelsOnScreen(spin), drawn);
}

}  // namespace
