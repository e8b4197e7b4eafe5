// Stand-ins for system functions the program calls, for tests that must see
// what the program asks of the system (the interval of a timer) or must hold
// the system's clock still, so that a rule about time is checked by counts
// and order and never by how fast the machine happens to be.
//
// The program's code and the tests are one executable that calls the system
// through its import table; a stand-in replaces one entry of that table for
// as long as it lives. Calls made inside the system's own libraries do not
// go through it and are not seen.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

namespace test {

// Replaces the executable's imported function `function` of `dll` with
// `standIn` for the life of the object.
class ImportedFunction {
public:
    ImportedFunction(const char* dll, const char* function, void* standIn);
    ~ImportedFunction();
    ImportedFunction(const ImportedFunction&) = delete;
    ImportedFunction& operator=(const ImportedFunction&) = delete;

    // The system's own function, for the stand-in to call on.
    void* Original() const { return original_; }
    // Whether the executable imports the function at all.
    bool Replaced() const { return !slots_.empty(); }

private:
    std::vector<void**> slots_;
    void* original_ = nullptr;
};

// Records every timer the program starts (SetTimer) while it lives; the
// timers start as usual. One at a time.
class TimerRequests {
public:
    struct Request {
        HWND wnd;
        UINT_PTR id;
        UINT interval;
    };
    TimerRequests();
    ~TimerRequests();
    TimerRequests(const TimerRequests&) = delete;
    TimerRequests& operator=(const TimerRequests&) = delete;

    bool Active() const { return hook_->Replaced(); }
    const std::vector<Request>& Requests() const { return requests_; }
    void Clear() { requests_.clear(); }

private:
    static UINT_PTR WINAPI Record(HWND wnd, UINT_PTR id, UINT interval, TIMERPROC proc);
    static TimerRequests* current_;
    std::vector<Request> requests_;
    std::unique_ptr<ImportedFunction> hook_;
};

// GetTickCount as the program sees it, set by the test, while it lives. The
// tests' own waits keep the system's time.
class HeldClock {
public:
    explicit HeldClock(DWORD now);
    ~HeldClock();
    HeldClock(const HeldClock&) = delete;
    HeldClock& operator=(const HeldClock&) = delete;

    bool Active() const { return hook_->Replaced(); }
    DWORD Now() const { return now_; }
    void Advance(DWORD ms) { now_ += ms; }

private:
    static DWORD WINAPI Read();
    static HeldClock* current_;
    DWORD now_;
    std::unique_ptr<ImportedFunction> hook_;
};

}  // namespace test
