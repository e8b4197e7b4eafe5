// The tiled background: tiling, the three modes, when the tile is prepared
// again, the transparent colour's exact match and the designer's warning.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "controls/TileImage.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "base/Handles.h"

namespace {

constexpr COLORREF kPanelColor = RGB(0x30, 0x50, 0x70);
constexpr COLORREF kLime = RGB(0, 255, 0);
constexpr int kTileW = 110, kTileH = 34;

// A 24-bit picture whose pixels tell where they are; every fifth diagonal
// is lime, the colour the tests make transparent.
bool IsLimePixel(int x, int y) { return (x + y) % 5 == 0; }
COLORREF PicturePixel(int x, int y) {
    return IsLimePixel(x, y) ? kLime : RGB(x * 2, y * 7, 100);
}

std::unique_ptr<TBitmap> MakePicture() {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kTileW;
    bi.bmiHeader.biHeight = -kTileH;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const int stride = (kTileW * 3 + 3) & ~3;
    for (int y = 0; y < kTileH; ++y)
        for (int x = 0; x < kTileW; ++x) {
            BYTE* p = static_cast<BYTE*>(bits) + y * stride + x * 3;
            COLORREF c = PicturePixel(x, y);
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
    auto picture = std::make_unique<TBitmap>();
    picture->SetHandle(bmp);
    return picture;
}

class PanelForm : public TForm {
public:
    explicit PanelForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetClientWidth(540);
        SetClientHeight(256);
        SetColor(static_cast<TColor>(kPanelColor));
    }
};

class TileImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new PanelForm(Application);
        tile = new TTileImage(form);
        tile->SetAlign(alNone);
        tile->SetBounds(1, 1, 538, 254);  // as in the options panel
        tile->SetParent(form);
        form->HandleNeeded();
    }
    void TearDown() override { delete form; }

    std::unique_ptr<test::Canvas32> Print() {
        auto pic = std::make_unique<test::Canvas32>(540, 256);
        ::SendMessageW(form->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic->dc()), PRF_CLIENT);
        return pic;
    }
    // Compares every pixel of the control with what the picture at that
    // place should show, and the frame around it with the panel's colour.
    void ExpectTiles(const test::Canvas32& pic, const std::function<COLORREF(int, int)>& expected) {
        int wrong = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 540; ++x) {
                const bool inside = x >= 1 && x < 539 && y >= 1 && y < 255;
                const COLORREF want = inside ? expected((x - 1) % kTileW, (y - 1) % kTileH) : kPanelColor;
                if (pic.At(x, y) != want && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << pic.At(x, y) << " instead of "
                                  << want;
            }
        EXPECT_EQ(wrong, 0);
    }

    PanelForm* form = nullptr;
    TTileImage* tile = nullptr;
};

TEST_F(TileImageTest, ANewControlFillsItsParentAndPaintsNothingWithoutAPicture) {
    auto* fresh = new TTileImage(form);
    EXPECT_EQ(fresh->GetAlign(), alClient);
    EXPECT_EQ(fresh->GetTileMode(), tmFaded);
    EXPECT_EQ(fresh->GetFadeColor(), clBtnHighlight);
    EXPECT_EQ(fresh->GetTranColor(), 0);
    fresh->SetParent(form);
    EXPECT_EQ(fresh->GetBoundsRect(), Rect(0, 0, 540, 256));
    EXPECT_EQ(fresh->GetPalette(), nullptr);
    auto pic = Print();
    EXPECT_EQ(pic->At(0, 0), kPanelColor);
    EXPECT_EQ(pic->At(300, 200), kPanelColor);
}

TEST_F(TileImageTest, NormalModeTilesThePictureFromTheTopLeftCutAtTheEdges) {
    auto picture = MakePicture();
    tile->SetImage(picture.get());
    // The picture's bottom-left pixel, palette-relative.
    EXPECT_EQ(tile->GetTranColor(), static_cast<TColor>(0x02000000 | PicturePixel(0, kTileH - 1)));
    tile->SetTileMode(tmNormal);
    // 538 x 254: 5 columns (the last 98 wide) in 8 rows (the last 16 high).
    auto pic = Print();
    ExpectTiles(*pic, PicturePixel);
    EXPECT_EQ(pic->At(1 + 4 * kTileW + 97, 1 + 7 * kTileH + 15), PicturePixel(97, 15));
}

