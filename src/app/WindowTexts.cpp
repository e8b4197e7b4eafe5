#include "app/WindowTexts.h"

#include "engine/Duplicates.h"
#include "engine/Export.h"

#include <algorithm>
#include <cstring>

#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Text.h"

namespace sweep {

int ModeIndexOf(const std::string& mode) {
    if (mode == "No") return 0;
    if (mode == "Papelera") return 1;
    if (mode == "Excluir") return 3;
    return 2;
}

std::string ModeHint(int index) {
    static const char* const hints[] = {
        "No: lo que encuentre el patrón solo se lista",
        "Papelera: al acabar la búsqueda se pregunta si enviar a la Papelera lo que encuentre el patrón",
        "Eliminar: al acabar la búsqueda se pregunta si eliminar definitivamente lo que encuentre el patrón",
        "Excluir: lo que coincida con el patrón, fichero o carpeta, nunca se lista ni se recorre",
    };
    return std::string(index >= 0 && index < 4 ? hints[index] : hints[0]) + " (doble clic para cambiar)";
}

const char* const kModesHint =
    "Qué hacer con lo que encuentre cada patrón: No, Papelera o Eliminar (siempre tras preguntar), o Excluir (no "
    "tocarlo nunca)";

std::string PatternsNotSaved(DWORD error) {
    const char* why = error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ? "sin permiso"
                      : error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? "en uso"
                      : error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL        ? "disco lleno"
                      : error == ERROR_PATH_NOT_FOUND                                      ? "la carpeta no existe"
                                                                                           : nullptr;
    return "No se pudo guardar la lista de patrones (" +
           (why ? std::string(why) : "error " + base::IntToStr(static_cast<std::int64_t>(error))) + ")";
}

std::string PatternsSavedElsewhere(const std::string& path) { return "La lista de patrones se guarda en " + path; }

std::string PatternAlreadyListed(const std::string& pattern) { return "\xC2\xAB" + pattern + "\xC2\xBB ya está en la lista"; }

DigitGrouping ParseGrouping(const std::string& grouping, const std::string& separator) {
    DigitGrouping g;
    g.separator = separator;
    g.groups.clear();
    g.repeat = false;
    std::size_t at = 0;
    while (at <= grouping.size()) {
        std::size_t end = grouping.find(';', at);
        if (end == std::string::npos) end = grouping.size();
        std::int64_t size = 0;
        if (!base::TryStrToInt64(grouping.substr(at, end - at), size) || size < 0 || size > 9) break;
        if (size == 0) {
            // A final 0 repeats the group before it; a 0 alone groups nothing.
            g.repeat = !g.groups.empty();
            break;
        }
        g.groups.push_back(static_cast<int>(size));
        at = end + 1;
    }
    return g;
}

DigitGrouping UserDigitGrouping() {
    auto read = [](LCTYPE what) {
        wchar_t text[16] = L"";
        return ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, what, text, 16) ? base::Utf8(text) : std::string();
    };
    return ParseGrouping(read(LOCALE_SGROUPING), read(LOCALE_STHOUSAND));
}

std::string GroupDigits(std::int64_t value, const DigitGrouping& grouping) {
    const std::string all = base::IntToStr(value);
    const bool negative = !all.empty() && all[0] == '-';
    const std::string digits = negative ? all.substr(1) : all;
    // Cut from the right: each group's size in turn, the last one again
    // while it repeats; what is left stays whole.
    std::vector<std::string> parts;
    std::size_t end = digits.size();
    for (std::size_t i = 0; end > 0; ++i) {
        int size = 0;
        if (i < grouping.groups.size()) size = grouping.groups[i];
        else if (grouping.repeat && !grouping.groups.empty()) size = grouping.groups.back();
        if (size <= 0 || static_cast<std::size_t>(size) >= end) break;
        parts.push_back(digits.substr(end - static_cast<std::size_t>(size), static_cast<std::size_t>(size)));
        end -= static_cast<std::size_t>(size);
    }
    std::string text = (negative ? "-" : "") + digits.substr(0, end);
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) text += grouping.separator + *it;
    return text;
}

