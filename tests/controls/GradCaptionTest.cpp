// The gradient caption bar: its rules (geometry, buttons, bands, text choice,
// window text), its texts and fonts, and the bar as it is painted into a real
// window frame under Xvfb, where Wine draws the frames itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "controls/GradCaption.h"
#include "support/TestSupport.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Handles.h"

namespace {

using namespace gradcaption;

// ---------------------------------------------------------------- helpers

// A form as the program's windows are: main window style unless told otherwise.
class CaptionForm : public TForm {
public:
    explicit CaptionForm(TComponent* owner, TFormBorderStyle style = bsSingle,
                         TBorderIcons icons = {biSystemMenu, biMinimize}, int width = 420)
        : TForm(owner) {
        SetBorderStyle(style);
        SetBorderIcons(icons);
        SetBounds(40, 40, width, 160);
    }
};

TGradientCaption* MakeCaption(TForm& form, const std::string& company = "Tallowmere",
                              const std::string& appName = "Sweepfield -", const std::string& caption = "Ayuda") {
    auto* gc = new TGradientCaption(&form);
    gc->GetCompanyText()->SetCaption(company);
    gc->GetAppNameText()->SetCaption(appName);
    gc->GetCaptionText()->SetCaption(caption);
    return gc;
}

std::string WindowText(HWND wnd) { return ui::WindowText(wnd); }

// Pixels of a window, frame included, read back through its window DC.
struct WindowPixels {
    explicit WindowPixels(HWND wnd) : wnd_(wnd), dc_(::GetWindowDC(wnd)) {}
    ~WindowPixels() { ::ReleaseDC(wnd_, dc_); }
    COLORREF At(int x, int y) const { return ::GetPixel(dc_, x, y); }
    int Count(const TRect& r, COLORREF color) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) == color;
        return n;
    }
    HWND wnd_;
    HDC dc_;
};

int CountColor(const test::Canvas32& pic, const TRect& r, COLORREF color) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += pic.At(x, y) == color;
    return n;
}

COLORREF Plain(TColor c) { return ColorToPlainRGB(c); }

// Puts the system's caption font back when the test is done with it.
class CaptionFontRestorer {
public:
    CaptionFontRestorer() {
        saved_.cbSize = sizeof saved_;
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &saved_, 0);
    }
    ~CaptionFontRestorer() { ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof saved_, &saved_, 0); }
    void SetCaptionFont(const wchar_t* face, int height, LONG weight = FW_NORMAL) {
        NONCLIENTMETRICSW m = saved_;
        lstrcpynW(m.lfCaptionFont.lfFaceName, face, LF_FACESIZE);
        m.lfCaptionFont.lfHeight = height;
        m.lfCaptionFont.lfWeight = weight;
        m.lfCaptionFont.lfItalic = FALSE;
        ::SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof m, &m, 0);
    }

private:
    NONCLIENTMETRICSW saved_{};
};

int CharHeight(TFont* font) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font->GetHandle());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return tm.tmHeight - tm.tmInternalLeading;
}

// What reaches the system's own window procedure under the bar: the
// messages of activation, frame and settings, with their wParam.
using Heard = std::vector<std::pair<UINT, WPARAM>>;
Heard* systemHears = nullptr;

LRESULT CALLBACK UnderTheBar(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (msg) {
        case WM_NCACTIVATE:
        case WM_NCCALCSIZE:
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
        case WM_DISPLAYCHANGE:
            if (systemHears) systemHears->push_back({msg, wParam});
            break;
        default:
            break;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

int Count(const Heard& heard, UINT msg) {
    return static_cast<int>(std::count_if(heard.begin(), heard.end(), [msg](const auto& m) { return m.first == msg; }));
}

// ---------------------------------------------------------------- window text

TEST(CaptionRules, TheWindowTextJoinsTheVisibleTextsWithSingleSpaces) {
    EXPECT_EQ(JoinTexts({"Tallowmere", true}, {"Sweepfield -", true}, {"Ayuda", true}),
              "Tallowmere Sweepfield - Ayuda");
    EXPECT_EQ(JoinTexts({"Tallowmere", false}, {"Sweepfield -", true}, {"Ayuda", true}), "Sweepfield - Ayuda");
    EXPECT_EQ(JoinTexts({"", true}, {"Sweepfield -", true}, {"Ayuda", true}), "Sweepfield - Ayuda");
    EXPECT_EQ(JoinTexts({"Tallowmere", true}, {"", true}, {"Ayuda", true}), "Tallowmere Ayuda");
    EXPECT_EQ(JoinTexts({"Tallowmere", true}, {"Sweepfield -", false}, {"Ayuda", false}), "Tallowmere");
    EXPECT_EQ(JoinTexts({"Tallowmere", true}, {"Sweepfield", true}, {"", true}), "Tallowmere Sweepfield ");
}

TEST(CaptionRules, TheCaptionTextIsWhatFollowsTheCompanyAndApplicationTexts) {
    TTextPart company{"Tallowmere", true}, app{"Sweepfield -", true};
    EXPECT_EQ(CaptionFromWindowText("Tallowmere Sweepfield - Nuevo", company, app), "Nuevo");
    // Neither text in it: one leading space goes for each visible text.
    EXPECT_EQ(CaptionFromWindowText("  Otra cosa", company, app), "Otra cosa");
    EXPECT_EQ(CaptionFromWindowText("   Otra", company, {"Sweepfield -", false}), "  Otra");
    EXPECT_EQ(CaptionFromWindowText("Sweepfield - Ayuda", {"Tallowmere", false}, app), "Ayuda");
    // An empty company text is found nowhere.
    EXPECT_EQ(CaptionFromWindowText("Sweepfield - Ayuda", {"", true}, app), "Ayuda");
    EXPECT_EQ(CaptionFromWindowText("Tallowmere Sweepfield -", company, app), "");
}

TEST(GradientCaption, KeepsTheFormsWindowTextInStepWithItsTexts) {
    CaptionForm form(Application);
    TGradientCaption* gc = MakeCaption(form);
    HWND wnd = form.GetHandle();
    EXPECT_EQ(WindowText(wnd), "Tallowmere Sweepfield - Ayuda");
    gc->GetCompanyText()->SetVisible(false);
    EXPECT_EQ(WindowText(wnd), "Sweepfield - Ayuda");
    gc->GetCompanyText()->SetVisible(true);
    gc->GetCompanyText()->SetCaption("");
    EXPECT_EQ(WindowText(wnd), "Sweepfield - Ayuda");
    gc->GetAppNameText()->SetCaption("");
    EXPECT_EQ(WindowText(wnd), "Ayuda");
}

TEST(GradientCaption, ACaptionSetByTheProgramBecomesTheCaptionText) {
    CaptionForm form(Application);
    TGradientCaption* gc = MakeCaption(form);
    ASSERT_TRUE(test::ShowActive(&form));
    form.SetCaption("Tallowmere Sweepfield - Nuevo");
    EXPECT_EQ(gc->GetCaptionText()->GetCaption(), "Nuevo");
    // The bar has taken it already: the title was painted again.
    EXPECT_EQ(gc->GetCaptionText()->StoredCaption(), "Nuevo");
    EXPECT_EQ(gc->GetCompanyText()->GetCaption(), "Tallowmere");
    form.SetCaption("Otra ventana");
    EXPECT_EQ(gc->GetCaptionText()->GetCaption(), "Otra ventana");
}

// ---------------------------------------------------------------- system and fonts

TEST(CaptionRules, NewStyleCaptionsFromWindows95AndNT4On) {
    EXPECT_FALSE(IsNewStyleSystem(false, VER_PLATFORM_WIN32_NT, 10));
    EXPECT_FALSE(IsNewStyleSystem(true, VER_PLATFORM_WIN32s, 3));
    EXPECT_TRUE(IsNewStyleSystem(true, VER_PLATFORM_WIN32_WINDOWS, 4));
    EXPECT_FALSE(IsNewStyleSystem(true, VER_PLATFORM_WIN32_NT, 3));
    EXPECT_TRUE(IsNewStyleSystem(true, VER_PLATFORM_WIN32_NT, 4));
    EXPECT_TRUE(IsNewStyleSystem(true, 3, 1));
}

TEST(CaptionRules, FontHeightsAreFittedInTheirOwnSignConvention) {
    EXPECT_EQ(FittedHeight(-11, 11, 13), -13);  // character heights
    EXPECT_EQ(FittedHeight(-16, 16, 13), -13);
    EXPECT_EQ(FittedHeight(16, 13, 15), 18);    // a cell height grows when the characters must
    EXPECT_EQ(FittedHeight(20, 16, 13), 17);
    EXPECT_EQ(FittedHeight(0, 12, 13), -13);    // the default height
}

TEST(CaptionRules, TheSystemCaptionFontIsTakenWithItsStyles) {
    LOGFONTW lf{};
    lstrcpyW(lf.lfFaceName, L"Tahoma");
    lf.lfHeight = -13;
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = TRUE;
    TFont font;
    AssignCaptionFont(lf, font);
    EXPECT_EQ(font.GetName(), "Tahoma");
    EXPECT_EQ(font.GetHeight(), -13);
    EXPECT_EQ(font.GetStyle(), TFontStyles({fsBold, fsItalic}));
    lf.lfWeight = FW_MEDIUM;  // 500 is not bold yet
    lf.lfItalic = FALSE;
    lf.lfHeight = 16;         // a cell height stays one
    AssignCaptionFont(lf, font);
    EXPECT_EQ(font.GetStyle(), TFontStyles());
    EXPECT_EQ(font.GetHeight(), 16);
    // A face name of any script comes whole, also one that fills the record.
    lstrcpyW(lf.lfFaceName, L"微软雅黑");
    AssignCaptionFont(lf, font);
    EXPECT_EQ(font.GetName(), "微软雅黑");
    std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), L'ж');
    AssignCaptionFont(lf, font);
    std::string full;
    for (int i = 0; i < LF_FACESIZE; ++i) full += "ж";
    EXPECT_EQ(font.GetName(), full);
}