TEST_F(TileImageTest, TransparentModeShowsWhatLiesUnderTheTransparentPixels) {
    auto picture = MakePicture();
    tile->SetImage(picture.get());
    tile->SetTranColor(0x02000000 | kLime);
    tile->SetTileMode(tmTransparent);
    ExpectTiles(*Print(), [](int x, int y) { return IsLimePixel(x, y) ? kPanelColor : PicturePixel(x, y); });

    // Also under a scheme whose text colour is not black: the mask's colours
    // are set when painting, not taken from the canvas.
    tile->GetCanvas()->GetFont()->SetColor(clRed);
    tile->GetCanvas()->GetBrush()->SetColor(clYellow);
    ExpectTiles(*Print(), [](int x, int y) { return IsLimePixel(x, y) ? kPanelColor : PicturePixel(x, y); });
}

TEST_F(TileImageTest, FadedModeIsASilhouetteInTheFadeColourOnTheParentsColour) {
    auto picture = MakePicture();
    tile->SetImage(picture.get());
    tile->SetTranColor(0x02000000 | kLime);
    tile->SetFadeColor(clNavy);
    EXPECT_EQ(tile->GetTileMode(), tmFaded);
    ExpectTiles(*Print(), [](int x, int y) { return IsLimePixel(x, y) ? kPanelColor : RGB(0, 0, 128); });

    // A fade colour that resolves to pure white is caught by the white
    // replacement: the whole tile takes the parent's colour.
    tile->SetFadeColor(clWhite);
    ExpectTiles(*Print(), [](int, int) { return kPanelColor; });
}

TEST_F(TileImageTest, SettingTheModeToItsValueDoesNothingButColoursAlwaysRebuild) {
    auto picture = MakePicture();
    tile->SetImage(picture.get());
    tile->SetTranColor(0x02000000 | kLime);
    tile->SetFadeColor(clNavy);
    // The parent's colour is read when the tile is built.
    form->SetColor(clMaroon);
    auto pic = Print();
    EXPECT_EQ(pic->At(1, 1), kPanelColor);  // picture (0, 0) is transparent: the old colour
    EXPECT_EQ(pic->At(0, 0), RGB(128, 0, 0));
    tile->SetTileMode(tmFaded);
    EXPECT_EQ(Print()->At(1, 1), kPanelColor);
    tile->SetFadeColor(clNavy);
    EXPECT_EQ(Print()->At(1, 1), RGB(128, 0, 0));

    form->SetColor(clTeal);
    tile->SetTranColor(tile->GetTranColor());
    EXPECT_EQ(Print()->At(1, 1), RGB(0, 128, 128));
    // A new picture loaded in place rebuilds too.
    form->SetColor(clPurple);
    tile->GetImage()->Assign(picture.get());
    EXPECT_EQ(Print()->At(1, 1), RGB(128, 0, 128));
}

TEST_F(TileImageTest, TransparentAndFadedAreViewsOfTheMode) {
    tile->SetTransparent(true);
    EXPECT_EQ(tile->GetTileMode(), tmTransparent);
    EXPECT_TRUE(tile->GetTransparent());
    EXPECT_FALSE(tile->GetFaded());
    tile->SetTransparent(false);
    EXPECT_EQ(tile->GetTileMode(), tmNormal);
    tile->SetFaded(false);  // only from tmFaded
    EXPECT_EQ(tile->GetTileMode(), tmNormal);
    tile->SetFaded(true);
    EXPECT_EQ(tile->GetTileMode(), tmFaded);
    EXPECT_TRUE(tile->GetFaded());
    tile->SetFaded(false);
    EXPECT_EQ(tile->GetTileMode(), tmTransparent);
}

