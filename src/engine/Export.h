// Found files written out for other programs, with the same columns
// wherever they are written: the console program's output and the list the
// window saves. CSV as RFC 4180 has it, JSON Lines (one object a line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/FoundFile.h"

namespace sweep {

// A path as a user types it: the plain form ("C:\x\y.tmp"), with "\\?\" only
// where the plain form would reach another file or none: longer than 259
// characters, a name that ends in a dot or a blank, or a name the system's
// path parser takes for a device ("con.tmp", "NUL", "COM1.txt").
std::wstring ShownPath(std::wstring_view path);

// A last-write time (FILETIME ticks, UTC) in ISO 8601: "2024-05-01T10:20:30Z".
std::string Iso8601Utc(std::uint64_t ticks);

// The CSV columns: "ruta,nombre,carpeta,bytes,modificado,patron".
std::string CsvHeader();
// One field, quoted where it holds a comma, a quote, CR or LF (quotes doubled).
std::string CsvField(std::string_view text);
// One line of a file (no line end): its path, name, folder, size, last-write
// time and the pattern that found it.
std::string CsvLine(const FoundFile& file, std::string_view pattern);

// A JSON string (with its quotes) of a name as the system gave it: every
// script as UTF-8, control characters escaped, and a UTF-16 unit no UTF-8
// can carry (an unpaired surrogate) as its \u escape, so the path stays exact.
std::string JsonString(std::wstring_view text);
// Whether UTF-8 carries this text exactly: not when it holds half a UTF-16
// pair alone (a name the system allows), which base::Utf8 writes as U+FFFD.
bool Utf8CarriesExactly(std::wstring_view text);

// One object (no line end): path, name, folder, size, modified, pattern.
std::string JsonLine(const FoundFile& file, std::string_view pattern);

// The paths of many found files as ShownPath and JsonString write them, each
// folder's texts made once, when first asked for: the same texts at a small
// part of the cost when a listing writes tens of thousands of files (the
// rows of a pattern go through the folders again after those of the
// pattern before).
class ShownPaths {
public:
    // ShownPath(file.Path()) and ShownPath(*file.folder), in UTF-8.
    std::string Path(const FoundFile& file);
    std::string Folder(const FoundFile& file);
    // JsonString of the same, exact whatever the names hold.
    std::string JsonPath(const FoundFile& file);
    std::string JsonFolder(const FoundFile& file);
    // The same, appended to a text.
    void AppendPath(std::string& out, const FoundFile& file);
    void AppendJsonPath(std::string& out, const FoundFile& file);
    void AppendJsonFolder(std::string& out, const FoundFile& file);

private:
    // The folder in its plain and prefixed forms, in UTF-8 and as JSON
    // without its quotes.
    enum Piece { kPlain, kPrefixed, kJsonPlain, kJsonPrefixed, kPieces };
    struct FolderTexts {
        std::shared_ptr<const std::wstring> path;  // held: while it lives, its address names it
        std::wstring plain;
        bool namesNeedPrefix = false;
        std::string texts[kPieces];
        bool made[kPieces] = {};
    };
    const std::string& Text(Piece piece);
    // Takes the file's folder; tells whether the file's path takes the prefix.
    bool Prefixed(const FoundFile& file);
    bool FolderPrefixed() const { return at_->plain.size() > 259 || at_->namesNeedPrefix; }

    std::unordered_map<const std::wstring*, FolderTexts> folders_;
    FolderTexts* at_ = nullptr;  // the folder of the file in hand
};
std::string CsvLine(const FoundFile& file, std::string_view pattern, ShownPaths& shown);
std::string JsonLine(const FoundFile& file, std::string_view pattern, ShownPaths& shown);

// A file of a group of duplicates (Duplicates.h): the same columns, then
// its group's number (from 1) and whether it stays when the copies go (the
// kept copy, and any copy in a protected folder): "true" or "false".
// CSV: "...,patron,group,keep"; JSON: ...,"group":1,"keep":true}.
std::string CsvDuplicateHeader();
std::string CsvDuplicateLine(const FoundFile& file, std::string_view pattern, std::size_t group, bool keep,
                             ShownPaths& shown);
std::string JsonDuplicateLine(const FoundFile& file, std::string_view pattern, std::size_t group, bool keep,
                              ShownPaths& shown);

}  // namespace sweep
