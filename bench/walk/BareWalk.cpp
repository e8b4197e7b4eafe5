// The console program's baseline: one bare walk of a folder tree on one
// thread, FindFirstFileW on "\\?\" paths, writing every entry's full path as
// a UTF-8 line to standard output through a 64 KB buffer, as SweepfieldCmd
// writes its own. Usage: BareWalk.exe FOLDER
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string buffer;
HANDLE output;

void Flush() {
    DWORD written = 0;
    if (!buffer.empty()) ::WriteFile(output, buffer.data(), static_cast<DWORD>(buffer.size()), &written, nullptr);
    buffer.clear();
}

void Line(const std::wstring& path) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0, nullptr,
                                        nullptr);
    if (buffer.size() + static_cast<std::size_t>(n) + 1 > 64 * 1024) Flush();
    const std::size_t at = buffer.size();
    buffer.resize(at + static_cast<std::size_t>(n));
    ::WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), &buffer[at], n, nullptr, nullptr);
    buffer += '\n';
}

bool IsDots(const wchar_t* n) { return n[0] == L'.' && (!n[1] || (n[1] == L'.' && !n[2])); }

// `folder` ends with a backslash.
void Walk(const std::wstring& folder) {
    std::vector<std::wstring> subfolders;
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((L"\\\\?\\" + folder + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (IsDots(fd.cFileName)) continue;
        Line(folder + fd.cFileName);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            subfolders.emplace_back(fd.cFileName);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    for (const std::wstring& s : subfolders) Walk(folder + s + L"\\");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    std::wstring folder = argv[1];
    if (folder.back() != L'\\') folder += L'\\';
    Walk(folder);
    Flush();
    return 0;
}
