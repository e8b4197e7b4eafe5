// The pictures of the flat buttons: layout arithmetic, how a strip is cut,
// the finished picture of each look pixel by pixel, and the sharing of the
// image lists by picture size.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>

#include "controls/FlatButtons.h"
#include "support/Unusual3DColors.h"
#include "support/TestSupport.h"
#include "ui/SysUtils.h"
#include "base/Handles.h"

namespace {

const COLORREF kBack = RGB(1, 2, 3);

// ---------------------------------------------------------------- layout

TButtonLayoutParams TopLayout() {
    TButtonLayoutParams p;
    p.Client = Rect(1, 1, 120, 48);  // 119 x 47
    p.Glyph = TSize{16, 16};
    p.Layout = blGlyphTop;
    p.Margin = -1;
    p.Spacing = 4;
    return p;
}

TSize Caption60x13(int) { return TSize{60, 13}; }

TEST(CalcLayout, GlyphAboveTheCaptionIsCentredAsAWhole) {
    TButtonLayoutResult r = CalcLayout(TopLayout(), Caption60x13);
    EXPECT_EQ(r.Glyph, Point(53, 8));
    EXPECT_EQ(r.Caption, Rect(31, 28, 91, 41));

    // The pressed look: everything one pixel right and down.
    TButtonLayoutParams p = TopLayout();
    p.Offset = 1;
    r = CalcLayout(p, Caption60x13);
    EXPECT_EQ(r.Glyph, Point(54, 9));
    EXPECT_EQ(r.Caption, Rect(32, 29, 92, 42));
}

TEST(CalcLayout, WithoutAGlyphATopLayoutActsAsGlyphLeft) {
    TButtonLayoutParams p = TopLayout();
    p.Glyph = TSize{0, 0};
    TButtonLayoutResult r = CalcLayout(p, Caption60x13);
    // Spacing drops to 0, margin (119 - 60 + 1) / 2 = 30; centred vertically.
    EXPECT_EQ(r.Caption, Rect(31, 18, 91, 31));
}

TEST(CalcLayout, TheDropArrowSitsBesideTheGlyphAndIsCentredWithIt) {
    TButtonLayoutParams p = TopLayout();
    p.DropArrow = true;
    TButtonLayoutResult r = CalcLayout(p, Caption60x13);
    // Glyph and the 9-pixel arrow box centred together: (119 - 16 - 9 + 1) / 2 = 47.
    EXPECT_EQ(r.Glyph, Point(48, 8));
    EXPECT_EQ(r.Arrow, Point(48 + 16, 8 + 6));
    EXPECT_EQ(r.Caption, Rect(31, 28, 91, 41));
}

TEST(CalcLayout, AWrappedCaptionBesideAGlyphIsMeasuredAgainstTheRoomLeft) {
    TButtonLayoutParams p;
    p.Client = Rect(0, 0, 100, 30);
    p.Glyph = TSize{16, 16};
    p.WordWrap = true;
    p.Spacing = 4;
    int offered = 0;
    CalcLayout(p, [&](int width) {
        offered = width;
        return TSize{40, 26};
    });
    EXPECT_EQ(offered, 100 - (16 + 4) - 2 * 4);
    p.Margin = 2;
    p.DropArrow = true;
    CalcLayout(p, [&](int width) {
        offered = width;
        return TSize{40, 26};
    });
    EXPECT_EQ(offered, 100 - 9 - (16 + 4) - 2 * 2);
}

// Picture, caption and arrow in a 100 x 40 client, by layout, margin and
// spacing: a 16 x 16 picture and a 30 x 13 caption, worked out by hand.
TEST(CalcLayout, AutomaticMarginsAndSpacingsAndEveryLayout) {
    struct Case {
        const char* what;
        TButtonLayout layout;
        int margin, spacing;
        bool arrow;
        TPoint glyph;
        TRect caption;
        TPoint arrowAt;
    };
    const Case cases[] = {
        // Both automatic: the room left split in three, (100 - 46) / 3 and (40 - 29) / 3.
        {"left, both automatic", blGlyphLeft, -1, -1, false, {18, 12}, {52, 14, 82, 27}, {82, 0}},
        {"top, both automatic", blGlyphTop, -1, -1, false, {42, 3}, {35, 22, 65, 35}, {58, 0}},
        // Margin automatic: half of what is left, rounded up.
        {"left, margin automatic", blGlyphLeft, -1, 4, false, {25, 12}, {45, 14, 75, 27}, {75, 0}},
        {"top, margin automatic", blGlyphTop, -1, 4, false, {42, 4}, {35, 24, 65, 37}, {58, 0}},
        // Spacing automatic: half of what the margin leaves beside the caption.
        {"left, spacing automatic", blGlyphLeft, 5, -1, false, {5, 12}, {45, 14, 75, 27}, {75, 0}},
        {"top, spacing automatic", blGlyphTop, 5, -1, false, {42, 5}, {35, 24, 65, 37}, {58, 0}},
        // At the right the arrow's 9-pixel box comes last, then the picture.
        {"right with an arrow", blGlyphRight, 5, 4, true, {70, 12}, {36, 14, 66, 27}, {86, 18}},
        {"bottom", blGlyphBottom, 5, 4, false, {42, 19}, {35, 2, 65, 15}, {58, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TButtonLayoutParams p;
        p.Client = Rect(0, 0, 100, 40);
        p.Glyph = TSize{16, 16};
        p.Layout = c.layout;
        p.Margin = c.margin;
        p.Spacing = c.spacing;
        p.DropArrow = c.arrow;
        TButtonLayoutResult r = CalcLayout(p, [](int) { return TSize{30, 13}; });
        EXPECT_EQ(r.Glyph, c.glyph);
        EXPECT_EQ(r.Caption, c.caption);
        if (c.arrow) {
            EXPECT_EQ(r.Arrow, c.arrowAt);
        }
    }

    // Without a picture the arrow is centred on the caption; without a
    // caption the picture has no spacing beside it.
    TButtonLayoutParams p;
    p.Client = Rect(0, 0, 100, 41);
    p.DropArrow = true;
    TButtonLayoutResult r = CalcLayout(p, [](int) { return TSize{30, 13}; });
    EXPECT_EQ(r.Caption, Rect(31, 14, 61, 27));
    EXPECT_EQ(r.Arrow, Point(61, 14 + 5));
    p.Client = Rect(0, 0, 100, 40);
    p.DropArrow = false;
    p.Glyph = TSize{16, 16};
    p.ShowText = false;
    r = CalcLayout(p, [](int) { return TSize{30, 13}; });
    EXPECT_EQ(r.Glyph, Point(42, 12));
}

// ---------------------------------------------------------------- pictures

// A strip of the given size on olive, the usual transparent colour.
std::unique_ptr<TBitmap> OliveStrip(int width, int height) {
    std::unique_ptr<TBitmap> b(new TBitmap);
    b->SetSize(width, height);
    b->GetCanvas()->GetBrush()->SetColor(clOlive);
    b->GetCanvas()->FillRect(Rect(0, 0, width, height));
    return b;
}

// The finished picture of a look, drawn through its mask on kBack.
std::unique_ptr<test::Canvas32> Finished(TButtonGlyph& glyph, TButtonVisualState state) {
    const int index = glyph.GetStateImage(state);
    TGlyphList* list = glyph.GetGlyphList();
    if (index < 0 || !list) return nullptr;
    std::unique_ptr<test::Canvas32> pic(new test::Canvas32(list->GetWidth(), list->GetHeight(), kBack));
    TCanvas canvas;
    canvas.SetHandle(pic->dc());
    list->DrawEx(&canvas, 0, 0, index, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    canvas.SetHandle(nullptr);
    return pic;
}

using PixelList = std::vector<std::pair<POINT, COLORREF>>;

// Every pixel of the picture is kBack except the listed ones.
void ExpectPixels(const test::Canvas32& pic, const PixelList& expected) {
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            COLORREF want = kBack;
            for (const auto& e : expected)
                if (e.first.x == x && e.first.y == y) want = e.second;
            EXPECT_EQ(pic.At(x, y), want) << "at " << x << "," << y;
        }
    }
}

COLORREF Highlight() { return ::GetSysColor(COLOR_BTNHIGHLIGHT); }
COLORREF Shadow() { return ::GetSysColor(COLOR_BTNSHADOW); }

TEST(ButtonGlyph, SquarePicturesSetTheirCountAndTheCellIsOneLargerEachWay) {
    TButtonGlyph glyph;
    glyph.SetGlyph(OliveStrip(32, 16).get());
    EXPECT_EQ(glyph.GetNumGlyphs(), 2);
    EXPECT_EQ(glyph.GetTransparentColor(), clOlive | PaletteRelativeFlag);
    ASSERT_GE(glyph.GetStateImage(vsUp), 0);
    EXPECT_EQ(glyph.GetGlyphList()->GetWidth(), 17);
    EXPECT_EQ(glyph.GetGlyphList()->GetHeight(), 17);

    glyph.SetGlyph(OliveStrip(96, 16).get());  // six squares: one wide picture
    EXPECT_EQ(glyph.GetNumGlyphs(), 1);
    glyph.SetGlyph(OliveStrip(48, 16).get());
    EXPECT_EQ(glyph.GetNumGlyphs(), 3);
    glyph.SetGlyph(OliveStrip(40, 16).get());  // not whole squares: left as it was
    EXPECT_EQ(glyph.GetNumGlyphs(), 3);
    glyph.SetNumGlyphs(0);  // ignored
    EXPECT_EQ(glyph.GetNumGlyphs(), 3);
    glyph.SetNumGlyphs(9);  // one for each look at most
    EXPECT_EQ(glyph.GetNumGlyphs(), 5);

    // A strip changed in place is cut again, its pictures made anew.
    auto red = OliveStrip(16, 16);
    red->GetCanvas()->SetPixel(3, 3, clRed);
    glyph.SetGlyph(red.get());
    ASSERT_TRUE(Finished(glyph, vsUp));
    EXPECT_EQ(Finished(glyph, vsUp)->At(3, 3), RGB(255, 0, 0));
    auto blue = OliveStrip(16, 16);
    blue->GetCanvas()->SetPixel(3, 3, clBlue);
    glyph.GetGlyph()->Assign(blue.get());
    EXPECT_EQ(Finished(glyph, vsUp)->At(3, 3), RGB(0, 0, 255));

    glyph.SetGlyph(nullptr);
    EXPECT_EQ(glyph.GetStateImage(vsUp), -1);
}

TEST(ButtonGlyph, TheUpPictureKeysOutTheBottomLeftColourOnly) {
    auto strip = OliveStrip(32, 16);
    TCanvas* c = strip->GetCanvas();
    c->GetBrush()->SetColor(clRed);
    c->FillRect(Rect(2, 2, 4, 4));
    c->SetPixel(0, 0, clWhite);
    c->SetPixel(15, 15, static_cast<TColor>(RGB(128, 128, 1)));  // nearly olive: stays
    c->SetPixel(16, 0, clBlue);  // picture 1 is not the up picture
    TButtonGlyph glyph;
    glyph.SetGlyph(strip.get());
    auto pic = Finished(glyph, vsUp);
    ASSERT_TRUE(pic);
    const COLORREF red = RGB(255, 0, 0);
    ExpectPixels(*pic, {{{2, 2}, red}, {{3, 2}, red}, {{2, 3}, red}, {{3, 3}, red},
                        {{0, 0}, RGB(255, 255, 255)}, {{15, 15}, RGB(128, 128, 1)}});

    // Looks the strip has no picture for share the up picture's slot.
    const int up = glyph.GetStateImage(vsUp);
    EXPECT_EQ(glyph.GetStateImage(vsPressed), up);
    EXPECT_EQ(glyph.GetStateImage(vsLatched), up);
    EXPECT_EQ(glyph.GetStateImage(vsHot), up);
    EXPECT_NE(glyph.GetStateImage(vsDisabled), up);

    // Five pictures: five slots.
    glyph.SetGlyph(OliveStrip(80, 16).get());
    std::set<int> slots;
    for (TButtonVisualState s : {vsUp, vsDisabled, vsPressed, vsLatched, vsHot}) slots.insert(glyph.GetStateImage(s));
    EXPECT_EQ(slots.size(), 5u);
}

TEST(ButtonGlyph, TheStripsSecondPictureIsTheDisabledOneInThisSystemsColours) {
    test::Unusual3DColors colors;
    auto strip = OliveStrip(32, 16);
    TCanvas* c = strip->GetCanvas();
    c->SetPixel(16 + 1, 1, clWhite);
    c->SetPixel(16 + 2, 2, clGray);
    c->SetPixel(16 + 3, 3, clRed);
    c->SetPixel(16 + 4, 4, clBlack);
    c->SetPixel(16 + 5, 5, clSilver);
    TButtonGlyph glyph;
    glyph.SetGlyph(strip.get());
    auto pic = Finished(glyph, vsDisabled);
    ASSERT_TRUE(pic);
    ExpectPixels(*pic, {{{1, 1}, Highlight()},
                        {{2, 2}, Shadow()},
                        {{3, 3}, RGB(255, 0, 0)},
                        {{4, 4}, RGB(0, 0, 0)},
                        {{5, 5}, RGB(192, 192, 192)}});
}

// A small black triangle, and a grey, a white and a silver pixel, on olive.
std::unique_ptr<TBitmap> OnePictureStrip() {
    auto strip = OliveStrip(16, 16);
    TCanvas* c = strip->GetCanvas();
    for (POINT p : {POINT{4, 4}, POINT{5, 4}, POINT{6, 4}, POINT{5, 5}}) c->SetPixel(p.x, p.y, clBlack);
    c->SetPixel(10, 10, clGray);
    c->SetPixel(12, 12, clWhite);
    c->SetPixel(13, 13, clSilver);
    return strip;
}

TEST(ButtonGlyph, OnePictureIsEmbossedFromItsDarkPixels) {
    test::Unusual3DColors colors;
    TButtonGlyph glyph;
    glyph.SetGlyph(OnePictureStrip().get());
    ASSERT_EQ(glyph.GetNumGlyphs(), 1);
    auto pic = Finished(glyph, vsDisabled);
    ASSERT_TRUE(pic);
    // Shadow on the dark pixels (grey counts as dark), a highlight copy one
    // pixel right and down where no dark pixel is; white and silver vanish.
    const COLORREF s = Shadow(), h = Highlight();
    ExpectPixels(*pic, {{{4, 4}, s}, {{5, 4}, s}, {{6, 4}, s}, {{5, 5}, s}, {{10, 10}, s},
                        {{6, 5}, h}, {{7, 5}, h}, {{6, 6}, h}, {{11, 11}, h}});
}

TEST(ButtonGlyph, TheOldEmbossedStyleUsesTheBlackPixelsOnly) {
    TButtonGlyph glyph;
    glyph.SetGlyph(OnePictureStrip().get());
    glyph.SetOldDisabledStyle(true);
    glyph.ReleaseImages();
    auto pic = Finished(glyph, vsDisabled);
    ASSERT_TRUE(pic);
    const COLORREF s = Shadow(), h = Highlight();
    ExpectPixels(*pic, {{{4, 4}, s}, {{5, 4}, s}, {{6, 4}, s}, {{5, 5}, s}, {{6, 5}, h}, {{7, 5}, h}, {{6, 6}, h}});
}

TEST(ButtonGlyph, TheProgramsOwnStripsKeyOutTheirBackgroundAndNothingElse) {
    for (const char* name : {"BTN_START", "BTN_DELETE", "BTN_HELP", "BTN_CONTINUE"}) {
        SCOPED_TRACE(name);
        TBitmap strip;
        strip.LoadFromResourceName(::GetModuleHandleW(nullptr), name);
        TButtonGlyph glyph;
        glyph.SetGlyph(&strip);
        EXPECT_EQ(glyph.GetNumGlyphs(), 2);
        const COLORREF background = strip.GetCanvas()->GetPixel(0, 15);
        EXPECT_EQ(glyph.GetTransparentColor(), static_cast<TColor>(background) | PaletteRelativeFlag);
        auto pic = Finished(glyph, vsUp);
        ASSERT_TRUE(pic);
        int shown = 0;
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 17; ++x) {
                const COLORREF c = x < 16 && y < 16 ? strip.GetCanvas()->GetPixel(x, y) : background;
                EXPECT_EQ(pic->At(x, y), c == background ? kBack : c) << "at " << x << "," << y;
                shown += c != background;
            }
        }
        EXPECT_GT(shown, 20);  // a picture, not an empty cell
    }
}

