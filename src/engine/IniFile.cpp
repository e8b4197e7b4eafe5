#include "engine/IniFile.h"

#include <windows.h>

#include <algorithm>
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
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
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

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring wide(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(bytes[2 * i]), b = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[i] = static_cast<wchar_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return base::Utf8(wide);
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

std::string DecodeIniText(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return FromUtf16(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return FromUtf16(bytes.substr(2), true);
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (IsUtf8(bytes)) return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        AppendUtf8(text, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
    }
    return text;
}

std::vector<IniEntry> SectionEntries(std::string_view text, std::string_view section) {
    std::vector<IniEntry> entries;
    const std::wstring wanted = FoldedKey(Trim(section));
    bool inSection = false, found = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            const std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? close : close - 1));
            if (found) break;  // only the first section of the name counts
            inSection = FoldedKey(name) == wanted;
            found = inSection;
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            entries.push_back(IniEntry{std::string(line), std::string()});
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        if (key.empty()) continue;
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        entries.push_back(IniEntry{std::string(key), std::string(value)});
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

std::vector<IniEntry> ReadIniSection(const std::string& path, const std::string& section) {
    base::KernelHandle file(base::ValidOrNull(::CreateFileW(ExactPath(base::Wide(path)).c_str(), GENERIC_READ,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file) return {};
    std::string bytes;
    char chunk[64 * 1024];
    DWORD read = 0;
    while (::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read) bytes.append(chunk, read);
    return CountedEntries(SectionEntries(DecodeIniText(bytes), section));
}

}  // namespace sweep
