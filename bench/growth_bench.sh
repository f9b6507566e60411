#!/usr/bin/env bash
# Time and memory of kestrel-growth: E. coli K-12 from its gzipped GenBank file, from the
# same file unpacked and from its gzipped CDS FASTA file, the two CDS FASTA genomes of the
# growth fixtures with --keep-pseudo, a batch of 100 S. pyogenes runs in one process
# (--batch) and one of 2000 runs on a small GenBank file (bacterial_records.gb, 16 CDS).
# Each figure is the median of RUNS runs: wall seconds, CPU seconds (user + system) and
# peak resident memory, from /usr/bin/time. Without ../shared/data it says so and stops
# with status 0.
# Usage: bench/growth_bench.sh [BIN_DIR] [RUNS]
# Prints a Markdown section (bench/run adds it to bench/RESULTS.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}
data=${KESTREL_BENCH_DATA:-$root/../shared/data}
growth_dir=$data/growth
ecoli=$data/ecoli_k12_mg1655.gbff.gz
spyo=$growth_dir/GCF_000349925.2_ASM34992v2_cds_from_genomic.fna.gz
mlep=$growth_dir/GCF_003253775.1_ASM325377v1_cds_from_genomic.fna.gz
if [ ! -f "$ecoli" ] || [ ! -f "$spyo" ]; then
  echo "growth_bench: skipped, no $ecoli or $spyo" >&2
  exit 0
fi
[ -x "$bin/kestrel-growth" ] || { echo "growth_bench: no kestrel-growth in $bin" >&2; exit 2; }

work=$(mktemp -d /tmp/kestrel-growth-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
zcat "$ecoli" > ecoli.gbff
for ((i = 0; i < 100; i++)); do printf 'log%d\t\t-o\tsp%d.tsv\t--keep-pseudo\t--cds-fasta\t%s\n' "$i" "$i" "$spyo"; done > batch.list
small=$data/bacterial_records.gb
for ((i = 0; i < 2000; i++)); do printf 'small%d.log\t\t-o\tsmall%d.tsv\t%s\n' "$i" "$i" "$small"; done > small.list

median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

# measure NAME COMMAND...: a table row of the medians of RUNS runs.
measure() {
  local name=$1; shift
  : > runs.txt
  for ((r = 0; r < runs; r++)); do
    /usr/bin/time -f '%e %U %S %M' -o time.txt "$@" > /dev/null 2>&1 || { echo "growth_bench: $* failed" >&2; exit 1; }
    cat time.txt >> runs.txt
  done
  printf '| %s | %s | %s | %s |\n' "$name" "$(awk '{print $1}' runs.txt | median)" \
    "$(awk '{printf "%.2f\n", $2 + $3}' runs.txt | median)" "$(awk '{print $4}' runs.txt | median)"
}

growth=$bin/kestrel-growth
echo "## kestrel-growth"
echo
echo "Made by \`bench/growth_bench.sh BIN $runs\` on $(date -u +%Y-%m-%d); median of $runs runs;"
echo "load average before the runs: $(cut -d' ' -f1 /proc/loadavg). CPU seconds are user + system time."
echo
echo "| Run | Wall s | CPU s | Peak RSS KB |"
echo "|---|---|---|---|"
measure "E. coli, GenBank .gbff.gz (4315 CDS)" "$growth" -o out.tsv "$ecoli"
measure "E. coli, GenBank .gbff unpacked" "$growth" -o out.tsv ecoli.gbff
measure "E. coli, CDS FASTA .fna.gz" "$growth" -o out.tsv --cds-fasta "$growth_dir/GCF_000005845.2_cds_from_gbff.fna.gz"
measure "S. pyogenes, CDS FASTA, --keep-pseudo" "$growth" -o out.tsv --keep-pseudo --cds-fasta "$spyo"
measure "M. leprae, CDS FASTA, --keep-pseudo" "$growth" -o out.tsv --keep-pseudo --cds-fasta "$mlep"
measure "100 x S. pyogenes in one --batch" "$growth" --batch batch.list
[ -f "$small" ] && measure "2000 x bacterial_records.gb (16 CDS) in one --batch" "$growth" --batch small.list
echo
echo "Commands: \`kestrel-growth -o out.tsv GENOME\`, \`kestrel-growth -o out.tsv [--keep-pseudo] --cds-fasta FASTA\`;"
echo "the batch lists have lines \`LOG<TAB><TAB>-o<TAB>OUT<TAB>--keep-pseudo<TAB>--cds-fasta<TAB>FASTA\` and"
echo "\`LOG<TAB><TAB>-o<TAB>OUT<TAB>bacterial_records.gb\`."
