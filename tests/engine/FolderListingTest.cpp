// The rules of exact paths: the prefix that keeps the system from rewriting
// a path, for drive and network paths, and the parts of a path the deletion
// compares with what an open file reports.
#include <gtest/gtest.h>

#include "engine/FolderListing.h"

using namespace sweep;

TEST(ExactPaths, TheSystemGetsEveryPathWithThePrefixThatKeepsItAsItIs) {
    EXPECT_EQ(ExactPath(L"C:\\x\\y.tmp."), L"\\\\?\\C:\\x\\y.tmp.");
    EXPECT_EQ(ExactPath(L"\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(ExactPath(L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x");  // prefixed already
    for (const wchar_t* plain : {L"C:\\x\\y.tmp.", L"\\\\server\\share\\x", L"D:\\"})
        EXPECT_EQ(PlainPath(ExactPath(plain)), plain);
}

TEST(ExactPaths, TheVolumePartAndTheNamesWithoutTheirTrailingDotsAndBlanks) {
    EXPECT_EQ(VolumePart(L"C:\\x\\y"), L"\\x\\y");
    EXPECT_EQ(VolumePart(L"\\\\server\\share\\x\\y"), L"\\x\\y");
    EXPECT_EQ(VolumePart(L"\\\\server\\share"), L"");
    EXPECT_EQ(WithoutTrailingDotsAndBlanks(L"\\a. \\b..\\c.tmp \\d"), L"\\a\\b\\c.tmp\\d");
    EXPECT_TRUE(EndsWithDotOrBlank(L"x."));
    EXPECT_TRUE(EndsWithDotOrBlank(L"x "));
    EXPECT_FALSE(EndsWithDotOrBlank(L".."));
    EXPECT_FALSE(EndsWithDotOrBlank(L"x.tmp"));
}
