#include "cli/Program.h"

#include <windows.h>

#include <optional>
#include <utility>

#include "base/Handles.h"
#include "base/Module.h"
#include "base/Text.h"
#include "base/Unicode.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "engine/DeletionJob.h"
#include "engine/DuplicateRemoval.h"
#include "engine/Duplicates.h"
#include "engine/Export.h"
#include "engine/FolderListing.h"
#include "engine/IniFile.h"
#include "engine/PatternList.h"
#include "engine/ResultOrder.h"
#include "engine/Search.h"

namespace cli {

namespace {

// How often the program takes what the search found: the search leaves the
// machine to a front end that has not collected for a while.
constexpr DWORD kTickMs = 30;

void Say(Output& err, const std::string& text) {
    err.Write("SweepfieldCmd: " + text + "\r\n");
    err.Flush();
}

std::string Shown(const std::wstring& path) { return base::Utf8(sweep::ShownPath(path)); }

// A path as the user gave it, made whole against the current folder the way
// the system reads a typed path.
std::wstring FullPath(const std::wstring& path) {
    DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (!size) return path;
    std::wstring full(size, L'\0');
    size = ::GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    full.resize(size);
    return full;
}

// A whole file's bytes; the system's code when it cannot be read.
DWORD ReadWholeFile(const std::wstring& path, std::string& bytes) {
    base::KernelHandle file(base::ValidOrNull(
        ::CreateFileW(sweep::ExactPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file) return ::GetLastError();
    char chunk[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) return ::GetLastError();
        if (!read) return ERROR_SUCCESS;
        bytes.append(chunk, read);
    }
}

// What a search looks for and leaves alone: the patterns of the command
// line (which have no mode), or else those of the pattern file, each with
// its mode; and what is never touched, the file's Excluir rows and -x.
struct SearchList {
    std::vector<std::string> patterns;
    std::vector<sweep::PatternMode> modes;  // modes[i] is patterns[i]'s
    std::vector<std::wstring> exclusions;
};

// The list the window reads: the one in the user's roaming folder once the
// window has saved it there, else the one beside the executable.
std::string WindowsPatternFile() {
    const std::string roaming = sweep::RoamingPatternFile();
    if (!roaming.empty() && ::GetFileAttributesW(sweep::ExactPath(base::Wide(roaming)).c_str()) != INVALID_FILE_ATTRIBUTES)
        return roaming;
    return base::ExeFolder() + "\\Sweepfield.Ini";
}

// The list to search with; false, with the reason told, when there is
// nothing to look for or the pattern file cannot be read.
bool ReadSearchList(const Options& options, SearchList& list, Output& err) {
    const std::string file = options.ini ? *options.ini : WindowsPatternFile();
    std::string bytes;
    // With -p the file gives only what is never touched, and the window's
    // file, when there is none, nothing; any other failure would let the
    // program touch what the list says never to.
    if (const DWORD error = ReadWholeFile(FullPath(base::Wide(file)), bytes)) {
        if ((options.patterns.empty() && !options.dups) || options.ini || (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)) {
            Say(err, "no se puede leer el fichero de patrones " + file + ": " + SystemMessage(error));
            return false;
        }
    }
    const sweep::ListedPatterns listed = sweep::PatternsToSearch(sweep::PatternRowsFrom(
        sweep::CountedEntries(sweep::SectionEntries(sweep::DecodeIniText(bytes), "FindFiles"))));
    list.exclusions = listed.exclusions;
    for (const std::string& x : options.exclusions) list.exclusions.push_back(base::Wide(x));
    // Duplicates are looked for among every file, unless a list is named.
    const bool everyFile = options.dups && options.patterns.empty() && !options.ini;
    if (!options.patterns.empty() || everyFile) {
        list.patterns = everyFile ? std::vector<std::string>{"*"} : options.patterns;
        list.modes.assign(list.patterns.size(), sweep::PatternMode::None);
        return true;
    }
    for (std::size_t i = 0; i < listed.patterns.size(); ++i)
        if (!listed.patterns[i].empty()) {
            list.patterns.push_back(base::Utf8(listed.patterns[i]));
            list.modes.push_back(listed.modes[i]);
        }
    if (list.patterns.empty()) Say(err, "no hay patrones en " + file + " (sección [FindFiles], File1=...) ni -p");
    return !list.patterns.empty();
}

class Run {
public:
    Run(const Options& options, Output& out, Output& err)
        : options_(options), out_(out), err_(err), progress_(err, !options.quiet) {}

    int Go();

private:
    // What the options and the list ask to search for, from `start`.
    sweep::SearchRequest RequestFor(const std::wstring& start, const SearchList& list) const;
    std::optional<int> Search(const std::wstring& start, const SearchList& list);
    int Remove();
    // Shows a removal's progress until it is over (a Ctrl+C stops it after
    // the file in hand); its outcomes.
    std::vector<sweep::RemovalResult> Follow(sweep::RemovalJob& job, bool recycle, std::int64_t files);
    // Removes these files the one way; true when Ctrl+C stopped it.
    bool RemoveAll(const std::vector<sweep::FoundFile>& files, Removal removal, RemovalCount& count);
    int Duplicates(const std::wstring& start, const SearchList& list, const std::vector<std::wstring>& protect);
    int RemoveCopies(const std::vector<sweep::CopiesOf>& groups, std::int64_t copies, std::int64_t bytes);
    // Asks before a removal, unless --yes: an exit code when nothing is to go.
    std::optional<int> AskFirst(const std::string& question);
    // Tells of the paths written with U+FFFD, if any.
    void WarnInexact();
    void Flush();
    int ReportInterrupted(const std::string& what);

    const Options& options_;
    Output& out_;
    Output& err_;
    ProgressLine progress_;
    bool removes_ = false;  // --recycle, --delete or --auto
    // What is to be removed, each way, and the space it takes.
    std::vector<sweep::FoundFile> toBin_, toDelete_;
    std::int64_t binBytes_ = 0, deleteBytes_ = 0;
    std::int64_t listed_ = 0, listedBytes_ = 0;
    std::int64_t inexact_ = 0;  // paths written with U+FFFD for a lone surrogate
    bool notAllDone_ = false;
};

void Run::WarnInexact() {
    if (inexact_)
        Say(err_, "aviso: " + base::GroupedCount(inexact_) +
                      (inexact_ == 1 ? " ruta tiene" : " rutas tienen") +
                      " un nombre que UTF-8 no puede escribir tal cual (sale con U+FFFD); --format json la escribe exacta");
}

void Run::Flush() {
    // Rows on the console go over the progress line, which comes back at
    // its next change.
    if (out_.IsConsole() && out_.Pending()) progress_.Clear();
    out_.Flush();
}

int Run::ReportInterrupted(const std::string& what) {
    Flush();
    progress_.Clear();
    Say(err_, "Interrumpido: " + what);
    return kExitInterrupted;
}

int Run::Go() {
    SearchList list;
    if (!ReadSearchList(options_, list, err_)) return kExitUsage;

    std::wstring start = sweep::PlainPath(FullPath(base::Wide(options_.folder)));
    const DWORD attributes = ::GetFileAttributesW(sweep::ExactPath(start).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH ||
            error == ERROR_BAD_NET_NAME || error == ERROR_INVALID_NAME || error == ERROR_INVALID_DRIVE) {
            Say(err_, "la carpeta no existe: " + options_.folder);
            return kExitUsage;
        }
        // Anything else (no permission, say) the search tells as it would
        // of any folder it cannot read.
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Say(err_, "no es una carpeta: " + options_.folder);
        return kExitUsage;
    }
    if (start.empty() || start.back() != L'\\') start += L'\\';
    // A folder to protect must be there: a mistyped one would protect nothing.
    std::vector<std::wstring> protect;
    for (const std::string& folder : options_.protect) {
        const std::wstring full = FullPath(base::Wide(folder));
        const DWORD kind = ::GetFileAttributesW(sweep::ExactPath(full).c_str());
        if (kind == INVALID_FILE_ATTRIBUTES || !(kind & FILE_ATTRIBUTE_DIRECTORY)) {
            Say(err_, (kind == INVALID_FILE_ATTRIBUTES ? "la carpeta de --protect no existe: "
                                                       : "--protect no es una carpeta: ") + folder);
            return kExitUsage;
        }
        protect.push_back(sweep::ProtectedFolder(full));
    }

    // Nothing is removed unasked: without a console to ask at, only --yes
    // says yes, and it is refused before anything is searched.
    removes_ = options_.removal != Removal::None || options_.automatic;
    if (removes_ && !options_.yes && !InputIsConsole()) {
        Say(err_, std::string("no se borra nada sin --yes cuando la entrada estándar no es una consola (") +
                      (options_.automatic ? "--auto" : options_.removal == Removal::Recycle ? "--recycle" : "--delete") + ")");
        return kExitUsage;
    }

    if (options_.dups) return Duplicates(start, list, protect);
    if (const std::optional<int> code = Search(start, list)) return *code;
    WarnInexact();
    if (toBin_.empty() && toDelete_.empty()) return notAllDone_ ? kExitNotAllDone : kExitDone;
    return Remove();
}

sweep::SearchRequest Run::RequestFor(const std::wstring& start, const SearchList& list) const {
    sweep::SearchRequest request;
    request.startFolder = start;
    for (const std::string& p : list.patterns) request.patterns.push_back(base::Wide(p));
    request.exclusions = list.exclusions;
    request.subfolders = options_.subfolders;
    sweep::SetKbLimits(request, options_.smallerKb, options_.largerKb);
    return request;
}

// Lists what the search finds; an exit code when the program ends here.
std::optional<int> Run::Search(const std::wstring& start, const SearchList& list) {
    const std::vector<std::string>& patterns = list.patterns;
    sweep::SearchRequest request = RequestFor(start, list);

    base::KernelHandle over(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    sweep::Search search(std::move(request), [event = over.get()] { ::SetEvent(event); });
    sweep::ResultOrder<sweep::FoundRow> order(patterns.size());
    const bool keep = removes_;
    // How the files a pattern finds are removed, if at all.
    auto removalOf = [&](std::size_t pattern) {
        if (!options_.automatic) return options_.removal;
        switch (list.modes[pattern]) {
            case sweep::PatternMode::Recycle: return Removal::Recycle;
            case sweep::PatternMode::Delete: return Removal::Delete;
            default: return Removal::None;
        }
    };
    const bool exactFormat = options_.format == Format::Json;
    sweep::ShownPaths shown;
    out_.Write(ListingHeader(options_.format));
    const HANDLE wakes[] = {over.get(), InterruptEvent()};
    for (bool done = false; !done;) {
        ::WaitForMultipleObjects(2, wakes, FALSE, kTickMs);
        if (cli::Interrupted()) break;
        std::vector<sweep::FoundRow> batch;
        done = search.Collect(batch);
        for (sweep::FoundRow& row : order.TakeSettled(std::move(batch), done)) {
            // A long listing stops at once too.
            if (cli::Interrupted()) break;
            out_.Write(ListingLine(options_.format, row.file, patterns[static_cast<std::size_t>(row.pattern)], shown));
            if (!exactFormat && !(sweep::Utf8CarriesExactly(row.file.name) && sweep::Utf8CarriesExactly(*row.file.folder)))
                ++inexact_;
            ++listed_;
            listedBytes_ += row.file.size;
            const Removal removal = removalOf(static_cast<std::size_t>(row.pattern));
            if (removal == Removal::Recycle) {
                binBytes_ += row.file.size;
                toBin_.push_back(std::move(row.file));
            } else if (removal == Removal::Delete) {
                deleteBytes_ += row.file.size;
                toDelete_.push_back(std::move(row.file));
            }
        }
        Flush();
        if (out_.Error()) {
            search.Stop();
            progress_.Clear();
            Say(err_, "no se pudo escribir la salida: " + SystemMessage(out_.Error()) +
                          (keep ? "; no se ha borrado nada" : ""));
            return kExitNotAllDone;
        }
        progress_.Show("Carpetas leídas: " + base::GroupedCount(static_cast<std::int64_t>(search.FoldersRead())) +
                       "  Encontrados: " + base::GroupedCount(listed_) + " (" + base::ScaledSize(listedBytes_) + ")");
    }
    const std::int64_t folders = static_cast<std::int64_t>(search.FoldersRead());
    if (cli::Interrupted()) {
        search.Stop();
        return ReportInterrupted(base::GroupedCount(listed_) + (listed_ == 1 ? " fichero listado, " : " ficheros listados, ") +
                           base::GroupedCount(folders) + (folders == 1 ? " carpeta leída" : " carpetas leídas") +
                           (keep ? "; nada borrado" : ""));
    }
    progress_.Finish("Encontrados: " + base::GroupedCount(listed_) + " (" + base::ScaledSize(listedBytes_) + ") en " +
                     base::GroupedCount(folders) + (folders == 1 ? " carpeta" : " carpetas"));
    for (const sweep::FolderError& unread : search.UnreadableFolders()) {
        Say(err_, "no se pudo leer " + Shown(unread.folder) + " (" + sweep::ReasonOf(unread) + ": " +
                      SystemMessage(unread.error) + ")");
        notAllDone_ = true;
    }
    return std::nullopt;
}

std::optional<int> Run::AskFirst(const std::string& question) {
    if (options_.yes) return std::nullopt;
    err_.Write(question);
    err_.Flush();
    const std::optional<std::string> answer = ReadConsoleLine();
    // Ctrl+C at the question ends the read before its handler has run.
    if (!answer) ::WaitForSingleObject(InterruptEvent(), 200);
    if (cli::Interrupted()) return ReportInterrupted("nada borrado");
    if (!answer || !IsYes(*answer)) {
        if (!answer) err_.Write("\r\n");
        Say(err_, "no se ha borrado nada");
        return notAllDone_ ? kExitNotAllDone : kExitDone;
    }
    return std::nullopt;
}

int Run::Remove() {
    const std::int64_t toBin = static_cast<std::int64_t>(toBin_.size());
    const std::int64_t toDelete = static_cast<std::int64_t>(toDelete_.size());
    if (const std::optional<int> code =
            AskFirst(options_.automatic ? AutoQuestionText(toBin, binBytes_, toDelete, deleteBytes_)
                                        : QuestionText(options_.removal, toBin + toDelete, binBytes_ + deleteBytes_)))
        return *code;

    if (cli::Interrupted()) return ReportInterrupted("nada borrado");
    // The bin's first, then for good, as the window does.
    RemovalCount recycled, deleted;
    bool stopped = RemoveAll(toBin_, Removal::Recycle, recycled);
    if (stopped)
        deleted.untouched = static_cast<std::int64_t>(toDelete_.size());
    else
        stopped = RemoveAll(toDelete_, Removal::Delete, deleted);
    const std::string summary = toBin_.empty()     ? RemovalSummary(Removal::Delete, deleted)
                                : toDelete_.empty() ? RemovalSummary(Removal::Recycle, recycled)
                                                    : RemovalSummary(recycled, deleted);
    if (stopped) return ReportInterrupted(summary);
    if (!options_.quiet) Say(err_, "Hecho: " + summary);
    return notAllDone_ || recycled.kept || deleted.kept ? kExitNotAllDone : kExitDone;
}

std::vector<sweep::RemovalResult> Run::Follow(sweep::RemovalJob& job, bool recycle, std::int64_t files) {
    std::vector<sweep::RemovalResult> results;
    const std::string doing = recycle ? "Enviando a la Papelera: " : "Eliminando: ";
    const std::string ofAll = " de " + base::GroupedCount(files);
    for (;;) {
        const bool over = job.Collect(results);
        progress_.Show(doing + base::GroupedCount(static_cast<std::int64_t>(results.size())) + ofAll, over);
        if (over) break;
        if (::WaitForSingleObject(InterruptEvent(), kTickMs) == WAIT_OBJECT_0) job.Stop();
    }
    progress_.Clear();
    return results;
}

bool Run::RemoveAll(const std::vector<sweep::FoundFile>& files, Removal removal, RemovalCount& count) {
    if (files.empty()) return false;
    const bool recycle = removal == Removal::Recycle;
    sweep::DeletionJob job(files, recycle ? sweep::RemovalKind::Recycle : sweep::RemovalKind::Delete);
    const std::vector<sweep::RemovalResult> results = Follow(job, recycle, static_cast<std::int64_t>(files.size()));

    for (std::size_t i = 0; i < results.size(); ++i) {
        const sweep::RemovalResult& r = results[i];
        if (r.outcome == sweep::RemovalOutcome::Removed) {
            ++count.removed;
            count.bytes += files[i].size;
        } else if (r.outcome == sweep::RemovalOutcome::Missing) {
            ++count.missing;
        } else {
            ++count.kept;
            Say(err_, "no se borró " + Shown(files[i].Path()) + " (" + sweep::ReasonOf(r.outcome) +
                          (r.error != ERROR_SUCCESS ? ": " + SystemMessage(r.error) : std::string()) + ")");
        }
    }
    count.untouched = static_cast<std::int64_t>(files.size() - results.size());
    return job.Stopped() && cli::Interrupted();
}

// Lists the groups of duplicates among what the search finds, the groups
// with the most to recover first, the kept copy first in each; then removes
// the copies when asked. The order needs every group, so the listing comes
// at the end (or at a Ctrl+C, with the groups found by then).
int Run::Duplicates(const std::wstring& start, const SearchList& list, const std::vector<std::wstring>& protect) {
    const std::vector<std::string>& patterns = list.patterns;
    sweep::SearchRequest request = RequestFor(start, list);

    base::KernelHandle over(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    sweep::DuplicateSearch search(std::move(request), [event = over.get()] { ::SetEvent(event); });
    std::vector<sweep::DuplicateGroup> groups;
    const HANDLE wakes[] = {over.get(), InterruptEvent()};
    for (bool done = false; !done;) {
        ::WaitForMultipleObjects(2, wakes, FALSE, kTickMs);
        if (cli::Interrupted()) search.Stop();
        done = search.Collect(groups);
        const sweep::DuplicateProgress p = search.Progress();
        progress_.Show(p.listing ? "Encontrados: " + base::GroupedCount(static_cast<std::int64_t>(p.filesFound))
                                 : "Comparados: " + base::GroupedCount(static_cast<std::int64_t>(p.filesCompared)) +
                                       " de " + base::GroupedCount(static_cast<std::int64_t>(p.candidates)) + " (" +
                                       base::ScaledSize(p.bytesRead) + ")  Grupos: " +
                                       base::GroupedCount(static_cast<std::int64_t>(p.groups)));
    }
    sweep::SortGroups(groups);

    const sweep::KeepRule rule = options_.keep ? *options_.keep : sweep::KeepRule::Oldest;
    std::vector<sweep::CopiesOf> plans;
    std::int64_t copies = 0, copyBytes = 0;
    sweep::ShownPaths shown;
    out_.Write(DuplicateHeader(options_.format));
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const sweep::DuplicateGroup& group = groups[g];
        const std::size_t kept = sweep::KeptCopy(group, rule, protect);
        if (g) out_.Write(GroupSeparator(options_.format));
        // The kept copy first, the others in the group's order.
        for (std::size_t k = 0; k < group.files.size(); ++k) {
            const std::size_t i = k == 0 ? kept : k <= kept ? k - 1 : k;
            const sweep::DuplicateFile& f = group.files[i];
            const bool stays = i == kept || sweep::IsProtected(f.file, protect);
            out_.Write(DuplicateLine(options_.format, f.file, patterns[static_cast<std::size_t>(f.pattern)], g + 1,
                                     stays, shown));
            if (options_.format != Format::Json &&
                !(sweep::Utf8CarriesExactly(f.file.name) && sweep::Utf8CarriesExactly(*f.file.folder)))
                ++inexact_;
        }
        plans.push_back(sweep::CopiesToRemove(group, kept, protect));
        copies += static_cast<std::int64_t>(plans.back().copies.size());
        copyBytes += static_cast<std::int64_t>(plans.back().copies.size()) * group.Size();
    }
    Flush();
    const bool keep = options_.removal != Removal::None;
    if (out_.Error()) {
        progress_.Clear();
        Say(err_, "no se pudo escribir la salida: " + SystemMessage(out_.Error()) + (keep ? "; no se ha borrado nada" : ""));
        return kExitNotAllDone;
    }
    const std::string found = base::GroupedCount(static_cast<std::int64_t>(groups.size())) +
                              (groups.size() == 1 ? " grupo de duplicados, " : " grupos de duplicados, ") +
                              base::GroupedCount(copies) + (copies == 1 ? " copia (" : " copias (") +
                              base::ScaledSize(copyBytes) + ")";
    if (cli::Interrupted()) return ReportInterrupted(found + (keep ? "; nada borrado" : ""));
    progress_.Finish(found);
    WarnInexact();
    for (const sweep::FolderError& unread : search.UnreadableFolders()) {
        Say(err_, "no se pudo leer " + Shown(unread.folder) + " (" + sweep::ReasonOf(unread) + ": " +
                      SystemMessage(unread.error) + ")");
        notAllDone_ = true;
    }
    for (const sweep::UnreadFile& unread : search.UnreadableFiles()) {
        Say(err_, "no se pudo leer " + Shown(unread.file.Path()) + " (" + sweep::ReasonOf(unread) + ")");
        notAllDone_ = true;
    }
    if (!keep || copies == 0) return notAllDone_ ? kExitNotAllDone : kExitDone;
    return RemoveCopies(plans, copies, copyBytes);
}

// Removes the copies of the groups, each only after it is compared with
// its group's kept file (DuplicateRemoval.h).
int Run::RemoveCopies(const std::vector<sweep::CopiesOf>& groups, std::int64_t copies, std::int64_t bytes) {
    const bool recycle = options_.removal == Removal::Recycle;
    if (const std::optional<int> code = AskFirst(QuestionText(options_.removal, copies, bytes))) return *code;
    if (cli::Interrupted()) return ReportInterrupted("nada borrado");
    sweep::CopyRemovalJob job(groups, recycle ? sweep::RemovalKind::Recycle : sweep::RemovalKind::Delete);
    const std::vector<sweep::RemovalResult> results = Follow(job, recycle, copies);

    RemovalCount count;
    std::size_t i = 0;
    for (const sweep::CopiesOf& group : groups)
        for (const sweep::FoundFile& copy : group.copies) {
            if (i >= results.size()) break;
            const sweep::RemovalResult& r = results[i++];
            if (r.outcome == sweep::RemovalOutcome::Removed) {
                ++count.removed;
                count.bytes += copy.size;
            } else if (r.outcome == sweep::RemovalOutcome::Missing) {
                ++count.missing;
            } else {
                ++count.kept;
                // Where the kept file stops its group, it is named.
                const bool ofKept = r.outcome == sweep::RemovalOutcome::KeptMissing ||
                                    r.outcome == sweep::RemovalOutcome::KeptChanged ||
                                    r.outcome == sweep::RemovalOutcome::KeptUnreadable;
                Say(err_, "no se borró " + Shown(copy.Path()) + " (" + sweep::ReasonOf(r.outcome) +
                              (ofKept ? ", " + Shown(group.kept.Path()) : std::string()) +
                              (r.error != ERROR_SUCCESS ? ": " + SystemMessage(r.error) : std::string()) + ")");
            }
        }
    count.untouched = copies - static_cast<std::int64_t>(results.size());
    if (job.Stopped() && cli::Interrupted()) return ReportInterrupted(RemovalSummary(options_.removal, count));
    if (!options_.quiet) Say(err_, "Hecho: " + RemovalSummary(options_.removal, count));
    return notAllDone_ || count.kept ? kExitNotAllDone : kExitDone;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args) {
    Output out(STD_OUTPUT_HANDLE), err(STD_ERROR_HANDLE);
    // The outputs keep their handles; the process's own slots are emptied,
    // so that no process the system starts on the program's behalf gets
    // them: under Wine the shell's first recycling starts the desktop's
    // process and hands it this program's standard error, and a pipe from
    // here would then stay open, and its reader wait, long after the end.
    ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    ::SetStdHandle(STD_ERROR_HANDLE, nullptr);
    Options options;
    const std::string error = ParseArguments(args, options);
    if (!error.empty()) {
        Say(err, error);
        err.Write(std::string(kHelpHint) + "\r\n");
        return kExitUsage;
    }
    if (options.help) {
        const std::string usage = UsageText();
        for (std::size_t at = 0; at < usage.size();) {
            const std::size_t end = usage.find('\n', at);
            out.Write(std::string_view(usage).substr(at, end - at));
            out.Write("\r\n");
            at = end + 1;
        }
        return out.Flush() ? kExitDone : kExitNotAllDone;
    }
    CatchInterrupts();
    return Run(options, out, err).Go();
}

}  // namespace cli
