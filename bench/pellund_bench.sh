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

# us CMD...: the wall time of one run of the command, in microseconds.
us() {
  local t0 t1
  t0=$(now)
  "$@" >/dev/null
  t1=$(now)
  echo $(((t1 - t0) / 1000))
}

# median: the middle one of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ms() { echo "scale=2; $1 / 1000" | bc; }

# Paired runs: each round times pellund and objcopy back to back (the order
# alternating), so both see the same load; the ratio is the median of the
# rounds' ratios.
: >pellund.t
: >objcopy.t
: >ratio.t
for ((i = 0; i < runs; i++)); do
  if ((i % 2)); then
    o=$(us objcopy -I binary -O ihex --change-addresses "$start" halvern.bin objcopy.hex)
    p=$(us "$pellund" /q /a INHX32 halvern.cof)
  else
    p=$(us "$pellund" /q /a INHX32 halvern.cof)
    o=$(us objcopy -I binary -O ihex --change-addresses "$start" halvern.bin objcopy.hex)
  fi
  echo "$p" >>pellund.t
  echo "$o" >>objcopy.t
  echo "scale=4; $p / $o" | bc >>ratio.t
done
pellund_us=$(median <pellund.t)
objcopy_us=$(median <objcopy.t)
ratio=$(median <ratio.t)

# The I/O floor: reading the input and writing a file of the output's size.
out_bytes=$(stat -c %s halvern.hex)
: >read.t
: >write.t
write_output_size() { head -c "$out_bytes" /dev/zero >floor.hex; }
for ((i = 0; i < runs; i++)); do
  us cat halvern.cof >>read.t
  us write_output_size >>write.t
done
read_us=$(median <read.t)
write_us=$(median <write.t)

# Both files must hold the input's bytes.
objcopy -I ihex -O binary halvern.hex pellund.back
objcopy -I ihex -O binary objcopy.hex objcopy.back
cmp -s pellund.back halvern.bin || { echo "pellund's HEX file does not read back" >&2; exit 1; }
cmp -s objcopy.back halvern.bin || { echo "objcopy's HEX file does not read back" >&2; exit 1; }

in_bytes=$(stat -c %s halvern.cof)
peak=$(/usr/bin/time -v "$pellund" /q halvern.cof 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')

echo "input:               $in_bytes bytes of COFF, $bytes bytes of program memory at $start"
echo "output:              $out_bytes bytes (objcopy: $(stat -c %s objcopy.hex) bytes)"
echo "INHX32  pellund:     $(ms "$pellund_us") ms   objcopy: $(ms "$objcopy_us") ms   ratio $(printf '%.2f' "$ratio")   (medians of $runs paired runs)"
echo "I/O floor:           cat input: $(ms "$read_us") ms   head -c output size: $(ms "$write_us") ms"
echo "peak memory:         ${peak} KB   (limit: input + 8 MB = $((in_bytes / 1024 + 8192)) KB)"
