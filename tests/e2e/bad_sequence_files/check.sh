# Sequence files of odd layouts or missing parts: complete rows, no hang, and genes not found say so.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../test_lib.sh"

for layout in ref:60 short:10 long:200; do make_record 3000 "${layout#*:}" 1 > "${layout%:*}.gb"; done
sed 's/$/\r/' ref.gb > crlf.gb
tr '\n' '\r' < ref.gb > cr.gb
{ printf '\357\273\277'; cat ref.gb; } > bom.gb
awk 'f && /^ *[0-9]/ {print; print ""; next} /^ORIGIN/ {f = 1} {print}' ref.gb > double.gb
grep -v '^//' ref.gb > noend.gb
grep -v '^ORIGIN' ref.gb > noorigin.gb
awk '/^ORIGIN/ {print; print "        1 0123 4567"; skip = 1; next} {print}' ref.gb > noletter.gb
: > empty.gb
head -c 5000 /dev/urandom > garbage.gb

genes() {  # the same four genes, forward and reverse, one and two exons, on FILE
  entry "201..500" fwd "$1" 1 100 50 201 500
  entry "complement(join(801..1100,1201..1500))" rev "$1" 1 10000000 10000000 801 1500
  entry "2101..2400" late "$1" 1 10000000 10000000 2101 2400
  entry "1601..1900" early "$1" 1 30 30 1601 1900
}
for f in ref short long crlf cr bom double noend noorigin noletter empty garbage missing; do
  genes "$f.gb" > "$f.lookup"
  run_kestrel "$f.lookup" "$f" || { fail=1; continue; }
  rows_complete "$f.kstl" 4 || bad "$f: rows"
done
# Layout must not change a count: rows equal the 60-letter file's (without "//" the contig ends with the file).
for f in short long crlf cr bom double noend; do for g in fwd rev late early; do
  [ "$(row_of "$f.kstl" $g)" = "$(row_of ref.kstl $g)" ] || bad "$f: row of $g differs from the 60-letter file"
done; done
for f in noorigin noletter empty garbage missing; do
  holds "$f.console" $'\a\n Sequence of fwd not found in '"$f.gb" || [ $f = missing ] || bad "$f: no 'not found' message"
  grep -q '^Number of Excluded Genes: 4$' "$f.kstl" || bad "$f: the genes should be excluded"
done
# A file that cannot be opened is not said to lack the gene.
holds missing.console $'\a\n Sequence file missing.gb of fwd could not be opened' || bad "missing: no 'could not be opened' message"
! grep -q 'not found' missing.console || bad "missing: said 'not found'"
exit $fail
