// The order in which a search's rows are shown, in one place for every front
// end: pattern by pattern, in the pattern list's order, and within a pattern
// as the walk hands them out (folder by folder, a folder's own entries before
// those of its sub-folders).
//
// The walk hands rows out in its own order, every pattern's mixed. A row of
// the first pattern is in its final place as soon as it comes; a row of a
// later pattern only once the earlier patterns can get no more rows, which
// is when the walk is over. So a front end either inserts each batch where
// it belongs (Place: the window's list grows in its final order) or writes
// out what is settled (TakeSettled: the console program streams the first
// pattern's rows and the rest at the end).
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace sweep {

template <class Row>
class ResultOrder {
public:
    explicit ResultOrder(std::size_t patterns = 0) : placed_(patterns, 0), held_(patterns) {}

    // Rows of one pattern and the place they go in the list of rows placed
    // so far.
    struct Run {
        std::size_t at;
        std::vector<Row> rows;
    };
    // Splits a batch (in walk order; each row has an int `pattern`) into one
    // run per pattern, keeping the rows' order. The runs come last pattern
    // first: inserting them in turn leaves every place still to use right.
    std::vector<Run> Place(std::vector<Row>&& batch) {
        std::vector<std::vector<Row>> byPattern(placed_.size());
        for (Row& row : batch) byPattern[static_cast<std::size_t>(row.pattern)].push_back(std::move(row));
        std::size_t at = 0;
        for (std::size_t n : placed_) at += n;
        std::vector<Run> runs;
        for (std::size_t p = placed_.size(); p-- > 0;) {
            const std::size_t added = byPattern[p].size();
            at -= placed_[p];
            if (added) runs.push_back(Run{at + placed_[p], std::move(byPattern[p])});
            placed_[p] += added;
        }
        return runs;
    }

    // Keeps a batch (in walk order) and hands back the rows whose place is
    // final now, in order, after those handed back before. With `over` (the
    // walk handed out its last row), every row kept is handed back.
    std::vector<Row> TakeSettled(std::vector<Row>&& batch, bool over) {
        std::vector<Row> settled;
        for (Row& row : batch) {
            const std::size_t p = static_cast<std::size_t>(row.pattern);
            if (p == 0)
                settled.push_back(std::move(row));
            else
                held_[p].push_back(std::move(row));
        }
        if (over)
            for (std::vector<Row>& rows : held_) {
                for (Row& row : rows) settled.push_back(std::move(row));
                rows.clear();
            }
        return settled;
    }

private:
    std::vector<std::size_t> placed_;    // rows placed so far, pattern by pattern
    std::vector<std::vector<Row>> held_;  // rows not settled yet, pattern by pattern
};

}  // namespace sweep
