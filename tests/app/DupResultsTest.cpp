// Duplicate results in the main window: which copies the commands take and
// the order under a sort, as rules; then a small tree of two groups searched
// with "Buscar ficheros duplicados" ticked, its rows, their style and the
// status bar, another copy kept, copies removed, a kept file changed after
// the search, the sort and Esc, with real input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/DuplicateRows.h"
#include "app/SweepWindows.h"
#include "base/Unicode.h"
#include "support/FileTrees.h"

using namespace sweeptest;

namespace {

using Texts = std::vector<std::string>;

TEST(DuplicateRows, EveryGroupWithASelectedRowLosesAllButItsFirstRow) {
    const std::vector<std::uint32_t> groups{7, 7, 7, 3, 3, 9, 9, 9};
    const struct {
        std::size_t first, last;
        std::vector<sweep::CopiesPick> picks;
    } cases[] = {
        {0, 0, {{0, {1, 2}}}},            // the kept row alone selected: its copies go
        {4, 4, {{3, {4}}}},
        {2, 3, {{0, {1, 2}}, {3, {4}}}},  // two groups touched
        {0, 7, {{0, {1, 2}}, {3, {4}}, {5, {6, 7}}}},
        {6, 20, {{5, {6, 7}}}},           // a selection past the end stops there
        {3, 2, {}},
    };
    for (const auto& c : cases) {
        const std::vector<sweep::CopiesPick> picks = sweep::CopiesPicked(groups, c.first, c.last);
        ASSERT_EQ(picks.size(), c.picks.size()) << c.first << "-" << c.last;
        for (std::size_t i = 0; i < picks.size(); ++i) {
            EXPECT_EQ(picks[i].kept, c.picks[i].kept) << c.first << "-" << c.last;
            EXPECT_EQ(picks[i].copies, c.picks[i].copies) << c.first << "-" << c.last;
        }
    }
    // A group whose rows lie apart keeps its first row all the same.
    const std::vector<sweep::CopiesPick> apart = sweep::CopiesPicked({1, 2, 1}, 2, 2);
    ASSERT_EQ(apart.size(), 1u);
    EXPECT_EQ(apart[0].kept, 0u);
    EXPECT_EQ(apart[0].copies, (std::vector<std::size_t>{2}));
}

TEST(DuplicateRows, ASortKeepsGroupsTogetherUnderTheirKeptRows) {
    // Rows by their key under a column; the first of each group is kept.
    struct Row {
        int group, key;
    };
    const std::vector<Row> rows{{0, 50}, {0, 10}, {0, 90}, {1, 40}, {1, 20}, {2, 60}, {2, 5}};
    for (bool ascending : {true, false}) {
        std::vector<const Row*> order;
        for (const Row& r : rows) order.push_back(&r);
        auto keptOf = [&](const Row* r) { return &*std::find_if(rows.begin(), rows.end(), [&](const Row& k) {
            return k.group == r->group;
        }); };
        auto before = [ascending](const Row* a, const Row* b) { return ascending ? a->key < b->key : a->key > b->key; };
        std::stable_sort(order.begin(), order.end(),
                         [&](const Row* a, const Row* b) { return sweep::GroupedBefore(a, b, keptOf, before); });
        std::vector<int> keys;
        for (const Row* r : order) keys.push_back(r->key);
        EXPECT_EQ(keys, ascending ? (std::vector<int>{40, 20, 50, 10, 90, 60, 5})
                                  : (std::vector<int>{60, 5, 50, 90, 10, 40, 20}));
    }
}

// Two groups and two files of no group, all *.dat: three copies of 3000
// bytes (m, c, x, oldest first), two of 100 bytes (k, b), a file of 3000
// bytes of other bytes and one of 7.
class DupResults : public SweepWindows {
protected:
    void SetUp() override {
        SweepWindows::SetUp();
        const struct {
            const char* path;
            char byte;
            int size;
            WORD year;
        } files[] = {{"d1\\m.dat", 'A', 3000, 2001}, {"d2\\c.dat", 'A', 3000, 2002}, {"d3\\x.dat", 'A', 3000, 2003},
                     {"d1\\k.dat", 'B', 100, 2000},  {"d2\\b.dat", 'B', 100, 2002},  {"u.dat", 'U', 3000, 2001},
                     {"v.dat", 'V', 7, 2001}};
        for (const auto& f : files) {
            Write(f.path, std::string(static_cast<std::size_t>(f.size), f.byte));
            SetLastWrite(tree / f.path, SYSTEMTIME{f.year, 1, 0, 1, 12, 0, 0, 0});
        }
        UsePatterns({"*.dat"});
        SetOption(Main->SearchDups, true);
    }
    void Write(const std::string& path, const std::string& bytes) {
        tree.MakeFile(path);
        HANDLE h = ::CreateFileW(base::Wide(tree / path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD written = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(h);
    }
    TXStringGrid* Grid() const { return Main->xgFoundFiles; }
    POINT RowPoint(int row) const {
        const TRect r = Grid()->CellRect(0, row);
        return test::ScreenPointOf(Grid(), r.left + 8, (r.top + r.bottom) / 2);
    }
    // The rows as "folder\name", and which of them are bold.
    Texts Rows() const {
        Texts rows;
        for (const Place& p : Places()) rows.push_back(p.second.substr(tree.path().size() + 1) + p.first);
        return rows;
    }
    std::vector<int> BoldRows() const {
        std::vector<int> bold;
        for (int row = 1; row < Grid()->GetRowCount() - 1; ++row)
            if (Main->RowStyle(row).bold) bold.push_back(row);
        return bold;
    }
    Texts Counts() const { return {Panel(0), Panel(1), Panel(2), Panel(3)}; }
};

TEST_F(DupResults, GroupsStandTogetherTheKeptCopyFirstInBoldAndTheStatusBarCountsWhatWouldGo) {
    Texts activity;
    {
        PanelWatch watch([&](int panel, const std::string& text) {
            if (panel == 4) activity.push_back(text);
        });
        Search();
    }
    EXPECT_EQ(Rows(), (Texts{"d1\\m.dat", "d2\\c.dat", "d3\\x.dat", "d1\\k.dat", "d2\\b.dat"}));
    EXPECT_EQ(BoldRows(), (std::vector<int>{1, 4}));
    for (int row = 1; row <= 5; ++row) EXPECT_EQ(Main->RowStyle(row).background != clNone, row >= 4) << row;
    EXPECT_EQ(Counts(), (Texts{"2", "grupos", "3 copias", "6100 bytes"}));
    EXPECT_EQ(Panel(4), "Hecho");
    // What was compared shows as it goes, to the end: six files share a size.
    EXPECT_NE(std::find(activity.begin(), activity.end(), "Comparados 6 de 6 ficheros (11 Kbytes de 11 Kbytes)"),
              activity.end());

    // Unticked, the same search lists every file, plain.
    SetOption(Main->SearchDups, false);
    Search();
    EXPECT_EQ(Results().size(), 7u);
    EXPECT_EQ(BoldRows(), std::vector<int>{});
    EXPECT_EQ(Counts(), (Texts{"7", "Encontrados", "11", "Kbytes"}));
}

TEST_F(DupResults, AnotherCopyKeptThenTheCopiesDeletedLeavesExactlyTheKeptOne) {
    {
        // A file held by another program is read by nobody: counted and named.
        HANDLE held = ::CreateFileW(base::Wide(tree / "u.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        Search();
        ::CloseHandle(held);
    }
    EXPECT_EQ(Panel(4), "Hecho; 1 fichero no se pudo leer");
    EXPECT_EQ(Main->StatusBar->GetHint(), tree / "u.dat (en uso)");
    // "Conservar esta copia" on the third row's menu, with a right click.
    Texts items;
    test::UserThread user([&] {
        const HWND menu = test::WaitForMenu();
        if (!menu) return;
        HMENU handle = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
        for (int i = 0; i < ::GetMenuItemCount(handle); ++i) {
            wchar_t text[64] = L"";
            ::GetMenuStringW(handle, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            items.push_back(base::Utf8(text));
        }
        for (int i = 0; i < 3; ++i) ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    });
    const POINT third = RowPoint(3);
    test::MouseMoveTo(third.x, third.y);
    test::MouseDown(false);
    test::MouseUp(false);
    user.Join();
    test::HandlePosted();
    EXPECT_EQ(items, (Texts{"Abrir carpeta", "Copiar ruta", "", "Conservar esta copia",
                            "Enviar copias a la Papelera\tSupr", "Eliminar copias\tMayús+Supr", "",
                            "Guardar lista…\tCtrl+S"}));
    EXPECT_EQ(Rows(), (Texts{"d3\\x.dat", "d1\\m.dat", "d2\\c.dat", "d1\\k.dat", "d2\\b.dat"}));
    EXPECT_EQ(BoldRows(), (std::vector<int>{1, 4}));
    // Saved as a list, each row says its group and whether it is kept.
    const std::string saved = tree / "lista.csv";
    ASSERT_TRUE(Main->SaveList(base::Wide(saved)));
    const std::string text = test::ExactContents(base::Wide(saved));
    std::string ends;  // each line's last two fields
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = text.substr(start, end - start);
        ends += line.substr(line.rfind(',', line.rfind(',') - 1) + 1) + ";";
    }
    EXPECT_EQ(ends, "group,keep;1,true;1,false;1,false;2,true;2,false;");
    ::DeleteFileW(base::Wide(saved).c_str());

    // One copy of the first group selected: every copy of that group goes.
    SelectRows(2, 2);
    DeleteSelection();
    EXPECT_EQ(asked, "¿Eliminar definitivamente 2 copias (6000 bytes)? Se conserva una de cada grupo. No se podrán "
                     "recuperar.");
    EXPECT_TRUE(tree.Exists("d3\\x.dat"));
    EXPECT_FALSE(tree.Exists("d1\\m.dat") || tree.Exists("d2\\c.dat"));
    for (const char* stays : {"d1\\k.dat", "d2\\b.dat", "u.dat", "v.dat"}) EXPECT_TRUE(tree.Exists(stays)) << stays;
    // The group left with one file leaves the list.
    EXPECT_EQ(Rows(), (Texts{"d1\\k.dat", "d2\\b.dat"}));
    EXPECT_EQ(BoldRows(), (std::vector<int>{1}));
    EXPECT_EQ(Counts(), (Texts{"1", "grupo", "1 copia", "100 bytes"}));
    EXPECT_EQ(Panel(4), "Hecho: 2 borrados (6000 bytes)");
}

TEST_F(DupResults, AKeptFileChangedSinceTheSearchKeepsItsWholeGroupAndSaysWhy) {
    Search();
    Write("d1\\m.dat", std::string(3000, 'Z'));
    // Every row (Ctrl+A), then Mayús+Supr, answered yes.
    const POINT first = RowPoint(1);
    test::ClickAt(first.x, first.y);
    test::PressKey('A', false, true);
    ASSERT_TRUE(test::PumpUntil([&] { return Grid()->GetSelection().Bottom == 5; }));
    Answer yes(SayYes);
    test::PressKey(VK_DELETE, true);
    EXPECT_EQ(yes.Asked(), "¿Eliminar definitivamente 3 copias (6100 bytes)? Se conserva una de cada grupo. No se "
                           "podrán recuperar.");
    WaitUntilIdle();
    for (const char* stays : {"d1\\m.dat", "d2\\c.dat", "d3\\x.dat", "d1\\k.dat"}) EXPECT_TRUE(tree.Exists(stays)) << stays;
    EXPECT_FALSE(tree.Exists("d2\\b.dat"));
    EXPECT_EQ(Rows(), (Texts{"d1\\m.dat", "d2\\c.dat", "d3\\x.dat"}));
    EXPECT_EQ(Grid()->GetCells(TMain::colReason, 0), "Motivo");
    EXPECT_EQ(Grid()->GetCells(TMain::colReason, 1), "");
    for (int row : {2, 3}) EXPECT_EQ(Grid()->GetCells(TMain::colReason, row), "la copia que se conserva cambió");
    EXPECT_EQ(Counts(), (Texts{"1", "grupo", "2 copias", "6000 bytes"}));
    EXPECT_EQ(Panel(4), "Hecho: 1 borrado (100 bytes); 2 no se pudieron borrar");
}

TEST_F(DupResults, ASortKeepsEachGroupTogetherUnderItsKeptCopy) {
    // An automatic mode asks nothing after a duplicate search.
    UsePatterns({"*.dat"}, {"Eliminar"});
    test::MessageBoxCloser noQuestion;
    Search();
    EXPECT_EQ(noQuestion.Count(), 0);
    const struct {
        int col, clicks;
        Texts names;
    } cases[] = {
        {TMain::colName, 1, {"k.dat", "b.dat", "m.dat", "c.dat", "x.dat"}},
        {TMain::colName, 2, {"m.dat", "x.dat", "c.dat", "k.dat", "b.dat"}},
        {TMain::colModified, 1, {"m.dat", "x.dat", "c.dat", "k.dat", "b.dat"}},  // newest first
        {TMain::colSize, 2, {"k.dat", "b.dat", "m.dat", "c.dat", "x.dat"}},      // smallest first
    };
    for (const auto& c : cases) {
        for (int i = 0; i < c.clicks; ++i) {
            const TRect r = Grid()->CellRect(c.col, 0);
            const POINT p = test::ScreenPointOf(Grid(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
            test::ClickAt(p.x, p.y);
        }
        EXPECT_EQ(ResultNames(), c.names) << c.col << " " << c.clicks;
        EXPECT_EQ(BoldRows(), (std::vector<int>{1, c.names[0] == "k.dat" ? 3 : 4})) << c.col << " " << c.clicks;
        EXPECT_EQ(Main->RowStyle(1).background, clNone) << "the first group is plain";
        // Another click on another column starts from that column's first order.
        Grid()->SetSortMark(-1, TSortMark::smNone);
    }
    // A copy kept under a sort by name takes its group where its name goes.
    const TRect r = Grid()->CellRect(TMain::colName, 0);
    const POINT title = test::ScreenPointOf(Grid(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    test::ClickAt(title.x, title.y);
    const POINT c = RowPoint(4);  // c.dat
    test::DoubleClickAt(c.x, c.y);
    ASSERT_TRUE(test::PumpUntil([&] { return ResultNames().front() == "c.dat"; }));
    EXPECT_EQ(ResultNames(), (Texts{"c.dat", "m.dat", "x.dat", "k.dat", "b.dat"}));
    EXPECT_EQ(BoldRows(), (std::vector<int>{1, 4}));
}

// Esc as the search starts (queued before the search's first rows): it
// stops, and what shows is whole groups that the status bar counts.
TEST_F(DupResults, EscStopsTheSearchKeepingWholeGroups) {
    SearchIn(tree.path(), [] { ::PostMessageW(Main->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_EQ(Panel(4), "Detenido");
    const std::vector<int> bold = BoldRows();
    const int rows = static_cast<int>(Results().size());
    EXPECT_EQ(Panel(0), std::to_string(bold.size()));
    EXPECT_EQ(Panel(2), std::to_string(rows - static_cast<int>(bold.size())) + (rows - bold.size() == 1 ? " copia" : " copias"));
    for (std::size_t i = 0; i < bold.size(); ++i)
        EXPECT_GE((i + 1 < bold.size() ? bold[i + 1] : rows + 1) - bold[i], 2) << "a group of one row";
    ExpectIdleButtons();
}

}  // namespace
