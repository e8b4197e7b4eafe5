// The benchmarks' generated trees: the same every run, made once under the
// Wine prefix's temporary folder and reused by later runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A small deterministic generator, so every run builds the same trees.
struct Lcg {
    std::uint32_t state;
    std::uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

inline void MakeSizedFile(const std::wstring& path, std::uint32_t size) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    if (size) {
        ::SetFilePointer(h, static_cast<LONG>(size), nullptr, FILE_BEGIN);
        ::SetEndOfFile(h);
    }
    ::CloseHandle(h);
}

inline std::wstring BenchFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring base = std::wstring(temp) + L"sweepfield_bench";
    ::CreateDirectoryW(base.c_str(), nullptr);
    return base;
}

// A tree of `folders` folders and 19 entries per folder: folders hung at
// random under folders not yet six deep, files spread at random. A marker
// file beside it says it is complete.
inline std::wstring SearchTree(const std::wstring& base, int folders) {
    const int files = folders * 19;
    const std::wstring root = base + L"\\tree" + std::to_wstring(folders);
    const std::wstring marker = root + L".complete";
    if (::GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return root;
    std::printf("generating %d folders and %d files ...\n", folders, files);
    std::fflush(stdout);
    ::CreateDirectoryW(root.c_str(), nullptr);
    struct Folder {
        std::wstring path;
        int depth;
    };
    std::vector<Folder> all{{root, 0}};
    std::vector<int> open{0};
    Lcg rng{12345};
    wchar_t name[64];
    for (int i = 1; i < folders; ++i) {
        const int parentIndex = open[static_cast<std::size_t>(rng.Below(static_cast<int>(open.size())))];
        const Folder& parent = all[static_cast<std::size_t>(parentIndex)];
        ::swprintf(name, 64, L"\\carpeta %05d", i);
        Folder f{parent.path + name, parent.depth + 1};
        ::CreateDirectoryW(f.path.c_str(), nullptr);
        if (f.depth < 6) open.push_back(i);
        all.push_back(f);
    }
    const wchar_t* const extensions[] = {L".tmp", L".bak", L".log", L".old", L".txt",
                                         L".dat", L".doc", L".exe", L".dll", L".ini"};
    for (int i = 0; i < files; ++i) {
        const Folder& f = all[static_cast<std::size_t>(rng.Below(folders))];
        ::swprintf(name, 64, L"\\%lsfichero%06d%ls", i % 13 == 0 ? L"~" : L"", i, extensions[rng.Below(10)]);
        MakeSizedFile(f.path + name, rng.Next() % 300000);
    }
    MakeSizedFile(marker, 0);
    return root;
}
