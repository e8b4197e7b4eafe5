// Text labels: windowless, one or more lines, over their parent's background
// or on their own colour.
#pragma once

#include "ui/Controls.h"

// The base of labels: caption, font, auto-size and transparency. Painting
// writes the caption with DrawText by alignment and word wrap; a control
// that draws its caption otherwise overrides Paint and keeps the rest.
class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);

    bool GetAutoSize() const { return autoSize_; }
    virtual void SetAutoSize(bool autoSize);
    bool GetTransparent() const { return !GetControlStyle().Contains(csOpaque); }
    void SetTransparent(bool transparent);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    // "&" marks an accelerator and "&&" shows one ampersand, unless off.
    bool GetShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);

protected:
    void Loaded() override;
    void Paint() override;
    // Sets the size to the caption's extent when auto-size is on.
    virtual void AdjustBounds();
    void TextChanged() override;
    void FontChanged() override;
    // The DrawText format of the caption (alignment, wrap, prefix).
    UINT DrawTextFormat() const;

private:
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    TAlignment alignment_ = taLeftJustify;
};

class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};
