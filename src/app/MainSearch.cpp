// The search: one walk of the folder tree below the start folder for every
// row of the pattern list, run inside the start button's click on the
// program's only thread. Messages are handled once per folder, so the window
// repaints and can be closed meanwhile.
#include <string>
#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/MainUnit.h"
#include "app/SearchRules.h"
#include "ui/SysUtils.h"
#include "ui/Unicode.h"

namespace {

bool IsDotEntry(const wchar_t* name) { return name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])); }

// Closes a directory search on every path out.
class FindHandle {
public:
    FindHandle(const std::string& wildcard, WIN32_FIND_DATAW& data)
        : h_(::FindFirstFileW(ui::Wide(wildcard).c_str(), &data)) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Found() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& data) { return ::FindNextFileW(h_, &data) != FALSE; }
    void Close() {
        if (h_ != INVALID_HANDLE_VALUE) ::FindClose(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

}  // namespace

void TMain::StartButtonClick(TObject*) {
    ApplyDefaultPattern();
    StartButton->SetEnabled(false);
    DeleteButton->SetEnabled(false);
    ConfigButton->SetEnabled(false);

    xgFoundFiles->SetRowCount(2);
    for (int col = 0; col < 4; ++col) xgFoundFiles->SetCells(col, 1, "");
    SetPanel(3, "bytes");
    SetPanel(0, "0");
    SetPanel(2, "0");
    SetPanel(4, "");

    // The chooser stands three quarters of the way across and down this window.
    ChooseDir->SetBounds(GetLeft() + GetWidth() * 3 / 4, GetTop() + GetHeight() * 3 / 4, ChooseDir->GetWidth(),
                         ChooseDir->GetHeight());
    searchStopped_ = false;
    // Whatever ends the search (the end of the walk, an error in a size
    // field, the window closing), the window returns to idle.
    struct Idle {
        TMain* main;
        ~Idle() {
            main->StatusBar->FlushTexts();
            Screen->SetCursor(crDefault);
            main->StartButton->SetEnabled(true);
            main->DeleteButton->SetEnabled(true);
            main->ConfigButton->SetEnabled(true);
        }
    } idle{this};

    if (SelectHomeDir->GetChecked()) ChooseDir->ShowModal();
    if (Application->Terminated()) return;
    std::string start = !ChooseDir->ChosenDir.empty() && SelectHomeDir->GetChecked() ? ChooseDir->ChosenDir : "C:\\";

    Screen->SetCursor(crAppStart);
    const int patterns = sgFiles->GetRowCount();
    for (int i = 0; i < patterns && i < sgFiles->GetRowCount() && !searchStopped_; ++i) {
        CurrentPattern = sgFiles->GetCells(0, i);
        SearchFolder(start);
    }
    if (searchStopped_) return;

    sweep::ScaledTotal total = sweep::ScaleTotal(ui::StrToInt64(PanelText(2)));
    SetPanel(2, total.text);
    SetPanel(3, total.unit);
    SetPanel(4, "Hecho");
}

std::int64_t TMain::LimitOf(Limit& limit, TSpinEdit* field) {
    if (!limit.read) {
        // Kb in 64 bits: limits above 2,097,151 Kb still compare right.
        limit.bytes = ui::StrToInt64(field->GetText()) * 1024;
        limit.read = true;
    }
    return limit.bytes;
}

void TMain::SearchFolder(const std::string& path) {
    SetPanel(4, path);
    Application->ProcessMessages();
    if (Application->Terminated()) {
        searchStopped_ = true;  // the window was closed: stop here
        return;
    }

    // File pass: every entry that matches, files and folders alike. A pattern
    // with a folder part finds entries in that folder, which is what the row
    // records, so that "Ruta" and "Fichero" always name the listed file.
    const std::string folder = sweep::FolderOfMatches(path, CurrentPattern);
    std::int64_t folderTotal = 0;
    WIN32_FIND_DATAW fd;
    {
        FindHandle find(path + CurrentPattern, fd);
        if (find.Found()) {
            Limit below, above;
            do {
                if (IsDotEntry(fd.cFileName)) continue;
                std::int64_t size = sweep::EntrySize(fd);
                if (SearchLesserThan->GetChecked() && !(size < LimitOf(below, LesserThan))) continue;
                if (SearchGreaterThan->GetChecked() && !(size > LimitOf(above, GreaterThan))) continue;
                const int row = xgFoundFiles->GetRowCount() - 1;
                folderTotal += size;
                SetPanel(0, ui::IntToStr(row));
                xgFoundFiles->SetCells(0, row, ui::Utf8(fd.cFileName));
                xgFoundFiles->SetCells(1, row, folder);
                xgFoundFiles->SetCells(2, row, sweep::SizeText(size));
                xgFoundFiles->SetCells(3, row, sweep::ModifiedText(fd.ftLastWriteTime));
                xgFoundFiles->SetRowCount(row + 2);
            } while (find.Next(fd));
        }
    }
    SetPanel(2, ui::IntToStr(ui::StrToInt64(PanelText(2)) + folderTotal));

    // Sub-folder pass. The names are kept while the sub-folders are visited,
    // so only one directory search is open at any depth. Links to other
    // folders (junctions, symbolic links) are not followed: they can lead
    // back up the tree and the walk would never end.
    std::vector<std::string> subfolders;
    {
        FindHandle find(path + "*.*", fd);
        if (find.Found()) {
            do {
                if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotEntry(fd.cFileName) &&
                    !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    subfolders.emplace_back(ui::Utf8(fd.cFileName));
            } while (find.Next(fd));
        }
    }
    for (const std::string& name : subfolders) {
        SearchFolder(path + name + "\\");
        if (searchStopped_) return;
    }
}
