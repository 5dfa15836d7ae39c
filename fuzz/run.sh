#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs every fuzz/<name>_fuzz target on its
# seed corpus for a bounded time: fuzz/corpus/<name>, or for a <thing>_make
# target fuzz/corpus/<thing> when that is the one present. Any crash, leak,
# timeout or out-of-memory fails the run.
#
#   fuzz/run.sh BUILD_DIR [SECONDS [CMAKE_OPTION...]]
#
# SECONDS (default 60) is the total, shared evenly by the targets (at least 10
# each); CMAKE_OPTIONs are added to the configure step (.ci/run: -DZV_WERROR=ON). New inputs go to a scratch directory, never into the seed corpus;
# inputs that fail are kept in BUILD_DIR/artifacts.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [SECONDS]" >&2
  exit 2
fi
build=$1
total=${2:-60}
shift $(($# < 2 ? $# : 2))
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

targets=()
for src in "$here"/*_fuzz.cpp; do
  [ -e "$src" ] || continue
  targets+=("$(basename "$src" .cpp)")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets"
  exit 0
fi

# Every library is built with the fuzzer's coverage instrumentation, so that
# the fuzzer is guided by the code under test and not only by the target.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DZV_FUZZ=ON -DZV_SANITIZE=ON -DZV_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 4)" --target "${targets[@]}"

seconds=$((total / ${#targets[@]}))
[ "$seconds" -ge 10 ] || seconds=10
mkdir -p "$build/artifacts"
artifacts=$(cd "$build/artifacts" && pwd)  # absolute: a target may change directory
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

status=0
for target in "${targets[@]}"; do
  seeds=()
  for corpus in "$here/corpus/${target%_fuzz}" "$here/corpus/${target%_make_fuzz}"; do
    if [ -d "$corpus" ]; then
      seeds+=("$corpus")
      break
    fi
  done
  scratch=$(mktemp -d)
  echo "== $target: ${seconds}s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=8192 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$scratch" "${seeds[@]}" 2>"$build/$target.log"; then
    tail -n 60 "$build/$target.log"
    echo "$target failed; inputs in $artifacts"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/$target.log" || true
  fi
  rm -rf "$scratch"
done
exit $status
