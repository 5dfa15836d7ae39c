#!/usr/bin/env bash
# Times pellund against GNU objcopy on the same 2 MB of Halvern program memory:
# pellund converts a generated linked executable holding one 2 MB code section
# to INHX32, objcopy converts the section's raw bytes (-I binary -O ihex, moved
# to the same start). Both outputs are read back to check that they hold the
# same bytes. Prints each tool's best time over several runs, the ratio, and
# pellund's peak memory. Usage: bench/pellund_bench.sh [bytes] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench-pellund
bytes=${1:-2097152}
runs=${2:-21}
start=0x0

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target pellund pellund_gen >/dev/null
pellund=$build/src/hex/pellund

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/bench/pellund_gen" halvern.cof halvern.bin "$bytes" "$start"

now() { date +%s%N; }

# best_ms CMD...: the shortest wall time of `runs` runs of the command, in ms.
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

pellund_ms=$(best_ms "$pellund" /q /a INHX32 halvern.cof)
objcopy_ms=$(best_ms objcopy -I binary -O ihex --change-addresses "$start" halvern.bin objcopy.hex)

# Both files must hold the input's bytes.
objcopy -I ihex -O binary halvern.hex pellund.back
objcopy -I ihex -O binary objcopy.hex objcopy.back
cmp -s pellund.back halvern.bin || { echo "pellund's HEX file does not read back" >&2; exit 1; }
cmp -s objcopy.back halvern.bin || { echo "objcopy's HEX file does not read back" >&2; exit 1; }

in_bytes=$(stat -c %s halvern.cof)
peak=$(/usr/bin/time -v "$pellund" /q halvern.cof 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')

echo "input:               $in_bytes bytes of COFF, $bytes bytes of program memory at $start"
echo "output:              $(stat -c %s halvern.hex) bytes (objcopy: $(stat -c %s objcopy.hex) bytes)"
echo "INHX32  pellund:     ${pellund_ms} ms   objcopy: ${objcopy_ms} ms   ratio $(printf '%.2f' "$(echo "scale=4; $pellund_ms / $objcopy_ms" | bc)")"
echo "peak memory:         ${peak} KB   (limit: 3 x input + 16 MB = $((3 * in_bytes / 1024 + 16384)) KB)"
