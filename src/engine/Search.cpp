#include "engine/Search.h"

#include <algorithm>

#include "base/Unicode.h"
#include "engine/FolderListing.h"

namespace sweep {

// A pattern prepared for the walk. A pattern with a folder part ("sub\*.tmp")
// is matched in that folder below each folder of the walk; the folder part is
// resolved name by name through the listings, never through a link.
struct Search::PatternPlan {
    std::vector<std::wstring> folderPart;
    NameMatcher matcher;
    bool matchesNothing;
};

// An excluded pattern prepared for the walk: its name part, and where it
// applies: in every folder, in the folders whose path ends with the names of
// its folder part, or in one folder named by its whole path.
struct Search::Exclusion {
    std::vector<NameMatcher> folders;  // the folder part's names, outermost first
    std::wstring absolute;             // the folder (plain, ending with a backslash), or empty
    NameMatcher name;
    bool everything;                   // the name part matches every name
};

// A sub-folder seen in a listing, kept to resolve the folder parts of patterns.
struct Search::Subfolder {
    std::wstring name, shortName;
    bool isLink;
};

// A pattern with a folder part on its way down the walk: from a folder
// above, `done` of its folder names have led here.
struct Search::Arrival {
    int pattern;
    std::size_t done;
};

struct Search::Node {
    std::shared_ptr<const std::wstring> path;  // ends with a backslash
    std::string text;                          // the path as the rows show it
    Node* parent = nullptr;
    std::uint32_t index = 0;  // among the parent's children
    // The folder parts that lead here from the folders above, all their
    // names or part of them: what this folder's own listing must know of
    // the patterns that find its entries from elsewhere.
    std::vector<Arrival> arrivals;
    std::vector<std::unique_ptr<Node>> children;
    std::vector<FoundRow> results;
    std::size_t resultsOut = 0;  // handed out so far
    bool read = false;
    bool handedOut = false;
};

namespace {

// How long the one who collects may go without collecting before the search
// leaves it more of the machine.
constexpr std::chrono::milliseconds kWindowLate{60};

bool HasWildcard(std::wstring_view s) { return s.find_first_of(L"*?") != std::wstring_view::npos; }

std::vector<std::wstring> SplitFolderPart(std::wstring_view folderPart, bool& valid) {
    std::vector<std::wstring> names;
    valid = true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = folderPart.find_first_of(L"\\/", start);
        std::wstring_view name = folderPart.substr(start, end == std::wstring_view::npos ? end : end - start);
        // Wildcards in a folder name find nothing in the system's search
        // either. Each name is looked for among the sub-folders a listing
        // gives, never "." or "..", so no folder part leads up.
        if (name.empty() || HasWildcard(name)) valid = false;
        names.emplace_back(name);
        if (end == std::wstring_view::npos) return names;
        start = end + 1;
    }
}

// The place among the walk's children (the sub-folders that are no link)
// of one of a listing's sub-folders.
template <class Subfolder>
std::uint32_t ChildIndex(const std::vector<Subfolder>& subfolders, const Subfolder* child) {
    std::uint32_t index = 0;
    for (const Subfolder* s = subfolders.data(); s != child; ++s) index += s->isLink ? 0 : 1;
    return index;
}

}  // namespace

const char* ReasonOf(const FolderError& unread) {
    switch (unread.error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: return "sin permiso";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return "ya no existe";
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_GEN_FAILURE: return "ruta demasiado larga";  // Wine: a Unix path over 4,096 bytes
        case ERROR_DIRECTORY:
        case ERROR_INVALID_PARAMETER: return "no es una carpeta";
        default: return "no se pudo leer";
    }
}

void SetKbLimits(SearchRequest& request, std::optional<std::int64_t> smallerKb, std::optional<std::int64_t> largerKb) {
    // In 64 bits: limits above 2,097,151 Kb still compare right.
    request.below = smallerKb ? std::optional<std::int64_t>(*smallerKb * 1024) : std::nullopt;
    request.above = largerKb ? std::optional<std::int64_t>(*largerKb * 1024) : std::nullopt;
}

bool AnySizePasses(const SearchRequest& request) {
    // A size s passes when above < s < below, and no size is below 0.
    if (request.below && *request.below <= 0) return false;
    return !(request.below && request.above && *request.below <= *request.above + 1);
}

