#include <gtest/gtest.h>

#include "ui/SysUtils.h"

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
