// Runs the current test case in a program of its own: for state the system
// keeps once per program (Wine looks for its trash once, for example).
//
//   TEST(X, Y) {
//       if (!test::InItsOwnProcess()) return test::RunInItsOwnProcess();
//       ... the case itself ...
//   }
#pragma once

namespace test {

// True inside the program RunInItsOwnProcess started.
bool InItsOwnProcess();
// Starts this test program again for the current case only, waits for it
// and fails the case when the case failed there (its output goes to the
// same console).
void RunInItsOwnProcess();

}  // namespace test
