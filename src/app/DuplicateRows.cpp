#include "app/DuplicateRows.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace sweep {

std::vector<CopiesPick> CopiesPicked(const std::vector<std::uint32_t>& groups, std::size_t first, std::size_t last) {
    std::vector<CopiesPick> picks;
    if (groups.empty() || first > last) return picks;
    last = std::min(last, groups.size() - 1);
    // The groups with a selected row; each one's pick is made at its first
    // row, the kept one, wherever its other rows lie.
    constexpr std::size_t kNone = SIZE_MAX;
    std::unordered_map<std::uint32_t, std::size_t> pickOf;
    for (std::size_t row = first; row <= last; ++row) pickOf.emplace(groups[row], kNone);
    for (std::size_t row = 0; row < groups.size(); ++row) {
        const auto picked = pickOf.find(groups[row]);
        if (picked == pickOf.end()) continue;
        if (picked->second == kNone) {
            picked->second = picks.size();
            picks.push_back(CopiesPick{row, {}});
        } else {
            picks[picked->second].copies.push_back(row);
        }
    }
    return picks;
}

COLORREF GroupShade(COLORREF window, COLORREF highlight) {
    auto mix = [](BYTE w, BYTE h) { return static_cast<BYTE>((w * 7 + h) / 8); };
    return RGB(mix(GetRValue(window), GetRValue(highlight)), mix(GetGValue(window), GetGValue(highlight)),
               mix(GetBValue(window), GetBValue(highlight)));
}

}  // namespace sweep
