// Bevels: windowless 3-D boxes, frames and lines that divide a window.
#pragma once

#include "ui/Controls.h"

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// Draws width nested one-pixel frames inside rect, top and left edges in
// topColor, bottom and right edges in bottomColor, and shrinks rect by them.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);

    TBevelShape GetShape() const { return shape_; }
    void SetShape(TBevelShape shape);
    TBevelStyle GetStyle() const { return style_; }
    void SetStyle(TBevelStyle style);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};
