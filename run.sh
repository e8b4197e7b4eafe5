#!/usr/bin/env bash
# Installs what is missing, builds Sweepfield and starts it under Wine: on your
# display when there is one, on a virtual one (Xvfb :88) otherwise.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" --target Sweepfield
source "$root/scripts/wine-env.sh" run
echo "run.sh: starting Sweepfield on display $DISPLAY"
cd "$root/build/bin"
exec wine Sweepfield.exe "$@"
