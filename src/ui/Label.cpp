#include "ui/Label.h"

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle({csSetCaption, csOpaque, csClickEvents});
    SetParentColor(true);
    SetBounds(GetLeft(), GetTop(), 65, 17);
}

void TCustomLabel::SetAutoSize(bool autoSize) {
    if (autoSize == autoSize_) return;
    autoSize_ = autoSize;
    AdjustBounds();
}

void TCustomLabel::SetTransparent(bool transparent) {
    if (transparent == GetTransparent()) return;
    SetControlStyleItem(csOpaque, !transparent);
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool wordWrap) {
    if (wordWrap == wordWrap_) return;
    wordWrap_ = wordWrap;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool show) {
    if (show == showAccelChar_) return;
    showAccelChar_ = show;
    AdjustBounds();
    Invalidate();
}

UINT TCustomLabel::DrawTextFormat() const {
    static const UINT align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    UINT format = DT_EXPANDTABS | align[alignment_];
    format |= wordWrap_ ? DT_WORDBREAK : 0;
    if (!showAccelChar_) format |= DT_NOPREFIX;
    return format;
}

void TCustomLabel::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    if (!GetTransparent()) {
        c->GetBrush()->SetColor(GetColor());
        c->FillRect(r);
    }
    c->GetBrush()->SetStyle(bsClear);
    c->SetFont(GetFont());
    std::string text = GetCaption();
    if (!GetEnabled()) {
        TRect shifted = r;
        ::OffsetRect(&shifted, 1, 1);
        c->GetFont()->SetColor(clBtnHighlight);
        c->DrawText(text, shifted, DrawTextFormat());
        c->GetFont()->SetColor(clBtnShadow);
    }
    c->DrawText(text, r, DrawTextFormat());
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || IsLoading()) return;
    TCanvas* c = GetCanvas();
    c->SetFont(GetFont());
    TRect r = Rect(0, 0, wordWrap_ ? GetWidth() : 0, 0);
    std::string text = GetCaption();
    // An empty caption still takes one line's height.
    c->DrawText(text.empty() ? std::string(" ") : text, r, DrawTextFormat() | DT_CALCRECT);
    int left = GetLeft();
    if (alignment_ == taRightJustify && !wordWrap_) left += GetWidth() - r.right;
    SetBounds(left, GetTop(), r.right, r.bottom);
}

// Sizing waits while a window definition is applied (the caption and font
// come one after the other); once it is done the label fits what it got.
void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::TextChanged() {
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}
