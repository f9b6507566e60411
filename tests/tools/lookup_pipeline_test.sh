#!/usr/bin/env bash
# From a GenBank file to an analysis: kestrel-lookup builds the lookup table, kestrel reads it
# with piped answers, and the output file must hold one row per CDS and the summary.
# Run as: bash lookup_pipeline_test.sh BIN_DIR WORK_DIR
set -euo pipefail
bin=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() { echo "FAIL: $*" >&2; exit 1; }

# Prints a sequence section of the given bases in GenBank layout (60 per line, groups of 10).
sequence_lines() {
  echo "ORIGIN"
  echo "$1" | fold -w 60 | awk '{ printf "%9d", (NR - 1) * 60 + 1; for (i = 1; i <= length($0); i += 10) printf " %s", substr($0, i, 10); print "" }'
  echo "//"
}

# Record 1: a forward gene at 21..110 and a reverse gene at 131..220 (30 codons each).
fwd="atg$(printf 'gct%.0s' {1..28})taa"
rev_coding="atg$(printf 'aaa%.0s' {1..28})tga"
rev=$(echo "$rev_coding" | rev | tr acgt tgca)
seq1="$(printf 'c%.0s' {1..20})${fwd}$(printf 'g%.0s' {1..20})${rev}$(printf 't%.0s' {1..30})"
# Record 2: one gene in two exons, 11..50 and 71..120 (90 coding bases).
seq2="$(printf 'a%.0s' {1..10})atg$(printf 'ccc%.0s' {1..12})c$(printf 'g%.0s' {1..20})cc$(printf 'gaa%.0s' {1..15})taa$(printf 'a%.0s' {1..20})"

{
  echo "LOCUS       CONTIG1                  250 bp    DNA     linear"
  echo "FEATURES             Location/Qualifiers"
  echo "     gene            21..110"
  echo "                     /gene=\"fwdA\""
  echo "     CDS             21..110"
  echo "                     /gene=\"fwdA\""
  echo "                     /product=\"a protein whose name"
  echo "                     runs over two lines\""
  echo "     CDS             complement(131..220)"
  echo "                     /locus_tag=\"REV_0001\""
  sequence_lines "$seq1"
  echo "LOCUS       CONTIG2                  150 bp    DNA     linear"
  echo "FEATURES             Location/Qualifiers"
  echo "     CDS             join(11..50,"
  echo "                     71..120)"
  echo "                     /gene=\"splitB\""
  echo "     CDS             join(OTHER.1:1..90,11..50)"
  echo "                     /gene=\"elsewhere\""
  sequence_lines "$seq2"
} > genes.gb

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
grep -q "^Number of Genes in Cumulative Counts: 3$" genes.kstl || fail "summary missing or wrong: $(tail -n +20 genes.kstl | head -20)"

# A failing input leaves no table behind under -o.
echo "not a GenBank file" > plain.txt
if "$bin/kestrel-lookup" -o bad.lookup genes.gb plain.txt 2> bad.err; then fail "plain text accepted"; fi
grep -q "holds no GenBank record" bad.err || fail "message: $(cat bad.err)"
[ ! -e bad.lookup ] || fail "half-written table left"
ls bad.lookup.* > /dev/null 2>&1 && fail "temporary file left"
if "$bin/kestrel-lookup" missing.gb 2> missing.err > /dev/null; then fail "missing file accepted"; fi
grep -q "cannot read missing.gb" missing.err || fail "message: $(cat missing.err)"

echo "1 passed, 0 failed"
