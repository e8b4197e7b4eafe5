#include "app/SearchRules.h"

#include <algorithm>
#include <cwchar>

#include "ui/SysUtils.h"
#include "ui/Unicode.h"

namespace sweep {

std::vector<IniEntry> CountedEntries(const std::vector<IniEntry>& raw) {
    std::vector<IniEntry> entries;
    for (const IniEntry& e : raw) {
        if (e.value.empty()) continue;
        bool seen = std::any_of(entries.begin(), entries.end(),
                                [&](const IniEntry& x) { return ui::SameText(x.key, e.key); });
        if (!seen) entries.push_back(e);
    }
    return entries;
}

std::vector<PatternRow> PatternRowsFrom(const std::vector<IniEntry>& entries) {
    auto valueOf = [&](const std::string& key) -> std::string {
        for (const IniEntry& e : entries)
            if (ui::SameText(e.key, key)) return e.value;
        return std::string();
    };
    std::size_t rows = std::max<std::size_t>(entries.size() / 2, 1);
    std::vector<PatternRow> result(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        std::string n = ui::IntToStr(static_cast<std::int64_t>(r) + 1);
        result[r].pattern = valueOf("File" + n);
        result[r].mode = valueOf("Autodel" + n);
    }
    return result;
}

std::vector<IniEntry> ReadIniSection(const std::string& path, const std::string& section) {
    // The key names come as one buffer of zero-terminated strings; the buffer
    // grows until the whole list fits.
    const std::wstring widePath = ui::Wide(path), wideSection = ui::Wide(section);
    std::vector<wchar_t> names(4096);
    for (;;) {
        DWORD n = ::GetPrivateProfileStringW(wideSection.c_str(), nullptr, L"", names.data(),
                                             static_cast<DWORD>(names.size()), widePath.c_str());
        if (n < names.size() - 2) {
            names.resize(n + 1);
            break;
        }
        names.resize(names.size() * 2);
    }
    std::vector<IniEntry> raw;
    std::vector<wchar_t> value(4096);
    for (const wchar_t* key = names.data(); *key; key += std::wcslen(key) + 1) {
        for (;;) {
            DWORD n = ::GetPrivateProfileStringW(wideSection.c_str(), key, L"", value.data(),
                                                 static_cast<DWORD>(value.size()), widePath.c_str());
            if (n < value.size() - 1) {
                raw.push_back(IniEntry{ui::Utf8(key), ui::Utf8(std::wstring_view(value.data(), n))});
                break;
            }
            value.resize(value.size() * 2);
        }
    }
    return CountedEntries(raw);
}

int ModeIndexOf(const std::string& mode) {
    if (mode == "No") return 0;
    if (mode == "Papelera") return 1;
    return 2;
}

std::string SizeText(std::int64_t size) { return ui::IntToStr(size) + " bytes"; }

std::string ModifiedText(const FILETIME& lastWrite) {
    FILETIME local;
    SYSTEMTIME st{};
    if (!::FileTimeToLocalFileTime(&lastWrite, &local) || !::FileTimeToSystemTime(&local, &st)) return std::string();
    WORD dosDate, dosTime;
    // The range is checked here: Wine's conversion does not refuse the years
    // a DOS date cannot hold, it wraps them (2150 would come back as 2022).
    if (st.wYear >= 1980 && st.wYear <= 2107 && ::FileTimeToDosDateTime(&local, &dosDate, &dosTime)) {
        st = SYSTEMTIME{};
        st.wYear = static_cast<WORD>(1980 + (dosDate >> 9));
        st.wMonth = static_cast<WORD>((dosDate >> 5) & 0x0F);
        st.wDay = static_cast<WORD>(dosDate & 0x1F);
        st.wHour = static_cast<WORD>(dosTime >> 11);
        st.wMinute = static_cast<WORD>((dosTime >> 5) & 0x3F);
        st.wSecond = static_cast<WORD>((dosTime & 0x1F) * 2);
    } else {
        // Outside the DOS range: the same two-second precision, from the full time.
        st.wSecond = static_cast<WORD>(st.wSecond & ~1u);
        st.wMilliseconds = 0;
    }
    return ui::DateTimeToStr(st);
}

std::string FolderOfMatches(const std::string& path, const std::string& pattern) {
    std::size_t slash = pattern.find_last_of("\\/");
    if (slash == std::string::npos) return path;
    std::string folder = path + pattern.substr(0, slash + 1);
    std::replace(folder.begin() + static_cast<std::ptrdiff_t>(path.size()), folder.end(), '/', '\\');
    return folder;
}

ScaledTotal ScaleTotal(std::int64_t totalBytes) {
    std::string text = ui::IntToStr(totalBytes);
    if (text.size() <= 4) return {text, "bytes"};
    if (text.size() <= 8) return {ui::IntToStr(totalBytes / 1024), "Kbytes"};
    return {ui::IntToStr(totalBytes / 1048576), "Mbytes"};
}

namespace {
std::string DigitsOf(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}
}  // namespace

std::string CleanSizeTextOnChange(const std::string& text) {
    std::string digits = DigitsOf(text);
    std::int64_t v;
    if (!digits.empty() && (!ui::TryStrToInt64(digits, v) || v > 2147483647)) digits = "2147483647";
    return digits;
}

std::string CleanSizeTextOnExit(const std::string& text) {
    std::string digits = DigitsOf(text);
    return digits.empty() ? "0" : digits;
}

}  // namespace sweep
