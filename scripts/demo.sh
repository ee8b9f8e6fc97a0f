#!/usr/bin/env bash
# The main job: the demonstration console against the printer emulator, then the item editor.
#   scripts/demo.sh           with a display that answers: calvetta opens there (and the way to
#                             start sorvane on the same folder is printed); when its window
#                             closes, what the printer received is printed.
#   scripts/demo.sh --shots   (or without a display): in one virtual X server with a window
#                             manager (openbox), calvetta-tour clicks through the console, firmware
#                             update included, then sorvane-tour through the item editor, partly
#                             with real X input (xdotool); screenshots go to build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
shots=0
[ "${1:-}" == "--shots" ] && shots=1
scripts/install-deps.sh
dir=$(scripts/build.sh plain | tail -n 1)
bin=$root/$dir/bin

work=$(mktemp -d)
emu=
# Kept when the user may still be working there (the editor they started has its items open).
keep=0
trap '[ -n "$emu" ] && { kill "$emu" 2>/dev/null || true; wait "$emu" 2>/dev/null || true; }
      [ "$keep" == 1 ] || rm -rf "$work"' EXIT
# Its items as "DEFAULT.PLU" beside the console, the item file it sells from; its boot loader on
# COM3, for the firmware update.
"$bin/fprn-emulator" --link "$work/COM2" --items "$work/DEFAULT.PLU" \
    --boot-link "$work/COM3" --boot-image "$work/loaded-image.bin" >"$work/emulator.log" &
emu=$!
for _ in $(seq 100); do [ -e "$work/COM2" ] && [ -e "$work/COM3" ] && break; sleep 0.1; done
[ -e "$work/COM3" ] || { echo "the emulator did not start" >&2; cat "$work/emulator.log" >&2; exit 1; }
export FPRN_COM2=$work/COM2 FPRN_COM3=$work/COM3

display_answers() {
    [ -n "${DISPLAY:-}" ] && command -v xdpyinfo >/dev/null && xdpyinfo >/dev/null 2>&1 && return 0
    # Without xdpyinfo: a Qt program that only connects tells as much.
    [ -n "${DISPLAY:-}" ] && QT_QPA_PLATFORM=xcb timeout 10 "$bin/calvetta" --bind-only \
        >/dev/null 2>&1
}

# The console runs in a scratch folder: its captures land there.
cd "$work"
status=0
if [ "$shots" == 0 ] && display_answers; then
    echo "== calvetta on $DISPLAY (close its window to end)"
    echo "   The item editor on the same items, from another terminal meanwhile:"
    echo "   cd $work && $bin/sorvane"
    keep=1
    "$bin/calvetta" || status=$?
else
    out=$root/build/demo
    rm -rf "$out"
    echo "== calvetta-tour, then sorvane-tour, in a virtual X server, screenshots in $out"
    # Under a window manager, as on a desktop: activation, focus and dialogs go the way they go
    # for a user. The editor's tour runs on the item file as the console's sales left it.
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
        'openbox --sm-disable >"$4/openbox.log" 2>&1 &
         for _ in $(seq 100); do xdotool get_num_desktops >/dev/null 2>&1 && break; sleep 0.1; done
         xdotool get_num_desktops >/dev/null 2>&1 || { echo "openbox did not start" >&2; exit 1; }
         failed=0; "$1/calvetta-tour" "$2" "$3" "$4/emulator.log" || failed=1
         "$1/sorvane-tour" "$2" || failed=1
         exit $failed' tours "$bin" "$out" "$work/loaded-image.bin" "$work" || status=$?
fi
echo
echo "== what the printer received"
cat "$work/emulator.log"
[ "$keep" == 1 ] && echo "== the folder $work stays for the item editor; remove it when done"
exit $status