TEST_F(TileImageTest, TranColorMatchesOnlyPixelsOfExactlyThatColour) {
    // The program's tile: 24 bits, its background RGB (254, 254, 254).
    tile->GetImage()->LoadFromResourceName(::GetModuleHandleW(nullptr), "TILE");
    ASSERT_EQ(tile->GetImage()->GetWidth(), kTileW);
    ASSERT_EQ(tile->GetImage()->BitsPerPixel(), 24);
    tile->SetFadeColor(clNavy);
    tile->SetTranColor(0x02FFFFFF);  // palette-relative white, as the windows set it
    // Nothing matches: the whole picture is opaque and turns navy.
    ExpectTiles(*Print(), [](int, int) { return RGB(0, 0, 128); });

    tile->SetTranColor(0x02FEFEFE);
    auto pic = Print();
    EXPECT_EQ(pic->At(1, 1 + kTileH - 1), kPanelColor);  // the background is transparent now
    int navy = 0;
    for (int x = 1; x < 1 + kTileW; ++x)
        for (int y = 1; y < 1 + kTileH; ++y) navy += pic->At(x, y) == RGB(0, 0, 128);
    EXPECT_GT(navy, 50);  // the word and the broom
    EXPECT_LT(navy, kTileW * kTileH / 2);
}

TEST_F(TileImageTest, ASystemColourAsTranColorStandsForItsCurrentValue) {
    TBitmap picture;
    picture.SetSize(4, 4);
    TCanvas* c = picture.GetCanvas();
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, 4, 4));
    c->SetPixel(1, 0, clRed);
    tile->SetImage(&picture);
    tile->SetFadeColor(clNavy);
    tile->SetTranColor(clBtnFace);
    auto pic = Print();
    EXPECT_EQ(pic->At(1, 1), kPanelColor);
    EXPECT_EQ(pic->At(2, 1), RGB(0, 0, 128));
    EXPECT_EQ(pic->At(5, 5), kPanelColor);  // the next tile
}

TEST_F(TileImageTest, WithoutAParentTheFadedTileUsesTheWindowColour) {
    TTileImage lone(nullptr);
    lone.SetBounds(0, 0, 20, 20);
    auto picture = MakePicture();
    lone.SetImage(picture.get());
    lone.SetTranColor(0x02000000 | kLime);
    lone.SetFadeColor(clNavy);
    test::Canvas32 pic(20, 20);
    lone.PaintTo(pic.dc(), 0, 0);
    EXPECT_EQ(pic.At(0, 0), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(pic.At(1, 0), RGB(0, 0, 128));
}

TEST_F(TileImageTest, SettingNoPictureEmptiesTheBackground) {
    auto picture = MakePicture();
    tile->SetImage(picture.get());
    tile->SetTileMode(tmNormal);
    tile->SetImage(nullptr);
    EXPECT_TRUE(tile->GetImage()->Empty());
    EXPECT_EQ(Print()->At(10, 10), kPanelColor);
    // A later rebuild brings nothing back.
    tile->SetTranColor(0x02FFFFFF);
    EXPECT_EQ(Print()->At(10, 10), kPanelColor);
}

TEST_F(TileImageTest, ThePaletteIsThatOfTheBitmapTheModePaintsFrom) {
    tile->GetImage()->LoadFromResourceName(::GetModuleHandleW(nullptr), "CHECKED");  // 16 colours
    tile->SetTileMode(tmNormal);
    EXPECT_NE(tile->GetPalette(), nullptr);
    EXPECT_EQ(tile->GetPalette(), tile->GetImage()->GetPalette());
    tile->SetImage(nullptr);
    EXPECT_EQ(tile->GetPalette(), nullptr);
}

TEST_F(TileImageTest, BackgroundsGiveBackTheirHandles) {
    Print();
    const long before = base::LiveHandleCount();
    {
        auto* extra = new TTileImage(form);
        extra->SetParent(form);
        auto picture = MakePicture();
        extra->SetImage(picture.get());
        for (TTileMode mode : {tmTransparent, tmNormal, tmFaded}) {
            extra->SetTileMode(mode);
            Print();
        }
        delete extra;
    }
    EXPECT_EQ(base::LiveHandleCount(), before);
}

}  // namespace
