// The search, driven through the main window on real folder trees: the
// pattern list it starts from, what it lists and in which order, the size
// limits, the totals in the status bar, the folders it visits, and how it
// ends when something goes wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/SweepWindows.h"
#include "ui/SysUtils.h"

using namespace sweeptest;

namespace {

class Searching : public SweepWindows {
protected:
    // The folder as the search names it: ending with a backslash.
    std::string Folder(const std::string& relative = "") const {
        return relative.empty() ? tree.path() + "\\" : tree / relative + "\\";
    }
    // The results' names and folders, in the order listed.
    using Place = std::pair<std::string, std::string>;
    std::vector<Place> Places() const {
        std::vector<Place> places;
        for (const ResultRow& r : Results()) places.emplace_back(r.name, r.folder);
        return places;
    }
    int IndexOf(const std::string& name) const {
        std::vector<std::string> names = ResultNames();
        auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }
    void ExpectIdle() const {
        EXPECT_EQ(Screen->GetCursor(), crDefault);
        EXPECT_TRUE(Main->StartButton->GetEnabled());
        EXPECT_TRUE(Main->DeleteButton->GetEnabled());
        EXPECT_TRUE(Main->ConfigButton->GetEnabled());
    }
};

// Removes the pattern list beside the test program however the case ends.
struct IniBesideTheProgram {
    explicit IniBesideTheProgram(const std::string& text) { std::ofstream(TMain::IniPath()) << text; }
    ~IniBesideTheProgram() { ::DeleteFileW(ui::Wide(TMain::IniPath()).c_str()); }
};

std::vector<std::string> PatternCells(int col) {
    std::vector<std::string> cells;
    for (int r = 0; r < Main->sgFiles->GetRowCount(); ++r) cells.push_back(Main->sgFiles->GetCells(col, r));
    return cells;
}

using Texts = std::vector<std::string>;

// ---------------------------------------------------------------- the pattern list

TEST(PatternFile, TheWindowCountsTheEntriesAndLooksTheKeysUp) {
    struct Case {
        const char* ini;
        Texts patterns, modes;
    };
    const Case cases[] = {
        // Four entries (a repeated key and an empty value do not count): two
        // rows, the second blank, since there is no File2 or Autodel2.
        {"[FindFiles]\nfile1=*.tmp\nAUTODEL1=No\nFile1=*.old\nFile3=*.bak\nAutodel3=Raro\nFile2=\n",
         {"*.tmp", ""},
         {"No", ""}},
        // Three entries: one row, File2 is not shown.
        {"[FindFiles]\nFile1=*.tmp\nAutodel1=Papelera\nFile2=*.bak\n", {"*.tmp"}, {"Papelera"}},
        // No section of its own: the empty list.
        {"[Otra]\nFile1=*.tmp\nAutodel1=No\n", {""}, {""}},
    };
    for (const Case& c : cases) {
        IniBesideTheProgram ini(c.ini);
        Application->CreateForm(Main);
        EXPECT_EQ(PatternCells(0), c.patterns) << c.ini;
        EXPECT_EQ(PatternCells(2), c.modes) << c.ini;
        EXPECT_EQ(Main->cbAutodel->GetText(), "No");
        delete Main;
        Main = nullptr;
    }
}

TEST_F(Searching, WithoutAPatternFileEveryEntryIsListedFolderByFolder) {
    tree.MakeFile("a.txt", 10);
    tree.MakeFile("sub\\b.txt", 20);
    tree.MakeFile("sub\\deep\\c", 5);
    Search();

    EXPECT_EQ(chooserShown_, 1);
    EXPECT_EQ(PatternCells(0), Texts{"*.*"});
    EXPECT_EQ(PatternCells(2), Texts{"No"});
    const std::map<std::string, std::string> folderOf{{"a.txt", Folder()},       {"sub", Folder()},
                                                      {"b.txt", Folder("sub")}, {"deep", Folder("sub")},
                                                      {"c", Folder("sub\\deep")}};
    std::vector<ResultRow> rows = Results();
    ASSERT_EQ(rows.size(), folderOf.size());
    std::int64_t total = 0;
    for (const ResultRow& r : rows) {
        EXPECT_EQ(r.folder, folderOf.at(r.name)) << r;
        total += ui::StrToInt64(r.size.substr(0, r.size.find(' ')));
    }
    EXPECT_EQ(rows[static_cast<std::size_t>(IndexOf("a.txt"))].size, "10 bytes");
    EXPECT_EQ(rows[static_cast<std::size_t>(IndexOf("c"))].size, "5 bytes");
    // A folder's own entries come before those of its sub-folders.
    EXPECT_LT(std::max(IndexOf("a.txt"), IndexOf("sub")), std::min(IndexOf("b.txt"), IndexOf("deep")));
    EXPECT_LT(std::max(IndexOf("b.txt"), IndexOf("deep")), IndexOf("c"));
    EXPECT_TRUE(LastRowIsBlank());

    EXPECT_EQ(Panel(0), "5");
    EXPECT_EQ(Panel(1), "Encontrados");
    EXPECT_EQ(Panel(2), std::to_string(total));
    EXPECT_EQ(Panel(3), "bytes");
    EXPECT_EQ(Panel(4), "Hecho");
    ExpectIdle();
    EXPECT_TRUE(Main->xgFoundFiles->GetVisible());

    // Every search shows the chooser again and starts afresh.
    ::DeleteFileW(ui::Wide(tree / "a.txt").c_str());
    Search();
    EXPECT_EQ(chooserShown_, 1);
    EXPECT_EQ(IndexOf("a.txt"), -1);
    EXPECT_EQ(Panel(0), "4");
}

TEST_F(Searching, AnEmptyPatternFindsNothingButVisitsEveryFolder) {
    tree.MakeFile("a\\b\\x.txt", 1);
    tree.MakeFile("c\\y.txt", 1);
    // The empty list gets a pattern that matches nothing, after its blank row.
    Main->eName->SetText("*.nada");
    ClickControl(Main->AddButton);
    ASSERT_EQ(PatternCells(0), (Texts{"", "*.nada"}));

    Texts visits;
    PanelWatch watch([&](int panel, const std::string& text) {
        if (panel == 4 && !text.empty()) visits.push_back(text);
    });
    Search();

    EXPECT_EQ(PatternCells(0), (Texts{"", "*.nada"}));  // two rows: no default pattern
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Main->xgFoundFiles->GetRowCount(), 2);
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Panel(0), "0");
    EXPECT_EQ(Panel(2), "0");
    ASSERT_EQ(visits.size(), 9u);
    EXPECT_EQ(visits.back(), "Hecho");
    const Texts folders{Folder(), Folder("a"), Folder("a\\b"), Folder("c")};
    for (int pass = 0; pass < 2; ++pass) {
        Texts seen(visits.begin() + pass * 4, visits.begin() + pass * 4 + 4);
        EXPECT_EQ(seen[0], Folder()) << "pass " << pass;
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(seen, folders) << "pass " << pass;
    }
}

