#include "engine/IniFile.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <unordered_map>
#include <unordered_set>

#include "engine/FolderListing.h"
#include "base/Handles.h"
#include "base/Unicode.h"
#include "base/Text.h"

namespace sweep {

namespace {

// Windows-1252's characters 0x80 to 0x9F; the rest of its range is Latin-1.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, unsigned c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n;
        unsigned min;
        unsigned v;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1, min = 0x80, v = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2, min = 0x800, v = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3, min = 0x10000, v = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size()) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            v = (v << 6) | (t & 0x3F);
        }
        if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return false;
        i += n + 1;
    }
    return true;
}

// UTF-16 to UTF-8, a unit with no pair written as UTF-8 would write it if it
// were a character (the form the encoder below takes back).
std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    text.reserve(bytes.size());
    auto unitAt = [&](std::size_t i) -> unsigned {
        const unsigned char a = static_cast<unsigned char>(bytes[2 * i]), b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? (a << 8) | b : (b << 8) | a;
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const unsigned u = unitAt(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units && unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) < 0xE000) {
            AppendUtf8(text, 0x10000 + ((u - 0xD800) << 10) + (unitAt(++i) - 0xDC00));
        } else {
            AppendUtf8(text, u);
        }
    }
    return text;
}

// The characters of a UTF-8 text one by one (a unit with no pair included,
// as FromUtf16 writes it); a byte that starts no sequence stands for itself.
template <class OnChar>
void ForEachChar(std::string_view s, OnChar onChar) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0xC0 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        unsigned v = n == 0 ? c : n == 1 ? c & 0x1F : n == 2 ? c & 0x0F : c & 0x07;
        std::size_t k = 1;
        for (; k <= n && i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; ++k)
            v = (v << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        if (k <= n) v = c, k = 1;  // cut short: the byte alone
        onChar(v);
        i += k;
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Key names are compared as the profile functions compare them: without
// letter case, in every script.
std::wstring FoldedKey(std::string_view key) {
    std::wstring folded = base::Wide(key);
    if (!folded.empty()) ::CharUpperBuffW(&folded[0], static_cast<DWORD>(folded.size()));
    return folded;
}

}  // namespace

DecodedIni DecodeIni(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return {FromUtf16(bytes.substr(2), false), IniEncoding::Utf16LE};
    if (bytes.substr(0, 2) == "\xFE\xFF") return {FromUtf16(bytes.substr(2), true), IniEncoding::Utf16BE};
    // A mark before bytes that are no UTF-8 is dropped: the rest is read, and
    // saved again, as Windows-1252.
    const bool marked = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (marked) bytes.remove_prefix(3);
    if (IsUtf8(bytes)) return {std::string(bytes), marked ? IniEncoding::Utf8WithMark : IniEncoding::Utf8};
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        AppendUtf8(text, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
    return {std::move(text), IniEncoding::Windows1252};
}

std::string DecodeIniText(std::string_view bytes) { return DecodeIni(bytes).text; }

std::optional<std::string> EncodeIni(std::string_view text, IniEncoding encoding) {
    std::string bytes;
    switch (encoding) {
        case IniEncoding::Utf8: return std::string(text);
        case IniEncoding::Utf8WithMark: return "\xEF\xBB\xBF" + std::string(text);
        case IniEncoding::Utf16LE:
        case IniEncoding::Utf16BE: {
            const bool big = encoding == IniEncoding::Utf16BE;
            bytes = big ? "\xFE\xFF" : "\xFF\xFE";
            bytes.reserve(2 + text.size() * 2);
            auto unit = [&](unsigned u) {
                const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
                bytes += big ? hi : lo;
                bytes += big ? lo : hi;
            };
            ForEachChar(text, [&](unsigned c) {
                if (c < 0x10000) return unit(c);
                unit(0xD800 + ((c - 0x10000) >> 10));
                unit(0xDC00 + ((c - 0x10000) & 0x3FF));
            });
            return bytes;
        }
        case IniEncoding::Windows1252: {
            bool fits = true;
            bytes.reserve(text.size());
            ForEachChar(text, [&](unsigned c) {
                if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
                    bytes += static_cast<char>(c);
                    return;
                }
                const char16_t* high = std::find(kCp1252High, kCp1252High + 32, static_cast<char16_t>(c));
                if (c < 0x10000 && high != kCp1252High + 32)
                    bytes += static_cast<char>(0x80 + (high - kCp1252High));
                else
                    fits = false;
            });
            if (!fits) return std::nullopt;
            return bytes;
        }
    }
    return std::nullopt;
}