std::string SizeText(std::int64_t size, const DigitGrouping& grouping) { return GroupDigits(size, grouping) + " bytes"; }

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

std::string SortKey(const std::string& text) {
    const std::wstring wide = base::Wide(text);
    const int n = ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, wide.c_str(),
                                 static_cast<int>(wide.size()), nullptr, 0);
    std::string key(static_cast<std::size_t>(n), '\0');
    if (n > 0)
        ::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, wide.c_str(),
                       static_cast<int>(wide.size()), reinterpret_cast<LPWSTR>(&key[0]), n);
    // The key ends with a zero byte, which no comparison needs.
    if (!key.empty() && key.back() == '\0') key.pop_back();
    return key;
}

std::string DeleteForGoodQuestion(std::int64_t files, std::int64_t bytes) {
    const base::ScaledTotal space = base::ScaleTotal(bytes);
    return "¿Eliminar definitivamente " + base::GroupedCount(files) + (files == 1 ? " fichero (" : " ficheros (") +
           space.text + " " + space.unit + ")? No se podrán recuperar.";
}

std::string RemovalSummary(const RemovalTally& recycled, const RemovalTally& deleted, bool stopped) {
    RemovalTally both = deleted;
    both.kept += recycled.kept;
    both.missing += recycled.missing;
    const std::string rest = RemovalSummary(both, false, stopped);
    const std::size_t after = rest.find(": ") + 2;
    return rest.substr(0, after) + base::GroupedCount(recycled.removed) + " a la Papelera (" +
           base::ScaledSize(recycled.bytes) + "), " + rest.substr(after);
}

std::string RemovalSummary(const RemovalTally& tally, bool toRecycleBin, bool stopped) {
    const base::ScaledTotal space = base::ScaleTotal(tally.bytes);
    std::string text = (stopped ? "Detenido: " : "Hecho: ") + base::GroupedCount(tally.removed) +
                       (toRecycleBin ? " a la Papelera (" : tally.removed == 1 ? " borrado (" : " borrados (") +
                       space.text + " " + space.unit + ")";
    if (tally.kept)
        text += "; " + base::GroupedCount(tally.kept) + (tally.kept == 1 ? " no se pudo borrar" : " no se pudieron borrar");
    if (tally.missing)
        text += "; " + base::GroupedCount(tally.missing) + (tally.missing == 1 ? " ya no estaba" : " ya no estaban");
    return text;
}

std::string SearchSummary(std::size_t unreadFolders, bool stopped) {
    std::string text = stopped ? "Detenido" : "Hecho";
    if (unreadFolders == 1) text += "; 1 carpeta no se pudo leer";
    if (unreadFolders > 1)
        text += "; " + base::GroupedCount(static_cast<std::int64_t>(unreadFolders)) + " carpetas no se pudieron leer";
    return text;
}

namespace {
std::string Counted(std::int64_t n, const char* one, const char* many) {
    return base::GroupedCount(n) + " " + (n == 1 ? one : many);
}
}  // namespace

DuplicateTotals DuplicateTotalsText(std::int64_t groups, std::int64_t copies, std::int64_t bytes) {
    return DuplicateTotals{base::GroupedCount(groups), groups == 1 ? "grupo" : "grupos",
                           Counted(copies, "copia", "copias"), base::ScaledSize(bytes)};
}

std::string DuplicateProgressText(const DuplicateProgress& progress) {
    if (progress.listing)
        return "Buscando: " + Counted(static_cast<std::int64_t>(progress.filesFound), "fichero", "ficheros");
    return "Comparados " + base::GroupedCount(static_cast<std::int64_t>(progress.filesCompared)) + " de " +
           Counted(static_cast<std::int64_t>(progress.candidates), "fichero", "ficheros") + " (" +
           base::ScaledSize(progress.bytesRead) + " de " + base::ScaledSize(progress.candidateBytes) + ")";
}