TEST(GradientCaption, OnlyAFormCanOwnIt) {
    long before = base::LiveHandleCount();
    EXPECT_THROW(new TGradientCaption(Application), EInvalidCast);
    EXPECT_THROW(new TGradientCaption(nullptr), EInvalidCast);
    EXPECT_EQ(base::LiveHandleCount(), before);
    EXPECT_EQ(Application->FindComponent("GradientCaption1"), nullptr);
}

TEST(GradientCaption, StartsWithTheSystemCaptionFontAndItsDefaults) {
    CaptionForm form(Application);
    auto* gc = new TGradientCaption(&form);
    EXPECT_EQ(gc->GetColor(), clBlack);
    EXPECT_EQ(gc->GetEnabled(), geSmart);
    EXPECT_EQ(gc->GetNumColors(), 64);
    TFont system;
    TGradientCaption::LoadSystemFont(&system);
    EXPECT_TRUE(gc->GetSystemFont()->SameAs(system));
    for (TCompanyText* t : {static_cast<TCompanyText*>(gc->GetCompanyText()),
                            static_cast<TCompanyText*>(gc->GetAppNameText()),
                            static_cast<TCompanyText*>(gc->GetCaptionText())}) {
        EXPECT_EQ(t->GetFontKind(), fkSystem);
        EXPECT_TRUE(t->GetVisible());
        EXPECT_EQ(t->GetColorActive(), clCaptionText);
        EXPECT_EQ(t->GetColorInactive(), clInactiveCaptionText);
        EXPECT_EQ(t->GetFont()->GetName(), system.GetName());
        EXPECT_FALSE(t->IsFontStored());
    }
}

TEST(GradientCaption, AssigningAFontMakesItCustomUnlessItsHeightIsFitted) {
    CaptionForm form(Application);
    auto* gc = new TGradientCaption(&form);
    TFont given;
    given.SetName("Liberation Mono");
    given.SetHeight(-24);

    TCompanyText* company = gc->GetCompanyText();
    company->SetFontKind(fkSystemB);
    EXPECT_TRUE(company->GetFont()->GetStyle().Contains(fsBold));
    company->SetFont(&given);
    EXPECT_EQ(company->GetFontKind(), fkCustom);
    EXPECT_EQ(company->GetFont()->GetHeight(), -24);
    EXPECT_TRUE(company->IsFontStored());

    TCompanyText* app = gc->GetAppNameText();
    app->SetFontKind(fkAutoHeight);
    app->SetFont(&given);
    EXPECT_EQ(app->GetFontKind(), fkAutoHeight);
    EXPECT_EQ(app->GetFont()->GetName(), "Liberation Mono");
    EXPECT_EQ(CharHeight(app->GetFont()), CharHeight(gc->GetSystemFont()));
    EXPECT_TRUE(app->IsFontStored());

    // A cell height is fitted too, and never left larger.
    given.SetHeight(40);
    app->SetFont(&given);
    EXPECT_GT(app->GetFont()->GetHeight(), 0);
    EXPECT_LE(CharHeight(app->GetFont()), CharHeight(gc->GetSystemFont()));
    EXPECT_GE(CharHeight(app->GetFont()), CharHeight(gc->GetSystemFont()) - 1);
}