namespace {

// One line of an initialisation file as the profile functions see it.
struct IniLine {
    enum Kind { Other, Section, Key } kind = Other;  // Other: blank, a comment, a nameless key
    std::string_view name;                            // the section's or the key's
    std::string_view value;
};

IniLine ParseLine(std::string_view raw) {
    IniLine parsed;
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') return parsed;
    if (line.front() == '[') {
        const std::size_t close = line.rfind(']');
        parsed.kind = IniLine::Section;
        parsed.name = Trim(line.substr(1, close == std::string_view::npos ? close : close - 1));
        return parsed;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        parsed.kind = IniLine::Key;
        parsed.name = line;
        return parsed;
    }
    parsed.name = Trim(line.substr(0, equals));
    if (parsed.name.empty()) return parsed;
    parsed.kind = IniLine::Key;
    std::string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    parsed.value = value;
    return parsed;
}

// The lines of a text, each with its line break (the last one may have none).
std::vector<std::string_view> LinesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        } else {
            end += text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        }
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::string_view WithoutBreak(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

}  // namespace

std::vector<IniEntry> SectionEntries(std::string_view text, std::string_view section) {
    std::vector<IniEntry> entries;
    const std::wstring wanted = FoldedKey(Trim(section));
    bool inSection = false;
    for (std::string_view raw : LinesOf(text)) {
        const IniLine line = ParseLine(WithoutBreak(raw));
        if (line.kind == IniLine::Section) {
            if (inSection) break;  // only the first section of the name counts
            inSection = FoldedKey(line.name) == wanted;
        } else if (line.kind == IniLine::Key && inSection) {
            entries.push_back(IniEntry{std::string(line.name), std::string(line.value)});
        }
    }
    return entries;
}

std::vector<IniEntry> CountedEntries(const std::vector<IniEntry>& raw) {
    std::vector<IniEntry> entries;
    std::unordered_set<std::wstring> seen;
    for (const IniEntry& e : raw)
        if (!e.value.empty() && seen.insert(FoldedKey(e.key)).second) entries.push_back(e);
    return entries;
}

std::vector<PatternRow> PatternRowsFrom(const std::vector<IniEntry>& entries) {
    std::unordered_map<std::wstring, const std::string*> values;
    for (const IniEntry& e : entries) values.emplace(FoldedKey(e.key), &e.value);
    auto valueOf = [&](const std::string& key) {
        auto it = values.find(FoldedKey(key));
        return it == values.end() ? std::string() : *it->second;
    };
    const std::size_t rows = std::max<std::size_t>(entries.size() / 2, 1);
    std::vector<PatternRow> result(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::string n = base::IntToStr(static_cast<std::int64_t>(r) + 1);
        result[r].pattern = valueOf("File" + n);
        result[r].mode = valueOf("Autodel" + n);
    }
    return result;
}

namespace {

const char kSection[] = "FindFiles";

// File<n>, Autodel<n>, EmptyFile<n>, EmptyAutodel<n>, compared as the
// reader compares keys.
bool IsListKey(std::string_view key) {
    const std::wstring folded = FoldedKey(key);
    for (const wchar_t* prefix : {L"EMPTYFILE", L"EMPTYAUTODEL", L"FILE", L"AUTODEL"}) {
        const std::size_t n = std::wcslen(prefix);
        if (folded.size() > n && folded.compare(0, n, prefix) == 0 && folded[n] != L'0' &&
            std::all_of(folded.begin() + static_cast<std::ptrdiff_t>(n), folded.end(),
                        [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
            return true;
    }
    return false;
}

// A value as it must be written to be read back as it is.
std::string ValueText(std::string_view value) {
    std::string text(value);
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    const bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    if (quoted || (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back())))) return '"' + text + '"';
    return text;
}

}  // namespace

std::string WithPatternRows(std::string_view text, const std::vector<PatternRow>& rows) {
    const std::vector<std::string_view> lines = LinesOf(text);
    std::string newline = "\r\n";
    if (!lines.empty() && lines.front().size() != WithoutBreak(lines.front()).size())
        newline = lines.front().substr(WithoutBreak(lines.front()).size());

    // The first section of the list, and the lines in it.
    const std::wstring wanted = FoldedKey(kSection);
    std::size_t header = lines.size(), end = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const IniLine line = ParseLine(WithoutBreak(lines[i]));
        if (line.kind != IniLine::Section) continue;
        if (header < lines.size()) {
            end = i;
            break;
        }
        if (FoldedKey(line.name) == wanted) header = i;
    }
    // The section's other keys, and how many of them the reader counts.
    std::size_t firstListKey = end, lastKey = header;
    std::vector<std::size_t> otherKeys;
    std::unordered_set<std::wstring> counted;
    for (std::size_t i = header + 1; i < end; ++i) {
        const IniLine line = ParseLine(WithoutBreak(lines[i]));
        if (line.kind != IniLine::Key) continue;
        if (IsListKey(line.name)) {
            firstListKey = std::min(firstListKey, i);
            continue;
        }
        lastKey = i;
        otherKeys.push_back(i);
        if (!line.value.empty()) counted.insert(FoldedKey(line.name));
    }

