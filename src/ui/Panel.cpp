#include "ui/Panel.h"

#include <algorithm>

#include "ui/Bevel.h"

int PanelEdgeWidth(TPanelBevel outer, TPanelBevel inner, int bevelWidth) {
    return (outer != bvNone ? bevelWidth : 0) + (inner != bvNone ? bevelWidth : 0);
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle({csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks});
    SetColor(clBtnFace);
    SetBounds(GetLeft(), GetTop(), 185, 41);
}

void TCustomPanel::SetBevelOuter(TPanelBevel bevel) {
    if (bevel == bevelOuter_) return;
    bevelOuter_ = bevel;
    EdgesChanged();
}

void TCustomPanel::SetBevelInner(TPanelBevel bevel) {
    if (bevel == bevelInner_) return;
    bevelInner_ = bevel;
    EdgesChanged();
}

void TCustomPanel::SetBevelWidth(int width) {
    width = std::max(width, 1);
    if (width == bevelWidth_) return;
    bevelWidth_ = width;
    EdgesChanged();
}

void TCustomPanel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TCustomPanel::EdgesChanged() {
    Realign();
    Invalidate();
}

void TCustomPanel::AlignControls(TRect& rect) {
    const int edge = PanelEdgeWidth(bevelOuter_, bevelInner_, bevelWidth_);
    ::InflateRect(&rect, -edge, -edge);
    rect.right = std::max(rect.right, rect.left);
    rect.bottom = std::max(rect.bottom, rect.top);
    TCustomControl::AlignControls(rect);
}

// The edges and a centred caption depend on the whole size.
void TCustomPanel::BoundsChanged() { Invalidate(); }

void TCustomPanel::TextChanged() { Invalidate(); }

void TCustomPanel::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = Rect(0, 0, GetWidth(), GetHeight());
    auto edge = [&](TPanelBevel bevel) {
        if (bevel == bvNone) return;
        bool raised = bevel == bvRaised;
        Frame3D(c, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, bevelWidth_);
    };
    edge(bevelOuter_);
    edge(bevelInner_);
    c->GetBrush()->SetColor(GetColor());
    c->FillRect(r);

    const std::string caption = GetCaption();
    if (caption.empty()) return;
    static const UINT align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    c->SetFont(GetFont());
    c->GetBrush()->SetStyle(bsClear);
    c->DrawText(caption, r, DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER | align[alignment_]);
}
