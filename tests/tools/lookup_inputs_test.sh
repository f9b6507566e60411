#!/usr/bin/env bash
# kestrel-lookup on the example gzipped, as EMBL and as coding sequences: the analysis of what it writes
# gives the GenBank file's own rows; and the command lines it refuses.
# Usage: bash lookup_inputs_test.sh BIN_DIR WORK_DIR
set -u
bin=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
export KESTREL_BIN_DIR=$bin
. "$root/tests/test_lib.sh"
rm -rf "$2" && mkdir -p "$2" && cd "$2" || exit 1
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
