// Temporary folders for the tests that make real files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace test {

// Waits, handling no message, until the condition holds (what another
// thread or process does to a file, say) or the time runs out; returns the
// condition's last value. Timed by the system's clock.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }  // ends without a backslash
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
    // Makes a file of the given size (and any missing folders on the way).
    void MakeFile(const std::string& relative, std::uint64_t size = 0) const;
    void MakeDir(const std::string& relative) const;
    bool Exists(const std::string& relative) const;

private:
    std::string path_;
};

void RemoveTree(const std::string& path);
void RemoveTree(const std::wstring& path);
// A path (UTF-8) as the ...W file functions take it: with the "\\?\" prefix
// when it is too long for them otherwise.
std::wstring FilePath(const std::string& path);

}  // namespace test