TEST(GradientCaption, ASettingChangeBringsTheNewCaptionFontToTheSystemKinds) {
    CaptionForm form(Application);
    TGradientCaption* gc = MakeCaption(form);
    gc->GetCompanyText()->SetFontKind(fkSystemBI);
    TFont mono;
    mono.SetName("Liberation Mono");
    mono.SetHeight(-30);
    gc->GetAppNameText()->SetFontKind(fkAutoHeight);
    gc->GetAppNameText()->SetFont(&mono);
    TFont custom;
    custom.SetName("Liberation Serif");
    custom.SetHeight(-9);
    gc->GetCaptionText()->SetFont(&custom);
    ASSERT_EQ(gc->GetCaptionText()->GetFontKind(), fkCustom);

    // A second, active window: the change must not take the activation away.
    CaptionForm other(Application);
    form.Show();
    ASSERT_TRUE(test::ShowActive(&other));

    CaptionFontRestorer restorer;
    restorer.SetCaptionFont(L"Liberation Sans", -20);
    ::SendMessageW(form.GetHandle(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);

    EXPECT_EQ(gc->GetSystemFont()->GetName(), "Liberation Sans");
    EXPECT_EQ(gc->GetSystemFont()->GetHeight(), -20);
    TFont* company = gc->GetCompanyText()->GetFont();
    EXPECT_EQ(company->GetName(), "Liberation Sans");
    EXPECT_EQ(company->GetHeight(), -20);
    EXPECT_EQ(company->GetStyle(), TFontStyles({fsBold, fsItalic}));
    TFont* app = gc->GetAppNameText()->GetFont();
    EXPECT_EQ(app->GetName(), "Liberation Mono");
    EXPECT_EQ(CharHeight(app), 20);
    EXPECT_TRUE(gc->GetCaptionText()->GetFont()->SameAs(custom));
    EXPECT_EQ(::GetActiveWindow(), other.GetHandle());
}

// Each system kind is the system's caption font with its own styles added
// to the system's.
TEST(GradientCaption, TheSystemKindsAddTheirStylesToTheSystemFonts) {
    CaptionFontRestorer restorer;
    restorer.SetCaptionFont(L"Liberation Sans", -14, FW_BOLD);
    CaptionForm form(Application);
    auto* gc = new TGradientCaption(&form);
    TCompanyText* text = gc->GetCompanyText();
    const struct {
        TFontKind kind;
        TFontStyles style;
    } kinds[] = {{fkSystem, {fsBold}}, {fkSystemI, {fsBold, fsItalic}}, {fkSystemB, {fsBold}},
                 {fkSystemBI, {fsBold, fsItalic}}};
    for (const auto& k : kinds) {
        text->SetFontKind(k.kind);
        EXPECT_EQ(text->GetFont()->GetName(), "Liberation Sans");
        EXPECT_EQ(text->GetFont()->GetStyle(), k.style) << "kind " << k.kind;
    }
}

TEST(GradientCaption, NumColorsOutOfRangeAtRunTimeIsKeptOrClampedSilently) {
    CaptionForm form(Application);
    auto* gc = new TGradientCaption(&form);
    gc->SetNumColors(10);
    gc->SetNumColors(0);
    EXPECT_EQ(gc->GetNumColors(), 10);
    gc->SetNumColors(-5);
    EXPECT_EQ(gc->GetNumColors(), 10);
    gc->SetNumColors(300);
    EXPECT_EQ(gc->GetNumColors(), 256);
}

// A change of a property shows at the bar's next painting: the frame is not
// made anew for it.
TEST(GradientCaption, AChangeOfAPropertyWaitsForTheNextPainting) {
    Heard heard;
    {
        CaptionForm form(Application);
        ASSERT_TRUE(::SetWindowSubclass(form.GetHandle(), UnderTheBar, 1, 0));
        auto* gc = new TGradientCaption(&form);
        systemHears = &heard;
        const std::vector<std::pair<const char*, std::function<void()>>> changes = {
            {"Color", [&] { gc->SetColor(clRed); }},
            {"Enabled", [&] { gc->SetEnabled(geNever); }},
            {"NumColors", [&] { gc->SetNumColors(12); }},
            {"Caption", [&] { gc->GetCompanyText()->SetCaption("Tallowmere"); }},
            {"ColorActive", [&] { gc->GetCompanyText()->SetColorActive(clLime); }},
            {"ColorInactive", [&] { gc->GetCompanyText()->SetColorInactive(clLime); }},
            {"FontKind", [&] { gc->GetAppNameText()->SetFontKind(fkSystemI); }},
            {"Visible", [&] { gc->GetAppNameText()->SetVisible(false); }},
            {"Font", [&] { gc->GetCaptionText()->SetFont(gc->GetSystemFont()); }},
        };
        for (const auto& change : changes) {
            heard.clear();
            change.second();
            EXPECT_EQ(Count(heard, WM_NCCALCSIZE), 0) << change.first;
        }
        systemHears = nullptr;
        ::RemoveWindowSubclass(form.GetHandle(), UnderTheBar, 1);
    }
}

// ---------------------------------------------------------------- gradient

TEST(CaptionRules, SixtyFourBandsOverTwoHundredPixels) {
    const COLORREF start = RGB(0, 0, 0), end = RGB(50, 150, 250);
    std::vector<TGradientBand> bands = GradientBands(10, 210, start, end, 64);
    ASSERT_EQ(bands.size(), 64u);
    EXPECT_EQ(bands.front().left, 10);
    EXPECT_EQ(bands.back().right, 210);
    EXPECT_EQ(bands.front().color, start);
    EXPECT_EQ(bands.back().color, end);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        int width = bands[i].right - bands[i].left;
        EXPECT_TRUE(width == 3 || width == 4) << "band " << i << " is " << width << " pixels wide";
        if (i > 0) {
            EXPECT_EQ(bands[i].left, bands[i - 1].right);
            EXPECT_GE(GetBValue(bands[i].color), GetBValue(bands[i - 1].color));
        }
    }
    EXPECT_TRUE(GradientBands(0, 200, start, end, 0).empty());
}

// The gradient as painted, column by column, against the bands' arithmetic
// worked out independently (rounded to the nearest, halves away from zero).
TEST(GradientCaption, PaintsTheGradientBandByBand) {
    CaptionForm form(Application);
    auto* gc = new TGradientCaption(&form);
    auto nearest = [](int num, int den) { return (2 * num + (num >= 0 ? den : -den)) / (2 * den); };
    const TRect bar = Rect(0, 0, 200, 18);
    const COLORREF start = RGB(200, 10, 0), end = RGB(50, 150, 250);
    for (int n : {64, 2, 1}) {
        gc->SetNumColors(n);
        test::Canvas32 pic(200, 18);
        gc->DrawGradient(pic.dc(), static_cast<TColor>(start), bar, static_cast<TColor>(end));
        for (int x = 0; x < 200; ++x) {
            int band = 0;
            while (nearest((band + 1) * 200, n) <= x) ++band;
            COLORREF want = n == 1 ? start
                                   : RGB(200 + nearest(band * (50 - 200), n - 1), 10 + nearest(band * 140, n - 1),
                                         nearest(band * 250, n - 1));
            for (int y : {0, 17}) ASSERT_EQ(pic.At(x, y), want) << n << " bands, x " << x;
        }
    }
    // Two bands: halves of the two colours; one band: all the start colour.
    test::Canvas32 pic(200, 18);
    gc->SetNumColors(2);
    gc->DrawGradient(pic.dc(), static_cast<TColor>(start), bar, static_cast<TColor>(end));
    EXPECT_EQ(pic.At(99, 5), start);
    EXPECT_EQ(pic.At(100, 5), end);
}

