// The cost of a search, a deletion, sorting and loading the pattern list in
// the main window, and the memory a result row takes. Each time is set
// against a baseline measured in the same run, alternating with it, and is
// the best of a few runs, since on a shared machine everything else only
// ever adds time. The figures and their targets:
//   default list - a search with the pattern list the program ships, over a
//                  generated tree of 60,000 entries in 3,000 folders, from
//                  "Seguir" in the folder chooser to the end, against one bare single-threaded walk
//                  with FindFirstFileW ("*" for the entries, then "*" again
//                  for the sub-folders of each folder) that makes the four
//                  texts of a row for every entry: at most 0.6;
//   "*.*"        - the same with the one pattern "*.*": at most 0.8;
//   growth       - the default list's cost per entry on trees of 15,000,
//                  60,000 and 240,000 entries: within 1.3 times of each other;
//   window       - the window's thread while the default list searches the
//                  60,000 entries, from "Seguir" to the end: 99 % of the
//                  messages posted to it handled within 50 ms, none later
//                  than 250 ms (the click before, as the chooser opens, is
//                  shown apart);
//   deletion     - "Eliminar" on 10,000 selected rows, to the end, against a
//                  bare loop of SetFileAttributesW and DeleteFileW over the
//                  same files: at most 1.5;
//   memory       - the heap bytes per result row, its file's identity
//                  included, after a search that lists some 115,000 rows: at
//                  most 400;
//   sorting      - a click on a column's title with those rows: well under
//                  a second;
//   patterns     - loading a pattern list of 10,000 patterns, and the cost
//                  per pattern against 5,000 (linear: about 1).
// The trees are generated once under the Wine prefix's temporary folder and
// reused by later runs.
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/ChooseDirUnit.h"
#include "app/HelpUnit.h"
#include "engine/IniFile.h"
#include "app/MainUnit.h"
#include "app/WindowTexts.h"
#include "BenchClock.h"
#include "BenchTree.h"
#include "ui/Forms.h"
#include "base/Unicode.h"
#include "ui/UtilityWindow.h"

