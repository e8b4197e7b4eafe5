// The shadowed label: shadow offsets, the setters' side effects, auto-size,
// and where each piece of text lands when painted.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "controls/ExtraLabel.h"
#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "base/Handles.h"

namespace {

constexpr COLORREF kFormColor = RGB(0x40, 0x60, 0x80);

TEST(ShadowOffsets, FollowTheAngleClockwiseWithHalvesToEven) {
    struct Case {
        int angle;
        TPoint offset;
    };
    for (const Case& c : {Case{0, {7, 0}}, Case{45, {5, 5}}, Case{90, {0, 7}}, Case{135, {-5, 5}},
                          Case{180, {-7, 0}}, Case{270, {0, -7}}}) {
        EXPECT_EQ(ShadowOffsets(c.angle, 7), c.offset) << c.angle << " degrees";
        EXPECT_EQ(ShadowOffsets(c.angle, 0), Point(0, 0));
    }
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(1.5L), 2);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(-0.5L), 0);
    EXPECT_EQ(RoundHalfEven(-1.5L), -2);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(4.9497L), 5);
    EXPECT_EQ(RoundHalfEven(-4.9497L), -5);
}

class LabelForm : public TForm {
public:
    explicit LabelForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetClientWidth(200);
        SetClientHeight(60);
        SetColor(static_cast<TColor>(kFormColor));
    }
};

class ExtraLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new LabelForm(Application);
        // Made by code, as a designer drops it: the caption follows the name.
        label = new TExtraLabel(form);
        label->SetName("ExtraLabel1");
        label->SetParent(form);
        form->HandleNeeded();
    }
    void TearDown() override { delete form; }

    // The heading style of the windows, with colours the tests can tell apart.
    void MakeHeading() {
        label->SetAutoSize(false);
        label->SetBounds(8, 8, 108, 25);
        label->SetCaption("Ficheros a buscar");
        label->GetFont()->SetStyle({fsBold});
        label->GetFont()->SetColor(clBlack);
        label->SetShadow(ssAuto);
        label->GetShadowFont()->SetColor(clWhite);
    }
    std::unique_ptr<test::Canvas32> Print() {
        auto pic = std::make_unique<test::Canvas32>(200, 60);
        ::SendMessageW(form->GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic->dc()), PRF_CLIENT);
        return pic;
    }
    static TSize Extent(const TFont* font, const std::string& text) {
        ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
        TCanvas canvas;
        canvas.SetHandle(dc.get());
        canvas.SetFont(font);
        TSize size = canvas.TextExtent(text);
        canvas.SetHandle(nullptr);
        return size;
    }

    // What the label should look like, drawn piece by piece with TextOut
    // into a picture of the form's background. Positions are the label's.
    class Expected {
    public:
        explicit Expected(const TExtraLabel* label) : label_(label) {
            canvas_.SetHandle(pic.dc());
            canvas_.GetBrush()->SetStyle(bsClear);
        }
        ~Expected() { canvas_.SetHandle(nullptr); }
        void Text(const TFont* font, TColor color, int x, int y, const std::string& text) {
            canvas_.SetFont(font);
            canvas_.GetFont()->SetColor(color);
            canvas_.TextOut(label_->GetLeft() + x, label_->GetTop() + y, text);
        }
        test::Canvas32 pic{200, 60, kFormColor};

    private:
        const TExtraLabel* label_;
        TCanvas canvas_;
    };
    // The label's area, pixel by pixel; nothing drawn outside it.
    void ExpectSame(const test::Canvas32& actual, const test::Canvas32& expected) {
        int wrong = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 200; ++x) {
                const TRect r = label->GetBoundsRect();
                const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                const COLORREF want = inside ? expected.At(x, y) : kFormColor;
                if (actual.At(x, y) != want && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << actual.At(x, y)
                                  << " instead of " << want;
            }
        EXPECT_EQ(wrong, 0);
    }

    LabelForm* form = nullptr;
    TExtraLabel* label = nullptr;
};