TEST(CaptionRules, SmartGradientsFollowTheColourDepth) {
    EXPECT_FALSE(DrawsGradient(geSmart, true, 4));
    EXPECT_FALSE(DrawsGradient(geSmart, false, 4));
    EXPECT_TRUE(DrawsGradient(geSmart, true, 8));
    EXPECT_FALSE(DrawsGradient(geSmart, false, 8));
    EXPECT_TRUE(DrawsGradient(geSmart, true, 16));
    EXPECT_TRUE(DrawsGradient(geSmart, false, 16));
    EXPECT_TRUE(DrawsGradient(geAlways, false, 1));
    EXPECT_FALSE(DrawsGradient(geNever, true, 32));
    EXPECT_TRUE(DrawsGradient(geWhenActive, true, 32));
    EXPECT_FALSE(DrawsGradient(geWhenActive, false, 32));
}

// ---------------------------------------------------------------- geometry and buttons

TEST(CaptionRules, MainWindowStyleLeavesRoomForThreeButtons) {
    TFrameMetrics m = TFrameMetrics::System();
    TCaptionFrame f;
    f.width = 546;
    f.height = 400;
    f.style = bsSingle;
    f.icons = {biSystemMenu, biMinimize};
    TRect bar = CaptionRect(f, m);
    EXPECT_EQ(bar, Rect(m.cxDlgFrame, m.cyDlgFrame, 546 - m.cxDlgFrame, m.cyDlgFrame + m.cyCaption - 1));
    TRect text = TextRect(f, m);
    EXPECT_EQ(text.left, bar.left);
    EXPECT_EQ(text.right, bar.right - (m.cxSize + 2) - 2 * m.cxSize);
    EXPECT_EQ(ButtonSet(f.style, f.icons, true), TCaptionButtons({cbClose, cbMinimize, cbMaximize}));

    std::vector<TButtonFace> faces = ButtonFaces(bar, ButtonSet(f.style, f.icons, true), f.icons, 16, false, false);
    ASSERT_EQ(faces.size(), 3u);
    EXPECT_EQ(faces[0].state, UINT(DFCS_CAPTIONCLOSE));
    EXPECT_EQ(faces[1].state, UINT(DFCS_CAPTIONMAX | DFCS_INACTIVE));
    EXPECT_EQ(faces[2].state, UINT(DFCS_CAPTIONMIN));
    EXPECT_EQ(faces[0].rect, Rect(bar.right - 2 - 16, bar.top + 2, bar.right - 2, bar.bottom - 2));
    EXPECT_EQ(faces[1].rect.right, faces[0].rect.left - 2);
    EXPECT_EQ(faces[2].rect.right, faces[1].rect.left);

    // Zoomed, maximize shows restore; iconic, minimize does.
    faces = ButtonFaces(bar, ButtonSet(f.style, f.icons, true), f.icons, 16, true, false);
    EXPECT_EQ(faces[1].state, UINT(DFCS_CAPTIONRESTORE | DFCS_INACTIVE));
    EXPECT_EQ(faces[2].state, UINT(DFCS_CAPTIONMIN));
    faces = ButtonFaces(bar, ButtonSet(f.style, f.icons, true), f.icons, 16, false, true);
    EXPECT_EQ(faces[1].state, UINT(DFCS_CAPTIONMAX | DFCS_INACTIVE));
    EXPECT_EQ(faces[2].state, UINT(DFCS_CAPTIONRESTORE));

    // Old-style: a system-menu box at the left and only the buttons asked for.
    f.newStyle = false;
    text = TextRect(f, m);
    EXPECT_EQ(text.left, bar.left + m.cxSize);
    EXPECT_EQ(text.right, bar.right - m.cxSize);
    EXPECT_EQ(ButtonSet(f.style, f.icons, false), TCaptionButtons({cbMinimize}));
}

TEST(CaptionRules, ToolWindowsHaveASmallBarAndACloseButtonOnly) {
    TFrameMetrics m = TFrameMetrics::System();
    TCaptionFrame f;
    f.width = 303;
    f.height = 220;
    f.style = bsToolWindow;
    TRect bar = CaptionRect(f, m);
    EXPECT_EQ(RectHeight(bar), m.cySmCaption - 1);
    EXPECT_EQ(TextRect(f, m).right, bar.right - (m.cxSmSize + 2));
    EXPECT_EQ(ButtonSet(bsToolWindow, {}, true), TCaptionButtons({cbClose}));
    EXPECT_EQ(ButtonSet(bsSizeToolWin, {biSystemMenu, biMaximize}, true), TCaptionButtons({cbClose}));
}

TEST(CaptionRules, OtherStylesAndStates) {
    TFrameMetrics m;  // fixed numbers: 1, 3, 4, 19, 15, 18, 12, 16
    TCaptionFrame f;
    f.width = 300;
    f.height = 200;
    f.style = bsNone;
    EXPECT_EQ(CaptionRect(f, m), Rect(0, 0, 0, 0));
    EXPECT_EQ(ButtonSet(bsNone, {biSystemMenu}, true), TCaptionButtons());

    f.style = bsSizeable;
    EXPECT_EQ(CaptionRect(f, m), Rect(4, 4, 296, 22));
    f.iconic = true;  // the small iconic frame takes the fixed-frame metrics
    EXPECT_EQ(CaptionRect(f, m), Rect(3, 3, 297, 21));
    f.newStyle = false;
    EXPECT_EQ(CaptionRect(f, m), Rect(4, 4, 296, 22));

    // A dialog with help: close and help, never minimize or maximize.
    f = TCaptionFrame();
    f.width = 300;
    f.height = 200;
    f.style = bsDialog;
    f.icons = {biSystemMenu, biHelp, biMinimize};
    EXPECT_EQ(ButtonSet(f.style, f.icons, true), TCaptionButtons({cbClose, cbHelp}));
    EXPECT_EQ(TextRect(f, m).right, 297 - 2 * (18 + 2));
    // Help on a single frame only when there is no minimize or maximize.
    EXPECT_EQ(ButtonSet(bsSingle, {biSystemMenu, biHelp}, true), TCaptionButtons({cbClose, cbHelp}));
    EXPECT_EQ(ButtonSet(bsSingle, {biSystemMenu, biHelp, biMaximize}, true),
              TCaptionButtons({cbClose, cbMinimize, cbMaximize}));

    // A window too narrow for its buttons still has a sliver of text area.
    f.width = 40;
    TRect text = TextRect(f, m);
    EXPECT_EQ(text.right, text.left + 2);
}

