#include "app/SearchEngine.h"

#include <algorithm>

#include "app/FolderListing.h"
#include "app/SearchRules.h"
#include "ui/Unicode.h"

namespace sweep {

// A pattern prepared for the walk. A pattern with a folder part ("sub\*.tmp")
// is matched in that folder below each folder of the walk; the folder part is
// resolved name by name through the listings, never through a link.
struct Search::PatternPlan {
    std::vector<std::wstring> folderPart;
    NameMatcher matcher;
    bool matchesNothing;
};

// A sub-folder seen in a listing, kept to resolve the folder parts of patterns.
struct Search::Subfolder {
    std::wstring name, shortName;
    bool isLink;
};

struct Search::Node {
    std::shared_ptr<const std::wstring> path;  // ends with a backslash
    std::string text;                          // the path as the rows show it
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

FILETIME AsFileTime(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

Search::Search(SearchRequest request, std::function<void()> over)
    : request_(std::move(request)), over_(std::move(over)) {
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
        }
    }

    // The walk starts from the folder as the system resolves it, so every
    // path it records is the path the system will report for the file.
    std::wstring start = request_.startFolder;
    if (start.empty() || start.back() != L'\\') start += L'\\';
    {
        FolderReader folder(start);
        std::wstring resolved = folder.FinalPath();
        if (!resolved.empty()) {
            if (resolved.back() != L'\\') resolved += L'\\';
            start = resolved;
        }
        volumeSerial_ = folder.VolumeSerial();
    }
    root_ = std::make_unique<Node>();
    root_->path = std::make_shared<const std::wstring>(start);
    root_->text = ui::Utf8(start);
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
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

std::string Search::CurrentFolder() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return currentFolder_;
}

std::size_t Search::FoldersRead() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return foldersRead_;
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
        Read(*node);
        // A window that has not taken what was found for a while is short of
        // time: the search gives it some before the next folder.
        if (std::chrono::steady_clock::now() - lastCollect_.load() > kWindowLate) ::Sleep(2);
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

void Search::Read(Node& node) {
    std::vector<Subfolder> subfolders;
    ListMatches(node, node.path, node.text, plainPatterns_, &subfolders);

    for (std::size_t i = 0; i < plans_.size(); ++i) {
        const PatternPlan& plan = plans_[i];
        if (plan.folderPart.empty() || plan.matchesNothing) continue;
        std::wstring folder = *node.path;
        std::vector<Subfolder> level;
        const std::vector<Subfolder>* choices = &subfolders;
        bool found = true;
        for (std::size_t k = 0; k < plan.folderPart.size() && found; ++k) {
            if (k > 0) {
                level.clear();
                FolderReader reader(folder);
                reader.ForEachEntry([&](const DirEntryView& e) {
                    if ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotEntry(e.name))
                        level.push_back(Subfolder{std::wstring(e.name), std::wstring(e.shortName),
                                                       (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
                });
                choices = &level;
            }
            const Subfolder* next = Resolve(*choices, plan.folderPart[k]);
            if (next) folder += next->name + L'\\';
            found = next != nullptr;
        }
        if (!found) continue;
        ListMatches(node, std::make_shared<const std::wstring>(folder), ui::Utf8(folder), {static_cast<int>(i)}, nullptr);
    }

    if (!request_.subfolders) return;
    for (const Subfolder& s : subfolders) {
        if (s.isLink) continue;  // a link to a folder can lead anywhere, even back up the tree
        auto child = std::make_unique<Node>();
        child->path = std::make_shared<const std::wstring>(*node.path + s.name + L'\\');
        child->text = ui::Utf8(*child->path);
        node.children.push_back(std::move(child));
    }
}

void Search::ListMatches(Node& node, const std::shared_ptr<const std::wstring>& folder, const std::string& folderText,
                         const std::vector<int>& patterns, std::vector<Subfolder>* subfolders) {
    FolderReader reader(*folder);
    std::vector<DirEntryView> entries;
    reader.ReadAll(entries);
    std::vector<std::wstring> twinKeys;
    for (const DirEntryView& e : entries) {
        if (IsDotEntry(e.name)) continue;
        if (EndsWithDotOrBlank(e.name)) twinKeys.push_back(WithoutTrailingDotsAndBlanks(e.name));
        if (subfolders && (e.attributes & FILE_ATTRIBUTE_DIRECTORY))
            subfolders->push_back(Subfolder{std::wstring(e.name), std::wstring(e.shortName),
                                            (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    }
    auto namesAt = [&](std::size_t i) { return std::make_pair(entries[i].name, entries[i].shortName); };
    for (int p : patterns) {
        const PatternPlan& plan = plans_[static_cast<std::size_t>(p)];
        if (plan.matchesNothing) continue;
        // The pattern picks the entries as the system's search would; the
        // size limits then leave some out, as they would of its listing.
        plan.matcher.ForEachListed(entries.size(), namesAt, [&](std::size_t i) {
            const DirEntryView& e = entries[i];
            if (IsDotEntry(e.name)) return;
            if (request_.below && !(e.size < *request_.below)) return;
            if (request_.above && !(e.size > *request_.above)) return;
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
            // The texts are made here, on the search's threads, so the
            // window only has to show them.
            row.name = ui::Utf8(row.file.name);
            row.folder = folderText;
            row.size = SizeText(row.file.size);
            row.modified = ModifiedText(AsFileTime(row.file.lastWrite));
            node.results.push_back(std::move(row));
        });
    }
}

bool Search::Collect(std::vector<FoundRow>& out, std::size_t most) {
    lastCollect_ = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
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
    if (!room && !cursor_.empty()) return false;  // more to hand out at once
    // Stopped: the folders not read by now never will be.
    return cursor_.empty() || (stop_ && reading_ == 0);
}

}  // namespace sweep
