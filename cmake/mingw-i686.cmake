# Cross-compiles Sweepfield for 32-bit Windows with MinGW-w64 (posix threads,
# which GoogleTest needs for std::mutex) and runs what it builds under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(SF_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${SF_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SF_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${SF_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SF_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test executables and benchmarks run through Wine, in the project's test prefix.
get_filename_component(SF_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${SF_SOURCE_ROOT}/scripts/wine-run.sh")
