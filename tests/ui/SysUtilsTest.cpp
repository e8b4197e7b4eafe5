#include <gtest/gtest.h>

#include "ui/SysUtils.h"
#include "ui/Unicode.h"

using namespace ui;

TEST(StrToInt, AcceptsDecimalTextWithSignAndBlanks) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt(" 42 "), 42);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("+2147483647"), INT32_MAX);
    EXPECT_EQ(StrToInt64("99999999999"), 99999999999LL);
}

TEST(StrToInt, RefusesWhatIsNotAnIntegerWithTheRuntimesMessage) {
    for (const char* bad : {"", " ", "1a2", "2147483648", "-", "12 3", "0x10"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
        }
    }
    std::int64_t v = 7;
    EXPECT_FALSE(TryStrToInt64("9223372036854775808", v));
    EXPECT_EQ(v, 7);
}

TEST(IntToStr, WritesEveryRange) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-17), "-17");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToStr(4294967296LL), "4294967296");
}

TEST(Accelerators, FollowTheAmpersandRules) {
    EXPECT_EQ(AcceleratorOf("&Seguir"), L'S');
    EXPECT_EQ(AcceleratorOf("A&&B"), 0);
    EXPECT_EQ(AcceleratorOf("A&&B&c"), L'C');
    EXPECT_EQ(AcceleratorOf("Fin&"), 0);
    EXPECT_TRUE(IsAccel(L's', "&Seguir"));
    EXPECT_FALSE(IsAccel(L'e', "&Seguir"));
    // Any character of the basic plane, decoded whole and folded as the
    // system folds it; one beyond it cannot come as one key.
    EXPECT_EQ(AcceleratorOf("Ma&ñana"), L'Ñ');
    EXPECT_EQ(AcceleratorOf("&дир"), L'Д');
    EXPECT_TRUE(IsAccel(L'д', "&Дир"));
    EXPECT_TRUE(IsAccel(L'Ñ', "Ma&ñana"));
    EXPECT_FALSE(IsAccel(L'n', "Ma&ñana"));
    EXPECT_EQ(AcceleratorOf("&😀x"), 0);
}

TEST(DateTimeToStr, LeavesOutAMidnightTime) {
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 2;
    st.wDay = 29;
    std::string date = DateTimeToStr(st);
    EXPECT_EQ(date.find(':'), std::string::npos) << date;
    st.wHour = 13;
    st.wMinute = 5;
    st.wSecond = 8;
    std::string both = DateTimeToStr(st);
    EXPECT_EQ(both.rfind(date + " ", 0), 0u) << both;
    EXPECT_NE(both.find("05"), std::string::npos) << both;
}

TEST(Trim, TakesBlanksAndControlCharactersFromBothEnds) {
    EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(UpperCase("c:\\Archivos de programa\\IEXPLORE.exe"), "C:\\ARCHIVOS DE PROGRAMA\\IEXPLORE.EXE");
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
