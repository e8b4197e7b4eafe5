// The result grid: a string grid whose title row has a font of its own and
// whose columns widen, while they are painted, until the widest text drawn
// in them fits with 10 pixels to spare. A click on a column's title (a press
// and a release on the same title) is reported, and a title can show a small
// triangle after its text that tells how the rows are sorted.
#pragma once

#include <memory>

#include "ui/StringGrid.h"

enum TSearchElements { soCaseSensitive, soPartialMatch };
using TSearchOptions = TSet<TSearchElements>;
using TTitleClickEvent = std::function<void(TObject* Sender, int ACol)>;
enum class TSortMark { smNone, smAscending, smDescending };

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

    // The triangle after a title: pointing up for an ascending order, down
    // for a descending one; at most one column shows it.
    void SetSortMark(int col, TSortMark mark);
    int GetSortColumn() const { return sortColumn_; }
    TSortMark GetSortMark() const { return sortMark_; }

    TTitleClickEvent OnTitleClick;

protected:
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    int TitleAt(int x, int y) const;
    int sortColumn_ = -1;
    TSortMark sortMark_ = TSortMark::smNone;
    int pressedTitle_ = -1;
    TSearchOptions searchOptions_;
    // No override of the base runs while the base is being set up, so the
    // font, made right after it, is there before any cell is drawn.
    std::unique_ptr<TFont> titleFont_;
};
