// The entry point of every test executable: the application object exists
// for the whole run, as it does in the program.
#include <gtest/gtest.h>

#include "ui/Forms.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TApplication application(nullptr);
    Application->Initialize();
    // A test that fails must report, not wait for someone to close a message box.
    Application->OnException = [](TObject*, const std::exception& e) {
        ADD_FAILURE() << "unhandled error in an event handler: " << e.what();
    };
    return RUN_ALL_TESTS();
}
