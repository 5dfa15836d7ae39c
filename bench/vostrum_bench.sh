#!/usr/bin/env bash
# Times vostrum on a generated 2 MB Halvern executable with 50,000 symbols,
# without a listing, and then with the listing of 200,000 source lines over the
# same code. There is no peer tool for COD files, so it prints vostrum's best
# time over several runs and its peak memory, and reads the outputs' sizes
# back. The listing is timed against its write floor (reading the sources and
# writing files of the listing's and the COD file's sizes in the writes vostrum
# makes), in paired rounds pinned to one core. Usage: bench/vostrum_bench.sh
# [bytes] [symbols] [runs] [lines]; VOSTRUM=path times another build of vostrum.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/workloads.sh"
build=$root/build-bench-vostrum
bytes=${1:-$vostrum_bytes}
symbols=${2:-$vostrum_symbols}
runs=${3:-11}
lines=${4:-$vostrum_lines}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vostrum vostrum_gen >/dev/null
vostrum=${VOSTRUM:-$build/src/cod/vostrum}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
vostrum_inputs "$bytes" "$symbols"

now() { date +%s%N; }

best_ms() {
  local best=0 i t0 t1
  for ((i = 0; i < runs; i++)); do
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    local t=$(((t1 - t0) / 1000))
    if [ $best -eq 0 ] || [ $t -lt $best ]; then best=$t; fi
  done
  echo "scale=3; $best / 1000" | bc
}

vostrum_ms=$(best_ms vostrum_cod)
[ -s halvern.cod ] || { echo "no COD file written" >&2; exit 1; }
in_bytes=$(stat -c %s halvern.cof)
peak=$(vostrum_cod /usr/bin/time -v 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')

echo "input:        $in_bytes bytes of COFF, $bytes bytes of program memory, $symbols symbols"
echo "output:       $(stat -c %s halvern.cod) bytes of COD"
echo "vostrum /d:   ${vostrum_ms} ms"
echo "peak memory:  ${peak} KB"

# The listing against its write floor: reading the four sources and writing
# what vostrum writes, the listing's number of bytes and the COD file's into
# two files beside them, in 256 KB writes as vostrum hands its rows and its
# COD blocks to the file. Both sides write over their two files of the last
# round, so both pay for truncating them and for the file system's flush of a
# truncated file when it is closed. Each round times vostrum and the floor back to back, the order
# alternating, pinned to one core where taskset exists; the script prints the
# medians of the wall times, the slowest of vostrum's, and the median of the
# rounds' ratios (process start included on both sides).
mkdir listed
cd listed
vostrum_listing_inputs "$bytes" "$symbols" "$lines"
vostrum_listing >/dev/null
[ -s listed.lst ] || { echo "no listing written" >&2; exit 1; }
list_bytes=$(stat -c %s listed.lst)
cod_bytes=$(stat -c %s listed.cod)
# The rounds run on one core: the shell is pinned, and its children with it.
if command -v taskset >/dev/null; then taskset -pc "${VOSTRUM_BENCH_CPU:-$(($(nproc) - 1))}" $$ >/dev/null; fi

# run CMD...: one run; prints its wall time and its CPU time (user + system),
# both in microseconds.
run() {
  local TIMEFORMAT='%3R %3U %3S' t
  t=$({ time "$@" >/dev/null 2>/dev/null; } 2>&1)
  echo "$t" | awk '{ printf "%d %d\n", $1 * 1e6, ($2 + $3) * 1e6 }'
}
floor() {
  cat main*.asm >/dev/null
  dd if=/dev/zero of=floor.lst bs=256K count="$list_bytes" iflag=count_bytes 2>/dev/null
  dd if=/dev/zero of=floor.cod bs=256K count="$cod_bytes" iflag=count_bytes 2>/dev/null
}
median() { awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
slowest() { awk -v c="$1" '$c > m { m = $c } END { print m }'; }
ms() { echo "scale=1; $1 / 1000" | bc; }

: >rounds.t
for ((i = 0; i < runs; i++)); do
  if ((i % 2)); then
    f=$(run floor)
    v=$(run vostrum_listing)
  else
    v=$(run vostrum_listing)
    f=$(run floor)
  fi
  echo "$v $f" | awk '{ printf "%d %d %d %d %.3f\n", $1, $2, $3, $4, $1 / $3 }' >>rounds.t
done
[ "$(stat -c %s listed.lst)" = "$list_bytes" ] || { echo "listing changed size" >&2; exit 1; }
[ "$(stat -c %s listed.cod)" = "$cod_bytes" ] || { echo "COD file changed size" >&2; exit 1; }
listed_peak=$(vostrum_listing /usr/bin/time -v 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')
echo "listing:      $lines source lines, $(wc -l <listed.lst) lines, $list_bytes bytes"
echo "vostrum:      $(ms "$(median 1 <rounds.t)") ms with the listing (slowest $(ms "$(slowest 1 <rounds.t)") ms," \
  "CPU $(ms "$(median 2 <rounds.t)") ms; medians of $runs paired rounds)"
echo "write floor:  $(ms "$(median 3 <rounds.t)") ms (CPU $(ms "$(median 4 <rounds.t)") ms): cat of the sources," \
  "$list_bytes + $cod_bytes bytes written over two files in 256 KB writes"
echo "ratio:        $(median 5 <rounds.t) x the write floor (target: at most 2.5)"
echo "peak memory:  ${listed_peak} KB with the listing (target: at most 100 MB = 102,400 KB)"
