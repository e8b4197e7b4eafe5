// Start-up and shutdown work of the program's modules.
//
// A module that keeps process-wide state (a shared timer, a hook on the
// application's window) registers a pair of functions from a static object;
// the application runs the start-up ones in Initialize, before any form is
// made, and the shutdown ones in reverse order once the forms are gone.
#pragma once

namespace ui {

struct UnitInitialization {
    UnitInitialization(void (*initialize)(), void (*finalize)());
};

void InitializeUnits();
void FinalizeUnits();

}  // namespace ui