TEST(CaptionRules, TextsAreDroppedCompanyFirst) {
    TTextChoice all = ChooseTexts(300, 80, 90, 60, 60);
    EXPECT_TRUE(all.company && all.appName);
    EXPECT_EQ(all.total, 230);
    TTextChoice noCompany = ChooseTexts(200, 80, 90, 60, 60);
    EXPECT_FALSE(noCompany.company);
    EXPECT_TRUE(noCompany.appName);
    EXPECT_EQ(noCompany.total, 150);
    TTextChoice captionOnly = ChooseTexts(150, 80, 90, 60, 60);  // 150 is not less than 150
    EXPECT_FALSE(captionOnly.company || captionOnly.appName);
    EXPECT_EQ(captionOnly.total, 60);
    // A hidden caption text weighs nothing in the sums but is still the fallback width.
    EXPECT_EQ(ChooseTexts(100, 0, 0, 0, 60).total, 0);
    EXPECT_EQ(TextsLeft(10, 100, 60, false), 30);
    EXPECT_EQ(TextsLeft(10, 100, 60, true), 10);
    EXPECT_EQ(TextsLeft(10, 100, 160, false), 10);
}

TEST(GradientCaption, TheRealWindowsRectanglesFollowTheirStyles) {
    TFrameMetrics m = TFrameMetrics::System();
    CaptionForm main(Application, bsSingle, {biSystemMenu, biMinimize}, 546);
    auto* gc = new TGradientCaption(&main);
    ASSERT_TRUE(gc->GetNewStyle());  // every system Wine passes for
    RECT w;
    ::GetWindowRect(main.GetHandle(), &w);
    TRect bar = gc->GetCaptionRect();
    EXPECT_EQ(bar, Rect(m.cxDlgFrame, m.cyDlgFrame, (w.right - w.left) - m.cxDlgFrame, m.cyDlgFrame + m.cyCaption - 1));
    EXPECT_EQ(gc->GetTextRect().right, bar.right - (m.cxSize + 2) - 2 * m.cxSize);

    CaptionForm chooser(Application, bsToolWindow, {}, 303);
    auto* tool = new TGradientCaption(&chooser);
    bar = tool->GetCaptionRect();
    EXPECT_EQ(RectHeight(bar), m.cySmCaption - 1);
    EXPECT_EQ(tool->GetTextRect().right, bar.right - (m.cxSmSize + 2));
    EXPECT_EQ(tool->GetButtonSet(), TCaptionButtons({cbClose}));
}

// The icon goes to the left of the main window's bar, not the tool window's;
// both get their close glyph.
TEST(GradientCaption, IconAndGlyphsByStyle) {
    for (bool toolWindow : {false, true}) {
        CaptionForm form(Application, toolWindow ? bsToolWindow : bsSingle,
                         toolWindow ? TBorderIcons() : TBorderIcons({biSystemMenu, biMinimize}), 300);
        TGradientCaption* gc = MakeCaption(form, "", "", "");
        gc->SetEnabled(geNever);
        test::Canvas32 pic(300, 40);
        TRect bar = gc->GetCaptionRect();
        gc->ComposeCaption(pic.dc(), true, bar, gc->GetTextRect());
        const COLORREF base = Plain(clActiveCaption);
        const int m = ::GetSystemMetrics(SM_CXSMICON);
        TRect iconArea = Rect(bar.left + 2, bar.top + 1, bar.left + 2 + m, bar.bottom - 1);
        int iconArea_ = RectWidth(iconArea) * RectHeight(iconArea);
        EXPECT_EQ(CountColor(pic, iconArea, base) < iconArea_, !toolWindow) << "icon drawn: " << !toolWindow;
        TRect close = Rect(bar.right - 2 - m, bar.top + 2, bar.right - 2, bar.bottom - 2);
        EXPECT_LT(CountColor(pic, close, base), RectWidth(close) * RectHeight(close) / 2);
    }
}

// ---------------------------------------------------------------- texts in the bar

// Each text in a colour of its own on a flat bar, so the pixels tell which were drawn.
struct ColouredTexts {
    static constexpr COLORREF company = RGB(0xF0, 0x10, 0xE0), app = RGB(0x10, 0xF0, 0x20), caption = RGB(0xFE, 0xFE, 0xFD);
    explicit ColouredTexts(TGradientCaption* gc) {
        gc->SetEnabled(geNever);
        gc->GetCompanyText()->SetColorActive(static_cast<TColor>(company));
        gc->GetAppNameText()->SetColorActive(static_cast<TColor>(app));
        gc->GetCaptionText()->SetColorActive(static_cast<TColor>(caption));
    }
};

TEST(GradientCaption, ANarrowWindowDropsTheCompanyFirstThenCutsTheCaption) {
    CaptionForm form(Application, bsSingle, {biSystemMenu, biMinimize}, 600);
    TGradientCaption* gc = MakeCaption(form, "Tallowmere", "Sweepfield -", "Selecciona directorio de inicio");
    ColouredTexts colours(gc);
    test::Canvas32 measure(10, 10);
    TRect any = Rect(0, 0, 1000, 20);
    int wc = TGradientCaption::MeasureCaptionPart(measure.dc(), any, gc->GetCompanyText());
    int wa = TGradientCaption::MeasureCaptionPart(measure.dc(), any, gc->GetAppNameText());
    int wt = TGradientCaption::MeasureCaptionPart(measure.dc(), any, gc->GetCaptionText());
    // What the frame, the icon and the buttons take from the window's width.
    int overhead = 600 - (RectWidth(gc->GetTextRect()) - (::GetSystemMetrics(SM_CXSMICON) + 2));

    struct Case {
        int available;
        bool company, app, cut;
    };
    for (Case c : {Case{wc + wa + wt + 10, true, true, false}, Case{wa + wt + 10, false, true, false},
                   Case{wt - 30, false, false, true}}) {
        form.SetWidth(overhead + c.available);
        test::Canvas32 pic(form.GetWidth(), 40);
        TRect bar = gc->GetCaptionRect();
        TRect text = gc->GetTextRect();
        gc->ComposeCaption(pic.dc(), true, bar, text);
        // Everything left of the buttons.
        std::vector<TButtonFace> faces = ButtonFaces(bar, gc->GetButtonSet(), form.GetBorderIcons(),
                                                     ::GetSystemMetrics(SM_CXSMICON), false, false);
        TRect texts = Rect(bar.left, bar.top, faces.back().rect.left, bar.bottom);
        EXPECT_EQ(CountColor(pic, texts, ColouredTexts::company) > 0, c.company) << c.available;
        EXPECT_EQ(CountColor(pic, texts, ColouredTexts::app) > 0, c.app) << c.available;
        // The caption stays inside the text area; when cut, it ends in an ellipsis:
        // the last dots' width of it holds only dots, one or two rows of pixels.
        int right = -1, rows = 0;
        for (int x = texts.left; x < texts.right; ++x)
            for (int y = bar.top; y < bar.bottom; ++y)
                if (pic.At(x, y) == ColouredTexts::caption) right = x;
        ASSERT_GE(right, 0) << "no caption drawn at " << c.available;
        EXPECT_LT(right, text.right);
        if (c.cut) {
            SIZE dots;
            HGDIOBJ old = ::SelectObject(measure.dc(), gc->GetCaptionText()->GetFont()->GetHandle());
            ::GetTextExtentPoint32W(measure.dc(), L"...", 3, &dots);
            ::SelectObject(measure.dc(), old);
            for (int y = bar.top; y < bar.bottom; ++y) {
                bool any_ = false;
                for (int x = right - dots.cx + 2; x <= right; ++x) any_ |= pic.At(x, y) == ColouredTexts::caption;
                rows += any_;
            }
            EXPECT_GE(rows, 1);
            EXPECT_LE(rows, 2);
        }
    }
}

