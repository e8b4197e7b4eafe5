// SweepfieldCmd.exe: the search and removal of the window, in a console.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "base/Unicode.h"
#include "cli/Program.h"

// The arguments come from the command line as the system keeps it, split
// by CommandLineToArgvW: the C runtime's own split may expand wildcards, and
// "*.tmp" is a pattern here, never a list of the current folder's files.
int wmain(int, wchar_t**) {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i) args.push_back(base::Utf8(argv[i]));
    if (argv) ::LocalFree(argv);
    return cli::RunProgram(args);
}
