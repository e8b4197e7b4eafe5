// The pattern list's initialisation file: read whole, decoded from whatever
// the user's editor saved it in, and parsed as the system's profile
// functions parse it, in one pass.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sweep {

struct IniEntry {
    std::string key;
    std::string value;
};

// The text of an initialisation file as UTF-8: UTF-16 with its byte-order
// mark (either byte order), UTF-8 with or without its mark, and anything
// that is not UTF-8 read as Windows-1252.
std::string DecodeIniText(std::string_view bytes);

// The key=value lines of the first section of that name (compared without
// letter case), in file order, as the profile functions read them: blanks
// around keys and values dropped, a value in matching quotes unquoted, a
// line without "=" a key with an empty value, lines starting with ";" and
// keys without a name left out.
std::vector<IniEntry> SectionEntries(std::string_view text, std::string_view section);

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

// Reads and counts a section of an initialisation file; a missing file or
// section gives no entries.
std::vector<IniEntry> ReadIniSection(const std::string& path, const std::string& section);

}  // namespace sweep