TEST_F(Searching, AFolderWhoseNameMatchesIsListedAndStillSearched) {
    tree.MakeDir("cache.tmp");
    tree.MakeFile("cache.tmp\\inner.tmp", 3);
    tree.MakeFile("cache.tmp\\other.dat", 4);
    UsePatterns({"*.tmp"});
    Search();
    EXPECT_EQ(Places(), (std::vector<Place>{{"cache.tmp", Folder()}, {"inner.tmp", Folder("cache.tmp")}}));
}

TEST_F(Searching, TwoPatternsThatMatchAFileListItTwiceAndCountItTwice) {
    tree.MakeFile("a.tmp", 100);
    tree.MakeFile("b.tmp", 50);
    UsePatterns({"*.tmp", "a*"});
    Search();
    Texts names = ResultNames();
    ASSERT_EQ(names.size(), 3u);
    std::sort(names.begin(), names.begin() + 2);
    EXPECT_EQ(names, (Texts{"a.tmp", "b.tmp", "a.tmp"}));  // the first pattern's walk, then the second's
    EXPECT_EQ(Panel(0), "3");
    EXPECT_EQ(Panel(2), "250");
}

TEST_F(Searching, APatternWithAFolderPartRecordsTheFolderThatHoldsTheFile) {
    tree.MakeFile("a.tmp", 7);  // same name, other folder: must never be named by a row
    tree.MakeFile("sub\\a.tmp", 7);
    tree.MakeFile("x\\sub\\b.tmp", 8);
    tree.MakeFile("x\\c.tmp", 9);
    UsePatterns({"sub\\*.tmp"});
    Search();
    EXPECT_EQ(Places(), (std::vector<Place>{{"a.tmp", Folder("sub")}, {"b.tmp", Folder("x\\sub")}}));
    EXPECT_EQ(Panel(2), "15");
}

