// The duplicate search's pure rules: the order of groups and of the files in
// a group, which copy is kept, and which folders are protected.
#include <windows.h>

#include <algorithm>

#include "engine/Duplicates.h"
#include "engine/FolderListing.h"

namespace sweep {

namespace {

std::uint32_t FirstRow(const DuplicateGroup& group) {
    std::uint32_t first = UINT32_MAX;
    for (const DuplicateFile& f : group.files) first = std::min(first, f.row);
    return first;
}

bool OlderFirst(const DuplicateFile& a, const DuplicateFile& b) {
    return a.file.lastWrite != b.file.lastWrite ? a.file.lastWrite < b.file.lastWrite : a.row < b.row;
}

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           (a.empty() || ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL);
}

// A protected folder's path as it is compared: plain, no backslash at its end.
std::wstring Trimmed(std::wstring_view folder) {
    std::wstring plain = PlainPath(folder);
    while (!plain.empty() && plain.back() == L'\\') plain.pop_back();
    return plain;
}

}  // namespace

bool ComesBefore(const DuplicateGroup& a, const DuplicateGroup& b) {
    if (a.Recoverable() != b.Recoverable()) return a.Recoverable() > b.Recoverable();
    if (a.Size() != b.Size()) return a.Size() > b.Size();
    return FirstRow(a) < FirstRow(b);
}

std::size_t PlaceOf(const std::vector<DuplicateGroup>& ordered, const DuplicateGroup& group) {
    return static_cast<std::size_t>(std::upper_bound(ordered.begin(), ordered.end(), group, ComesBefore) -
                                    ordered.begin());
}

void SortGroups(std::vector<DuplicateGroup>& groups) { std::stable_sort(groups.begin(), groups.end(), ComesBefore); }

void SortCopies(DuplicateGroup& group) { std::sort(group.files.begin(), group.files.end(), OlderFirst); }

std::optional<KeepRule> KeepRuleNamed(std::string_view name) {
    if (name == "oldest") return KeepRule::Oldest;
    if (name == "newest") return KeepRule::Newest;
    if (name == "shortest") return KeepRule::Shortest;
    if (name == "first") return KeepRule::First;
    return std::nullopt;
}

std::wstring ProtectedFolder(std::wstring_view typed) {
    const std::wstring asTyped(typed);
    std::wstring full(32768, L'\0');
    const DWORD n = ::GetFullPathNameW(asTyped.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    full.resize(n && n < full.size() ? n : 0);
    if (full.empty()) full = asTyped;
    // The folder as the system resolves it, where it exists: the search
    // records every path from its start folder resolved the same way.
    std::wstring resolved = FolderReader(PlainPath(full)).FinalPath();
    return Trimmed(resolved.empty() ? full : resolved);
}

bool IsProtected(const FoundFile& file, const std::vector<std::wstring>& protectedFolders) {
    const std::wstring_view folder = *file.folder;  // ends with a backslash
    for (const std::wstring& p : protectedFolders) {
        const std::wstring f = Trimmed(p);
        if (f.empty() || folder.size() <= f.size() || folder[f.size()] != L'\\') continue;
        if (EqualIgnoringCase(folder.substr(0, f.size()), f)) return true;
    }
    return false;
}

std::size_t KeptCopy(const DuplicateGroup& group, KeepRule rule, const std::vector<std::wstring>& protectedFolders) {
    std::vector<std::size_t> choices;
    for (std::size_t i = 0; i < group.files.size(); ++i)
        if (IsProtected(group.files[i].file, protectedFolders)) choices.push_back(i);
    if (choices.empty())
        for (std::size_t i = 0; i < group.files.size(); ++i) choices.push_back(i);
    // Whether file a is a better choice than file b, which comes before it.
    auto better = [&](const DuplicateFile& a, const DuplicateFile& b) {
        switch (rule) {
            case KeepRule::Oldest: return a.file.lastWrite < b.file.lastWrite;
            case KeepRule::Newest: return a.file.lastWrite > b.file.lastWrite;
            case KeepRule::Shortest: return a.file.folder->size() + a.file.name.size() <
                                            b.file.folder->size() + b.file.name.size();
            case KeepRule::First: return a.row < b.row;
        }
        return false;
    };
    std::size_t kept = choices.front();
    for (std::size_t i : choices)
        if (better(group.files[i], group.files[kept])) kept = i;
    return kept;
}

const char* ReasonOf(const UnreadFile& unread) {
    switch (unread.error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return "en uso";
        case ERROR_ACCESS_DENIED: return "sin permiso";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return "ya no existe";
        case ERROR_FILE_INVALID: return "cambió mientras se leía";
        default: return "no se pudo leer";
    }
}

CopiesOf CopiesToRemove(const DuplicateGroup& group, std::size_t kept, const std::vector<std::wstring>& protectedFolders) {
    CopiesOf plan;
    if (kept >= group.files.size()) return plan;  // no kept copy: nothing goes
    plan.kept = group.files[kept].file;
    for (std::size_t i = 0; i < group.files.size(); ++i)
        if (i != kept && !IsProtected(group.files[i].file, protectedFolders))
            plan.copies.push_back(group.files[i].file);
    return plan;
}

}  // namespace sweep
