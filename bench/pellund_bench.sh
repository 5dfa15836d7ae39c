#!/usr/bin/env bash
# Times pellund against GNU objcopy on the same 2 MB of Halvern program memory:
# pellund converts a generated linked executable holding one 2 MB code section
# to INHX32, objcopy converts the section's raw bytes (-I binary -O ihex, moved
# to the same start). Both outputs are read back to check that they hold the
# same bytes. Prints each tool's median time over paired runs, the median of
# the pairs' ratios, the I/O floor (the time to read the input and to write a
# file of the output's size) and pellund's peak memory.
# Usage: bench/pellund_bench.sh [bytes] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/workloads.sh"
build=$root/build-bench-pellund
bytes=${1:-$pellund_bytes}
runs=${2:-21}
start=$pellund_start

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target pellund pellund_gen >/dev/null
pellund=$build/src/hex/pellund

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
pellund_inputs "$bytes"

# run CMD...: one run of the command; prints its wall time and its CPU time
# (user + system), both in microseconds.
run() {
  local TIMEFORMAT='%3R %3U %3S' t
  t=$({ time "$@" >/dev/null 2>/dev/null; } 2>&1)
  echo "$t" | awk '{ printf "%d %d\n", $1 * 1e6, ($2 + $3) * 1e6 }'
}

# median N: the middle one of column N of standard input.
median() { awk -v c="$1" '{ print $c }' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ms() { echo "scale=2; $1 / 1000" | bc; }

# Paired runs: each round times pellund and objcopy back to back (the order
# alternating), so both see the same load. The times are medians over the
# rounds; the ratios are the medians of the rounds' ratios. The wall time is
# the target's measure; the CPU time is less disturbed by other work on the
# machine.
: >pairs.t
for ((i = 0; i < runs; i++)); do
  if ((i % 2)); then
    o=$(run objcopy -I binary -O ihex --change-addresses "$start" halvern.bin objcopy.hex)
    p=$(run pellund_hex INHX32)
  else
    p=$(run pellund_hex INHX32)
    o=$(run objcopy -I binary -O ihex --change-addresses "$start" halvern.bin objcopy.hex)
  fi
  echo "$p $o" | awk '{ printf "%d %d %d %d %.4f %.4f\n", $1, $2, $3, $4, $1 / $3, ($4 ? $2 / $4 : 0) }' >>pairs.t
done

# The I/O floor: reading the input and writing a file of the output's size.
out_bytes=$(stat -c %s halvern.hex)
write_output_size() { head -c "$out_bytes" /dev/zero >floor.hex; }
: >floor.t
for ((i = 0; i < runs; i++)); do
  echo "$(run cat halvern.cof) $(run write_output_size)" >>floor.t
done

# Both files must hold the input's bytes.
objcopy -I ihex -O binary halvern.hex pellund.back
objcopy -I ihex -O binary objcopy.hex objcopy.back
cmp -s pellund.back halvern.bin || { echo "pellund's HEX file does not read back" >&2; exit 1; }
cmp -s objcopy.back halvern.bin || { echo "objcopy's HEX file does not read back" >&2; exit 1; }

in_bytes=$(stat -c %s halvern.cof)
peak=$(pellund_hex INHX32 /usr/bin/time -v 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')

echo "input:               $in_bytes bytes of COFF, $bytes bytes of program memory at $start"
echo "output:              $out_bytes bytes (objcopy: $(stat -c %s objcopy.hex) bytes)"
echo "INHX32 (medians of $runs paired runs, process start included):"
echo "  wall  pellund: $(ms "$(median 1 <pairs.t)") ms   objcopy: $(ms "$(median 3 <pairs.t)") ms   ratio $(median 5 <pairs.t)"
echo "  CPU   pellund: $(ms "$(median 2 <pairs.t)") ms   objcopy: $(ms "$(median 4 <pairs.t)") ms   ratio $(median 6 <pairs.t)"
echo "I/O floor (wall):    cat input: $(ms "$(median 1 <floor.t)") ms   head -c output size: $(ms "$(median 3 <floor.t)") ms"
echo "peak memory:         ${peak} KB   (limit: input + 8 MB = $((in_bytes / 1024 + 8192)) KB)"
