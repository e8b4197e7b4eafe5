#include "support/SystemCalls.h"

#include <cstring>

namespace test {

namespace {

template <class T>
T* At(BYTE* base, DWORD offset) {
    return reinterpret_cast<T*>(base + offset);
}

// The executable's import-table entries that hold the function, found by the
// names the table lists (the names stay when the loader fills in addresses).
std::vector<void**> ImportSlots(const char* dll, const char* function) {
    std::vector<void**> slots;
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = At<IMAGE_DOS_HEADER>(base, 0);
    const auto* nt = At<IMAGE_NT_HEADERS>(base, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress) return slots;
    for (auto* d = At<IMAGE_IMPORT_DESCRIPTOR>(base, imports.VirtualAddress); d->Name; ++d) {
        if (::lstrcmpiA(At<char>(base, d->Name), dll) != 0 || !d->OriginalFirstThunk) continue;
        auto* name = At<IMAGE_THUNK_DATA>(base, d->OriginalFirstThunk);
        auto* slot = At<IMAGE_THUNK_DATA>(base, d->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = At<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(name->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                slots.push_back(reinterpret_cast<void**>(&slot->u1.Function));
        }
    }
    return slots;
}

void Write(void** slot, void* value) {
    DWORD old = 0;
    ::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    ::VirtualProtect(slot, sizeof *slot, old, &old);
    ::FlushInstructionCache(::GetCurrentProcess(), slot, sizeof *slot);
}

}  // namespace

ImportedFunction::ImportedFunction(const char* dll, const char* function, void* standIn)
    : slots_(ImportSlots(dll, function)) {
    if (slots_.empty()) return;
    original_ = *slots_.front();
    for (void** slot : slots_) Write(slot, standIn);
}

ImportedFunction::~ImportedFunction() {
    for (void** slot : slots_) Write(slot, original_);
}

// ---------------------------------------------------------------- timers

TimerRequests* TimerRequests::current_ = nullptr;

// The stand-in knows where to record before it is in place, and is out of
// place before the record goes.
TimerRequests::TimerRequests() {
    current_ = this;
    hook_ = std::make_unique<ImportedFunction>("user32.dll", "SetTimer", reinterpret_cast<void*>(&Record));
}

TimerRequests::~TimerRequests() {
    hook_.reset();
    current_ = nullptr;
}

UINT_PTR WINAPI TimerRequests::Record(HWND wnd, UINT_PTR id, UINT interval, TIMERPROC proc) {
    current_->requests_.push_back({wnd, id, interval});
    return reinterpret_cast<decltype(&::SetTimer)>(current_->hook_->Original())(wnd, id, interval, proc);
}

// ---------------------------------------------------------------- clock

HeldClock* HeldClock::current_ = nullptr;

HeldClock::HeldClock(DWORD now) : now_(now) {
    current_ = this;
    hook_ = std::make_unique<ImportedFunction>("kernel32.dll", "GetTickCount", reinterpret_cast<void*>(&Read));
}

HeldClock::~HeldClock() {
    hook_.reset();
    current_ = nullptr;
}

DWORD WINAPI HeldClock::Read() { return current_->now_; }

}  // namespace test
