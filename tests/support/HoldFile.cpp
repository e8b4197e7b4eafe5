// Holds a file open for the tests, as a program using it does: read access,
// others may read but neither write nor delete it; or, with "everything",
// others may read, write and delete it. Usage:
//   HoldFile.exe <path> <event> [everything]
// It signals that the file is held by creating "<path>.held" (deleted again
// at the end) and lets go when the named event is set.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const DWORD sharing = argc > 3 && lstrcmpW(argv[3], L"everything") == 0
                              ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                              : FILE_SHARE_READ;
    HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    if (!release) return 1;
    wchar_t marker[32768];
    lstrcpynW(marker, argv[1], 32760);
    lstrcatW(marker, L".held");
    HANDLE held = ::CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(held);
    ::WaitForSingleObject(release, 60000);
    ::CloseHandle(file);
    ::DeleteFileW(marker);
    return 0;
}
