// The web link launcher: placeholders, the split of a command into program
// and parameters, the registry's web-page associations as the launcher finds
// them, and a real start of a stand-in browser (FakeBrowser.exe).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "controls/GoToWeb.h"
#include "support/BrowserRegistry.h"
#include "support/TestSupport.h"
#include "ui/SysUtils.h"
#include "base/Unicode.h"
#include "base/Handles.h"

namespace {

using namespace gotoweb;

// ---------------------------------------------------------------- placeholders and split

TEST(BrowserCommand, PlaceholdersAreRemovedExceptALoneTrailingPercent) {
    EXPECT_EQ(StripPlaceholders("\"C:\\B\\b.exe\" -h \"%1\""), "\"C:\\B\\b.exe\" -h \"\"");
    EXPECT_EQ(StripPlaceholders("b.exe %1"), "b.exe ");
    EXPECT_EQ(StripPlaceholders("b.exe %1 %L -x"), "b.exe   -x");
    EXPECT_EQ(StripPlaceholders("%1b.exe"), "b.exe");
    EXPECT_EQ(StripPlaceholders("b.exe 100%"), "b.exe 100%");
    EXPECT_EQ(StripPlaceholders("b.exe %%1"), "b.exe 1");
    EXPECT_EQ(StripPlaceholders("%"), "");
    EXPECT_EQ(StripPlaceholders(""), "");
}

TEST(BrowserCommand, TheProgramEndsAtItsExtensionAndTheAddressComesLast) {
    const std::string url = "http://www.tallowmere.example/Sweepfield";
    // Quoted path: the space after the closing quote stays.
    TBrowserStart s = SplitBrowserCommand("\"C:\\Program Files\\Web\\browser.exe\" -nohome ", url);
    EXPECT_EQ(s.program, "C:\\PROGRAM FILES\\WEB\\BROWSER.EXE");
    EXPECT_EQ(s.parameters, " -NOHOME " + url);
    // Unquoted path: nothing stripped at the front.
    s = SplitBrowserCommand("C:\\Web\\browser.exe -new", url);
    EXPECT_EQ(s.program, "C:\\WEB\\BROWSER.EXE");
    EXPECT_EQ(s.parameters, "-NEW " + url);
    // No parameters.
    s = SplitBrowserCommand("C:\\Web\\browser.exe", url);
    EXPECT_EQ(s.program, "C:\\WEB\\BROWSER.EXE");
    EXPECT_EQ(s.parameters, " " + url);
    s = SplitBrowserCommand("c:\\web\\start.bat  /max ", url);
    EXPECT_EQ(s.program, "C:\\WEB\\START.BAT");
    EXPECT_EQ(s.parameters, "/MAX " + url);
    s = SplitBrowserCommand("C:\\WEB\\MOSAIC.COM", "mailto:autor@tallowmere.example?subject=Hola%20Mundo");
    EXPECT_EQ(s.parameters, " mailto:autor@tallowmere.example?subject=Hola%20Mundo");
}

TEST(BrowserCommand, CommandsWithoutAProgramEndingStillEndWithTheAddress) {
    const std::string url = "http://x.example/";
    TBrowserStart s = SplitBrowserCommand("\"C:\\Apps\\Web Browser\\browser\" -new \"\"", url);
    EXPECT_EQ(s.program, "C:\\APPS\\WEB BROWSER\\BROWSER");
    EXPECT_EQ(s.parameters, " -NEW \"\" " + url);
    s = SplitBrowserCommand("browser -new", url);
    EXPECT_EQ(s.program, "BROWSER");
    EXPECT_EQ(s.parameters, "-NEW " + url);
    s = SplitBrowserCommand("EXE", url);
    EXPECT_EQ(s.program, "EXE");
    EXPECT_EQ(s.parameters, " " + url);
    // A quoted program is looked for inside its quotes only.
    s = SplitBrowserCommand("\"C:\\Web\\browser.exe\" -home www.tallowmere.com", url);
    EXPECT_EQ(s.program, "C:\\WEB\\BROWSER.EXE");
    EXPECT_EQ(s.parameters, " -HOME WWW.TALLOWMERE.COM " + url);
}

// ---------------------------------------------------------------- the registry

void SetDefault(const std::string& path, const std::string& value, DWORD type = REG_SZ) {
    ASSERT_TRUE(test::SetClassesDefault(path, value, type)) << path;
}

void MakeKey(const std::string& path) { ASSERT_TRUE(test::MakeClassesKey(path)) << path; }

// Every test starts with no web-page association at all and leaves the
// registry as it found it.
class BrowserRegistry : public ::testing::Test {
protected:
    test::SavedClassesKeys saved_{
        {".htm", ".html", ".shtml", ".shtm", "SweepfieldTest.Page", "SweepfieldTest.Other"}};
};

TEST_F(BrowserRegistry, TheFirstAssociationWithACommandIsTaken) {
    EXPECT_EQ(FindBrowserCommand(), "");

    // ".htm" is not registered but ".html" is.
    SetDefault(".html", "SweepfieldTest.Page");
    SetDefault("SweepfieldTest.Page\\shell\\open\\command", "\"C:\\Web\\browser.exe\" -nohome \"%1\"");
    EXPECT_EQ(FindBrowserCommand(), "\"C:\\Web\\browser.exe\" -nohome \"\"");

    // ".htm" comes first; its type has no command, but the extension has one.
    SetDefault(".htm", "SweepfieldTest.Other");
    MakeKey("SweepfieldTest.Other\\shell\\open");
    SetDefault(".htm\\shell\\open\\command", "C:\\Web\\htm.exe %1");
    EXPECT_EQ(FindBrowserCommand(), "C:\\Web\\htm.exe ");
    // An empty command is no command either.
    SetDefault("SweepfieldTest.Other\\shell\\open\\command", "");
    EXPECT_EQ(FindBrowserCommand(), "C:\\Web\\htm.exe ");
    SetDefault("SweepfieldTest.Other\\shell\\open\\command", "C:\\Web\\other.exe");
    EXPECT_EQ(FindBrowserCommand(), "C:\\Web\\other.exe");
}

TEST_F(BrowserRegistry, ValuesOfAnyLengthAndKindAreReadSafely) {
    long before = base::LiveHandleCount();
    // A type name that is not text is no type name: on to ".html".
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, L".htm", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD number = 7;
    ::RegSetValueExW(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(key);
    SetDefault(".htm\\shell\\open\\command", "C:\\Web\\never.exe");

    // A command longer than any fixed buffer comes whole.
    std::string longOption = "-profile=" + std::string(1500, 'p');
    SetDefault(".html", "SweepfieldTest.Page");
    SetDefault("SweepfieldTest.Page\\shell\\open\\command", "C:\\Web\\browser.exe " + longOption + " %1");
    EXPECT_EQ(FindBrowserCommand(), "C:\\Web\\browser.exe " + longOption + " ");

    // Environment variables of an expandable command are expanded before
    // placeholders go, so "%SystemRoot%" is not taken for one.
    SetDefault("SweepfieldTest.Page\\shell\\open\\command", "%SystemRoot%\\web.exe \"%1\"", REG_EXPAND_SZ);
    wchar_t root[MAX_PATH];
    ::GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
    EXPECT_EQ(FindBrowserCommand(), base::Utf8(root) + "\\web.exe \"\"");
    EXPECT_EQ(base::LiveHandleCount(), before);  // every key closed
}

// ---------------------------------------------------------------- starting the browser

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(BrowserRegistry, ExecuteStartsTheRegisteredBrowserWithTheAddress) {
    const std::string browser = test::FakeBrowserPath();
    ASSERT_NE(::GetFileAttributesW(base::Wide(browser).c_str()), INVALID_FILE_ATTRIBUTES) << browser;
    test::FakeBrowserLog log;

    TGoToWeb web(nullptr);
    EXPECT_EQ(web.GetUrl(), "http://www.tallowmere.example/");
    EXPECT_FALSE(web.Execute());  // nothing registered

    SetDefault(".htm", "SweepfieldTest.Page");
    SetDefault("SweepfieldTest.Page\\shell\\open\\command", "\"" + browser + "\" -nohome %1");
    web.SetUrl("http://www.tallowmere.example/sweepfield/");
    EXPECT_TRUE(web.Execute());
    std::string line = log.NextCommandLine();
    EXPECT_NE(line.find(ui::UpperCase(browser)), std::string::npos) << line;
    EXPECT_TRUE(EndsWith(line, " -NOHOME http://www.tallowmere.example/sweepfield/")) << line;

    // An e-mail address reaches the browser as it is.
    web.SetUrl("mailto:autor@tallowmere.example?subject=Sweepfield%20Beta");
    EXPECT_TRUE(web.Execute());
    line = log.NextCommandLine();
    EXPECT_TRUE(EndsWith(line, " mailto:autor@tallowmere.example?subject=Sweepfield%20Beta")) << line;

    // An address of any script reaches it whole.
    web.SetUrl("http://www.tallowmere.example/дир/文件/ā😀");
    EXPECT_TRUE(web.Execute());
    line = log.NextCommandLine();
    EXPECT_TRUE(EndsWith(line, " http://www.tallowmere.example/дир/文件/ā😀")) << line;

    // A browser that is gone: false, and nothing shown.
    test::TempDir dir;
    SetDefault("SweepfieldTest.Page\\shell\\open\\command", "\"" + dir.path() + "\\gone.exe\" %1");
    EXPECT_FALSE(web.Execute());
}

}  // namespace
