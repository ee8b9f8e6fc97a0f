#!/usr/bin/env bash
# The main job. Until the console exists: builds the project, starts the printer emulator on a
# pseudo-terminal and drives it through the user driver library with tovarin-demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
dir=$(scripts/build.sh plain | tail -n 1)
bin=$PWD/$dir/bin

work=$(mktemp -d)
trap 'kill "$emu" 2>/dev/null || true; wait "$emu" 2>/dev/null || true; rm -rf "$work"' EXIT
"$bin/fprn-emulator" --link "$work/port" >"$work/emulator.log" &
emu=$!
for _ in $(seq 50); do [ -e "$work/port" ] && break; sleep 0.1; done

cd "$work"
status=0
"$bin/tovarin-demo" "$work/port" || status=$?
echo
echo "== what the printer received"
cat "$work/emulator.log"
echo "== trace log: $bin/FiscPrn.log ($(wc -c <"$bin/FiscPrn.log") bytes)"
exit $status
