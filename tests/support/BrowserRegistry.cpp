#include "support/BrowserRegistry.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Module.h"

namespace test {

struct SavedClassesKeys::Snapshot {
    bool exists = false;
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<Value> values;
    std::vector<std::pair<std::wstring, Snapshot>> subkeys;
};

namespace {

using Snapshot = SavedClassesKeys::Snapshot;

Snapshot Take(HKEY root, const std::wstring& path) {
    Snapshot snap;
    HKEY key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return snap;
    snap.exists = true;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384, type = 0, size = 0;
        if (::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(size);
        nameLength = 16384;
        ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data.data(), &size);
        snap.values.push_back({std::wstring(name, nameLength), type, data});
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        snap.subkeys.emplace_back(name, Take(key, name));
    }
    ::RegCloseKey(key);
    return snap;
}

void DeleteTree(HKEY root, const std::wstring& path) {
    HKEY key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
    for (;;) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumKeyExW(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteTree(key, name);
    }
    ::RegCloseKey(key);
    ::RegDeleteKeyW(root, path.c_str());
}

void Restore(HKEY root, const std::wstring& path, const Snapshot& snap) {
    if (!snap.exists) return;
    HKEY key;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const Snapshot::Value& v : snap.values)
        ::RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type, v.data.data(),
                         static_cast<DWORD>(v.data.size()));
    for (const auto& sub : snap.subkeys) Restore(key, sub.first, sub.second);
    ::RegCloseKey(key);
}

}  // namespace

bool SetClassesDefault(const std::string& path, const std::string& value, DWORD type) {
    HKEY key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, base::Wide(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring wide = base::Wide(value);
    const LONG set = ::RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(wide.c_str()),
                                      static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

bool MakeClassesKey(const std::string& path) {
    HKEY key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, base::Wide(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

SavedClassesKeys::SavedClassesKeys(std::vector<std::string> keys) : keys_(std::move(keys)) {
    for (const std::string& k : keys_) {
        saved_.push_back(std::make_unique<Snapshot>(Take(HKEY_CLASSES_ROOT, base::Wide(k))));
        DeleteTree(HKEY_CLASSES_ROOT, base::Wide(k));
    }
}

SavedClassesKeys::~SavedClassesKeys() {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        DeleteTree(HKEY_CLASSES_ROOT, base::Wide(keys_[i]));
        Restore(HKEY_CLASSES_ROOT, base::Wide(keys_[i]), *saved_[i]);
    }
}

std::string FakeBrowserPath() { return base::ExeFolder() + "\\FakeBrowser.exe"; }

FakeBrowserLog::FakeBrowserLog() : path_(dir_ / "browser.log") {
    ::SetEnvironmentVariableW(L"SF_FAKE_BROWSER_LOG", base::Wide(path_).c_str());
}

FakeBrowserLog::~FakeBrowserLog() { ::SetEnvironmentVariableW(L"SF_FAKE_BROWSER_LOG", nullptr); }

std::string FakeBrowserLog::NextCommandLine(int timeoutMs) {
    // The browser writes its log under another name and renames it, so a
    // log that is there is whole.
    std::string line;
    PumpUntil(
        [&] {
            std::ifstream in(path_, std::ios::binary);
            if (!in) return false;
            std::stringstream all;
            all << in.rdbuf();
            line = all.str();
            return true;
        },
        timeoutMs);
    ::DeleteFileW(base::Wide(path_).c_str());
    return line;
}

}  // namespace test
