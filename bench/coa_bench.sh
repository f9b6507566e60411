#!/usr/bin/env bash
# Speed and memory of kestrel-coa: the E. coli genome (each table, and codonw -coa_cu on the
# same codons for comparison), then 10, 50 and 100 copies of its output file pooled (some
# 430,000 genes for 100), to show that the time grows linearly with the genes and the
# memory hardly at all. Copies are hard links where the file system allows. Figures are
# medians; CPU seconds (user + system) are given beside the wall seconds, since on a shared
# machine they vary less, and the load average before the runs.
# Usage: bench/coa_bench.sh [BIN_DIR] [WORK_DIR] [RUNS]
# Prints a Markdown section (bench/run adds it to bench/RESULTS.md); says so and exits 0
# when the genome is not there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
work=${2:-/tmp/kestrel-coa-bench}
runs=${3:-5}
genome=${KESTREL_BENCH_GENOME:-$root/../shared/data/ecoli_k12_mg1655.gbff.gz}
[ -f "$genome" ] || { echo "coa_bench: skipped, no $genome"; exit 0; }

rm -rf "$work" && mkdir -p "$work/copies" && cd "$work"
median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
"$bin/kestrel-lookup" -o ecoli.lookup "$genome" 2> /dev/null
printf 'ecoli.lookup\necoli\nT\nC\nC\n' | "$bin/kestrel" > /dev/null
genes=$(($(sed -n '/^Gene /,/^$/p' ecoli.kstl | wc -l) - 2))

# measure NAME COMMAND...: RUNS runs; the median wall and CPU seconds and peak KB into $result.
measure() {
  local name=$1 i
  shift
  rm -f wall.txt cpu.txt rss.txt
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f '%e %U %S %M' -o time.txt "$@" > /dev/null 2> run.err || { cat run.err >&2; exit 1; }
    read -r wall user system kb < <(tail -1 time.txt)
    echo "$wall" >> wall.txt
    awk -v u="$user" -v s="$system" 'BEGIN {printf "%.2f\n", u + s}' >> cpu.txt
    echo "$kb" >> rss.txt
  done
  result="| $name | $(median < wall.txt) | $(median < cpu.txt) | $(median < rss.txt) |"
}

# codonw's input: the codons the analysis counted, gene by gene.
"$bin/kestrel-table" -o ecoli.tsv ecoli.kstl
awk -F'\t' 'NR == 1 {for (i = 1; i <= NF; i++) if ($i ~ /^N_[ACGT][ACGT][ACGT]_.$/) col[i] = substr($i, 3, 3); next}
  {printf ">g%d\n", NR - 1; for (i in col) for (k = 0; k < $i; k++) printf "%s", col[i]; print ""}' ecoli.tsv > ecoli.fa

load=$(cut -d' ' -f1 /proc/loadavg)
rows=()
for on in within counts rscu aa; do
  measure "kestrel-coa --on $on, E. coli ($genes genes)" "$bin/kestrel-coa" -o "ecoli_$on" --on "$on" ecoli.kstl
  rows+=("$result")
done
mkdir -p codonw && cd codonw
measure "codonw -coa_cu, E. coli" codonw ../ecoli.fa out.txt blk.txt -coa_cu -nomenu -silent -nowarn -noblk
rows+=("$result")
cd ..
for n in 10 50 100; do
  rm -f copies/*
  for ((c = 1; c <= n; c++)); do ln ecoli.kstl "copies/e$c.kstl" 2> /dev/null || cp ecoli.kstl "copies/e$c.kstl"; done
  measure "kestrel-coa, $n copies ($((n * genes)) genes)" "$bin/kestrel-coa" -o "pooled$n" copies/*.kstl
  rows+=("$result")
done

echo "## Correspondence analysis (kestrel-coa)"
echo
echo "Made by \`bench/coa_bench.sh\` on $(date -u +%Y-%m-%d); median of $runs runs; load average $load before them."
echo "The E. coli K-12 MG1655 output file (default analysis as a prokaryote, codon usage on), alone and as copies pooled"
echo "into one analysis (the default --on within, the figure drawn as a grid above 20000 genes); codonw reads the same"
echo "codons as FASTA. Each copy is a separate file, read twice."
echo
echo "| Run | Wall s | CPU s | Peak RSS KB |"
echo "|---|---|---|---|"
printf '%s\n' "${rows[@]}"
