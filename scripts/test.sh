#!/usr/bin/env bash
# Builds and runs every test: the format check, the plain build, then the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0

# CTest runs each test in a process of its own, which hides a test that leaves global state
# behind for the next: every test binary also runs whole once, side by side, each in a folder
# of its own. Prints the log of each that fails.
run_whole() { # build folder
    local bin logs status=0
    bin=$(cd "$1/bin" && pwd)
    logs=$(mktemp -d)
    find "$bin" -maxdepth 1 -type f -name '*_tests' -printf '%f\n' |
        bin=$bin logs=$logs xargs -P "$(nproc)" -I{} bash -c '
            work=$(mktemp -d)
            (cd "$work" && timeout 600 "$bin/{}") >"$logs/{}.log" 2>&1 || echo {} >>"$logs/failed"
            rm -rf "$work"'
    if [ -s "$logs/failed" ]; then
        status=1
        for test in $(sort "$logs/failed"); do
            echo "== $test run whole failed:"
            cat "$logs/$test.log"
        done
    fi
    rm -rf "$logs"
    return $status
}

for flavour in plain sanitize; do
    echo "== $flavour build"
    dir=$(scripts/build.sh "$flavour" | tail -n 1)
    echo "== $flavour tests"
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600
    echo "== $flavour test binaries run whole"
    run_whole "$dir"
    if [ "$flavour" == plain ]; then
        # The demo tour once, on a virtual X server, as the main job runs it.
        echo "== demo tour"
        (unset QT_QPA_PLATFORM; scripts/demo.sh --shots)
    fi
done
