// The rules of duplicate results in the result list, as plain functions: the
// rows of a group stand together, its first row is the copy that is kept,
// and the removal commands take every other row of each group they touch.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sweep {

// The copies a removal command takes for a selection: `groups` holds each
// listed row's group, top to bottom, and rows `first` to `last` of them are
// selected. Every group with a selected row gives its kept row (its first
// listed) and all its other rows, whether selected or not; never its kept
// one. Groups come in the order of their kept rows, copies top to bottom.
struct CopiesPick {
    std::size_t kept;
    std::vector<std::size_t> copies;
};
std::vector<CopiesPick> CopiesPicked(const std::vector<std::uint32_t>& groups, std::size_t first, std::size_t last);

// Whether row `a` comes before row `b` when the list is sorted by a column
// and groups stay together: two groups in the order of their kept rows
// (`keptOf` gives a row's group's kept row) under the column's order
// `before` (a strict order that tells any two rows apart); in a group the
// kept row first, the others under the column.
template <class Row, class KeptOf, class Before>
bool GroupedBefore(const Row* a, const Row* b, KeptOf keptOf, Before before) {
    const Row* keptA = keptOf(a);
    const Row* keptB = keptOf(b);
    if (keptA != keptB) return before(keptA, keptB);
    if (a == keptA || b == keptB) return a == keptA && b != keptB;
    return before(a, b);
}

// The light shade that tells every second group apart: the window's colour
// with an eighth of the highlight's.
COLORREF GroupShade(COLORREF window, COLORREF highlight);

}  // namespace sweep