TEST_F(ExtraLabelTest, ANewLabelHasNoShadowAndTheDefaultOffsets) {
    EXPECT_EQ(label->GetCaption(), "ExtraLabel1");
    EXPECT_EQ(label->GetShadow(), ssNone);
    EXPECT_EQ(label->GetShadowPosX(), 5);
    EXPECT_EQ(label->GetShadowPosY(), 5);
    EXPECT_EQ(label->GetShadowAngle(), 45);
    EXPECT_EQ(label->GetShadowDepth(), 7);
    EXPECT_FALSE(label->GetRemarkFirstLetter());
    EXPECT_FALSE(label->GetOverlap());
    EXPECT_TRUE(label->GetAutoSize());
    EXPECT_TRUE(label->GetTransparent());
    EXPECT_EQ(label->GetShadowFont()->GetColor(), clWindowText);
    EXPECT_EQ(label->GetRemarkFont()->GetColor(), clWindowText);
    // Auto-sized to the caption once loaded.
    EXPECT_EQ(label->GetWidth(), Extent(label->GetFont(), "ExtraLabel1").cx);
    EXPECT_EQ(label->GetHeight(), Extent(label->GetFont(), "ExtraLabel1").cy);
}

TEST_F(ExtraLabelTest, SettersColourTheFontsOnlyWhenTheyTurnSomethingOn) {
    // Leaving ssNone greys the shadow; switching between shadows keeps its colour.
    label->SetShadow(ssCustom);
    EXPECT_EQ(label->GetShadowFont()->GetColor(), static_cast<TColor>(0x808080));
    label->GetShadowFont()->SetColor(clBlue);
    label->SetShadow(ssSemi);
    label->SetShadow(ssAuto);
    EXPECT_EQ(label->GetShadowFont()->GetColor(), clBlue);
    label->SetShadow(ssNone);
    label->SetShadow(ssAuto);
    EXPECT_EQ(label->GetShadowFont()->GetColor(), static_cast<TColor>(0x808080));

    // Turning the first letter on reddens it; turning it on again does not.
    label->SetRemarkFirstLetter(true);
    EXPECT_EQ(label->GetRemarkFont()->GetColor(), clRed);
    label->GetRemarkFont()->SetColor(clBlue);
    label->SetRemarkFirstLetter(true);
    EXPECT_EQ(label->GetRemarkFont()->GetColor(), clBlue);

    // Overlap turns the first letter on without reddening it.
    auto* other = new TExtraLabel(form);
    other->SetOverlap(true);
    EXPECT_TRUE(other->GetRemarkFirstLetter());
    EXPECT_EQ(other->GetRemarkFont()->GetColor(), clWindowText);

    // Moving a shadow that is not drawn asks for the automatic one, grey;
    // the angle and depth stay as they were.
    other->SetShadowPosX(3);
    EXPECT_EQ(other->GetShadow(), ssAuto);
    EXPECT_EQ(other->GetShadowFont()->GetColor(), static_cast<TColor>(0x808080));
    EXPECT_EQ(other->GetShadowPosX(), 3);
    EXPECT_EQ(other->GetShadowPosY(), 5);
    EXPECT_EQ(other->GetShadowAngle(), 45);
    EXPECT_EQ(other->GetShadowDepth(), 7);

    // Angle and depth set both offsets.
    other->SetShadowAngle(135);
    EXPECT_EQ(Point(other->GetShadowPosX(), other->GetShadowPosY()), Point(-5, 5));
    other->SetShadowDepth(0);
    EXPECT_EQ(Point(other->GetShadowPosX(), other->GetShadowPosY()), Point(0, 0));
    other->SetShadowDepth(7);
    other->SetShadowAngle(-90);  // taken modulo 360: 270
    EXPECT_EQ(other->GetShadowAngle(), 270);
    EXPECT_EQ(Point(other->GetShadowPosX(), other->GetShadowPosY()), Point(0, -7));
    other->SetShadowPosY(20);
    EXPECT_EQ(other->GetShadowPosY(), 7);
    other->SetShadowPosX(-20);
    EXPECT_EQ(other->GetShadowPosX(), -7);
    other->SetShadowDepth(12);
    EXPECT_EQ(other->GetShadowDepth(), 7);
    other->SetShadowDepth(-3);
    EXPECT_EQ(other->GetShadowDepth(), 0);
}

