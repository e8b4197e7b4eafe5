// What the benchmarks measure with: seconds from the performance counter,
// and the bytes the process's heaps hold.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>

inline double Now() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Live bytes in every heap of the process, block overhead included.
inline std::uint64_t HeapBytes() {
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
