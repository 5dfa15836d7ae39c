#!/usr/bin/env bash
# Times zorvik on command files of many declarations: 10,000, 40,000 and
# 100,000 CODEPAGEs of 16 bytes each (and a DATABANK), and 100,000 SECTIONs
# naming one CODEPAGE, each linking one small object with a map file; against
# ld.lld (one thread) linking one small ELF object under a script of as many
# MEMORY regions, and of as many output section statements.
# With REF=path/to/zorvik, a zorvik of another revision runs each case once:
# its time is printed beside, and its console text, map (less the date line)
# and executable (less the time stamp) must equal this build's.
# Prints each tool's best wall time over several runs and the ratios.
# Usage: bench/zorvik_memories_bench.sh [runs]       (REF=... in the environment)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/workloads.sh"
build=$root/build-bench-zorvik
runs=${1:-3}
ref=${REF:-}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j3 --target zorvik zorvik_memories_gen >/dev/null
zorvik=$build/src/linker/zorvik

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
zorvik_memories_inputs
printf '\t.text\n\t.globl _start\n_start:\n\tret\n' >one.s
as -o one.elf.o one.s

regions() {
  awk -v n="$1" 'BEGIN {
    print "MEMORY {"
    for (i = 0; i < n; i++) printf "  m%d (rx) : ORIGIN = 0x%x, LENGTH = 0x10\n", i, 0x100000 + i * 16
    print "}"
    print "SECTIONS { .text : { *(.text) } > m0 }"
  }'
}
statements() {
  awk -v n="$1" 'BEGIN {
    print "MEMORY { m (rx) : ORIGIN = 0x100000, LENGTH = 0x100000 }"
    print "SECTIONS {"
    print "  .text : { *(.text) } > m"
    for (i = 0; i < n; i++) printf "  .s%d : { *(.s%d) } > m\n", i, i
    print "}"
  }'
}

now() { date +%s%N; }
# best_ms CMD...: the shortest wall time of `runs` runs, in milliseconds.
best_ms() {
  local best=0 i t0 t1 t
  for ((i = 0; i < runs; i++)); do
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    t=$(((t1 - t0) / 1000))
    if [ "$best" -eq 0 ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# once_ms FILE CMD...: the wall time of one run, in milliseconds; its standard
# output goes to FILE.
once_ms() {
  local out=$1 t0 t1
  shift
  t0=$(now)
  "$@" >"$out"
  t1=$(now)
  awk -v us="$(((t1 - t0) / 1000))" 'BEGIN { printf "%.1f", us / 1000 }'
}

# same_link NAME: this build's files and the reference's agree.
same_link() {
  cmp -s "$1.out.txt" "$1.ref.txt" &&
    cmp -s <(grep -v 'Created' "$1.map") <(grep -v 'Created' "$1.ref.map") &&
    cmp -s <(tail -c +9 "$1.cof") <(tail -c +9 "$1.ref.cof") &&
    cmp -s <(head -c 4 "$1.cof") <(head -c 4 "$1.ref.cof")
}

# run_case NAME LD: zorvik links under NAME.lkr, ld.lld under the script LD.
run_case() {
  local name=$1 ld=$2 z l r=""
  # zorvik must link: a refused command file would time an error path.
  zorvik_memories_link "$name" >"$name.out.txt"
  test -s "$name.cof"
  z=$(best_ms zorvik_memories_link "$name")
  l=$(best_ms ld.lld --threads=1 -T "$ld" -o "$name.elf" one.elf.o)
  if [ -n "$ref" ]; then
    local rt
    rt=$(once_ms "$name.ref.txt" "$ref" "$name.lkr" one.o /m "$name.ref.map" /o "$name.ref.cof")
    if same_link "$name"; then r="   reference ${rt} ms, same output"; else r="   reference ${rt} ms, OUTPUT DIFFERS"; fi
  fi
  printf '%-18s zorvik %9s ms   ld.lld %8s ms   zorvik/lld %6s%s\n' "$name:" "$z" "$l" "$(ratio "$z" "$l")" "$r"
}

for n in "${zorvik_memories_pages[@]}"; do
  zorvik_pages "$n" >"pages$n.lkr"
  regions "$n" >"regions$n.ld"
  run_case "pages$n" "regions$n.ld"
done
n=$zorvik_memories_sections
zorvik_sections "$n" >"sections$n.lkr"
statements "$n" >"statements$n.ld"
run_case "sections$n" "statements$n.ld"
echo "load average:      $(cut -d' ' -f1-3 /proc/loadavg)"
