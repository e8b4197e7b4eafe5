#include "base/Text.h"

#include <cctype>
#include <climits>

namespace base {

bool TryStrToInt64(const std::string& text, std::int64_t& value) {
    std::size_t i = 0, n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == n || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    // Accumulate as a negative number so that INT64_MIN fits.
    std::int64_t acc = 0;
    for (; i < n && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        int digit = text[i] - '0';
        if (acc < (INT64_MIN + digit) / 10) return false;
        acc = acc * 10 - digit;
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) return false;
    if (!negative) {
        if (acc == INT64_MIN) return false;
        acc = -acc;
    }
    value = acc;
    return true;
}

std::string IntToStr(std::int64_t value) {
    char buf[24];
    char* p = buf + sizeof buf;
    std::uint64_t u = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        *--p = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u);
    if (value < 0) *--p = '-';
    return std::string(p, buf + sizeof buf);
}

std::string GroupedCount(std::int64_t count) {
    const std::string digits = IntToStr(count);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) text += '.';
        text += digits[i];
    }
    return text;
}

ScaledTotal ScaleTotal(std::int64_t totalBytes) {
    std::string text = IntToStr(totalBytes);
    if (text.size() <= 4) return {text, "bytes"};
    if (text.size() <= 8) return {IntToStr(totalBytes / 1024), "Kbytes"};
    return {IntToStr(totalBytes / 1048576), "Mbytes"};
}

std::string ScaledSize(std::int64_t bytes) {
    const ScaledTotal scaled = ScaleTotal(bytes);
    return scaled.text + " " + scaled.unit;
}

}  // namespace base
