// SweepfieldCmd.exe as a script or a user runs it: a process of its own
// whose standard handles are pipes (or a console), over real trees. What it
// writes, what it leaves on disk and how it ends.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Handles.h"
#include "base/Module.h"
#include "base/Unicode.h"
#include "cli/Console.h"
#include "engine/FolderListing.h"
#include "support/DupTree.h"
#include "support/FileTrees.h"
#include "support/OwnProcess.h"
#include "support/TempDir.h"

namespace {

constexpr std::uint64_t kTime = 0x01DA9BB13154AB00ull;  // 2024-05-01T10:20:30Z

// An argument as CommandLineToArgvW gives it back.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring q = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, L'\\');
    return q + L'"';
}

struct Ran {
    std::string out, err;
    DWORD code = 0;
};

// SweepfieldCmd.exe (in bin/ beside tests/) started with these arguments.
// Its standard input is `input`, or an empty pipe; its standard error is
// `error`, or a pipe read as it comes; its standard output a pipe read as it
// comes, or later, or never (closed at once, as by a reader that went).
class Cmd {
public:
    enum Reading { Now, Later, Never };
    explicit Cmd(const std::vector<std::wstring>& args, HANDLE input = nullptr, Reading reading = Now,
                 HANDLE error = nullptr) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE outWrite, errWrite = nullptr, inRead = nullptr, inWrite = nullptr;
        ::CreatePipe(&outRead_, &outWrite, &inherit, 0);
        if (!error) ::CreatePipe(&errRead_, &errWrite, &inherit, 0);
        if (!input) ::CreatePipe(&inRead, &inWrite, &inherit, 0);
        for (HANDLE mine : {outRead_, errRead_, inWrite})
            if (mine) ::SetHandleInformation(mine, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = input ? input : inRead;
        si.hStdOutput = outWrite;
        si.hStdError = error ? error : errWrite;
        std::wstring command = L"\"" + base::Wide(base::ExeFolder()) + L"\\..\\bin\\SweepfieldCmd.exe\"";
        for (const std::wstring& a : args) command += L" " + Quoted(a);
        started_ = ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi_);
        for (HANDLE theirs : {outWrite, errWrite, inRead, inWrite})
            if (theirs) ::CloseHandle(theirs);
        if (errRead_)
            errThread_ = std::thread([this] { Drain(errRead_, err_); });
        else
            ++ended_;
        if (reading == Never) {
            ::CloseHandle(outRead_);
            outRead_ = nullptr;
            ++ended_;
        }
        if (reading == Now) ReadOutput();
    }
    ~Cmd() {
        if (started_ && ::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(pi_.hProcess, 99);
        ReadOutput();
        Join();
        if (started_) {
            ::CloseHandle(pi_.hThread);
            ::CloseHandle(pi_.hProcess);
        }
        for (HANDLE mine : {outRead_, errRead_})
            if (mine) ::CloseHandle(mine);
        ::CloseHandle(giveUp_);
    }
    Cmd(const Cmd&) = delete;
    Cmd& operator=(const Cmd&) = delete;

    HANDLE OutputPipe() const { return outRead_; }
    DWORD ProcessId() const { return pi_.dwProcessId; }
    // What it has written on standard error so far (while it runs).
    std::string ErrorSoFar() {
        std::lock_guard<std::mutex> lock(mutex_);
        return err_;
    }
    void ReadOutput() {
        if (outRead_ && !outThread_.joinable()) outThread_ = std::thread([this] { Drain(outRead_, out_); });
    }
    // Its output and exit code once it has ended (99 if it had to be ended).
    Ran Wait() {
        Ran ran;
        EXPECT_TRUE(started_);
        if (!started_) return ran;
        ReadOutput();
        if (::WaitForSingleObject(pi_.hProcess, 120000) != WAIT_OBJECT_0) ::TerminateProcess(pi_.hProcess, 99);
        ::GetExitCodeProcess(pi_.hProcess, &ran.code);
        // Its pipes end with it, unless a process it started holds them.
        EXPECT_TRUE(test::WaitUntil([&] { return ended_ == 2; }, 30000)) << "its output stayed open after its end";
        Join();
        ran.out = out_;
        ran.err = err_;
        return ran;
    }

private:
    // Reads a pipe to its end (or until the reading is given up).
    void Drain(HANDLE pipe, std::string& into) {
        char chunk[65536];
        for (DWORD ready = 0;;) {
            if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &ready, nullptr)) break;  // its end
            DWORD n = 0;
            if (ready && ::ReadFile(pipe, chunk, std::min<DWORD>(ready, sizeof chunk), &n, nullptr)) {
                std::lock_guard<std::mutex> lock(mutex_);
                into.append(chunk, n);
            }
            else if (::WaitForSingleObject(giveUp_, 2) == WAIT_OBJECT_0)
                return;
        }
        ++ended_;
    }
    void Join() {
        ::SetEvent(giveUp_);
        if (outThread_.joinable()) outThread_.join();
        if (errThread_.joinable()) errThread_.join();
    }

    HANDLE outRead_ = nullptr, errRead_ = nullptr;
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
    std::mutex mutex_;  // over out_ and err_ while they are read
    std::string out_, err_;
    HANDLE giveUp_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> ended_{0};  // pipes read to their end
    std::thread outThread_, errThread_;
};

Ran RunCmd(const std::vector<std::wstring>& args) { return Cmd(args).Wait(); }

std::string U(const std::wstring& s) { return base::Utf8(s); }
// A path as a JSON string holds it (these have no quotes or controls).
std::string J(const std::wstring& s) {
    std::string json;
    for (char c : U(s)) json += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return json;
}

