#!/usr/bin/env bash
# kestrel-genome against the tools run by hand on E. coli K-12 (its gzipped GenBank file):
# kestrel-lookup, kestrel-reference, kestrel, kestrel-table, kestrel-plot, kestrel-coa,
# kestrel-growth and kestrel-compare one after the
# other, and kestrel-genome, taking turns, RUNS times each, in one folder each with the same
# names; every result must be the same byte for byte. Prints a Markdown section with the
# medians (wall and CPU seconds, peak memory) and the ratio of kestrel-genome's to the tools';
# kestrel-genome --no-report takes its turn too, for what the report page costs.
# Without ../shared/data it says so and stops with status 0.
# Usage: bench/genome_bench.sh [BIN_DIR] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
runs=${2:-7}
ecoli=${KESTREL_BENCH_DATA:-$root/../shared/data}/ecoli_k12_mg1655.gbff.gz
[ -f "$ecoli" ] || { echo "genome_bench: skipped, no $ecoli" >&2; exit 0; }
work=$(mktemp -d /tmp/kestrel-genome-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/hand" "$work/genome" "$work/bare"
cp "$ecoli" "$work/hand/ecoli.gbff.gz" && cp "$ecoli" "$work/genome/ecoli.gbff.gz" && cp "$ecoli" "$work/bare/ecoli.gbff.gz"

cat > "$work/by_hand.sh" <<SCRIPT
set -e
rm -f ecoli.kstl
"$bin/kestrel-lookup" -o ecoli.lookup --seq ecoli.seq --trna ecoli.trna.tsv ecoli.gbff.gz 2> /dev/null
"$bin/kestrel-reference" -o ecoli -g 1 ecoli.gbff.gz 2> /dev/null
"$bin/kestrel" ecoli.lookup -o ecoli.kstl --prokaryote --rscu ecoli.scu --optimal ecoli.opt 2> /dev/null
"$bin/kestrel-table" --indices --trna ecoli.trna.tsv --source genome -o ecoli.genes.tsv --summary ecoli.summary.tsv ecoli.kstl
"$bin/kestrel-plot" --reference ecoli.reference.tsv --title "Escherichia coli str. K-12 substr. MG1655" \\
  --figure enc -o ecoli.svg --figure neutrality -o ecoli.neutrality.svg --figure pr2 -o ecoli.pr2.svg ecoli.kstl
SCRIPT
cat > "$work/extras.sh" <<SCRIPT
set -e
"$bin/kestrel-coa" -o ecoli.coa --colour reference:ecoli.reference.tsv ecoli.kstl 2> /dev/null
"$bin/kestrel-growth" -o ecoli.growth.tsv ecoli.gbff.gz 2> /dev/null
"$bin/kestrel-compare" -a reference:ecoli.reference.tsv -o ecoli.compare.tsv --figure ecoli.compare.svg ecoli.kstl 2> /dev/null
SCRIPT

median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
: > "$work/hand.txt" && : > "$work/genome.txt" && : > "$work/core.txt" && : > "$work/bare.txt"
for ((r = 0; r < runs; r++)); do
  (cd "$work/hand" && /usr/bin/time -f '%e %U %S %M' -a -o ../core.txt bash ../by_hand.sh &&
    /usr/bin/time -f '%e %U %S %M' -a -o ../extras.txt bash ../extras.sh)
  (cd "$work/genome" && /usr/bin/time -f '%e %U %S %M' -a -o ../genome.txt "$bin/kestrel-genome" -o . --quiet ecoli.gbff.gz)
  (cd "$work/bare" && /usr/bin/time -f '%e %U %S %M' -a -o ../bare.txt "$bin/kestrel-genome" -o . --quiet --no-report \
    ecoli.gbff.gz)
done
paste -d' ' "$work/core.txt" "$work/extras.txt" | awk '{print $1 + $5, $2 + $6, $3 + $7, ($4 > $8 ? $4 : $8)}' \
  > "$work/hand.txt"
for f in "$work"/hand/ecoli.*; do
  name=$(basename "$f")
  case $name in ecoli.summary.tsv|ecoli.growth.tsv|ecoli.gbff.gz) continue ;; esac
  cmp -s "$f" "$work/genome/$name" || { echo "genome_bench: $name differs" >&2; exit 1; }
done

# The summary and growth rows are kestrel-genome's genome row.
cut -f1-10 "$work/genome/ecoli.genome.tsv" | cmp -s - "$work/hand/ecoli.summary.tsv" ||
  { echo "genome_bench: the summary differs" >&2; exit 1; }
[ "$(cut -f2-12 "$work/hand/ecoli.growth.tsv" | tail -1)" = "$(cut -f15-25 "$work/genome/ecoli.genome.tsv" | tail -1)" ] ||
  { echo "genome_bench: the growth row differs" >&2; exit 1; }

row() {  # NAME FILE
  printf '| %s | %s | %s | %s |\n' "$1" "$(awk '{print $1}' "$2" | median)" \
    "$(awk '{printf "%.2f\n", $2 + $3}' "$2" | median)" "$(awk '{print $4}' "$2" | median)"
}
ratio() {  # TABLE FIELD [FIELD]: kestrel-genome's median over the table's
  awk -v a="$(awk "{print \$$2${3:+ + \$$3}}" "$work/genome.txt" | median)" \
      -v b="$(awk "{print \$$2${3:+ + \$$3}}" "$work/$1.txt" | median)" 'BEGIN {printf "%.2f", a / b}'
}
echo "## kestrel-genome against the tools by hand"
echo
echo "Made by \`bench/genome_bench.sh BIN $runs\` on $(date -u +%Y-%m-%d): E. coli K-12 MG1655 (4298 genes) from its"
echo "gzipped GenBank file, the eight tools one after another against kestrel-genome, taking turns; median of $runs"
echo "runs each; load average before the runs: $(cut -d' ' -f1 /proc/loadavg). Every result the same byte for byte."
echo
echo "| Run | Wall s | CPU s | Peak RSS KB |"
echo "|---|---|---|---|"
row "kestrel-lookup, -reference, kestrel, -table, -plot" "$work/core.txt"
row "the same, then kestrel-coa, kestrel-growth and kestrel-compare" "$work/hand.txt"
row "kestrel-genome" "$work/genome.txt"
row "kestrel-genome --no-report" "$work/bare.txt"
echo
echo "kestrel-genome takes $(ratio hand 1) of the eight tools' wall time and $(ratio hand 2 3) of their CPU time,"
echo "for the same results; $(ratio core 1) and $(ratio core 2 3) of the first five's, which make all but the"
echo "correspondence analysis, the growth row and the comparison of the reference set with the rest. The report"
echo "page (NAME.report.html, $(wc -c < "$work/genome/ecoli.report.html") bytes) costs $(awk -v a="$(awk '{print $1}' "$work/genome.txt" | median)" -v b="$(awk '{print $1}' "$work/bare.txt" | median)" \
  'BEGIN {printf "%.2f", a - b}') s of wall time and $(awk -v a="$(awk '{print $2 + $3}' "$work/genome.txt" | median)" \
  -v b="$(awk '{print $2 + $3}' "$work/bare.txt" | median)" 'BEGIN {printf "%.2f", a - b}') s of CPU time (the medians' difference)."
