#!/usr/bin/env bash
# The companion tools against hostile inputs and outputs: -o on a device, a FIFO, /dev/stdout appended to, a
# link, the tool's own input; inputs that are FIFOs, devices or lines without end; a full disk (a file-size
# limit). Only regular files may be replaced, none destroyed, and nothing may hang.
# Usage: bash hostile_tools_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"
same() { cmp -s "$1" "$2" || bad "$1 was changed"; }

cp "$root/examples/example.gb" g.gb
"$bin/kestrel-lookup" -o g.lookup g.gb 2> /dev/null
printf '%s\n' g.lookup a C C | "$bin/kestrel" > /dev/null
cp g.gb g.before && cp a.kstl a.before
mkfifo pipe && ln -s g.gb g-link.gb && ln -s pipe pipe-link

# --- Inputs that are not regular files are refused, not waited on.
for input in pipe pipe-link /dev/zero /dev/urandom .; do
  expect 1 "lookup-in-${input//\//_}" "$bin/kestrel-lookup" "$input"
  expect 1 "table-in-${input//\//_}" "$bin/kestrel-table" "$input"
  expect 1 "plot-in-${input//\//_}" "$bin/kestrel-plot" -o x.svg "$input"
  expect 1 "coa-in-${input//\//_}" "$bin/kestrel-coa" -o x "$input"
done
expect 1 table-trna-pipe "$bin/kestrel-table" --indices --trna pipe a.kstl
expect 1 table-reference-pipe "$bin/kestrel-table" --indices --reference pipe a.kstl
shows lookup-in-pipe "pipe: not a regular file"
# "-" is standard input for the tool that reads one file.
expect 0 plot-stdin "$bin/kestrel-plot" - < a.kstl
grep -q "^<svg" plot-stdin.out || bad "plot of standard input"
# The figure is well-formed XML, whatever the name it shows.
cp a.kstl 'a&b<1>.kstl'
expect 0 plot-xml "$bin/kestrel-plot" -o xml.svg 'a&b<1>.kstl'
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' xml.svg || bad "the figure is not well-formed XML"

# --- An output that is an input is a usage error, whatever name leads to it.
expect 2 lookup-self "$bin/kestrel-lookup" -o g.gb g.gb
expect 2 lookup-self-link "$bin/kestrel-lookup" -o g-link.gb g.gb
expect 2 table-self "$bin/kestrel-table" -o a.kstl a.kstl
expect 2 table-summary-self "$bin/kestrel-table" --summary ./a.kstl a.kstl
expect 2 plot-self "$bin/kestrel-plot" -o a.kstl a.kstl
expect 2 table-rscu-self "$bin/kestrel-table" --rscu ./a.kstl a.kstl
expect 2 lookup-trna-self "$bin/kestrel-lookup" --trna g-link.gb g.gb
expect 2 plot-means-self "$bin/kestrel-plot" --figure neutrality --genome-means -o a.kstl a.kstl
cp a.kstl a.genes.tsv
expect 2 coa-self "$bin/kestrel-coa" -o a a.genes.tsv
cp a.kstl a.genes.before
same g.gb g.before && same a.kstl a.before && same a.genes.tsv a.genes.before

# --- A device, a FIFO and standard output are written in place, never replaced.
expect 0 lookup-null "$bin/kestrel-lookup" -o /dev/null g.gb
[ -c /dev/null ] || bad "/dev/null is no longer a device"
for tool in lookup table plot; do
  args=(a.kstl)
  [ $tool = lookup ] && args=(g.gb)
  cat pipe > "from-$tool.txt" &
  expect 0 "$tool-fifo" "$bin/kestrel-$tool" -o pipe "${args[@]}"
  wait
  [ -p pipe ] && [ -s "from-$tool.txt" ] || bad "$tool: the FIFO was replaced or got nothing"
  echo "first line of the log" > "$tool.log"
  timeout 30 "$bin/kestrel-$tool" -o /dev/stdout "${args[@]}" >> "$tool.log" 2> /dev/null || bad "$tool: /dev/stdout"
  [ "$(head -1 "$tool.log")" = "first line of the log" ] && [ "$(wc -l < "$tool.log")" -gt 2 ] ||
    bad "$tool: the log behind /dev/stdout was replaced"
done

# A FIFO that nobody reads is not waited on for ever, nor replaced.
expect 1 lookup-fifo-unread "$bin/kestrel-lookup" -o pipe g.gb
[ -p pipe ] || bad "a FIFO without reader was replaced"

# --- Through a link the target is written.
echo old > target.tsv && ln -s target.tsv link.tsv
expect 0 table-link "$bin/kestrel-table" -o link.tsv a.kstl
[ -L link.tsv ] && grep -q "^source" target.tsv || bad "table through a link"