// One tree for every listing: one folder in another, so that the walk's
// order is known, with one file of a kind in each. The names: a comma in a
// folder's, other scripts, a character beyond 16 bits, a device name. (A
// name with a lone surrogate, which Windows allows, Wine cannot store.)
class Listing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new test::TempDir;
        root = sweep::FolderReader(base::Wide(dir->path())).FinalPath() + L"\\";
        sub = root + L"sub,1\\";
        deep = sub + L"deep\\";
        ASSERT_TRUE(test::MakeExactFolder(sub) && test::MakeExactFolder(deep));
        const std::pair<std::wstring, std::uint64_t> files[] = {
            {root + L"a.tmp", 10},          {root + L"b.bak", 2000},       {root + L"keep.txt", 0},
            {sub + L"\x0444\x0430\x0439\x043B \x6587.tmp", 3000}, {deep + L"s\xD83D\xDE00.tmp", 1},
            {deep + L"nul.bak", 0},
        };
        for (const auto& [path, size] : files) {
            ASSERT_TRUE(test::MakeExactFile(path, size)) << U(path);
            ASSERT_TRUE(test::SetLastWrite(path, kTime));
        }
        patterns = new test::TempDir;
        ASSERT_TRUE(test::WriteExactFile(base::Wide(*patterns / "list.ini"),
                                         "[FindFiles]\r\nFile1=*.bak\r\nAutodel1=No\r\nFile2=*.tmp\r\nAutodel2=No\r\n"));
        ASSERT_TRUE(test::WriteExactFile(base::Wide(*patterns / "empty.ini"), "[FindFiles]\r\nFile1=\r\n"));
        // A folder never entered, and a mode that is not "Excluir" exactly.
        ASSERT_TRUE(test::WriteExactFile(base::Wide(*patterns / "exclude.ini"),
                                         "[FindFiles]\r\nFile1=*.tmp\r\nAutodel1=No\r\nFile2=deep\r\nAutodel2=Excluir\r\n"
                                         "File3=b.bak\r\nAutodel3=excluir\r\n"));
    }
    static void TearDownTestSuite() {
        delete dir;
        delete patterns;
    }
    static std::vector<std::wstring> Everything() {
        std::vector<std::wstring> names = test::NamesIn(root);
        for (const std::wstring& n : test::NamesIn(sub)) names.push_back(L"sub\\" + n);
        for (const std::wstring& n : test::NamesIn(deep)) names.push_back(L"deep\\" + n);
        return names;
    }

    static inline test::TempDir* dir = nullptr;
    static inline test::TempDir* patterns = nullptr;
    static inline std::wstring root, sub, deep;
};

