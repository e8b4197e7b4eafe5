#include "engine/PatternList.h"

#include <shlobj.h>

#include <algorithm>

#include "base/Handles.h"
#include "base/Text.h"
#include "base/Unicode.h"
#include "engine/FolderListing.h"

namespace sweep {

PatternMode ModeOf(std::string_view text) {
    if (text == "Papelera") return PatternMode::Recycle;
    if (text == "Eliminar") return PatternMode::Delete;
    if (text == "Excluir") return PatternMode::Exclude;
    return PatternMode::None;
}

ListedPatterns PatternsToSearch(const std::vector<PatternRow>& rows) {
    ListedPatterns listed;
    for (const PatternRow& row : rows) {
        const PatternMode mode = ModeOf(row.mode);
        if (mode == PatternMode::Exclude) {
            if (!row.pattern.empty()) listed.exclusions.push_back(base::Wide(row.pattern));
            continue;
        }
        listed.patterns.push_back(base::Wide(row.pattern));
        listed.modes.push_back(mode);
    }
    return listed;
}

std::string AutoRemovalQuestion(std::int64_t toBin, std::int64_t binBytes, std::int64_t toDelete,
                                std::int64_t deleteBytes) {
    const std::int64_t files = toBin + toDelete;
    std::string text = "Los patrones con borrado automático encontraron " + base::GroupedCount(files) +
                       (files == 1 ? " fichero (" : " ficheros (") + base::ScaledSize(binBytes + deleteBytes) + "): ¿";
    if (toBin && toDelete)
        text += "enviar " + base::GroupedCount(toBin) + " (" + base::ScaledSize(binBytes) +
                ") a la Papelera y eliminar definitivamente " + base::GroupedCount(toDelete) + " (" +
                base::ScaledSize(deleteBytes) + ")?";
    else if (toBin)
        text += files == 1 ? "enviarlo a la Papelera?" : "enviarlos a la Papelera?";
    else
        text += files == 1 ? "eliminarlo definitivamente?" : "eliminarlos definitivamente?";
    if (toDelete) text += " No se podrán recuperar.";
    return text;
}

DWORD ReplaceWholeFile(const std::string& path, std::string_view bytes, bool* newRefused) {
    const std::wstring target = ExactPath(base::Wide(path));
    const std::wstring fresh = target + L".new";
    if (newRefused) *newRefused = false;
    // Windows puts no file in the place of a read-only one; Wine would.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
    DWORD error = ERROR_SUCCESS;
    {
        base::KernelHandle file(base::ValidOrNull(
            ::CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
        if (!file) {
            error = ::GetLastError();
            if (newRefused) *newRefused = true;
            return error;
        }
        for (std::size_t at = 0; at < bytes.size() && !error;) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 20));
            if (::WriteFile(file.get(), bytes.data() + at, chunk, &written, nullptr) && written)
                at += written;
            else
                error = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
        }
        // On the disk before it takes the old file's place: a crash after
        // the rename then finds the new file whole.
        if (!error && !::FlushFileBuffers(file.get())) error = ::GetLastError();
    }
    if (!error && !::MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ::GetLastError();
    if (error) ::DeleteFileW(fresh.c_str());
    return error;
}

std::string RoamingPatternFile() {
    // FOLDERID_RoamingAppData, defined here: MinGW keeps the known folders'
    // ids in a library of their own.
    static const KNOWNFOLDERID kRoamingAppData = {
        0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};
    PWSTR folder = nullptr;
    std::string path;
    if (SUCCEEDED(::SHGetKnownFolderPath(kRoamingAppData, 0, nullptr, &folder)) && folder && *folder)
        path = base::Utf8(folder) + "\\Sweepfield\\Sweepfield.Ini";
    ::CoTaskMemFree(folder);
    return path;
}

PatternFile::PatternFile(std::string besideExe, std::string roaming)
    : beside_(std::move(besideExe)), roaming_(std::move(roaming)), path_(beside_) {}

std::vector<PatternRow> PatternFile::Load() {
    path_ = beside_;
    if (!roaming_.empty() && ::GetFileAttributesW(ExactPath(base::Wide(roaming_)).c_str()) != INVALID_FILE_ATTRIBUTES)
        path_ = roaming_;
    return PatternRowsFrom(ReadIniSection(path_, "FindFiles"));
}

DWORD PatternFile::Save(const std::vector<PatternRow>& rows) {
    std::string old;
    DWORD error = ERROR_SUCCESS;
    if (!ReadWholeFile(path_, old, error) && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return error;
    const std::string bytes = SavedIniBytes(old, rows);
    bool folderRefused = false;
    error = ReplaceWholeFile(path_, bytes, &folderRefused);
    folderRefused = folderRefused && (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT);
    if (!folderRefused || path_ != beside_ || roaming_.empty()) return error;

    // The folder beside the executable is closed to us: the list goes to
    // the user's own folder, with the rest of the file's text.
    const std::wstring roaming = base::Wide(roaming_);
    const std::wstring folder = roaming.substr(0, roaming.find_last_of(L'\\'));
    if (!::CreateDirectoryW(ExactPath(folder).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return error;
    if (ReplaceWholeFile(roaming_, bytes) != ERROR_SUCCESS) return error;
    path_ = roaming_;
    return ERROR_SUCCESS;
}

}  // namespace sweep
