#!/usr/bin/env bash
# kestrel-lookup on the example gzipped, as EMBL and as coding sequences: the analysis of what it writes
# gives the GenBank file's own rows; and the command lines it refuses.
# Usage: bash lookup_inputs_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"
lookup=$bin/kestrel-lookup

cp "$root/examples/example.gb" g.gb && gzip -c g.gb > z.gb.gz
genbank_to_embl g.gb > e.embl
# Gene rows without their File column (the first cell after the name is the file's).
rows() { awk '/^Gene  / { on = 1; next } on && $0 == "" { exit } on { $2 = ""; print }' "$1"; }
analyse() { printf '%s\n' "$1" "$2" C C | "$bin/kestrel" > "$2.console" 2>&1 || bad "the analysis of $1 failed"; }
expect 0 plain "$lookup" -o g.lookup g.gb
analyse g.lookup g
for input in z.gb.gz e.embl; do
  expect 0 "$input" "$lookup" -o "$input.lookup" "$input"
  [ -s "$input.seq" ] || bad "$input: no sequence file"
  diff <(grep -v '^#file' g.lookup) <(grep -v '^#file' "$input.lookup") > /dev/null || bad "$input: other entries"
  analyse "$input.lookup" "${input%%.*}"
  [ "$(rows "${input%%.*}.kstl")" = "$(rows g.kstl)" ] && [ -n "$(rows g.kstl)" ] || bad "$input: other rows"
done

# A coding sequence is a gene alone.
printf '>x [gene=abc]\natgaaa\ntaa\n' > c.fa
expect 0 cds "$lookup" -o c.lookup --cds-fasta c.fa
grep -qxF '#gene abc' c.lookup && grep -qxF '#beforeSpace 0' c.lookup && grep -qxF '#CDS 1..9' c.lookup ||
  bad "the coding sequence: $(tr '\n' ' ' < c.lookup)"

# A GFF3 genome: a gap sign in the FASTA is an unreadable base, as N is, and moves no later base; a CDS past
# the end of its sequence is skipped and counted.
bases=$(awk '/^ORIGIN/ { on = 1; next } /^\/\// { exit } on { for (i = 2; i <= NF; i++) printf "%s", $i }' g.gb)
printf '%s\n' '##gff-version 3' 'EXA1	.	gene	201	500	.	+	.	ID=g1;Name=exaA' \
  'EXA1	.	CDS	201	500	.	+	0	Parent=g1' 'EXA1	.	CDS	2950	3010	.	+	0	ID=c2;gene=over' > a.gff
for sign in - N; do printf '>EXA1\n%s%s%s\n' "${bases:0:149}" "$sign" "${bases:150}" > "gap$sign.fa"; done
for sign in - N; do
  expect 0 "gff$sign" "$lookup" -o "gap$sign.lookup" --gff a.gff --fasta "gap$sign.fa"
  analyse "gap$sign.lookup" "gap$sign"
done
shows gff- "1 past the end of the sequence"
[ "$(grep -c '^#CDS' gap-.lookup)" = 1 ] || bad "the CDS past the end was written"
[ "$(grep -v LOCUS gap-.seq | tr -cd a-z | wc -c)" = 3000 ] || bad "the gap sign was not written as a base"
[ "$(rows gap-.kstl)" = "$(rows gapN.kstl)" ] && [ -n "$(rows gapN.kstl)" ] || bad "the gap sign moved the bases"

# Refused, naming the file: a sequence named twice; a record cut before its "//", compressed or not.
{ cat gap-.fa; printf '>EXA1 again\nACGT\n'; } > twice.fa
says 1 twice "twice.fa: two sequences are named EXA1" "$lookup" -o t.lookup --gff a.gff --fasta twice.fa
head -n 100 g.gb > cut.gb && gzip -c cut.gb > cut.gb.gz
says 1 cut "cut.gb: the record EXA2 ends without its \"//\" line" "$lookup" -o cut.lookup cut.gb
says 1 cut-gz "cut.gb.gz: the record EXA2 ends without" "$lookup" -o cut.lookup cut.gb.gz
[ ! -e cut.lookup ] && [ ! -e cut.seq ] || bad "a table was written for the cut file"

# The analysis of a table built before the file was cut, and of a CDS past the end of its contig: neither gene is
# counted, their rows say which codons were not read, and every other row stays as it was.
mkdir -p cutrun && cp cut.gb cutrun/g.gb && cp g.lookup cutrun/
(cd cutrun && analyse g.lookup g)
{ cat g.lookup; entry "1401..1600" over g.gb 2 0 0 1401 1600; } > over.lookup
analyse over.lookup over
# cell FILE GENE LABEL: the gene's cell under the column label.
cell() { awk -v gene="$2" -v label="$3" '/^Gene  / { at = index($0, " " label " ") + 1 }
  at && $1 == gene { v = substr($0, at, length(label) + 1); gsub(/ /, "", v); print v; exit }' "$1"; }
for run in cutrun/g:exaG over:over; do
  [ "$(cell "${run%:*}.kstl" "${run#*:}" noStop)/$(cell "${run%:*}.kstl" "${run#*:}" Stop)" = yes/na ] ||
    bad "$run: the stop codon not read is not shown"
done
holds cutrun/g.console 'Sequence of exaG ends where contig 2 of g.gb ends without its "//" line (the file is cut' ||
  bad "the cut is not said"
holds over.console 'Sequence of over ends at the end of contig 2 of g.gb inside its CDS: not counted' ||
  bad "the CDS past the end is not said"
[ "$(rows cutrun/g.kstl | grep -v '^exaG')" = "$(rows g.kstl | grep -v '^exaG')" ] &&
  [ "$(rows over.kstl | grep -v '^over')" = "$(rows g.kstl)" ] || bad "other rows changed"
for counts in "cutrun/g 4 2" "over 5 2"; do
  set -- $counts
  grep -qx "Number of Genes in Cumulative Counts: $2" "$1.kstl" && grep -qx "Number of Excluded Genes: $3" "$1.kstl" ||
    bad "$1: a gene cut short was counted: $(grep '^Number of' "$1.kstl" | tr '\n' ' ')"
done

# Refused: a sequence file with nowhere to go or an unopenable name; FASTA as GenBank; --fasta without --gff.
expect 2 no-seq "$lookup" z.gb.gz
grep -q -- "--seq" no-seq.err || bad "no-seq: $(cat no-seq.err)"
expect 2 long-seq "$lookup" -o x.lookup --seq "$(printf 'a%.0s' {1..41})" z.gb.gz
printf '>x\natg\n' > f.fa
expect 2 fasta-operand "$lookup" -o f.lookup f.fa
expect 2 fasta-alone "$lookup" -o f.lookup --fasta f.fa g.gb
cp z.gb.gz z.before
expect 2 seq-is-input "$lookup" -o x.lookup --seq z.gb.gz z.gb.gz
cmp -s z.gb.gz z.before || bad "the compressed input was written over"
cmp -s g.gb "$root/examples/example.gb" || bad "the GenBank file was changed"
exit $fail
