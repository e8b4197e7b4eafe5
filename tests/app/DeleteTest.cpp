// Deletion from the result list, driven through the main window: rows
// selected with clicks and Shift-clicks, "Eliminar" chosen in the delete
// button's menu, and real files that can or cannot go.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/SweepWindows.h"
#include "support/FileTrees.h"
#include "base/Unicode.h"

using namespace sweeptest;

namespace {

using Texts = std::vector<std::string>;

class Deleting : public SweepWindows {
protected:
    // Files 1.dat to n.dat, found by a search; `order` is the names as listed.
    void FindFiles(int n) {
        for (int i = 1; i <= n; ++i) tree.MakeFile(std::to_string(i) + ".dat", static_cast<std::uint64_t>(i) * 10);
        UsePatterns({"*.dat"});
        Search();
        order = ResultNames();
        ASSERT_EQ(order.size(), static_cast<std::size_t>(n));
    }
    bool Exists(const std::string& name) const { return tree.Exists(name); }
    // The total of the files still listed, in bytes (all below 10000 here).
    void ExpectTotalOf(const Texts& names) const {
        int bytes = 0;
        for (const std::string& name : names) bytes += std::stoi(name) * 10;
        EXPECT_EQ(Panel(2), std::to_string(bytes));
        EXPECT_EQ(Panel(3), "bytes");
    }
    // The rows selected now, or none.
    std::pair<int, int> Selected() const {
        if (!Main->xgFoundFiles->HasSelection()) return {0, 0};
        const TGridRect s = Main->xgFoundFiles->GetSelection();
        return {s.Top, s.Bottom};
    }

