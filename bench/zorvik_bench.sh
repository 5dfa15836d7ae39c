#!/usr/bin/env bash
# Times zorvik on a generated link of OBJECTS objects (100 external definitions
# and 250 relocations each) and a library of 2.5 x OBJECTS members of which the
# link imports one in five, on a Halvern device; against the time to read all
# its inputs (cat), and against ld.lld (one thread and all) and GNU ld linking
# an ELF workload of the same counts (OBJECTS objects of 100 global functions
# and 250 calls each, generated as assembly and assembled with as). zorvik also
# links the same workload at a tenth of the size.
# Prints each tool's best wall time over several runs, the ratios, and
# zorvik's peak memory. Usage: bench/zorvik_bench.sh [objects] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench-zorvik
count=${1:-2000}
runs=${2:-5}
tenth=$((count / 10))

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j3 --target zorvik zorvik_gen >/dev/null
zorvik=$build/src/linker/zorvik

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/full" "$work/tenth" "$work/elf"
(cd "$work/full" && "$build/bench/zorvik_gen" "$count" >/dev/null)
(cd "$work/tenth" && "$build/bench/zorvik_gen" "$tenth" >/dev/null)

# The ELF workload: f<object>_<n> for n < 100 in each object, each calling
# 250 functions of the other objects in total (the first 50 make 3 calls,
# the others 2), and a _start in the first.
(
  cd "$work/elf"
  awk -v count="$count" 'BEGIN {
    for (o = 0; o < count; o++) {
      file = sprintf("e%04d.s", o)
      printf "\t.text\n" > file
      if (o == 0) printf "\t.globl _start\n_start:\n\tret\n" >> file
      call = 0
      for (f = 0; f < 100; f++) {
        printf "\t.globl f%d_%d\n\t.type f%d_%d,@function\nf%d_%d:\n", o, f, o, f, o, f >> file
        calls = f < 50 ? 3 : 2
        for (c = 0; c < calls; c++) {
          other = (o + 1 + (call * 7919 + o * 31) % (count - 1)) % count
          printf "\tcall f%d_%d\n", other, (call * 13 + o) % 100 >> file
          call++
        }
        printf "\tret\n" >> file
      }
      close(file)
    }
  }'
  for s in e*.s; do as -o "${s%.s}.o" "$s"; done
)

now() { date +%s%N; }

# best_ms DIR CMD...: runs CMD in DIR `runs` times; prints the shortest wall
# time in milliseconds.
best_ms() {
  local dir=$1 best=0 i t0 t1 t
  shift
  for ((i = 0; i < runs; i++)); do
    t0=$(now)
    (cd "$dir" && "$@" >/dev/null)
    t1=$(now)
    t=$(((t1 - t0) / 1000))
    if [ "$best" -eq 0 ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
read_all() { cat o*.o bench.lib bench.lkr >/dev/null; }
link_z() { "$zorvik" bench.lkr o*.o bench.lib /m bench.map /o bench.out; }
# Without the map file, as the ELF linkers run (they write none).
link_nomap() { "$zorvik" bench.lkr o*.o bench.lib /o bench.out; }
lld_one() { ld.lld --threads=1 -o a.out e*.o; }
lld_all() { ld.lld -o a.out e*.o; }
gnu_ld() { ld -o a.out e*.o; }

# zorvik must link (a failed link would time an error path).
(cd "$work/full" && link_z >/dev/null && test -s bench.out)
(cd "$work/tenth" && link_z >/dev/null && test -s bench.out)

z_full=$(best_ms "$work/full" link_z)
z_nomap=$(best_ms "$work/full" link_nomap)
z_tenth=$(best_ms "$work/tenth" link_z)
read_ms=$(best_ms "$work/full" read_all)
lld1=$(best_ms "$work/elf" lld_one)
lldn=$(best_ms "$work/elf" lld_all)
gld=$(best_ms "$work/elf" gnu_ld)

peak="unknown (no /usr/bin/time)"
if [ -x /usr/bin/time ]; then
  peak=$(cd "$work/full" && /usr/bin/time -v "$zorvik" bench.lkr o*.o bench.lib /m bench.map \
    /o bench.out 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2 " KB"}')
fi

inputs=$(cd "$work/full" && du -cb o*.o bench.lib bench.lkr | tail -1 | cut -f1)
elf_inputs=$(cd "$work/elf" && du -cb e*.o | tail -1 | cut -f1)
echo "inputs:              $count objects + library of $((count * 5 / 2)) members, $inputs bytes (ELF: $elf_inputs bytes)"
echo "output:              $(stat -c %s "$work/full/bench.out") bytes, map $(stat -c %s "$work/full/bench.map") bytes"
echo "zorvik full:         ${z_full} ms"
echo "zorvik tenth:        ${z_tenth} ms   full/tenth $(ratio "$z_full" "$z_tenth")   (target <= 11)"
echo "read all inputs:     ${read_ms} ms   zorvik/read $(ratio "$z_full" "$read_ms")   (target <= 5)"
echo "ld.lld --threads=1:  ${lld1} ms   zorvik/lld1 $(ratio "$z_full" "$lld1")   (target <= 1)"
echo "zorvik without map:  ${z_nomap} ms   zorvik/lld1 $(ratio "$z_nomap" "$lld1")"
echo "ld.lld:              ${lldn} ms   zorvik/lld $(ratio "$z_full" "$lldn")"
echo "GNU ld:              ${gld} ms   zorvik/ld $(ratio "$z_full" "$gld")"
echo "zorvik peak memory:  ${peak}"
echo "load average:        $(cut -d' ' -f1-3 /proc/loadavg)"
