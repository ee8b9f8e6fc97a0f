#!/usr/bin/env bash
# The main job. Until the console and the printer emulator exist, it builds the project and
# runs the command-frame round trip of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
dir=$(scripts/build.sh plain | tail -n 1)
"$dir/bin/protocol_tests" --gtest_filter='Frame.*'