// Makes a link to a folder. Wine keeps links as Unix symbolic links and its
// CreateSymbolicLinkA makes none, so the system's own ln makes it; elsewhere
// there is no link and the test is skipped.
bool MakeFolderLink(const std::string& link, const std::string& target) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return false;
    auto unixPath = [&](const std::string& path) {
        wchar_t wide[MAX_PATH];
        ::MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide, MAX_PATH);
        char* u = toUnix(wide);
        std::string result = u ? u : "";
        if (u) ::HeapFree(::GetProcessHeap(), 0, u);
        return result;
    };
    // CreateProcessW may write into the command line: a copy of its own.
    std::wstring command = ui::Wide("/bin/ln -s \"" + unixPath(target) + "\" \"" + unixPath(link) + "\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(L"Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return test::PumpUntil(
        [&] { return ::GetFileAttributesW(ui::Wide(link).c_str()) != INVALID_FILE_ATTRIBUTES; });
}

TEST_F(Searching, ALinkToAFolderIsNotFollowedSoALoopEnds) {
    tree.MakeFile("a.tmp", 1);
    tree.MakeDir("sub");
    // A link inside the tree back to the tree itself: followed, the walk
    // would go round until the paths grew too long.
    if (!MakeFolderLink(tree / "sub\\loop", tree.path())) GTEST_SKIP() << "no way to make a folder link here";
    ASSERT_TRUE(::GetFileAttributesW(ui::Wide(tree / "sub\\loop").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    UsePatterns({"*.tmp"});
    Search();
    EXPECT_EQ(Places(), (std::vector<Place>{{"a.tmp", Folder()}}));
    EXPECT_EQ(Panel(4), "Hecho");
}

// ---------------------------------------------------------------- sizes and totals

TEST_F(Searching, BothSizeLimitsAreStrict) {
    for (std::uint64_t size : {32767u, 32768u, 1048576u, 1048577u}) tree.MakeFile(std::to_string(size) + ".bin", size);
    UsePatterns({"*.bin"});

    SetOption(Main->SearchLesserThan, true);  // below 32 Kb, as the window starts
    Search();
    EXPECT_EQ(ResultNames(), Texts{"32767.bin"});

    SetOption(Main->SearchLesserThan, false);
    SetOption(Main->SearchGreaterThan, true);  // above 1024 Kb
    Search();
    EXPECT_EQ(ResultNames(), Texts{"1048577.bin"});

    // A minimum not below the maximum lists nothing.
    SetOption(Main->SearchLesserThan, true);
    Search();
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Panel(0), "0");
}

TEST_F(Searching, SizesTotalsAndLimitsGoBeyond32Bits) {
    const std::uint64_t big = 3ull << 30;  // a sparse file of 3 GiB
    tree.MakeFile("big.bin", big);
    tree.MakeFile("small.bin", 100);
    UsePatterns({"*.bin"});
    Search();
    ASSERT_EQ(Results().size(), 2u);
    EXPECT_EQ(Results()[static_cast<std::size_t>(IndexOf("big.bin"))].size, "3221225472 bytes");
    EXPECT_EQ(Panel(2), "3072");  // 3221225572 bytes
    EXPECT_EQ(Panel(3), "Mbytes");

    // Limits of more than 2,097,151 Kb, whose bytes need more than 31 bits.
    struct Case {
        TBitCheckBox* box;
        TSpinEdit* field;
        const char* kb;
        Texts found;
    };
    const Case cases[] = {{Main->SearchLesserThan, Main->LesserThan, "4194304", {"big.bin", "small.bin"}},
                          {Main->SearchLesserThan, Main->LesserThan, "3145728", {"small.bin"}},
                          {Main->SearchGreaterThan, Main->GreaterThan, "2097152", {"big.bin"}},
                          {Main->SearchGreaterThan, Main->GreaterThan, "3145728", {}}};
    for (const Case& c : cases) {
        SetOption(Main->SearchLesserThan, false);
        SetOption(Main->SearchGreaterThan, false);
        SetOption(c.box, true);
        TypeSize(c.field, c.kb);
        Search();
        Texts names = ResultNames();
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.found) << c.kb;
    }
}

TEST_F(Searching, TheTotalIsScaledByTheLengthOfItsText) {
    struct Case {
        std::uint64_t bytes;
        const char* text;
        const char* unit;
    };
    UsePatterns({"*.bin"});
    for (const Case& c : {Case{9999, "9999", "bytes"}, Case{10000, "9", "Kbytes"}, Case{100000000, "95", "Mbytes"}}) {
        tree.MakeFile("t.bin", c.bytes);
        Search();
        EXPECT_EQ(Panel(2), c.text) << c.bytes;
        EXPECT_EQ(Panel(3), c.unit) << c.bytes;
    }
}

