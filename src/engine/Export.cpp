#include "engine/Export.h"

#include <windows.h>

#include <cstdio>
#include <cwctype>

#include "base/Text.h"
#include "base/Unicode.h"
#include "engine/FolderListing.h"

namespace sweep {

namespace {

// The names the Win32 path parser takes for devices, whatever follows a dot.
bool IsDeviceName(std::wstring_view name) {
    std::wstring_view stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && (stem.back() == L' ' || stem.back() == L':')) stem.remove_suffix(1);
    // Every device's name is 3, 4, 6 or 7 characters long.
    if (stem.size() < 3 || stem.size() > 7 || stem.size() == 5) return false;
    std::wstring upper(stem);
    for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (upper == device) return true;
    if (upper.size() == 4 && (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0)) {
        const wchar_t n = upper[3];
        return (n >= L'1' && n <= L'9') || n == L'\x00B9' || n == L'\x00B2' || n == L'\x00B3';
    }
    return false;
}

// Whether a name of a plain path makes the system's path parser reach
// another file: one that ends in a dot or a blank, or a device's name.
bool NamesNeedPrefix(std::wstring_view plain) {
    // The names after the volume ("C:" or "\\server\share").
    const std::wstring_view rest = VolumePart(plain);
    for (std::size_t start = 0; start < rest.size();) {
        std::size_t end = rest.find(L'\\', start);
        if (end == std::wstring_view::npos) end = rest.size();
        const std::wstring_view name = rest.substr(start, end - start);
        if (EndsWithDotOrBlank(name) || IsDeviceName(name)) return true;
        start = end + 1;
    }
    return false;
}

// JSON's escapes of a text, without the quotes.
void AppendJson(std::string& json, std::wstring_view text) {
    // Runs of ordinary characters go to UTF-8 at once; the rest one by one.
    std::size_t run = 0;
    auto flush = [&](std::size_t end) {
        json += base::Utf8(text.substr(run, end - run));
        run = end + 1;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;  // a pair: one character, in the run
            continue;
        }
        if (!high && !low && c >= 0x20 && c != 0x7F && c != L'"' && c != L'\\') continue;
        flush(i);
        if (c == L'"' || c == L'\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else {
            // A control character, or a surrogate alone: no character, and
            // only its escape keeps it.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            json += escape;
        }
    }
    flush(text.size());
}

}  // namespace

std::wstring ShownPath(std::wstring_view path) {
    const std::wstring plain = PlainPath(path);
    return plain.size() > 259 || NamesNeedPrefix(plain) ? ExactPath(plain) : plain;
}

