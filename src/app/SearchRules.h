// The cleaning tool's rules that need no window: the pattern list from the
// initialisation file, the texts of a result row, the scaling of the total
// and the cleaning of the size fields.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sweep {

// ---------------------------------------------------------------- patterns

struct IniEntry {
    std::string key;
    std::string value;
};

// The entries of a section as the pattern list counts them: one per key
// with a non-empty value, keys compared without letter case, the first
// value of a repeated key winning.
std::vector<IniEntry> CountedEntries(const std::vector<IniEntry>& raw);

struct PatternRow {
    std::string pattern;
    std::string mode;
};

// The rows the list gets from the counted entries: half as many rows as
// entries (at least one); row r takes "File<r+1>" and "Autodel<r+1>", empty
// when the key is missing.
std::vector<PatternRow> PatternRowsFrom(const std::vector<IniEntry>& entries);

// Reads section "FindFiles" of an initialisation file; a missing file or
// section gives no entries.
std::vector<IniEntry> ReadIniSection(const std::string& path, const std::string& section);

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

// The folder that holds the entries a pattern finds in folder `path` (which
// ends with a backslash): the pattern's own folder part, if any, is added.
std::string FolderOfMatches(const std::string& path, const std::string& pattern);

// The total as the status bar shows it when a search ends, scaled by the
// length of its decimal text: up to 4 characters in "bytes", 5 to 8 in
// "Kbytes" (divided by 1024), 9 or more in "Mbytes" (divided by 1048576).
struct ScaledTotal {
    std::string text;
    std::string unit;
};
ScaledTotal ScaleTotal(std::int64_t totalBytes);

// ---------------------------------------------------------------- size fields

// The field's text with every character that is not a digit taken out; a
// number too large for a signed 32-bit integer becomes "2147483647".
std::string CleanSizeTextOnChange(const std::string& text);
// The field's text when the field is left: only its digits, "0" when there
// are none (setting it fires the change cleaning, which caps the number).
std::string CleanSizeTextOnExit(const std::string& text);

}  // namespace sweep
