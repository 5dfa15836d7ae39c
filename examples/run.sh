#!/usr/bin/env bash
# The shipped example, run with the programs of a build (default: build/) in a
# scratch directory: makes the example objects and the linked executable
# blink.cof, puts two objects into a library and lists it, converts blink.cof
# to Intel HEX (INHX32, then INHX8M for the program memory 0x4 to 0x7 only)
# and shows the HEX files.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

run() {
  local prog=$1
  shift
  echo "\$ $(basename "$prog") $*"
  "$build/src/$prog" "$@"
}

"$build/examples/make_example"
run librarian/quandel /c util.lib delay.o math.o
run librarian/quandel /t util.lib
run hex/pellund blink.cof
echo "\$ cat blink.hex"
cat blink.hex
run hex/pellund /a INHX8M /r 0x4-0x7 /q blink.cof
echo "\$ cat blink.hex"
cat blink.hex
