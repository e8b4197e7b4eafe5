// What leads from the result rows elsewhere: a row's file shown selected in
// its folder by the system's file manager, the selected rows' paths on the
// clipboard, the listed rows saved as a CSV file for other programs, the
// rows' context menu, and the selection's count and space in the status bar.
#include "app/MainUnit.h"

#include <commdlg.h>

#include <cstring>
#include <unordered_map>

#include "app/WindowTexts.h"
#include "ui/Handles.h"
#include "base/Unicode.h"
#include "engine/Export.h"

std::vector<const TMain::Listed*> TMain::SelectedFiles() const {
    std::vector<const Listed*> files;
    if (!xgFoundFiles->HasSelection()) return files;
    const TGridRect selection = xgFoundFiles->GetSelection();
    for (int row = selection.Top; row <= selection.Bottom; ++row)
        if (const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row))) files.push_back(listed);
    return files;
}

void TMain::ShowSelection() {
    // Not while a job runs: the activity has the whole bar for its path.
    std::string text;
    if (!working_) {
        const std::vector<const Listed*> files = SelectedFiles();
        std::int64_t bytes = 0;
        for (const Listed* listed : files) bytes += listed->file.size;
        text = sweep::SelectionText(static_cast<std::int64_t>(files.size()), bytes);
    }
    // The panel is as wide as its text, the size grip and the panel's
    // edges, and takes nothing from the activity while it is empty.
    int width = 0;
    if (!text.empty()) {
        HWND bar = StatusBar->GetHandle();
        ui::MemoryDc dc(::CreateCompatibleDC(nullptr));
        ui::SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(bar, WM_GETFONT, 0, 0)));
        const std::wstring wide = base::Wide(text);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
        constexpr int kEdges = 12;
        width = extent.cx + kEdges + ::GetSystemMetrics(SM_CXVSCROLL);
    }
    // The text first: a new width passes every text on to the bar at once.
    SetPanel(pnSelection, text);
    StatusBar->GetPanels()->GetItem(pnSelection)->SetWidth(width);
}

// ---------------------------------------------------------------- the folder

void TMain::OpenFolderOf(int row) {
    const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
    if (!listed) return;
    // The file manager takes the path as a user types it.
    wchar_t windows[MAX_PATH] = L"";
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring command = sweep::SelectInFolderCommand(std::wstring(windows, length) + L"\\explorer.exe",
                                                        sweep::ShownPath(listed->file.Path()));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        SetPanel(pnActivity, "No se pudo abrir la carpeta");
        return;
    }
    if (process.hThread) ::CloseHandle(process.hThread);
    if (process.hProcess) ::CloseHandle(process.hProcess);
}

void TMain::xgFoundFilesDblClick(TObject*) {
    // The row under the mouse: a double click on a title sorts, one on the
    // blank last row opens nothing.
    POINT at;
    ::GetCursorPos(&at);
    ::ScreenToClient(xgFoundFiles->GetHandle(), &at);
    int col, row;
    xgFoundFiles->MouseToCell(at.x, at.y, col, row);
    if (row < xgFoundFiles->GetFixedRows()) return;
    // In duplicate results it makes the row the copy kept.
    if (dupResults_)
        KeepCopyAt(row);
    else
        OpenFolderOf(row);
}

void TMain::AbrirCarpeta1Click(TObject*) {
    if (xgFoundFiles->HasSelection()) OpenFolderOf(xgFoundFiles->GetRow());
}

// ---------------------------------------------------------------- the paths

void TMain::CopiarRuta1Click(TObject*) {
    std::vector<std::wstring> paths;
    for (const Listed* listed : SelectedFiles()) paths.push_back(sweep::ShownPath(listed->file.Path()));
    if (paths.empty()) return;
    const std::wstring text = sweep::PathLines(paths);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return;
    std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
    ::GlobalUnlock(memory);
    // The clipboard owns the memory once it took it.
    if (::OpenClipboard(GetHandle())) {
        ::EmptyClipboard();
        if (::SetClipboardData(CF_UNICODETEXT, memory)) memory = nullptr;
        ::CloseClipboard();
    }
    if (memory) {
        ::GlobalFree(memory);
        SetPanel(pnActivity, "No se pudo copiar al portapapeles");
    }
}

// ---------------------------------------------------------------- the list

