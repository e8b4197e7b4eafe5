// The result grid: a string grid whose title row has a font of its own and
// whose columns widen, while they are painted, until the widest text drawn
// in them fits with 10 pixels to spare.
#pragma once

#include <memory>

#include "ui/StringGrid.h"

enum TSearchElements { soCaseSensitive, soPartialMatch };
using TSearchOptions = TSet<TSearchElements>;

class TXStringGrid : public TStringGrid {
public:
    explicit TXStringGrid(TComponent* owner);
    ~TXStringGrid() override;

    // Held only: nothing in the grid reads it.
    TSearchOptions GetSearchOptions() const { return searchOptions_; }
    void SetSearchOptions(TSearchOptions options) { searchOptions_ = options; }
    // The font of row 0. Changing it does not repaint the grid by itself.
    TFont* GetTitleFont() const { return titleFont_.get(); }
    // Copies a font's properties into the title font (the object stays).
    void SetTitleFont(const TFont* font) { titleFont_->Assign(font); }

protected:
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;

private:
    TSearchOptions searchOptions_;
    // No override of the base runs while the base is being set up, so the
    // font, made right after it, is there before any cell is drawn.
    std::unique_ptr<TFont> titleFont_;
};
