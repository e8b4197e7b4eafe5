// The pattern list's initialisation file: read whole, decoded from whatever
// the user's editor saved it in, and parsed as the system's profile
// functions parse it, in one pass.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sweep {

struct IniEntry {
    std::string key;
    std::string value;
};

// How an initialisation file's text is stored, as the user's editor saved it.
enum class IniEncoding { Utf8, Utf8WithMark, Utf16LE, Utf16BE, Windows1252 };

struct DecodedIni {
    std::string text;  // UTF-8
    IniEncoding encoding;
};
// The text of an initialisation file as UTF-8, and how it was stored: UTF-16
// with its byte-order mark (either byte order), UTF-8 with or without its
// mark, and anything that is not UTF-8 read as Windows-1252. Nothing is
// lost: a UTF-16 unit with no pair is carried as the three bytes UTF-8
// would give it, and every byte of Windows-1252 stands for a character, so
// that EncodeIni gives back the bytes that were read.
DecodedIni DecodeIni(std::string_view bytes);
std::string DecodeIniText(std::string_view bytes);
// The bytes of a text stored in an encoding, its byte-order mark first where
// it has one; none when Windows-1252 has no byte for some character.
std::optional<std::string> EncodeIni(std::string_view text, IniEncoding encoding);

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

// The text of an initialisation file once the pattern list is `rows`: the
// keys of the list in the first section "FindFiles" (made at the end when
// there is none) are written anew, File1, Autodel1, File2, ... in row order,
// where the first of the old ones stood, and everything else stays as it
// was, line by line: other sections, other keys, comments, blank lines,
// line breaks. The file then reads back (PatternRowsFrom) as these rows:
//  - a value the reader would trim or unquote is written in quotes; a line
//    break, which no value can hold, becomes a blank;
//  - the reader counts only keys with a value and makes half as many rows,
//    so an empty cell gets a key of its own in the count instead,
//    EmptyFile<n>=1 or EmptyAutodel<n>=1, as many as the count needs
//    besides the section's other keys;
//  - when the section's other keys would make the count too large, they go
//    to a second section "FindFiles" right after it, which no reader reads.
// The list's keys are those named File, Autodel, EmptyFile or EmptyAutodel
// and a number (letter case aside, no leading zero).
std::string WithPatternRows(std::string_view text, const std::vector<PatternRow>& rows);

// The bytes of the file once the pattern list is `rows`, given its bytes now
// (none for a new file): the text WithPatternRows makes, in the encoding the
// file was read in (UTF-8 for a new file). A Windows-1252 file given a
// character it has no byte for is written as UTF-8 with its mark.
std::string SavedIniBytes(std::string_view oldBytes, const std::vector<PatternRow>& rows);

// Reads and counts a section of an initialisation file; a missing file or
// section gives no entries.
std::vector<IniEntry> ReadIniSection(const std::string& path, const std::string& section);

// A file's bytes, whole. False, with the system's code, when it cannot be
// read; a missing file is ERROR_FILE_NOT_FOUND (or ERROR_PATH_NOT_FOUND).
bool ReadWholeFile(const std::string& path, std::string& bytes, DWORD& error);

}  // namespace sweep
