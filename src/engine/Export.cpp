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

}  // namespace

std::wstring ShownPath(std::wstring_view path) {
    const std::wstring plain = PlainPath(path);
    bool exact = plain.size() > 259;
    // The names after the volume ("C:" or "\\server\share").
    std::wstring_view rest = VolumePart(plain);
    for (std::size_t start = 0; !exact && start < rest.size();) {
        std::size_t end = rest.find(L'\\', start);
        if (end == std::wstring_view::npos) end = rest.size();
        const std::wstring_view name = rest.substr(start, end - start);
        exact = EndsWithDotOrBlank(name) || IsDeviceName(name);
        start = end + 1;
    }
    return exact ? ExactPath(plain) : plain;
}

std::string Iso8601Utc(std::uint64_t ticks) {
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME t{};
    if (!::FileTimeToSystemTime(&time, &t)) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

std::string CsvHeader() { return "ruta,nombre,carpeta,bytes,modificado,patron"; }

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvLine(const FoundFile& file, std::string_view pattern) {
    return CsvField(base::Utf8(ShownPath(file.Path()))) + ',' + CsvField(base::Utf8(file.name)) + ',' +
           CsvField(base::Utf8(ShownPath(*file.folder))) + ',' + base::IntToStr(file.size) + ',' +
           Iso8601Utc(file.lastWrite) + ',' + CsvField(pattern);
}

std::string JsonString(std::wstring_view text) {
    std::string json = "\"";
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
    return "{\"path\":" + JsonString(ShownPath(file.Path())) + ",\"name\":" + JsonString(file.name) +
           ",\"folder\":" + JsonString(ShownPath(*file.folder)) + ",\"size\":" + base::IntToStr(file.size) +
           ",\"modified\":\"" + Iso8601Utc(file.lastWrite) + "\",\"pattern\":" + JsonString(base::Wide(pattern)) +
           "}";
}

}  // namespace sweep
