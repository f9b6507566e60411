#!/usr/bin/env bash
# From a GenBank file to an analysis: kestrel-lookup builds the lookup table, kestrel reads it
# with piped answers, and the output file must hold one row per CDS and the summary.
# Run as: bash lookup_pipeline_test.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1
work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
repeat() { printf "$1%.0s" $(seq "$2"); }
# A record of the given bases in GenBank layout (60 per line, groups of 10) after its feature lines.
record() {
  printf 'LOCUS       %s                  %d bp    DNA     linear\n' "$1" ${#2}
  echo "FEATURES             Location/Qualifiers"
  cat
  echo "ORIGIN"
  echo "$2" | fold -w 60 | awk '{ printf "%9d", (NR - 1) * 60 + 1; for (i = 1; i <= length($0); i += 10) printf " %s", substr($0, i, 10); print "" }'
  echo "//"
}

# Record 1: a forward gene at 21..110 and a reverse gene at 131..220 (30 codons each).
rev=$(echo "atg$(repeat aaa 28)tga" | rev | tr acgt tgca)
record CONTIG1 "$(repeat c 20)atg$(repeat gct 28)taa$(repeat g 20)${rev}$(repeat t 30)" > genes.gb <<'EOF'
     CDS             21..110
                     /gene="fwdA"
     CDS             complement(131..220)
                     /locus_tag="REV_0001"
EOF
# Record 2: one gene in two exons, 11..50 and 71..120 (90 coding bases).
record CONTIG2 "$(repeat a 10)atg$(repeat ccc 12)c$(repeat g 20)cc$(repeat gaa 15)taa$(repeat a 20)" >> genes.gb <<'EOF'
     CDS             join(11..50,
                     71..120)
                     /gene="splitB"
     CDS             join(OTHER.1:1..90,11..50)
                     /gene="elsewhere"
EOF

"$bin/kestrel-lookup" -o genes.lookup genes.gb 2> lookup.err || fail "kestrel-lookup exited with $?"
grep -q "3 entries written, 1 CDS features skipped (1 on another record" lookup.err || fail "summary: $(cat lookup.err)"
[ "$(grep -c '^#CDS' genes.lookup)" = 3 ] || fail "expected 3 entries"
grep -qx '#afterSpace 20' genes.lookup || fail "fwdA's room up to REV_0001"
grep -qx '#contig 2' genes.lookup || fail "splitB lies on the second contig"

printf 'genes.lookup\ngenes\nC\nC\n' | "$bin/kestrel" > console.txt || fail "kestrel exited with $?"
[ -f genes.kstl ] || fail "no output file; console: $(tail -5 console.txt)"
for gene in fwdA REV_0001 splitB; do
  [ "$(grep -c "^$gene " genes.kstl)" = 1 ] || fail "one row for $gene expected"
done
grep -q "^Number of Genes in Cumulative Counts: 3$" genes.kstl || fail "summary missing or wrong"

# A failing input leaves no table behind under -o.
echo "not a GenBank file" > plain.txt
! "$bin/kestrel-lookup" -o bad.lookup genes.gb plain.txt 2> bad.err || fail "plain text accepted"
grep -q "holds no GenBank record" bad.err || fail "message: $(cat bad.err)"
[ ! -e bad.lookup ] && ! ls bad.lookup.* > /dev/null 2>&1 || fail "half-written or temporary table left"
! "$bin/kestrel-lookup" missing.gb 2> missing.err > /dev/null || fail "missing file accepted"
grep -q "missing.gb: cannot be opened for reading" missing.err || fail "message: $(cat missing.err)"

# A pseudogene is written only when asked for; a file name the analysis would misread is refused.
record PSEUDO "$(repeat a 300)" > pseudo.gb <<'EOF'
     CDS             1..90
                     /gene="pseuA"
                     /pseudo
EOF
"$bin/kestrel-lookup" pseudo.gb > skip.lookup 2> skip.err || fail "pseudogene file refused"
[ ! -s skip.lookup ] && grep -q " 1 pseudogene," skip.err || fail "pseudogene written: $(cat skip.err)"
"$bin/kestrel-lookup" --keep-pseudo pseudo.gb 2> /dev/null | grep -qx '#gene pseuA' || fail "--keep-pseudo"
cp pseudo.gb 'a#CDS.gb'
status=0
"$bin/kestrel-lookup" 'a#CDS.gb' > /dev/null 2> hash.err || status=$?
[ $status = 1 ] && grep -q "rename the file" hash.err || fail "file name with #: status $status, $(cat hash.err)"
echo "1 passed, 0 failed"
