#!/usr/bin/env bash
# The shipped example, run with the programs of a build:
#
#   examples/run.sh [BUILD [DIR]]
#
# BUILD is the build directory (default: build); every file the run writes goes
# into DIR (default: BUILD/example), which the run names at its end. Each run
# replaces DIR whole: it works in a fresh directory beside DIR and puts it in
# DIR's place only when every step has succeeded, so a failed run leaves the
# files of the last one. A DIR that an earlier run did not make is refused.
#
# make_example writes the objects from the example's sources; quandel puts two
# of them into the library lib/util.lib; zorvik links blink.cof for the Mirrow
# device MRRW008 (blink.lkr) and led.cof for the Halvern device HLVN133
# (led.lkr, which includes halvern.lkr), each with a map file; pellund converts
# both to Intel HEX, and vostrum to COD files and listings. The run shows the
# command files, the maps, the HEX files and a part of led.lst.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
out=$(realpath -m "${2:-$build/example}")
mark=.example-run  # in every directory a run made

if [ -e "$out" ] && [ ! -f "$out/$mark" ] && [ -n "$(ls -A "$out" 2>/dev/null || echo x)" ]; then
  echo "run.sh: $out holds files that this example did not write; give another directory" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"
work=$(mktemp -d "$out.new.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
: >"$mark"

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
cp "$here"/blink.asm "$here"/delay.asm "$here"/math.asm "$here"/start.asm "$here"/led.asm "$here"/board.inc .
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
  run cod/vostrum "$program.cof"
done
# The listing from its column heading on, without the comment lines that open
# start.asm: the two-word GOTO and CALL, led.asm and the board.inc it includes.
echo "\$ sed -n '6,7p; /\.reset  CODE/,\$p' led.lst"
sed -n '6,7p; /\.reset  CODE/,$p' led.lst

cd /
rm -rf "$out"
mv "$work" "$out"
trap - EXIT
echo "Files written in $out:"
ls "$out"
