#include "controls/BtChkBox.h"

#include <algorithm>

namespace bitcheck {

int ClampCellCount(int count) { return std::clamp(count, 1, 2); }

int CellCountOf(int width, int height) {
    if (width <= 0 || height <= 0 || width % height != 0) return 0;
    return width / height;
}

TRect CaptionRect(const TRect& client, TLeftRight alignment, int cellWidth, TSize captionExtent, int ampersandWidth) {
    TRect t;
    t.left = alignment == taLeftJustify ? 1 : cellWidth + 4;
    t.right = t.left + captionExtent.cx - ampersandWidth;
    t.top = (RectHeight(client) - captionExtent.cy) / 2 - 2;
    t.bottom = t.top + captionExtent.cy + 3;
    TRect cut;
    ::IntersectRect(&cut, &t, &client);
    return cut;
}

TRect GlyphRect(const TRect& client, TLeftRight alignment, int cellWidth, int glyphHeight) {
    const int left = alignment == taLeftJustify ? RectWidth(client) - cellWidth : 0;
    const int top = (RectHeight(client) - glyphHeight) / 2;
    return Bounds(left, top, cellWidth, glyphHeight);
}

}  // namespace bitcheck

TBitCheckBox::TBitCheckBox(TComponent* owner)
    : TGraphicControl(owner), checkedGlyph_(new TBitmap), uncheckedGlyph_(new TBitmap), grayedGlyph_(new TBitmap) {
    // No capture and no double clicks: a quick second click is one more toggle.
    SetControlStyle({csClickEvents, csSetCaption});
    SetParentColor(true);
    SetAlignment(taRightJustify);
    SetChecked(false);
    SetBounds(GetLeft(), GetTop(), 97, 17);
    SetAllowGrayed(false);
    GetCanvas()->SetFont(GetFont());
    SetCheckedGlyph(nullptr);
    SetGrayedGlyph(nullptr);
    SetUncheckedGlyph(nullptr);
    SetCheckedNumGlyphs(1);
    SetGrayedNumGlyphs(1);
    SetUncheckedNumGlyphs(1);
}

TBitCheckBox::~TBitCheckBox() = default;

void TBitCheckBox::LoadGlyph(TBitmap& glyph, const TBitmap* source, const char* resourceName,
                             void (TBitCheckBox::*setCount)(int)) {
    if (source)
        glyph.Assign(source);
    else
        glyph.LoadFromResourceName(::GetModuleHandleW(nullptr), resourceName);
    if (int cells = bitcheck::CellCountOf(glyph.GetWidth(), glyph.GetHeight())) (this->*setCount)(cells);
    Invalidate();
}

void TBitCheckBox::SetCheckedGlyph(const TBitmap* glyph) {
    LoadGlyph(*checkedGlyph_, glyph, "CHECKED", &TBitCheckBox::SetCheckedNumGlyphs);
}

void TBitCheckBox::SetUncheckedGlyph(const TBitmap* glyph) {
    LoadGlyph(*uncheckedGlyph_, glyph, "UNCHECKED", &TBitCheckBox::SetUncheckedNumGlyphs);
}

void TBitCheckBox::SetGrayedGlyph(const TBitmap* glyph) {
    LoadGlyph(*grayedGlyph_, glyph, "GRAYED", &TBitCheckBox::SetGrayedNumGlyphs);
}

void TBitCheckBox::StoreCount(int& field, int count) {
    field = bitcheck::ClampCellCount(count);
    Invalidate();
}

void TBitCheckBox::SetCheckedNumGlyphs(int count) { StoreCount(checkedNumGlyphs_, count); }
void TBitCheckBox::SetGrayedNumGlyphs(int count) { StoreCount(grayedNumGlyphs_, count); }
void TBitCheckBox::SetUncheckedNumGlyphs(int count) { StoreCount(uncheckedNumGlyphs_, count); }

void TBitCheckBox::SetAlignment(TLeftRight alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TBitCheckBox::SetState(TCheckBoxState state) {
    if (state == state_) return;
    state_ = state;
    Invalidate();
}

void TBitCheckBox::SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }

void TBitCheckBox::Toggle() {
    switch (state_) {
        case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
        case cbChecked: SetState(cbUnchecked); break;
        case cbGrayed: SetState(cbChecked); break;
    }
}

void TBitCheckBox::Click() {
    Toggle();
    TGraphicControl::Click();
}

void TBitCheckBox::EnabledChanged() {
    TGraphicControl::EnabledChanged();
    Invalidate();
}

void TBitCheckBox::FontChanged() {
    // The caption is measured and drawn with the canvas font.
    GetCanvas()->SetFont(GetFont());
    TGraphicControl::FontChanged();
}

void TBitCheckBox::TextChanged() {
    TGraphicControl::TextChanged();
    Invalidate();
}

void TBitCheckBox::SysColorChanged() {
    TGraphicControl::SysColorChanged();
    Invalidate();
}

void TBitCheckBox::WndProc(TMessage& message) {
    TGraphicControl::WndProc(message);
    switch (message.Msg) {
        case CM_CTL3DCHANGED:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Invalidate();
            break;
        default:
            break;
    }
}

void TBitCheckBox::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetBrush()->SetStyle(bsClear);

    TBitmap* glyph = uncheckedGlyph_.get();
    int cells = uncheckedNumGlyphs_;
    if (state_ == cbChecked) {
        glyph = checkedGlyph_.get();
        cells = checkedNumGlyphs_;
    } else if (state_ == cbGrayed) {
        glyph = grayedGlyph_.get();
        cells = grayedNumGlyphs_;
    }
    const int cellWidth = glyph->GetWidth() / cells;
    const TRect client = GetClientRect();
    const std::string caption = GetCaption();

    const int ampersand = caption.find('&') != std::string::npos ? canvas->TextWidth("&") : 0;
    TRect text = bitcheck::CaptionRect(client, alignment_, cellWidth, canvas->TextExtent(caption), ampersand);
    // "&" marks the accelerator, which DrawText underlines; "&&" is one ampersand.
    const UINT format = DT_SINGLELINE | DT_VCENTER;
    const TColor fontColor = canvas->GetFont()->GetColor();
    if (GetEnabled()) {
        canvas->DrawText(caption, text, format);
    } else {
        ::OffsetRect(&text, 1, 1);
        canvas->GetFont()->SetColor(clBtnHighlight);
        canvas->DrawText(caption, text, format);
        ::OffsetRect(&text, -1, -1);
        canvas->GetFont()->SetColor(clGrayText);
        canvas->DrawText(caption, text, format);
    }
    canvas->GetFont()->SetColor(fontColor);

    // The picture goes over the caption where they meet; its transparent
    // pixels take the box's colour.
    canvas->GetBrush()->SetColor(GetColor());
    canvas->GetBrush()->SetStyle(bsSolid);
    const int height = glyph->GetHeight();
    const int sourceLeft = !GetEnabled() && cells == 2 ? cellWidth : 0;
    canvas->BrushCopy(bitcheck::GlyphRect(client, alignment_, cellWidth, height), glyph,
                      Rect(sourceLeft, 0, sourceLeft + cellWidth, height), glyph->GetTransparentColor());
}
