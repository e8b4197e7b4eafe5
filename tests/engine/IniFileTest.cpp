// The initialisation file: every encoding an editor saves, parsed as the
// system's own profile functions parse it, in time linear in its size.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>

#include "engine/IniFile.h"
#include "support/PatternRows.h"
#include "support/TempDir.h"
#include "base/Unicode.h"

using namespace sweep;

namespace {

std::vector<PatternRow> RowsOfFile(const test::TempDir& dir, const std::string& bytes) {
    const std::string path = dir / "Sweepfield.Ini";
    std::ofstream(path, std::ios::binary) << bytes;
    return PatternRowsFrom(ReadIniSection(path, "FindFiles"));
}

std::string Utf16(const std::string& utf8, bool bigEndian) {
    std::wstring wide = base::Wide(utf8);
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : wide) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

TEST(IniFile, EveryEncodingGivesTheSameRows) {
    test::TempDir dir;
    // д.tmp, ñ and a CJK pattern: a code page would make "?" of the first,
    // which matches every one-letter .tmp.
    const std::string text = "[FindFiles]\r\nFile1=\xD0\xB4.tmp\r\nAutodel1=No\r\nFile2=a\xC3\xB1o\xE6\x96\x87*.bak\r\n"
                             "Autodel2=Papelera\r\n";
    const std::vector<PatternRow> rows{{"\xD0\xB4.tmp", "No"}, {"a\xC3\xB1o\xE6\x96\x87*.bak", "Papelera"}};
    EXPECT_EQ(RowsOfFile(dir, text), rows) << "UTF-8";
    EXPECT_EQ(RowsOfFile(dir, "\xEF\xBB\xBF" + text), rows) << "UTF-8 with its mark";
    EXPECT_EQ(RowsOfFile(dir, Utf16(text, false)), rows) << "UTF-16";
    EXPECT_EQ(RowsOfFile(dir, Utf16(text, true)), rows) << "UTF-16, big-endian";
    // Windows-1252: "año€" with the euro sign of its 0x80 range.
    EXPECT_EQ(RowsOfFile(dir, "[FindFiles]\nFile1=a\xF1o\x80.tmp\nAutodel1=No\n"),
              (std::vector<PatternRow>{{"a\xC3\xB1o\xE2\x82\xAC.tmp", "No"}}));
}

TEST(IniFile, ParsesAsTheSystemsProfileFunctions) {
    // Compared with GetPrivateProfileStringW on the same (ASCII) files.
    const char* files[] = {
        "[FindFiles]\nFile1=*.tmp\nAutodel1=No\n",
        "  [ FindFiles ]  \n  File1  =  *.tmp  \nAutodel1=\"quoted\"\nFile2='single'\nAutodel2=\"half\n",
        "[Other]\nFile1=x\n[FindFiles]\nFile1=y\n[findfiles]\nFile2=z\n",
        "[FindFiles]\nFile1\nFile2==two\nAutodel2 = a = b\n\n\nFile3=c",
        "[FindFiles]\r\nFile1=crlf\r\n[Next]\r\nFile2=no\r\n",
        "File1=before any section\n[FindFiles]\nFile1=ok\n",
    };
    test::TempDir dir;
    for (const char* text : files) {
        const std::string path = dir / "oracle.ini";
        std::ofstream(path, std::ios::binary) << text;
        std::vector<IniEntry> system;
        std::vector<wchar_t> names(4096), value(4096);
        const std::wstring file = base::Wide(path);
        ::GetPrivateProfileStringW(L"FindFiles", nullptr, L"", names.data(), 4096, file.c_str());
        for (const wchar_t* key = names.data(); *key; key += wcslen(key) + 1) {
            DWORD n = ::GetPrivateProfileStringW(L"FindFiles", key, L"", value.data(), 4096, file.c_str());
            system.push_back(IniEntry{base::Utf8(key), base::Utf8(std::wstring(value.data(), n))});
        }
        std::vector<IniEntry> ours = CountedEntries(SectionEntries(text, "FindFiles"));
        std::vector<IniEntry> theirs = CountedEntries(system);
        ASSERT_EQ(ours.size(), theirs.size()) << text;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            EXPECT_EQ(ours[i].key, theirs[i].key) << text;
            EXPECT_EQ(ours[i].value, theirs[i].value) << text;
        }
    }
}

TEST(IniFile, ARepeatedKeyIsOneEntryWithItsFirstValue) {
    const std::vector<IniEntry> entries =
        CountedEntries(SectionEntries("[FindFiles]\nFile1=a\nFILE1=b\nfile1=c\nFile2=d\nAutodel2=\n", "FindFiles"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].value, "a");
    EXPECT_EQ(entries[1].key, "File2");
}

