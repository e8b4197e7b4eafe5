// The web link launcher.
//
// Deliberate departures from the classic way of doing this:
// - Registry keys are opened for reading only: asking for full access fails
//   for users without administrator rights, and the launcher only reads.
// - Registry values are read whole, whatever their length, rather than into
//   a fixed buffer; values that are not text are skipped, and REG_EXPAND_SZ
//   commands have their environment variables expanded as the shell does.
// - A command whose program name has none of the endings ".EXE", ".BAT" and
//   ".COM" is split at its first word (or after its quoted program path), so
//   the browser still gets the address as an argument of its own.
// - In a command that starts with a quoted program path, the program name is
//   looked for inside the quotes only: an address such as "www.x.com" among
//   the options must not be taken for the program.
#include "controls/GoToWeb.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/Forms.h"
#include "ui/Handles.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Handles.h"

namespace {

struct RegKeyTraits {
    static void Release(HKEY key) { ::RegCloseKey(key); }
};
using RegKey = base::UniqueHandle<HKEY, RegKeyTraits>;

RegKey OpenKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, base::Wide(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return RegKey();
    return RegKey(key);
}

std::wstring ExpandEnvironment(const std::wstring& text) {
    std::wstring out(text.size() + 64, L'\0');
    for (;;) {
        DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), &out[0], static_cast<DWORD>(out.size()));
        if (n == 0) return text;
        if (n <= out.size()) {
            out.resize(n - 1);
            return out;
        }
        out.resize(n);
    }
}

// The key's default value as text; false when it has none, it cannot be
// read or it is not text.
bool ReadDefaultValue(HKEY key, std::string& value) {
    // A value that grows between the two calls is asked for again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0, size = 0;
        if (::RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        // Sizes are in bytes; room for a terminator the value may lack (and
        // for an odd byte count).
        std::wstring data(size / sizeof(wchar_t) + 2, L'\0');
        DWORD got = size;
        LONG result = ::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &got);
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) return false;
        data.resize(std::min<std::size_t>(got / sizeof(wchar_t), data.size()));
        data.resize(data.find(L'\0') == std::wstring::npos ? data.size() : data.find(L'\0'));
        value = base::Utf8(type == REG_EXPAND_SZ ? ExpandEnvironment(data) : data);
        return true;
    }
    return false;
}

// The non-empty default value of root\path, if it has one.
bool ReadCommand(HKEY root, const std::string& path, std::string& command) {
    RegKey key = OpenKey(root, path);
    return key && ReadDefaultValue(key.get(), command) && !command.empty();
}

bool EndsProgramName(const std::string& s, std::size_t end) {
    if (end < 4) return false;
    std::string four = s.substr(end - 4, 4);
    return four == ".EXE" || four == ".BAT" || four == ".COM";
}

}  // namespace

namespace gotoweb {

std::string FindBrowserCommand() {
    static const char* const extensions[] = {".htm", ".html", ".shtml", ".shtm"};
    for (const char* extension : extensions) {
        RegKey key = OpenKey(HKEY_CLASSES_ROOT, extension);
        if (!key) continue;
        std::string type;
        if (!ReadDefaultValue(key.get(), type)) continue;
        std::string command;
        if (!type.empty() && ReadCommand(HKEY_CLASSES_ROOT, type + "\\shell\\open\\command", command))
            return StripPlaceholders(command);
        if (ReadCommand(key.get(), "shell\\open\\command", command)) return StripPlaceholders(command);
    }
    return std::string();
}

std::string StripPlaceholders(const std::string& command) {
    std::string s = command;
    if (s.empty()) return s;
    std::size_t i = 0;
    // The last character is never looked at, unless it is the only one.
    do {
        if (i < s.size() && s[i] == '%')
            s.erase(i, 2);
        else
            ++i;
    } while (i + 1 < s.size());
    return s;
}

TBrowserStart SplitBrowserCommand(const std::string& command, const std::string& url) {
    std::string cmd = ui::UpperCase(command);
    std::size_t closingQuote = std::string::npos;
    if (!cmd.empty() && cmd[0] == '"') closingQuote = cmd.find('"', 1);

    // The program name ends at the last ".EXE", ".BAT" or ".COM" (inside the
    // quotes of a quoted program path).
    std::size_t end = closingQuote != std::string::npos ? closingQuote : cmd.size();
    while (end >= 4 && !EndsProgramName(cmd, end)) --end;
    if (end < 4) end = closingQuote != std::string::npos ? closingQuote : std::min(cmd.find(' '), cmd.size());

    TBrowserStart start;
    if (end < cmd.size()) {
        // Trimmed first, then the quote that closed the program path goes.
        start.parameters = ui::Trim(cmd.substr(end));
        start.parameters.erase(0, start.parameters.find_first_not_of('"'));
        cmd.resize(end);
    }
    if (!cmd.empty() && cmd[0] == '"') cmd.erase(0, 1);
    start.program = cmd;
    start.parameters += " " + url;
    return start;
}

}  // namespace gotoweb

TGoToWeb::TGoToWeb(TComponent* owner) : TComponent(owner), url_("http://www.tallowmere.example/") {}

bool TGoToWeb::Execute() {
    std::string command = gotoweb::FindBrowserCommand();
    if (command.empty()) return false;
    gotoweb::TBrowserStart start = gotoweb::SplitBrowserCommand(command, url_);
    HWND owner = Application ? Application->GetHandle() : nullptr;
    HINSTANCE result = ::ShellExecuteW(owner, nullptr, base::Wide(start.program).c_str(),
                                       base::Wide(start.parameters).c_str(), nullptr, SW_RESTORE);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
