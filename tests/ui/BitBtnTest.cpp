// Bitmap buttons: clicks by mouse, Space, Enter and accelerator; the
// default button and its frame; the normal and disabled pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/BitBtn.h"
#include "ui/Edit.h"
#include "ui/Forms.h"

namespace {

const COLORREF kKey = RGB(0, 128, 128);     // the strip's transparent colour
const COLORREF kNormal = RGB(255, 0, 0);    // the first picture
const COLORREF kDisabled = RGB(0, 0, 255);  // the second picture
const COLORREF kFace = RGB(200, 210, 220);

// A 32 x 16 strip: two 16 x 16 pictures, each a 8 x 8 square on the key colour.
void MakeStrip(TBitmap* strip) {
    strip->SetSize(32, 16);
    TCanvas* c = strip->GetCanvas();
    c->GetBrush()->SetColor(static_cast<TColor>(kKey));
    c->FillRect(Rect(0, 0, 32, 16));
    c->GetBrush()->SetColor(static_cast<TColor>(kNormal));
    c->FillRect(Rect(4, 4, 12, 12));
    c->GetBrush()->SetColor(static_cast<TColor>(kDisabled));
    c->FillRect(Rect(20, 4, 28, 12));
}

class ButtonForm : public TForm {
public:
    explicit ButtonForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetBounds(60, 60, 320, 160);
        edit = new TEdit(this);
        edit->SetParent(this);
        edit->SetBounds(8, 8, 137, 21);
        add = new TBitBtn(this);
        add->SetParent(this);
        add->SetBounds(160, 8, 27, 25);
        add->SetCaption("");
        add->SetColor(static_cast<TColor>(kFace));
        TBitmap strip;
        MakeStrip(&strip);
        add->SetGlyph(&strip);
        add->SetNumGlyphs(2);
        add->SetDefault(true);
        other = new TBitBtn(this);
        other->SetParent(this);
        other->SetBounds(200, 8, 75, 25);
        other->SetCaption("&Otro");
    }
    TEdit* edit;
    TBitBtn* add;
    TBitBtn* other;
};

class BitBtnTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new ButtonForm(Application);
        form->add->OnClick = [this](TObject*) { log.push_back("add"); };
        form->other->OnClick = [this](TObject*) { log.push_back("other"); };
        ASSERT_TRUE(test::ShowActive(form));
        form->edit->SetFocus();
        ASSERT_TRUE(form->edit->Focused());
        log.clear();
    }
    void TearDown() override { delete form; }

    std::vector<std::string> log;
    ButtonForm* form = nullptr;
};

TEST_F(BitBtnTest, MouseClicksAndSpaceClickTheButton) {
    POINT p = test::ScreenPointOf(form->add, 13, 12);
    test::ClickAt(p.x, p.y);
    EXPECT_EQ(log, (std::vector<std::string>{"add"}));
    EXPECT_TRUE(form->add->Focused());
    // Two quick clicks are two clicks, not a double click that loses one.
    test::ClickAt(p.x, p.y);
    EXPECT_EQ(log.size(), 2u);

    log.clear();
    test::PressKey(VK_SPACE);
    EXPECT_EQ(log, (std::vector<std::string>{"add"}));

    // A press that is released away from the button is no click.
    log.clear();
    test::MouseMoveTo(p.x, p.y);
    test::MouseDown();
    POINT away = test::ScreenPointOf(form, 300, 120);
    test::MouseMoveTo(away.x, away.y);
    test::MouseUp();
    EXPECT_TRUE(log.empty());
}

TEST_F(BitBtnTest, EnterClicksTheDefaultButtonUnlessAnotherButtonHasTheFocus) {
    EXPECT_EQ(form->GetDefaultButton(), form->add);
    test::PressKey(VK_RETURN);  // the focus is on the edit field
    EXPECT_EQ(log, (std::vector<std::string>{"add"}));

    form->other->SetFocus();
    ASSERT_TRUE(form->other->Focused());
    log.clear();
    test::PressKey(VK_RETURN);
    EXPECT_EQ(log, (std::vector<std::string>{"other"}));

    form->add->SetDefault(false);
    EXPECT_EQ(form->GetDefaultButton(), nullptr);
    form->edit->SetFocus();
    ASSERT_TRUE(form->edit->Focused());
    log.clear();
    test::PressKey(VK_RETURN);
    EXPECT_TRUE(log.empty());
}