std::string Iso8601Utc(std::uint64_t ticks) {
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME t{};
    if (!::FileTimeToSystemTime(&time, &t)) return std::string();
    // By hand: a listing writes one per file, and the C library's
    // formatting costs more than the rest of a line.
    char text[] = "0000-00-00T00:00:00Z";
    auto put = [&](int at, unsigned value, int digits) {
        for (int i = at + digits - 1; i >= at; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
    };
    put(0, t.wYear, 4);
    put(5, t.wMonth, 2);
    put(8, t.wDay, 2);
    put(11, t.wHour, 2);
    put(14, t.wMinute, 2);
    put(17, t.wSecond, 2);
    return std::string(text, sizeof text - 1);
}

std::string CsvHeader() { return "ruta,nombre,carpeta,bytes,modificado,patron"; }

namespace {

void AppendCsvField(std::string& line, std::string_view text) {
    bool plain = true;
    for (char c : text) plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
    if (plain) {
        line += text;
        return;
    }
    line += '"';
    for (char c : text) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace

std::string CsvField(std::string_view text) {
    std::string field;
    AppendCsvField(field, text);
    return field;
}

std::string CsvLine(const FoundFile& file, std::string_view pattern) {
    ShownPaths shown;
    return CsvLine(file, pattern, shown);
}

std::string CsvLine(const FoundFile& file, std::string_view pattern, ShownPaths& shown) {
    std::string line;
    line.reserve(256);
    AppendCsvField(line, shown.Path(file));
    line += ',';
    AppendCsvField(line, base::Utf8(file.name));
    line += ',';
    AppendCsvField(line, shown.Folder(file));
    line += ',';
    line += base::IntToStr(file.size);
    line += ',';
    line += Iso8601Utc(file.lastWrite);
    line += ',';
    AppendCsvField(line, pattern);
    return line;
}

std::string JsonString(std::wstring_view text) {
    std::string json = "\"";
    AppendJson(json, text);
    return json + '"';
}

bool Utf8CarriesExactly(std::wstring_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        }
    }
    return true;
}

std::string JsonLine(const FoundFile& file, std::string_view pattern) {
    ShownPaths shown;
    return JsonLine(file, pattern, shown);
}

std::string JsonLine(const FoundFile& file, std::string_view pattern, ShownPaths& shown) {
    std::string line;
    line.reserve(320);
    line += "{\"path\":";
    shown.AppendJsonPath(line, file);
    line += ",\"name\":\"";
    AppendJson(line, file.name);
    line += "\",\"folder\":";
    shown.AppendJsonFolder(line, file);
    line += ",\"size\":";
    line += base::IntToStr(file.size);
    line += ",\"modified\":\"";
    line += Iso8601Utc(file.lastWrite);
    line += "\",\"pattern\":";
    line += JsonString(base::Wide(pattern));
    line += '}';
    return line;
}

bool ShownPaths::Prefixed(const FoundFile& file) {
    if (!at_ || at_->path != file.folder) {
        // Folders are kept for the listing's length, up to a bound.
        if (folders_.size() >= 65536) folders_.clear();
        FolderTexts& folder = folders_[file.folder.get()];
        if (!folder.path) {
            folder.path = file.folder;
            folder.plain = PlainPath(*file.folder);
            folder.namesNeedPrefix = NamesNeedPrefix(folder.plain);
        }
        at_ = &folder;
    }
    // A folder's path ends with a backslash: a file's path is the folder's
    // and its name, in either form, and the file's names are the folder's
    // and its own.
    return at_->namesNeedPrefix || at_->plain.size() + file.name.size() > 259 || EndsWithDotOrBlank(file.name) ||
           IsDeviceName(file.name);
}

const std::string& ShownPaths::Text(Piece piece) {
    std::string& text = at_->texts[piece];
    if (!at_->made[piece]) {
        at_->made[piece] = true;
        const bool prefixed = piece == kPrefixed || piece == kJsonPrefixed;
        const std::wstring wide = prefixed ? ExactPath(at_->plain) : at_->plain;
        if (piece == kJsonPlain || piece == kJsonPrefixed)
            AppendJson(text, wide);
        else
            text = base::Utf8(wide);
    }
    return text;
}

void ShownPaths::AppendPath(std::string& out, const FoundFile& file) {
    out += Text(Prefixed(file) ? kPrefixed : kPlain);
    out += base::Utf8(file.name);
}

void ShownPaths::AppendJsonPath(std::string& out, const FoundFile& file) {
    out += '"';
    out += Text(Prefixed(file) ? kJsonPrefixed : kJsonPlain);
    AppendJson(out, file.name);
    out += '"';
}

void ShownPaths::AppendJsonFolder(std::string& out, const FoundFile& file) {
    Prefixed(file);
    out += '"';
    out += Text(FolderPrefixed() ? kJsonPrefixed : kJsonPlain);
    out += '"';
}

std::string ShownPaths::Path(const FoundFile& file) {
    std::string path;
    AppendPath(path, file);
    return path;
}

std::string ShownPaths::Folder(const FoundFile& file) {
    Prefixed(file);
    return Text(FolderPrefixed() ? kPrefixed : kPlain);
}

std::string ShownPaths::JsonPath(const FoundFile& file) {
    std::string json;
    AppendJsonPath(json, file);
    return json;
}

std::string ShownPaths::JsonFolder(const FoundFile& file) {
    std::string json;
    AppendJsonFolder(json, file);
    return json;
}

std::string CsvDuplicateHeader() { return CsvHeader() + ",group,keep"; }

std::string CsvDuplicateLine(const FoundFile& file, std::string_view pattern, std::size_t group, bool keep,
                             ShownPaths& shown) {
    return CsvLine(file, pattern, shown) + ',' + base::IntToStr(static_cast<std::int64_t>(group)) +
           (keep ? ",true" : ",false");
}

std::string JsonDuplicateLine(const FoundFile& file, std::string_view pattern, std::size_t group, bool keep,
                              ShownPaths& shown) {
    std::string line = JsonLine(file, pattern, shown);
    line.pop_back();  // its closing brace
    return line + ",\"group\":" + base::IntToStr(static_cast<std::int64_t>(group)) +
           (keep ? ",\"keep\":true}" : ",\"keep\":false}");
}

}  // namespace sweep
