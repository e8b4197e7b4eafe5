// The bitmap check box: its layout, states and clicks, and what it paints.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/BtChkBox.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "base/Handles.h"

namespace {

constexpr COLORREF kFormColor = RGB(0x20, 0x40, 0x60);
constexpr COLORREF kOlive = RGB(128, 128, 0);
constexpr COLORREF kGray = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class BoxForm : public TForm {
public:
    explicit BoxForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetBounds(30, 30, 0, 0);
        SetClientWidth(320);
        SetClientHeight(120);
        SetColor(static_cast<TColor>(kFormColor));
    }
};

class BitCheckBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new BoxForm(Application);
        box = NewBox("SearchSubdirs", 10, 10);
        box->OnClick = [this](TObject* sender) {
            EXPECT_EQ(sender, box);
            clicks.push_back(box->GetState());
        };
    }
    void TearDown() override { delete form; }

    TBitCheckBox* NewBox(const char* name, int left, int top) {
        auto* b = new TBitCheckBox(form);
        b->SetName(name);
        b->SetLeft(left);
        b->SetTop(top);
        b->SetParent(form);
        return b;
    }
    // The form's client area as it paints itself.
    std::unique_ptr<test::Canvas32> Print() {
        auto pic = std::make_unique<test::Canvas32>(320, 120);
        ::SendMessageW(form->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic->dc()), PRF_CLIENT);
        return pic;
    }
    void Mouse(UINT msg, int x, int y) {
        ::SendMessageW(form->GetHandle(), msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
    }
    void ClickOnBox() {
        Mouse(WM_LBUTTONDOWN, 15, 15);
        Mouse(WM_LBUTTONUP, 15, 15);
    }
    // Columns of the box (in form coordinates) holding anything but the background.
    static std::vector<int> InkColumns(const test::Canvas32& pic, int x0, int x1, int y0, int y1, COLORREF bg) {
        std::vector<int> cols;
        for (int x = x0; x < x1; ++x)
            for (int y = y0; y < y1; ++y)
                if (pic.At(x, y) != bg) {
                    cols.push_back(x);
                    break;
                }
        return cols;
    }

    BoxForm* form = nullptr;
    TBitCheckBox* box = nullptr;
    std::vector<TCheckBoxState> clicks;
};

TEST_F(BitCheckBoxTest, ANewBoxHasItsDefaultsAndTheDefaultPictures) {
    EXPECT_EQ(box->GetWidth(), 97);
    EXPECT_EQ(box->GetHeight(), 17);
    EXPECT_EQ(box->GetState(), cbUnchecked);
    EXPECT_FALSE(box->GetChecked());
    EXPECT_FALSE(box->GetAllowGrayed());
    EXPECT_EQ(box->GetAlignment(), taRightJustify);
    EXPECT_EQ(box->GetCaption(), "SearchSubdirs");  // follows the name while they are equal
    EXPECT_EQ(box->GetColor(), static_cast<TColor>(kFormColor));
    for (TBitmap* glyph : {box->GetCheckedGlyph(), box->GetGrayedGlyph(), box->GetUncheckedGlyph()}) {
        EXPECT_EQ(glyph->GetWidth(), 19);
        EXPECT_EQ(glyph->GetHeight(), 14);
        EXPECT_EQ(glyph->BitsPerPixel(), 4);
    }
    // 19 x 14 is no multiple of the height: the counts stay 1.
    EXPECT_EQ(box->GetCheckedNumGlyphs(), 1);
    EXPECT_EQ(box->GetGrayedNumGlyphs(), 1);
    EXPECT_EQ(box->GetUncheckedNumGlyphs(), 1);
}

TEST_F(BitCheckBoxTest, ThePictureSitsAtTheLeftCentredAndTheCaptionStartsAt23) {
    box->SetColor(clLime);
    auto pic = Print();
    // The 14-pixel picture from y = 1 to 14 of the 17-pixel box; its olive
    // pixels take the box's colour.
    EXPECT_EQ(pic->At(10, 10), kFormColor);       // row 0: nothing drawn
    EXPECT_EQ(pic->At(10, 11), RGB(0, 255, 0));   // picture (0, 0): olive
    EXPECT_EQ(pic->At(11, 11), kGray);            // the box's sunken edge
    EXPECT_EQ(pic->At(12, 16), kBlack);           // its inner edge
    EXPECT_EQ(pic->At(14, 16), kWhite);           // unchecked: empty inside
    EXPECT_EQ(pic->At(28, 24), RGB(0, 255, 0));   // picture (18, 13): olive
    EXPECT_EQ(pic->At(10, 25), kFormColor);       // row 15: nothing drawn
    EXPECT_EQ(pic->At(9, 11), kFormColor);

    // The caption: nothing between the picture and x = 23, ink right after.
    std::vector<int> ink = InkColumns(*pic, 10 + 19, 10 + 97, 10, 27, kFormColor);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.front(), 10 + 23);
    EXPECT_LE(ink.front(), 10 + 25);

    box->SetChecked(true);
    pic = Print();
    EXPECT_EQ(pic->At(14, 16), kBlack);  // the tick
    EXPECT_EQ(pic->At(14, 14), kWhite);
    box->SetState(cbGrayed);
    pic = Print();
    EXPECT_EQ(pic->At(14, 16), kGray);  // a grey tick on silver
    EXPECT_EQ(pic->At(14, 14), RGB(192, 192, 192));
}

