#!/usr/bin/env bash
# Times vostrum on a generated 2 MB Halvern executable with 50,000 symbols
# (no listing). There is no peer tool for COD files, so it prints vostrum's
# best time over several runs and its peak memory, and reads the COD file's
# size back. Usage: bench/vostrum_bench.sh [bytes] [symbols] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench-vostrum
bytes=${1:-2097152}
symbols=${2:-50000}
runs=${3:-11}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vostrum vostrum_gen >/dev/null
vostrum=$build/src/cod/vostrum

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/bench/vostrum_gen" halvern.cof "$bytes" "$symbols"

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

vostrum_ms=$(best_ms "$vostrum" /q /d halvern.cof)
[ -s halvern.cod ] || { echo "no COD file written" >&2; exit 1; }
in_bytes=$(stat -c %s halvern.cof)
peak=$(/usr/bin/time -v "$vostrum" /q /d halvern.cof 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')

echo "input:        $in_bytes bytes of COFF, $bytes bytes of program memory, $symbols symbols"
echo "output:       $(stat -c %s halvern.cod) bytes of COD"
echo "vostrum /d:   ${vostrum_ms} ms"
echo "peak memory:  ${peak} KB"
