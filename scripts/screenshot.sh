#!/usr/bin/env bash
# Starts Sweepfield on the tests' virtual display and writes a PNG of one of
# its windows.
#
#   scripts/screenshot.sh main.png              the main window
#   scripts/screenshot.sh results.png results   the results of a search of an example folder
#   scripts/screenshot.sh help.png help         the help window
#   scripts/screenshot.sh chooser.png chooser   the folder chooser
#   scripts/screenshot.sh wide.png wide         the results in a window 900 pixels wide
#   scripts/screenshot.sh dups.png dups         a duplicate search of the example folder, as wide
#
# Sweepfield starts in an example folder, C:\Trabajo of the tests' Wine
# prefix, made afresh each time: the folder chooser shows it first, and
# "results" searches it with the default pattern list.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-sweepfield.png}")"
what="${2:-main}"
case "$what" in
    main | results | help | chooser | wide | dups) ;;
    *) echo "screenshot: unknown window '$what'" >&2; exit 2 ;;
esac
"$root/scripts/build.sh" --target Sweepfield >/dev/null
source "$root/scripts/wine-env.sh" test

# The example folder: some work, and the leftovers a search should find.
demo="$WINEPREFIX/drive_c/Trabajo"
rm -rf "$demo"
mkdir -p "$demo/fotos/viejas" "$demo/borradores"
make_file() { head -c "$2" /dev/zero >"$demo/$1"; }
make_file informe.doc 48640
make_file informe.bak 47104
make_file '~$informe.doc' 162
make_file notas.txt 1210
make_file presupuesto.xls 23552
make_file instalar.log 5831
make_file fotos/vacaciones.jpg 181248
make_file fotos/Thumbs.db 14336
make_file fotos/viejas/Thumbs.db 9216
make_file borradores/carta.doc 19968
make_file borradores/carta.old 19456
make_file 'borradores/copia.$$$' 2048
make_file borradores/volcado.tmp 3072
mkdir -p "$demo/proyectos/cliente grande/entregas antiguas/2019/revisiones"
make_file "proyectos/cliente grande/entregas antiguas/2019/revisiones/memoria final revisada.bak" 125829120
make_file "proyectos/cliente grande/entregas antiguas/2019/revisiones/presupuesto~" 8704
if [ "$what" = dups ]; then
    # Copies of some leftovers elsewhere (the files hold zeros: one size, one content).
    make_file borradores/informe.bak 47104
    make_file "proyectos/cliente grande/informe.bak" 47104
    make_file "proyectos/cliente grande/Thumbs.db" 14336
    make_file fotos/viejas/volcado.tmp 3072
    touch -d '2019-03-01 10:00' "$demo/informe.bak" "$demo/fotos/Thumbs.db" "$demo/borradores/volcado.tmp"
fi

# Every picture starts from the window's first start: no place, size or
# columns kept from an earlier run; "wide" starts where such a run left the
# window 900 x 420 (Wine's frame adds 8 x 27 pixels).
client_w=540 client_h=340
key='HKCU\Software\Tallowmere\Sweepfield'
wine reg delete "$key" /f >/dev/null 2>&1 || true
if [ "$what" = wide ] || [ "$what" = dups ]; then
    client_w=900 client_h=420
    for v in "Left 60" "Top 60" "Width $((client_w + 8))" "Height $((client_h + 27))"; do
        wine reg add "$key" /v "${v% *}" /t REG_DWORD /d "${v#* }" /f >/dev/null 2>&1
    done
fi

# Started from the example folder, with its output away from the caller's:
# Wine's helper processes inherit it and would keep a pipe open.
cd "$demo"
wine "$root/build/bin/Sweepfield.exe" >/dev/null 2>&1 &
pid=$!
# Nothing of the picture's run stays for the tests that use this prefix.
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; wine reg delete "$key" /f >/dev/null 2>&1 || true' EXIT

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

wait_gone() {  # waits until no visible window's title matches
    for _ in $(seq 1 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "screenshot: the window '$1' stays" >&2
    exit 1
}

# Clicks a point of a window's client area, given the client area's size:
# Wine draws the frame itself, so the X window is the whole window, frame
# and title bar included, and the frame is as wide on every side.
click_client() {
    local id="$1" client_width="$2" client_height="$3" x="$4" y="$5"
    eval "$(xdotool getwindowgeometry --shell "$id")"
    local frame=$(((WIDTH - client_width) / 2))
    local top=$((HEIGHT - client_height - frame))
    xdotool mousemove $((X + frame + x)) $((Y + top + y)) click 1
}
click_main() { click_client "$main" "$client_w" "$client_h" "$1" "$2"; }

# Ticks "Seleccionar directorio de inicio" and presses "Comenzar búsqueda":
# the folder chooser opens (its id goes into $chooser) and waits for "Seguir".
start_search() {
    click_main 340 169
    sleep 0.3
    click_main 68 32
    chooser="$(find_window 'Selecciona directorio')"
}

main="$(find_window 'Tallowmere Sweepfield Beta')"
sleep 0.5
case "$what" in
    main) target="$main" ;;
    results | wide | dups)
        [ "$what" = dups ] && click_main 340 145   # "Buscar ficheros duplicados"
        start_search
        sleep 0.3
        click_client "$chooser" 297 214 255 16   # "Seguir"
        wait_gone 'Selecciona directorio'
        sleep 1
        target="$main" ;;
    help)
        click_main 452 32
        target="$(find_window 'Sweepfield - Ayuda')" ;;
    chooser)
        start_search
        target="$chooser" ;;
esac
# The pointer goes away, so no button is lit and no hint shows.
xdotool mousemove 1023 767
sleep 0.8
import -window "$target" "$out"
echo "screenshot: wrote $out"