// Where a text's full pixels begin, from the point where it is drawn, and
// its width, both as DrawText gives them in the text's font.
struct TextMetrics {
    int inkOffset, width;
};

int FirstColumn(const test::Canvas32& pic, const TRect& r, COLORREF color) {
    for (int x = r.left; x < r.right; ++x)
        for (int y = r.top; y < r.bottom; ++y)
            if (pic.At(x, y) == color) return x;
    return -1;
}

TextMetrics MeasureText(const TCompanyText* text, COLORREF color) {
    test::Canvas32 pic(400, 40, RGB(0, 0, 0));
    HGDIOBJ old = ::SelectObject(pic.dc(), text->GetFont()->GetHandle());
    const std::wstring caption = base::Wide(text->StoredCaption());
    RECT r = {10, 0, 400, 40};
    ::SetBkMode(pic.dc(), TRANSPARENT);
    ::SetTextColor(pic.dc(), color);
    ::DrawTextW(pic.dc(), caption.data(), static_cast<int>(caption.size()), &r, DT_SINGLELINE | DT_VCENTER);
    RECT m = {0, 0, 400, 40};
    ::DrawTextW(pic.dc(), caption.data(), static_cast<int>(caption.size()), &m,
                DT_SINGLELINE | DT_VCENTER | DT_CALCRECT);
    ::SelectObject(pic.dc(), old);
    return {FirstColumn(pic, Rect(0, 0, 400, 40), color) - 10, m.right - m.left};
}

// On a new-style bar the texts start at the left, after the icon (its small
// width and a pixel either side), three pixels before each; a hidden or empty
// company or application text takes no room.
TEST(GradientCaption, TextsStartAtTheLeftAfterTheIconThreePixelsApart) {
    struct Case {
        const char* what;
        std::string company, appName;
        bool companyVisible;
    };
    for (const Case& c : {Case{"all three", "Tallowmere", "Sweepfield -", true},
                          Case{"company hidden", "Tallowmere", "Sweepfield -", false},
                          Case{"company empty", "", "Sweepfield -", true},
                          Case{"application empty", "Tallowmere", "", true}}) {
        SCOPED_TRACE(c.what);
        CaptionForm form(Application, bsSingle, {biSystemMenu, biMinimize}, 600);
        TGradientCaption* gc = MakeCaption(form, c.company, c.appName, "Ayuda");
        gc->GetCompanyText()->SetVisible(c.companyVisible);
        ColouredTexts colours(gc);
        test::Canvas32 pic(600, 40);
        const TRect bar = gc->GetCaptionRect();
        gc->ComposeCaption(pic.dc(), true, bar, gc->GetTextRect());

        int x = gc->GetTextRect().left + 1 + ::GetSystemMetrics(SM_CXSMICON) + 1;
        const TRect texts = Rect(x, bar.top, bar.right, bar.bottom);
        const struct {
            const TCompanyText* text;
            COLORREF color;
        } parts[] = {{gc->GetCompanyText(), ColouredTexts::company},
                     {gc->GetAppNameText(), ColouredTexts::app},
                     {gc->GetCaptionText(), ColouredTexts::caption}};
        for (const auto& part : parts) {
            const bool shown = part.text->GetVisible() && !part.text->StoredCaption().empty();
            if (!shown) {
                EXPECT_EQ(CountColor(pic, bar, part.color), 0) << part.text->StoredCaption();
                continue;
            }
            const TextMetrics m = MeasureText(part.text, part.color);
            x += 3;
            EXPECT_EQ(FirstColumn(pic, texts, part.color), x + m.inkOffset) << part.text->StoredCaption();
            x += m.width;
        }
    }
}

// The texts fit when the room is more than their widths with 3 pixels each.
TEST(GradientCaption, EachTextTakesItsWidthAndThreePixels) {
    CaptionForm form(Application, bsSingle, {biSystemMenu, biMinimize}, 600);
    TGradientCaption* gc = MakeCaption(form);
    ColouredTexts colours(gc);
    const int icon = ::GetSystemMetrics(SM_CXSMICON) + 2;
    const int overhead = 600 - (RectWidth(gc->GetTextRect()) - icon);
    const int needed = MeasureText(gc->GetCompanyText(), ColouredTexts::company).width + 3 +
                       MeasureText(gc->GetAppNameText(), ColouredTexts::app).width + 3 +
                       MeasureText(gc->GetCaptionText(), ColouredTexts::caption).width + 3;
    for (int room : {needed, needed + 1}) {
        form.SetWidth(overhead + room);
        ASSERT_EQ(RectWidth(gc->GetTextRect()) - icon, room);
        test::Canvas32 pic(form.GetWidth(), 40);
        const TRect bar = gc->GetCaptionRect();
        gc->ComposeCaption(pic.dc(), true, bar, gc->GetTextRect());
        EXPECT_EQ(CountColor(pic, bar, ColouredTexts::company) > 0, room > needed) << room << " for " << needed;
        EXPECT_GT(CountColor(pic, bar, ColouredTexts::app), 0);
    }
}

// ---------------------------------------------------------------- the real frame

