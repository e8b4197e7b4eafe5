#include "support/OwnProcess.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "base/Unicode.h"

namespace test {

namespace {
const wchar_t kVariable[] = L"SF_TEST_OWN_PROCESS";
}

bool InItsOwnProcess() { return ::GetEnvironmentVariableW(kVariable, nullptr, 0) != 0; }

void RunInItsOwnProcess() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::wstring filter = base::Wide(std::string(info->test_suite_name()) + "." + info->name());
    wchar_t self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self, n) + L"\" --gtest_filter=" + filter;
    ::SetEnvironmentVariableW(kVariable, L"1");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started =
        ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(kVariable, nullptr);
    ASSERT_TRUE(started);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u) << "the case failed in its own program (its output is above)";
}

}  // namespace test
