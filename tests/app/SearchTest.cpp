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
#include "support/FileTrees.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"

using namespace sweeptest;

namespace {

class Searching : public SweepWindows {
protected:
    // The folder as the search names it: ending with a backslash.
    std::string Folder(const std::string& relative = "") const {
        return relative.empty() ? tree.path() + "\\" : tree / relative + "\\";
    }
    int IndexOf(const std::string& name) const {
        std::vector<std::string> names = ResultNames();
        auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }
};

// Removes the pattern list beside the test program however the case ends.
struct IniBesideTheProgram {
    explicit IniBesideTheProgram(const std::string& text) { std::ofstream(TMain::IniPath()) << text; }
    ~IniBesideTheProgram() { ::DeleteFileW(base::Wide(TMain::IniPath()).c_str()); }
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
    ExpectIdleButtons();
    EXPECT_TRUE(Main->xgFoundFiles->GetVisible());

    // Every search shows the chooser again and starts afresh.
    ::DeleteFileW(base::Wide(tree / "a.txt").c_str());
    Search();
    EXPECT_EQ(chooserShown_, 1);
    EXPECT_EQ(IndexOf("a.txt"), -1);
    EXPECT_EQ(Panel(0), "4");
}

TEST_F(Searching, AnEmptyPatternFindsNothingAndTheOthersStillSearchEveryFolder) {
    tree.MakeFile("a\\b\\x.txt", 1);
    tree.MakeFile("c\\y.txt", 1);
    // The empty list gets a pattern after its blank row.
    Main->eName->SetText("*.txt");
    ClickControl(Main->AddButton);
    ASSERT_EQ(PatternCells(0), (Texts{"", "*.txt"}));
    Search();

    EXPECT_EQ(PatternCells(0), (Texts{"", "*.txt"}));  // two rows: no default pattern
    EXPECT_EQ(Places(), (std::vector<Place>{{"x.txt", Folder("a\\b")}, {"y.txt", Folder("c")}}));
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Panel(0), "2");
    EXPECT_EQ(Panel(4), "Hecho");
}

TEST_F(Searching, AFolderWhoseNameMatchesIsListedAndStillSearched) {
    tree.MakeDir("cache.tmp");
    tree.MakeFile("cache.tmp\\inner.tmp", 3);
    tree.MakeFile("cache.tmp\\other.dat", 4);
    UsePatterns({"*.tmp"});
    Search();
    EXPECT_EQ(Places(), (std::vector<Place>{{"cache.tmp", Folder()}, {"inner.tmp", Folder("cache.tmp")}}));
}