// ---------------------------------------------------------------- drawing

// A caption or an arrow drawn by the glyph object on kBack in black.
struct Drawn {
    Drawn() : pic(60, 30, kBack) {
        canvas.SetHandle(pic.dc());
        canvas.GetFont()->SetColor(clBlack);
    }
    ~Drawn() { canvas.SetHandle(nullptr); }
    test::Canvas32 pic;
    TCanvas canvas;
};

TEST(ButtonGlyph, TheDropArrowIsFiveByThreeAndDisabledItIsEmbossed) {
    test::Unusual3DColors colors;
    TButtonGlyph glyph;
    Drawn up, disabled;
    glyph.DrawDropArrow(&up.canvas, 10, 10, vsUp);
    glyph.DrawDropArrow(&disabled.canvas, 10, 10, vsDisabled);
    const COLORREF black = RGB(0, 0, 0), s = Shadow(), h = Highlight();
    // 4 pixels into its box: rows of 5, 3 and 1.
    ExpectPixels(up.pic, {{{14, 10}, black}, {{15, 10}, black}, {{16, 10}, black}, {{17, 10}, black},
                          {{18, 10}, black}, {{15, 11}, black}, {{16, 11}, black}, {{17, 11}, black},
                          {{16, 12}, black}});
    // The shadow's triangle over a highlight copy one pixel right and down.
    ExpectPixels(disabled.pic, {{{14, 10}, s}, {{15, 10}, s}, {{16, 10}, s}, {{17, 10}, s}, {{18, 10}, s},
                                {{15, 11}, s}, {{16, 11}, s}, {{17, 11}, s}, {{18, 11}, h}, {{19, 11}, h},
                                {{16, 12}, s}, {{17, 12}, h}, {{18, 12}, h}, {{17, 13}, h}});
}

