// The rows' order, pattern by pattern and walk order within each, however the
// walk's rows come in batches: inserted where they belong, or streamed.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/ResultOrder.h"

namespace {

struct Row {
    int pattern;
    int seq;  // its place in the walk
    bool operator==(const Row& o) const { return pattern == o.pattern && seq == o.seq; }
};

TEST(ResultOrder, EveryWayOfTakingTheRowsGivesThePatternByPatternOrder) {
    // Batches as the walk hands them out: patterns mixed, some empty.
    const std::vector<std::vector<int>> batches = {{1, 0, 2, 0}, {}, {2, 2}, {0}, {1, 1, 0, 2}, {3}};
    std::vector<Row> walk;
    for (const auto& batch : batches)
        for (int pattern : batch) walk.push_back(Row{pattern, static_cast<int>(walk.size())});
    std::vector<Row> expected = walk;
    std::stable_sort(expected.begin(), expected.end(), [](const Row& a, const Row& b) { return a.pattern < b.pattern; });

    sweep::ResultOrder<Row> inserted(4), streamed(4);
    std::vector<Row> list, stream;
    std::size_t at = 0;
    for (std::size_t b = 0; b < batches.size(); ++b) {
        std::vector<Row> batch(walk.begin() + static_cast<std::ptrdiff_t>(at),
                               walk.begin() + static_cast<std::ptrdiff_t>(at + batches[b].size()));
        at += batches[b].size();
        for (auto& run : inserted.Place(std::vector<Row>(batch)))
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(run.at), run.rows.begin(), run.rows.end());
        // The list is in its final order after every batch: a subsequence of the end result.
        EXPECT_TRUE(std::includes(expected.begin(), expected.end(), list.begin(), list.end(), [](const Row& x, const Row& y) {
            return x.pattern != y.pattern ? x.pattern < y.pattern : x.seq < y.seq;
        }));
        const bool over = b + 1 == batches.size();
        std::vector<Row> settled = streamed.TakeSettled(std::move(batch), over);
        // Before the end only the first pattern's rows are settled.
        if (!over) {
            EXPECT_TRUE(std::all_of(settled.begin(), settled.end(), [](const Row& r) { return r.pattern == 0; }));
        }
        stream.insert(stream.end(), settled.begin(), settled.end());
    }
    EXPECT_EQ(list, expected);
    EXPECT_EQ(stream, expected);
}

}  // namespace
