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

for flavour in plain sanitize; do
    echo "== $flavour build"
    dir=$(scripts/build.sh "$flavour" | tail -n 1)
    echo "== $flavour tests"
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600
    if [ "$flavour" == plain ]; then
        # The demo tour once, on a virtual X server, as the main job runs it.
        echo "== demo tour"
        (unset QT_QPA_PLATFORM; scripts/demo.sh --shots)
    fi
done
