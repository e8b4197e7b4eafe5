// A stand-in web browser for the tests: writes the command line it was
// started with to the file named by the environment variable
// SF_FAKE_BROWSER_LOG, or to FakeBrowser.log beside itself, and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = "";
    if (!::GetEnvironmentVariableA("SF_FAKE_BROWSER_LOG", path, sizeof path)) {
        DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
        std::string log(path, n);
        log = log.substr(0, log.find_last_of('\\') + 1) + "FakeBrowser.log";
        lstrcpynA(path, log.c_str(), sizeof path);
    }
    // Written under another name first, so a reader never sees half a line.
    std::string temp = std::string(path) + ".part";
    HANDLE file = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = ::GetCommandLineA();
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    ::CloseHandle(file);
    return ::MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