TEST(IniFile, CommentsAndNamelessKeysAreNotEntries) {
    // Wine's own enumeration of keys ends at a nameless key, so a comment
    // line first in the section would hide every pattern after it.
    EXPECT_EQ(CountedEntries(SectionEntries("[FindFiles]\n;File1=old\n=x\nFile1=*.tmp\nAutodel1=No\n", "FindFiles")).size(),
              2u);
    EXPECT_EQ(PatternRowsFrom(CountedEntries(SectionEntries("[FindFiles]\n; a note\nFile1=*.tmp\nAutodel1=No\n",
                                                            "FindFiles"))),
              (std::vector<PatternRow>{{"*.tmp", "No"}}));
}

TEST(IniFile, TenThousandPatternsAllLoad) {
    test::TempDir dir;
    std::string text = "[FindFiles]\n";
    for (int i = 1; i <= 10000; ++i)
        text += "File" + std::to_string(i) + "=*." + std::to_string(i) + "\nAutodel" + std::to_string(i) + "=No\n";
    std::vector<PatternRow> rows = RowsOfFile(dir, text);
    ASSERT_EQ(rows.size(), 10000u);
    EXPECT_EQ(rows.front(), (PatternRow{"*.1", "No"}));
    EXPECT_EQ(rows.back(), (PatternRow{"*.10000", "No"}));
}

// ---------------------------------------------------------------- saving