TEST_F(Searching, AFileFoundByTwoPatternsIsListedAndCountedOnceUnderTheFirst) {
    tree.MakeFile("a.tmp", 100);
    tree.MakeFile("b.tmp", 50);
    tree.MakeFile("abc", 7);
    UsePatterns({"a*", "*.tmp"});
    Search();
    Texts names = ResultNames();
    ASSERT_EQ(names.size(), 3u);
    std::sort(names.begin(), names.begin() + 2);
    EXPECT_EQ(names, (Texts{"a.tmp", "abc", "b.tmp"}));  // the first pattern's rows, then the second's
    EXPECT_EQ(Panel(0), "3");
    EXPECT_EQ(Panel(2), "157");
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

TEST_F(Searching, ALinkToAFolderIsNotFollowedSoALoopEnds) {
    tree.MakeFile("a.tmp", 1);
    tree.MakeDir("sub");
    // A link inside the tree back to the tree itself: followed, the walk
    // would go round until the paths grew too long.
    if (!test::MakeUnixLink(base::Wide(tree / "sub\\loop"), base::Wide(tree.path())))
        GTEST_SKIP() << "no way to make a folder link here";
    ASSERT_TRUE(::GetFileAttributesW(base::Wide(tree / "sub\\loop").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    UsePatterns({"*.tmp"});
    Search();
    EXPECT_EQ(Places(), (std::vector<Place>{{"a.tmp", Folder()}}));
    EXPECT_EQ(Panel(4), "Hecho");
}

TEST_F(Searching, WhileASearchRunsTheWindowIsBusyAndTheChooserStandsThreeQuartersAcross) {
    tree.MakeFile("a.tmp", 1);
    UsePatterns({"*.tmp"});
    int chooserLeft = 0, chooserTop = 0;
    StartSearchIn(tree.path(), [&] {
        chooserLeft = ChooseDir->GetLeft();
        chooserTop = ChooseDir->GetTop();
    });
    // Right after the click: searching, with the three buttons disabled.
    EXPECT_TRUE(Main->Busy());
    EXPECT_EQ(Screen->GetCursor(), crAppStart);
    EXPECT_FALSE(Main->StartButton->GetEnabled());
    EXPECT_FALSE(Main->DeleteButton->GetEnabled());
    EXPECT_FALSE(Main->ConfigButton->GetEnabled());
    WaitUntilIdle();
    ExpectIdleButtons();
    EXPECT_EQ(chooserLeft, Main->GetLeft() + Main->GetWidth() * 3 / 4);
    EXPECT_EQ(chooserTop, Main->GetTop() + Main->GetHeight() * 3 / 4);
}

TEST_F(Searching, WithoutTheStartFolderOptionTheSearchStartsAtTheRootOfC) {
    tree.MakeFile("a.tmp", 1);
    UsePatterns({"*"});
    Search();  // a folder chosen in the chooser
    ASSERT_EQ(Places().front().second, Folder());
    SetOption(Main->SelectHomeDir, false);
    chooserShown_ = 0;
    // The whole of C:\ would take a while: the search is stopped once it
    // shows its first rows, which it keeps.
    ClickControl(Main->StartButton);
    ASSERT_TRUE(test::PumpUntil([] { return Main->xgFoundFiles->GetRowCount() > 2; }, 60000));
    WORD escape = VK_ESCAPE;
    Main->FormKeyDown(Main, escape, {});
    WaitUntilIdle();
    EXPECT_EQ(chooserShown_, 0);
    ASSERT_FALSE(Results().empty());
    for (const ResultRow& r : Results()) EXPECT_EQ(r.folder.compare(0, 3, "C:\\"), 0) << r;
    EXPECT_EQ(Results().front().folder, "C:\\");
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

    // Below 32 Kb and above 1024 Kb: no size passes both. No search starts
    // (no chooser); the results stay and the status bar says why.
    SetOption(Main->SearchLesserThan, true);
    const Texts before = StatusTexts();
    Search();
    EXPECT_EQ(chooserShown_, 0);
    EXPECT_EQ(ResultNames(), Texts{"1048577.bin"});
    EXPECT_EQ(StatusTexts(), (Texts{before[0], before[1], before[2], before[3], "Ningún tamaño cumple los dos límites"}));
    ExpectIdleButtons();
}

TEST_F(Searching, TheListAndTheStatusBarStartAfreshTogether) {
    tree.MakeFile("big.bin", 20000);
    UsePatterns({"*.bin"});
    Search();
    ASSERT_EQ(StatusTexts(), (Texts{"1", "Encontrados", "19", "Kbytes", "Hecho"}));
    // The click returns as the search starts, before the window takes in
    // anything it finds: an empty list, and a status bar that says so.
    StartSearchIn(tree.path());
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(StatusTexts(), (Texts{"0", "Encontrados", "0", "bytes", ""}));
    WaitUntilIdle();
}

TEST_F(Searching, SizesTotalsAndLimitsGoBeyond32Bits) {
    const std::uint64_t big = 3ull << 30;  // a sparse file of 3 GiB
    tree.MakeFile("big.bin", big);
    tree.MakeFile("small.bin", 100);
    UsePatterns({"*.bin"});
    Search();
    ASSERT_EQ(Results().size(), 2u);
    EXPECT_EQ(Results()[static_cast<std::size_t>(IndexOf("big.bin"))].size, "3.221.225.472 bytes");  // the tests' prefix groups as Spanish does
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
    // The texts are those of the tests' usual settings: United States
    // formats and universal time. Elsewhere the case has nothing to compare.
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = L"";
    ::GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    TIME_ZONE_INFORMATION zone;
    const DWORD dst = ::GetTimeZoneInformation(&zone);
    if (std::wstring(locale) != L"en-US" || zone.Bias != 0 || dst == TIME_ZONE_ID_DAYLIGHT)
        GTEST_SKIP() << "the expected texts are those of en-US in universal time";
    struct Case {
        const char* name;
        SYSTEMTIME utc;
        const char* text;
    };
    const Case cases[] = {
        {"dos.bin", {2001, 9, 0, 30, 8, 7, 7, 0}, "9/30/2001 8:07:06 AM"},  // two-second precision
        {"old.bin", {1970, 1, 0, 2, 15, 4, 5, 0}, "1/2/1970 3:04:04 PM"},   // before DOS dates
        {"late.bin", {2150, 6, 0, 15, 12, 34, 57, 0}, "6/15/2150 12:34:56 PM"},
        {"midnight.bin", {2010, 3, 0, 14, 0, 0, 0, 0}, "3/14/2010"},  // no time at midnight
        {"second.bin", {2010, 3, 0, 15, 0, 0, 1, 0}, "3/15/2010"},    // nor a second after it
    };
    for (const Case& c : cases) {
        tree.MakeFile(c.name, 1);
        SetLastWrite(tree / c.name, c.utc);
    }
    UsePatterns({"*.bin"});
    Search();
    ASSERT_EQ(Results().size(), std::size(cases));
    for (const Case& c : cases) EXPECT_EQ(Results()[static_cast<std::size_t>(IndexOf(c.name))].modified, c.text);
}

// ---------------------------------------------------------------- failures

TEST_F(Searching, AStartFolderThatIsGoneGivesAnEmptyResultAndSaysSo) {
    tree.MakeFile("gone\\1.bin", 1);
    tree.MakeFile("2.bin", 2);
    UsePatterns({"*.bin"});
    SearchIn(tree / "gone", [this] { test::RemoveTree(tree / "gone"); });
    EXPECT_EQ(ChooseDir->ChosenDir, Folder("gone"));
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Panel(0), "0");
    EXPECT_EQ(Panel(2), "0");
    EXPECT_EQ(Panel(4), "Hecho; 1 carpeta no se pudo leer");
    // The status bar's hint names the folder and why.
    EXPECT_EQ(Main->StatusBar->GetHint(), Folder("gone") + " (ya no existe)");
    EXPECT_FALSE(Main->DeleteButton->GetEnabled());  // nothing to delete
    ExpectIdleButtons();
    // A search that reads everything says nothing of the last one's
    // folders, from its start on.
    StartSearchIn(tree.path());
    EXPECT_EQ(Main->StatusBar->GetHint(), "");
    WaitUntilIdle();
    EXPECT_EQ(Panel(4), "Hecho");
}

TEST_F(Searching, ASizeFieldWithoutANumberStartsNoSearchAndKeepsTheResults) {
    tree.MakeFile("1.bin", 10);
    tree.MakeFile("2.bin", 20);
    UsePatterns({"*.bin"});
    SetOption(Main->SearchLesserThan, true);
    Search();
    const std::vector<ResultRow> before = Results();
    ASSERT_EQ(before.size(), 2u);

    // Emptied by the program, as no user can: leaving the field puts "0"
    // into an empty one, and the search moved the focus off it already.
    ASSERT_FALSE(Main->LesserThan->Focused());
    Main->LesserThan->SetText("");
    std::vector<std::string> errors;
    TExceptionEvent report = Application->OnException;
    Application->OnException = [&](TObject*, const std::exception& e) { errors.push_back(e.what()); };
    Search();
    Application->OnException = report;

    EXPECT_EQ(errors, Texts{"'' is not a valid integer value"});
    EXPECT_EQ(Results(), before);
    EXPECT_EQ(Panel(0), "2");
    EXPECT_EQ(Panel(4), "Hecho");
    ExpectIdleButtons();
}

}  // namespace
