#include "ui/StatusBar.h"

#include <commctrl.h>

#include <algorithm>

namespace {
// SB_SETTEXT takes the panel's index in the low byte of wParam.
constexpr int kMaxParts = 256;
}  // namespace

namespace ui {

std::string StatusPanelWindowText(const std::string& text, TAlignment alignment) {
    switch (alignment) {
        case taCenter: return "\t" + text;
        case taRightJustify: return "\t\t" + text;
        default: return text;
    }
}

std::vector<int> StatusPartEdges(const std::vector<int>& widths) {
    std::vector<int> edges;
    edges.reserve(widths.size());
    int right = 0;
    for (int w : widths) {
        right += w > 0 ? w : 0;
        edges.push_back(right);
    }
    if (!edges.empty()) edges.back() = -1;
    return edges;
}

}  // namespace ui

// ---------------------------------------------------------------- panels

void TStatusPanel::SetText(const std::string& text) {
    // The search writes its counters for every result; an unchanged text
    // must not make the bar repaint.
    if (text == text_) return;
    text_ = text;
    bar_->UpdatePanelText(*this);
}

void TStatusPanel::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    bar_->UpdateParts();
}

void TStatusPanel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    bar_->UpdatePanelText(*this);
}

TStatusPanel* TStatusPanels::Add() {
    items_.emplace_back(new TStatusPanel(bar_, GetCount()));
    bar_->UpdateParts();
    return items_.back().get();
}

// ---------------------------------------------------------------- TStatusBar

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.StockClass = STATUSCLASSNAMEA;
    // The window's caption would become the first panel's text.
    p.Caption.clear();
    // The form places the bar (Align); the control must not move itself.
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (sizeGrip_) p.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateParts();
}

void TStatusBar::SetSizeGrip(bool sizeGrip) {
    if (sizeGrip == sizeGrip_) return;
    sizeGrip_ = sizeGrip;
    RecreateWnd();
}

void TStatusBar::UpdateParts() {
    if (!HandleAllocated()) return;
    std::vector<int> widths;
    for (int i = 0; i < panels_.GetCount(); ++i) widths.push_back(panels_.GetItem(i)->GetWidth());
    std::vector<int> edges = ui::StatusPartEdges(widths);
    if (edges.empty()) edges.push_back(-1);  // one empty part rather than none
    const int count = std::min(static_cast<int>(edges.size()), kMaxParts);
    ::SendMessageA(GetHandle(), SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < std::min(panels_.GetCount(), count); ++i) UpdatePanelText(*panels_.GetItem(i));
}

void TStatusBar::UpdatePanelText(const TStatusPanel& panel) {
    if (!HandleAllocated() || panel.GetIndex() >= kMaxParts) return;
    std::string text = ui::StatusPanelWindowText(panel.GetText(), panel.GetAlignment());
    ::SendMessageA(GetHandle(), SB_SETTEXTA, static_cast<WPARAM>(panel.GetIndex()),
                   reinterpret_cast<LPARAM>(text.c_str()));
}
