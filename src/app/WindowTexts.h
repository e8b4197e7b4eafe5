// What the main window says and how it reads its fields, as plain rules: the
// pattern modes, the texts of a result row, the status bar's sentences and
// questions, and the cleaning of the size fields.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "engine/Search.h"

namespace sweep {

// ---------------------------------------------------------------- patterns

// The mode box's item for a mode text: 0 for exactly "No", 1 for exactly
// "Papelera", 2 for anything else.
int ModeIndexOf(const std::string& mode);

// ---------------------------------------------------------------- results

// "<size> bytes".
std::string SizeText(std::int64_t size);

// The four texts of a result row, made on the search's threads
// (SearchRequest::texts): name, folder, size and last-write time.
void MakeRowTexts(const FoundFile& file, const std::string& folder, std::vector<std::string>& texts);

// The "Modificado" text of a last-write time: local time at the two-second
// precision of a DOS date and time, in the user's short date format and,
// unless it is exactly midnight, the long time format. Times a DOS date
// cannot hold (before 1980, after 2107) keep the same precision.
std::string ModifiedText(const FILETIME& lastWrite);



// A key that sorts texts as the user's language does, without letter case:
// keys compare as byte strings.
std::string SortKey(const std::string& text);


// ---------------------------------------------------------------- questions and warnings

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
// Why no file can pass the size limits of a request, as the status bar says
// it; empty when some size can pass.
std::string SizeLimitsDeadEnd(const SearchRequest& request);

// ---------------------------------------------------------------- size fields

// The field's text with every character that is not a digit taken out; a
// number too large for a signed 32-bit integer becomes "2147483647".
std::string CleanSizeTextOnChange(const std::string& text);
// The field's text when the field is left: only its digits, "0" when there
// are none (setting it fires the change cleaning, which caps the number).
std::string CleanSizeTextOnExit(const std::string& text);

}  // namespace sweep
