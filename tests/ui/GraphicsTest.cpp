// Colours, fonts, canvases and bitmaps, checked pixel by pixel.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/Unusual3DColors.h"
#include "ui/Graphics.h"
#include "ui/SysUtils.h"

namespace {

TEST(Colors, SystemColoursBecomeTheirRgbValuesAndPaletteRelativeOnesStay) {
    EXPECT_EQ(ColorToRGB(clBtnFace), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clBtnHighlight), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    EXPECT_EQ(ColorToRGB(0x02FFFFFF), 0x02FFFFFFu);
    EXPECT_EQ(ColorToPlainRGB(0x02FFFFFF), 0x00FFFFFFu);

    // GDI reads the palette-relative value as the colour itself on a true-colour surface.
    test::Canvas32 pic(4, 4);
    TCanvas canvas;
    canvas.SetHandle(pic.dc());
    canvas.GetBrush()->SetColor(0x02FFFFFF);
    canvas.FillRect(Rect(0, 0, 4, 4));
    canvas.GetBrush()->SetColor(clBtnShadow);
    canvas.FillRect(Rect(0, 0, 2, 2));
    canvas.SetHandle(nullptr);
    EXPECT_EQ(pic.At(3, 3), RGB(255, 255, 255));
    EXPECT_EQ(pic.At(0, 0), ::GetSysColor(COLOR_BTNSHADOW));
}

// A 6 x 2 picture: olive, red, olive / white, olive, black.
void MakeStrip(TBitmap& b) {
    b.SetSize(3, 2);
    TCanvas* c = b.GetCanvas();
    c->SetPixel(0, 0, clOlive);
    c->SetPixel(1, 0, clRed);
    c->SetPixel(2, 0, clOlive);
    c->SetPixel(0, 1, clWhite);
    c->SetPixel(1, 1, clOlive);
    c->SetPixel(2, 1, clBlack);
}

TEST(Canvas, BrushCopyReplacesOneColourWithTheBrush) {
    TBitmap strip;
    MakeStrip(strip);
    test::Canvas32 pic(8, 4, RGB(1, 2, 3));
    TCanvas canvas;
    canvas.SetHandle(pic.dc());
    canvas.GetBrush()->SetColor(clBlue);
    canvas.BrushCopy(Rect(2, 1, 5, 3), &strip, Rect(0, 0, 3, 2), clOlive);
    canvas.SetHandle(nullptr);
    EXPECT_EQ(pic.At(2, 1), RGB(0, 0, 255));
    EXPECT_EQ(pic.At(3, 1), RGB(255, 0, 0));
    EXPECT_EQ(pic.At(4, 1), RGB(0, 0, 255));
    EXPECT_EQ(pic.At(2, 2), RGB(255, 255, 255));
    EXPECT_EQ(pic.At(3, 2), RGB(0, 0, 255));
    EXPECT_EQ(pic.At(4, 2), RGB(0, 0, 0));
    EXPECT_EQ(pic.At(1, 1), RGB(1, 2, 3));  // outside: untouched
    EXPECT_EQ(pic.At(5, 2), RGB(1, 2, 3));

    // Onto the bitmap's own canvas: the mask is taken before anything changes.
    strip.GetCanvas()->GetBrush()->SetColor(clLime);
    strip.GetCanvas()->BrushCopy(Rect(0, 0, 3, 2), &strip, Rect(0, 0, 3, 2), clOlive);
    EXPECT_EQ(strip.GetCanvas()->GetPixel(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(strip.GetCanvas()->GetPixel(1, 0), RGB(255, 0, 0));
    EXPECT_EQ(strip.GetCanvas()->GetPixel(2, 1), RGB(0, 0, 0));
}

TEST(Bitmap, MonochromeConversionFollowsTheBackgroundColourRule) {
    TBitmap b;
    MakeStrip(b);
    TBitmap mask;
    mask.Assign(&b);
    mask.SetMonochrome(true);
    // Colour to monochrome: pixels of the source's background colour turn white.
    ::SetBkColor(b.GetCanvas()->GetHandle(), RGB(128, 128, 0));
    ::BitBlt(mask.GetCanvas()->GetHandle(), 0, 0, 3, 2, b.GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
    EXPECT_EQ(mask.GetCanvas()->GetPixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(mask.GetCanvas()->GetPixel(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(mask.GetCanvas()->GetPixel(0, 1), RGB(0, 0, 0));
    EXPECT_EQ(mask.GetTransparentColor(), 0x02FFFFFF);
    // Back to colour, the black and white stay.
    mask.SetMonochrome(false);
    EXPECT_FALSE(mask.GetMonochrome());
    EXPECT_EQ(mask.GetCanvas()->GetPixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(mask.GetCanvas()->GetPixel(1, 0), RGB(0, 0, 0));
}

TEST(Bitmap, ResourcesLoadWithTheirFormatAndAMissingOneSaysSo) {
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.LoadFromResourceName(::GetModuleHandleW(nullptr), "CHECKED");
    EXPECT_EQ(b.GetWidth(), 19);
    EXPECT_EQ(b.GetHeight(), 14);
    EXPECT_EQ(b.BitsPerPixel(), 4);
    EXPECT_EQ(b.GetTransparentColor(), 0x02000000 | RGB(128, 128, 0));  // olive, palette-relative
    EXPECT_NE(b.GetPalette(), nullptr);
    EXPECT_EQ(changes, 1);

    TBitmap copy;
    copy.Assign(&b);
    EXPECT_EQ(copy.BitsPerPixel(), 4);
    EXPECT_EQ(copy.GetCanvas()->GetPixel(0, 13), RGB(128, 128, 0));

    try {
        b.LoadFromResourceName(::GetModuleHandleW(nullptr), "NOSUCHPICTURE");
        FAIL();
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource NOSUCHPICTURE not found");
    }
    // Giving back the device resources keeps the pixels.
    copy.ReleaseDeviceResources();
    EXPECT_EQ(copy.GetCanvas()->GetPixel(0, 13), RGB(128, 128, 0));
}

TEST(Canvas, AChangedBrushPenOrFontIsDeselectedBeforeItIsDeleted) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    {
        TCanvas c;
        c.SetHandle(dc);
        c.FillRect(Rect(0, 0, 2, 2));
        c.LineTo(1, 1);
        c.TextOut(0, 0, "x");
        HGDIOBJ brush = ::GetCurrentObject(dc, OBJ_BRUSH);
        HGDIOBJ pen = ::GetCurrentObject(dc, OBJ_PEN);
        HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
        ASSERT_EQ(brush, c.GetBrush()->GetHandle());
        // When a listener hears of the change, the old object still exists
        // (so that it can be put out of a context), and none is left
        // selected once the change is done.
        bool alive = false;
        TBrush watched;
        HBRUSH before = watched.GetHandle();
        watched.OnChange = [&](TObject*) { alive = ::GetObjectType(before) == OBJ_BRUSH; };
        watched.SetColor(clRed);
        EXPECT_TRUE(alive);
        EXPECT_EQ(::GetObjectType(before), 0u);

        c.GetBrush()->SetColor(clRed);
        c.GetPen()->SetColor(clRed);
        c.GetFont()->SetHeight(-20);
        EXPECT_NE(::GetCurrentObject(dc, OBJ_BRUSH), brush);
        EXPECT_NE(::GetCurrentObject(dc, OBJ_PEN), pen);
        EXPECT_NE(::GetCurrentObject(dc, OBJ_FONT), font);
        EXPECT_EQ(::GetObjectType(brush), 0u);
        EXPECT_EQ(::GetObjectType(pen), 0u);
        EXPECT_EQ(::GetObjectType(font), 0u);
        c.SetHandle(nullptr);
    }
    ::DeleteDC(dc);
}

TEST(Canvas, BrushesAndPensOfSystemColoursFollowAChangeOfTheScheme) {
    test::Canvas32 pic(4, 4);
    TCanvas canvas;
    canvas.SetHandle(pic.dc());
    canvas.GetBrush()->SetColor(clBtnFace);
    canvas.GetPen()->SetColor(clBtnShadow);
    canvas.FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(pic.At(0, 0), ::GetSysColor(COLOR_BTNFACE));
    {
        test::Unusual3DColors scheme;
        // The same colour values, set again as every paint does, stand for new colours now.
        canvas.GetBrush()->SetColor(clBtnFace);
        canvas.FillRect(Rect(0, 0, 4, 4));
        canvas.GetPen()->SetColor(clBtnShadow);
        canvas.MoveTo(0, 3);
        canvas.LineTo(4, 3);
        EXPECT_EQ(pic.At(0, 0), test::Unusual3DColors::Face);
        EXPECT_EQ(pic.At(1, 3), test::Unusual3DColors::Shadow);
    }
    canvas.SetHandle(nullptr);
}

TEST(Font, ChangesAreReportedAndTheHandleFollows) {
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    HFONT first = f.GetHandle();
    f.SetStyle({fsBold});
    EXPECT_EQ(changes, 1);
    LOGFONTW lf;
    ::GetObjectW(f.GetHandle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -11);
    (void)first;
    f.SetHandle(static_cast<HFONT>(::GetStockObject(SYSTEM_FONT)));
    EXPECT_EQ(f.GetHandle(), ::GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(changes, 2);
    TFont g;
    g.Assign(&f);
    EXPECT_TRUE(g.SameAs(f));
    f.SetColor(clRed);
    EXPECT_FALSE(g.SameAs(f));
}

}  // namespace