TEST_F(BitCheckBoxTest, LeftJustifiedThePictureSitsAtTheRightEdgeOverTheCaption) {
    box->SetCaption("Buscar archivos menores que:");
    box->SetAlignment(taLeftJustify);
    box->SetColor(clLime);
    auto pic = Print();
    const int right = 10 + 97;
    EXPECT_EQ(pic->At(right - 19, 11), RGB(0, 255, 0));
    EXPECT_EQ(pic->At(right - 18, 11), kGray);
    EXPECT_EQ(pic->At(right - 15, 16), kWhite);
    EXPECT_EQ(pic->At(right - 1, 24), RGB(0, 255, 0));
    // The caption runs from x = 1 under the picture and is cut at the edge.
    std::vector<int> ink = InkColumns(*pic, 10, right - 19, 10, 27, kFormColor);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.front(), 11);
    EXPECT_LE(ink.front(), 13);
    EXPECT_GE(ink.back(), right - 25);
    EXPECT_EQ(pic->At(right, 15), kFormColor);
}

TEST_F(BitCheckBoxTest, CellCountsFollowTheGlyphsAndStayWithinOneAndTwo) {
    EXPECT_EQ(bitcheck::CellCountOf(28, 14), 2);
    EXPECT_EQ(bitcheck::CellCountOf(42, 14), 3);
    EXPECT_EQ(bitcheck::CellCountOf(19, 14), 0);
    EXPECT_EQ(bitcheck::CellCountOf(0, 0), 0);
    EXPECT_EQ(bitcheck::CellCountOf(14, 0), 0);

    TBitmap strip;
    strip.SetSize(28, 14);
    box->SetCheckedGlyph(&strip);
    EXPECT_EQ(box->GetCheckedNumGlyphs(), 2);
    strip.SetSize(42, 14);
    box->SetGrayedGlyph(&strip);
    EXPECT_EQ(box->GetGrayedNumGlyphs(), 2);  // asks for 3
    EXPECT_EQ(box->GetGrayedGlyph()->GetWidth(), 42);

    box->SetUncheckedNumGlyphs(0);
    EXPECT_EQ(box->GetUncheckedNumGlyphs(), 1);
    box->SetUncheckedNumGlyphs(2);
    box->SetUncheckedNumGlyphs(-5);
    EXPECT_EQ(box->GetUncheckedNumGlyphs(), 1);
    box->SetUncheckedNumGlyphs(7);
    EXPECT_EQ(box->GetUncheckedNumGlyphs(), 2);

    // An empty picture says nothing about cells, and paints nothing.
    TBitmap empty;
    box->SetUncheckedGlyph(&empty);
    EXPECT_EQ(box->GetUncheckedNumGlyphs(), 2);
    box->SetColor(clLime);
    auto pic = Print();
    EXPECT_EQ(pic->At(10, 11), kFormColor);

    // None given: the default picture again.
    box->SetCheckedGlyph(nullptr);
    EXPECT_EQ(box->GetCheckedGlyph()->GetWidth(), 19);
    EXPECT_EQ(box->GetCheckedNumGlyphs(), 2);  // not a multiple: the count stays
}