void TMain::GuardarLista1Click(TObject*) {
    if (Busy() || xgFoundFiles->GetRowCount() <= 2) return;
    wchar_t file[32768] = L"resultados.csv";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetHandle();
    ofn.lpstrFilter = L"Valores separados por comas (*.csv)\0*.csv\0Todos los ficheros (*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = 32768;
    ofn.lpstrDefExt = L"csv";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (::GetSaveFileNameW(&ofn)) SaveList(file);
}

bool TMain::SaveList(const std::wstring& path) {
    // Duplicates as the console program writes them: each row's group,
    // numbered from 1 as the groups stand in the list, and whether it is kept.
    const bool duplicates = DuplicateResults();
    std::vector<std::string> lines;
    sweep::ShownPaths shown;
    std::unordered_map<std::uint32_t, std::size_t> groupNumbers;
    for (int row = 1; row < xgFoundFiles->GetRowCount(); ++row) {
        const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(row));
        if (!listed) continue;
        const std::size_t pattern = static_cast<std::size_t>(listed->pattern);
        const std::string_view patternText = pattern < patterns_.size() ? std::string_view(patterns_[pattern]) : "";
        if (!duplicates) {
            lines.push_back(sweep::CsvLine(listed->file, patternText, shown));
            continue;
        }
        const std::size_t group = groupNumbers.emplace(listed->group, groupNumbers.size() + 1).first->second;
        lines.push_back(sweep::CsvDuplicateLine(listed->file, patternText, group, listed->kept, shown));
    }
    const std::string bytes = sweep::ListCsv(duplicates ? sweep::CsvDuplicateHeader() : sweep::CsvHeader(), lines);
    // Written whole under a name of its own beside the target, then put in
    // its place: a failed write leaves any file of that name as it was.
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : path.substr(0, slash + 1);
    wchar_t temp[MAX_PATH + 16] = L"";
    DWORD error = 0;
    // A read-only file is not replaced (Windows refuses to; Wine would not).
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        error = ERROR_ACCESS_DENIED;
    } else if (!::GetTempFileNameW(folder.c_str(), L"sfl", 0, temp)) {
        error = ::GetLastError();
    } else {
        HANDLE file = ::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file == INVALID_HANDLE_VALUE) {
            error = ::GetLastError();
        } else {
            if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                written != bytes.size() || !::FlushFileBuffers(file))
                error = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
            ::CloseHandle(file);
        }
        if (!error && !::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            error = ::GetLastError();
        if (error) ::DeleteFileW(temp);
    }
    SetPanel(pnActivity, error ? sweep::ListNotSavedText(error)
                               : sweep::ListSavedText(static_cast<std::int64_t>(lines.size())));
    return !error;
}

// ---------------------------------------------------------------- the menu

void TMain::xgFoundFilesContextPopup(TObject*, TPoint MousePos, bool& Handled) {
    if (Busy()) return;
    TPoint at = MousePos;
    menuRow_ = xgFoundFiles->GetRow();
    if (at.x == -1 && at.y == -1) {
        // From the keyboard: beside the current row, or the grid's corner.
        const TRect cell = xgFoundFiles->CellRect(0, menuRow_);
        at = ::IsRectEmpty(&cell) ? Point(8, 8) : Point(cell.left + 8, cell.bottom);
    } else {
        // A right click on a row outside the selection selects that row, as
        // the system's file manager does.
        int col, row;
        xgFoundFiles->MouseToCell(at.x, at.y, col, row);
        const TGridRect s = xgFoundFiles->GetSelection();
        const bool inSelection = xgFoundFiles->HasSelection() && row >= s.Top && row <= s.Bottom;
        if (row >= 1 && xgFoundFiles->GetRowData(row) && !inSelection)
            xgFoundFiles->SetSelection(TGridRect{0, row, xgFoundFiles->GetColCount() - 1, row});
        menuRow_ = row;
    }
    const bool rows = !SelectedFiles().empty();
    for (TMenuItem* item : {AbrirCarpeta1, CopiarRuta1, EnviaralaPapelera2, Eliminar2}) item->SetEnabled(rows);
    GuardarLista1->SetEnabled(xgFoundFiles->GetRowCount() > 2);
    // "Conservar esta copia": the row the menu was opened on, unless it is kept already.
    const auto* listed = static_cast<const Listed*>(xgFoundFiles->GetRowData(menuRow_));
    ConservarCopia1->SetEnabled(listed && !listed->kept);
    const TPoint screen = xgFoundFiles->ClientToScreen(at);
    RowsMenu->Popup(screen.x, screen.y);
    Handled = true;
}
