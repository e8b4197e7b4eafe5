// The cost of a search and of a deletion in the main window, and the memory
// its result rows take. Each time is set against a baseline measured in the
// same run, alternating with it; each figure is the best of five runs, since
// on a shared machine everything else only ever adds time:
//   search   - a click on "Comenzar búsqueda" over a generated tree of about
//              60,000 entries in 3,000 folders, against a bare FindFirstFileW
//              walk in two passes per folder (the pattern, then "*.*" for the
//              sub-folders) that builds the same four texts per entry;
//   patterns - the same with five patterns, against five bare walks;
//   deletion - "Eliminar" on a block of 10,000 selected rows, against a bare
//              loop of SetFileAttributesW and DeleteFileW over the same files;
//   memory   - the heap bytes and the committed bytes per result row after a
//              search, beyond those of the window with no results.
// The tree is generated once under the Wine prefix's temporary folder and
// reused by later runs.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "app/MainUnit.h"
#include "app/SearchRules.h"
#include "BenchClock.h"
#include "ui/Forms.h"
#include "ui/Unicode.h"

namespace {

constexpr int kFolders = 3000;
constexpr int kFiles = 57000;
constexpr int kMaxDepth = 6;
constexpr int kDeleted = 10000;
constexpr int kRounds = 5;
const char* const kFivePatterns[] = {"*.tmp", "*.bak", "~*", "*.log", "*.old"};

double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void Report(const char* what, double seconds, double baseline, double target) {
    const double ratio = seconds / baseline;
    std::printf("%-40s %9.1f ms   baseline %9.1f ms   ratio %5.2f   target %.2f  %s\n", what, seconds * 1e3,
                baseline * 1e3, ratio, target, ratio <= target ? "met" : "MISSED");
}

// A small deterministic generator, so every run builds the same tree.
struct Lcg {
    std::uint32_t state;
    std::uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

void MakeSizedFile(const std::string& path, std::uint32_t size) {
    HANDLE h = ::CreateFileW(ui::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    if (size) {
        ::SetFilePointer(h, static_cast<LONG>(size), nullptr, FILE_BEGIN);
        ::SetEndOfFile(h);
    }
    ::CloseHandle(h);
}

std::string BenchFolder() {
    wchar_t temp[MAX_PATH + 1];
    ::GetTempPathW(MAX_PATH + 1, temp);
    std::string base = ui::Utf8(temp) + "sweepfield_bench";
    ::CreateDirectoryW(ui::Wide(base).c_str(), nullptr);
    return base;
}

// The search tree: folders hung at random under folders not yet at the
// deepest level, files spread at random over all folders. A marker file
// beside it says it is complete.
std::string SearchTree(const std::string& base) {
    const std::string root = base + "\\tree";
    const std::string marker = base + "\\tree.complete";
    if (::GetFileAttributesW(ui::Wide(marker).c_str()) != INVALID_FILE_ATTRIBUTES) return root;
    std::printf("generating %d folders and %d files under %s ...\n", kFolders, kFiles, root.c_str());
    std::fflush(stdout);
    ::CreateDirectoryW(ui::Wide(root).c_str(), nullptr);
    struct Folder {
        std::string path;
        int depth;
    };
    std::vector<Folder> folders{{root, 0}};
    std::vector<int> open{0};  // folders that may still get sub-folders
    Lcg rng{12345};
    char name[64];
    for (int i = 1; i < kFolders; ++i) {
        const int parentIndex = open[static_cast<std::size_t>(rng.Below(static_cast<int>(open.size())))];
        const Folder& parent = folders[static_cast<std::size_t>(parentIndex)];
        std::snprintf(name, sizeof name, "\\carpeta %04d", i);
        Folder f{parent.path + name, parent.depth + 1};
        ::CreateDirectoryW(ui::Wide(f.path).c_str(), nullptr);
        if (f.depth < kMaxDepth) open.push_back(i);
        folders.push_back(f);
    }
    const char* const extensions[] = {".tmp", ".bak", ".log", ".old", ".txt", ".dat", ".doc", ".exe", ".dll", ".ini"};
    for (int i = 0; i < kFiles; ++i) {
        const Folder& f = folders[static_cast<std::size_t>(rng.Below(kFolders))];
        std::snprintf(name, sizeof name, "\\%sfichero%05d%s", i % 13 == 0 ? "~" : "", i, extensions[rng.Below(10)]);
        MakeSizedFile(f.path + name, rng.Next() % 300000);
    }
    MakeSizedFile(marker, 0);
    return root;
}

// The files to delete: 100 folders of 100 files, made anew before each run.
std::vector<std::string> MakeDeletionFiles(const std::string& root) {
    std::vector<std::string> files;
    ::CreateDirectoryW(ui::Wide(root).c_str(), nullptr);
    char name[64];
    for (int d = 0; d < kDeleted / 100; ++d) {
        std::snprintf(name, sizeof name, "\\grupo %03d", d);
        const std::string folder = root + name;
        ::CreateDirectoryW(ui::Wide(folder).c_str(), nullptr);
        for (int i = 0; i < 100; ++i) {
            std::snprintf(name, sizeof name, "\\borrar%03d.del", i);
            files.push_back(folder + name);
            MakeSizedFile(files.back(), static_cast<std::uint32_t>(1000 + i));
        }
    }
    return files;
}

// ---------------------------------------------------------------- the baseline walk

using Row = std::array<std::string, 4>;

bool IsDots(const wchar_t* n) { return n[0] == L'.' && (!n[1] || (n[1] == L'.' && !n[2])); }

void BareWalk(const std::string& path, const std::string& pattern, std::vector<Row>& rows) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW(ui::Wide(path + pattern).c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (IsDots(fd.cFileName)) continue;
            rows.push_back(Row{ui::Utf8(fd.cFileName), path, sweep::SizeText(sweep::EntrySize(fd)),
                               sweep::ModifiedText(fd.ftLastWriteTime)});
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    std::vector<std::string> subfolders;
    h = ::FindFirstFileW(ui::Wide(path + "*.*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDots(fd.cFileName))
                subfolders.emplace_back(ui::Utf8(fd.cFileName));
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    for (const std::string& s : subfolders) BareWalk(path + s + "\\", pattern, rows);
}

// ---------------------------------------------------------------- the window

void UsePatterns(const std::string& base, const std::vector<std::string>& patterns) {
    const std::string ini = base + "\\patterns.ini";
    const std::wstring wideIni = ui::Wide(ini);
    ::DeleteFileW(wideIni.c_str());
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        const std::wstring n = std::to_wstring(i + 1);
        ::WritePrivateProfileStringW(L"FindFiles", (L"File" + n).c_str(), ui::Wide(patterns[i]).c_str(),
                                     wideIni.c_str());
        ::WritePrivateProfileStringW(L"FindFiles", (L"Autodel" + n).c_str(), L"No", wideIni.c_str());
    }
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideIni.c_str());  // flush
    Main->LoadPatterns(ini);
}

// A click on "Comenzar búsqueda"; the chooser, shown because
// "Seleccionar directorio de inicio" is checked, is answered at once.
std::string startFolder;

void ClickStart() {
    TControl* b = Main->StartButton;
    const LPARAM at = MAKELPARAM(b->GetLeft() + b->GetWidth() / 2, b->GetTop() + b->GetHeight() / 2);
    HWND panel = Main->Panel1->GetHandle();
    ::SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(panel, WM_LBUTTONUP, 0, at);
}

double TimedSearch(const std::string& folder) {
    startFolder = folder;
    const double start = Now();
    ClickStart();
    return Now() - start;
}

int ResultCount() { return Main->xgFoundFiles->GetRowCount() - 2; }

// Live bytes in every heap of the process, block overhead included.
std::uint64_t HeapBytes() {
    HANDLE heaps[64];
    const DWORD n = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
    std::uint64_t total = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (!::HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY e{};
        while (::HeapWalk(heaps[i], &e))
            if (e.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += e.cbData + e.cbOverhead;
        ::HeapUnlock(heaps[i]);
    }
    return total;
}

// Committed private memory. Wine answers 0 for PrivateUsage and keeps the
// figure in PagefileUsage, as Windows also does.
std::uint64_t CommittedBytes() {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &c, sizeof c);
    return c.PagefileUsage;
}

}  // namespace

int main() {
    TApplication application(nullptr);
    Application->Initialize();
    Application->CreateForm(Main);
    Application->CreateForm(ChooseDir);
    Application->CreateForm(HelpForm);
    Main->Show();
    Main->SelectHomeDir->SetChecked(true);
    ChooseDir->OnShow = [](TObject*) {
        ChooseDir->DirectoryListBox1->SetDirectory(startFolder);
        ChooseDir->FlatButton1Click(ChooseDir->FlatButton1);
    };
    Application->ProcessMessages();

    const std::string base = BenchFolder();
    const std::string tree = SearchTree(base);
    const std::string treeSlash = tree + "\\";

    // 1. Searching with "*.*", then with five patterns.
    std::vector<Row> bare;
    BareWalk(treeSlash, "*.*", bare);  // warms the file system's caches
    std::printf("tree: %zu entries under %s\n\n", bare.size(), tree.c_str());
    UsePatterns(base, {"*.*"});
    std::vector<double> windowTimes, bareTimes;
    for (int round = 0; round < kRounds; ++round) {
        windowTimes.push_back(TimedSearch(tree));
        bare.clear();
        const double start = Now();
        BareWalk(treeSlash, "*.*", bare);
        bareTimes.push_back(Now() - start);
    }
    std::printf("\"*.*\": %d results in the window, %zu in the bare walk\n", ResultCount(), bare.size());
    Report("search \"*.*\"", Best(windowTimes), Best(bareTimes), 1.5);
    std::printf("%-40s %9.2f us\n", "  window, per entry", Best(windowTimes) / static_cast<double>(bare.size()) * 1e6);
    std::printf("%-40s %9.2f us\n\n", "  bare walk, per entry",
                Best(bareTimes) / static_cast<double>(bare.size()) * 1e6);

    UsePatterns(base, std::vector<std::string>(std::begin(kFivePatterns), std::end(kFivePatterns)));
    windowTimes.clear();
    bareTimes.clear();
    for (int round = 0; round < kRounds; ++round) {
        windowTimes.push_back(TimedSearch(tree));
        bare.clear();
        const double start = Now();
        for (const char* p : kFivePatterns) BareWalk(treeSlash, p, bare);
        bareTimes.push_back(Now() - start);
    }
    std::printf("five patterns: %d results in the window, %zu in the bare walks\n", ResultCount(), bare.size());
    Report("search with five patterns", Best(windowTimes), Best(bareTimes), 1.5);
    std::printf("\n");

    // 2. Deleting a block of 10,000 selected rows.
    const std::string deletion = base + "\\borrar";
    UsePatterns(base, {"*.del"});
    windowTimes.clear();
    bareTimes.clear();
    for (int round = 0; round < kRounds; ++round) {
        MakeDeletionFiles(deletion);
        TimedSearch(deletion);
        if (ResultCount() != kDeleted) std::printf("warning: %d rows to delete\n", ResultCount());
        Main->xgFoundFiles->SetSelection(TGridRect{0, 1, 3, ResultCount()});
        double start = Now();
        Main->Eliminar1Click(Main->Eliminar1);
        windowTimes.push_back(Now() - start);
        if (ResultCount() != 0) std::printf("warning: %d rows left after deleting\n", ResultCount());

        const std::vector<std::string> files = MakeDeletionFiles(deletion);
        start = Now();
        for (const std::string& f : files) {
            const std::wstring wide = ui::Wide(f);
            ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            ::DeleteFileW(wide.c_str());
        }
        bareTimes.push_back(Now() - start);
    }
    Report("delete 10000 selected rows", Best(windowTimes), Best(bareTimes), 1.5);
    std::printf("%-40s %9.2f us\n", "  window, per row", Best(windowTimes) / kDeleted * 1e6);
    std::printf("%-40s %9.2f us\n\n", "  bare loop, per file", Best(bareTimes) / kDeleted * 1e6);

    // 3. Memory of the result rows: the window with no results, then after a
    // search that lists every entry of the tree twice.
    UsePatterns(base, {"*.nada"});
    TimedSearch(tree);
    Application->ProcessMessages();
    const std::uint64_t heapEmpty = HeapBytes(), committedEmpty = CommittedBytes();
    UsePatterns(base, {"*.*", "*.*"});
    TimedSearch(tree);
    Application->ProcessMessages();
    const int rows = ResultCount();
    const double heapPerRow = static_cast<double>(HeapBytes() - heapEmpty) / rows;
    const double committedPerRow = (static_cast<double>(CommittedBytes()) - static_cast<double>(committedEmpty)) / rows;
    std::printf("memory of %d result rows: heap %.1f MB, committed %.1f MB\n", rows, heapPerRow * rows / 1048576.0,
                committedPerRow * rows / 1048576.0);
    std::printf("%-40s %9.1f bytes   target 400  %s\n", "  heap bytes per row", heapPerRow,
                heapPerRow <= 400 ? "met" : "MISSED");
    std::printf("%-40s %9.1f bytes   target 400  %s\n", "  committed bytes per row", committedPerRow,
                committedPerRow <= 400 ? "met" : "MISSED");
    return 0;
}
