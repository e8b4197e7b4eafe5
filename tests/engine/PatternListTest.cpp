// The pattern list's modes and the file it is kept in: saved whole or not at
// all, read back as it was, and kept in the user's own folder where the
// executable's cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/FolderListing.h"
#include "engine/PatternList.h"
#include "support/FileTrees.h"
#include "support/PatternRows.h"
#include "support/TempDir.h"
#include "base/Unicode.h"

using namespace sweep;

namespace {

TEST(PatternModes, OnlyTheExactTextsActAndExcludedRowsAreNoPatterns) {
    const std::vector<PatternRow> rows{{"*.tmp", "No"},        {"*.bak", "Papelera"}, {"*.old", "Eliminar"},
                                       {"node_modules", "Excluir"}, {"*.log", "eliminar"}, {"", "Excluir"},
                                       {"", ""}};
    const ListedPatterns listed = PatternsToSearch(rows);
    EXPECT_EQ(listed.patterns, (std::vector<std::wstring>{L"*.tmp", L"*.bak", L"*.old", L"*.log", L""}));
    EXPECT_EQ(listed.modes, (std::vector<PatternMode>{PatternMode::None, PatternMode::Recycle, PatternMode::Delete,
                                                       PatternMode::None, PatternMode::None}));
    EXPECT_EQ(listed.exclusions, std::vector<std::wstring>{L"node_modules"});
}

class SavedPatterns : public ::testing::Test {
protected:
    std::wstring Path(const std::string& name) const { return base::Wide(dir / name); }
    std::string Contents(const std::string& name) const { return test::ExactContents(Path(name)); }
    bool Exists(const std::string& name) const { return test::ExactExists(Path(name)); }

    test::TempDir dir;
    const std::string old = "; mine\r\n[FindFiles]\r\nFile1=*.old\r\nAutodel1=No\r\n";
    const std::vector<PatternRow> rows{{"*.tmp", "Papelera"}, {"Thumbs.db", "Excluir"}};
};

TEST_F(SavedPatterns, ASaveReplacesTheFileWholeOrLeavesItAsItWas) {
    ASSERT_TRUE(test::WriteExactFile(Path("Sweepfield.Ini"), old));
    // A folder that takes files: the list never goes to the other file.
    PatternFile file(dir / "Sweepfield.Ini", dir / "roaming.ini");
    ASSERT_EQ(file.Load(), (std::vector<PatternRow>{{"*.old", "No"}}));

    // A save cut short before the new file took the old one's place: the
    // old file is read as it was, and the next save goes through.
    ASSERT_TRUE(test::WriteExactFile(Path("Sweepfield.Ini.new"), "; mine\r\n[FindFiles]\r\nFile1=*.t"));
    EXPECT_EQ(PatternFile(dir / "Sweepfield.Ini", "").Load(), (std::vector<PatternRow>{{"*.old", "No"}}));
    EXPECT_EQ(file.Save(rows), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Contents("Sweepfield.Ini"),
              "; mine\r\n[FindFiles]\r\nFile1=*.tmp\r\nAutodel1=Papelera\r\nFile2=Thumbs.db\r\nAutodel2=Excluir\r\n");
    EXPECT_FALSE(Exists("Sweepfield.Ini.new"));
    EXPECT_EQ(PatternFile(dir / "Sweepfield.Ini", "").Load(), rows);

    // The last step refused (Wine puts no file in the place of an open one):
    // the old file stays whole, and no new one is left beside it. So with a
    // file that cannot be read (not written over with the list alone) and
    // a read-only one.
    const std::string saved = Contents("Sweepfield.Ini");
    for (DWORD sharing : {DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}, DWORD{0}}) {
        HANDLE held = ::CreateFileW(Path("Sweepfield.Ini").c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_EQ(file.Save({{"*.x", "No"}}),
                  static_cast<DWORD>(sharing ? ERROR_ACCESS_DENIED : ERROR_SHARING_VIOLATION));
        ::CloseHandle(held);
    }
    ASSERT_TRUE(::SetFileAttributesW(Path("Sweepfield.Ini").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(file.Save({{"*.x", "No"}}), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ::SetFileAttributesW(Path("Sweepfield.Ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Contents("Sweepfield.Ini"), saved);
    EXPECT_FALSE(Exists("Sweepfield.Ini.new"));
    EXPECT_FALSE(Exists("roaming.ini"));
}

// Points the user's roaming application data at a folder while it lives, as
// the system's known folders find it.
class RoamingFolderAt {
public:
    explicit RoamingFolderAt(const std::wstring& folder) {
        ::RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
        DWORD size = sizeof old_;
        had_ = ::RegQueryValueExW(key_, L"AppData", nullptr, &type_, reinterpret_cast<BYTE*>(old_), &size) == 0;
        Set(folder.c_str(), REG_EXPAND_SZ);
    }
    ~RoamingFolderAt() {
        if (had_) Set(old_, type_);
        else ::RegDeleteValueW(key_, L"AppData");
        ::RegCloseKey(key_);
    }

private:
    void Set(const wchar_t* value, DWORD type) {
        ::RegSetValueExW(key_, L"AppData", 0, type, reinterpret_cast<const BYTE*>(value),
                         static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    DWORD type_ = REG_EXPAND_SZ;
    wchar_t old_[MAX_PATH] = L"";
    bool had_ = false;
};

TEST_F(SavedPatterns, WhereTheExecutablesFolderIsClosedTheListGoesToTheUsersOwnAndIsReadFromThere) {
    dir.MakeDir("exe");
    dir.MakeDir("roaming");
    ASSERT_TRUE(test::WriteExactFile(Path("exe\\Sweepfield.Ini"), old));
    test::ClosedFolder closed(Path("exe"));
    if (!closed.Closed()) GTEST_SKIP() << "no folder can be closed to changes here";
    RoamingFolderAt roaming(Path("roaming"));
    const std::string roamingFile = RoamingPatternFile();
    ASSERT_EQ(roamingFile, dir / "roaming\\Sweepfield\\Sweepfield.Ini");

    PatternFile file(dir / "exe\\Sweepfield.Ini", roamingFile);
    file.Load();
    EXPECT_EQ(file.Save(rows), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(file.Path(), roamingFile);
    EXPECT_EQ(Contents("exe\\Sweepfield.Ini"), old);
    EXPECT_EQ(Contents("roaming\\Sweepfield\\Sweepfield.Ini"),
              "; mine\r\n[FindFiles]\r\nFile1=*.tmp\r\nAutodel1=Papelera\r\nFile2=Thumbs.db\r\nAutodel2=Excluir\r\n");
    // The next start reads it first.
    PatternFile next(dir / "exe\\Sweepfield.Ini", roamingFile);
    EXPECT_EQ(next.Load(), rows);
    EXPECT_EQ(next.Path(), roamingFile);
}

}  // namespace
