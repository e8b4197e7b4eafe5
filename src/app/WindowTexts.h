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
// CSV header, then one line per row; every line ends with CRLF.
std::string ListCsv(const std::vector<std::string>& lines);
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