std::string DuplicateSearchSummary(std::size_t unreadFolders, std::size_t unreadFiles, bool stopped) {
    std::string text = SearchSummary(unreadFolders, stopped);
    if (unreadFiles == 1) text += "; 1 fichero no se pudo leer";
    if (unreadFiles > 1)
        text += "; " + base::GroupedCount(static_cast<std::int64_t>(unreadFiles)) + " ficheros no se pudieron leer";
    return text;
}

std::string DeleteCopiesQuestion(std::int64_t copies, std::int64_t bytes) {
    return "¿Eliminar definitivamente " + Counted(copies, "copia", "copias") + " (" + base::ScaledSize(bytes) +
           ")? Se conserva una de cada grupo. No se podrán recuperar.";
}

std::string SizeLimitsDeadEnd(const SearchRequest& request) {
    if (AnySizePasses(request)) return std::string();
    return request.below && *request.below <= 0 ? "Ningún fichero es menor que 0 Kb"
                                                : "Ningún tamaño cumple los dos límites";
}

RowTexts RowTextMaker(DigitGrouping grouping) {
    return [grouping = std::move(grouping)](const FoundFile& file, const std::string& folder,
                                            std::vector<std::string>& texts) {
        texts.reserve(4);
        texts.push_back(base::Utf8(file.name));
        texts.push_back(folder);
        texts.push_back(SizeText(file.size, grouping));
        texts.push_back(
            ModifiedText(FILETIME{static_cast<DWORD>(file.lastWrite), static_cast<DWORD>(file.lastWrite >> 32)}));
    };
}

std::string SelectionText(std::int64_t rows, std::int64_t bytes) {
    if (rows < 2) return std::string();
    return base::GroupedCount(rows) + " seleccionados · " + base::ScaledSize(bytes);
}

std::wstring SelectInFolderCommand(const std::wstring& explorer, const std::wstring& file) {
    return L"\"" + explorer + L"\" /select,\"" + file + L"\"";
}

std::wstring PathLines(const std::vector<std::wstring>& paths) {
    std::wstring text;
    for (std::size_t i = 0; i < paths.size(); ++i) text += (i ? L"\r\n" : L"") + paths[i];
    return text;
}

std::string ListSavedText(std::int64_t rows) {
    return "Lista guardada: " + base::GroupedCount(rows) + (rows == 1 ? " fichero" : " ficheros");
}

std::string ListNotSavedText(DWORD error) {
    const char* why;
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_DIRECTORY:
        case ERROR_INVALID_NAME: why = "la carpeta no existe"; break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_WRITE_PROTECT: why = "sin permiso"; break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: why = "el disco está lleno"; break;
        default: return "No se pudo guardar la lista (error " + base::IntToStr(error) + ")";
    }
    return std::string("No se pudo guardar la lista: ") + why;
}

std::string WidthsText(const std::vector<int>& widths) {
    std::string text;
    for (std::size_t i = 0; i < widths.size(); ++i) text += (i ? "," : "") + base::IntToStr(widths[i]);
    return text;
}

std::vector<int> ParseWidths(const std::string& text, std::size_t count) {
    std::vector<int> widths;
    std::size_t at = 0;
    while (at <= text.size() && widths.size() < count) {
        std::size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        std::int64_t w = -1;
        if (!base::TryStrToInt64(text.substr(at, end - at), w) || w < 0 || w > 10000) return {};
        widths.push_back(static_cast<int>(w));
        at = end + 1;
    }
    if (widths.size() != count || at <= text.size()) return {};
    return widths;
}

std::string ListCsv(const std::string& header, const std::vector<std::string>& lines) {
    std::string text = "\xEF\xBB\xBF" + header + "\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
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
    if (!digits.empty() && (!base::TryStrToInt64(digits, v) || v > 2147483647)) digits = "2147483647";
    return digits;
}

std::string CleanSizeTextOnExit(const std::string& text) {
    std::string digits = DigitsOf(text);
    return digits.empty() ? "0" : digits;
}

}  // namespace sweep
