// The cleaning tool's rules that need no window: the pattern modes, the
// texts of a result row, the scaling of the total and the cleaning of the
// size fields.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/IniFile.h"

namespace sweep {

// ---------------------------------------------------------------- patterns

// The mode box's item for a mode text: 0 for exactly "No", 1 for exactly
// "Papelera", 2 for anything else.
int ModeIndexOf(const std::string& mode);

// ---------------------------------------------------------------- results

// "<size> bytes".
std::string SizeText(std::int64_t size);

// The "Modificado" text of a last-write time: local time at the two-second
// precision of a DOS date and time, in the user's short date format and,
// unless it is exactly midnight, the long time format. Times a DOS date
// cannot hold (before 1980, after 2107) keep the same precision.
std::string ModifiedText(const FILETIME& lastWrite);

// The size of a directory entry, all 64 bits.
inline std::int64_t EntrySize(const WIN32_FIND_DATAW& fd) {
    return (static_cast<std::int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
}
inline std::int64_t EntrySize(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}


// A key that sorts texts as the user's language does, without letter case:
// keys compare as byte strings.
std::string SortKey(const std::string& text);

// The total as the status bar shows it when a search ends, scaled by the
// length of its decimal text: up to 4 characters in "bytes", 5 to 8 in
// "Kbytes" (divided by 1024), 9 or more in "Mbytes" (divided by 1048576).
struct ScaledTotal {
    std::string text;
    std::string unit;
};
ScaledTotal ScaleTotal(std::int64_t totalBytes);

// ---------------------------------------------------------------- questions and warnings

// A count (not negative) with the Spanish thousands separator: "1.234",
// "1.000.000".
std::string GroupedCount(std::int64_t count);
// The question asked before files are deleted for good: "¿Eliminar
// definitivamente 1.234 ficheros (56 Mbytes)? No se podrán recuperar.", the
// space scaled as the status bar's total is.
std::string DeleteForGoodQuestion(std::int64_t files, std::int64_t bytes);
// What a removal did, as the status bar says it at the end: "Hecho: 1.234
// borrados (56 Kbytes)", "Hecho: 1.230 a la Papelera (55 Kbytes); 4 no se
// pudieron borrar", with "Detenido" for "Hecho" when the user stopped it.
// Files that were gone already count apart ("2 ya no estaban"): their rows
// went, as the user wished, but nothing was removed.
struct RemovalTally {
    std::int64_t removed = 0;  // files removed (or sent to the bin)
    std::int64_t bytes = 0;    // their space
    std::int64_t kept = 0;     // files that stayed, each with its reason
    std::int64_t missing = 0;  // files someone else had removed
};
std::string RemovalSummary(const RemovalTally& tally, bool toRecycleBin, bool stopped);
// How a search ended: "Hecho", or "Detenido" when the user stopped it, and
// the folders it could not read: "Hecho; 3 carpetas no se pudieron leer".
std::string SearchSummary(std::size_t unreadFolders, bool stopped);
// Why no file can pass the size limits that are ticked (in Kb; a limit not
// ticked is std::nullopt), as the status bar says it; empty when some size
// can pass. A file passes when its size in bytes is below `belowKb` × 1024
// and above `aboveKb` × 1024, both strict.
std::string SizeLimitsDeadEnd(std::optional<std::int64_t> belowKb, std::optional<std::int64_t> aboveKb);

// ---------------------------------------------------------------- size fields

// The field's text with every character that is not a digit taken out; a
// number too large for a signed 32-bit integer becomes "2147483647".
std::string CleanSizeTextOnChange(const std::string& text);
// The field's text when the field is left: only its digits, "0" when there
// are none (setting it fires the change cleaning, which caps the number).
std::string CleanSizeTextOnExit(const std::string& text);

}  // namespace sweep
