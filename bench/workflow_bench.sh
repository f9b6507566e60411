#!/usr/bin/env bash
# Throughput of the many-genomes workflow: 20 gunzipped copies of the E. coli genome under
# different names, run with --cores 1 and --cores 2, against the sum of the times of the
# same chain run by hand genome by genome (lookup, analysis, figure) plus one table.
# Usage: bench/workflow_bench.sh [BIN_DIR] [WORK_DIR]; prints a Markdown section.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
work=${2:-/tmp/kestrel-workflow-bench}
genome=$root/../shared/data/ecoli_k12_mg1655.gbff.gz
copies=20

rm -rf "$work" && mkdir -p "$work/genomes"
for i in $(seq -w 1 $copies); do gzip -dc "$genome" > "$work/genomes/ecoli_$i.gbff"; done
now() { date +%s.%N; }

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

declare -A took
for cores in 1 2; do
  d=$work/cores$cores && mkdir -p "$d"
  start=$(now)
  (cd "$d" && snakemake -s "$root/workflow/Snakefile" --cores $cores --quiet \
     --config genomes="$work/genomes" bin_dir="$bin" > run.log 2>&1)
  took[$cores]=$(echo "$(now) - $start" | bc)
done

rate() { echo "scale=1; $copies * 60 / $1" | bc; }
ratio() { echo "scale=2; $1 / $2" | bc; }
cat <<REPORT
## Many genomes: the Snakemake workflow

$copies copies of E. coli K-12 MG1655 (4315 CDS each), gunzipped under different names;
$(nproc) cores, load average before the runs: $(cut -d' ' -f1 /proc/loadavg).

| Run | Seconds | Genomes per minute |
|---|---|---|
| chain by hand, one genome after the other | $(printf %.1f "$single") | $(rate "$single") |
| workflow, --cores 1 | $(printf %.1f "${took[1]}") | $(rate "${took[1]}") |
| workflow, --cores 2 | $(printf %.1f "${took[2]}") | $(rate "${took[2]}") |

Workflow overhead against the chain by hand: --cores 1 takes $(ratio "${took[1]}" "$single") times as long.
--cores 2 against --cores 1: $(ratio "${took[2]}" "${took[1]}") (the target is at most 0.6).

Command: \`bench/workflow_bench.sh BIN_DIR\`.
REPORT
