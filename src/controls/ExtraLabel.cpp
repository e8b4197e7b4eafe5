#include "controls/ExtraLabel.h"

#include <algorithm>
#include <cmath>

long double RoundHalfEven(long double value) {
    const long double below = std::floor(value);
    const long double fraction = value - below;
    if (fraction > 0.5L) return below + 1;
    if (fraction < 0.5L) return below;
    return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

TPoint ShadowOffsets(int angle, int depth) {
    const long double r = angle * 0.017453292519943295L;  // pi / 180
    const long double length = depth;
    return Point(static_cast<int>(RoundHalfEven(std::cos(r) * length)),
                 static_cast<int>(RoundHalfEven(std::sin(r) * length)));
}

TExtraLabel::TExtraLabel(TComponent* owner)
    : TCustomLabel(owner), shadowFont_(new TFont), remarkFont_(new TFont) {
    SetTransparent(true);
    SetCaption(GetName());
    GetCanvas()->GetBrush()->SetStyle(bsClear);
    shadowFont_->OnChange = [this](TObject*) { Changed(); };
    remarkFont_->OnChange = [this](TObject*) { Changed(); };
    AdjustBounds();
}

TExtraLabel::~TExtraLabel() {
    shadowFont_.reset();
    remarkFont_.reset();
}

// Redraws at once, after taking the size the change asks for.
void TExtraLabel::Changed() {
    AdjustBounds();
    Repaint();
}

void TExtraLabel::SetShadow(TShadowStyle shadow) {
    if (shadow == shadow_) return;
    if (shadow_ == ssNone) shadowFont_->SetColor(clGray);
    shadow_ = shadow;
    Changed();
}

void TExtraLabel::SetRemarkFirstLetter(bool remark) {
    if (remark && !remarkFirstLetter_) remarkFont_->SetColor(clRed);
    remarkFirstLetter_ = remark;
    Changed();
}

void TExtraLabel::SetOverlap(bool overlap) {
    overlap_ = overlap;
    if (overlap) remarkFirstLetter_ = true;
    Changed();
}

// Moving a shadow that is not drawn asks for one.
void TExtraLabel::OffsetsChanged() {
    if (shadow_ != ssNone)
        Changed();
    else
        SetShadow(ssAuto);
}

void TExtraLabel::SetShadowPosX(int x) {
    x = std::clamp(x, -7, 7);
    if (x == shadowPosX_) return;
    shadowPosX_ = static_cast<std::int8_t>(x);
    OffsetsChanged();
}

void TExtraLabel::SetShadowPosY(int y) {
    y = std::clamp(y, -7, 7);
    if (y == shadowPosY_) return;
    shadowPosY_ = static_cast<std::int8_t>(y);
    OffsetsChanged();
}

void TExtraLabel::OffsetsFromDirection() {
    const TPoint offset = ShadowOffsets(shadowAngle_, shadowDepth_);
    shadowPosY_ = static_cast<std::int8_t>(offset.y);
    shadowPosX_ = static_cast<std::int8_t>(offset.x);
    OffsetsChanged();
}

void TExtraLabel::SetShadowAngle(int angle) {
    angle %= 360;
    if (angle < 0) angle += 360;
    if (angle == shadowAngle_) return;
    shadowAngle_ = static_cast<std::uint16_t>(angle);
    OffsetsFromDirection();
}

void TExtraLabel::SetShadowDepth(int depth) {
    depth = std::clamp(depth, 0, 7);
    if (depth == shadowDepth_) return;
    shadowDepth_ = static_cast<std::uint8_t>(depth);
    OffsetsFromDirection();
}

void TExtraLabel::AdjustBounds() {
    if (!GetAutoSize() || IsLoading()) return;
    TCanvas* canvas = GetCanvas();
    const std::string caption = GetCaption();
    canvas->SetFont(GetFont());
    auto extent = [canvas](const std::string& text, int& width, int& height) {
        const TSize size = canvas->TextExtent(text);
        width = size.cx;
        height = size.cy;
    };
    int w, h;
    extent(caption, w, h);
    if (remarkFirstLetter_) {
        // The first letter's font may be larger than the rest's; the overlap
        // does not count, so the label stays wide enough without it.
        int firstW, firstH, restW, restH;
        canvas->SetFont(remarkFont_.get());
        extent(caption.substr(0, 1), firstW, firstH);
        canvas->SetFont(GetFont());
        extent(caption.empty() ? caption : caption.substr(1), restW, restH);
        w = std::max(w, firstW + restW);
        h = std::max({h, firstH, restH});
    }
    if (shadow_ == ssCustom || shadow_ == ssSemi) {
        int shadowW, shadowH;
        canvas->SetFont(shadowFont_.get());
        extent(caption, shadowW, shadowH);
        h = std::max(h, shadowH + shadowPosY_);
        w = std::max(w, shadowW + shadowPosX_);
    } else if (shadow_ == ssAuto) {
        // Negative offsets make the label smaller than its text.
        w += shadowPosX_;
        h += shadowPosY_;
    }
    SetHeight(std::max(h, 0));
    SetWidth(std::max(w, 0));
}

void TExtraLabel::Paint() {
    TCanvas* canvas = GetCanvas();
    if (!GetTransparent()) {
        canvas->GetBrush()->SetColor(GetColor());
        canvas->FillRect(GetClientRect());
    }
    // Later text lies over earlier text: the shadow first, then the caption.
    canvas->GetBrush()->SetStyle(bsClear);
    const int middle = GetHeight() / 2;
    const std::string caption = GetCaption();
    if (caption.empty()) return;
    const std::string first = caption.substr(0, 1), rest = caption.substr(1);
    // Every piece is centred on the middle line by the font it is drawn in.
    auto top = [&](int dy) { return middle + dy - canvas->TextHeight(caption) / 2; };
    auto drawPieces = [&](int dx, int dy, const TFont* restFont, const TColor* color) {
        int indent = 0;
        std::string text = caption;
        if (remarkFirstLetter_) {
            canvas->SetFont(remarkFont_.get());
            if (color) canvas->GetFont()->SetColor(*color);
            indent = canvas->TextWidth(first);
            canvas->TextOut(dx, top(dy), first);
            text = rest;
        }
        canvas->SetFont(restFont);
        if (color) canvas->GetFont()->SetColor(*color);
        if (overlap_) indent /= 2;
        canvas->TextOut(dx + indent, top(dy), text);
    };

    const TColor shadowColor = shadowFont_->GetColor();
    switch (shadow_) {
        case ssNone:
            break;
        case ssCustom:
            canvas->SetFont(shadowFont_.get());
            canvas->TextOut(shadowPosX_, top(shadowPosY_), caption);
            break;
        case ssSemi:
            drawPieces(shadowPosX_, shadowPosY_, shadowFont_.get(), &shadowColor);
            break;
        case ssAuto:
            drawPieces(shadowPosX_, shadowPosY_, GetFont(), &shadowColor);
            break;
    }
    drawPieces(0, 0, GetFont(), nullptr);
}
