#!/usr/bin/env bash
# Times zorvik against ld.lld --threads=1 on the same link: OBJECTS objects of
# 100 global definitions and 250 relocations each (249 to other objects, one to
# a library member) and a library of 2.5 x OBJECTS members of 4 definitions, of
# which the link takes one in five. zorvik links the Halvern objects that
# zorvik_gen writes; ld.lld the x86-64 twin that `zorvik_gen OBJECTS elf`
# writes (assembled with as, the members put in an archive with ar). Each side
# links with and without a map file.
#
# ROUNDS interleaved rounds, each running the four links once (pinned to CPU,
# the order turned by one each round, so that each sees the same load); prints
# the medians and the slowest run of each, the ratios the targets name and
# zorvik's peak memory against the bytes of its inputs.
#
# Usage: bench/zorvik_bench.sh [objects] [rounds] [cpu]   (defaults: 2000, 11,
# the last core). ZORVIK=path times that zorvik instead of this tree's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/workloads.sh"
build=$root/build-bench-zorvik
count=${1:-$zorvik_objects}
rounds=${2:-11}
cpu=${3:-$(($(nproc) - 1))}
members=$((count * 5 / 2))

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j3 --target zorvik zorvik_gen >/dev/null
zorvik=${ZORVIK:-$build/src/linker/zorvik}
gen=$build/bench/zorvik_gen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/coff" "$work/elf"
(cd "$work/coff" && zorvik_inputs "$count")
(
  cd "$work/elf"
  "$gen" "$count" elf >/dev/null
  ls e*.s m*.s | xargs -P 4 -n 50 sh -c 'for s; do as -o "${s%.s}.o" "$s"; done' sh
  ar rcs bench.a m*.o
)

pin() { taskset -c "$cpu" "$@"; }
z_nomap() { (cd "$work/coff" && zorvik_nomap pin >/dev/null); }
z_map() { (cd "$work/coff" && zorvik_map pin >/dev/null); }
lld_nomap() { (cd "$work/elf" && pin ld.lld --threads=1 -e o0000_fn00 -o a.out e*.o bench.a); }
lld_map() { (cd "$work/elf" && pin ld.lld --threads=1 -e o0000_fn00 -Map=a.map -o a.out e*.o bench.a); }
links=(z_nomap lld_nomap z_map lld_map)

# Both sides must link, and take the same members: a failed link would time
# an error path.
z_map
lld_map
(cd "$work/elf" && ld.lld --threads=1 -e o0000_fn00 --why-extract=why.txt -o a.out e*.o bench.a)
z_taken=$(grep -cE '^ *l[0-9]{5} +code ' "$work/coff/bench.map" || true)
elf_taken=$(($(wc -l <"$work/elf/why.txt") - 1))
elf_relocs=$(cd "$work/elf" && readelf -rW e*.o | grep -c R_X86_64_PLT32 || true)
elf_defs=$(cd "$work/elf" && nm -g --defined-only e*.o bench.a | grep -c ' T ' || true)
if [ "$z_taken" -ne "$elf_taken" ] || [ "$elf_relocs" -ne $((count * 250)) ] ||
  [ "$elf_defs" -ne $((count * 100 + members * 4)) ]; then
  echo "the two links differ: members taken $z_taken / $elf_taken, ELF relocations $elf_relocs," \
    "ELF definitions $elf_defs" >&2
  exit 1
fi

# One run of each link per round, the order turned by one each round. Times
# in microseconds, process start included.
declare -A times
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((r = 0; r < rounds; r++)); do
  for ((k = 0; k < ${#links[@]}; k++)); do
    link=${links[$(((k + r) % ${#links[@]}))]}
    t0=$EPOCHREALTIME
    $link
    t1=$EPOCHREALTIME
    times[$link]+="$(((${t1/./} - ${t0/./}))) "
  done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# summary LINK: "median slowest" in milliseconds.
summary() {
  tr ' ' '\n' <<<"${times[$1]}" | grep . | sort -n |
    awk '{ t[NR] = $1 } END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2;
                            printf "%.1f %.1f", m / 1000, t[NR] / 1000 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
read -r zn_med zn_max <<<"$(summary z_nomap)"
read -r zm_med zm_max <<<"$(summary z_map)"
read -r ln_med ln_max <<<"$(summary lld_nomap)"
read -r lm_med lm_max <<<"$(summary lld_map)"

peak_kb=0
if [ -x /usr/bin/time ]; then
  peak_kb=$(cd "$work/coff" && zorvik_map /usr/bin/time -v 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident/ {print $2}')
fi
inputs=$(cd "$work/coff" && du -cb o*.o bench.lib bench.lkr | tail -1 | cut -f1)
elf_inputs=$(cd "$work/elf" && du -cb e*.o bench.a | tail -1 | cut -f1)

echo "machine:             $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores; runs pinned to core $cpu"
echo "zorvik:              $zorvik"
echo "date:                $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "load average:        $load_before before the rounds, $load_after after"
echo "inputs:              $count objects, library of $members members ($z_taken taken), $((count * 250)) relocations"
echo "                     zorvik $inputs bytes, ELF $elf_inputs bytes"
echo "output:              $(stat -c %s "$work/coff/bench.out") bytes, map $(stat -c %s "$work/coff/bench.map") bytes (lld map $(stat -c %s "$work/elf/a.map") bytes)"
echo "rounds:              $rounds, median / slowest run"
echo "zorvik without map:  $zn_med / $zn_max ms   slowest/median $(ratio "$zn_max" "$zn_med")   (target <= 1.3)"
echo "ld.lld --threads=1:  $ln_med / $ln_max ms"
echo "zorvik with map:     $zm_med / $zm_max ms   slowest/median $(ratio "$zm_max" "$zm_med")   (target <= 1.3)"
echo "ld.lld -t1 -Map=:    $lm_med / $lm_max ms"
echo "without map:         zorvik/lld1 $(ratio "$zn_med" "$ln_med")   (target <= 0.6)"
echo "with map:            zorvik/lld1 $(ratio "$zm_med" "$lm_med")   (target <= 0.5)"
if [ "$peak_kb" -gt 0 ]; then
  echo "zorvik peak memory:  $peak_kb KB   peak/inputs $(ratio "$((peak_kb * 1024))" "$inputs")   (target <= 3)"
else
  echo "zorvik peak memory:  unknown (no /usr/bin/time)"
fi
