// The running executable, where the program finds the files it ships with.
#pragma once

#include <string>

namespace base {

// The running executable's full path, exactly as the system gives it, at
// any length.
std::wstring ExePath();
// The folder of the running executable, without a trailing backslash.
std::string ExeFolder();

}  // namespace base