TEST_F(BitCheckBoxTest, ClicksToggleThroughTheStatesAndReportTheNewOne) {
    box->Click();
    box->Click();
    EXPECT_EQ(clicks, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked}));

    // Grayed only by code without AllowGrayed: then checked, then unchecked.
    clicks.clear();
    box->SetState(cbGrayed);
    box->Click();
    box->Click();
    EXPECT_EQ(clicks, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked}));

    clicks.clear();
    box->SetAllowGrayed(true);
    box->Click();
    box->Click();
    box->Click();
    EXPECT_EQ(clicks, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));

    // Changes by code never fire OnClick; a grayed box set to False is unchecked.
    clicks.clear();
    box->SetChecked(true);
    EXPECT_TRUE(box->GetChecked());
    box->SetState(cbGrayed);
    EXPECT_FALSE(box->GetChecked());
    box->SetChecked(false);
    EXPECT_EQ(box->GetState(), cbUnchecked);
    box->Toggle();
    EXPECT_EQ(box->GetState(), cbGrayed);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(BitCheckBoxTest, TheMouseClicksTheBoxAndADoubleClickTogglesTwice) {
    ClickOnBox();
    EXPECT_EQ(clicks, (std::vector<TCheckBoxState>{cbChecked}));

    // Released elsewhere: no click.
    Mouse(WM_LBUTTONDOWN, 15, 15);
    Mouse(WM_LBUTTONUP, 200, 90);
    EXPECT_EQ(clicks.size(), 1u);

    // The window reports the second press of a double click as WM_LBUTTONDBLCLK.
    clicks.clear();
    Mouse(WM_LBUTTONDOWN, 40, 18);
    Mouse(WM_LBUTTONUP, 40, 18);
    Mouse(WM_LBUTTONDBLCLK, 40, 18);
    Mouse(WM_LBUTTONUP, 40, 18);
    EXPECT_EQ(clicks, (std::vector<TCheckBoxState>{cbUnchecked, cbChecked}));
    EXPECT_FALSE(box->GetMouseCapture());
}

TEST_F(BitCheckBoxTest, ARealDoubleClickTogglesTwice) {
    ASSERT_TRUE(test::ShowActive(form));
    POINT p = test::ScreenPointOf(box, 8, 8);
    test::DoubleClickAt(p.x, p.y);
    EXPECT_EQ(clicks, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked}));
}

TEST_F(BitCheckBoxTest, ADisabledBoxDoesNotToggleAndShowsItsSecondCell) {
    // Below the box, another control that takes what the disabled box lets through.
    auto* under = new TBitCheckBox(form);
    under->SetBounds(0, 0, 200, 60);
    under->SetParent(form);
    int underClicks = 0;
    under->OnClick = [&](TObject*) { ++underClicks; };
    // Keep the box on top of it.
    box->SetParent(nullptr);
    box->SetParent(form);

    box->SetEnabled(false);
    ClickOnBox();
    EXPECT_EQ(box->GetState(), cbUnchecked);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(underClicks, 1);
    under->SetParent(nullptr);
    delete under;

    // A single-cell picture looks as when enabled.
    box->SetColor(clLime);
    auto pic = Print();
    EXPECT_EQ(pic->At(11, 11), kGray);
    EXPECT_EQ(pic->At(10, 11), RGB(0, 255, 0));

    // Two cells: the second, from x = 14 of a 28 x 14 strip.
    TBitmap strip;
    strip.SetSize(28, 14);
    TCanvas* c = strip.GetCanvas();
    c->GetBrush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 14, 14));
    c->GetBrush()->SetColor(clBlue);
    c->FillRect(Rect(14, 0, 28, 14));
    c->SetPixel(14, 13, clYellow);
    c->SetPixel(0, 13, clYellow);  // the transparent colour
    box->SetUncheckedGlyph(&strip);
    EXPECT_EQ(box->GetUncheckedNumGlyphs(), 2);
    pic = Print();
    EXPECT_EQ(pic->At(10, 11), RGB(0, 0, 255));
    EXPECT_EQ(pic->At(23, 24), RGB(0, 0, 255));
    EXPECT_EQ(pic->At(10, 24), RGB(0, 255, 0));  // yellow: the box's colour
    EXPECT_EQ(pic->At(24, 24), kFormColor);      // 14 wide
    box->SetEnabled(true);
    pic = Print();
    EXPECT_EQ(pic->At(11, 11), RGB(255, 0, 0));
    EXPECT_EQ(pic->At(10, 24), RGB(0, 255, 0));
}

TEST_F(BitCheckBoxTest, ADisabledCaptionIsEmbossed) {
    box->SetCaption("Buscar");
    box->GetFont()->SetColor(clBlack);
    auto enabled = Print();
    box->SetEnabled(false);
    auto disabled = Print();
    const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    int inked = 0;
    for (int y = 10; y < 27; ++y)
        for (int x = 10 + 23; x < 10 + 90; ++x) {
            const bool ink = enabled->At(x, y) == kBlack;
            if (!ink) continue;
            ++inked;
            // Grey text where the enabled text is, light text one pixel down and right.
            EXPECT_EQ(disabled->At(x, y), grey) << x << "," << y;
            if (enabled->At(x + 1, y + 1) == kFormColor) {
                EXPECT_EQ(disabled->At(x + 1, y + 1), light);
            }
        }
    EXPECT_GT(inked, 20);

    // Enabled again, the caption has its own colour back.
    box->SetEnabled(true);
    auto again = Print();
    for (int y = 10; y < 27; ++y)
        for (int x = 10 + 23; x < 10 + 90; ++x) EXPECT_EQ(again->At(x, y), enabled->At(x, y)) << x << "," << y;
}

