// The registry's web-page associations, for the tests that start "the web
// browser": keys saved and cleared for a test and put back as they were
// afterwards, and the log of the stand-in browser FakeBrowser.exe (built
// beside the test executables), which writes its command line and ends.
//
// Wine 8 does not merge HKEY_CURRENT_USER\Software\Classes into
// HKEY_CLASSES_ROOT, so the associations are written through
// HKEY_CLASSES_ROOT itself (HKEY_LOCAL_MACHINE\Software\Classes in the test
// prefix).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace test {

// Sets the default value of a key under HKEY_CLASSES_ROOT, making the key
// (and the keys above it) when missing; false when the registry refuses.
bool SetClassesDefault(const std::string& path, const std::string& value, DWORD type = REG_SZ);
// Makes a key under HKEY_CLASSES_ROOT with no value.
bool MakeClassesKey(const std::string& path);

// Saves keys of HKEY_CLASSES_ROOT with everything below them and deletes
// them; puts them back as they were when it goes.
class SavedClassesKeys {
public:
    explicit SavedClassesKeys(std::vector<std::string> keys);
    ~SavedClassesKeys();
    SavedClassesKeys(const SavedClassesKeys&) = delete;
    SavedClassesKeys& operator=(const SavedClassesKeys&) = delete;

    struct Snapshot;

private:
    std::vector<std::string> keys_;
    std::vector<std::unique_ptr<Snapshot>> saved_;
};

// The stand-in browser beside the test executable.
std::string FakeBrowserPath();

// Points FakeBrowser.exe at a log file of a fresh folder while it lives
// (through the environment, which the programs this process starts inherit).
class FakeBrowserLog {
public:
    FakeBrowserLog();
    ~FakeBrowserLog();
    FakeBrowserLog(const FakeBrowserLog&) = delete;
    FakeBrowserLog& operator=(const FakeBrowserLog&) = delete;

    // The command line of the browser's next start: waits for it, reads it
    // and clears the log. Empty when no start came in time.
    std::string NextCommandLine(int timeoutMs = 10000);

private:
    TempDir dir_;
    std::string path_;
};

}  // namespace test