# --- A full disk (a file-size limit): the old output stays whole, no temporary file is left.
for i in 1 2 3 4 5 6; do cp a.kstl "copy$i.kstl"; done
"$bin/kestrel-table" -o table.tsv a.kstl && cp table.tsv table.before
(ulimit -f 4 && "$bin/kestrel-table" -o table.tsv a.kstl copy*.kstl) 2> full-table.err && bad "table: a full disk passed"
(ulimit -f 1 && "$bin/kestrel-lookup" -o g.lookup g.gb) 2> full-lookup.err && bad "lookup: a full disk passed"
(ulimit -f 1 && "$bin/kestrel-plot" -o a.svg a.kstl) 2> full-plot.err && bad "plot: a full disk passed"
(ulimit -f 1 && "$bin/kestrel-coa" -o full a.kstl copy*.kstl) 2> full-coa.err && bad "coa: a full disk passed"
ls full.* > /dev/null 2>&1 && bad "coa left files behind on a full disk"
same table.tsv table.before
[ -e a.svg ] && bad "plot left a figure cut short"
ls ./*.part* > /dev/null 2>&1 && bad "a temporary file was left behind"
grep -q "writing table.tsv failed" full-table.err || bad "table: $(cat full-table.err)"

# --- Lines without end: the tools stop in time and in bounded memory.
{ echo "LOCUS x"; echo "FEATURES             Location/Qualifiers"; printf '     CDS             1..'
  head -c 50000000 /dev/zero | tr '\0' '9'; echo; echo ORIGIN; echo //; } > long-line.gb
timed long-line timeout 30 "$bin/kestrel-lookup" long-line.gb > /dev/null 2> long-line.err || bad "long line: status $?"
small long-line
grep -q "1 too many exons" long-line.err || bad "the over-long location: $(cat long-line.err)"
{ sed -n '1,/^Gene /p' a.kstl; head -c 50000000 /dev/zero | tr '\0' 'x'; } > long-row.kstl
says 1 table-long-row "line longer than 65536 characters" "$bin/kestrel-table" long-row.kstl

# --- kestrel-lookup refuses what the analysis could not read, and writes nothing then; pseudogenes when asked.
echo "not a GenBank file" > plain.txt
says 1 lookup-plain "plain.txt holds no GenBank record" "$bin/kestrel-lookup" -o bad.lookup g.gb plain.txt
ls bad.lookup* > /dev/null 2>&1 && bad "a table or its temporary file was left"
says 1 lookup-missing "missing.gb: cannot be opened for reading" "$bin/kestrel-lookup" missing.gb
cp g.gb 'a#CDS.gb'
says 1 lookup-hash "rename the file" "$bin/kestrel-lookup" 'a#CDS.gb'
awk '/^     CDS / && !done {print; print "                     /pseudo"; done = 1; next} {print}' g.gb > pseudo.gb
says 0 lookup-pseudo " 1 pseudogene," "$bin/kestrel-lookup" pseudo.gb
expect 0 lookup-keep "$bin/kestrel-lookup" --keep-pseudo pseudo.gb
[ $(($(grep -c '^#CDS' lookup-keep.out) - $(grep -c '^#CDS' lookup-pseudo.out))) = 1 ] || bad "--keep-pseudo"

# --- An output file cut short is refused, and taken only when asked, with a warning.
head -n -3 a.kstl > cut.kstl
says 1 table-cut "cut.kstl: ends before its end-of-run summary: the run that wrote it was cut short" \
  "$bin/kestrel-table" cut.kstl
expect 1 plot-cut "$bin/kestrel-plot" -o cut.svg cut.kstl
says 0 table-cut-allowed "warning: cut.kstl" "$bin/kestrel-table" --allow-incomplete --summary cut.tsv cut.kstl
grep -qP "^cut.kstl\t6\tNA\tNA\t" cut.tsv || bad "the counts of a file cut short are not NA: $(cat cut.tsv)"

# --- kestrel-reference: the analysis reads its files, whatever the input's name; inputs kept; an empty set writes none.
cp g.gb 'g#1.gb'
grep -o '/gene="[^"]*"' g.gb | cut -d'"' -f2 | sort -u > genes.txt && echo nothing >> genes.txt
says 0 reference-list "2 of the 8 names of genes.txt match no gene read: exaF, nothing" \
  "$bin/kestrel-reference" -o r1 --set genes:genes.txt 'g#1.gb'
[ "$(grep -m1 '#' r1.scu)" = "#" ] && [ "$(grep -m1 '#' r1.opt)" = "#" ] || bad "a '#' above the entries' line"
grep -q "^Files: g_1.gb$" r1.scu && grep -q "^codon" r1.reference.tsv || bad "reference files: $(head -5 r1.scu)"
printf '%s\n' g.lookup ref T R r1 P r1 C C | "$bin/kestrel" > /dev/null
"$bin/kestrel-table" ref.kstl | awk -F'\t' 'NR == 1 {for (i = 1; i <= NF; i++) if ($i == "CAI") c = i}
  NR > 1 && $c != "NA" {n++} END {exit !(n > 0)}' || bad "no CAI from the reference files"
cp r1.scu copy.scu
expect 2 reference-self "$bin/kestrel-reference" -o copy --set genes:copy.scu g.gb
same r1.scu copy.scu
expect 1 reference-empty "$bin/kestrel-reference" -o empty g.gb
ls empty.* > /dev/null 2>&1 && bad "an empty reference set left files"
expect 1 reference-fifo "$bin/kestrel-reference" -o x pipe
expect 2 reference-share "$bin/kestrel-reference" -o x --share 5 g.gb

# --- kestrel-coa: the tables and a well-formed figure of a real output file, whatever its name; a reference set
# from the correspondence analysis; an output file with a count no analysis writes is refused.
says 0 reference-coa "reference set: 1 genes" "$bin/kestrel-reference" -o rc --set coa g.gb
grep -q "^Method: coa: the 5% of the genes" rc.scu || bad "--set coa: $(head -3 rc.scu)"
expect 0 coa-xml "$bin/kestrel-coa" -o 'c&d' --colour reference:rc.reference.tsv 'a&b<1>.kstl'
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' 'c&d.svg' || bad "the COA figure is not well-formed XML"
[ "$(head -1 'c&d.genes.tsv')" = "$(printf 'source\tgene\trow\taxis1\taxis2\taxis3\taxis4')" ] &&
  [ "$(wc -l < 'c&d.genes.tsv')" -gt 5 ] || bad "COA genes table: $(head -3 'c&d.genes.tsv')"
# The last cell of a row is the count of its last codon column.
awk 'header && !done {sub(/[0-9]+ *$/, "9e99 "); done = 1} /^Gene / {header = 1} {print}' a.kstl > huge.kstl
says 1 coa-huge "is not a codon count (a whole number from 0 to 2147483647)" "$bin/kestrel-coa" -o huge huge.kstl
expect 2 reference-p "$bin/kestrel-reference" -o x --p 0 g.gb

# --- kestrel-compare: FIFOs refused, its inputs never written over, a well-formed figure whatever the sets' names,
# and on a full disk neither the table nor the figure.
expect 1 compare-in-pipe "$bin/kestrel-compare" -a contig:1 pipe
expect 1 compare-list-fifo "$bin/kestrel-compare" -a genes:pipe a.kstl
expect 2 compare-self "$bin/kestrel-compare" -a contig:1 -o a.kstl a.kstl
expect 2 compare-list-self "$bin/kestrel-compare" -a genes:genes.txt --figure ./genes.txt a.kstl
same a.kstl a.before && same a.genes.tsv a.genes.before
head -3 genes.txt > 'g&<1>.txt'
says 0 compare-xml "set A 3 genes" "$bin/kestrel-compare" -a 'genes:g&<1>.txt' -o cmp.tsv --figure 'c&d.cmp.svg' \
  'a&b<1>.kstl'
python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' 'c&d.cmp.svg' || bad "the comparison figure is not well-formed XML"
[ "$(grep -c $'^codon\t' cmp.tsv)" = 59 ] || bad "comparison table: $(head -3 cmp.tsv)"
(ulimit -f 1 && "$bin/kestrel-compare" -a 'genes:g&<1>.txt' -o full-cmp.tsv --figure full-cmp.svg a.kstl) 2> /dev/null &&
  bad "compare: a full disk passed"
ls full-cmp.* ./*.part* > /dev/null 2>&1 && bad "compare left files behind on a full disk"

# --- kestrel-growth: FIFOs as input or gene list refused, its inputs never written over.
expect 1 growth-fifo "$bin/kestrel-growth" pipe
expect 1 growth-list-fifo "$bin/kestrel-growth" --he genes:pipe g.gb
expect 2 growth-self "$bin/kestrel-growth" -o g-link.gb g.gb
expect 2 growth-list-self "$bin/kestrel-growth" -o genes.txt --he genes:genes.txt g.gb
same g.gb g.before
expect 0 growth-device "$bin/kestrel-growth" -o /dev/null g.gb

exit $fail