// A new caption or a change of state, enabled or picture shows without
// anything else asking for it.
TEST_F(BitCheckBoxTest, ChangesAskForTheBoxToBePaintedAgain) {
    ASSERT_TRUE(test::ShowActive(form));
    const TRect bounds = box->GetBoundsRect();
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"Caption", [&] { box->SetCaption("Buscar"); }},
        {"Enabled", [&] { box->SetEnabled(false); }},
        {"State", [&] { box->SetState(cbGrayed); }},
        {"Alignment", [&] { box->SetAlignment(taLeftJustify); }},
    };
    for (const auto& change : changes) {
        ::UpdateWindow(form->GetHandle());
        change.second();
        RECT update{};
        ASSERT_TRUE(::GetUpdateRect(form->GetHandle(), &update, FALSE)) << change.first;
        RECT both{};
        EXPECT_TRUE(::IntersectRect(&both, &update, &bounds)) << change.first;
    }
}

// A font set after the box was made, as the options window makes its
// captions bold, is the one the caption is drawn in.
TEST_F(BitCheckBoxTest, TheCaptionIsDrawnInTheBoxsFontAsItIsNow) {
    box->SetCaption("Buscar");
    const COLORREF navy = RGB(0, 0, 128);
    auto ink = [&](const test::Canvas32& pic) {
        int n = 0;
        for (int y = 10; y < 27; ++y)
            for (int x = 10 + 23; x < 10 + 97; ++x) n += pic.At(x, y) == navy;
        return n;
    };
    box->GetFont()->SetColor(clNavy);
    const int plain = ink(*Print());
    box->GetFont()->SetStyle({fsBold});
    const int bold = ink(*Print());
    EXPECT_GT(plain, 20);
    EXPECT_GT(bold, plain + plain / 4);
}

TEST_F(BitCheckBoxTest, AnAmpersandUnderlinesTheNextLetterAndIsNotDrawn) {
    // The rectangle is one ampersand narrower than the measured caption.
    TRect client = Rect(0, 0, 97, 17);
    EXPECT_EQ(bitcheck::CaptionRect(client, taRightJustify, 19, TSize{50, 13}, 6), Rect(23, 0, 67, 16));
    EXPECT_EQ(bitcheck::CaptionRect(client, taRightJustify, 19, TSize{50, 13}, 0), Rect(23, 0, 73, 16));
    EXPECT_EQ(bitcheck::CaptionRect(client, taLeftJustify, 19, TSize{200, 13}, 0), Rect(1, 0, 97, 16));
    EXPECT_EQ(bitcheck::CaptionRect(Rect(0, 0, 97, 10), taRightJustify, 19, TSize{50, 13}, 0), Rect(23, 0, 73, 10));
    EXPECT_EQ(bitcheck::GlyphRect(client, taLeftJustify, 19, 14), Rect(78, 1, 97, 15));
    // Halves are cut toward zero: (9 - 14) div 2 = -2.
    EXPECT_EQ(bitcheck::GlyphRect(Rect(0, 0, 97, 9), taRightJustify, 19, 14), Rect(0, -2, 19, 12));

    box->SetCaption("Buscar");
    auto plain = Print();
    box->SetCaption("&Buscar");
    auto marked = Print();
    int row = -1, from = 1000, to = -1, differing = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 320; ++x)
            if (plain->At(x, y) != marked->At(x, y)) {
                ++differing;
                if (row < 0) row = y;
                EXPECT_EQ(y, row) << "only the underline differs";
                from = std::min(from, x);
                to = std::max(to, x);
            }
    EXPECT_GE(differing, 4);
    EXPECT_GE(from, 10 + 23);
    EXPECT_LE(to, 10 + 23 + 9);  // under the B only
    EXPECT_GT(row, 18);
}

TEST_F(BitCheckBoxTest, BoxesGiveBackTheirHandles) {
    Print();
    const long before = base::LiveHandleCount();
    {
        auto* b = NewBox("Extra", 100, 60);
        b->SetChecked(true);
        Print();
        delete b;
    }
    EXPECT_EQ(base::LiveHandleCount(), before);
}

}  // namespace
