#!/usr/bin/env bash
# The shipped example, run with the programs of a build (default: build/) in a
# scratch directory. make_example writes the objects; quandel puts two of them
# into the library lib/util.lib; zorvik links blink.cof for the Mirrow device
# MRRW008 (blink.lkr) and led.cof for the Halvern device HLVN133 (led.lkr,
# which includes halvern.lkr), each with a map file; pellund converts both to
# Intel HEX and vostrum to COD files. Every file written is shown or listed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
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

show() {
  echo "\$ cat $1"
  cat "$1"
}

cp "$here"/blink.lkr "$here"/led.lkr "$here"/halvern.lkr .
"$build/examples/make_example"
mkdir lib
run librarian/quandel /c lib/util.lib delay.o math.o
run librarian/quandel /t lib/util.lib
for program in blink led; do
  show "$program.lkr"
  [ "$program" = led ] && show halvern.lkr
  run linker/zorvik "$program.lkr" /o "$program.cof" /m "$program.map"
  show "$program.map"
  run hex/pellund "$program.cof"
  show "$program.hex"
  run cod/vostrum /d "$program.cof"
done
echo "\$ ls"
ls