Search::Search(SearchRequest request, std::function<void()> over)
    : request_(std::move(request)), over_(std::move(over)) {
    for (std::wstring excluded : request_.exclusions) {
        std::replace(excluded.begin(), excluded.end(), L'/', L'\\');
        excluded = PlainPath(excluded);
        while (!excluded.empty() && excluded.back() == L'\\') excluded.pop_back();
        const std::size_t slash = excluded.find_last_of(L'\\');
        const std::wstring namePart = slash == std::wstring::npos ? excluded : excluded.substr(slash + 1);
        if (namePart.empty()) continue;
        Exclusion e{{}, {}, NameMatcher(namePart, request_.rules), namePart == L"*" || namePart == L"*.*"};
        if (slash != std::wstring::npos) {
            const std::wstring folderPart = excluded.substr(0, slash + 1);
            if ((folderPart.size() >= 3 && folderPart[1] == L':' && folderPart[2] == L'\\') ||
                folderPart.compare(0, 2, L"\\\\") == 0) {
                e.absolute = folderPart;
            } else {
                for (std::size_t start = 0, end; (end = folderPart.find(L'\\', start)) != std::wstring::npos;
                     start = end + 1)
                    if (end > start) e.folders.emplace_back(folderPart.substr(start, end - start), request_.rules);
            }
        }
        exclusions_.push_back(std::move(e));
    }
    for (std::size_t i = 0; i < request_.patterns.size(); ++i) {
        const std::wstring& pattern = request_.patterns[i];
        const std::size_t slash = pattern.find_last_of(L"\\/");
        if (slash == std::wstring::npos) {
            plans_.push_back(PatternPlan{{}, NameMatcher(pattern, request_.rules), pattern.empty()});
            plainPatterns_.push_back(static_cast<int>(i));
        } else {
            bool valid;
            std::vector<std::wstring> folderPart = SplitFolderPart(std::wstring_view(pattern).substr(0, slash), valid);
            const std::wstring namePart = pattern.substr(slash + 1);
            plans_.push_back(PatternPlan{std::move(folderPart), NameMatcher(namePart, request_.rules),
                                         !valid || namePart.empty()});
            if (plans_.back().matchesNothing) continue;
            folderPatterns_.push_back(static_cast<int>(i));
        }
    }

    // The start folder is opened by the first worker (ResolveStart): on a
    // slow network path that takes a while, and the caller must not wait.
    std::wstring start = request_.startFolder;
    if (start.empty() || start.back() != L'\\') start += L'\\';
    root_ = std::make_unique<Node>();
    root_->path = std::make_shared<const std::wstring>(start);
    root_->text = base::Utf8(start);
    pending_.push_back(root_.get());
    cursor_.emplace_back(root_.get(), 0);

    const int threads = std::max(1, request_.threads);
    working_ = threads;
    for (int i = 0; i < threads; ++i)
        threads_.emplace_back([this] {
            Work();
            if (--working_ == 0 && over_) over_();
        });
}

Search::~Search() {
    Stop();
    for (std::thread& t : threads_) t.join();
}

void Search::Stop() {
    {
        // Under the lock: no Collect hands out anything from here on.
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

std::vector<FolderError> Search::UnreadableFolders() const {
    std::vector<std::pair<WalkKey, FolderError>> found;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        found = unreadable_;
    }
    // Recorded as the threads came to them; told in walk order.
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<FolderError> errors;
    for (auto& f : found) errors.push_back(std::move(f.second));
    return errors;
}

void Search::Unreadable(const std::wstring& folder, const Node& node, const WalkKey& below, DWORD error) {
    WalkKey key(below.rbegin(), below.rend());
    for (const Node* n = &node; n->parent; n = n->parent) key.push_back(n->index);
    std::reverse(key.begin(), key.end());
    std::lock_guard<std::mutex> lock(mutex_);
    // A folder is read again for a pattern with a folder part: it is told once.
    for (const auto& u : unreadable_)
        if (u.second.folder == folder) return;
    unreadable_.emplace_back(std::move(key), FolderError{folder, error});
}

std::string Search::CurrentFolder() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return currentFolder_;
}

std::size_t Search::FoldersRead() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return foldersRead_;
}

void Search::ResolveStart() {
    // The walk starts from the folder as the system resolves it, so every
    // path it records is the path the system will report for the file. The
    // other workers wait meanwhile: nothing else is pending before the
    // start folder has been read.
    FolderReader folder(*root_->path);
    std::wstring resolved = folder.FinalPath();
    volumeSerial_ = folder.VolumeSerial();
    if (resolved.empty()) return;
    if (resolved.back() != L'\\') resolved += L'\\';
    std::lock_guard<std::mutex> lock(mutex_);
    root_->path = std::make_shared<const std::wstring>(resolved);
    root_->text = base::Utf8(resolved);
    currentFolder_ = root_->text;
}

