#!/usr/bin/env bash
# kestrel-lookup on a single record of 8 MiB and of 128 MiB, made on the fly and gzipped, in each format whose
# sequence it writes: the bases go to the sequence file as they are read, so its peak memory stays under
# 64 MiB and does not grow with the record. (bench/big_record.sh measures a record of 2 GiB.)
# Usage: bash big_record_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"
[ $measured = 1 ] || { echo "no GNU time, or a sanitizer build: memory not measured"; exit 0; }

bases() { head -c "$1" /dev/zero | tr '\0' 'a' | fold -w 60; echo; }  # BYTES: that many bases, 60 a line
cds='     CDS             1..300'
for size in 8 128; do
  n=$((size << 20))
  { printf 'LOCUS       big\nFEATURES             Location/Qualifiers\n%s\nORIGIN\n' "$cds"; bases $n; echo //; } |
    gzip -1 > "gb$size.gb.gz"
  { printf '##gff-version 3\nbig\t.\tCDS\t1\t300\t.\t+\t0\tID=c\n##FASTA\n>big\n'; bases $n; } | gzip -1 > "gff$size.gff.gz"
  { printf '>big\n'; bases $n; } | gzip -1 > "cds$size.fa.gz"
done
args() {  # FORMAT SIZE: the inputs on the command line
  case $1 in gb) echo "gb$2.gb.gz" ;; gff) echo "--gff gff$2.gff.gz" ;; cds) echo "--cds-fasta cds$2.fa.gz" ;; esac
}
for format in gb gff cds; do
  for size in 8 128; do
    run=$format$size
    # shellcheck disable=SC2046
    timed "$run" "$bin/kestrel-lookup" -o "$run.lookup" --seq /dev/null $(args $format $size) 2> "$run.err" ||
      bad "$run: $(cat "$run.err")"
    grep -q '^#CDS 1\.\.' "$run.lookup" || bad "$run: no entry"
    small "$run"
  done
  grown=$(( $(tail -1 "${format}128.rss") - $(tail -1 "${format}8.rss") ))
  [ "$grown" -lt 4096 ] || bad "$format: 120 MiB more of record took $grown kB more memory"
done
exit $fail