TEST_F(Listing, EachFormatWritesEveryFileFoundOnceInTheSearchsOrderAndTheExitCodeSaysHowItWent) {
    const std::wstring r = root.substr(0, root.size() - 1);
    const std::string fileA = U(root + L"a.tmp"), fileB = U(root + L"b.bak");
    const std::string fileF = U(sub + L"\x0444\x0430\x0439\x043B \x6587.tmp");
    const std::string fileS = U(deep) + "s\xF0\x9F\x98\x80.tmp";
    const std::string fileNul = "\\\\?\\" + U(deep + L"nul.bak");
    const std::string ini = *patterns / "list.ini";
    const std::vector<std::wstring> tree = Everything();
    const struct {
        std::vector<std::wstring> args;
        std::string out;
        std::string err;  // a part of standard error; empty: nothing there
        DWORD code;
        std::wstring held = L"";  // a folder held open meanwhile, sharing nothing: no one else can read it
    } cases[] = {
        {{L"-p", L"*.tmp", r}, fileA + "\r\n" + fileF + "\r\n" + fileS + "\r\n", "", 0},
        {{L"--format=csv", L"-p", L"*.tmp", L"--no-subdirs", r},
         "ruta,nombre,carpeta,bytes,modificado,patron\r\n" + fileA + ",a.tmp," + U(root) +
             ",10,2024-05-01T10:20:30Z,*.tmp\r\n",
         "", 0},
        {{L"-f", L"csv", L"-p", L"*.tmp", L"--larger", L"2", r},
         "ruta,nombre,carpeta,bytes,modificado,patron\r\n\"" + fileF + "\",\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB \xE6\x96\x87.tmp,\"" +
             U(sub) + "\",3000,2024-05-01T10:20:30Z,*.tmp\r\n",
         "", 0},
        // Pattern by pattern, each file once, under the first pattern that
        // finds it.
        {{L"-f", L"json", L"-p", L"?.*", L"-p", L"*.tmp", L"--smaller", L"1", r},
         "{\"path\":\"" + J(root) + "a.tmp\",\"name\":\"a.tmp\",\"folder\":\"" + J(root) +
             "\",\"size\":10,\"modified\":\"2024-05-01T10:20:30Z\",\"pattern\":\"?.*\"}\n"
             "{\"path\":\"" + J(deep) + "s\xF0\x9F\x98\x80.tmp\",\"name\":\"s\xF0\x9F\x98\x80.tmp\",\"folder\":\"" + J(deep) +
             "\",\"size\":1,\"modified\":\"2024-05-01T10:20:30Z\",\"pattern\":\"*.tmp\"}\n",
         "", 0},
        {{L"-f", L"null", L"--ini", base::Wide(ini), r},
         fileB + '\0' + fileNul + '\0' + fileA + '\0' + fileF + '\0' + fileS + '\0', "", 0},
        // The default pattern list beside the exe: *.tmp before *.bak.
        {{L"--no-subdirs", r}, fileA + "\r\n" + fileB + "\r\n", "", 0},
        {{L"-p", L"*.zip", L"-q", r}, "", "", 0},
        // What is never touched: the list's Excluir rows (also with -p) and
        // -x, a file's name, a folder's, a folder with its parent's.
        {{L"--ini", base::Wide(*patterns / "exclude.ini"), L"-x", L"a.tmp", r}, fileF + "\r\n" + fileB + "\r\n", "", 0},
        {{L"-p", L"*.bak", L"--ini", base::Wide(*patterns / "exclude.ini"), r}, fileB + "\r\n", "", 0},
        {{L"-p", L"*.tmp", L"-x", L"sub,1\\deep", r}, fileA + "\r\n" + fileF + "\r\n", "", 0},
        {{L"-p", L"*.tmp", r}, fileA + "\r\n", "no se pudo leer " + U(sub) + " (sin permiso: ", 1, sub},
        {{L"-p", L"*.tmp", r}, "", "no se pudo leer " + U(root) + " (sin permiso: ", 1, root},
        {{L"-p", L"*.tmp", L"--bogus", r}, "", "opción desconocida: «--bogus»\r\nPrueba SweepfieldCmd --help", 2},
        {{L"-p", L"*.tmp", r + L"\\missing"}, "", "la carpeta no existe", 2},
        {{L"-p", L"*.tmp", root + L"a.tmp"}, "", "no es una carpeta", 2},
        {{L"--ini", base::Wide(*patterns / "missing.ini"), r}, "", "no se puede leer el fichero de patrones", 2},
        {{L"-p", L"*.tmp", L"--ini", base::Wide(*patterns / "missing.ini"), r}, "", "no se puede leer el fichero de patrones", 2},
        {{L"--ini", base::Wide(*patterns / "empty.ini"), r}, "", "no hay patrones", 2},
        // Nothing removed without --yes where no one can be asked.
        {{L"--delete", L"-p", L"*.tmp", r}, "", "no se borra nada sin --yes", 2},
        {{L"--recycle", L"-p", L"*.tmp", r}, "", "no se borra nada sin --yes", 2},
        {{L"--auto", L"--ini", base::Wide(ini), r}, "", "no se borra nada sin --yes cuando la entrada estándar no es una consola (--auto)", 2},
    };
    for (const auto& c : cases) {
        std::wstring joined;
        for (const std::wstring& a : c.args) joined += a + L" ";
        SCOPED_TRACE(U(joined));
        const base::KernelHandle held(c.held.empty() ? nullptr
                                                     : base::ValidOrNull(::CreateFileW(
                                                           sweep::ExactPath(c.held).c_str(), GENERIC_READ, 0, nullptr,
                                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
        ASSERT_EQ(static_cast<bool>(held), !c.held.empty());
        const Ran ran = RunCmd(c.args);
        EXPECT_EQ(ran.out, c.out);
        if (c.err.empty())
            EXPECT_EQ(ran.err, "");
        else
            EXPECT_NE(ran.err.find(c.err), std::string::npos) << ran.err;
        EXPECT_EQ(ran.code, c.code);
    }
    EXPECT_EQ(Everything(), tree);

    const Ran help = RunCmd({L"--help"});
    EXPECT_EQ(help.code, 0u);
    EXPECT_EQ(help.out.rfind("Uso: SweepfieldCmd [opciones] CARPETA\r\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("schtasks"), std::string::npos);
}

// Trees for a removal, made afresh for each.
class Removing : public ::testing::Test {
protected:
    std::wstring At(const std::wstring& name) const { return root + name; }
    test::TempDir dir, outside;
    const std::wstring root = base::Wide(dir.path()) + L"\\";
};

TEST_F(Removing, OnlyTheListedFilesGoAndALinksTargetStays) {
    // Look-alike names (a trailing dot, a trailing blank, fullwidth
    // backslashes) and a Unix link to a file outside the tree.
    const std::wstring target = base::Wide(outside.path()) + L"\\target.tmp";
    ASSERT_TRUE(test::WriteExactFile(target, "outside"));
    for (const wchar_t* name : {L"x.tmp", L"x.tmp.", L"x.tmp ", L"x\xFF3C..\xFF3Cy.tmp", L"keep.txt"})
        ASSERT_TRUE(test::MakeExactFile(At(name), 5)) << U(name);
    const bool linked = test::MakeUnixLink(At(L"link.tmp"), target);

    const std::vector<std::wstring> before = test::NamesIn(root);
    const Ran ran = RunCmd({L"--delete", L"--yes", L"-p", L"*.tmp", L"-p", L"x.tmp?", root});
    std::vector<std::wstring> listed;
    for (std::size_t at = 0, end; (end = ran.out.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::wstring path = base::Wide(ran.out.substr(at, end - at));
        if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
        ASSERT_EQ(path.rfind(root, 0), 0u) << U(path);
        listed.push_back(path.substr(root.size()));
    }
    auto isListed = [&](const std::wstring& name) { return std::find(listed.begin(), listed.end(), name) != listed.end(); };
    EXPECT_TRUE(isListed(L"x.tmp") && isListed(L"x\xFF3C..\xFF3Cy.tmp") && isListed(L"link.tmp") == linked) << ran.out;
    for (const std::wstring& name : before)
        EXPECT_EQ(test::ExactExists(At(name)), !isListed(name) || name == L"link.tmp") << U(name);
    EXPECT_EQ(test::ExactContents(target), "outside");
    const std::size_t removed = listed.size() - (linked ? 1 : 0);
    EXPECT_NE(ran.err.find("Hecho: " + std::to_string(removed) + " ficheros eliminados"), std::string::npos) << ran.err;
    if (linked) {
        EXPECT_NE(ran.err.find("no se borró " + U(At(L"link.tmp")) + " (enlace)"), std::string::npos) << ran.err;
        EXPECT_EQ(ran.code, 1u);
    } else {
        EXPECT_EQ(ran.code, 0u) << ran.err;
    }
}

TEST_F(Removing, NothingIsRemovedWhenTheListingCannotBeWritten) {
    ASSERT_TRUE(test::MakeExactFile(At(L"a.tmp"), 1) && test::MakeExactFile(At(L"b.tmp"), 1));
    for (const wchar_t* dups : {L"--yes", L"--dups"}) {
        const Ran ran = Cmd({dups, L"--delete", L"--yes", L"-p", L"*.tmp", root}, nullptr, Cmd::Never).Wait();
        EXPECT_NE(ran.err.find("no se pudo escribir la salida: "), std::string::npos) << ran.err;
        EXPECT_NE(ran.err.find("no se ha borrado nada"), std::string::npos) << ran.err;
        EXPECT_EQ(test::NamesIn(root), (std::vector<std::wstring>{L"a.tmp", L"b.tmp"}));
        EXPECT_EQ(ran.code, 1u);
    }
}

TEST_F(Removing, RecyclingPutsTheFilesInTheRecycleBin) {
    const std::wstring trash = test::TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "the tests' recycle bin is Wine's trash";
    ASSERT_TRUE(test::MakeExactFile(At(L"keep.txt")));
    // A file found, then a copy of a file kept (the older one).
    for (const bool dups : {false, true}) {
        SCOPED_TRACE(dups ? "--dups" : "");
        const std::wstring name = L"cmd" + std::to_wstring(::GetTickCount()) + (dups ? L"d.tmp" : L".tmp");
        ASSERT_TRUE(test::WriteExactFile(At(name), "bin"));
        std::vector<std::wstring> args{L"--recycle", L"-y", L"-p", L"*.tmp", root}, left{L"keep.txt"};
        if (dups) {
            ASSERT_TRUE(test::WriteExactFile(At(L"kept.tmp"), "bin") && test::SetLastWrite(At(L"kept.tmp"), kTime));
            args.insert(args.begin(), L"--dups");
            left.push_back(L"kept.tmp");
        }
        const Ran ran = RunCmd(args);
        EXPECT_EQ(ran.code, 0u) << ran.err;
        EXPECT_NE(ran.err.find("Hecho: 1 fichero enviado a la Papelera (3 bytes)"), std::string::npos) << ran.err;
        EXPECT_EQ(test::NamesIn(root), left);
        EXPECT_EQ(test::ExactContents(trash + L"\\files\\" + name), "bin");
        ::DeleteFileW(sweep::ExactPath(trash + L"\\files\\" + name).c_str());
        ::DeleteFileW(sweep::ExactPath(trash + L"\\info\\" + name + L".trashinfo").c_str());
    }
}

TEST_F(Removing, TheAutomaticModesSendToTheBinAndDeleteWhatTheirPatternsFoundAndNothingElse) {
    const std::wstring trash = test::TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "the tests' recycle bin is Wine's trash";
    const std::wstring binned = L"auto" + std::to_wstring(::GetTickCount()) + L".bin";
    ASSERT_TRUE(test::WriteExactFile(At(binned), "bin") && test::WriteExactFile(At(L"b.tmp"), "12345"));
    for (const wchar_t* name : {L"c.old", L"d.log", L"keep.tmp", L"e.txt"}) ASSERT_TRUE(test::MakeExactFile(At(name), 1));
    ASSERT_TRUE(test::MakeExactFolder(At(L"sub")) && test::MakeExactFile(At(L"sub\\e.tmp"), 1));
    // A link the bin's pattern finds stays, and the exit code says so.
    const std::wstring target = base::Wide(outside.path()) + L"\\target";
    ASSERT_TRUE(test::WriteExactFile(target, "outside"));
    const bool linked = test::MakeUnixLink(At(L"link.lnk"), target);
    // Only the exact texts act: "papelera" and "Eliminar " are "No".
    const std::wstring ini = base::Wide(outside.path()) + L"\\auto.ini";
    ASSERT_TRUE(test::WriteExactFile(ini, "[FindFiles]\r\nFile1=*.bin\r\nAutodel1=Papelera\r\nFile2=*.tmp\r\nAutodel2=Eliminar\r\n"
                                          "File3=*.old\r\nAutodel3=papelera\r\nFile4=*.log\r\nAutodel4=\"Eliminar \"\r\n"
                                          "File5=keep.tmp\r\nAutodel5=Excluir\r\nFile6=*.lnk\r\nAutodel6=Papelera\r\n"));
    const Ran ran = RunCmd({L"--auto", L"--yes", L"--ini", ini, L"-x", L"sub", root});
    EXPECT_EQ(ran.code, linked ? 1u : 0u) << ran.err;
    EXPECT_EQ(ran.out, U(At(binned)) + "\r\n" + U(At(L"b.tmp")) + "\r\n" + U(At(L"c.old")) + "\r\n" + U(At(L"d.log")) +
                           "\r\n" + (linked ? U(At(L"link.lnk")) + "\r\n" : ""));
    EXPECT_NE(ran.err.find("Hecho: 1 fichero enviado a la Papelera (3 bytes), 1 fichero eliminado (5 bytes)" +
                           std::string(linked ? "; 1 no se pudo borrar" : "")),
              std::string::npos)
        << ran.err;
    std::vector<std::wstring> left{L"c.old", L"d.log", L"e.txt", L"keep.tmp", L"sub"};
    if (linked) left.insert(left.begin() + 4, L"link.lnk");
    EXPECT_EQ(test::NamesIn(root), left);
    EXPECT_EQ(test::ExactContents(target), "outside");
    EXPECT_TRUE(test::ExactExists(At(L"sub\\e.tmp")));
    EXPECT_EQ(test::ExactContents(trash + L"\\files\\" + binned), "bin");
    ::DeleteFileW(sweep::ExactPath(trash + L"\\files\\" + binned).c_str());
    ::DeleteFileW(sweep::ExactPath(trash + L"\\info\\" + binned + L".trashinfo").c_str());
}

// The lines of a text, without their ends.
std::vector<std::string> Lines(const std::string& text, const std::string& end = "\r\n") {
    std::vector<std::string> lines;
    for (std::size_t at = 0, next; at < text.size(); at = next + end.size()) {
        next = text.find(end, at);
        if (next == std::string::npos) next = text.size();
        lines.push_back(text.substr(at, next - at));
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& csvLine) { return Lines(csvLine, ","); }

// The duplicates of a generated tree (support/DupTree.h: groups of copies,
// near copies, hard links, empty files) in each format, then their copies
// removed. What is a group, and the order, the engine's tests tell.
TEST_F(Removing, DuplicatesComeInTheTreesTrueGroupsInEveryFormatAndOnlyTheirCopiesGo) {
    test::DupTreeShape shape;
    shape.files = 60;
    shape.medianBytes = 5000;
    shape.largest = 200 * 1024;
    shape.inGroups = 0.4;
    shape.folders = 6;
    shape.nearPairs = 4;
    shape.linksToUnique = shape.linksToCopies = shape.emptyFiles = 3;
    shape.seed = 11;
    const test::DupTree tree = test::MakeDupTree(base::Wide(dir.path()), shape);
    const std::wstring r = sweep::FolderReader(base::Wide(dir.path())).FinalPath();

    // Plain: the paths, the kept copy first, a blank line between groups.
    const Ran plain = RunCmd({L"--dups", r});
    ASSERT_EQ(plain.code, 0u) << plain.err;
    std::vector<std::vector<std::wstring>> groups(1);
    for (const std::string& line : Lines(plain.out)) {
        if (line.empty())
            groups.emplace_back();
        else
            groups.back().push_back(base::Wide(line));
    }
    ASSERT_EQ(test::DifferencesFromTruth(tree, r, groups), "");

    // The same files, numbered by group, the kept one marked; null with an
    // empty path between groups.
    const Ran csv = RunCmd({L"--dups", L"-f", L"csv", r}), json = RunCmd({L"--dups", L"-f", L"json", r});
    const Ran null = RunCmd({L"--dups", L"-f", L"null", r});
    const std::vector<std::string> rows = Lines(csv.out), objects = Lines(json.out, "\n");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "ruta,nombre,carpeta,bytes,modificado,patron,group,keep");
    std::size_t row = 1;
    std::string nulls;
    std::int64_t lastRecoverable = INT64_MAX;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (g) nulls += '\0';
        for (std::size_t k = 0; k < groups[g].size(); ++k, ++row) {
            const std::string number = std::to_string(g + 1), keep = k == 0 ? "true" : "false";
            nulls += U(groups[g][k]) + '\0';
            ASSERT_LT(row, rows.size());
            const std::vector<std::string> f = Fields(rows[row]);
            ASSERT_EQ(f.size(), 8u) << rows[row];
            EXPECT_EQ(f[0], U(groups[g][k]));
            EXPECT_EQ(f[6] + "," + f[7], number + "," + keep);
            const std::int64_t recoverable = std::stoll(f[3]) * static_cast<std::int64_t>(groups[g].size() - 1);
            if (k == 0) {
                EXPECT_LE(recoverable, lastRecoverable) << "the most to recover first";
            }
            lastRecoverable = recoverable;
            ASSERT_LT(row - 1, objects.size());
            const std::string& o = objects[row - 1];
            EXPECT_EQ(o.rfind("{\"path\":\"" + J(groups[g][k]) + "\",", 0), 0u) << o;
            const std::string end = ",\"group\":" + number + ",\"keep\":" + keep + "}";
            EXPECT_EQ(o.substr(o.size() - std::min(o.size(), end.size())), end);
        }
    }
    EXPECT_EQ(rows.size(), row);
    EXPECT_EQ(objects.size(), row - 1);
    EXPECT_TRUE(null.out == nulls);
    EXPECT_EQ(csv.code + json.code + null.code, 0u);

    // Removing: every copy but the kept one, nothing else (a hard link of a
    // copy keeps its content under its other name).
    auto names = [&] {
        const std::string all = RunCmd({L"-q", L"-f", L"null", L"-p", L"*", r}).out;
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), '\0'));
    };
    const std::size_t before = names();
    const Ran removed = RunCmd({L"--dups", L"--delete", L"--yes", r});
    EXPECT_EQ(removed.out, plain.out);
    EXPECT_EQ(removed.code, 0u) << removed.err;
    std::size_t copies = 0;
    for (const std::vector<std::wstring>& g : groups)
        for (std::size_t k = 0; k < g.size(); ++k) {
            EXPECT_EQ(test::ExactExists(g[k]), k == 0) << U(g[k]);
            copies += k > 0;
        }
    EXPECT_EQ(names(), before - copies);
    EXPECT_NE(removed.err.find("Hecho: " + std::to_string(copies) + " ficheros eliminados"), std::string::npos)
        << removed.err;
}

TEST_F(Removing, DuplicatesKeepTheCopyTheRuleNamesAndEveryProtectedOne) {
    const std::wstring r = sweep::FolderReader(base::Wide(dir.path())).FinalPath() + L"\\";
    // In the group's order (the oldest first), so that each rule keeps
    // another: the oldest, the shortest path, the first found (by the first
    // pattern), the newest. Known below by their folders' first letters.
    const wchar_t* const names[] = {L"old\\copy.dat", L"s\\c.dat", L"found\\first.dat", L"new\\copy.dat"};
    for (const wchar_t* folder : {L"old", L"s", L"found", L"new"}) ASSERT_TRUE(test::MakeExactFolder(r + folder));
    const struct {
        std::vector<std::wstring> args;
        std::string listed;  // the group as listed; a capital where the file stays
        DWORD code = 0;
        bool held = false;  // found\first.dat held open meanwhile, sharing nothing: it cannot be read
    } cases[] = {
        {{}, "Osfn"},
        {{L"--keep", L"newest"}, "Nosf"},
        {{L"--keep=shortest"}, "Sofn"},
        {{L"--keep", L"first"}, "Fosn"},
        // The kept copy comes from the protected folders (letter case and a
        // last backslash aside); all of theirs stay.
        {{L"--protect", r + L"NEW\\"}, "Nosf"},
        {{L"--protect", r + L"new", L"--protect", r + L"s"}, "SofN"},
        {{L"--keep", L"first", L"--protect", r}, "FOSN"},  // nothing goes
        {{L"-x", L"found"}, "Osn"},  // what is never touched is no copy either
        {{L"--protect", r + L"none"}, "", 2},
        {{L"--protect", r + names[0]}, "", 2},  // a file
        {{}, "Osn", 1, true},
    };
    for (const auto& c : cases) {
        std::wstring joined;
        for (const std::wstring& a : c.args) joined += a + L" ";
        SCOPED_TRACE(U(joined));
        std::uint64_t time = kTime;
        for (const wchar_t* name : names)
            ASSERT_TRUE(test::WriteExactFile(r + name, "same") && test::SetLastWrite(r + name, time += 10000000));
        std::vector<std::wstring> args{L"--dups", L"-f", L"csv", L"--delete", L"--yes", L"-q", L"-p", L"first.dat", L"-p", L"*"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(r);
        const base::KernelHandle held(c.held ? base::ValidOrNull(::CreateFileW(sweep::ExactPath(r + names[2]).c_str(),
                                                                               GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                                                               nullptr))
                                             : nullptr);
        ASSERT_EQ(static_cast<bool>(held), c.held);
        const Ran ran = RunCmd(args);
        EXPECT_EQ(ran.code, c.code) << ran.err;
        if (c.held) {
            EXPECT_NE(ran.err.find("no se pudo leer " + U(r + names[2]) + " (en uso)"), std::string::npos) << ran.err;
        }
        std::string listed;
        const std::vector<std::string> rows = Lines(ran.out);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const std::vector<std::string> f = Fields(rows[i]);
            const char letter = f[0].substr(U(r).size(), 1)[0];
            listed += f.back() == "true" ? static_cast<char>(letter - 'a' + 'A') : letter;
        }
        EXPECT_EQ(listed, c.listed);
        // Only the copies listed go.
        for (const wchar_t* name : names)
            EXPECT_EQ(test::ExactExists(r + name), listed.find(static_cast<char>(name[0])) == std::string::npos) << U(name);
    }
}
}  // namespace

// Cases with a console, each in a program of its own that makes one: the
// program shares it, as it shares a user's. Under Wine 8 only a CTRL_C_EVENT
// for the whole console can be sent (GenerateConsoleCtrlEvent refuses
// CTRL_BREAK_EVENT with ERROR_INVALID_HANDLE, and a process group of its
// own ignores Ctrl+C, as on Windows); this program lets it pass.
class AtAConsole : public Removing {
protected:
    static BOOL WINAPI LetItPass(DWORD event) {
        if (event != CTRL_C_EVENT) return FALSE;
        passed = true;
        return TRUE;
    }
    void SetUp() override {
        if (!test::InItsOwnProcess()) return;
        ::FreeConsole();
        ASSERT_TRUE(::AllocConsole());
        ::SetConsoleCtrlHandler(LetItPass, TRUE);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        input = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(input, INVALID_HANDLE_VALUE);
        screen = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(screen, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        for (HANDLE h : {input, screen})
            if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    // What the console shows, line by line, and a blank screen after.
    std::string TakeScreen() const {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!::GetConsoleScreenBufferInfo(screen, &info)) return "(no console)";
        const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
        std::wstring text(cells, L' ');
        DWORD read = 0;
        ::ReadConsoleOutputCharacterW(screen, &text[0], cells, COORD{0, 0}, &read);
        DWORD written = 0;
        ::FillConsoleOutputCharacterW(screen, L' ', cells, COORD{0, 0}, &written);
        ::SetConsoleCursorPosition(screen, COORD{0, 0});
        return U(text.substr(0, read));
    }
    // Keys typed ahead at the console.
    void Type(const std::wstring& keys) const {
        std::vector<INPUT_RECORD> records;
        for (wchar_t c : keys)
            for (BOOL down : {TRUE, FALSE}) {
                INPUT_RECORD r{};
                r.EventType = KEY_EVENT;
                r.Event.KeyEvent.bKeyDown = down;
                r.Event.KeyEvent.wRepeatCount = 1;
                r.Event.KeyEvent.wVirtualKeyCode = c == L'\r' ? VK_RETURN : 0;
                r.Event.KeyEvent.uChar.UnicodeChar = c;
                records.push_back(r);
            }
        DWORD written = 0;
        ASSERT_TRUE(::WriteConsoleInputW(input, records.data(), static_cast<DWORD>(records.size()), &written));
    }

    HANDLE input = nullptr, screen = nullptr;
    static inline std::atomic<bool> passed{false};
};

TEST_F(AtAConsole, TheQuestionIsAskedOnceAndOnlyYesRemoves) {
    if (!test::InItsOwnProcess()) return test::RunInItsOwnProcess();
    ASSERT_TRUE(test::WriteExactFile(At(L"a.tmp"), "12345") && test::WriteExactFile(At(L"b.tmp"), "1234567890"));
    const std::wstring ini = base::Wide(outside.path()) + L"\\auto.ini";
    ASSERT_TRUE(test::WriteExactFile(ini, "[FindFiles]\r\nFile1=a.tmp\r\nAutodel1=Papelera\r\nFile2=b.tmp\r\nAutodel2=Eliminar\r\n"));
    const std::vector<std::wstring> deleting{L"--delete", L"-p", L"*.tmp", root};
    const std::string deleteQuestion = "¿Eliminar definitivamente 2 ficheros (15 bytes)? [s/N] ";
    const struct {
        std::vector<std::wstring> args;
        const wchar_t* typed;
        std::string question;
        std::vector<std::wstring> left;
        std::string said;
    } cases[] = {
        {{L"--auto", L"--ini", ini, root}, L"\r",
         "Los patrones con borrado automático encontraron 2 ficheros (15 bytes): ¿enviar 1 (5 bytes) a la Papelera y "
         "eliminar definitivamente 1 (10 bytes)? No se podrán recuperar. [s/N] ",
         {L"a.tmp", L"b.tmp"}, "no se ha borrado nada"},
        {deleting, L"\r", deleteQuestion, {L"a.tmp", L"b.tmp"}, "no se ha borrado nada"},
        {deleting, L"no\r", deleteQuestion, {L"a.tmp", L"b.tmp"}, "no se ha borrado nada"},
        {deleting, L"s\r", deleteQuestion, {}, "Hecho: 2 ficheros eliminados (15 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U(c.args.front() + c.typed));
        Type(c.typed);
        const Ran ran = Cmd(c.args, input).Wait();
        EXPECT_EQ(ran.err.rfind(c.question, 0), 0u) << ran.err;
        EXPECT_NE(ran.err.find(c.said), std::string::npos) << ran.err;
        EXPECT_EQ(test::NamesIn(root), c.left);
        EXPECT_EQ(ran.code, 0u);
    }
}

TEST_F(AtAConsole, ProgressShowsOnAConsoleOnlyAndNeverWhenQuiet) {
    if (!test::InItsOwnProcess()) return test::RunInItsOwnProcess();
    ASSERT_TRUE(test::WriteExactFile(At(L"a.tmp"), "12345") && test::WriteExactFile(At(L"b.tmp"), "1234567890"));
    ASSERT_TRUE(test::WriteExactFile(At(L"c.dup"), "12") && test::WriteExactFile(At(L"d.dup"), "12"));
    const std::pair<std::vector<std::wstring>, std::string> runs[] = {
        {{L"-p", L"*.tmp", root}, "Encontrados: 2 (15 bytes) en 1 carpeta"},
        {{L"--dups", L"-p", L"*.dup", root}, "1 grupo de duplicados, 1 copia (2 bytes)"},
    };
    for (const auto& [run, summary] : runs)
        for (bool quiet : {false, true}) {
            std::vector<std::wstring> args = run;
            if (quiet) args.insert(args.begin(), L"-q");
            const Ran ran = Cmd(args, nullptr, Cmd::Now, screen).Wait();
            EXPECT_EQ(ran.code, 0u);
            const std::string shown = TakeScreen();
            EXPECT_EQ(shown.find(summary) != std::string::npos, !quiet) << shown;
        }
}

TEST_F(AtAConsole, CtrlCStopsTheListingAndSaysSo) {
    if (!test::InItsOwnProcess()) return test::RunInItsOwnProcess();
    // More listing than a pipe holds, by far: the program cannot end before
    // this test reads it, and the test reads only after the Ctrl+C.
    const std::wstring folder = root + std::wstring(150, L'f') + L"\\";
    ASSERT_TRUE(test::MakeExactFolder(folder));
    constexpr int kFiles = 1000;
    for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(test::MakeExactFile(folder + std::wstring(200, L'n') + std::to_wstring(i) + L".tmp"));
    Cmd cmd({L"-p", L"*.tmp", root}, input, Cmd::Later);
    DWORD ready = 0;
    ASSERT_TRUE(test::WaitUntil([&] { return ::PeekNamedPipe(cmd.OutputPipe(), nullptr, 0, nullptr, &ready, nullptr) && ready; }));
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << ::GetLastError();
    ASSERT_TRUE(test::WaitUntil([] { return passed.load(); }));
    // The program's own handler may run later than this one: the listing is
    // read only once it has.
    const HANDLE seen = ::OpenEventW(SYNCHRONIZE, FALSE, cli::InterruptEventName(cmd.ProcessId()).c_str());
    ASSERT_TRUE(seen) << ::GetLastError();
    EXPECT_EQ(::WaitForSingleObject(seen, 30000), WAIT_OBJECT_0);
    ::CloseHandle(seen);
    const Ran ran = cmd.Wait();
    EXPECT_EQ(ran.code, 130u) << ran.err;
    EXPECT_EQ(ran.err.rfind("SweepfieldCmd: Interrumpido: ", 0), 0u) << ran.err;
    const std::size_t lines = static_cast<std::size_t>(std::count(ran.out.begin(), ran.out.end(), '\n'));
    EXPECT_LT(lines, static_cast<std::size_t>(kFiles));
    EXPECT_NE(ran.err.find(" ficheros listados, "), std::string::npos) << ran.err;
}

// A copy goes only while the kept file is the one listed and the copy is
// byte for byte the same: each change made while the program asks, after
// its search.
TEST_F(AtAConsole, ACopyGoesOnlyWhileTheKeptFileIsAsListedAndTheCopyIsItsEqual) {
    if (!test::InItsOwnProcess()) return test::RunInItsOwnProcess();
    std::string bytes(100000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    const std::wstring kept = At(L"kept.dat"), copy1 = At(L"copy1.dat"), copy2 = At(L"copy2.dat");
    // Another content, same size and time: only the bytes tell.
    auto changeLastByte = [&](const std::wstring& path) {
        const std::uint64_t time = test::FoundFileOf(path).lastWrite;
        std::string changed = bytes;
        changed.back() ^= 1;
        ASSERT_TRUE(test::WriteExactFile(path, changed) && test::SetLastWrite(path, time));
    };
    auto deleted = [](const std::wstring& path) { ASSERT_TRUE(::DeleteFileW(sweep::ExactPath(path).c_str())); };
    const std::string notKept = "no se borró ";
    const struct {
        const char* name;
        std::function<void(base::KernelHandle&)> change;
        std::vector<std::wstring> left;
        std::string said;
    } cases[] = {
        {"nothing changed", [](auto&) {}, {L"kept.dat"}, "Hecho: 2 ficheros eliminados (195 Kbytes)"},
        {"the kept file's last byte changed", [&](auto&) { changeLastByte(kept); }, {L"copy1.dat", L"copy2.dat", L"kept.dat"},
         notKept + U(copy1) + " (no es igual a la copia que se conserva)"},
        {"the kept file replaced by a file alike",
         [&](auto&) {
             deleted(kept);
             ASSERT_TRUE(test::WriteExactFile(kept, bytes) && test::SetLastWrite(kept, kTime - 10000000));
         },
         {L"copy1.dat", L"copy2.dat", L"kept.dat"}, notKept + U(copy2) + " (la copia que se conserva cambió, " + U(kept) + ")"},
        {"the kept file deleted", [&](auto&) { deleted(kept); }, {L"copy1.dat", L"copy2.dat"},
         notKept + U(copy1) + " (la copia que se conserva ya no está, " + U(kept)},
        {"the kept file open for writing in another process",
         [&](base::KernelHandle& held) {
             held.reset(base::ValidOrNull(::CreateFileW(sweep::ExactPath(kept).c_str(), GENERIC_WRITE,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                        OPEN_EXISTING, 0, nullptr)));
             ASSERT_TRUE(held);
         },
         {L"copy1.dat", L"copy2.dat", L"kept.dat"},
         notKept + U(copy2) + " (la copia que se conserva no se pudo leer, " + U(kept) + ": "},
        {"a copy's last byte changed", [&](auto&) { changeLastByte(copy2); }, {L"copy2.dat", L"kept.dat"},
         notKept + U(copy2) + " (no es igual a la copia que se conserva)"},
        {"a copy made a hard link of the kept file",
         [&](auto&) {
             deleted(copy1);
             ASSERT_TRUE(::CreateHardLinkW(sweep::ExactPath(copy1).c_str(), sweep::ExactPath(kept).c_str(), nullptr));
         },
         {L"copy1.dat", L"kept.dat"}, notKept + U(copy1) + " (es la copia que se conserva)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::wstring& name : test::NamesIn(root)) ASSERT_TRUE(::DeleteFileW(sweep::ExactPath(At(name)).c_str()));
        std::uint64_t time = kTime - 10000000;
        for (const std::wstring& path : {kept, copy1, copy2})
            ASSERT_TRUE(test::WriteExactFile(path, bytes) && test::SetLastWrite(path, time += 10000000));
        Cmd cmd({L"--dups", L"--delete", L"-p", L"*.dat", root}, input);
        ASSERT_TRUE(test::WaitUntil([&] { return cmd.ErrorSoFar().find("[s/N] ") != std::string::npos; }, 60000));
        base::KernelHandle held;
        c.change(held);
        Type(L"s\r");
        const Ran ran = cmd.Wait();
        held.reset();
        EXPECT_EQ(ran.err.rfind("¿Eliminar definitivamente 2 ficheros (195 Kbytes)? [s/N] ", 0), 0u) << ran.err;
        EXPECT_NE(ran.err.find(c.said), std::string::npos) << ran.err;
        EXPECT_EQ(test::NamesIn(root), c.left);
        EXPECT_EQ(ran.code, c.left.size() == 1 ? 0u : 1u) << ran.err;
        if (test::ExactExists(kept)) {
            EXPECT_EQ(test::ExactContents(kept).size(), bytes.size());
        }
    }
}