TEST(SavedIni, KeepsTheRestOfTheFileAndItsEncodingByteForByte) {
    const std::vector<PatternRow> rows{{"*.tmp", "No"}, {"a\xC3\xB1o.log", "Eliminar"}};
    // Other sections, a key before any section, comments, a blank line, the
    // file's own line breaks; the old keys' place, stale keys gone.
    const std::string before = "; lista \xE2\x82\xAC\r\nsuelta=1\r\n[Otra]\r\nFile1=no es nuestra\r\n\r\n[FindFiles]\r\n"
                               "; patrones\r\nNota=x\r\nFile01=\r\nFile1=*.old\r\nAutodel1=No\r\nfile9=viejo\r\n"
                               "[Despu\xC3\xA9s]\r\nx=1\r\n";
    const std::string after = "; lista \xE2\x82\xAC\r\nsuelta=1\r\n[Otra]\r\nFile1=no es nuestra\r\n\r\n[FindFiles]\r\n"
                              "; patrones\r\nNota=x\r\nFile01=\r\nFile1=*.tmp\r\nAutodel1=No\r\nFile2=a\xC3\xB1o.log\r\n"
                              "Autodel2=Eliminar\r\n[Despu\xC3\xA9s]\r\nx=1\r\n";
    const auto latin1 = [](std::string text) {  // these texts' UTF-8 in Windows-1252
        for (const auto& [utf8, cp1252] : {std::make_pair("\xC3\xB1", "\xF1"), std::make_pair("\xC3\xA9", "\xE9"),
                                           std::make_pair("\xE2\x82\xAC", "\x80")})
            for (std::size_t at; (at = text.find(utf8)) != std::string::npos;)
                text.replace(at, std::strlen(utf8), cp1252);
        return text;
    };
    const struct {
        const char* what;
        std::string before, after;
        std::vector<PatternRow> rows;
    } cases[] = {
        {"UTF-8", before, after, rows},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + before, "\xEF\xBB\xBF" + after, rows},
        {"UTF-16", Utf16(before, false), Utf16(after, false), rows},
        {"UTF-16, big-endian", Utf16(before, true), Utf16(after, true), rows},
        {"Windows-1252", latin1(before), latin1(after), rows},
        {"Windows-1252 given a character it has no byte for", latin1(before),
         "\xEF\xBB\xBF" + after.substr(0, after.find("File2")) + "File2=\xD0\xB4.tmp\r\nAutodel2=No\r\n" +
             after.substr(after.find("[Despu")),
         {{"*.tmp", "No"}, {"\xD0\xB4.tmp", "No"}}},
        // A UTF-16 unit without its pair, in a comment, stays.
        {"UTF-16, an unpaired unit", std::string("\xFF\xFE;\0\x00\xD8\n\0", 8) + Utf16("[FindFiles]\n", false).substr(2),
         std::string("\xFF\xFE;\0\x00\xD8\n\0", 8) + Utf16("[FindFiles]\nFile1=x\nAutodel1=No\n", false).substr(2),
         {{"x", "No"}}},
        {"a new file", "", "[FindFiles]\r\nFile1=*.tmp\r\nAutodel1=No\r\n", {{"*.tmp", "No"}}},
        {"no section yet, no last line break", "[Otra]\nk=v", "[Otra]\nk=v\n[FindFiles]\nFile1=*.tmp\nAutodel1=No\n",
         {{"*.tmp", "No"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(SavedIniBytes(c.before, c.rows), c.after) << c.what;
}

TEST(SavedIni, ReadsBackAsTheListShown) {
    // Blank rows, empty modes and patterns, values the reader would trim or
    // unquote, other keys of the section that count, and too many of them.
    const std::vector<std::vector<PatternRow>> lists = {
        {{"", ""}},
        {{"*.old", ""}},
        {{"", "No"}},
        {{"*.tmp", "No"}, {"", ""}, {"", "Papelera"}, {"*.bak", ""}},
        {{"", ""}, {"", ""}, {"", ""}},
        {{" lead", "trail "}, {"\"quoted\"", "'single'"}, {"=;[x]", "\""}},
    };
    for (const char* text : {"", "[FindFiles]\nFile1=a\nAutodel1=No\nFile2=b\nAutodel2=No\n",
                             "[FindFiles]\nuna=1\n", "[FindFiles]\nuna=1\notra=2\nvacia=\nsin igual\n[Z]\nz=1\n"}) {
        for (const std::vector<PatternRow>& rows : lists) {
            const std::string saved = WithPatternRows(text, rows);
            EXPECT_EQ(PatternRowsFrom(CountedEntries(SectionEntries(saved, "FindFiles"))), rows) << saved;
            // Nothing else is lost: the other keys are there, and again after a second save.
            for (const char* kept : {"una=1", "otra=2", "vacia=", "sin igual", "z=1"})
                EXPECT_EQ(saved.find(kept) == std::string::npos, std::string(text).find(kept) == std::string::npos)
                    << kept << " in " << saved;
            EXPECT_EQ(WithPatternRows(saved, rows), saved);
        }
    }
    // How the count is kept, as the file shows it.
    EXPECT_EQ(WithPatternRows("[FindFiles]\n", {{"*.tmp", ""}, {"", ""}}),
              "[FindFiles]\nFile1=*.tmp\nEmptyAutodel1=1\nEmptyFile2=1\nEmptyAutodel2=1\n");
    EXPECT_EQ(WithPatternRows("[FindFiles]\nA=1\nB=2\nFile1=x\n[Z]\n", {{"x", "No"}}),
              "[FindFiles]\nFile1=x\nAutodel1=No\n[FindFiles]\nA=1\nB=2\n[Z]\n");
}

std::vector<PatternRow> RowsOfIni(const test::TempDir& dir, const std::string& text) {
    std::string path = dir / "Sweepfield.Ini";
    std::ofstream(path) << text;
    return PatternRowsFrom(ReadIniSection(path, "FindFiles"));
}

TEST(PatternList, RowsComeFromTheNumberOfEntriesAndKeysByName) {
    test::TempDir dir;
    // Three entries: one row; File2 is not shown.
    EXPECT_EQ(RowsOfIni(dir, "[FindFiles]\nFile1=*.tmp\nAutodel1=No\nFile2=*.bak\n"),
              (std::vector<PatternRow>{{"*.tmp", "No"}}));
    // File1, Autodel1, File3, Autodel3: the second row is blank.
    EXPECT_EQ(RowsOfIni(dir, "[FindFiles]\nFile3=c\nAutodel3=Eliminar\nFile1=a\nAutodel1=No\n"),
              (std::vector<PatternRow>{{"a", "No"}, {"", ""}}));
    // An empty value is not counted: one entry, one row (the grid's minimum).
    EXPECT_EQ(RowsOfIni(dir, "[FindFiles]\nFile1=*.old\nAutodel1=\n"), (std::vector<PatternRow>{{"*.old", ""}}));
    // Keys without letter case; a repeated key counts once, with its first value.
    EXPECT_EQ(RowsOfIni(dir, "[findfiles]\nFILE1=x\nautodel1=Papelera\nfile1=y\nFile2=z\nAUTODEL2=raro\n"),
              (std::vector<PatternRow>{{"x", "Papelera"}, {"z", "raro"}}));
}

TEST(PatternList, AMissingFileOrSectionIsOneBlankRow) {
    test::TempDir dir;
    EXPECT_TRUE(ReadIniSection(dir / "none.ini", "FindFiles").empty());
    EXPECT_EQ(PatternRowsFrom({}), (std::vector<PatternRow>{{"", ""}}));
    EXPECT_EQ(RowsOfIni(dir, "[Otra]\nFile1=a\nAutodel1=No\n"), (std::vector<PatternRow>{{"", ""}}));
    // Not an initialisation file at all: still no entries, no error.
    EXPECT_EQ(RowsOfIni(dir, std::string("\x00\x01garbage=\xff\n[", 14)), (std::vector<PatternRow>{{"", ""}}));
}

TEST(PatternList, LongValuesAreReadWhole) {
    test::TempDir dir;
    std::string longPattern(5000, 'a');
    auto rows = RowsOfIni(dir, "[FindFiles]\nFile1=" + longPattern + "\nAutodel1=No\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].pattern.size(), 5000u);
}

}  // namespace
