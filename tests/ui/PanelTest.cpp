// Panels and bevels: the 3-D edges as pixels, the caption, the room the
// edges leave for aligned controls, and the bevels' lines.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/TestSupport.h"
#include "ui/Bevel.h"
#include "ui/Forms.h"
#include "ui/Panel.h"

namespace {

const COLORREF kBack = RGB(255, 0, 0);
const COLORREF kPanel = RGB(0, 160, 0);

class Plain : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
};

class PanelForm : public TForm {
public:
    explicit PanelForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetLeft(40);
        SetTop(40);
        SetClientWidth(540);
        SetClientHeight(340);
        SetColor(static_cast<TColor>(kBack));
        panel = new TPanel(this);
        panel->SetName("Panel1");
        panel->SetParent(this);
        panel->SetHeight(65);
        panel->SetAlign(alTop);
        panel->SetColor(static_cast<TColor>(kPanel));
        tile = new Plain(this);
        tile->SetParent(panel);
        tile->SetAlign(alClient);
    }
    TPanel* panel;
    Plain* tile;
};

COLORREF Sys(int index) { return ::GetSysColor(index); }

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new PanelForm(Application);
        ASSERT_TRUE(test::ShowActive(form));
    }
    void TearDown() override { delete form; }
    PanelForm* form = nullptr;
};

TEST_F(PanelTest, AlignedControlsLieInsideTheEdges) {
    EXPECT_EQ(form->panel->GetBoundsRect(), Rect(0, 0, 540, 65));
    EXPECT_EQ(form->tile->GetBoundsRect(), Bounds(1, 1, 538, 63));

    form->panel->SetBevelInner(bvLowered);
    form->panel->SetBevelWidth(2);
    EXPECT_EQ(form->tile->GetBoundsRect(), Bounds(4, 4, 532, 57));
    form->panel->SetBevelOuter(bvNone);
    form->panel->SetBevelInner(bvNone);
    EXPECT_EQ(form->tile->GetBoundsRect(), Bounds(0, 0, 540, 65));

    // The room follows the panel's size.
    form->panel->SetBevelOuter(bvRaised);
    form->panel->SetBevelWidth(1);
    form->panel->SetHeight(80);
    EXPECT_EQ(form->tile->GetBoundsRect(), Bounds(1, 1, 538, 78));
}

TEST_F(PanelTest, RaisedAndLoweredEdgesAndTheFace) {
    form->tile->SetVisible(false);
    TPanel* p = form->panel;
    test::Canvas32 pic(540, 65);
    p->PaintTo(pic.dc(), 0, 0);
    EXPECT_EQ(pic.At(0, 0), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(200, 0), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(0, 30), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(539, 30), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(200, 64), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(539, 64), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(1, 1), kPanel);
    EXPECT_EQ(pic.At(538, 63), kPanel);

    p->SetBevelOuter(bvLowered);
    p->SetBevelInner(bvRaised);
    pic.Fill(0);
    p->PaintTo(pic.dc(), 0, 0);
    EXPECT_EQ(pic.At(0, 0), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(539, 64), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(1, 1), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(538, 63), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(2, 2), kPanel);
}

TEST_F(PanelTest, TheCaptionFollowsTheNameAndIsDrawnCentred) {
    form->tile->SetVisible(false);
    TPanel* p = form->panel;
    EXPECT_EQ(p->GetCaption(), "Panel1");
    p->SetCaption("WWWW");
    p->GetFont()->SetColor(clBlack);
    test::Canvas32 pic(540, 65);
    p->PaintTo(pic.dc(), 0, 0);
    // Text pixels only around the middle.
    int left = 540, right = 0, top = 65, bottom = 0;
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 540; ++x)
            if (pic.At(x, y) == RGB(0, 0, 0)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_LT(left, right);
    EXPECT_NEAR((left + right) / 2, 270, 3);
    EXPECT_NEAR((top + bottom) / 2, 32, 3);
}

class BevelForm : public TForm {
public:
    explicit BevelForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetClientWidth(320);
        SetClientHeight(240);
        SetColor(static_cast<TColor>(kBack));
        bottom = new TBevel(this);
        bottom->SetParent(this);
        bottom->SetBounds(8, 24, 137, 10);
        bottom->SetShape(bsBottomLine);
        left = new TBevel(this);
        left->SetParent(this);
        left->SetBounds(200, 8, 9, 217);
        left->SetShape(bsLeftLine);
    }
    TBevel* bottom;
    TBevel* left;
};

TEST(Bevel, BottomAndLeftLinesAreAShadowAndAHighlightOverTheParent) {
    BevelForm form(Application);
    test::Canvas32 pic(320, 240);
    auto paint = [&] {
        pic.Fill(0);
        ::SendMessageW(form.GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
    };
    paint();
    // Bottom line: the last two rows of 8, 24, 137 x 10.
    EXPECT_EQ(pic.At(8, 32), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(144, 32), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(8, 33), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(70, 31), kBack);  // the rest lets the parent through
    EXPECT_EQ(pic.At(145, 32), kBack);
    // Left line: the first two columns of 200, 8, 9 x 217.
    EXPECT_EQ(pic.At(200, 8), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(200, 224), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(201, 100), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(202, 100), kBack);
    EXPECT_EQ(pic.At(200, 225), kBack);

    form.bottom->SetStyle(bsRaised);
    form.left->SetStyle(bsRaised);
    paint();
    EXPECT_EQ(pic.At(8, 32), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(8, 33), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(200, 100), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(201, 100), Sys(COLOR_BTNSHADOW));

    // A box: shadow above and left, highlight below and right, hollow inside.
    form.bottom->SetShape(bsBox);
    form.bottom->SetStyle(bsLowered);
    paint();
    EXPECT_EQ(pic.At(8, 24), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(144, 33), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(pic.At(50, 28), kBack);
}

}  // namespace