TEST(GradientCaption, PaintsTheTitleBarOfARealWindowAndLeavesTheRestToTheSystem) {
    CaptionForm form(Application, bsSingle, {biSystemMenu, biMinimize}, 420);
    TGradientCaption* gc = MakeCaption(form);
    gc->SetColor(clRed);
    gc->SetEnabled(geAlways);
    ColouredTexts colours(gc);
    gc->SetEnabled(geAlways);
    form.Show();
    ASSERT_TRUE(test::PumpUntil([&] { return gc->IsFormActive(); }));
    ::RedrawWindow(form.GetHandle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);

    HWND wnd = form.GetHandle();
    RECT w;
    ::GetWindowRect(wnd, &w);
    const int width = w.right - w.left, height = w.bottom - w.top;
    TRect bar = gc->GetCaptionRect();
    const int gc_textRight = gc->GetTextRect().right;
    // The frame outside the bar, as the system drew it.
    std::vector<POINT> frame;
    for (int y = 0; y < height; y += 7) frame.push_back({0, y}), frame.push_back({width - 1, y});
    for (int x = 0; x < width; x += 7) frame.push_back({x, 0}), frame.push_back({x, height - 1});
    for (int x = bar.left; x < bar.right; x += 5) frame.push_back({x, bar.bottom});
    std::vector<COLORREF> framed;
    {
        WindowPixels px(wnd);
        // The top row of the bar holds the gradient alone, from red to the caption colour.
        std::vector<TGradientBand> bands = GradientBands(bar.left, bar.right, Plain(clRed), Plain(clActiveCaption), 64);
        for (const TGradientBand& b : bands)
            for (int x = b.left; x < b.right; ++x) ASSERT_EQ(px.At(x, bar.top), b.color) << "x " << x;
        EXPECT_EQ(px.At(bar.left, bar.top), Plain(clRed));
        EXPECT_EQ(px.At(bar.right - 1, bar.top), Plain(clActiveCaption));
        // All three texts are in it.
        EXPECT_GT(px.Count(bar, ColouredTexts::company), 10);
        EXPECT_GT(px.Count(bar, ColouredTexts::app), 10);
        EXPECT_GT(px.Count(bar, ColouredTexts::caption), 10);
        for (POINT p : frame) framed.push_back(px.At(p.x, p.y));
    }
    EXPECT_NE(framed[0], CLR_INVALID);

    // Without the bar the system paints the same frame around its own caption.
    delete gc;
    test::PaintPending(wnd);
    WindowPixels px(wnd);
    for (std::size_t i = 0; i < frame.size(); ++i)
        EXPECT_EQ(px.At(frame[i].x, frame[i].y), framed[i]) << frame[i].x << "," << frame[i].y;
    EXPECT_NE(px.At(bar.left, bar.top), Plain(clRed));
    EXPECT_EQ(px.Count(bar, ColouredTexts::company), 0);
    // ... in the active state the window is in.
    EXPECT_EQ(px.At(gc_textRight - 1, bar.top), Plain(clActiveCaption));
}

TEST(GradientCaption, FollowsActivationWithTheInactiveColours) {
    CaptionForm form(Application);
    TGradientCaption* gc = MakeCaption(form);
    gc->SetEnabled(geWhenActive);
    gc->GetCaptionText()->SetColorInactive(clYellow);
    ASSERT_TRUE(test::ShowActive(&form));
    TRect bar = gc->GetCaptionRect();
    CaptionForm other(Application);
    other.Show();
    ASSERT_TRUE(test::PumpUntil([&] { return !gc->IsFormActive(); }));
    WindowPixels px(form.GetHandle());
    EXPECT_EQ(px.At(bar.left, bar.top), Plain(clInactiveCaption));
    EXPECT_EQ(px.At(bar.right - 1, bar.top), Plain(clInactiveCaption));
    EXPECT_GT(px.Count(bar, Plain(clYellow)), 10);
}

// The bar keeps the activation changes from the system (its own caption
// would flash over the bar); a settings change goes on to the system and
// then the frame is made anew; a bar that goes tells the system the state it
// missed and has the frame made anew, for the system's own caption.
TEST(GradientCaption, TellsTheSystemOnlyWhatItMustHear) {
    Heard heard;
    CaptionForm form(Application);
    ASSERT_TRUE(::SetWindowSubclass(form.GetHandle(), UnderTheBar, 1, 0));
    systemHears = &heard;
    TGradientCaption* gc = MakeCaption(form);
    form.Show();
    ASSERT_TRUE(test::PumpUntil([&] { return gc->IsFormActive(); }));
    CaptionForm other(Application);
    other.Show();
    ASSERT_TRUE(test::PumpUntil([&] { return !gc->IsFormActive(); }));
    EXPECT_EQ(Count(heard, WM_NCACTIVATE), 0);
    // Taken, so the system goes on with the change.
    EXPECT_EQ(::SendMessageW(form.GetHandle(), WM_NCACTIVATE, FALSE, 0), TRUE);

    for (UINT change : {WM_SETTINGCHANGE, WM_SYSCOLORCHANGE, WM_DISPLAYCHANGE}) {
        heard.clear();
        ::SendMessageW(form.GetHandle(), change, 0, 0);
        EXPECT_EQ(heard, (Heard{{change, 0}, {WM_NCCALCSIZE, TRUE}})) << std::hex << change;
    }

    heard.clear();
    delete gc;
    EXPECT_EQ(heard, (Heard{{WM_NCACTIVATE, FALSE}, {WM_NCCALCSIZE, TRUE}}));
    systemHears = nullptr;
    ::RemoveWindowSubclass(form.GetHandle(), UnderTheBar, 1);
}

// A settings change repaints the bar at once, with what it holds now.
TEST(GradientCaption, ASettingsChangeRepaintsTheBar) {
    CaptionForm form(Application);
    TGradientCaption* gc = MakeCaption(form);
    gc->SetEnabled(geAlways);
    gc->SetColor(clRed);
    form.Show();
    ASSERT_TRUE(test::PumpUntil([&] { return gc->IsFormActive(); }));
    const TRect bar = gc->GetCaptionRect();
    auto corner = [&] { return WindowPixels(form.GetHandle()).At(bar.left, bar.top); };
    ASSERT_EQ(corner(), Plain(clRed));
    gc->SetColor(clBlue);  // at run time a colour shows at the next painting
    test::PaintPending(form.GetHandle());
    ASSERT_EQ(corner(), Plain(clRed));
    ::SendMessageW(form.GetHandle(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return corner() == Plain(clBlue); }));
}

TEST(GradientCaption, ABorderlessFormIsLeftToTheSystem) {
    CaptionForm form(Application, bsNone);
    form.SetColor(clTeal);
    auto* gc = MakeCaption(form);
    gc->SetColor(clRed);
    gc->SetEnabled(geAlways);
    ASSERT_TRUE(test::ShowActive(&form));
    EXPECT_EQ(gc->PaintCaption(true), Rect(0, 0, 0, 0));
    ::SendMessageW(form.GetHandle(), WM_NCPAINT, 1, 0);
    ::SendMessageW(form.GetHandle(), WM_NCACTIVATE, TRUE, 0);
    WindowPixels px(form.GetHandle());
    EXPECT_EQ(px.Count(Rect(0, 0, 100, 30), Plain(clTeal)), 100 * 30);
}

