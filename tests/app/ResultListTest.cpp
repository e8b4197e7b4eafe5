// The result list used as a user uses it, with real input: deleting and
// recycling a selected block through the delete button's real menu, what is
// selected and what the status bar says afterwards, stopping a search or a
// deletion with Esc, sorting by a click on a column's title, and what the
// screen shows when the list gets shorter.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/SweepWindows.h"
#include "support/FileTrees.h"
#include "base/Unicode.h"

using namespace sweeptest;

namespace {

using Texts = std::vector<std::string>;

class ResultList : public SweepWindows {
protected:
    TXStringGrid* Grid() const { return Main->xgFoundFiles; }
    POINT RowPoint(int row) const {
        const TRect r = Grid()->CellRect(0, row);
        return test::ScreenPointOf(Grid(), r.left + 8, (r.top + r.bottom) / 2);
    }
    // A click on the first row and a Shift-click on the last, as a user selects.
    void SelectRows(int first, int last) {
        const POINT a = RowPoint(first), b = RowPoint(last);
        test::ClickAt(a.x, a.y);
        test::ShiftClickAt(b.x, b.y);
        ASSERT_TRUE(test::PumpUntil([&] {
            return Grid()->HasSelection() && Grid()->GetSelection().Top == std::min(first, last) &&
                   Grid()->GetSelection().Bottom == std::max(first, last);
        }));
    }
    std::pair<int, int> Selected() const {
        if (!Grid()->HasSelection()) return {0, 0};
        return {Grid()->GetSelection().Top, Grid()->GetSelection().Bottom};
    }
    // A press on "Borrar Selección" opens its menu; a click on the item
    // chooses it, all with the real mouse, and "Eliminar" is confirmed.
    // Returns the item's text.
    std::string ChooseWithTheMouse(int item) {
        std::optional<Answer> answering;
        if (item == 0) answering.emplace(SayYes);
        std::string text;
        test::UserThread picker([&] {
            HWND menu = nullptr;
            if (!test::PumpUntil([&] { return (menu = test::OpenMenuWindow()) != nullptr; })) return;
            HMENU items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
            wchar_t buffer[64] = L"";
            ::GetMenuStringW(items, static_cast<UINT>(item), buffer, 64, MF_BYPOSITION);
            text = base::Utf8(buffer);
            RECT r{};
            ::GetMenuItemRect(nullptr, items, static_cast<UINT>(item), &r);
            test::MouseUp();  // the press ends on the button; the menu stays open
            test::ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            if (!test::PumpUntil([] { return test::OpenMenuWindow() == nullptr; })) test::PressKey(VK_ESCAPE);
        });
        const POINT p = test::CentreOf(Main->DeleteButton);
        test::MouseMoveTo(p.x, p.y);
        test::MouseDown();  // returns once the menu has closed
        picker.Join();
        test::HandlePosted();  // the item chosen posts its command
        if (answering) answering->Asked();
        WaitUntilIdle();
        return text;
    }
    // Files 1.dat to n.dat of n * 10 bytes, found by a search.
    void FindFiles(int n) {
        for (int i = 1; i <= n; ++i) tree.MakeFile(std::to_string(i) + ".dat", static_cast<std::uint64_t>(i) * 10);
        UsePatterns({"*.dat"});
        Search();
        ASSERT_EQ(Results().size(), static_cast<std::size_t>(n));
    }
    bool OnDisk(const std::string& name) const { return tree.Exists(name); }
};

TEST_F(ResultList, BothCommandsKeepWhatCannotGoSelectedAndSayHowMany) {
    for (int item : {0, 1}) {
        SCOPED_TRACE(item == 0 ? "Eliminar" : "Enviar a la Papelera");
        FindFiles(6);
        const Texts names = ResultNames();
        // One file in use by another program, one changed since the search.
        auto inUse = std::make_unique<test::FileHeldByAnotherProcess>(base::Wide(tree / names[2]));
        ASSERT_TRUE(inUse->Held());
        tree.MakeFile(names[3], 999);

        SelectRows(2, 5);
        EXPECT_EQ(ChooseWithTheMouse(item), item == 0 ? "Eliminar\tMayús+Supr" : "Enviar a la Papelera\tSupr");
        EXPECT_EQ(ResultNames(), (Texts{names[0], names[2], names[3], names[5]}));
        for (int i = 0; i < 6; ++i) EXPECT_EQ(OnDisk(names[i]), i != 1 && i != 4) << names[i];
        // The two that stayed are selected, side by side; the status bar
        // tells the truth: four listed, their total, two not deleted.
        EXPECT_EQ(Selected(), std::make_pair(2, 3));
        const int total = 10 + 30 + 40 + 60;
        const std::string done = item == 0 ? "Hecho: 2 borrados (70 bytes)" : "Hecho: 2 a la Papelera (70 bytes)";
        EXPECT_EQ(StatusTexts(), (Texts{"4", "Encontrados", std::to_string(total), "bytes",
                                        done + "; 2 no se pudieron borrar"}));
        // Each row that stayed says why.
        EXPECT_EQ(Main->xgFoundFiles->GetCells(TMain::colReason, 2), "en uso");
        EXPECT_EQ(Main->xgFoundFiles->GetCells(TMain::colReason, 3), "cambió desde la búsqueda");

        // Once the user selects only files that can go, no word of any that stayed.
        inUse.reset();
        SelectRows(1, 1);
        ChooseWithTheMouse(item);
        EXPECT_FALSE(OnDisk(names[0]));
        EXPECT_EQ(Panel(4), item == 0 ? "Hecho: 1 borrado (10 bytes)" : "Hecho: 1 a la Papelera (10 bytes)");
        // Nothing is selected now, and "Borrar Selección" waits for a selection.
        EXPECT_EQ(Selected(), std::make_pair(0, 0));
        EXPECT_FALSE(Main->DeleteButton->GetEnabled());
        test::RemoveTree(tree.path());
        ::CreateDirectoryW(base::Wide(tree.path()).c_str(), nullptr);
    }
}

TEST_F(ResultList, TheRecycleBinHoldsExactlyTheFilesSentAndGivesThemBack) {
    const std::wstring trash = test::TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "the tests' recycle bin is Wine's trash";
    // Names unique to this run, so the bin's other contents do not count.
    const std::string stamp = std::to_string(::GetTickCount());
    for (const char* name : {"keep", "send1", "send2", "also"}) tree.MakeFile(stamp + name + ".bin", 5);
    UsePatterns({"*.bin"});
    Search();
    const Texts names = ResultNames();
    ASSERT_EQ(names.size(), 4u);

    SelectRows(2, 3);
    ChooseWithTheMouse(1);
    const Texts sent{names[1], names[2]};
    EXPECT_EQ(ResultNames(), (Texts{names[0], names[3]}));
    std::vector<std::string> binned;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((L"\\\\?\\" + trash + L"\\files\\" + base::Wide(stamp) + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do binned.push_back(base::Utf8(fd.cFileName));
        while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    std::sort(binned.begin(), binned.end());
    EXPECT_EQ(binned, sent);
    // Restored where the bin says they came from.
    for (const std::string& name : sent) {
        ASSERT_TRUE(::MoveFileW((trash + L"\\files\\" + base::Wide(name)).c_str(), base::Wide(tree / name).c_str()));
        ::DeleteFileW((trash + L"\\info\\" + base::Wide(name) + L".trashinfo").c_str());
        EXPECT_TRUE(OnDisk(name));
    }
    EXPECT_TRUE(OnDisk(names[0]) && OnDisk(names[3]));
}

TEST_F(ResultList, EscStopsASearchAndKeepsWhatItFoundInOrder) {
    for (int folder = 0; folder < 30; ++folder) {
        for (int i = 0; i < 10; ++i) tree.MakeFile("f" + std::to_string(folder) + "\\" + std::to_string(i) + ".bin", 1);
        tree.MakeFile("f" + std::to_string(folder) + "\\1.txt", 1);  // "1*" lists this, not "1.bin" again
    }
    UsePatterns({"*.bin", "1*"});
    Search();
    const std::vector<ResultRow> all = Results();
    ASSERT_EQ(all.size(), 330u);

    // Esc right after the click: it is handled before the window takes in
    // any result.
    StartSearchIn(tree.path());
    test::PressKey(VK_ESCAPE);
    WaitUntilIdle();
    EXPECT_EQ(Panel(4), "Detenido");
    const std::vector<ResultRow> some = Results();
    // Each pattern's rows are the first of its rows in the full search: the
    // first pattern's 300 rows, then the second's 30.
    bool prefixes = false;
    for (std::size_t k = 0; k <= some.size() && k <= 300 && !prefixes; ++k)
        prefixes = some.size() - k <= 30 && std::equal(some.begin(), some.begin() + k, all.begin()) &&
                   std::equal(some.begin() + k, some.end(), all.begin() + 300);
    EXPECT_TRUE(prefixes) << some.size() << " rows";
    EXPECT_EQ(Panel(0), std::to_string(some.size()));
    ExpectIdleButtons();
}

TEST_F(ResultList, AnEscPressedBeforeTheWindowTakesInTheEndStillStops) {
    tree.MakeFile("a.bin", 1);
    UsePatterns({"*.bin"});
    StartSearchIn(tree.path());
    // The walk is over and has told the window, which has not looked yet;
    // then the user presses Esc.
    ASSERT_TRUE(test::WaitUntil([] {
        MSG told;
        return ::PeekMessageW(&told, nullptr, WM_APP, WM_APP, PM_NOREMOVE) != FALSE;
    }));
    test::PressKey(VK_ESCAPE);
    WaitUntilIdle();
    EXPECT_EQ(Panel(4), "Detenido");
    EXPECT_TRUE(ResultNames().empty()) << "Esc keeps what was shown: nothing";
}

TEST_F(ResultList, EscStopsADeletionAfterTheFileInHand) {
    FindFiles(200);
    const Texts names = ResultNames();
    // The first row, then Shift+End: every result.
    const POINT first = RowPoint(1);
    test::ClickAt(first.x, first.y);
    test::PressKey(VK_END, true);
    ASSERT_TRUE(test::PumpUntil([&] { return Selected() == std::make_pair(1, 200); }));
    // Esc queued with the keys that say yes to the question: the window sees
    // it as soon as the job has begun, so the job stops after the file in hand.
    Answer yesThenEsc([] { test::PressKeys({VK_TAB, VK_SPACE, VK_ESCAPE}); });
    test::UserThread picker([&] {
        HWND menu = nullptr;
        if (!test::PumpUntil([&] { return (menu = test::OpenMenuWindow()) != nullptr; })) return;
        test::MouseUp();
        test::PressKey(VK_DOWN);  // "Eliminar"
        test::PressKey(VK_RETURN);
    });
    const POINT p = test::CentreOf(Main->DeleteButton);
    test::MouseMoveTo(p.x, p.y);
    test::MouseDown();
    picker.Join();
    yesThenEsc.Asked();
    WaitUntilIdle();

    // The files deleted are the first of the block; every other row stays,
    // in order, with its file.
    const Texts left = ResultNames();
    const std::size_t gone = names.size() - left.size();
    EXPECT_TRUE(std::equal(left.begin(), left.end(), names.begin() + static_cast<std::ptrdiff_t>(gone)));
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(OnDisk(names[i]), i >= gone) << names[i];
    // The Esc was queued before the command began: it stops the job at once.
    EXPECT_LT(gone, names.size());
    EXPECT_EQ(Panel(4).rfind("Detenido: " + std::to_string(gone) + (gone == 1 ? " borrado (" : " borrados ("), 0), 0u)
        << Panel(4);
    EXPECT_EQ(Panel(0), std::to_string(left.size()));
}

TEST_F(ResultList, AClickOnATitleSortsAndASecondReversesTiesKeepingTheSearchOrder) {
    // Sizes with ties, names with letter case and accents.
    const std::pair<const char*, int> files[] = {{"b.dat", 30}, {"\xC3\x81lamo.dat", 10}, {"a.dat", 20},
                                                 {"C.dat", 10}, {"\xC3\xB1u.dat", 20}};
    for (const auto& f : files) tree.MakeFile(f.first, static_cast<std::uint64_t>(f.second));
    tree.MakeFile("sub\\z.dat", 30);
    tree.MakeFile("b.txt", 30);
    UsePatterns({"*.dat", "b*"});
    Search();
    const Texts searchOrder = ResultNames();
    ASSERT_EQ(searchOrder.size(), 7u);  // b.dat found by both patterns, listed under the first

    auto clickTitle = [&](int col) {
        const TRect r = Grid()->CellRect(col, 0);
        const POINT p = test::ScreenPointOf(Grid(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        test::ClickAt(p.x, p.y);
    };
    Texts sorted;
    auto sizes = [&] {
        std::vector<int> v;
        for (const ResultRow& r : Results()) v.push_back(std::stoi(r.size));
        return v;
    };
    // Sizes first from the largest down, a cleaner's first question.
    clickTitle(TMain::colSize);
    EXPECT_EQ(sizes(), (std::vector<int>{30, 30, 30, 20, 20, 10, 10}));
    EXPECT_EQ(Grid()->GetSortColumn(), TMain::colSize);
    EXPECT_EQ(Grid()->GetSortMark(), TSortMark::smDescending);
    // The three of 30 bytes in the search's order: the first pattern's two
    // (the second in a sub-folder, read after the second pattern's row of
    // the first folder), then the second pattern's.
    sorted = ResultNames();
    EXPECT_EQ(Texts(sorted.begin(), sorted.begin() + 3), (Texts{"b.dat", "z.dat", "b.txt"}));
    EXPECT_EQ(Results()[1].folder, tree / "sub\\");
    Texts expectedTens;
    for (const std::string& n : searchOrder)
        if (n == "\xC3\x81lamo.dat" || n == "C.dat") expectedTens.push_back(n);
    EXPECT_EQ(Texts(sorted.end() - 2, sorted.end()), expectedTens) << "ties keep the search order";

    clickTitle(TMain::colSize);
    EXPECT_EQ(sizes(), (std::vector<int>{10, 10, 20, 20, 30, 30, 30}));
    EXPECT_EQ(Grid()->GetSortMark(), TSortMark::smAscending);
    sorted = ResultNames();
    EXPECT_EQ(Texts(sorted.begin(), sorted.begin() + 2), expectedTens);

    // By name, as the user's language sorts, without letter case.
    clickTitle(TMain::colName);
    EXPECT_EQ(ResultNames(),
              (Texts{"a.dat", "\xC3\x81lamo.dat", "b.dat", "b.txt", "C.dat", "\xC3\xB1u.dat", "z.dat"}));
    EXPECT_FALSE(Grid()->HasSelection());
    EXPECT_TRUE(LastRowIsBlank());

    // The command acts on the rows the user sees selected.
    SelectRows(5, 5);
    ChooseWithTheMouse(0);
    EXPECT_FALSE(OnDisk("C.dat"));
    EXPECT_TRUE(OnDisk("\xC3\xB1u.dat"));

    // Each column's first click: texts from A, sizes and times from the top.
    const std::pair<int, TSortMark> firstClicks[] = {{TMain::colFolder, TSortMark::smAscending},
                                                     {TMain::colSize, TSortMark::smDescending},
                                                     {TMain::colModified, TSortMark::smDescending},
                                                     {TMain::colName, TSortMark::smAscending}};
    for (const auto& [col, mark] : firstClicks) {
        clickTitle(col);
        EXPECT_EQ(Grid()->GetSortMark(), mark) << col;
    }

    // A new search shows the search's order again, from the top left.
    Search();
    EXPECT_EQ(Grid()->GetSortColumn(), -1);
    EXPECT_EQ(Grid()->GetTopRow(), 1);
}

// The blank row after the results is never selected; "Borrar Selección" is
// there while rows are. The list's keys: Supr to the recycle bin, Ctrl+A
// every result, Mayús+Supr for good after the question; in the pattern
// field or the pattern list they remove nothing.
TEST_F(ResultList, TheBlankRowTheButtonAndTheListsKeys) {
    FindFiles(5);
    const Texts names = ResultNames();
    const POINT second = RowPoint(2), blank = RowPoint(6);
    test::ClickAt(second.x, second.y);
    test::ClickAt(blank.x, blank.y);
    test::ShiftClickAt(blank.x, blank.y);
    EXPECT_EQ(Selected(), std::make_pair(2, 2));
    test::PressKey(VK_END);
    test::PressKey(VK_DOWN);
    EXPECT_EQ(Selected(), std::make_pair(5, 5));
    {
        test::MessageBoxCloser noQuestion;
        ClickControl(Main->ConfigButton);
        for (TWinControl* control : std::initializer_list<TWinControl*>{Main->eName, Main->sgFiles}) {
            test::ClickOn(control);
            test::PressKey(VK_DELETE);
            test::PressKey(VK_DELETE, true);
        }
        ClickControl(Main->ConfigButton);
        test::ClickAt(second.x, second.y);
        test::PressKey(VK_END);
        EXPECT_EQ(ResultNames(), names);
        test::PressKey(VK_DELETE);
        ASSERT_TRUE(test::PumpUntil([&] { return ResultNames().size() == 4 && !Main->Busy(); }));
        EXPECT_FALSE(OnDisk(names[4]));
        EXPECT_EQ(noQuestion.Count(), 0);
    }
    EXPECT_FALSE(Main->DeleteButton->GetEnabled());
    test::PressKey('A', false, true);
    EXPECT_EQ(Selected(), std::make_pair(1, 4));
    EXPECT_TRUE(Main->DeleteButton->GetEnabled());
    const TRect title = Grid()->CellRect(TMain::colSize, 0);  // sorting leaves nothing selected
    const POINT t = test::ScreenPointOf(Grid(), title.left + 5, (title.top + title.bottom) / 2);
    test::ClickAt(t.x, t.y);
    EXPECT_FALSE(Main->DeleteButton->GetEnabled());
    test::PressKey('A', false, true);
    Answer yes(SayYes);
    test::PressKey(VK_DELETE, true);
    EXPECT_NE(yes.Asked(), "");
    WaitUntilIdle();
    for (const std::string& name : names) EXPECT_FALSE(OnDisk(name)) << name;
    test::PressKey(VK_DOWN);
    EXPECT_FALSE(Main->xgFoundFiles->HasSelection());
}

TEST_F(ResultList, ANewSearchStartsAtTheTopLeft) {
    for (int i = 0; i < 60; ++i)
        tree.MakeFile(std::string(120, static_cast<char>('a' + i % 26)) + std::to_string(i) + ".dat", 1);
    UsePatterns({"*.dat"});
    Search();
    Grid()->SetColWidths(TMain::colName, 2000);  // as a user's drag of its border would
    Grid()->SetTopRow(40);
    ::SendMessageW(Grid()->GetHandle(), WM_HSCROLL, SB_RIGHT, 0);
    ASSERT_GT(Grid()->GetTopRow(), 1);
    ASSERT_LT(Grid()->CellRect(0, Grid()->GetTopRow()).left, 0);
    Search();
    EXPECT_EQ(Grid()->GetTopRow(), 1);
    EXPECT_EQ(Grid()->CellRect(0, 1).left, 0);
}

TEST_F(ResultList, NothingOfTheRowsThatWentStaysOnTheScreen) {
    FindFiles(8);
    test::PaintPending(Grid()->GetHandle());
    SelectRows(2, 7);
    ChooseWithTheMouse(0);
    ASSERT_EQ(Results().size(), 2u);
    test::PaintPending(Grid()->GetHandle());
    // Below the blank last row: the grid's own colour, nothing else.
    ui::WindowDc dc(Grid()->GetHandle());
    const int below = Grid()->CellRect(0, 3).bottom + 2;
    int other = 0;
    for (int y = below; y < Grid()->GetClientHeight() - 2; y += 2)
        for (int x = 2; x < Grid()->GetClientWidth() - 2; x += 5)
            other += ::GetPixel(dc.get(), x, y) != ColorToRGB(Grid()->GetColor());
    EXPECT_EQ(other, 0);
}

TEST_F(ResultList, WithoutSubfoldersOnlyTheStartFoldersOwnEntriesAreListed) {
    tree.MakeFile("top.tmp", 1);
    tree.MakeFile("sub\\inner.tmp", 1);
    UsePatterns({"*.tmp", "*"});
    SetOption(Main->SearchSubdirs, false);
    Search();
    EXPECT_EQ(Places(), (std::vector<Place>{{"top.tmp", tree / ""}, {"sub", tree / ""}}));
    SetOption(Main->SearchSubdirs, true);
    Search();
    EXPECT_EQ(Results().size(), 3u);
}

}  // namespace
