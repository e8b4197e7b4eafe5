// TExtraLabel: a one-line label that can draw a drop shadow under its
// caption and its first letter in a font of its own, as the section headings
// of the windows do.
//
// The caption always starts at the left edge, is never wrapped, and "&" is
// an ordinary character. The label paints no background of its own unless
// it is made opaque.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/Label.h"

enum TShadowStyle : std::uint8_t {
    ssNone,    // no shadow
    ssCustom,  // the whole caption again in ShadowFont
    ssSemi,    // the first letter in RemarkFont, the rest in ShadowFont, all in the shadow colour
    ssAuto     // the main text's own shapes in the shadow colour
};

// Rounds to the nearest integer, halves to the even neighbour, whatever the
// processor's rounding mode is.
long double RoundHalfEven(long double value);

// The shadow's offset for a direction in degrees (clockwise from the
// positive x axis, y growing downward) and a length in pixels, computed in
// extended precision.
TPoint ShadowOffsets(int angle, int depth);

class TExtraLabel : public TCustomLabel {
public:
    explicit TExtraLabel(TComponent* owner);
    ~TExtraLabel() override;

    // Leaving ssNone greys the shadow font.
    TShadowStyle GetShadow() const { return shadow_; }
    void SetShadow(TShadowStyle shadow);
    // The shadow's font; only its colour counts for ssAuto and for the
    // shadow of the first letter.
    TFont* GetShadowFont() const { return shadowFont_.get(); }
    void SetShadowFont(const TFont* font) { shadowFont_->Assign(font); }
    // Turning it on reddens RemarkFont.
    bool GetRemarkFirstLetter() const { return remarkFirstLetter_; }
    void SetRemarkFirstLetter(bool remark);
    TFont* GetRemarkFont() const { return remarkFont_.get(); }
    void SetRemarkFont(const TFont* font) { remarkFont_->Assign(font); }

    // Offsets of the shadow, -7..7 pixels. Setting one while there is no
    // shadow turns the automatic shadow on.
    int GetShadowPosX() const { return shadowPosX_; }
    void SetShadowPosX(int x);
    int GetShadowPosY() const { return shadowPosY_; }
    void SetShadowPosY(int y);
    // Direction (0..359 degrees; other values are taken modulo 360) and
    // length (0..7) of the shadow; both set the offsets.
    int GetShadowAngle() const { return shadowAngle_; }
    void SetShadowAngle(int angle);
    int GetShadowDepth() const { return shadowDepth_; }
    void SetShadowDepth(int depth);

    // The rest of the caption starts at half the first letter's width, over
    // it. Turning it on turns RemarkFirstLetter on, without reddening.
    bool GetOverlap() const { return overlap_; }
    void SetOverlap(bool overlap);

protected:
    void Paint() override;
    // With AutoSize: the caption's extent, widened by the first letter's font
    // and the shadow's font and offsets.
    void AdjustBounds() override;

private:
    void Changed();
    void OffsetsChanged();
    void OffsetsFromDirection();

    TShadowStyle shadow_ = ssNone;
    std::unique_ptr<TFont> shadowFont_;
    bool remarkFirstLetter_ = false;
    std::unique_ptr<TFont> remarkFont_;
    std::int8_t shadowPosX_ = 5;
    std::int8_t shadowPosY_ = 5;
    std::uint16_t shadowAngle_ = 45;
    std::uint8_t shadowDepth_ = 7;
    bool overlap_ = false;
};
