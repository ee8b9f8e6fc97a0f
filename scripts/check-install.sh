#!/usr/bin/env bash
# Installs a build folder into a temporary prefix and checks what lands there: the runtime names
# and run paths of the libraries and the console, the headers, a C host built against the
# installed tovarin.pc and run against the printer emulator, the installed console's start
# as far as binding both driver libraries, and the installed item editor's start.
# Usage: scripts/check-install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
emu=
trap '[ -n "$emu" ] && kill "$emu" 2>/dev/null; rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
libdir=$(cached CMAKE_INSTALL_LIBDIR)

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
dynamic() { # file, tag
    readelf -d "$1" | sed -n "s/.*($2).*\[\(.*\)\]/\1/p"
}

for lib in tovarin meskade; do
    check "$lib soname" "lib$lib.so.1" "$(dynamic "$prefix/$libdir/lib$lib.so.1" SONAME)"
    check "$lib run path" '$ORIGIN' "$(dynamic "$prefix/$libdir/lib$lib.so.1" RUNPATH)"
    check "$lib link name" "lib$lib.so.1" "$(readlink "$prefix/$libdir/lib$lib.so")"
done
for lib in libfprnplatform.so libpeltrane.so; do
    check "$lib installed" yes "$([ -f "$prefix/$libdir/$lib" ] && echo yes || echo no)"
done
for program in calvetta sorvane; do
    check "$program run path" "\$ORIGIN/../$libdir" "$(dynamic "$prefix/bin/$program" RUNPATH)"
done
check "no tour installed" no "$([ -e "$prefix/bin/calvetta-tour" ] && echo yes || echo no)"
check "headers" "meskade.h tovarin.h tovarin_types.h" "$(ls "$prefix/include/fprn" | xargs)"

export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
for lib in tovarin meskade; do
    inc=$(pkg-config --cflags-only-I $lib | sed 's/^ *-I//; s/ *$//')
    dir=$(pkg-config --libs-only-L $lib | sed 's/^ *-L//; s/ *$//')
    check "$lib.pc headers" "$prefix/include/fprn" "$(realpath "$inc")"
    check "$lib.pc library" "$prefix/$libdir" "$(realpath "$dir")"
    check "$lib.pc name" "-l$lib" "$(pkg-config --libs-only-l $lib | xargs)"
done
# The host is built as the libraries were: a sanitized library in a host without its runtime
# cannot start.
flags=()
[ "$(cached FPRN_SANITIZE)" == ON ] && flags=(-fsanitize=address,undefined)
[ "$(cached FPRN_TSAN)" == ON ] && flags=(-fsanitize=thread)
# shellcheck disable=SC2046
cc "${flags[@]}" -o "$work/chost" "$src/driver/tests/chost.c" $(pkg-config --cflags --libs tovarin) \
    "-Wl,-rpath,$prefix/$libdir"

"$build/bin/fprn-emulator" --link "$work/port" >"$work/emulator.log" &
emu=$!
for _ in $(seq 100); do [ -e "$work/port" ] && break; sleep 0.1; done
out=$(cd "$work" && "$work/chost" "$work/port" | head -n 1)
check "C host against the installed library" "open 0" "$out"

# From another folder, with nothing on the loader's path: the installed libraries are bound.
status=0
(cd / && env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen "$prefix/bin/calvetta" --bind-only) \
    >"$work/calvetta.log" 2>&1 || status=$?
check "installed calvetta binds" 0 "$status"
[ "$status" == 0 ] || cat "$work/calvetta.log"

# The installed editor finds its libraries from another folder and runs until it is ended.
check "installed sorvane's libraries" "" "$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/sorvane" | grep 'not found' || true)"
status=0
(cd "$work" && env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/sorvane") \
    >"$work/sorvane.log" 2>&1 || status=$?
check "installed sorvane runs until ended" 124 "$status"
[ "$status" == 124 ] || cat "$work/sorvane.log"

echo "install: $passed passed, $failed failed"
[ "$failed" == 0 ]
