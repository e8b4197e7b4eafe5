// Labels: auto-size (also for labels read from a window definition),
// transparency over the parent and the controls below, word wrap and
// alignment, seen as pixels.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/TestSupport.h"
#include "ui/Forms.h"
#include "ui/Label.h"
#include "base/Unicode.h"

namespace {

const COLORREF kBack = RGB(255, 0, 0);
const COLORREF kLabel = RGB(0, 0, 255);
const COLORREF kBelow = RGB(0, 200, 0);
const COLORREF kInk = RGB(0, 0, 0);

class Block : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override {
        GetCanvas()->GetBrush()->SetColor(static_cast<TColor>(kBelow));
        GetCanvas()->FillRect(GetClientRect());
    }
};

class LabelForm : public TForm {
public:
    explicit LabelForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetClientWidth(300);
        SetClientHeight(200);
        SetColor(static_cast<TColor>(kBack));
        label = new TLabel(this);
        label->SetParent(this);
        label->SetLeft(10);
        label->SetTop(10);
        label->GetFont()->SetColor(static_cast<TColor>(kInk));
    }
    TLabel* label;
};

// The extent of the label's caption as DrawText measures it in its font.
SIZE TextSize(TLabel* label, const std::string& text) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, label->GetFont()->GetHandle());
    RECT r{0, 0, 0, 0};
    ::DrawTextW(dc, base::Wide(text).c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return SIZE{r.right, r.bottom};
}

// The bounding box of the ink colour in the picture.
RECT InkBox(const test::Canvas32& pic) {
    RECT box{pic.width(), pic.height(), -1, -1};
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            if (pic.At(x, y) == kInk) {
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

void PaintForm(TForm& form, test::Canvas32& pic) {
    pic.Fill(0);
    ::SendMessageW(form.GetHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc()), PRF_CLIENT);
}

TEST(Label, AutoSizeFitsTheCaptionAndFollowsTheFont) {
    LabelForm form(Application);
    TLabel* l = form.label;
    l->SetCaption("Ficheros a buscar");
    SIZE s = TextSize(l, "Ficheros a buscar");
    EXPECT_EQ(l->GetWidth(), s.cx);
    EXPECT_EQ(l->GetHeight(), s.cy);

    l->GetFont()->SetStyle({fsBold});
    l->GetFont()->SetHeight(-20);
    s = TextSize(l, "Ficheros a buscar");
    EXPECT_EQ(l->GetWidth(), s.cx);
    EXPECT_EQ(l->GetHeight(), s.cy);

    // Right-justified, it grows to the left.
    l->SetAlignment(taRightJustify);
    const int right = l->GetLeft() + l->GetWidth();
    l->SetCaption("Kb");
    EXPECT_EQ(l->GetLeft() + l->GetWidth(), right);
    EXPECT_EQ(l->GetWidth(), TextSize(l, "Kb").cx);

    // Without auto-size the size stays.
    l->SetAutoSize(false);
    l->SetCaption("a much longer caption than before");
    EXPECT_EQ(l->GetWidth(), TextSize(l, "Kb").cx);
}

TEST(Label, ALabelReadFromAWindowDefinitionFitsItsCaption) {
    LabelForm form(Application);
    TLabel* kb = nullptr;
    form.Define([&] {
        kb = NewControl<TLabel>(&form, "Label1", &form);
        kb->SetLeft(472);
        kb->SetTop(144);
        kb->SetCaption("Kb");
        kb->GetFont()->SetStyle({fsBold});
    });
    EXPECT_EQ(kb->GetCaption(), "Kb");
    EXPECT_EQ(kb->GetWidth(), TextSize(kb, "Kb").cx);
    EXPECT_EQ(kb->GetHeight(), TextSize(kb, "Kb").cy);
    EXPECT_EQ(kb->GetLeft(), 472);
}

TEST(Label, ATransparentLabelLetsTheParentAndTheControlsBelowShowThrough) {
    LabelForm form(Application);
    auto* below = new Block(&form);
    below->SetParent(&form);
    below->SetBounds(0, 0, 300, 15);  // under the label's upper part
    TLabel* l = form.label;
    l->SetParent(nullptr);
    l->SetParent(&form);  // now above the block
    l->SetCaption("__");
    l->SetColor(static_cast<TColor>(kLabel));
    test::Canvas32 pic(300, 200);
    PaintForm(form, pic);
    // Opaque: the label's own colour around the ink.
    EXPECT_EQ(pic.At(11, 11), kLabel);
    EXPECT_EQ(pic.At(11, 16), kLabel);

    l->SetTransparent(true);
    PaintForm(form, pic);
    EXPECT_EQ(pic.At(11, 11), kBelow);
    EXPECT_EQ(pic.At(11, 16), kBack);
    EXPECT_GE(InkBox(pic).right, 11);  // the caption is still drawn
}

TEST(Label, WordWrapBreaksLinesWithinTheWidth) {
    LabelForm form(Application);
    TLabel* l = form.label;
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 145, 145);
    l->SetCaption("ara conseguir más información sobre el uso del programa, notificar la existencia de errores");
    test::Canvas32 pic(300, 200);
    PaintForm(form, pic);
    const int line = TextSize(l, "X").cy;
    RECT box = InkBox(pic);
    EXPECT_LT(box.bottom, 10 + line + 1);  // one line, cut at the label's edge
    EXPECT_LE(box.right, 155);

    l->SetWordWrap(true);
    PaintForm(form, pic);
    box = InkBox(pic);
    EXPECT_GT(box.bottom, 10 + 3 * line);  // several lines
    EXPECT_LE(box.right, 155);
}

TEST(Label, AlignmentPlacesTheCaptionWithinTheLabel) {
    LabelForm form(Application);
    TLabel* l = form.label;
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 200, 20);
    l->SetCaption("WW");
    test::Canvas32 pic(300, 200);
    PaintForm(form, pic);
    RECT box = InkBox(pic);
    EXPECT_LE(box.left, 12);

    l->SetAlignment(taRightJustify);
    PaintForm(form, pic);
    box = InkBox(pic);
    EXPECT_GE(box.right, 207);
    EXPECT_LE(box.right, 210);

    l->SetAlignment(taCenter);
    PaintForm(form, pic);
    box = InkBox(pic);
    EXPECT_NEAR((box.left + box.right) / 2, 110, 2);
}

}  // namespace
