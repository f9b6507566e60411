#!/usr/bin/env bash
# kestrel-lookup on one record of 2.2 GB (GenBank and GFF3 with a ##FASTA section) and a coding
# sequence of 2.0 GB (CDS FASTA; the longest a coordinate reaches), each made on the fly and
# gzipped so that the disk is spared; the sequence file goes to /dev/null. Prints a Markdown
# section with the wall time and peak resident memory (bench/run adds it to bench/RESULTS.md).
#   bench/big_record.sh BIN_DIR [WORK_DIR]
set -euo pipefail
bin=$(cd "${1:?usage: bench/big_record.sh BIN_DIR [WORK_DIR]}" && pwd)
work=${2:-$(mktemp -d /tmp/kestrel-big.XXXXXX)}
mkdir -p "$work" && cd "$work"

bases() { head -c "$1" /dev/zero | tr '\0' 'a' | fold -w 60; echo; }  # BASES: that many, 60 a line
cds='     CDS             1..300'
{ printf 'LOCUS       big\nFEATURES             Location/Qualifiers\n%s\nORIGIN\n' "$cds"; bases 2200000000; echo //; } |
  gzip -1 > big.gb.gz
{ printf '##gff-version 3\nbig\t.\tCDS\t1\t300\t.\t+\t0\tID=c\n##FASTA\n>big\n'; bases 2200000000; } | gzip -1 > big.gff.gz
{ printf '>big\n'; bases 2000000000; } | gzip -1 > big.fa.gz

rows=""
for run in "GenBank, 2.2 GB:big.gb.gz" "GFF3 with ##FASTA, 2.2 GB:--gff big.gff.gz" "CDS FASTA, 2.0 GB:--cds-fasta big.fa.gz"; do
  label=${run%%:*} inputs=${run#*:}
  # shellcheck disable=SC2086
  /usr/bin/time -f "%e %M" -o time.txt "$bin/kestrel-lookup" -o big.lookup --seq /dev/null $inputs 2> lookup.err
  grep -q '^#CDS 1\.\.' big.lookup || { echo "no entry written for $label: $(cat lookup.err)" >&2; exit 1; }
  read -r seconds kb < time.txt
  rows+="| $label | $(du -k "${inputs##* }" | cut -f1) | $seconds | $kb |"$'\n'
done

cat << REPORT
## One record of 2 GB

kestrel-lookup reads a record's sequence and writes it to the sequence file as it goes:
its memory does not grow with the record (the limit is 64 MiB). Each input is one record of
the letter a, 60 to a line, gzipped, with one CDS (the coding sequence itself for CDS FASTA).

| Input | Gzipped KB | Wall s | Peak RSS KB |
|---|---|---|---|
${rows}
Command: \`bench/big_record.sh BIN_DIR\` (the sequence file written to /dev/null).
REPORT
rm -f big.gb.gz big.gff.gz big.fa.gz
