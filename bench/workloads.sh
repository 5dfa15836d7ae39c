# shellcheck shell=bash
# The benchmarks' workloads, sourced by the timing scripts and by
# bench/sanitize.sh: the default sizes, the generator calls that write each
# program's inputs and the program command lines run on them, so that the
# sanitizer run checks the very commands the benchmarks time.
#
# The caller sets $build (the build directory holding bench/*_gen) and the path
# of the program it runs ($zorvik, $quandel, $pellund or $vostrum). Every
# function works in the current directory. A command function takes as its
# arguments a wrapper to put before the program (taskset, /usr/bin/time -v),
# or none.

# zorvik: OBJECTS objects and a library of 2.5 x OBJECTS members (zorvik_gen),
# linked with and without a map file.
zorvik_objects=2000
zorvik_inputs() { "$build/bench/zorvik_gen" "$1" >/dev/null; }
zorvik_nomap() { "$@" "$zorvik" bench.lkr o*.o bench.lib /o bench.out; }
zorvik_map() { "$@" "$zorvik" bench.lkr o*.o bench.lib /m bench.map /o bench.out; }

# zorvik under many declarations: one small object (zorvik_memories_gen)
# linked with a map file under NAME.lkr, written by zorvik_pages or
# zorvik_sections.
zorvik_memories_pages=(10000 40000 100000)
zorvik_memories_sections=100000
zorvik_memories_inputs() { "$build/bench/zorvik_memories_gen"; }
# zorvik_pages N: N CODEPAGEs p0.. of 16 bytes, back to back, and one DATABANK.
zorvik_pages() {
  awk -v n="$1" 'BEGIN {
    for (i = 0; i < n; i++) printf "CODEPAGE NAME=p%d START=0x%x END=0x%x\n", i, i * 16, i * 16 + 15
    print "DATABANK NAME=gpr START=0x60 END=0x7FF"
  }'
}
# zorvik_sections N: one CODEPAGE and N SECTIONs s0.. in it.
zorvik_sections() {
  awk -v n="$1" 'BEGIN {
    print "CODEPAGE NAME=p START=0 END=0xFFFFF"
    print "DATABANK NAME=gpr START=0x60 END=0x7FF"
    for (i = 0; i < n; i++) printf "SECTION NAME=s%d ROM=p\n", i
  }'
}
# zorvik_memories_link NAME [WRAPPER...]
zorvik_memories_link() {
  local name=$1
  shift
  "$@" "$zorvik" "$name.lkr" one.o /m "$name.map" /o "$name.cof"
}

# quandel: OBJECTS member objects of about 1 KB (quandel_gen), put in a library
# and listed. quandel_inputs names them in quandel_members, so that no timed
# command spends its time on the glob.
quandel_objects=2000
quandel_inputs() {
  "$build/bench/quandel_gen" "$1" >/dev/null
  quandel_members=(m*.o)
}
# quandel_create LIBRARY [WRAPPER...]
quandel_create() {
  local library=$1
  shift
  "$@" "$quandel" /q /c "$library" "${quandel_members[@]}"
}
quandel_list() { "$@" "$quandel" /t bench.lib; }

# pellund: a linked executable of one code section of BYTES bytes of program
# memory at pellund_start, and the same bytes raw (pellund_gen), converted to
# INHX32.
pellund_bytes=2097152
pellund_start=0x0
pellund_inputs() { "$build/bench/pellund_gen" halvern.cof halvern.bin "$1" "$pellund_start"; }
# pellund_hex FORMAT [WRAPPER...]
pellund_hex() {
  local format=$1
  shift
  "$@" "$pellund" /q /a "$format" halvern.cof
}

# vostrum: a linked executable of BYTES bytes of code and SYMBOLS external
# symbols (vostrum_gen), converted without a listing; and the same program
# with LINES source lines, converted with its listing.
vostrum_bytes=2097152
vostrum_symbols=50000
vostrum_lines=200000
vostrum_inputs() { "$build/bench/vostrum_gen" halvern.cof "$1" "$2"; }
vostrum_cod() { "$@" "$vostrum" /q /d halvern.cof; }
vostrum_listing_inputs() { "$build/bench/vostrum_gen" listed.cof "$1" "$2" "$3"; }
vostrum_listing() { "$@" "$vostrum" /q listed.cof; }
