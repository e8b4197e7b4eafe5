// The pattern list as both front ends use it: what each row's mode does, the
// search a list asks for, and the file it is kept in.
//
// The list is kept in "Sweepfield.Ini" beside the executable. Where that
// folder cannot be written (a program installed under Program Files), it is
// kept in the user's roaming application data instead
// ("%APPDATA%\Sweepfield\Sweepfield.Ini"), which, once it is there, is read
// first. Every save writes a new file beside the old one, flushes it to the
// disk and puts it in the old one's place in one step, so that a save cut
// short (a crash, a full disk, the power) leaves the old file whole.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/IniFile.h"

namespace sweep {

// What a pattern row's mode does. Only the exact texts "Papelera",
// "Eliminar" and "Excluir" act; any other text ("No", an older or
// hand-written mode) does nothing.
enum class PatternMode { None, Recycle, Delete, Exclude };
PatternMode ModeOf(std::string_view text);

// The search a pattern list asks for: the patterns to look for, in row
// order, with each one's mode (patterns[i] has modes[i]); the "Excluir" rows
// are no patterns but what is never touched (SearchRequest::exclusions), an
// empty one nothing.
struct ListedPatterns {
    std::vector<std::wstring> patterns;
    std::vector<PatternMode> modes;
    std::vector<std::wstring> exclusions;
};
ListedPatterns PatternsToSearch(const std::vector<PatternRow>& rows);

// The one question both front ends ask after a search whose patterns with an
// automatic mode found files, before anything of it goes: "Los patrones con borrado automático encontraron 312
// ficheros (1229 Mbytes): ¿enviarlos a la Papelera?", "...: ¿eliminarlos
// definitivamente? No se podrán recuperar.", or, when both modes found
// files, "...: ¿enviar 300 (1228 Mbytes) a la Papelera y eliminar
// definitivamente 12 (56 Kbytes)? ...".
std::string AutoRemovalQuestion(std::int64_t toBin, std::int64_t binBytes, std::int64_t toDelete,
                                std::int64_t deleteBytes);

// Writes a file whole or not at all: the bytes go to "<path>.new", which is
// flushed to the disk and then takes the place of `path` in one step.
// ERROR_SUCCESS, or the system's code of the step that failed; the old file
// is then as it was, and "<path>.new" is gone. A read-only file is not
// replaced (ERROR_ACCESS_DENIED), as Windows does not. `newRefused`, if
// given, tells whether the folder refused the new file.
DWORD ReplaceWholeFile(const std::string& path, std::string_view bytes, bool* newRefused = nullptr);

// "<roaming application data>\Sweepfield\Sweepfield.Ini"; empty when the
// system names no such folder.
std::string RoamingPatternFile();

// The file the pattern list is read from and saved to.
class PatternFile {
public:
    PatternFile() = default;
    // `besideExe`: the file beside the executable; `roaming`: where the list
    // goes when that folder cannot be written (empty: nowhere else).
    PatternFile(std::string besideExe, std::string roaming);

    // The rows of the roaming file when it is there, else of the one beside
    // the executable; from then on Path() is the file read.
    std::vector<PatternRow> Load();
    // Saves the rows to Path(), keeping the rest of what the file holds and
    // its encoding (SavedIniBytes). When the folder beside the executable
    // refuses a new file (no right to write there), the list goes to the
    // roaming file, made from the same text, which Path() then names. ERROR_SUCCESS, or why the rows are
    // not saved (a file that exists but cannot be read is not written over).
    DWORD Save(const std::vector<PatternRow>& rows);
    const std::string& Path() const { return path_; }

private:
    std::string beside_, roaming_, path_;
};

}  // namespace sweep
