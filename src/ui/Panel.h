// Panels: a windowed container with raised or lowered 3-D edges and a
// centred caption. Controls aligned on a panel lie inside its edges.
#pragma once

#include "ui/Controls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised };

// How far a panel's edges reach in from each side.
int PanelEdgeWidth(TPanelBevel outer, TPanelBevel inner, int bevelWidth);

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);

    TPanelBevel GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel bevel);
    TPanelBevel GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel bevel);
    int GetBevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

protected:
    void Paint() override;
    void AlignControls(TRect& rect) override;
    void BoundsChanged() override;
    void TextChanged() override;

private:
    void EdgesChanged();

    TPanelBevel bevelOuter_ = bvRaised;
    TPanelBevel bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
};
