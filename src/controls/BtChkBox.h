// TBitCheckBox: a three-state check box drawn entirely from bitmaps, one
// picture per state, with the caption beside it.
//
// It is windowless: it takes no keyboard focus, and its parent routes the
// mouse to it. A click toggles the state first and fires OnClick afterwards,
// so a handler reads the new state. Without csDoubleClicks a double click
// arrives as a second click and toggles twice.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/Controls.h"

enum TCheckBoxState : std::uint8_t { cbUnchecked, cbChecked, cbGrayed };

// Layout rules of the box, in client coordinates.
namespace bitcheck {

// A glyph bitmap holds one or two cells side by side: the enabled look and,
// optionally, the disabled one. Counts outside 1..2 are brought into it.
int ClampCellCount(int count);

// The cell count a glyph of this size announces (width an exact multiple of
// the height: width div height, before clamping), or 0 when it says nothing.
// A glyph without height announces nothing.
int CellCountOf(int width, int height);

// Where the caption is drawn: beside the cell, as high as the caption plus
// three pixels and raised two above centre, cut to the client area. DrawText
// does not draw the ampersand that marks an accelerator, so the rectangle is
// one ampersand narrower than the measured caption when it has any
// (ampersandWidth is 0 when the caption has none).
TRect CaptionRect(const TRect& client, TLeftRight alignment, int cellWidth, TSize captionExtent, int ampersandWidth);

// Where the cell is drawn: against the left edge (taRightJustify) or the
// right edge (taLeftJustify), centred vertically.
TRect GlyphRect(const TRect& client, TLeftRight alignment, int cellWidth, int glyphHeight);

}  // namespace bitcheck

class TBitCheckBox : public TGraphicControl {
public:
    // Loads the default pictures "CHECKED", "GRAYED" and "UNCHECKED" from the
    // executable's resources; a missing one raises EResNotFound.
    explicit TBitCheckBox(TComponent* owner);
    ~TBitCheckBox() override;

    // The glyph setters copy the bitmap given; none given loads the default
    // picture of that state. A glyph whose width is an exact multiple of its
    // height sets its cell count to width div height (kept within 1..2).
    TBitmap* GetCheckedGlyph() const { return checkedGlyph_.get(); }
    void SetCheckedGlyph(const TBitmap* glyph);
    TBitmap* GetUncheckedGlyph() const { return uncheckedGlyph_.get(); }
    void SetUncheckedGlyph(const TBitmap* glyph);
    TBitmap* GetGrayedGlyph() const { return grayedGlyph_.get(); }
    void SetGrayedGlyph(const TBitmap* glyph);

    // taRightJustify: picture at the left edge, caption to its right;
    // taLeftJustify: caption from the left edge, picture at the right edge.
    TLeftRight GetAlignment() const { return alignment_; }
    void SetAlignment(TLeftRight alignment);

    // Changing the state by code never fires OnClick.
    TCheckBoxState GetState() const { return state_; }
    void SetState(TCheckBoxState state);
    bool GetChecked() const { return state_ == cbChecked; }
    void SetChecked(bool checked);
    // Lets a click reach cbGrayed, between unchecked and checked.
    bool GetAllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool allowGrayed) { allowGrayed_ = allowGrayed; }

    int GetCheckedNumGlyphs() const { return checkedNumGlyphs_; }
    void SetCheckedNumGlyphs(int count);
    int GetGrayedNumGlyphs() const { return grayedNumGlyphs_; }
    void SetGrayedNumGlyphs(int count);
    int GetUncheckedNumGlyphs() const { return uncheckedNumGlyphs_; }
    void SetUncheckedNumGlyphs(int count);

    // unchecked -> grayed (with AllowGrayed) or checked; checked -> unchecked;
    // grayed -> checked.
    virtual void Toggle();
    // Toggles, then fires OnClick.
    void Click() override;

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    void SysColorChanged() override;

private:
    void LoadGlyph(TBitmap& glyph, const TBitmap* source, const char* resourceName, void (TBitCheckBox::*setCount)(int));
    void StoreCount(int& field, int count);

    // Declared in this order so that they are released grayed, unchecked, checked.
    std::unique_ptr<TBitmap> checkedGlyph_;
    std::unique_ptr<TBitmap> uncheckedGlyph_;
    std::unique_ptr<TBitmap> grayedGlyph_;
    TLeftRight alignment_ = taRightJustify;
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    int checkedNumGlyphs_ = 1;
    int grayedNumGlyphs_ = 1;
    int uncheckedNumGlyphs_ = 1;
};
