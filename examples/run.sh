#!/usr/bin/env bash
# The shipped example, run with the programs of a build:
#
#   examples/run.sh [BUILD [DIR]]
#
# BUILD is the build directory (default: build); every file the run writes goes
# into DIR (default: BUILD/example), which the run names at its end. Each run
# replaces DIR whole: it works in a fresh directory beside DIR and, only when
# every step has succeeded, renames DIR aside, renames its own directory in and
# then removes the old one. DIR thus holds one complete run, the old or the new
# (but for the instant between the renames, which the next run mends), and a
# failed or killed run leaves the files of the last one; the next run removes
# what a killed one left beside DIR. A DIR that an earlier run did not make, or
# that holds a file the run did not write or one changed since, is refused and
# left as it is.
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
# In every directory a run makes: "unfinished" while the run works, then the
# files it wrote as manifest lists them.
mark=.example-run

# The entries under the current directory but the mark, sorted, one a line with
# the path last: a file as its checksum and size, a directory as "dir -", any
# other entry as "other -" (a run writes none).
manifest() {
  {
    find . -type f ! -path "./$mark" -exec cksum {} +
    find . -mindepth 1 -type d -exec printf 'dir - %s\n' {} +
    find . ! -type f ! -type d -exec printf 'other - %s\n' {} +
  } | LC_ALL=C sort
}

# The entries of directory $1 that its mark does not record as they are now.
unrecorded() {
  local now
  now=$(cd "$1" && manifest) || return
  [ -z "$now" ] || LC_ALL=C comm -23 <(printf '%s\n' "$now") "$1/$mark"
}

# Whether directory $1 holds a run's files, or some of them, all unchanged.
ours() {
  local extra
  [ -f "$1/$mark" ] && extra=$(unrecorded "$1") && [ -z "$extra" ]
}

# Whether directory $1 holds every file of a run, unchanged, and nothing else.
complete() {
  [ -s "$1/$mark" ] && [ "$(cd "$1" && manifest)" = "$(cat "$1/$mark")" ]
}

# Removes a directory that a run made with its mark last, so that what a
# removal cut short leaves is still recognised by the next run.
discard() {
  find "$1" -mindepth 1 -maxdepth 1 ! -name "$mark" -exec rm -rf {} +
  rm -f "$1/$mark"
  rmdir "$1"
}

# A run killed between its two renames left DIR missing: the newest complete
# run beside it takes its place again.
if [ ! -e "$out" ]; then
  for old in "$out".new.?????? "$out".old.??????; do
    if [ -d "$old" ] && [ ! -L "$old" ] && complete "$old"; then
      mv -T "$old" "$out"
      break
    fi
  done
fi

if [ -e "$out" ] && [ ! -f "$out/$mark" ] && [ -n "$(ls -A "$out" 2>/dev/null || echo x)" ]; then
  echo "run.sh: $out holds files that this example did not write; give another directory" >&2
  exit 1
fi
if [ -f "$out/$mark" ]; then
  if [ ! -s "$out/$mark" ]; then
    echo "run.sh: $out was written by an older version of this example, whose files cannot be checked; remove it or give another directory" >&2
    exit 1
  fi
  extra=$(unrecorded "$out") || exit 1
  if [ -n "$extra" ]; then
    path=${extra%%$'\n'*}
    path=${path#* * }
    if grep -qxF -- "$path" <(cut -d' ' -f3- "$out/$mark"); then
      echo "run.sh: $out holds ${path#./}, which was changed since this example wrote it; give another directory" >&2
    else
      echo "run.sh: $out holds ${path#./}, which this example did not write; give another directory" >&2
    fi
    exit 1
  fi
fi

# What killed runs left beside DIR: directories emptied but not removed, work
# directories that never finished and the runs they wrote or renamed aside. A
# directory of such a name that holds anything else is not a run's, and stays.
for old in "$out".new.?????? "$out".old.??????; do
  if [ ! -d "$old" ] || [ -L "$old" ] || rmdir "$old" 2>/dev/null; then continue; fi
  if [ "$(cat "$old/$mark" 2>/dev/null)" = unfinished ] || ours "$old"; then
    discard "$old"
  fi
done

mkdir -p "$(dirname "$out")"
work=$(mktemp -d "$out.new.XXXXXX")
trap 'discard "$work"' EXIT
cd "$work"
echo unfinished >"$mark"

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

# The mark records the files last, whole or not at all.
files=$(manifest)
printf '%s\n' "$files" >"$mark.new"
mv "$mark.new" "$mark"

cd /
trap - EXIT
if [ -e "$out" ]; then
  aside=$(mktemp -d "$out.old.XXXXXX")
  mv -T "$out" "$aside"
fi
mv -T "$work" "$out"
[ -z "${aside:-}" ] || discard "$aside"
echo "Files written in $out:"
ls "$out"
