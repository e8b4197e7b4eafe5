// Closing the main window while a search runs. Closing the main window ends
// the program, so this case has a test program of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/SweepWindows.h"

using namespace sweeptest;

namespace {

class Closing : public SweepWindows {};

TEST_F(Closing, TheSearchEndsAtTheNextFolderVisitAndTheProgramEnds) {
    ASSERT_EQ(Application->GetMainForm(), Main);
    for (const char* folder : {"a", "b", "c"})
        for (int i = 1; i <= 5; ++i) tree.MakeFile(std::string(folder) + "\\" + folder + std::to_string(i) + ".bin", 1);
    UsePatterns({"*.bin"});

    // The user closes the window as the first result shows.
    std::vector<std::string> visitsAfterClose;
    bool closed = false;
    PanelWatch watch([&](int panel, const std::string& text) {
        if (panel == 0 && text == "1" && !closed) {
            ::PostMessageW(Main->GetHandle(), WM_CLOSE, 0, 0);
            closed = true;
        } else if (panel == 4 && closed) {
            visitsAfterClose.push_back(text);
        }
    });
    Search();

    ASSERT_TRUE(closed);
    EXPECT_TRUE(Application->Terminated());
    // The folder being listed was listed to its end; the next visit stopped
    // before it listed anything.
    std::vector<ResultRow> rows = Results();
    ASSERT_EQ(rows.size(), 5u);
    for (const ResultRow& r : rows) EXPECT_EQ(r.folder, rows[0].folder);
    ASSERT_EQ(visitsAfterClose.size(), 1u);
    EXPECT_NE(visitsAfterClose[0], rows[0].folder);
    EXPECT_EQ(Screen->GetCursor(), crDefault);
    EXPECT_TRUE(Main->StartButton->GetEnabled());
}

}  // namespace