TEST_F(BitBtnTest, TheDefaultFrameFollowsTheFocus) {
    auto code = [](TBitBtn* b) { return ::SendMessageW(b->GetHandle(), WM_GETDLGCODE, 0, 0); };
    auto corner = [](TBitBtn* b) {
        test::Canvas32 pic(b->GetWidth(), b->GetHeight());
        b->PaintTo(pic.dc(), 0, 0);
        return pic.At(0, 0);
    };
    const COLORREF frame = ::GetSysColor(COLOR_WINDOWFRAME);
    // Focus on a field: the default button has the frame and speaks for Enter.
    EXPECT_TRUE(code(form->add) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(code(form->other) & DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(corner(form->add), frame);
    EXPECT_NE(corner(form->other), frame);

    // Focus on another button: that one has it.
    form->other->SetFocus();
    ASSERT_TRUE(form->other->Focused());
    EXPECT_TRUE(code(form->add) & DLGC_UNDEFPUSHBUTTON);
    EXPECT_TRUE(code(form->other) & DLGC_DEFPUSHBUTTON);
    EXPECT_NE(corner(form->add), frame);
    EXPECT_EQ(corner(form->other), frame);
}

TEST_F(BitBtnTest, TheFirstPictureShowsOnTheFaceAndTheSecondWhenDisabled) {
    TBitBtn* b = form->add;
    test::Canvas32 pic(27, 25);
    b->PaintTo(pic.dc(), 0, 0);
    // The 16 x 16 picture is centred: (5, 4); its square is at (9, 8)-(17, 16).
    EXPECT_EQ(pic.At(13, 12), kNormal);
    EXPECT_EQ(pic.At(6, 5), kFace);  // the key colour lets the face through
    EXPECT_EQ(pic.At(19, 12), kFace);

    b->SetEnabled(false);
    pic.Fill(0);
    b->PaintTo(pic.dc(), 0, 0);
    EXPECT_EQ(pic.At(13, 12), kDisabled);
    EXPECT_EQ(pic.At(6, 5), kFace);

    // With one picture, a disabled button embosses its outline.
    b->SetNumGlyphs(1);
    TBitmap single;
    single.SetSize(16, 16);
    single.GetCanvas()->GetBrush()->SetColor(static_cast<TColor>(kKey));
    single.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
    single.GetCanvas()->GetBrush()->SetColor(static_cast<TColor>(kNormal));
    single.GetCanvas()->FillRect(Rect(4, 4, 12, 12));
    b->SetGlyph(&single);
    pic.Fill(0);
    b->PaintTo(pic.dc(), 0, 0);
    EXPECT_EQ(pic.At(13, 12), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(pic.At(17, 16), ::GetSysColor(COLOR_BTNHIGHLIGHT));  // the light edge, one pixel off
    EXPECT_EQ(pic.At(6, 5), kFace);
}

TEST_F(BitBtnTest, ThePressedButtonShiftsItsPicture) {
    TBitBtn* b = form->add;
    ::SendMessageW(b->GetHandle(), BM_SETSTATE, TRUE, 0);
    test::Canvas32 pic(27, 25);
    b->PaintTo(pic.dc(), 0, 0);
    EXPECT_EQ(pic.At(17, 16), kNormal);  // one pixel right and down
    EXPECT_EQ(pic.At(9, 8), kFace);
    ::SendMessageW(b->GetHandle(), BM_SETSTATE, FALSE, 0);
}

TEST_F(BitBtnTest, TheAcceleratorClicksAButtonWithACaption) {
    test::PressKey('O', false, false);  // typed into the field: no accelerator
    EXPECT_TRUE(log.empty());
    test::PressAltKey('O');
    EXPECT_EQ(log, (std::vector<std::string>{"other"}));
}

}  // namespace