TEST(ButtonGlyph, AWrappedCaptionTakesMoreLinesWhereTheRoomEnds) {
    TButtonGlyph glyph;
    auto inkRows = [&](bool wrap) {
        Drawn d;
        glyph.Draw(&d.canvas, Rect(0, 0, 50, 30), 0, false, true, "Buscar ficheros", wrap, blGlyphLeft, -1, 4,
                   false, vsUp);
        int first = -1, last = -1;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x)
                if (d.pic.At(x, y) == RGB(0, 0, 0)) {
                    if (first < 0) first = y;
                    last = y;
                }
        return last - first + 1;
    };
    const int oneLine = inkRows(false);
    EXPECT_GT(inkRows(true), oneLine + oneLine / 2);
}

TEST(ButtonGlyph, ADisabledCaptionIsShadowWithAHighlightCopyOnePixelRightAndDown) {
    test::Unusual3DColors colors;
    TButtonGlyph glyph;
    Drawn up, disabled;
    const TRect client = Rect(0, 0, 60, 30);
    glyph.Draw(&up.canvas, client, 0, false, true, "Borrar", false, blGlyphLeft, -1, 4, false, vsUp);
    glyph.Draw(&disabled.canvas, client, 0, false, true, "Borrar", false, blGlyphLeft, -1, 4, false, vsDisabled);
    int inked = 0, lit = 0;
    for (int y = 0; y + 1 < 30; ++y)
        for (int x = 0; x + 1 < 60; ++x) {
            if (up.pic.At(x, y) != RGB(0, 0, 0)) continue;
            ++inked;
            EXPECT_EQ(disabled.pic.At(x, y), Shadow()) << x << "," << y;
            if (up.pic.At(x + 1, y + 1) == kBack) {
                EXPECT_EQ(disabled.pic.At(x + 1, y + 1), Highlight()) << x + 1 << "," << y + 1;
                ++lit;
            }
        }
    EXPECT_GT(inked, 20);
    EXPECT_GT(lit, 5);
}

