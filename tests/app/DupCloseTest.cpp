// Closing the main window while a duplicate search runs. Closing the main
// window ends the program, so this case has a test program of its own.
#include <gtest/gtest.h>

#include <string>

#include "app/SweepWindows.h"

using namespace sweeptest;

namespace {

class ClosingDuplicates : public SweepWindows {};

TEST_F(ClosingDuplicates, TheSearchStopsAndTheProgramEnds) {
    for (int i = 1; i <= 40; ++i) tree.MakeFile("f" + std::to_string(i % 8) + "\\" + std::to_string(i) + ".bin", 64);
    UsePatterns({"*.bin"});
    SetOption(Main->SearchDups, true);
    // The close comes before the window takes in any group.
    SearchIn(tree.path(), [] { ::PostMessageW(Main->GetHandle(), WM_CLOSE, 0, 0); });
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Main->Busy());
    EXPECT_EQ(Panel(4), "Detenido");
}

}  // namespace