TEST_F(ExtraLabelTest, AHeadingDrawsItsShadowFiveDownAndRightOfTheText) {
    MakeHeading();
    // Fonts 13 pixels high on a 25-pixel label: the middle line is 12, the
    // text's top 12 - 13 div 2 = 6, the shadow's (5, 11).
    ASSERT_EQ(Extent(label->GetFont(), label->GetCaption()).cy, 13);
    Expected expected(label);
    expected.Text(label->GetFont(), clWhite, 5, 11, "Ficheros a buscar");
    expected.Text(label->GetFont(), clBlack, 0, 6, "Ficheros a buscar");
    ExpectSame(*Print(), expected.pic);
}

TEST_F(ExtraLabelTest, TheFirstLetterAndItsShadowUseTheRemarkFont) {
    MakeHeading();
    label->SetRemarkFirstLetter(true);
    label->GetRemarkFont()->SetStyle({fsBold});
    label->GetRemarkFont()->SetHeight(-16);  // a different height centres differently
    const TFont* remark = label->GetRemarkFont();
    const int firstTop = 12 - Extent(remark, "Ficheros a buscar").cy / 2;
    const int firstWidth = Extent(remark, "F").cx;
    Expected expected(label);
    expected.Text(remark, clWhite, 5, 5 + firstTop, "F");
    expected.Text(label->GetFont(), clWhite, 5 + firstWidth, 11, "icheros a buscar");
    expected.Text(remark, clRed, 0, firstTop, "F");
    expected.Text(label->GetFont(), clBlack, firstWidth, 6, "icheros a buscar");
    ExpectSame(*Print(), expected.pic);

    // Overlapped: the rest starts at half the first letter's width.
    label->SetOverlap(true);
    Expected overlapped(label);
    overlapped.Text(remark, clWhite, 5, 5 + firstTop, "F");
    overlapped.Text(label->GetFont(), clWhite, 5 + firstWidth / 2, 11, "icheros a buscar");
    overlapped.Text(remark, clRed, 0, firstTop, "F");
    overlapped.Text(label->GetFont(), clBlack, firstWidth / 2, 6, "icheros a buscar");
    ExpectSame(*Print(), overlapped.pic);
}

TEST_F(ExtraLabelTest, CustomAndSemiShadowsUseTheShadowFont) {
    MakeHeading();
    label->GetShadowFont()->SetHeight(-18);
    label->GetShadowFont()->SetColor(clLime);
    const TFont* shadowFont = label->GetShadowFont();
    const int shadowTop = 12 + 5 - Extent(shadowFont, "Ficheros a buscar").cy / 2;

    label->SetShadow(ssCustom);
    label->SetRemarkFirstLetter(true);  // plays no part in a custom shadow
    label->GetRemarkFont()->Assign(label->GetFont());
    label->GetRemarkFont()->SetColor(clRed);
    const int firstWidth = Extent(label->GetRemarkFont(), "F").cx;
    Expected custom(label);
    custom.Text(shadowFont, clLime, 5, shadowTop, "Ficheros a buscar");
    custom.Text(label->GetRemarkFont(), clRed, 0, 6, "F");
    custom.Text(label->GetFont(), clBlack, firstWidth, 6, "icheros a buscar");
    ExpectSame(*Print(), custom.pic);

    label->SetShadow(ssSemi);
    Expected semi(label);
    semi.Text(label->GetRemarkFont(), clLime, 5, 11, "F");
    semi.Text(shadowFont, clLime, 5 + firstWidth, shadowTop, "icheros a buscar");
    semi.Text(label->GetRemarkFont(), clRed, 0, 6, "F");
    semi.Text(label->GetFont(), clBlack, firstWidth, 6, "icheros a buscar");
    ExpectSame(*Print(), semi.pic);
}

TEST_F(ExtraLabelTest, AnAmpersandIsDrawnAndAnEmptyCaptionDrawsNothing) {
    MakeHeading();
    label->SetShadow(ssNone);
    label->SetCaption("Tom & Jerry");
    Expected expected(label);
    expected.Text(label->GetFont(), clBlack, 0, 6, "Tom & Jerry");
    ExpectSame(*Print(), expected.pic);

    label->SetShadow(ssAuto);  // grey again, having left ssNone
    label->SetRemarkFirstLetter(true);
    label->SetCaption("");
    Expected nothing(label);
    ExpectSame(*Print(), nothing.pic);

    // One letter: drawn in the remark font, and the empty rest adds nothing.
    label->SetCaption("X");
    Expected one(label);
    one.Text(label->GetRemarkFont(), clGray, 5, 11, "X");
    one.Text(label->GetRemarkFont(), clRed, 0, 6, "X");
    ExpectSame(*Print(), one.pic);
}