namespace {

constexpr int kDeleted = 10000;
constexpr int kRounds = 3;

double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void Report(const char* what, double seconds, double baseline, double target) {
    const double ratio = seconds / baseline;
    std::printf("%-44s %9.1f ms   baseline %9.1f ms   ratio %5.2f   target %.2f  %s\n", what, seconds * 1e3,
                baseline * 1e3, ratio, target, ratio <= target ? "met" : "MISSED");
}

// The files to delete: 100 folders of 100 files, made anew before each run.
std::vector<std::wstring> MakeDeletionFiles(const std::wstring& root) {
    std::vector<std::wstring> files;
    ::CreateDirectoryW(root.c_str(), nullptr);
    wchar_t name[64];
    for (int d = 0; d < kDeleted / 100; ++d) {
        ::swprintf(name, 64, L"\\grupo %03d", d);
        const std::wstring folder = root + name;
        ::CreateDirectoryW(folder.c_str(), nullptr);
        for (int i = 0; i < 100; ++i) {
            ::swprintf(name, 64, L"\\borrar%03d.del", i);
            files.push_back(folder + name);
            MakeSizedFile(files.back(), static_cast<std::uint32_t>(1000 + i));
        }
    }
    return files;
}

// ---------------------------------------------------------------- the baseline walk

using Row = std::array<std::string, 4>;

bool IsDots(const wchar_t* n) { return n[0] == L'.' && (!n[1] || (n[1] == L'.' && !n[2])); }

void BareWalk(const std::wstring& path, std::vector<Row>& rows) {
    // The user's grouping is read once, as a search reads it.
    static const sweep::DigitGrouping grouping = sweep::UserDigitGrouping();
    const std::string folderText = base::Utf8(path);
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((L"\\\\?\\" + path + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (IsDots(fd.cFileName)) continue;
            const std::int64_t size = (static_cast<std::int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
            rows.push_back(Row{base::Utf8(fd.cFileName), folderText, sweep::SizeText(size, grouping),
                               sweep::ModifiedText(fd.ftLastWriteTime)});
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    std::vector<std::wstring> subfolders;
    h = ::FindFirstFileW((L"\\\\?\\" + path + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDots(fd.cFileName))
                subfolders.emplace_back(fd.cFileName);
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    for (const std::wstring& s : subfolders) BareWalk(path + s + L"\\", rows);
}

// Answers a question box "Sí" as it becomes active.
LRESULT CALLBACK SayYes(int code, WPARAM wParam, LPARAM lParam) {
    wchar_t kind[16] = L"";
    if (code == HCBT_ACTIVATE && ::GetClassNameW(reinterpret_cast<HWND>(wParam), kind, 16) &&
        std::wstring(kind) == L"#32770")
        ::PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDYES, 0);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

double TimedBareWalk(const std::wstring& tree, std::size_t& entries) {
    std::vector<Row> rows;
    const double start = Now();
    BareWalk(tree + L"\\", rows);
    const double took = Now() - start;
    entries = rows.size();
    return took;
}

// ---------------------------------------------------------------- the window

void UsePatterns(const std::vector<std::string>& patterns) {
    std::string text = "[FindFiles]\n";
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        text += "File" + n + "=" + patterns[i] + "\nAutodel" + n + "=No\n";
    }
    const std::wstring ini = BenchFolder() + L"\\patterns.ini";
    HANDLE h = ::CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(h);
    Main->LoadPatterns(base::Utf8(ini));
}

// The pattern list the program ships beside its executable.
std::vector<std::string> DefaultPatterns() {
    std::string path = "Z:" SF_DEFAULT_INI;  // the source tree, through Wine's drive of the Unix root
    std::replace(path.begin(), path.end(), '/', '\\');
    std::vector<std::string> patterns;
    for (const sweep::PatternRow& row : sweep::PatternRowsFrom(sweep::ReadIniSection(path, "FindFiles")))
        patterns.push_back(row.pattern);
    return patterns;
}

// A click on "Comenzar búsqueda"; the chooser, shown because
// "Seleccionar directorio de inicio" is checked, is answered at once with
// "Seguir". Returns once the search is over, with the time from "Seguir" to
// the end: what the user waits for.
std::wstring startFolder;
double seguirAt = 0;

double TimedSearch(const std::wstring& folder) {
    startFolder = folder;
    TControl* b = Main->StartButton;
    const LPARAM at = MAKELPARAM(b->GetLeft() + b->GetWidth() / 2, b->GetTop() + b->GetHeight() / 2);
    HWND panel = Main->Panel1->GetHandle();
    ::SendMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(panel, WM_LBUTTONUP, 0, at);
    while (Main->Busy()) Application->HandleMessage();
    return Now() - seguirAt;
}

int ResultCount() { return Main->xgFoundFiles->GetRowCount() - 2; }

// How long the window's thread takes to handle a message posted to it: a
// thread posts one every 5 ms with the time it was posted. The messages
// posted from "Seguir" until Stop count for the search; those posted before,
// from the click on while the chooser opened, count apart.
class PostedLatency {
public:
    PostedLatency()
        : window_(ui::UtilityWindow::MessageOnly, [this](UINT msg, WPARAM, LPARAM) {
              if (msg != WM_APP) return false;
              const double posted = posted_[handled_++ % kSlots];
              if (posted >= stopped_) return true;
              if (posted >= seguirAt) latencies_.push_back(Now() - posted);
              else beforeSeguir_ = std::max(beforeSeguir_, Now() - posted);
              return true;
          }) {}
    // The latest of the messages posted before "Seguir".
    double LatestBeforeSeguir() const { return beforeSeguir_; }
    void Start() {
        stop_ = false;
        poster_ = std::thread([this] {
            HWND wnd = window_.Handle();
            while (!stop_) {
                posted_[sent_++ % kSlots] = Now();
                ::PostMessageW(wnd, WM_APP, 0, 0);
                ::Sleep(5);
            }
        });
    }
    void Stop() {
        stopped_ = Now();
        stop_ = true;
        poster_.join();
        while (handled_ < sent_) Application->HandleMessage();
    }
    double Percentile(double p) {
        std::sort(latencies_.begin(), latencies_.end());
        return latencies_[static_cast<std::size_t>(p * static_cast<double>(latencies_.size() - 1))];
    }
    std::size_t Count() const { return latencies_.size(); }

private:
    static constexpr std::size_t kSlots = 4096;
    ui::UtilityWindow window_;
    std::thread poster_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> sent_{0};
    std::size_t handled_ = 0;
    double posted_[kSlots] = {};
    double stopped_ = 1e300;
    double beforeSeguir_ = 0;
    std::vector<double> latencies_;
};

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
        ChooseDir->DirectoryListBox1->SetDirectory(base::Utf8(startFolder));
        seguirAt = Now();
        ChooseDir->FlatButton1Click(ChooseDir->FlatButton1);
    };
    Application->ProcessMessages();

    const std::wstring base = BenchFolder();
    const std::wstring tree = SearchTree(base, 3000);
    const std::vector<std::string> defaults = DefaultPatterns();
    std::printf("default list: %zu patterns; tree of 3,000 folders under %s\n\n", defaults.size(),
                base::Utf8(tree).c_str());

    // 1. The default list and "*.*" against the bare walk.
    std::size_t entries = 0;
    TimedBareWalk(tree, entries);  // warms the file system's caches
    for (const auto& figure : {std::make_pair(std::string("search, the default list"), 0.6),
                               std::make_pair(std::string("search \"*.*\""), 0.8)}) {
        UsePatterns(figure.second == 0.6 ? defaults : std::vector<std::string>{"*.*"});
        std::vector<double> window, bare;
        for (int round = 0; round < kRounds; ++round) {
            window.push_back(TimedSearch(tree));
            bare.push_back(TimedBareWalk(tree, entries));
        }
        std::printf("%s: %d results; the bare walk made %zu rows\n", figure.first.c_str(), ResultCount(), entries);
        Report(figure.first.c_str(), Best(window), Best(bare), figure.second);
        std::printf("%-44s %9.2f us\n\n", "  per entry", Best(window) / static_cast<double>(entries) * 1e6);
    }

    // 2. Growth: the cost per entry at three sizes.
    UsePatterns(defaults);
    std::vector<double> perEntry;
    for (int folders : {750, 3000, 12000}) {
        const std::wstring t = SearchTree(base, folders);
        TimedBareWalk(t, entries);
        std::vector<double> window;
        for (int round = 0; round < kRounds; ++round) window.push_back(TimedSearch(t));
        perEntry.push_back(Best(window) / static_cast<double>(entries));
        std::printf("%-44s %9.2f us per entry (%zu entries)\n", ("  default list, " + std::to_string(entries) + " entries").c_str(),
                    perEntry.back() * 1e6, entries);
    }
    const double spread = *std::max_element(perEntry.begin(), perEntry.end()) /
                          *std::min_element(perEntry.begin(), perEntry.end());
    std::printf("%-44s %9.2f   target 1.30  %s\n\n", "growth: largest / smallest cost per entry", spread,
                spread <= 1.3 ? "met" : "MISSED");

    // 3. The window's thread while it searches.
    {
        PostedLatency latency;
        // Also how long the window spends taking in what the search found.
        const TNotifyEvent takeIn = Main->WorkTimer->OnTimer;
        double longestTick = 0;
        int ticks = 0;
        Main->WorkTimer->OnTimer = [&](TObject* sender) {
            const double start = Now();
            takeIn(sender);
            longestTick = std::max(longestTick, Now() - start);
            ++ticks;
        };
        latency.Start();
        TimedSearch(tree);
        latency.Stop();  // the search is over
        Main->WorkTimer->OnTimer = takeIn;
        std::printf("%-44s %9.1f ms   (%d ticks)\n", "  longest intake of results at a tick", longestTick * 1e3, ticks);
        const double p99 = latency.Percentile(0.99), worst = latency.Percentile(1.0);
        std::printf("%-44s %9.1f ms\n", "  the click, as the chooser opens: the latest", latency.LatestBeforeSeguir() * 1e3);
        std::printf("window's thread during a search, from \"Seguir\": %zu posted messages\n", latency.Count());
        std::printf("%-44s %9.1f ms   target 50    %s\n", "  99 % handled within", p99 * 1e3, p99 <= 0.05 ? "met" : "MISSED");
        std::printf("%-44s %9.1f ms   target 250   %s\n\n", "  the latest", worst * 1e3,
                    worst <= 0.25 ? "met" : "MISSED");
    }

    // 4. Deleting a block of 10,000 selected rows, the question answered
    // "Sí" as soon as it shows.
    const std::wstring deletion = base + L"\\borrar";
    UsePatterns({"*.del"});
    {
        const HHOOK sayYes = ::SetWindowsHookExW(WH_CBT, SayYes, nullptr, ::GetCurrentThreadId());
        std::vector<double> window, bare;
        for (int round = 0; round < kRounds; ++round) {
            MakeDeletionFiles(deletion);
            TimedSearch(deletion);
            if (ResultCount() != kDeleted) std::printf("warning: %d rows to delete\n", ResultCount());
            Main->xgFoundFiles->SetSelection(TGridRect{0, 1, 3, ResultCount()});
            double start = Now();
            Main->Eliminar1Click(Main->Eliminar1);
            while (Main->Busy()) Application->HandleMessage();
            window.push_back(Now() - start);
            if (ResultCount() != 0) std::printf("warning: %d rows left after deleting\n", ResultCount());

            const std::vector<std::wstring> files = MakeDeletionFiles(deletion);
            start = Now();
            for (const std::wstring& f : files) {
                const std::wstring exact = L"\\\\?\\" + f;
                ::SetFileAttributesW(exact.c_str(), FILE_ATTRIBUTE_ARCHIVE);
                ::DeleteFileW(exact.c_str());
            }
            bare.push_back(Now() - start);
        }
        ::UnhookWindowsHookEx(sayYes);
        Report("delete 10000 selected rows", Best(window), Best(bare), 1.5);
        std::printf("%-44s %9.2f us\n\n", "  per row", Best(window) / kDeleted * 1e6);
    }

    // 5. Memory of the result rows, and sorting them: half the files of the
    // largest tree (a file is listed once, however many patterns find it).
    const std::wstring largest = SearchTree(base, 12000);
    UsePatterns({"*.nada"});
    TimedSearch(largest);
    Application->ProcessMessages();
    const std::uint64_t heapEmpty = HeapBytes();
    UsePatterns({"*.tmp", "*.bak", "*.log", "*.old", "*.txt"});
    TimedSearch(largest);
    Application->ProcessMessages();
    const int rows = ResultCount();
    const double heapPerRow = static_cast<double>(HeapBytes() - heapEmpty) / rows;
    std::printf("memory of %d result rows: %.1f MB\n", rows, heapPerRow * rows / 1048576.0);
    std::printf("%-44s %9.1f bytes   target 400  %s\n\n", "  heap bytes per row", heapPerRow,
                heapPerRow <= 400 ? "met" : "MISSED");
    for (int col : {TMain::colName, TMain::colSize, TMain::colModified}) {
        const double start = Now();
        Main->xgFoundFilesTitleClick(Main->xgFoundFiles, col);
        const double took = Now() - start;
        std::printf("%-44s %9.1f ms   target 1000  %s\n",
                    ("sort " + std::to_string(rows) + " rows by \"" + Main->xgFoundFiles->GetCells(col, 0) + "\"").c_str(),
                    took * 1e3, took < 1.0 ? "met" : "MISSED");
    }
    std::printf("\n");

    // 6. Loading long pattern lists.
    std::vector<double> perPattern;
    for (int count : {5000, 10000}) {
        std::vector<std::string> many;
        for (int i = 0; i < count; ++i) many.push_back("*." + std::to_string(i));
        std::vector<double> times;
        for (int round = 0; round < kRounds; ++round) {
            const double start = Now();
            UsePatterns(many);
            times.push_back(Now() - start);
        }
        perPattern.push_back(Best(times) / count);
        std::printf("%-44s %9.1f ms\n", ("load " + std::to_string(count) + " patterns").c_str(), Best(times) * 1e3);
    }
    std::printf("%-44s %9.2f   (linear: about 1)\n", "  cost per pattern, 10,000 / 5,000", perPattern[1] / perPattern[0]);
    return 0;
}