// ---------------------------------------------------------------- sharing

TEST(GlyphCache, ListsAreSharedBySizeReuseFreedSlotsAndGoWithTheirLastUser) {
    ASSERT_EQ(GlyphCacheInstance, nullptr) << "a glyph object of another test is still alive";
    long handles = base::LiveHandleCount();
    auto a = std::make_unique<TButtonGlyph>();
    auto b = std::make_unique<TButtonGlyph>();
    auto c = std::make_unique<TButtonGlyph>();
    a->SetGlyph(OliveStrip(32, 16).get());
    b->SetGlyph(OliveStrip(16, 16).get());
    c->SetGlyph(OliveStrip(40, 20).get());  // 2 pictures of 20 x 20
    c->SetNumGlyphs(2);
    EXPECT_EQ(a->GetStateImage(vsUp), 0);
    EXPECT_EQ(a->GetStateImage(vsDisabled), 1);
    EXPECT_EQ(b->GetStateImage(vsUp), 2);
    c->GetStateImage(vsUp);
    ASSERT_NE(GlyphCacheInstance, nullptr);
    EXPECT_EQ(GlyphCacheInstance->ListCount(), 2);
    EXPECT_EQ(a->GetGlyphList(), b->GetGlyphList());
    EXPECT_EQ(c->GetGlyphList()->GetWidth(), 21);
    EXPECT_EQ(a->GetGlyphList()->GetUsedCount(), 3);

    // Freed slots are reused from the lowest; the list does not grow.
    TGlyphList* shared = a->GetGlyphList();
    a->ReleaseImages();
    EXPECT_EQ(shared->GetUsedCount(), 1);
    EXPECT_EQ(b->GetStateImage(vsDisabled), 0);
    EXPECT_EQ(shared->GetCount(), 3);

    c.reset();  // the 21 x 21 list goes with its only user
    EXPECT_EQ(GlyphCacheInstance->ListCount(), 1);
    b.reset();  // the last user of the 17 x 17 list
    EXPECT_EQ(GlyphCacheInstance, nullptr);
    EXPECT_EQ(a->GetStateImage(vsUp), 0);  // a fresh cache and list on demand
    a.reset();
    EXPECT_EQ(GlyphCacheInstance, nullptr);
    EXPECT_EQ(base::LiveHandleCount(), handles);
}

TEST(GlyphList, APictureSmallerThanTheCellIsRefusedWithoutTakingASlot) {
    TGlyphList list(17, 17);
    TBitmap small;
    small.SetSize(16, 16);
    try {
        list.AddKeyed(&small, clOlive);
        ADD_FAILURE() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Invalid image size");
    }
    EXPECT_EQ(list.GetUsedCount(), 0);
    TBitmap fits;
    fits.SetSize(17, 17);
    EXPECT_EQ(list.AddKeyed(&fits, clOlive), 0);
    EXPECT_EQ(list.GetUsedCount(), 1);
    EXPECT_EQ(list.GetCount(), 1);  // the temporary entry is gone again
}

}  // namespace
