# Shared by the bad-input cases: generators of sequence files and lookup entries, a
# time-limited scripted run, and the checks every run must pass.
kestrel=$KESTREL_BIN_DIR/kestrel

# make_record LENGTH PER_LINE SEED: one GenBank-like record of LENGTH bases, PER_LINE
# letters per sequence line, numbered and in groups of ten as usual.
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

# run_kestrel LOOKUP OUT: a scripted default analysis with a time limit; fails on a
# non-zero status or a time-out.
run_kestrel() {
  printf '%s %s\nC\nC\n' "$1" "$2" | timeout 60 "$kestrel" > "$2.console" 2> "$2.stderr" ||
    { echo "$1: status $? (time-out or crash)"; cat "$2.stderr" | head -20; return 1; }
}

# rows_complete OUT.kstl N [min]: exactly N gene rows, each as long as the column-header
# line (the names in these cases are short), and the summary after them. With "min" a
# row may be longer: a number wider than its cell is written whole.
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
