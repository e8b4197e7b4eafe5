#include "support/DupTree.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

#include "base/Unicode.h"
#include "engine/FolderListing.h"

namespace test {

namespace {

// A small deterministic generator: the same seed gives the same tree on
// every machine.
struct Random {
    std::uint64_t state;
    std::uint64_t Next() {
        state += 0x9E3779B97F4A7C15ull;  // splitmix64
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    double Normal() {  // Box-Muller
        const double u = 1.0 - Unit(), v = Unit();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }
};

struct PlannedFile {
    std::wstring path;
    std::int64_t size;
    std::uint64_t content;  // the seed of its bytes
    std::int64_t flipped;   // the byte that differs from its content's, or -1
    std::uint64_t lastWrite;
    int linkOf = -1;        // a hard link to this planned file
};

// The bytes of a content: its first 8 name it, so that no two contents of
// 8 bytes or more are alike; the rest is random.
void Fill(char* into, std::int64_t offset, std::size_t n, std::uint64_t content) {
    for (std::size_t i = 0; i < n;) {
        const std::int64_t at = offset + static_cast<std::int64_t>(i);
        const std::uint64_t word = static_cast<std::uint64_t>(at / 8);
        std::uint64_t value = word == 0 ? content : content * 0x9E3779B97F4A7C15ull + word * 0xC2B2AE3D27D4EB4Full;
        if (word) value ^= value >> 29, value *= 0xBF58476D1CE4E5B9ull, value ^= value >> 32;
        for (int b = static_cast<int>(at % 8); b < 8 && i < n; ++b, ++i) into[i] = static_cast<char>(value >> (8 * b));
    }
}

bool Write(const std::wstring& path, const PlannedFile& f) {
    HANDLE h = ::CreateFileW(sweep::ExactPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    constexpr std::size_t kChunk = 1 << 20;
    static std::unique_ptr<char[]> chunk(new char[kChunk]);
    bool ok = true;
    for (std::int64_t at = 0; ok && at < f.size; at += kChunk) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(kChunk, f.size - at));
        Fill(chunk.get(), at, n, f.content);
        if (f.flipped >= at && f.flipped < at + static_cast<std::int64_t>(n)) chunk[static_cast<std::size_t>(f.flipped - at)] ^= 0x5A;
        DWORD written = 0;
        ok = ::WriteFile(h, chunk.get(), static_cast<DWORD>(n), &written, nullptr) && written == n;
    }
    const FILETIME t{static_cast<DWORD>(f.lastWrite), static_cast<DWORD>(f.lastWrite >> 32)};
    ok = ok && ::SetFileTime(h, nullptr, nullptr, &t);
    ::CloseHandle(h);
    return ok;
}

std::wstring Signature(const DupTreeShape& s) {
    wchar_t text[256];
    ::swprintf(text, 256, L"dups 1 %d %.0f %.3f %lld %.3f %d %d %d %d %d %u", s.files, s.medianBytes, s.spread,
               static_cast<long long>(s.largest), s.inGroups, s.folders, s.nearPairs, s.linksToUnique,
               s.linksToCopies, s.emptyFiles, s.seed);
    return text;
}

}  // namespace

DupTree MakeDupTree(const std::wstring& folder, const DupTreeShape& shape) {
    Random rng{shape.seed};
    DupTree tree;
    // Folders hung at random under folders less than four deep.
    std::vector<std::wstring> folders{L""};
    std::vector<int> depth{0};
    for (int i = 1; i < shape.folders; ++i) {
        int parent;
        do parent = rng.Below(i);
        while (depth[static_cast<std::size_t>(parent)] >= 4);
        wchar_t name[32];
        ::swprintf(name, 32, L"carpeta %03d\\", i);
        folders.push_back(folders[static_cast<std::size_t>(parent)] + name);
        depth.push_back(depth[static_cast<std::size_t>(parent)] + 1);
    }
    auto sizeOfAFile = [&] {
        for (;;) {
            const double s = std::exp(std::log(shape.medianBytes) + shape.spread * rng.Normal());
            if (s >= 8 && s <= static_cast<double>(shape.largest)) return static_cast<std::int64_t>(s);
        }
    };
    const wchar_t* const extensions[] = {L".dat", L".jpg", L".doc", L".txt", L".bin"};
    int named = 0;
    auto nameIn = [&](std::size_t f) {
        wchar_t name[40];
        ::swprintf(name, 40, L"fichero %06d%ls", ++named, extensions[rng.Below(5)]);
        return folders[f] + name;
    };
    const std::uint64_t kYear2020 = 132223104000000000ull;
    auto someTime = [&] { return kYear2020 + static_cast<std::uint64_t>(rng.Below(40)) * 36000000000ull; };
    std::uint64_t contents = 0;
    std::vector<PlannedFile> planned;
    std::vector<std::size_t> unique, copies;

    // Groups of 2 to 5 copies, each copy in a folder of its own.
    const int grouped = static_cast<int>(shape.files * shape.inGroups);
    for (int made = 0; made + 2 <= grouped;) {
        const int n = std::min(2 + rng.Below(4), grouped - made);
        if (n < 2) break;
        const std::int64_t size = sizeOfAFile();
        const std::uint64_t content = ++contents;
        std::set<std::size_t> used;
        std::vector<std::vector<std::wstring>> group;
        for (int k = 0; k < n; ++k) {
            std::size_t f;
            do f = static_cast<std::size_t>(rng.Below(shape.folders));
            while (used.count(f) && used.size() < folders.size());
            used.insert(f);
            copies.push_back(planned.size());
            planned.push_back(PlannedFile{nameIn(f), size, content, -1, someTime()});
            group.push_back({planned.back().path});
        }
        tree.groups.push_back(std::move(group));
        tree.bytes += size * n;
        tree.copyBytes += size * (n - 1);
        made += n;
    }
    // Pairs of one size alike but for one byte: the first, one in the
    // middle, the last. Large enough that the middle is read only at the end.
    for (int p = 0; p < shape.nearPairs; ++p) {
        const std::int64_t size = std::min<std::int64_t>(shape.largest, 64 * 1024 + 1 + rng.Below(200000));
        const std::int64_t flipped = p % 3 == 0 ? 0 : p % 3 == 1 ? size / 2 : size - 1;
        const std::uint64_t content = ++contents;
        for (int k = 0; k < 2; ++k) {
            unique.push_back(planned.size());
            planned.push_back(
                PlannedFile{nameIn(static_cast<std::size_t>(rng.Below(shape.folders))), size, content, k ? flipped : -1, someTime()});
            tree.bytes += size;
        }
    }
    // Unique files.
    const int uniques = shape.files - static_cast<int>(planned.size());
    for (int i = 0; i < uniques; ++i) {
        unique.push_back(planned.size());
        planned.push_back(PlannedFile{nameIn(static_cast<std::size_t>(rng.Below(shape.folders))), sizeOfAFile(),
                                      ++contents, -1, someTime()});
        tree.bytes += planned.back().size;
    }
    // Second names: hard links to unique files and to copies.
    auto link = [&](const std::vector<std::size_t>& among, int count) {
        for (int i = 0; i < count && !among.empty(); ++i) {
            const std::size_t target = among[static_cast<std::size_t>(rng.Below(static_cast<int>(among.size())))];
            PlannedFile l = planned[target];
            l.path = nameIn(static_cast<std::size_t>(rng.Below(shape.folders)));
            l.linkOf = static_cast<int>(target);
            planned.push_back(l);
        }
    };
    link(unique, shape.linksToUnique);
    link(copies, shape.linksToCopies);
    for (std::size_t i = 0; i < planned.size(); ++i)
        if (planned[i].linkOf >= 0)
            for (auto& group : tree.groups)
                for (auto& names : group)
                    if (names.front() == planned[static_cast<std::size_t>(planned[i].linkOf)].path)
                        names.push_back(planned[i].path);
    for (int i = 0; i < shape.emptyFiles; ++i)
        planned.push_back(PlannedFile{nameIn(static_cast<std::size_t>(rng.Below(shape.folders))), 0, 0, -1, someTime()});
    tree.names = planned.size();

    // Made once: a marker beside the folder names the shape it holds.
    std::wstring base = folder;
    while (!base.empty() && base.back() == L'\\') base.pop_back();
    const std::wstring marker = base + L".complete";
    const std::string signature = base::Utf8(Signature(shape));
    {
        std::string there(signature.size() + 1, '\0');
        HANDLE h = ::CreateFileW(sweep::ExactPath(marker).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        if (h != INVALID_HANDLE_VALUE) {
            ::ReadFile(h, &there[0], static_cast<DWORD>(there.size()), &got, nullptr);
            ::CloseHandle(h);
        }
        if (shape.reuse && there.substr(0, got) == signature) return tree;
    }
    ::CreateDirectoryW(sweep::ExactPath(base).c_str(), nullptr);
    for (std::size_t f = 1; f < folders.size(); ++f) ::CreateDirectoryW(sweep::ExactPath(base + L"\\" + folders[f]).c_str(), nullptr);
    for (const PlannedFile& f : planned) {
        const std::wstring path = base + L"\\" + f.path;
        if (f.linkOf >= 0)
            ::CreateHardLinkW(sweep::ExactPath(path).c_str(),
                              sweep::ExactPath(base + L"\\" + planned[static_cast<std::size_t>(f.linkOf)].path).c_str(),
                              nullptr);
        else
            Write(path, f);
    }
    if (!shape.reuse) return tree;
    HANDLE h = ::CreateFileW(sweep::ExactPath(marker).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(h, signature.data(), static_cast<DWORD>(signature.size()), &written, nullptr);
        ::CloseHandle(h);
    }
    return tree;
}

std::string DifferencesFromTruth(const DupTree& tree, const std::wstring& root,
                                 const std::vector<std::vector<std::wstring>>& found) {
    std::wstring prefix = root;
    if (!prefix.empty() && prefix.back() != L'\\') prefix += L'\\';
    // Each name of a file in a true group: its group and file.
    std::map<std::wstring, std::pair<std::size_t, std::size_t>> where;
    for (std::size_t g = 0; g < tree.groups.size(); ++g)
        for (std::size_t f = 0; f < tree.groups[g].size(); ++f)
            for (const std::wstring& name : tree.groups[g][f]) where[name] = {g, f};
    std::string differences;
    int told = 0;
    auto tell = [&](const std::string& what) {
        if (++told <= 5) differences += what + "\n";
    };
    std::vector<int> seen(tree.groups.size(), 0);
    for (const std::vector<std::wstring>& group : found) {
        std::set<std::size_t> files;
        std::set<std::size_t> groups;
        for (const std::wstring& path : group) {
            const std::wstring relative = path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
            const auto it = where.find(relative);
            if (it == where.end()) {
                tell("not a copy of anything: " + base::Utf8(relative));
                continue;
            }
            groups.insert(it->second.first);
            if (!files.insert(it->second.second).second) tell("one file twice: " + base::Utf8(relative));
        }
        if (groups.size() > 1) tell("two groups in one: " + base::Utf8(group.front()));
        if (groups.size() != 1) continue;
        const std::size_t g = *groups.begin();
        ++seen[g];
        if (files.size() != tree.groups[g].size())
            tell("a group of " + std::to_string(tree.groups[g].size()) + " found with " + std::to_string(files.size()) +
                 ": " + base::Utf8(tree.groups[g].front().front()));
    }
    for (std::size_t g = 0; g < seen.size(); ++g)
        if (seen[g] != 1)
            tell("a group found " + std::to_string(seen[g]) + " times: " + base::Utf8(tree.groups[g].front().front()));
    if (told > 5) differences += "... " + std::to_string(told - 5) + " more\n";
    return differences;
}

}  // namespace test
