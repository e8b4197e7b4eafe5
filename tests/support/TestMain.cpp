// The entry point of every test executable: the application object exists
// for the whole run, as it does in the program.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/Forms.h"

namespace {

// Every test begins with the pointer in the screen's corner, off every
// window: left where the test before put it, it would be over a control
// of the next test's window as that window opens, and the control would
// see the mouse enter (and its hint, its hot look) before the test began.
class PointerInTheCorner : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { test::MouseMoveTo(0, 0); }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TApplication application(nullptr);
    Application->Initialize();
    // A test that fails must report, not wait for someone to close a message box.
    Application->OnException = [](TObject*, const std::exception& e) {
        ADD_FAILURE() << "unhandled error in an event handler: " << e.what();
    };
    ::testing::UnitTest::GetInstance()->listeners().Append(new PointerInTheCorner);
    return RUN_ALL_TESTS();
}
