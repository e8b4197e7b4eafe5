// The console program from its arguments to its exit code: the search,
// its listing on standard output, and the removal of what it found when
// asked for, with the same engine and the same rules as the window.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Runs the program with these arguments (after its name, UTF-8) on the
// process's standard handles; returns the exit code (CommandLine.h).
int RunProgram(const std::vector<std::string>& args);

}  // namespace cli
