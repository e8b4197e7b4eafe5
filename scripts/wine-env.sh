#!/usr/bin/env bash
# Sourced by the other scripts: puts Wine into a prefix of the project's own
# under build/, quiet and offline, with a persistent wineserver and a display.
#
#   source scripts/wine-env.sh run    # the prefix ./run.sh uses; the caller's
#                                     # DISPLAY if it has one, else Xvfb
#   source scripts/wine-env.sh test   # the tests' prefix, always on the tests'
#                                     # own Xvfb display, never the user's
#
# Two prefixes, because a wineserver keeps the display of its first client and
# the tests must never put windows or synthetic input on a user's desktop.

sf_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sf_kind="${1:-run}"

export WINEPREFIX="$sf_root/build/wine/$sf_kind"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # never offer to download Mono or Gecko
export WINEARCH=win64

# The display: tests use :87 (or SF_TEST_DISPLAY, so that two checkouts can
# test side by side); ./run.sh uses :88 when there is no DISPLAY. Xvfb stays
# up between runs like the wineserver, so each process starts in a fraction
# of a second.
sf_start_xvfb() {
    local num="$1"
    if ! [ -e "/tmp/.X11-unix/X$num" ] || ! xdpyinfo -display ":$num" >/dev/null 2>&1; then
        rm -f "/tmp/.X$num-lock" "/tmp/.X11-unix/X$num"
        nohup Xvfb ":$num" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        for _ in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X$num" ] && break
            sleep 0.05
        done
    fi
    export DISPLAY=":$num"
}

if [ "$sf_kind" = test ]; then
    sf_start_xvfb "${SF_TEST_DISPLAY:-87}"
    # The tests' recycle bin: Wine's is the desktop's trash, which the tests
    # must not fill on a user's machine. Wine deletes for good when there
    # is no trash folder, so it is made here.
    export XDG_DATA_HOME="$sf_root/build/wine/test-trash"
    mkdir -p "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info"
elif [ -z "${DISPLAY:-}" ]; then
    sf_start_xvfb 88
fi

sf_prefix_version=4   # raise when the settings below change; old prefixes are updated

sf_make_prefix() {
    local stamp="$WINEPREFIX/.sweepfield-ready"
    [ "$(cat "$stamp" 2>/dev/null)" = "$sf_prefix_version" ] && return 0
    mkdir -p "$WINEPREFIX"
    echo "wine-env: preparing the Wine prefix $WINEPREFIX" >&2
    wineboot -i >/dev/null 2>&1
    # Wine draws window frames and title bars itself, so caption painting is real.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # A new prefix does not see fonts-wine's TrueType fonts (Marlett draws the
    # caption glyphs); the Liberation twins stand in for Arial and Times New Roman.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    cp -f /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
    cp -f /usr/share/fonts/truetype/liberation/*.ttf "$fonts/" 2>/dev/null || true
    local f
    # Wine cannot use its bitmap "MS Sans Serif" here; Tahoma has the same metrics
    # as the classic 8-point dialog font, where Liberation Sans is wider.
    for f in "Arial:Liberation Sans" "Times New Roman:Liberation Serif" "Courier New:Liberation Mono" "MS Sans Serif:Tahoma"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${f%%:*}" /t REG_SZ /d "${f#*:}" /f >/dev/null 2>&1
    done
    # Title texts in white, as in the classic Windows scheme: the caption bars
    # start their gradient at black, where Wine's default black text is lost.
    wine reg add 'HKCU\Control Panel\Colors' /v TitleText /t REG_SZ /d "255 255 255" /f >/dev/null 2>&1
    wine reg add 'HKCU\Control Panel\Colors' /v InactiveTitleText /t REG_SZ /d "212 208 200" /f >/dev/null 2>&1
    if [ "$sf_kind" = test ]; then
        # Numbers as a Spanish user's settings write them (125.829.120), over
        # the locale Wine takes from the environment: the screenshots show
        # what the program's users see. Tests that depend on the separator set
        # it themselves.
        wine reg add 'HKCU\Control Panel\International' /v sThousand /t REG_SZ /d . /f >/dev/null 2>&1
        wine reg add 'HKCU\Control Panel\International' /v sDecimal /t REG_SZ /d , /f >/dev/null 2>&1
        # A test that crashes ends at once with its backtrace on its output,
        # instead of waiting behind the crash dialog for ctest's timeout.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    fi
    wineserver -k 2>/dev/null || true   # writes the registry out; a persistent server never ends by itself
    echo "$sf_prefix_version" >"$stamp"
}

sf_make_prefix
# A persistent server: every Wine process after the first starts in ~30 ms.
# When the server is new, start the session's own processes (services,
# explorer) now, with nowhere to write: they inherit the output of the first
# program that needs them, and would hold a test's output open after it
# ends (ctest then waits for them until its timeout).
if wineserver -p >/dev/null 2>&1; then
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
fi
