// Closing the main window while a search runs. Closing the main window ends
// the program, so this case has a test program of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/SweepWindows.h"

using namespace sweeptest;

namespace {

class Closing : public SweepWindows {};

TEST_F(Closing, TheSearchStopsAndTheProgramEnds) {
    ASSERT_EQ(Application->GetMainForm(), Main);
    for (int folder = 0; folder < 60; ++folder)
        for (int i = 1; i <= 5; ++i) tree.MakeFile("f" + std::to_string(folder) + "\\" + std::to_string(i) + ".bin", 1);
    UsePatterns({"*.bin"});

    // The user closes the window as soon as the search starts: the close
    // comes before the window takes in any result.
    SearchIn(tree.path(), [] { ::PostMessageW(Main->GetHandle(), WM_CLOSE, 0, 0); });

    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Main->Busy());
    EXPECT_EQ(Panel(4), "Detenido");
    EXPECT_EQ(Screen->GetCursor(), crDefault);
    EXPECT_TRUE(Main->StartButton->GetEnabled());
}

}  // namespace
