#!/usr/bin/env bash
# Runs every benchmark workload once under AddressSanitizer (with its leak
# check) and UndefinedBehaviorSanitizer instead of timing it. Builds the
# programs and the generators with clang++ and ZV_SANITIZE in build-bench-san,
# writes each benchmark's inputs and runs each program command line that its
# timing script times (both from bench/workloads.sh), one after the other, with
# no peer tool. pellund's INHX8M and INHX8S, which reach 64 KB only, convert a
# 64 KB program of the same generator.
#
# The sanitizer options are those of the CI's sanitizer run: a report ends the
# program with a status no program of the system uses (99 or 98). A workload
# passes when its program exits with 0 and its output holds no report. Prints
# one line per workload, its wall time, and the report of each that failed;
# exits with 1 if any failed. A generator that fails stops the script with its
# own report.
#
# Usage: bench/sanitize.sh [scale]   (default 1: the full workloads; N divides
# every workload's size by N). SAN_BUILD_TYPE=RelWithDebInfo builds with
# optimisation (default Debug).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench-san
scale=${1:-1}
source "$root/bench/workloads.sh"

CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${SAN_BUILD_TYPE:-Debug}" \
  -DZV_SANITIZE=ON -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j4 --target zorvik quandel pellund vostrum \
  zorvik_gen zorvik_memories_gen quandel_gen pellund_gen vostrum_gen >/dev/null
zorvik=$build/src/linker/zorvik
quandel=$build/src/librarian/quandel
pellund=$build/src/hex/pellund
vostrum=$build/src/cod/vostrum
export ASAN_OPTIONS=exitcode=99:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:exitcode=98

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# scaled N [UNIT]: N divided by the scale, in whole UNITs, at least one UNIT.
scaled() {
  local unit=${2:-1} n
  n=$(($1 / scale / unit * unit))
  echo $((n < unit ? unit : n))
}

# check NAME COMMAND...: runs the command once in the current directory and
# prints whether it passed, with its wall time; a failure adds its report.
failed=0
check() {
  local name=$1 status=0 t0=$EPOCHREALTIME t1 log
  shift
  log=$(mktemp -p "$work")
  "$@" >"$log" 2>&1 || status=$?
  t1=$EPOCHREALTIME
  local seconds
  seconds=$(awk -v us=$((${t1/./} - ${t0/./})) 'BEGIN { printf "%.1f", us / 1e6 }')
  local report='ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:'
  if [ "$status" -eq 0 ] && ! grep -qE "$report" "$log"; then
    printf '%-32s passed  %7s s\n' "$name" "$seconds"
    return
  fi
  failed=1
  # The status tells a report from a failure of the program's own, not which
  # sanitizer reported: their common exit code is the one read last (98).
  local why="exit status $status"
  grep -q 'ERROR: AddressSanitizer' "$log" && why="AddressSanitizer report, $why"
  grep -q 'ERROR: LeakSanitizer' "$log" && why="LeakSanitizer report, $why"
  grep -q 'runtime error:' "$log" && why="UndefinedBehaviorSanitizer report, $why"
  printf '%-32s FAILED  %7s s   %s\n' "$name" "$seconds" "$why"
  if grep -qE "$report" "$log"; then
    sed -n -E "/$report/,/^SUMMARY:/p" "$log" | head -n 40 | sed 's/^/    /'
  else
    tail -n 20 "$log" | sed 's/^/    /'
  fi
}

echo "sanitizer build: $build (${SAN_BUILD_TYPE:-Debug}), scale 1/$scale"

mkdir "$work/zorvik" && cd "$work/zorvik"
objects=$(scaled "$zorvik_objects" 2)
zorvik_inputs "$objects"
check "zorvik $objects objects, no map" zorvik_nomap
check "zorvik $objects objects, map" zorvik_map

mkdir "$work/memories" && cd "$work/memories"
zorvik_memories_inputs
for n in "${zorvik_memories_pages[@]}"; do
  n=$(scaled "$n")
  zorvik_pages "$n" >"pages$n.lkr"
  check "zorvik $n CODEPAGEs" zorvik_memories_link "pages$n"
done
n=$(scaled "$zorvik_memories_sections")
zorvik_sections "$n" >"sections$n.lkr"
check "zorvik $n SECTIONs" zorvik_memories_link "sections$n"

mkdir "$work/quandel" && cd "$work/quandel"
objects=$(scaled "$quandel_objects")
quandel_inputs "$objects"
check "quandel /c $objects members" quandel_create bench.lib
check "quandel /t $objects members" quandel_list

mkdir "$work/pellund" && cd "$work/pellund"
bytes=$(scaled "$pellund_bytes" 1024)
pellund_inputs "$bytes"
check "pellund INHX32 $bytes bytes" pellund_hex INHX32
mkdir "$work/pellund64k" && cd "$work/pellund64k"
pellund_inputs 65536
for format in INHX8M INHX8S; do
  check "pellund $format 65536 bytes" pellund_hex "$format"
done

mkdir "$work/vostrum" && cd "$work/vostrum"
bytes=$(scaled "$vostrum_bytes" 1024)
symbols=$(scaled "$vostrum_symbols")
lines=$(scaled "$vostrum_lines")
vostrum_inputs "$bytes" "$symbols"
check "vostrum /d $bytes bytes" vostrum_cod
vostrum_listing_inputs "$bytes" "$symbols" "$lines"
check "vostrum listing $lines lines" vostrum_listing

exit "$failed"
