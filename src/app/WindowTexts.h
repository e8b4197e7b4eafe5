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
// "Papelera", 3 for exactly "Excluir", 2 ("Eliminar") for anything else.
int ModeIndexOf(const std::string& mode);
// What the mode of the box's item does, as its hint says it; what the four
// modes do, as the heading's hint says it.
std::string ModeHint(int index);
extern const char* const kModesHint;

// The status bar's words on the pattern list's file: the list could not be
// saved (and why), it is now kept in another file, a pattern is there already.
std::string PatternsNotSaved(DWORD error);
std::string PatternsSavedElsewhere(const std::string& path);
std::string PatternAlreadyListed(const std::string& pattern);

// ---------------------------------------------------------------- results

// How the user's language groups the digits of a number: the separator and
// the sizes of the groups from the right, the last size repeating when
// `repeat` is set (as the locale's grouping "3;0" says; "3;2;0" groups as
// 12,34,56,789; "3" only the last three digits; "0" or nothing, none).
struct DigitGrouping {
    std::string separator = ".";
    std::vector<int> groups{3};
    bool repeat = true;
};
// A locale's grouping text ("3;0") with its separator.
DigitGrouping ParseGrouping(const std::string& grouping, const std::string& separator);
// The user's own, read from the user's default locale.
DigitGrouping UserDigitGrouping();
// The digits of a number (a minus sign kept in front) grouped.
std::string GroupDigits(std::int64_t value, const DigitGrouping& grouping);

// "125.829.120 bytes", grouped as the user's language does.
std::string SizeText(std::int64_t size, const DigitGrouping& grouping);

// The four texts of a result row, made on the search's threads
// (SearchRequest::texts): name, folder, size (grouped) and last-write time.
RowTexts RowTextMaker(DigitGrouping grouping);

// The status bar's words on a selection of more than one row: "3
// seleccionados · 120 Mbytes"; empty for one row or none.
std::string SelectionText(std::int64_t rows, std::int64_t bytes);

// The command line that shows a file selected in its folder in the system's
// file manager: "<explorer>" /select,"<file>".
std::wstring SelectInFolderCommand(const std::wstring& explorer, const std::wstring& file);
// The rows' paths for the clipboard, one a line (CRLF between them).
std::wstring PathLines(const std::vector<std::wstring>& paths);
// A list saved for other programs: UTF-8 with its byte-order mark, the
// CSV header (Export.h's, or its duplicates' one), then one line per row;
// every line ends with CRLF.
std::string ListCsv(const std::string& header, const std::vector<std::string>& lines);
// What the status bar says after saving the list: "Lista guardada: 4
// ficheros", or why it could not be written (the system's error code).
std::string ListSavedText(std::int64_t rows);
std::string ListNotSavedText(DWORD error);

// Column widths as the settings keep them ("130,180,100,126"), and read
// back: `count` widths of 0 to 10,000 pixels, or none for anything else.
std::string WidthsText(const std::vector<int>& widths);
std::vector<int> ParseWidths(const std::string& text, std::size_t count);

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
// The same for files sent to the bin and then others deleted for good:
// "Hecho: 300 a la Papelera (1228 Mbytes), 12 borrados (56 Kbytes); ...".
std::string RemovalSummary(const RemovalTally& recycled, const RemovalTally& deleted, bool stopped);
// How a search ended: "Hecho", or "Detenido" when the user stopped it, and
// the folders it could not read: "Hecho; 3 carpetas no se pudieron leer".
std::string SearchSummary(std::size_t unreadFolders, bool stopped);
// ---------------------------------------------------------------- duplicates

// What the status bar's four first panels say of duplicate results: the
// groups ("12", "grupos"), the copies that would go ("30 copias") and the
// space that frees, scaled as the total of a search is ("45 Mbytes").
struct DuplicateTotals {
    std::string groups, groupsLabel, copies, space;
};
DuplicateTotals DuplicateTotalsText(std::int64_t groups, std::int64_t copies, std::int64_t bytes);
// How far a duplicate search has got, as the activity panel says it:
// "Buscando: 1.234 ficheros" while it lists, then "Comparados 120 de 400
// ficheros (3 Kbytes de 10 Mbytes)".
struct DuplicateProgress;
std::string DuplicateProgressText(const DuplicateProgress& progress);
// How a duplicate search ended: as SearchSummary, and the files that could
// not be read, "Hecho; 2 ficheros no se pudieron leer".
std::string DuplicateSearchSummary(std::size_t unreadFolders, std::size_t unreadFiles, bool stopped);
// The question asked before copies are deleted for good: "¿Eliminar
// definitivamente 30 copias (45 Mbytes)? Se conserva una de cada grupo. No
// se podrán recuperar."
std::string DeleteCopiesQuestion(std::int64_t copies, std::int64_t bytes);

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
