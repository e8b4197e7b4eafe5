// Found files written out for other programs: paths a user can type, CSV
// quoting, JSON escaping of any script, times in ISO 8601.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/Unicode.h"
#include "engine/Export.h"

namespace {

const std::wstring deep = L"C:\\" + std::wstring(300, L'a') + L"\\x.tmp";
const std::pair<std::wstring, std::wstring> kShown[] = {
    {L"\\\\?\\C:\\tmp\\a.tmp", L"C:\\tmp\\a.tmp"},
    {L"C:\\tmp\\", L"C:\\tmp\\"},
    {L"\\\\?\\UNC\\srv\\share\\a.tmp", L"\\\\srv\\share\\a.tmp"},
    {L"C:\\tmp\\a.tmp.", L"\\\\?\\C:\\tmp\\a.tmp."},
    {L"C:\\tmp \\a.tmp", L"\\\\?\\C:\\tmp \\a.tmp"},
    {L"C:\\tmp\\con.tmp", L"\\\\?\\C:\\tmp\\con.tmp"},
    {L"C:\\tmp\\Com1", L"\\\\?\\C:\\tmp\\Com1"},
    {L"C:\\tmp\\lpt\x00B9.txt", L"\\\\?\\C:\\tmp\\lpt\x00B9.txt"},
    {L"C:\\tmp\\console.tmp", L"C:\\tmp\\console.tmp"},
    {L"C:\\tmp\\com10", L"C:\\tmp\\com10"},
    {deep, L"\\\\?\\" + deep},
    // 259 characters and 260, by the name alone.
    {L"C:\\a\\" + std::wstring(254, L'n'), L"C:\\a\\" + std::wstring(254, L'n')},
    {L"C:\\a\\" + std::wstring(255, L'n'), L"\\\\?\\C:\\a\\" + std::wstring(255, L'n')},
    {L"C:\\a\\" + std::wstring(254, L'n') + L"\\x", L"\\\\?\\C:\\a\\" + std::wstring(254, L'n') + L"\\x"},
    {L"C:\\tmp\\conOut$.log", L"\\\\?\\C:\\tmp\\conOut$.log"},
    {L"\\\\srv\\share\\nul\\x", L"\\\\?\\UNC\\srv\\share\\nul\\x"},
    {L"C:\\t\xD800\\a\"b", L"C:\\t\xD800\\a\"b"},
};

TEST(Export, PathsTakeThePrefixOnlyWhereThePlainFormWouldMissTheFile) {
    for (const auto& [path, shown] : kShown) EXPECT_EQ(sweep::ShownPath(path), shown) << base::Utf8(path);
}

// The texts a listing makes once per folder are the texts of each file alone,
// the folder's texts taken again later or not.
TEST(Export, TextsMadeOncePerFolderAreEachFilesOwn) {
    std::vector<sweep::FoundFile> files;
    for (const auto& shown : kShown) {
        const std::wstring& path = shown.first;
        sweep::FoundFile file;
        const std::size_t slash = path.rfind(L'\\');
        file.folder = std::make_shared<const std::wstring>(path.substr(0, slash + 1));
        if (!files.empty() && *files.back().folder == *file.folder) file.folder = files.back().folder;
        file.name = path.substr(slash + 1);
        files.push_back(file);
    }
    sweep::ShownPaths shown;
    for (int pass = 0; pass < 2; ++pass)
        for (const sweep::FoundFile& file : files) {
            SCOPED_TRACE(base::Utf8(file.Path()));
            EXPECT_EQ(shown.Path(file), base::Utf8(sweep::ShownPath(file.Path())));
            EXPECT_EQ(shown.Folder(file), base::Utf8(sweep::ShownPath(*file.folder)));
            EXPECT_EQ(shown.JsonPath(file), sweep::JsonString(sweep::ShownPath(file.Path())));
            EXPECT_EQ(shown.JsonFolder(file), sweep::JsonString(sweep::ShownPath(*file.folder)));
        }
}

TEST(Export, CsvAndJsonLinesHoldAnyNameExactly) {
    EXPECT_EQ(sweep::CsvField("plain"), "plain");
    EXPECT_EQ(sweep::CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(sweep::CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(sweep::CsvField("two\r\nlines"), "\"two\r\nlines\"");
    // Every script as UTF-8; quotes, backslashes and control characters
    // escaped; an unpaired surrogate kept as its escape; a pair as one character.
    EXPECT_EQ(sweep::JsonString(L"\x0434\x6587 \"a\\b\"\t\x01"), "\"\xD0\xB4\xE6\x96\x87 \\\"a\\\\b\\\"\\u0009\\u0001\"");
    EXPECT_EQ(sweep::JsonString(L"x\xD800y\xDC00z\xD83D\xDE00"), "\"x\\ud800y\\udc00z\xF0\x9F\x98\x80\"");
    EXPECT_TRUE(sweep::Utf8CarriesExactly(L"z\xD83D\xDE00"));
    for (const wchar_t* lone : {L"x\xD800y", L"x\xDC00", L"x\xD83D"}) EXPECT_FALSE(sweep::Utf8CarriesExactly(lone));
    EXPECT_EQ(sweep::Iso8601Utc(0x01D99E1A2B3C4D5Eull), "2023-06-13T17:12:01Z");

    sweep::FoundFile file;
    file.folder = std::make_shared<const std::wstring>(L"C:\\a,b\\");
    file.name = L"x \"1\".tmp";
    file.size = 1234;
    file.lastWrite = 0x01D99E1A2B3C4D5Eull;
    EXPECT_EQ(sweep::CsvHeader(), "ruta,nombre,carpeta,bytes,modificado,patron");
    EXPECT_EQ(sweep::CsvLine(file, "*.tmp"),
              "\"C:\\a,b\\x \"\"1\"\".tmp\",\"x \"\"1\"\".tmp\",\"C:\\a,b\\\",1234,2023-06-13T17:12:01Z,*.tmp");
    EXPECT_EQ(sweep::JsonLine(file, "*.tmp"),
              "{\"path\":\"C:\\\\a,b\\\\x \\\"1\\\".tmp\",\"name\":\"x \\\"1\\\".tmp\",\"folder\":\"C:\\\\a,b\\\\\","
              "\"size\":1234,\"modified\":\"2023-06-13T17:12:01Z\",\"pattern\":\"*.tmp\"}");
}

}  // namespace