TEST_F(ExtraLabelTest, AutoSizeAddsTheOffsetsEvenWhenTheyAreNegative) {
    label->SetCaption("Opciones varias");
    const TSize text = Extent(label->GetFont(), "Opciones varias");
    EXPECT_EQ(label->GetWidth(), text.cx);
    EXPECT_EQ(label->GetHeight(), text.cy);

    label->SetShadow(ssAuto);
    EXPECT_EQ(label->GetWidth(), text.cx + 5);
    EXPECT_EQ(label->GetHeight(), text.cy + 5);
    label->SetShadowPosX(-3);
    label->SetShadowPosY(-2);
    EXPECT_EQ(label->GetWidth(), text.cx - 3);
    EXPECT_EQ(label->GetHeight(), text.cy - 2);

    // A larger first letter widens and heightens; the overlap does not narrow.
    label->SetShadow(ssNone);
    label->GetRemarkFont()->SetHeight(-20);
    label->SetOverlap(true);
    const TSize first = Extent(label->GetRemarkFont(), "O");
    const TSize rest = Extent(label->GetFont(), "pciones varias");
    EXPECT_EQ(label->GetWidth(), std::max(text.cx, first.cx + rest.cx));
    EXPECT_EQ(label->GetHeight(), first.cy);

    // A custom shadow counts with its own font and offsets.
    label->SetRemarkFirstLetter(false);
    label->SetOverlap(false);
    label->GetShadowFont()->SetHeight(-24);
    label->SetShadow(ssCustom);
    const TSize shadow = Extent(label->GetShadowFont(), "Opciones varias");
    EXPECT_EQ(label->GetWidth(), std::max(text.cx, shadow.cx - 3));
    EXPECT_EQ(label->GetHeight(), std::max(text.cy, shadow.cy - 2));
}

// A change to the shadow's font or the first letter's font resizes and
// repaints the label at once, as a change of its own font does.
TEST_F(ExtraLabelTest, ChangingTheShadowOrFirstLetterFontShowsAtOnce) {
    label->SetCaption("Opciones varias");
    label->SetShadow(ssCustom);
    label->SetRemarkFirstLetter(true);
    ASSERT_TRUE(test::ShowActive(form));
    auto onScreen = [this](int x, int y) {
        ui::WindowDc dc(form->GetHandle());
        return ::GetPixel(dc.get(), x, y);
    };
    auto inkOnScreen = [&](COLORREF colour) {
        const TRect r = label->GetBoundsRect();
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += onScreen(x, y) == colour;
        return n;
    };

    label->GetShadowFont()->SetHeight(-24);
    EXPECT_EQ(label->GetHeight(), Extent(label->GetShadowFont(), "Opciones varias").cy + 5);
    label->GetShadowFont()->SetColor(clLime);
    EXPECT_GT(inkOnScreen(RGB(0, 255, 0)), 20);

    label->SetShadow(ssNone);
    label->GetRemarkFont()->SetHeight(-40);
    EXPECT_EQ(label->GetHeight(), Extent(label->GetRemarkFont(), "O").cy);
    label->GetRemarkFont()->SetColor(clBlue);
    EXPECT_GT(inkOnScreen(RGB(0, 0, 255)), 20);
}

TEST_F(ExtraLabelTest, AnOpaqueLabelPaintsItsBackground) {
    MakeHeading();
    label->SetShadow(ssNone);
    label->SetTransparent(false);
    label->SetColor(clYellow);
    auto pic = Print();
    EXPECT_EQ(pic->At(8 + 107, 8 + 24), RGB(255, 255, 0));
    EXPECT_EQ(pic->At(8 + 108, 8 + 24), kFormColor);
}

TEST_F(ExtraLabelTest, LabelsGiveBackTheirHandles) {
    Print();
    const long before = base::LiveHandleCount();
    {
        auto* extra = new TExtraLabel(form);
        extra->SetParent(form);
        extra->SetCaption("Borrado automático");
        extra->SetShadow(ssSemi);
        extra->SetRemarkFirstLetter(true);
        Print();
        delete extra;
    }
    EXPECT_EQ(base::LiveHandleCount(), before);
}

}  // namespace
