#!/usr/bin/env bash
# Runs the programs of a build (default: build/) on the shipped example, in a
# scratch directory, and shows what they print.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for prog in linker/zorvik librarian/quandel hex/pellund cod/vostrum; do
  echo "\$ $(basename "$prog")"
  "$build/src/$prog" || true
done
