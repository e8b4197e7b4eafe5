#include "ui/Bevel.h"

void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, int width) {
    TBrush* brush = canvas->GetBrush();
    for (int i = 0; i < width && RectWidth(r) > 0 && RectHeight(r) > 0; ++i) {
        // Filled one-pixel strips rather than pen lines: no end-point rules.
        brush->SetColor(topColor);
        canvas->FillRect(Rect(r.left, r.top, r.right - 1, r.top + 1));
        canvas->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom - 1));
        brush->SetColor(bottomColor);
        canvas->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom));
        canvas->FillRect(Rect(r.left, r.bottom - 1, r.right, r.bottom));
        ::InflateRect(&r, -1, -1);
    }
}

namespace {

// The two one-pixel lines of a line-shaped bevel, in its own coordinates:
// the first in the dark colour of a lowered bevel (the light one of a raised
// bevel), the second in the other, beside it towards the inside.
struct TBevelLines {
    TRect First{}, Second{};
};

TBevelLines BevelLinesOf(TBevelShape shape, int w, int h) {
    TBevelLines l;
    switch (shape) {
        case bsTopLine:
            l.First = Rect(0, 0, w, 1);
            l.Second = Rect(0, 1, w, 2);
            break;
        case bsBottomLine:
            l.First = Rect(0, h - 2, w, h - 1);
            l.Second = Rect(0, h - 1, w, h);
            break;
        case bsLeftLine:
            l.First = Rect(0, 0, 1, h);
            l.Second = Rect(1, 0, 2, h);
            break;
        case bsRightLine:
            l.First = Rect(w - 2, 0, w - 1, h);
            l.Second = Rect(w - 1, 0, w, h);
            break;
        default:
            break;
    }
    return l;
}

}  // namespace

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(GetLeft(), GetTop(), 50, 50);
}

void TBevel::SetShape(TBevelShape shape) {
    if (shape == shape_) return;
    shape_ = shape;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
    if (style == style_) return;
    style_ = style;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = GetCanvas();
    const TColor dark = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor light = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    const int w = GetWidth(), h = GetHeight();
    switch (shape_) {
        case bsBox: {
            TRect r = Rect(0, 0, w, h);
            Frame3D(c, r, dark, light, 1);
            break;
        }
        case bsFrame: {
            // Two offset boxes make an engraved (or embossed) groove.
            TRect outer = Rect(1, 1, w, h);
            Frame3D(c, outer, light, light, 1);
            TRect inner = Rect(0, 0, w - 1, h - 1);
            Frame3D(c, inner, dark, dark, 1);
            break;
        }
        case bsSpacer:
            break;
        default: {
            TBevelLines l = BevelLinesOf(shape_, w, h);
            c->GetBrush()->SetColor(dark);
            c->FillRect(l.First);
            c->GetBrush()->SetColor(light);
            c->FillRect(l.Second);
            break;
        }
    }
}
