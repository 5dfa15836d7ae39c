#!/usr/bin/env bash
# Times quandel against GNU ar on the same 2,000 generated member objects:
# creating a library (quandel /c vs ar qc, and vs ar qcS) and listing it
# (quandel /t vs ar t).
# Prints each tool's best time over several runs, the ratios, and quandel's
# peak memory. Usage: bench/quandel_bench.sh [objects] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/workloads.sh"
build=$root/build-bench-quandel
count=${1:-$quandel_objects}
runs=${2:-7}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZV_BENCH=ON -DZV_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target quandel quandel_gen >/dev/null
quandel=$build/src/librarian/quandel

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
quandel_inputs "$count"

now() { date +%s%N; }

# best_ms PREP CMD...: runs PREP (unmeasured), then CMD, `runs` times; prints
# the shortest wall time of CMD in milliseconds.
best_ms() {
  local prep=$1 best=0 i t0 t1 t
  shift
  for ((i = 0; i < runs; i++)); do
    $prep
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    t=$(((t1 - t0) / 1000))
    if [ "$best" -eq 0 ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
fresh_lib() { rm -f bench.lib; }
fresh_ar() { rm -f bench.a; }
nothing() { :; }

create_q=$(best_ms fresh_lib quandel_create bench.lib)
create_a=$(best_ms fresh_ar ar qc bench.a "${quandel_members[@]}")
# Without its symbol index (S), for which ar tries every object format it
# knows on each member: the part of ar's work that compares with quandel's.
create_s=$(best_ms fresh_ar ar qcS bench.a "${quandel_members[@]}")
list_q=$(best_ms nothing quandel_list)
list_a=$(best_ms nothing ar t bench.a)

lib_bytes=$(stat -c %s bench.lib)
peak_c=$(quandel_create peak.lib /usr/bin/time -v 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')
peak_t=$(quandel_list /usr/bin/time -v 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident/ {print $2}')

echo "members:             $count objects, $(du -cb "${quandel_members[@]}" | tail -1 | cut -f1) bytes"
echo "library:             $lib_bytes bytes (ar: $(stat -c %s bench.a) bytes)"
echo "create  quandel /c:  ${create_q} ms   ar qc: ${create_a} ms   ratio $(ratio "$create_q" "$create_a")"
echo "                                 ar qcS: ${create_s} ms   ratio $(ratio "$create_q" "$create_s")   (no symbol index)"
echo "list    quandel /t:  ${list_q} ms   ar t:  ${list_a} ms   ratio $(ratio "$list_q" "$list_a")"
echo "peak memory /c:      ${peak_c} KB   (limit: 2 x library + 16 MB = $((2 * lib_bytes / 1024 + 16384)) KB)"
echo "peak memory /t:      ${peak_t} KB"
