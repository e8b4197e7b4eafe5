// Numbers as the program writes and reads them, the same in every front end.
#pragma once

#include <cstdint>
#include <string>

namespace base {

std::string IntToStr(std::int64_t value);
// Decimal text to a signed 64-bit integer: blanks around it and a sign are
// accepted; false when the text is not a number that fits.
bool TryStrToInt64(const std::string& text, std::int64_t& value);

// A count (not negative) with the Spanish thousands separator: "1.234",
// "1.000.000".
std::string GroupedCount(std::int64_t count);

// A number of bytes scaled by the length of its decimal text, as the
// program shows totals: up to 4 characters in "bytes", 5 to 8 in "Kbytes"
// (divided by 1024), 9 or more in "Mbytes" (divided by 1048576).
struct ScaledTotal {
    std::string text;
    std::string unit;
};
ScaledTotal ScaleTotal(std::int64_t totalBytes);
// The same as one text: "56 Kbytes".
std::string ScaledSize(std::int64_t bytes);

}  // namespace base
