#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test with ctest.
# Exits non-zero when any test fails. Extra arguments go to ctest
# (./test.sh -R ui_ runs the class library's tests only).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
# Make the tests' Wine prefix and display once, before ctest starts its clock.
source "$root/scripts/wine-env.sh" test
cd "$root/build"
ctest --output-on-failure "$@"
