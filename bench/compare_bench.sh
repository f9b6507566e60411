#!/usr/bin/env bash
# Speed of kestrel-table --indices and kestrel-compare on E. coli K-12 MG1655, built as a user
# builds it (kestrel-lookup, kestrel-reference, kestrel with the .scu and .opt).
#  - kestrel-table --indices, against the same command of another build (BASE_BIN_DIR), e.g. one
#    made before CBI, GRAVY, Aromaticity, L_sym and L_aa were added: the two alternate, sample by
#    sample, so that a change in the machine's load falls on both.
#  - kestrel-compare with 1000 permutations: the reference set (the ribosomal-protein genes)
#    against the rest, with and without the figure, and half of the genes against the other half
#    (the most genes drawn in each permutation).
# A run takes a fraction of a second, finer than /usr/bin/time's hundredths: each sample times
# LOOPS runs in a row and divides. Figures are medians of SAMPLES samples; CPU seconds (user +
# system) beside the wall seconds, and the load average before the runs.
# Usage: bench/compare_bench.sh [BIN_DIR] [BASE_BIN_DIR] [SAMPLES] [LOOPS]
# Prints a Markdown section; says so and exits 0 when the genome is not there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
base=${2:+$(cd "$2" && pwd)}
samples=${3:-11}
loops=${4:-10}
work=${KESTREL_BENCH_WORK:-/tmp/kestrel-compare-bench}
genome=${KESTREL_BENCH_GENOME:-$root/../shared/data/ecoli_k12_mg1655.gbff.gz}
[ -f "$genome" ] || { echo "compare_bench: skipped, no $genome"; exit 0; }

rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$bin/kestrel-lookup" -o ecoli.lookup "$genome" 2> /dev/null
"$bin/kestrel-reference" -o ecoli "$genome" 2> /dev/null
"$bin/kestrel" ecoli.lookup -o ecoli.kstl --prokaryote --rscu ecoli.scu --optimal ecoli.opt 2> /dev/null
genes=$(($(sed -n '/^Gene /,/^$/p' ecoli.kstl | wc -l) - 2))
sed -n '/^Gene /,/^$/p' ecoli.kstl | awk 'NR > 1 && NF && NR % 2 == 0 {print $1}' > half.txt

median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
# sample FILE COMMAND...: LOOPS runs; the wall and CPU seconds of one run appended to FILE.wall and FILE.cpu.
sample() {
  local file=$1
  shift
  /usr/bin/time -f '%e %U %S' -o time.txt bash -c 'for ((i = 0; i < $0; i++)); do "$@" > /dev/null 2>&1 || exit 1; done' \
    "$loops" "$@" || { echo "compare_bench: $* failed" >&2; exit 1; }
  read -r wall user system < <(tail -1 time.txt)
  awk -v w="$wall" -v n="$loops" 'BEGIN {printf "%.4f\n", w / n}' >> "$file.wall"
  awk -v u="$user" -v s="$system" -v n="$loops" 'BEGIN {printf "%.4f\n", (u + s) / n}' >> "$file.cpu"
}
row() { echo "| $2 | $(median < "$1.wall") | $(median < "$1.cpu") |"; }

load=$(cut -d' ' -f1 /proc/loadavg)
rm -f ./*.wall ./*.cpu
for ((s = 0; s < samples; s++)); do
  sample table "$bin/kestrel-table" --indices -o table.tsv ecoli.kstl
  [ -z "$base" ] || sample base "$base/kestrel-table" --indices -o base.tsv ecoli.kstl
  sample reference "$bin/kestrel-compare" -a reference:ecoli.reference.tsv --permutations 1000 -o rp.tsv ecoli.kstl
  sample figure "$bin/kestrel-compare" -a reference:ecoli.reference.tsv --permutations 1000 -o rp.tsv \
    --figure rp.svg ecoli.kstl
  sample half "$bin/kestrel-compare" -a genes:half.txt --permutations 1000 -o half.tsv ecoli.kstl
done
reference=$(awk -F'\t' 'NR == 2 {print $17}' rp.tsv)
halves=$(awk -F'\t' 'NR == 2 {print $17 " and " $18}' half.tsv)

echo "## Added indices and the comparison of gene sets"
echo
echo "Made by \`bench/compare_bench.sh\` on $(date -u +%Y-%m-%d); E. coli K-12 MG1655 ($genes genes, analysed as a"
echo "prokaryote with the .scu and .opt of kestrel-reference); median of $samples samples of $loops runs each, per run;"
echo "load average $load before them."
echo
echo "| Run | Wall s | CPU s |"
echo "|---|---|---|"
row table "kestrel-table --indices"
if [ -n "$base" ]; then
  row base "kestrel-table --indices, base build ($base)"
  new=$(median < table.cpu) old=$(median < base.cpu)
  newWall=$(median < table.wall) oldWall=$(median < base.wall)
fi
row reference "kestrel-compare, reference set ($reference genes) against the rest, 1000 permutations"
row figure "the same with --figure"
row half "kestrel-compare, half of the genes ($halves) against the other half, 1000 permutations"
if [ -n "$base" ]; then
  echo
  awk -v n="$new" -v o="$old" -v nw="$newWall" -v ow="$oldWall" 'BEGIN {
    printf "kestrel-table --indices against the base build: CPU time %.3f (the target is at most 1.10), wall time %.3f.\n",
      n / o, nw / ow }'
fi