    Texts order;
};

// Holds a file open without sharing its deletion, as a program using it does.
class InUse {
public:
    explicit InUse(const std::string& path)
        : h_(::CreateFileW(base::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr)) {}
    ~InUse() { ::CloseHandle(h_); }
    bool Held() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

TEST_F(Deleting, ASelectedBlockGoesWithItsReadOnlyAndHiddenFiles) {
    FindFiles(6);
    const std::string readOnly = order[2], hidden = order[3];
    ::SetFileAttributesW(base::Wide(tree / readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesW(base::Wide(tree / hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(FileData(tree / readOnly).dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(FileData(tree / hidden).dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);

    SelectRows(2, 5);  // the second to the fifth result
    DeleteSelection();

    for (int i = 0; i < 6; ++i) EXPECT_EQ(Exists(order[i]), i == 0 || i == 5) << order[i];
    EXPECT_EQ(ResultNames(), (Texts{order[0], order[5]}));
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Main->xgFoundFiles->GetRowCount(), 4);
    EXPECT_EQ(Panel(0), "2");
    EXPECT_EQ(Panel(4).rfind("Hecho: ", 0), 0u) << Panel(4);
    EXPECT_EQ(Screen->GetCursor(), crDefault);
    ExpectTotalOf({order[0], order[5]});
    // Every selected file went: nothing is selected, and "Borrar Selección"
    // waits until the user selects again.
    EXPECT_EQ(Selected(), std::make_pair(0, 0));
    EXPECT_FALSE(Main->DeleteButton->GetEnabled());
}

TEST_F(Deleting, FilesThatCannotGoStayListedInOrderWithTheirAttributes) {
    FindFiles(5);
    const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    ::SetFileAttributesW(base::Wide(tree / order[1]).c_str(), attributes);
    InUse second(tree / order[1]), fourth(tree / order[3]);
    ASSERT_TRUE(second.Held() && fourth.Held());

    SelectRows(1, 5);
    DeleteSelection();

    EXPECT_EQ(ResultNames(), (Texts{order[1], order[3]}));
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Main->xgFoundFiles->GetRowCount(), 4);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Exists(order[i]), i == 1 || i == 3) << order[i];
    // What the deletion took off a file it could not delete is put back.
    EXPECT_EQ(FileData(tree / order[1]).dwFileAttributes & attributes, attributes);
    EXPECT_EQ(Panel(0), "2");
    ExpectTotalOf({order[1], order[3]});
    EXPECT_EQ(Panel(4), "Hecho: 3 borrados (90 bytes); 2 no se pudieron borrar");
    // The two that stayed are still selected, side by side now.
    EXPECT_EQ(Selected(), std::make_pair(1, 2));
}

TEST_F(Deleting, DeletingEveryResultLeavesTheHeaderAndTheBlankRow) {
    FindFiles(4);
    SelectRows(4, 2);  // selected upwards
    DeleteSelection();
    // Nothing that was to go stayed: no reasons to show beside the row left.
    EXPECT_EQ(Main->xgFoundFiles->GetColCount(), 4);
    SelectRows(1, 1);
    DeleteSelection();
    for (const std::string& name : order) EXPECT_FALSE(Exists(name)) << name;
    EXPECT_EQ(Main->xgFoundFiles->GetRowCount(), 2);
    EXPECT_EQ(Main->xgFoundFiles->GetCells(0, 0), "Fichero");
    EXPECT_TRUE(LastRowIsBlank());
    EXPECT_EQ(Panel(0), "0");
    ExpectTotalOf({});
}

TEST_F(Deleting, AFileChangedSinceTheSearchIsKeptWithItsRow) {
    FindFiles(4);
    // One file grows, another gets a new last-write time; a third is
    // replaced by a folder of the same name.
    tree.MakeFile(order[0], 11);
    SYSTEMTIME later{2030, 1, 0, 1, 12, 0, 0, 0};
    SetLastWrite(tree / order[1], later);
    ::DeleteFileW(base::Wide(tree / order[2]).c_str());
    tree.MakeDir(order[2]);
    const std::vector<ResultRow> before = Results();

    SelectRows(1, 4);
    DeleteSelection();

    EXPECT_TRUE(Exists(order[0]));
    EXPECT_TRUE(Exists(order[1]));
    EXPECT_TRUE(Exists(order[2]));
    EXPECT_FALSE(Exists(order[3]));
    EXPECT_EQ(Results(), std::vector<ResultRow>(before.begin(), before.begin() + 3));  // cells unchanged
    EXPECT_EQ(Panel(0), "3");
    EXPECT_EQ(Panel(4), "Hecho: 1 borrado (40 bytes); 3 no se pudieron borrar");
    EXPECT_EQ(Main->xgFoundFiles->GetCells(TMain::colReason, 0), "Motivo");
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(Main->xgFoundFiles->GetCells(TMain::colReason, row), "cambió desde la búsqueda");
    // A file someone else removed meanwhile: the user's wish is met, its
    // row goes, and it is no failure.
    ASSERT_TRUE(::DeleteFileW(base::Wide(tree / order[0]).c_str()));
    SelectRows(1, 1);
    DeleteSelection();
    EXPECT_EQ(Results(), std::vector<ResultRow>(before.begin() + 1, before.begin() + 3));
    EXPECT_EQ(Panel(4), "Hecho: 0 borrados (0 bytes); 1 ya no estaba");
    // A new search shows no reasons.
    Search();
    EXPECT_EQ(Main->xgFoundFiles->GetColCount(), 4);
}

TEST_F(Deleting, DeletingForGoodAsksFirstWithNoAsTheDefault) {
    tree.MakeFile("a.tmp", 7);
    tree.MakeFile("sub\\a.tmp", 7);
    UsePatterns({"*.tmp"});
    Search();
    SelectRows(1, 2);
    const std::vector<ResultRow> rows = Results();
    const std::vector<std::string> status = StatusTexts();
    DeleteSelection(SayNo);
    EXPECT_EQ(asked, "¿Eliminar definitivamente 2 ficheros (14 bytes)? No se podrán recuperar.");
    EXPECT_EQ(Results(), rows);
    EXPECT_EQ(StatusTexts(), status);
    EXPECT_TRUE(tree.Exists("a.tmp") && tree.Exists("sub\\a.tmp"));
    DeleteSelection(SayYes);
    EXPECT_FALSE(tree.Exists("a.tmp") || tree.Exists("sub\\a.tmp"));
}

TEST_F(Deleting, ARowNamesOnlyTheFileInItsOwnFolder) {
    // Found through a pattern with a folder part (and so not again by the
    // second); a file of the same name and size lies in the start folder.
    tree.MakeFile("a.tmp", 7);
    tree.MakeFile("sub\\a.tmp", 7);
    UsePatterns({"sub\\*.tmp", "*.tmp"});
    Search();
    ASSERT_EQ(Places(), (std::vector<Place>{{"a.tmp", tree / "sub\\"}, {"a.tmp", tree / ""}}));
    SelectRows(1, 1);
    DeleteSelection();
    EXPECT_FALSE(tree.Exists("sub\\a.tmp"));
    EXPECT_TRUE(tree.Exists("a.tmp"));
    EXPECT_EQ(Places(), (std::vector<Place>{{"a.tmp", tree / ""}}));
    EXPECT_EQ(Panel(0), "1");
    EXPECT_EQ(Panel(2), "7");
    EXPECT_EQ(Panel(4).rfind("Hecho: ", 0), 0u) << Panel(4);
}

TEST_F(Deleting, WithNoRowPickedTheCommandActsOnTheCurrentRow) {
    FindFiles(3);
    // Right after a search the first result is the current row.
    DeleteSelection();
    EXPECT_FALSE(Exists(order[0]));
    EXPECT_EQ(ResultNames(), (Texts{order[1], order[2]}));
}

// After a search, what the patterns with a mode found goes once the user
// says yes to one question, the way the commands take it: to the bin, for
// good, or both in turn. "No" leaves everything; what an excluded pattern
// matches is never found.
TEST_F(Deleting, ThePatternsModesRemoveWhatTheyFoundOnceTheUserSaysYes) {
    const std::wstring trash = test::TrashFolder();
    const std::vector<std::string> patterns{"*.bin", "*.keep", "*.del", "x"};
    const std::string both = "Los patrones con borrado automático encontraron 3 ficheros (60 bytes): ¿enviar 2 (30 "
                             "bytes) a la Papelera y eliminar definitivamente 1 (30 bytes)? No se podrán recuperar.";
    const struct {
        std::vector<std::string> modes;
        std::string question, done;
        std::vector<std::string> binned, deleted, held;  // held open: they stay
    } cases[] = {
        {{"Papelera", "No", "No", "Excluir"},
         "Los patrones con borrado automático encontraron 2 ficheros (30 bytes): ¿enviarlos a la Papelera?",
         "Hecho: 2 a la Papelera (30 bytes)", {"a.bin", "b.bin"}, {}, {}},
        {{"No", "No", "Eliminar", "Excluir"},
         "Los patrones con borrado automático encontraron 1 fichero (30 bytes): ¿eliminarlo definitivamente? No se "
         "podrán recuperar.",
         "Hecho: 1 borrado (30 bytes)", {}, {"c.del"}, {}},
        {{"Papelera", "No", "Eliminar", "Excluir"}, both, "Hecho: 2 a la Papelera (30 bytes), 1 borrado (30 bytes)",
         {"a.bin", "b.bin"}, {"c.del"}, {}},
        {{"Papelera", "No", "Eliminar", "Excluir"}, both,
         "Hecho: 1 a la Papelera (20 bytes), 0 borrados (0 bytes); 2 no se pudieron borrar", {"b.bin"}, {},
         {"a.bin", "c.del"}},
        {{"No", "No", "No", "Excluir"}, "", "Hecho", {}, {}, {}},
    };
    int round = 0;
    for (const auto& c : cases) {
        // Names of this round's own, so that the bin's other contents do not count.
        const std::string stamp = std::to_string(::GetTickCount()) + "-" + std::to_string(round++) + "-";
        SCOPED_TRACE(c.done);
        UsePatterns(patterns, c.modes);
        for (bool yes : {false, true}) {
            const std::vector<std::pair<std::string, int>> files{
                {"a.bin", 10}, {"b.bin", 20}, {"c.del", 30}, {"d.keep", 40}};
            // A folder of the round's own.
            const std::string in = stamp + (yes ? "yes\\" : "no\\");
            for (const auto& [name, size] : files) tree.MakeFile(in + stamp + name, static_cast<std::uint64_t>(size));
            tree.MakeFile(in + "x\\" + stamp + "e.del", 50);
            std::vector<std::unique_ptr<InUse>> held;
            for (const std::string& name : c.held)
                if (yes) held.push_back(std::make_unique<InUse>(tree / (in + stamp + name)));
            if (c.question.empty()) {
                test::MessageBoxCloser noQuestion;
                SearchIn(tree / in);
                EXPECT_EQ(noQuestion.Count(), 0);
            } else {
                Answer answer(yes ? SayYes : SayNo);
                SearchIn(tree / in);
                EXPECT_EQ(answer.Asked(), c.question);
                WaitUntilIdle();
            }
            EXPECT_EQ(Panel(4), yes ? c.done : "Hecho");
            for (const auto& [name, size] : files) {
                const bool removed = yes && (std::count(c.binned.begin(), c.binned.end(), name) ||
                                             std::count(c.deleted.begin(), c.deleted.end(), name));
                EXPECT_EQ(tree.Exists(in + stamp + name), !removed) << name << (yes ? " after yes" : " after no");
            }
            EXPECT_TRUE(tree.Exists(in + "x\\" + stamp + "e.del"));
            if (!yes || c.question.empty()) continue;
            // What stayed is not side by side: nothing is selected.
            EXPECT_FALSE(Main->xgFoundFiles->HasSelection());
            if (trash.empty()) continue;
            std::vector<std::string> binned;
            for (const std::wstring& name : test::NamesIn(trash + L"\\files"))
                if (base::Utf8(name).rfind(stamp, 0) == 0) binned.push_back(base::Utf8(name).substr(stamp.size()));
            EXPECT_EQ(binned, c.binned);
        }
    }
}

// The status bar follows the deletion as it goes: the count and total of
// the rows still listed, and the file in hand, its path shortened in the
// middle so that its name shows whole in the panel.
TEST_F(Deleting, TheStatusBarFollowsTheDeletionWhileTheWindowIsBusy) {
    const int n = 600;  // ten to a folder: a folder's files are confirmed together
    for (int i = 0; i < n; ++i)
        tree.MakeFile("una carpeta de nombre largo\\y otra más\\" + std::to_string(i / 10) + "\\f" +
                          std::to_string(i) + ".dat",
                      10);
    UsePatterns({"*.dat"});
    Search();
    Main->xgFoundFiles->SetSelection(TGridRect{0, 1, 3, n});
    HWND bar = Main->StatusBar->GetHandle();
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(bar, WM_GETFONT, 0, 0));
    int midway = 0;
    PanelWatch watch([&](int index, const std::string& text) {
        if (index != 4 || text.rfind("Eliminando ", 0) != 0) return;
        RECT panel{};  // the activity's panel as it is while the job runs
        ::SendMessageW(bar, SB_GETRECT, 4, reinterpret_cast<LPARAM>(&panel));
        EXPECT_TRUE(Screen->GetCursor() == crAppStart && !Main->StartButton->GetEnabled() &&
                    !Main->DeleteButton->GetEnabled() && !Main->ConfigButton->GetEnabled());
        EXPECT_LE(TextWidth(text, font), panel.right - panel.left) << text;
        EXPECT_NE(text.find("...\\"), std::string::npos) << text;
        EXPECT_EQ(text.substr(text.size() - 4), ".dat") << text;
        const int rows = Main->xgFoundFiles->GetRowCount() - 2;
        EXPECT_EQ(Panel(0), std::to_string(rows));
        EXPECT_EQ(Panel(2) + Panel(3), rows * 10 > 9999 ? std::to_string(rows * 10 / 1024) + "Kbytes"
                                                        : std::to_string(rows * 10) + "bytes");
        midway += rows > 0 && rows < n;
    });
    DeleteSelection();
    EXPECT_GT(midway, 0) << "no moment between the first file and the last";
    EXPECT_TRUE(Results().empty());
    EXPECT_EQ(Panel(4).rfind("Hecho: ", 0), 0u) << Panel(4);
}

}  // namespace
