// SweepfieldCmd.exe against a bare walk, process against process: the time
// from starting each program to the end of its output, which the bench reads
// through a pipe and drops. Over the generated tree of 60,000 entries in
// 3,000 folders (BenchTree.h), alternating the two in one run, the median
// of the pairs' ratios:
//   shipped list - "SweepfieldCmd -q -f null" with the pattern list the
//                  program ships: at most 0.5 of the bare walk;
//   "*.*"        - the same with the one pattern "*.*" (every entry listed):
//                  at most 0.7.
// Two more rows tell where the time goes: the program's start and end alone
// (--help), and the walk alone (a pattern that finds nothing).
// The bare walk (walk/BareWalk.cpp) is one thread of FindFirstFileW over
// "\\?\" paths writing every entry's full path as a UTF-8 line.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "BenchTree.h"
#include "base/Module.h"
#include "base/Unicode.h"

namespace {

constexpr int kPairs = 7;

struct Timed {
    double seconds = 0;
    std::size_t bytes = 0, records = 0;
};

// Runs a command line with its output on a pipe this bench drains, and
// times it from the start to the end of both the output and the process.
Timed Time(std::wstring command, char separator) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read, write;
    ::CreatePipe(&read, &write, &inherit, 0);
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = write;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    Timed t;
    const double start = Now();
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("cannot start %s\n", base::Utf8(command).c_str());
        return t;
    }
    ::CloseHandle(write);
    static char chunk[1 << 16];
    DWORD n = 0;
    while (::ReadFile(read, chunk, sizeof chunk, &n, nullptr) && n) {
        t.bytes += n;
        t.records += static_cast<std::size_t>(std::count(chunk, chunk + n, separator));
    }
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    t.seconds = Now() - start;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(read);
    ::CloseHandle(nul);
    return t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::wstring tree = SearchTree(BenchFolder(), 3000);
    const std::wstring here = base::Wide(base::ExeFolder());
    const std::wstring cmd = L"\"" + here + L"\\..\\bin\\SweepfieldCmd.exe\" -q -f null ";
    const std::wstring bare = L"\"" + here + L"\\BareWalk.exe\" \"" + tree + L"\"";
    const std::wstring ini = base::Wide("Z:" SF_DEFAULT_INI);  // the source tree, through Wine's drive of the Unix root
    const struct {
        const char* what;
        std::wstring args;
        double target;
    } figures[] = {
        {"  its start alone (--help)", L"--help", 0},
        {"  the walk alone (-p *.nada)", L"-p *.nada \"" + tree + L"\"", 0},
        {"SweepfieldCmd, the shipped pattern list", L"--ini \"" + ini + L"\" \"" + tree + L"\"", 0.5},
        {"SweepfieldCmd, \"*.*\"", L"-p *.* \"" + tree + L"\"", 0.7},
    };
    Time(bare, '\n');  // the tree into the system's cache
    for (const auto& f : figures) {
        std::vector<double> ratios, mine, theirs;
        Timed a, b;
        for (int pair = 0; pair < kPairs; ++pair) {
            a = Time(cmd + f.args, '\0');
            b = Time(bare, '\n');
            mine.push_back(a.seconds);
            theirs.push_back(b.seconds);
            ratios.push_back(a.seconds / b.seconds);
        }
        const double ratio = Median(ratios);
        std::printf("%-42s %7.1f ms %6zu paths   bare walk %7.1f ms %6zu paths   ratio %5.2f (%.2f - %.2f)", f.what,
                    Median(mine) * 1e3, a.records, Median(theirs) * 1e3, b.records, ratio,
                    *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
        if (f.target > 0) std::printf("   target %.2f  %s", f.target, ratio <= f.target ? "met" : "MISSED");
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}
