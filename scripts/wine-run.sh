#!/usr/bin/env bash
# Runs a Windows program of the build under Wine in the tests' prefix and display.
# CMake uses it as the emulator for test executables and benchmarks.
set -eu
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" test
exec wine "$@"