    // The list's keys: the cells with a value, and as many keys for empty
    // cells as the count of rows needs.
    const std::size_t n = std::max<std::size_t>(rows.size(), 1);
    std::size_t filled = 0;
    for (const PatternRow& row : rows) filled += !row.pattern.empty() + !row.mode.empty();
    const bool moveOthers = filled + counted.size() > 2 * n + 1;
    const std::size_t others = moveOthers ? 0 : counted.size();
    std::size_t blanks = n > 1 && filled + others < 2 * n ? 2 * n - filled - others : 0;
    std::string keys;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string number = base::IntToStr(static_cast<std::int64_t>(r) + 1);
        for (const auto& [name, value] : {std::make_pair("File", &rows[r].pattern), std::make_pair("Autodel", &rows[r].mode)}) {
            if (!value->empty()) {
                keys += name + number + "=" + ValueText(*value) + newline;
            } else if (blanks) {
                --blanks;
                keys += std::string("Empty") + name + number + "=1" + newline;
            }
        }
    }

    const std::string section = "[" + std::string(kSection) + "]" + newline;
    std::string out;
    out.reserve(text.size() + keys.size() + section.size());
    const bool lastLineOpen = !lines.empty() && WithoutBreak(lines.back()).size() == lines.back().size();
    if (header == lines.size()) {
        out.assign(text);
        if (lastLineOpen) out += newline;
        return out + section + keys;
    }
    const std::size_t keysAt = firstListKey < end ? firstListKey : lastKey + 1;
    std::string moved;
    if (moveOthers)
        for (std::size_t i : otherKeys) (moved += WithoutBreak(lines[i])) += newline;
    if (!moved.empty()) moved = section + moved;
    // What goes after the last line starts a line of its own.
    const std::string atEnd = (keysAt == lines.size() ? keys : std::string()) + (end == lines.size() ? moved : std::string());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == keysAt) out += keys;
        if (i == end) out += moved;
        if (i > header && i < end) {
            const IniLine line = ParseLine(WithoutBreak(lines[i]));
            if (line.kind == IniLine::Key && (moveOthers || IsListKey(line.name))) continue;
        }
        out += lines[i];
    }
    if (!atEnd.empty() && lastLineOpen) out += newline;
    return out + atEnd;
}

std::string SavedIniBytes(std::string_view oldBytes, const std::vector<PatternRow>& rows) {
    const DecodedIni old = oldBytes.empty() ? DecodedIni{std::string(), IniEncoding::Utf8} : DecodeIni(oldBytes);
    const std::string text = WithPatternRows(old.text, rows);
    if (std::optional<std::string> bytes = EncodeIni(text, old.encoding)) return *bytes;
    return *EncodeIni(text, IniEncoding::Utf8WithMark);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, DWORD& error) {
    bytes.clear();
    base::KernelHandle file(base::ValidOrNull(::CreateFileW(ExactPath(base::Wide(path)).c_str(), GENERIC_READ,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file) {
        error = ::GetLastError();
        return false;
    }
    char chunk[64 * 1024];
    DWORD read = 0;
    for (;;) {
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) {
            error = ::GetLastError();
            return false;
        }
        if (!read) break;
        bytes.append(chunk, read);
    }
    error = ERROR_SUCCESS;
    return true;
}

std::vector<IniEntry> ReadIniSection(const std::string& path, const std::string& section) {
    std::string bytes;
    DWORD error;
    if (!ReadWholeFile(path, bytes, error)) return {};
    return CountedEntries(SectionEntries(DecodeIniText(bytes), section));
}

}  // namespace sweep
