// Owned kernel handles, and the live count of every handle the program's
// owning wrappers hold.
//
// Every handle the program creates has exactly one owner that releases it.
// Wine's GetGuiResources always answers 0, so the wrappers keep a live count
// of the handles they hold; tests read it before and after to catch leaks.
// The window layers add their GDI and USER owners on the same template.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace base {

// Number of handles currently held by all owning wrappers.
long LiveHandleCount();

namespace detail {
void CountHandle(int delta);
}

// A move-only owner of one handle. Traits supply Release(h).
template <class H, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) { if (h_) detail::CountHandle(+1); }
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, H())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, H()); }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != H(); }
    void reset(H h = H()) {
        if (h_) { Traits::Release(h_); detail::CountHandle(-1); }
        h_ = h;
        if (h_) detail::CountHandle(+1);
    }
    // Gives up ownership without releasing (the handle now belongs to the caller).
    H release() {
        if (h_) detail::CountHandle(-1);
        return std::exchange(h_, H());
    }

private:
    H h_ = H();
};

struct KernelHandleTraits { static void Release(HANDLE h) { ::CloseHandle(h); } };

// Files, folders and processes. CreateFileW gives INVALID_HANDLE_VALUE for
// "none", which ValidOrNull turns into the owner's none.
using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
inline HANDLE ValidOrNull(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }

// A directory listing (FindFirstFileW), closed on every way out.
class FindHandle {
public:
    FindHandle(const std::wstring& wildcard, WIN32_FIND_DATAW& data)
        : h_(::FindFirstFileW(wildcard.c_str(), &data)) { if (Found()) detail::CountHandle(+1); }
    ~FindHandle() { if (Found()) { ::FindClose(h_); detail::CountHandle(-1); } }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Found() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& data) { return Found() && ::FindNextFileW(h_, &data) != FALSE; }

private:
    HANDLE h_;
};

}  // namespace base