void Search::Work() {
    // The window's thread goes first: the search only ever waits for it.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    for (;;) {
        Node* node;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // Another thread still reading may yet add folders.
            wake_.wait(lock, [&] { return stop_ || !pending_.empty() || reading_ == 0; });
            if (stop_ || pending_.empty()) return;
            node = pending_.back();
            pending_.pop_back();
            ++reading_;
            currentFolder_ = node->text;
        }
        if (node == root_.get()) ResolveStart();
        Read(*node);
        // A window that has not taken what was found for a while is short of
        // time: the search gives it some before the next folder.
        if (!stop_ && std::chrono::steady_clock::now() - lastCollect_.load() > kWindowLate) ::Sleep(2);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            node->read = true;
            ++foldersRead_;
            // Depth first: the first sub-folder is taken next.
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending_.push_back(it->get());
            --reading_;
        }
        wake_.notify_all();
    }
}

std::vector<const Search::Exclusion*> Search::ExclusionsIn(std::wstring_view folder) const {
    std::vector<const Exclusion*> in;
    for (const Exclusion& e : exclusions_) {
        if (!e.absolute.empty()) {
            if (::CompareStringOrdinal(e.absolute.data(), static_cast<int>(e.absolute.size()), folder.data(),
                                       static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL)
                in.push_back(&e);
            continue;
        }
        // The folder's last names, one by one from the end, against the
        // folder part's.
        std::size_t end = folder.size() - 1;  // the backslash after a name
        bool matches = true;
        for (auto name = e.folders.rbegin(); name != e.folders.rend() && matches; ++name) {
            const std::size_t slash = end ? folder.rfind(L'\\', end - 1) : std::wstring_view::npos;
            matches = slash != std::wstring_view::npos && name->Matches(folder.substr(slash + 1, end - slash - 1), {});
            end = slash;
        }
        if (matches) in.push_back(&e);
    }
    return in;
}

std::vector<char> Search::Excluded(std::wstring_view folder, const std::vector<DirEntryView>& entries) const {
    std::vector<char> excluded;
    if (exclusions_.empty()) return excluded;
    const std::vector<const Exclusion*> in = ExclusionsIn(folder);
    if (in.empty()) return excluded;
    excluded.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        for (const Exclusion* e : in)
            if (!IsDotEntry(entries[i].name) && e->name.Matches(entries[i].name, entries[i].shortName)) {
                excluded[i] = 1;
                break;
            }
    return excluded;
}

bool Search::Emptied(std::wstring_view folder) const {
    for (const Exclusion* e : ExclusionsIn(folder))
        if (e->everything) return true;
    return false;
}

bool Search::LeftOut(std::wstring_view folder) const {
    if (exclusions_.empty()) return false;
    const std::size_t volume = folder.size() - VolumePart(folder).size();
    if (Emptied(folder.substr(0, volume + 1))) return true;
    for (std::size_t end = folder.find(L'\\', volume + 1); end != std::wstring_view::npos;
         end = folder.find(L'\\', end + 1)) {
        const std::size_t start = folder.rfind(L'\\', end - 1) + 1;
        for (const Exclusion* e : ExclusionsIn(folder.substr(0, start)))
            if (e->name.Matches(folder.substr(start, end - start), {})) return true;
        if (Emptied(folder.substr(0, end + 1))) return true;
    }
    return false;
}

// The sub-folders of a listing, links included (a folder part's name may
// name a link, which then leads nowhere); the excluded ones are as good as
// not there.
std::vector<Search::Subfolder> Search::SubfoldersOf(const std::vector<DirEntryView>& entries,
                                                    const std::vector<char>& excluded,
                                                    const std::wstring& folder) const {
    std::vector<Subfolder> subfolders;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const DirEntryView& e = entries[i];
        if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(e.name)) continue;
        if (!excluded.empty() && excluded[i]) continue;
        if (!exclusions_.empty() && Emptied(folder + std::wstring(e.name) + L'\\')) continue;
        subfolders.push_back(Subfolder{std::wstring(e.name), std::wstring(e.shortName),
                                       (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    }
    return subfolders;
}

// The sub-folder a folder part's name leads to, as the file system finds it:
// the name itself, or else a name (long or short) that matches it without
// letter case. None when there is none, or when it is a link.
const Search::Subfolder* Search::Resolve(const std::vector<Subfolder>& subfolders, const std::wstring& name) const {
    for (const Subfolder& s : subfolders)
        if (s.name == name) return s.isLink ? nullptr : &s;
    NameMatcher same(name, request_.rules);
    for (const Subfolder& s : subfolders)
        if (same.Matches(s.name, s.shortName)) return s.isLink ? nullptr : &s;
    return nullptr;
}

// Where a folder part that has come this far leads next among a folder's
// sub-folders: none when it ends here or leads nowhere.
const Search::Subfolder* Search::Next(const Arrival& a, const std::vector<Subfolder>& subfolders) const {
    const std::vector<std::wstring>& names = plans_[static_cast<std::size_t>(a.pattern)].folderPart;
    return a.done < names.size() ? Resolve(subfolders, names[a.done]) : nullptr;
}

// Reads a folder whole. False when the search stopped meanwhile, or when the
// folder could not be read: that is recorded, in the place of the folder
// `below` the node in the walk.
bool Search::List(FolderReader& reader, const std::wstring& folder, const Node& node, const WalkKey& below,
                  std::vector<DirEntryView>& entries) {
    std::size_t counted = 0;
    auto count = [&] {
        entriesListed_ += entries.size() - counted;
        counted = entries.size();
    };
    const bool whole = reader.ReadAll(entries, [&] {
        count();
        return !stop_;
    });
    count();
    if (!whole && reader.Error() != ERROR_OPERATION_ABORTED) Unreadable(folder, node, below, reader.Error());
    return whole;
}

void Search::Read(Node& node) {
    // The walk goes into no excluded folder; the start folder may lie in one.
    if (!node.parent && LeftOut(*node.path)) return;
    FolderReader reader(*node.path);
    std::vector<DirEntryView> entries;
    if (!List(reader, *node.path, node, {}, entries)) return;
    const std::vector<char> excluded = Excluded(*node.path, entries);
    const std::vector<Subfolder> subfolders = SubfoldersOf(entries, excluded, *node.path);

    // The folder's own entries: the patterns without a folder part find
    // them here, and those folder parts that end here find them from above.
    std::vector<int> finders = plainPatterns_;
    for (const Arrival& a : node.arrivals)
        if (a.done == plans_[static_cast<std::size_t>(a.pattern)].folderPart.size()) finders.push_back(a.pattern);
    ListMatches(node, node.path, node.text, entries, excluded, std::move(finders), -1);

    // The folder parts that pass through here: those from above, and every
    // one from here.
    std::vector<Arrival> passing = node.arrivals;
    for (int p : folderPatterns_) passing.push_back(Arrival{p, 0});
    for (int p : folderPatterns_) {
        if (stop_) return;
        MatchFolderPart(node, p, subfolders, passing);
    }

    if (!request_.subfolders) return;
    std::vector<std::pair<const Subfolder*, Arrival>> onward;
    for (const Arrival& a : passing)
        if (const Subfolder* next = Next(a, subfolders)) onward.emplace_back(next, Arrival{a.pattern, a.done + 1});
    for (const Subfolder& s : subfolders) {
        if (s.isLink) continue;  // a link to a folder can lead anywhere, even back up the tree
        auto child = std::make_unique<Node>();
        child->path = std::make_shared<const std::wstring>(*node.path + s.name + L'\\');
        child->text = base::Utf8(*child->path);
        child->parent = &node;
        child->index = static_cast<std::uint32_t>(node.children.size());
        for (const auto& [next, a] : onward)
            if (next == &s) child->arrivals.push_back(a);
        node.children.push_back(std::move(child));
    }
}

// The matches of a pattern with a folder part, from the folder `node`: the
// folder part is resolved name by name through the listings, never through
// a link, and the folder it leads to is listed. Its rows go in this
// folder's place in the walk.
void Search::MatchFolderPart(Node& node, int pattern, const std::vector<Subfolder>& subfolders,
                             const std::vector<Arrival>& passing) {
    const std::vector<std::wstring>& names = plans_[static_cast<std::size_t>(pattern)].folderPart;
    std::wstring folder = *node.path;
    WalkKey below;
    std::vector<Arrival> arriving = passing;
    std::vector<Subfolder> level;
    const std::vector<Subfolder>* choices = &subfolders;
    std::optional<FolderReader> reader;
    std::vector<DirEntryView> entries;
    std::vector<char> excluded;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const Subfolder* next = Resolve(*choices, names[k]);
        if (!next) return;
        // Which other folder parts lead where this one goes: they find the
        // same entries.
        std::vector<Arrival> onward;
        for (const Arrival& a : arriving)
            if (Next(a, *choices) == next) onward.push_back(Arrival{a.pattern, a.done + 1});
        arriving = std::move(onward);
        below.push_back(ChildIndex(*choices, next));
        folder += next->name + L'\\';
        const bool last = k + 1 == names.size();
        // A folder on the way is a folder of the walk too, unless only the
        // start folder is: the folder parts from there lead on as well.
        if (!last && request_.subfolders)
            for (int p : folderPatterns_) arriving.push_back(Arrival{p, 0});
        entries.clear();
        reader.emplace(folder);
        if (!List(*reader, folder, node, below, entries)) return;
        excluded = Excluded(folder, entries);
        if (!last) {
            level = SubfoldersOf(entries, excluded, folder);
            choices = &level;
        }
    }
    // The folder found is one of the walk, with its own entries, when the
    // walk goes into sub-folders.
    std::vector<int> finders;
    if (request_.subfolders) finders = plainPatterns_;
    for (const Arrival& a : arriving)
        if (a.done == plans_[static_cast<std::size_t>(a.pattern)].folderPart.size()) finders.push_back(a.pattern);
    ListMatches(node, std::make_shared<const std::wstring>(folder), base::Utf8(folder), entries, excluded,
                std::move(finders), pattern);
}

// Lists the entries of one folder found by the patterns `finders`: each entry
// under the first of them that finds it, and only for the pattern `only`
// (or, for -1, the patterns without a folder part); the others find their
// entries from another folder.
void Search::ListMatches(Node& node, const std::shared_ptr<const std::wstring>& folder, const std::string& folderText,
                         const std::vector<DirEntryView>& entries, const std::vector<char>& excluded,
                         std::vector<int> finders, int only) {
    std::sort(finders.begin(), finders.end());
    auto lists = [&](int p) { return only < 0 ? plans_[static_cast<std::size_t>(p)].folderPart.empty() : p == only; };
    while (!finders.empty() && !lists(finders.back())) finders.pop_back();
    if (finders.empty()) return;
    std::vector<std::wstring> twinKeys;
    for (const DirEntryView& e : entries)
        if (EndsWithDotOrBlank(e.name)) twinKeys.push_back(WithoutTrailingDotsAndBlanks(e.name));
    std::vector<char> taken(finders.size() > 1 ? entries.size() : 0);
    auto namesAt = [&](std::size_t i) { return std::make_pair(entries[i].name, entries[i].shortName); };
    for (int p : finders) {
        const PatternPlan& plan = plans_[static_cast<std::size_t>(p)];
        if (plan.matchesNothing) continue;
        const bool listed = lists(p);
        // The pattern picks the entries as the system's search would; the
        // size limits then leave some out, as they would of its listing.
        plan.matcher.ForEachListed(entries.size(), namesAt, [&](std::size_t i) {
            const DirEntryView& e = entries[i];
            if (IsDotEntry(e.name) || (!excluded.empty() && excluded[i])) return;
            if (request_.below && !(e.size < *request_.below)) return;
            if (request_.above && !(e.size > *request_.above)) return;
            if (!taken.empty()) {
                if (taken[i]) return;  // an earlier pattern has it
                taken[i] = 1;
            }
            if (!listed) return;
            FoundRow row;
            row.pattern = p;
            row.file.folder = folder;
            row.file.name.assign(e.name);
            row.file.size = e.size;
            row.file.lastWrite = e.lastWrite;
            row.file.creation = e.creation;
            row.file.attributes = e.attributes;
            row.file.fileId = e.fileId;
            row.file.volumeSerial = volumeSerial_;
            if (!twinKeys.empty())
                row.file.hasTwin = std::find(twinKeys.begin(), twinKeys.end(),
                                             WithoutTrailingDotsAndBlanks(row.file.name)) != twinKeys.end();
            if (request_.texts) request_.texts(row.file, folderText, row.texts);
            node.results.push_back(std::move(row));
        });
    }
}

bool Search::Collect(std::vector<FoundRow>& out, std::size_t most) {
    lastCollect_ = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
    // Stopped: the window keeps what it has; the folders not read by now
    // never will be.
    if (stop_) return reading_ == 0;
    std::size_t room = most;
    while (!cursor_.empty() && room) {
        auto& [node, next] = cursor_.back();
        if (!node->handedOut) {
            if (!node->read) break;
            // A folder's rows may go out over several calls.
            const std::size_t count = std::min(room, node->results.size() - node->resultsOut);
            const auto from = node->results.begin() + static_cast<std::ptrdiff_t>(node->resultsOut);
            std::move(from, from + static_cast<std::ptrdiff_t>(count), std::back_inserter(out));
            node->resultsOut += count;
            room -= count;
            if (node->resultsOut < node->results.size()) break;
            node->results.clear();
            node->results.shrink_to_fit();
            node->handedOut = true;
        }
        if (next < node->children.size()) {
            Node* child = node->children[next++].get();
            cursor_.emplace_back(child, 0);
        } else {
            cursor_.pop_back();
        }
    }
    return cursor_.empty();
}

}  // namespace sweep
