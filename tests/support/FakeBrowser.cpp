// A stand-in web browser for the tests: writes the command line it was
// started with (UTF-8) to the file named by the environment variable
// SF_FAKE_BROWSER_LOG, or to FakeBrowser.log beside itself, and ends.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<std::size_t>(n - 1));
    return s;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t buf[32768] = L"";
    std::wstring path;
    if (::GetEnvironmentVariableW(L"SF_FAKE_BROWSER_LOG", buf, 32768)) {
        path = buf;
    } else {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf, 32768);
        path.assign(buf, n);
        path = path.substr(0, path.find_last_of(L'\\') + 1) + L"FakeBrowser.log";
    }
    // Written under another name first, so a reader never sees half a line.
    const std::wstring temp = path + L".part";
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const std::string line = Utf8(::GetCommandLineW());
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
    return ::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
