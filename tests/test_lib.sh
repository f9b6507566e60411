# Shared by the scripted tests (KESTREL_BIN_DIR names the programs' folder): failures, time-limited runs, peak
# memory, generators of sequence files and lookup entries, and the checks every analysis run must pass.
# Sourced with "--work BIN_DIR WORK_DIR": the checkout as $root, BIN_DIR as $bin, and a fresh WORK_DIR to work in.
if [ "${1:-}" = --work ]; then
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd) bin=$2
  export KESTREL_BIN_DIR=$2
  rm -rf "$3" && mkdir -p "$3" && cd "$3" || exit 1
fi
kestrel=$KESTREL_BIN_DIR/kestrel
fail=0
bad() { echo "FAIL: $*"; fail=1; }

# Peak memory by GNU time, when installed; under AddressSanitizer it is not the program's own, so not checked.
measured=1
[ -x /usr/bin/time ] || measured=0
ldd "$kestrel" 2> /dev/null | grep -q libasan && measured=0
timed() {  # NAME COMMAND...: the command, its peak memory in NAME.rss
  if [ $measured = 1 ]; then /usr/bin/time -f %M -o "$1.rss" "${@:2}"; else "${@:2}"; fi
}
small() { [ $measured = 0 ] || [ "$(tail -1 "$1.rss")" -lt 65536 ] || bad "$1: peak memory $(tail -1 "$1.rss") kB"; }

# expect STATUS NAME COMMAND...: the command ends within 30 s with this status; its output in NAME.out, NAME.err.
expect() {
  timeout 30 "${@:3}" > "$2.out" 2> "$2.err"
  local got=$?
  [ "$got" = "$1" ] || bad "$2: status $got, expected $1: $(head -3 "$2.err")"
}
# shows NAME TEXT: NAME.out or NAME.err holds the text, line ends included (grep would take each line apart).
shows() { local seen; seen=$(cat "$1".out "$1".err 2> /dev/null); [[ "$seen" == *"$2"* ]] || bad "$1: no '$2'"; }
# says STATUS NAME TEXT COMMAND...: as expect, and the output shows the text.
says() { local text=$3; expect "$1" "$2" "${@:4}"; shows "$2" "$text"; }
# holds FILE TEXT: the file holds the text, line ends included.
holds() { [[ "$(cat "$1")" == *"$2"* ]]; }
complete() { tail -1 "$1" | grep -q '^Bad codons: ' || bad "$1 has no end-of-run summary"; }
# example_run: the example as g.gb, its lookup table g.lookup and its default analysis a.kstl, here.
example_run() {
  cp "$(dirname "${BASH_SOURCE[0]}")/../examples/example.gb" g.gb && "$KESTREL_BIN_DIR/kestrel-lookup" -o g.lookup g.gb 2> /dev/null &&
    printf '%s\n' g.lookup a C C | "$kestrel" > /dev/null || bad "the example's analysis failed"
}

# make_record LENGTH PER_LINE SEED: a GenBank-like record of LENGTH random bases, PER_LINE letters a line.
make_record() {
  awk -v n="$1" -v per="$2" -v seed="$3" 'BEGIN {
    srand(seed); print "LOCUS       test " n " bp"; print "FEATURES             Location/Qualifiers"; print "ORIGIN"
    s = ""; for (i = 1; i <= n; i++) s = s substr("ACGT", int(rand() * 4) + 1, 1)
    for (p = 1; p <= n; p += per) {
      line = sprintf("%9d", p); chunk = substr(s, p, per)
      for (k = 1; k <= length(chunk); k += 10) line = line " " substr(chunk, k, 10)
      print line
    }
    print "//" }'
}

# entry CDS GENE FILE CONTIG BEFORE AFTER ALTFIRST ALTLAST: one 11-line lookup entry.
entry() {
  printf '#CDS %s\n#gene %s\n#nListings 1\n#nAlt 0\n#file %s\n#contig %s\n#beforeSpace %s\n#afterSpace %s\n#altCDSFirst %s\n#altCDSlast %s\n//\n' "$@"
}

# run_kestrel LOOKUP OUT [STATUS]: a scripted default analysis; fails on another status than STATUS (default 0:
# 1 for a table without entries), a crash or a time-out.
run_kestrel() {
  printf '%s %s\nC\nC\n' "$1" "$2" | timeout 60 "$kestrel" > "$2.console" 2> "$2.stderr"
  local status=$?
  [ "$status" = "${3:-0}" ] || { echo "$1: status $status (expected ${3:-0}; 124 a time-out, above 128 a crash)"; head -20 "$2.stderr"; return 1; }
}

# rows_complete OUT.kstl N [min]: exactly N gene rows as long as the column-header line (short names), then the
# summary. With "min" a row may be longer: a number wider than its cell is written whole.
rows_complete() {
  awk -v want="$2" -v min="${3:-}" '
    !header && /^Gene   / {header = length($0); next}
    header && !done && /^$/ {done = 1; next}
    header && !done {n++; if (length($0) < header || (min == "" && length($0) != header)) bad++}
    /^Bad codons: / {summary = 1}
    END {if (bad || n != want || !summary) {printf "rows %d (want %d), incomplete %d, summary %d\n", n, want, bad, summary; exit 1}}' "$1"
}

# row_of OUT.kstl GENE: the gene's row without its File cell (columns 32 to 72).
row_of() { grep "^$2 " "$1" | cut -c1-31,73-; }
# The GenBank file $1 as EMBL: feature lines "FT", the sequence after "SQ".
genbank_to_embl() {
  awk '/^LOCUS/ { print "ID   " $2 "; SV 1; linear; DNA; STD; UNC; " $3 " BP."; next }
       /^FEATURES/ { features = 1; print "FH   Key             Location/Qualifiers"; next }
       /^ORIGIN/ { features = 0; print "SQ   Sequence"; next }
       /^\/\// { features = 0 }
       features { print "FT" substr($0, 3); next } { print }' "$1"
}
