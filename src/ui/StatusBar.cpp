#include "ui/StatusBar.h"

#include <commctrl.h>

#include <algorithm>

#include "base/Unicode.h"

namespace {
// SB_SETTEXT takes the panel's index in the low byte of wParam.
constexpr int kMaxParts = 256;
constexpr UINT_PTR kFlushTimer = 0x5B17;
}  // namespace

namespace ui {

std::string StatusPanelWindowText(const std::string& text, TAlignment alignment) {
    switch (alignment) {
        case taCenter: return "\t" + text;
        case taRightJustify: return "\t\t" + text;
        default: return text;
    }
}

std::vector<int> StatusPartEdges(const std::vector<int>& widths, int barWidth) {
    int fixed = 0;
    for (int w : widths) fixed += std::max(w, 0);
    int rest = std::max(barWidth - fixed, 0);
    std::vector<int> edges;
    edges.reserve(widths.size());
    int right = 0;
    for (int w : widths) {
        if (w < 0) {
            right += rest;
            rest = 0;
        } else {
            right += w;
        }
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
    p.StockClass = STATUSCLASSNAMEW;
    // The window's caption would become the first panel's text.
    p.Caption.clear();
    // The form places the bar (Align); the control must not move itself.
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (sizeGrip_) p.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
    TWinControl::CreateWnd();
    flushPending_ = false;  // a timer of an earlier window went with it
    UpdateParts();
}

void TStatusBar::WndProc(TMessage& m) {
    if (m.Msg == WM_TIMER && m.WParam == kFlushTimer) {
        FlushTexts();
        return;
    }
    TWinControl::WndProc(m);
    // A panel that takes the rest of the bar follows its width.
    if (m.Msg == WM_SIZE) UpdateParts();
}

void TStatusBar::SetTextInterval(UINT interval) {
    textInterval_ = interval;
    if (!interval) FlushTexts();
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
    std::vector<int> edges = ui::StatusPartEdges(widths, GetClientWidth());
    if (edges.empty()) edges.push_back(-1);  // one empty part rather than none
    const int count = std::min(static_cast<int>(edges.size()), kMaxParts);
    ::SendMessageW(GetHandle(), SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges.data()));
    // New parts (or a new window) have no texts yet: all of them go now.
    changed_.assign(static_cast<std::size_t>(std::min(panels_.GetCount(), count)), true);
    FlushTexts();
}

void TStatusBar::UpdatePanelText(const TStatusPanel& panel) {
    if (!HandleAllocated() || panel.GetIndex() >= kMaxParts) return;
    const auto index = static_cast<std::size_t>(panel.GetIndex());
    if (changed_.size() <= index) changed_.resize(index + 1);
    changed_[index] = true;
    const DWORD since = ::GetTickCount() - lastFlush_;
    if (!textInterval_ || since >= textInterval_) {
        FlushTexts();
    } else if (!flushPending_) {
        flushPending_ = ::SetTimer(GetHandle(), kFlushTimer, textInterval_ - since, nullptr) != 0;
        if (!flushPending_) FlushTexts();
    }
}

void TStatusBar::FlushTexts() {
    if (!HandleAllocated()) return;
    if (flushPending_) ::KillTimer(GetHandle(), kFlushTimer);
    flushPending_ = false;
    lastFlush_ = ::GetTickCount();
    for (std::size_t i = 0; i < changed_.size(); ++i) {
        if (!changed_[i]) continue;
        changed_[i] = false;
        const TStatusPanel& panel = *panels_.GetItem(static_cast<int>(i));
        const std::wstring text = base::Wide(ui::StatusPanelWindowText(panel.GetText(), panel.GetAlignment()));
        ::SendMessageW(GetHandle(), SB_SETTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.c_str()));
    }
}
