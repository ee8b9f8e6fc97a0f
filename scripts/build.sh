#!/usr/bin/env bash
# Configures and builds one flavour into build/ (plain) or build-san/ (sanitizers).
# Usage: scripts/build.sh [plain|sanitize|tsan]
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-plain}
case "$flavour" in
    plain)    dir=build;      opts=() ;;
    sanitize) dir=build-san;  opts=(-DFPRN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    tsan)     dir=build-tsan; opts=(-DFPRN_TSAN=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac
# Progress goes to stderr; stdout names the build folder for the caller.
cmake -S . -B "$dir" -G Ninja "${opts[@]}" >&2
cmake --build "$dir" >&2
echo "$dir"
