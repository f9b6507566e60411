#!/usr/bin/env bash
# Throughput of the many-genomes workflow: 20 gunzipped copies of the E. coli genome under
# different names, run with --cores 1 and --cores 2, against the sum of the times of the
# same chain run by hand genome by genome (lookup, analysis, figure) plus one table.
# Each workflow figure is the median of RUNS runs, the two settings taking turns. A rerun
# with nothing left to do times Snakemake's own start and finish, which no number of
# cores shortens: it bounds how close --cores 2 can come to half of --cores 1.
# Usage: bench/workflow_bench.sh [BIN_DIR] [WORK_DIR] [RUNS]; prints a Markdown section
# (bench/run adds it to bench/RESULTS.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
work=${2:-/tmp/kestrel-workflow-bench}
runs=${3:-5}
genome=${KESTREL_BENCH_GENOME:-$root/../shared/data/ecoli_k12_mg1655.gbff.gz}
copies=20

rm -rf "$work" && mkdir -p "$work/genomes"
for i in $(seq -w 1 $copies); do gzip -dc "$genome" > "$work/genomes/ecoli_$i.gbff"; done
now() { date +%s.%N; }
median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
load=$(cut -d' ' -f1 /proc/loadavg)

# The chain by hand, one genome after the other.
mkdir -p "$work/single"
start=$(now)
for i in $(seq -w 1 $copies); do
  d=$work/single/$i && mkdir -p "$d" && cp "$work/genomes/ecoli_$i.gbff" "$d/genome.gb"
  (cd "$d" && "$bin/kestrel-lookup" -o genome.lookup genome.gb 2> /dev/null &&
     python3 "$root/workflow/scripts/kestrel_answers.py" "$root/workflow/config.yaml" genome.lookup genome > answers &&
     "$bin/kestrel" < answers > console.log && "$bin/kestrel-plot" -o genome.svg genome.kstl)
done
(cd "$work/single" && "$bin/kestrel-table" -o genes.tsv --summary genomes.tsv */genome.kstl)
single=$(echo "$(now) - $start" | bc)

declare -A times
for ((run = 1; run <= runs; run++)); do
  for cores in 1 2; do
    d=$work/cores$cores && rm -rf "$d" && mkdir -p "$d"
    start=$(now)
    (cd "$d" && snakemake -s "$root/workflow/Snakefile" --cores $cores --quiet \
       --config genomes="$work/genomes" bin_dir="$bin" > run.log 2>&1) ||
      { echo "workflow bench: snakemake failed, see $d/run.log" >&2; exit 1; }
    times[$cores]+="$(echo "$(now) - $start" | bc) "
  done
  start=$(now)
  (cd "$work/cores2" && snakemake -s "$root/workflow/Snakefile" --cores 2 --quiet \
     --config genomes="$work/genomes" bin_dir="$bin" > rerun.log 2>&1)
  times[rerun]+="$(echo "$(now) - $start" | bc) "
done
declare -A took
for cores in 1 2 rerun; do took[$cores]=$(echo ${times[$cores]} | tr ' ' '\n' | median); done
# The two settings of one round ran a few seconds apart, so their ratio is less
# exposed to the machine's drift than the ratio of the two medians.
paired=$(paste <(echo ${times[2]} | tr ' ' '\n') <(echo ${times[1]} | tr ' ' '\n') |
  awk '{print $1 / $2}' | median)

rate() { echo "scale=1; $copies * 60 / $1" | bc; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
list() { for t in $1; do printf '%.2f ' "$t"; done; }
cat <<REPORT
## Many genomes: the Snakemake workflow

$copies copies of E. coli K-12 MG1655 (4315 CDS each), gunzipped under different names;
$(nproc) cores, load average before the runs: $load. Workflow figures are the median of $runs runs.

| Run | Seconds | Genomes per minute |
|---|---|---|
| chain by hand, one genome after the other | $(printf %.2f "$single") | $(rate "$single") |
| workflow, --cores 1 | $(printf %.2f "${took[1]}") | $(rate "${took[1]}") |
| workflow, --cores 2 | $(printf %.2f "${took[2]}") | $(rate "${took[2]}") |

Workflow overhead against the chain by hand: --cores 1 takes $(ratio "${took[1]}" "$single") times as long.
--cores 2 against --cores 1: $(ratio "${took[2]}" "${took[1]}") (the target is at most 0.6); the median of
the $runs rounds' own ratios: $(printf %.2f "$paired").
Snakemake's own start and finish (a rerun with nothing to do): $(printf %.2f "${took[rerun]}") s. With
everything else shared perfectly between the two cores, --cores 2 would take
$(awk -v f="${took[rerun]}" -v a="${took[1]}" 'BEGIN {printf "%.2f", (f + (a - f) / 2) / a}') of --cores 1 at best.
Every run, in seconds: --cores 1: $(list "${times[1]}"); --cores 2: $(list "${times[2]}");
rerun: $(list "${times[rerun]}").

Command: \`bench/workflow_bench.sh BIN_DIR\`.
REPORT
