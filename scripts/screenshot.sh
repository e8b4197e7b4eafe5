#!/usr/bin/env bash
# Starts Sweepfield on the tests' virtual display and writes a PNG of one of
# its windows.
#
#   scripts/screenshot.sh main.png              the main window
#   scripts/screenshot.sh results.png results   the main window, results view
#   scripts/screenshot.sh help.png help         the help window
#   scripts/screenshot.sh chooser.png chooser   the folder chooser
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-sweepfield.png}")"
what="${2:-main}"
"$root/scripts/build.sh" --target Sweepfield >/dev/null
source "$root/scripts/wine-env.sh" test

cd "$root/build/bin"
wine Sweepfield.exe &
pid=$!
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true' EXIT

find_window() {  # waits for a window whose title matches, prints its id
    local id=""
    for _ in $(seq 1 100); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
        [ -n "$id" ] && break
        sleep 0.1
    done
    [ -n "$id" ] || { echo "screenshot: no window named '$1'" >&2; exit 1; }
    echo "$id"
}

# Clicks a point of the main window's client area (its frame is 3 pixels wide
# and its title bar 19 pixels high under Wine's own decorations).
click_main() {
    local id="$1" x="$2" y="$3"
    eval "$(xdotool getwindowgeometry --shell "$id")"
    xdotool mousemove $((X + 3 + x)) $((Y + 22 + y)) click 1
}

main="$(find_window 'Tallowmere Sweepfield Beta')"
sleep 0.5
case "$what" in
    main) target="$main" ;;
    results) click_main "$main" 196 32; sleep 0.5; target="$main" ;;
    help) click_main "$main" 452 32; target="$(find_window 'Sweepfield - Ayuda')" ;;
    chooser)
        # Tick "Seleccionar directorio de inicio", then start a search.
        click_main "$main" 340 169; sleep 0.3
        click_main "$main" 68 32
        target="$(find_window 'Selecciona directorio')" ;;
    *) echo "screenshot: unknown window '$what'" >&2; exit 2 ;;
esac
sleep 0.7
import -window "$target" "$out"
echo "screenshot: wrote $out"