TEST(GradientCaption, IsHookedAgainWhenTheFormsWindowWasMadeAnewWhileLoading) {
    CaptionForm form(Application);
    auto* gc = NewComponent<TGradientCaption>(&form, "GradientCaption1");
    gc->SetColor(clRed);
    gc->SetEnabled(geAlways);
    ASSERT_TRUE(test::ShowActive(&form));
    HWND old = form.GetHandle();
    form.RecreateWnd();
    HWND wnd = form.GetHandle();
    ASSERT_NE(wnd, old);
    auto barColour = [&] {
        ::RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        WindowPixels px(wnd);
        return px.At(::GetSystemMetrics(SM_CXDLGFRAME), ::GetSystemMetrics(SM_CYDLGFRAME));
    };
    EXPECT_NE(barColour(), Plain(clRed));  // the new window is the system's alone
    gc->EndLoading();
    EXPECT_EQ(barColour(), Plain(clRed));
}

LRESULT CALLBACK ListenForActivation(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR told) {
    if (msg == WM_NCACTIVATE) reinterpret_cast<std::vector<WPARAM>*>(told)->push_back(wParam);
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

TEST(GradientCaption, GoingTellsTheFormsNewWindowItsOwnActivation) {
    // The form's window is made anew at run time; the old one's going told
    // the bar "inactive", and the new one is the active window.
    auto* form = new CaptionForm(Application);
    auto* gc = NewComponent<TGradientCaption>(form, "GradientCaption1");
    gc->EndLoading();
    form->Show();
    ASSERT_TRUE(test::PumpUntil([&] { return ::GetActiveWindow() == form->GetHandle(); }));
    form->RecreateWnd();
    HWND wnd = form->GetHandle();
    ::SetForegroundWindow(wnd);
    ASSERT_TRUE(test::PumpUntil([&] { return ::GetActiveWindow() == wnd; }));
    // What the bar says to the system as it goes.
    std::vector<WPARAM> told;
    ::SetWindowSubclass(wnd, ListenForActivation, 0x7E57, reinterpret_cast<DWORD_PTR>(&told));
    delete gc;
    ::RemoveWindowSubclass(wnd, ListenForActivation, 0x7E57);
    EXPECT_EQ(told, std::vector<WPARAM>{TRUE});
    delete form;
}

TEST(GradientCaption, AThousandPaintsLeaveNoObjectBehind) {
    CaptionForm form(Application);
    TGradientCaption* gc = MakeCaption(form);
    ASSERT_TRUE(test::ShowActive(&form));
    gc->PaintCaption(true);  // fonts are made once, on first use
    long before = base::LiveHandleCount();
    HWND wnd = form.GetHandle();
    for (int i = 0; i < 500; ++i) {
        gc->PaintCaption(i % 2 == 0);
        ::SendMessageW(wnd, WM_NCPAINT, 1, 0);
    }
    EXPECT_EQ(base::LiveHandleCount(), before);
    for (TCompanyText* t : {static_cast<TCompanyText*>(gc->GetCompanyText()),
                            static_cast<TCompanyText*>(gc->GetAppNameText()),
                            static_cast<TCompanyText*>(gc->GetCaptionText())})
        EXPECT_EQ(::GetObjectType(t->GetFont()->GetHandle()), DWORD(OBJ_FONT));
    // The window's own context is handed back as it was lent.
    HDC dc = ::GetWindowDC(wnd);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), ::GetStockObject(SYSTEM_FONT));
    ::ReleaseDC(wnd, dc);

    delete gc;
    test::HandlePosted();
    EXPECT_LE(base::LiveHandleCount(), before);
}

// ---------------------------------------------------------------- readable texts

// A text keeps its declared colour where it stands out from every band under
// it, by lightness (a contrast ratio of 2) or by hue (a colour difference of
// 60); otherwise it is drawn in white or black, whichever stands out more.
TEST(CaptionRules, ATextThatWouldNotStandOutIsDrawnInWhiteOrBlack) {
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0), grey = RGB(212, 208, 200);
    const COLORREF magenta = RGB(240, 16, 224), red = RGB(200, 0, 0);
    const struct {
        COLORREF text;
        std::vector<COLORREF> behind;
        COLORREF drawn;
    } cases[] = {
        {black, {black, RGB(153, 180, 209)}, white}, {black, {RGB(46, 54, 63)}, white},  // contrast 1.7
        {white, {white}, black},                     {grey, {RGB(128, 128, 128)}, grey},  // contrast 2.6
        {magenta, {RGB(255, 0, 0), RGB(214, 30, 50)}, magenta},                           // difference 92
        {red, {RGB(135, 75, 0)}, white},                                                  // difference 47
    };
    for (const auto& c : cases) EXPECT_EQ(ReadableTextColor(c.text, c.behind), c.drawn) << std::hex << c.text;
}

// Windows 10's stock colours: black caption texts on a light blue caption.
// The gradient starts at black, under the texts.
TEST(GradientCaption, TextsStayReadableWithWindows10sStockColours) {
    const int elements[] = {COLOR_CAPTIONTEXT, COLOR_ACTIVECAPTION, COLOR_GRADIENTACTIVECAPTION,
                            COLOR_INACTIVECAPTIONTEXT};
    const COLORREF stock[] = {RGB(0, 0, 0), RGB(153, 180, 209), RGB(185, 209, 234), RGB(0, 0, 0)};
    COLORREF saved[4];
    for (int i = 0; i < 4; ++i) saved[i] = ::GetSysColor(elements[i]);
    struct Restore {
        const int* elements;
        const COLORREF* saved;
        ~Restore() { ::SetSysColors(4, elements, saved); }
    } restore{elements, saved};
    ::SetSysColors(4, elements, stock);

    CaptionForm form(Application);
    TGradientCaption* gc = MakeCaption(form, "Tallowmere", "Sweepfield", "Beta Version 0.5");
    form.Show();
    ASSERT_TRUE(test::PumpUntil([&] { return gc->IsFormActive(); }));
    ::RedrawWindow(form.GetHandle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    // The texts' part of the bar, after the icon: white texts, no black ones lost in it.
    const TRect bar = gc->GetCaptionRect(), text = gc->GetTextRect();
    const TRect texts = Rect(text.left + ::GetSystemMetrics(SM_CXSMICON) + 2, bar.top, text.right, bar.bottom);
    EXPECT_GT(WindowPixels(form.GetHandle()).Count(texts, RGB(255, 255, 255)), 100);
    // On a flat bar texts of the bar's own colour would vanish: black.
    gc->SetEnabled(geNever);
    for (TCompanyText* t : {gc->GetCompanyText(), static_cast<TCompanyText*>(gc->GetAppNameText()),
                            static_cast<TCompanyText*>(gc->GetCaptionText())})
        t->SetColorActive(clActiveCaption);
    gc->PaintCaption(true);
    EXPECT_GT(WindowPixels(form.GetHandle()).Count(texts, RGB(0, 0, 0)), 100);
}

}  // namespace