// ---------------------------------------------------------------- dates

TEST_F(Searching, EveryLastWriteTimeGetsItsDateAlsoOutsideTheDosRange) {
    struct Case {
        const char* name;
        SYSTEMTIME utc;
        const char* year;
    };
    const Case cases[] = {{"dos.bin", {2001, 9, 0, 30, 8, 7, 7, 0}, "2001"},
                          {"old.bin", {1970, 1, 0, 2, 3, 4, 5, 0}, "1970"},
                          {"late.bin", {2150, 6, 0, 15, 12, 34, 57, 0}, "2150"}};
    for (const Case& c : cases) {
        tree.MakeFile(c.name, 1);
        SetLastWrite(tree / c.name, c.utc);
    }
    UsePatterns({"*.bin"});
    Search();
    ASSERT_EQ(Results().size(), 3u);
    for (const Case& c : cases) {
        // The local time, at the two seconds of a DOS time.
        FILETIME utc, local;
        ::SystemTimeToFileTime(&c.utc, &utc);
        ::FileTimeToLocalFileTime(&utc, &local);
        SYSTEMTIME expected;
        ::FileTimeToSystemTime(&local, &expected);
        expected.wSecond = static_cast<WORD>(expected.wSecond & ~1u);
        expected.wMilliseconds = 0;
        const std::string text = Results()[static_cast<std::size_t>(IndexOf(c.name))].modified;
        EXPECT_EQ(text, ui::DateTimeToStr(expected)) << c.name;
        EXPECT_NE(text.find(c.year), std::string::npos) << text;
    }
}

// ---------------------------------------------------------------- failures

TEST_F(Searching, AFolderThatIsGoneWhenItsTurnComesIsSkipped) {
    tree.MakeFile("a\\1.bin", 1);
    tree.MakeFile("b\\2.bin", 2);
    tree.MakeFile("b\\inner\\3.bin", 3);
    tree.MakeFile("c\\4.bin", 4);
    UsePatterns({"*.bin"});
    Texts visits;
    // b is removed after its parent listed it, just before its visit.
    PanelWatch watch([&](int panel, const std::string& text) {
        if (panel != 4 || text.empty()) return;
        visits.push_back(text);
        if (text == Folder("b")) test::RemoveTree(tree / "b");
    });
    Search();
    Texts names = ResultNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Texts{"1.bin", "4.bin"}));
    EXPECT_EQ(Panel(2), "5");
    EXPECT_EQ(std::count(visits.begin(), visits.end(), Folder("b\\inner")), 0);
    EXPECT_EQ(visits.back(), "Hecho");
    ExpectIdle();
}

TEST_F(Searching, AStartFolderThatIsGoneGivesAnEmptyResult) {
    tree.MakeFile("gone\\1.bin", 1);
    tree.MakeFile("2.bin", 2);
    UsePatterns({"*.bin"});
    SearchIn(tree / "gone", [this] { test::RemoveTree(tree / "gone"); });
    EXPECT_EQ(ChooseDir->ChosenDir, Folder("gone"));
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Panel(0), "0");
    EXPECT_EQ(Panel(2), "0");
    EXPECT_EQ(Panel(4), "Hecho");
    ExpectIdle();
}

TEST_F(Searching, AFailedSizeConversionStopsTheSearchAndTheWindowIsIdleAgain) {
    tree.MakeFile("1.bin", 10);
    tree.MakeFile("2.bin", 20);
    tree.MakeFile("sub\\3.bin", 30);
    UsePatterns({"*.bin"});
    SetOption(Main->SearchLesserThan, true);

    std::vector<std::string> errors;
    TExceptionEvent report = Application->OnException;
    Application->OnException = [&](TObject*, const std::exception& e) { errors.push_back(e.what()); };
    bool busyMeanwhile = false;
    // The field is emptied while the search runs, before it visits sub.
    PanelWatch watch([&](int panel, const std::string& text) {
        if (panel != 4 || text != Folder("sub")) return;
        busyMeanwhile = Screen->GetCursor() == crAppStart && !Main->StartButton->GetEnabled();
        Main->LesserThan->SetText("");
    });
    Search();
    Application->OnException = report;

    EXPECT_TRUE(busyMeanwhile);
    EXPECT_EQ(errors, Texts{"'' is not a valid integer value"});
    Texts names = ResultNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Texts{"1.bin", "2.bin"}));  // what was found before the error
    EXPECT_EQ(Panel(0), "2");
    EXPECT_TRUE(LastRowIsBlank());
    ExpectIdle();
}

}  // namespace
