#!/usr/bin/env bash
# The programs' command lines, each run without a display: calvetta and sorvane answer --help
# and --version and end without a window, name an unknown option with the usage (status 2) and
# say in one line that no display could be opened (status 1); fprn-emulator names what is wrong
# with a bad argument; every benchmark answers --help with its usage.
# Usage: scripts/check-frontdoors.sh BIN_DIR
set -uo pipefail
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
passed=0
check() { # what, expected, actual
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        echo "FAIL: $1: expected '$2', got '$3'"
        failed=$((failed + 1))
    fi
}
# Runs a program without a display in the scratch folder: its status, stdout and stderr.
run() {
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 60 "$@") \
        >"$work/out" 2>"$work/err"
    status=$?
}

for program in calvetta:1.13 sorvane:1.00; do
    version=${program#*:} program=${program%:*}
    [ -x "$bin/$program" ] || continue
    run "$bin/$program" --help
    check "$program --help status" 0 "$status"
    check "$program --help" "usage: $program" "$(head -n 1 "$work/out" | cut -d ' ' -f 1-2)"
    run "$bin/$program" --version
    check "$program --version" "0 $program $version" "$status $(cat "$work/out")"
    run "$bin/$program" --no-such-option
    check "$program unknown option status" 2 "$status"
    check "$program unknown option" "$program: unknown option --no-such-option" \
        "$(head -n 1 "$work/err")"
    check "$program unknown option usage" "usage: $program" \
        "$(sed -n 2p "$work/err" | cut -d ' ' -f 1-2)"
    run "$bin/$program"
    check "$program without a display status" 1 "$status"
    check "$program without a display" \
        "1 $program: no display could be opened (DISPLAY is not set, QT_QPA_PLATFORM=xcb)" \
        "$(wc -l <"$work/err") $(cat "$work/err")"
done

if [ -x "$bin/fprn-emulator" ]; then
    run "$bin/fprn-emulator" --check battery=xyz
    check "fprn-emulator bad check status" 2 "$status"
    check "fprn-emulator bad check" \
        "fprn-emulator: --check battery=xyz: battery takes one character, not \"xyz\"" \
        "$(head -n 1 "$work/err")"
fi

for bench in "$bin"/fprn_bench_*; do
    [ -x "$bench" ] || continue
    run "$bench" --help
    check "$(basename "$bench") --help" "0 usage: $bench" \
        "$status $(head -n 1 "$work/out" | cut -d ' ' -f 1-2)"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
