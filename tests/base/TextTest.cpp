// Numbers and texts every front end writes the same way, and the one way
// between UTF-8 and UTF-16.
#include <gtest/gtest.h>

#include <cstdint>

#include "base/Text.h"
#include "base/Unicode.h"

using namespace base;

namespace {

TEST(IntToStr, WritesEveryRange) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-17), "-17");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToStr(4294967296LL), "4294967296");
}

TEST(TryStrToInt64, TakesWhatFitsAndLeavesTheRestUntouched) {
    std::int64_t v = 7;
    EXPECT_TRUE(TryStrToInt64(" -12 ", v));
    EXPECT_EQ(v, -12);
    v = 7;
    EXPECT_FALSE(TryStrToInt64("9223372036854775808", v));
    EXPECT_FALSE(TryStrToInt64("1a", v));
    EXPECT_EQ(v, 7);
}

TEST(TotalScaling, FollowsTheLengthOfTheText) {
    auto check = [](std::int64_t total, const char* text, const char* unit) {
        ScaledTotal s = ScaleTotal(total);
        EXPECT_EQ(s.text, text) << total;
        EXPECT_EQ(s.unit, unit) << total;
    };
    check(0, "0", "bytes");
    check(9999, "9999", "bytes");
    check(10000, "9", "Kbytes");
    check(99999999, "97656", "Kbytes");
    check(100000000, "95", "Mbytes");
    check(5000000000LL, "4768", "Mbytes");  // beyond 32 bits
}

TEST(Counts, TakeTheSpanishThousandsSeparator) {
    EXPECT_EQ(GroupedCount(0), "0");
    EXPECT_EQ(GroupedCount(999), "999");
    EXPECT_EQ(GroupedCount(1234), "1.234");
    EXPECT_EQ(GroupedCount(1000000), "1.000.000");
    EXPECT_EQ(ScaledSize(123456789), "117 Mbytes");
}

TEST(Unicode, ConvertsEveryScriptBothWaysAndMarksWhatCannotBeWritten) {
    // Cyrillic, CJK, an emoji (a surrogate pair), a fullwidth backslash.
    const std::string utf8 = "\xD0\xB4\xE6\x96\x87\xF0\x9F\x98\x80\xEF\xBC\xBC";
    const std::wstring utf16 = L"\x0434\x6587\xD83D\xDE00\xFF3C";
    EXPECT_EQ(Wide(utf8), utf16);
    EXPECT_EQ(Utf8(utf16), utf8);
    EXPECT_EQ(Utf8(L"a\xD800z"), "a\xEF\xBF\xBDz");  // unpaired surrogate
    EXPECT_EQ(Wide("a\xFFz"), L"a\xFFFDz");           // not UTF-8
    EXPECT_EQ(Wide(""), L"");
    EXPECT_EQ(Utf8(static_cast<const wchar_t*>(nullptr)), "");
}

}  // namespace
