#!/usr/bin/env bash
# Throughput of the many-genomes workflow:
#  - 20 gunzipped copies of the E. coli genome under different names, run with --cores 1
#    and --cores 2, against kestrel-genome run by hand on each genome, one after the
#    other, plus the two tables; a rerun with nothing left to do times Snakemake's own
#    start and finish, which no number of cores shortens;
#  - 100 such copies, --cores 1 and --cores 2;
#  - 2000 copies of a small GenBank file (bacterial_records.gb, 16 CDS), --cores 2, and
#    kestrel-genome by hand on 200 of them; the growth prediction of the 2000 alone
#    (kestrel-growth --batch), for its share;
#  - Snakemake's planning (a dry run) on 25,000, 50,000 and 100,000 genome files, to show
#    how planning grows with the number of genomes.
# Copies are hard links where the file system allows (the workflow never writes to its
# genome files). Every run writes into a folder of its own, and nothing is removed until
# the end: on ext4 without a journal, creating files within minutes of removing tens of
# thousands of others scans the inodes just freed, which made a run take twice as long. Workflow figures are medians, the settings of one round taking turns;
# CPU seconds (user + system, Snakemake and the tools) are given beside the wall times,
# since on a shared machine they vary less.
# Usage: bench/workflow_bench.sh [BIN_DIR] [WORK_DIR] [RUNS] [LARGE_RUNS]
#   WORK_DIR (default /tmp) gets a new folder for the runs, removed at the end.
#   RUNS (default 5) rounds of the 20-genome runs, LARGE_RUNS (default 3) of the others.
# Prints a Markdown section (bench/run adds it to bench/RESULTS.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d "${2:-/tmp}/kestrel-workflow-bench.XXXXXX")
runs=${3:-5}
large_runs=${4:-3}
genome=${KESTREL_BENCH_GENOME:-$root/../shared/data/ecoli_k12_mg1655.gbff.gz}
small=${KESTREL_BENCH_SMALL:-$root/../shared/data/bacterial_records.gb}
copies=20

mkdir -p "$work/genomes"
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
load() { cut -d' ' -f1 /proc/loadavg; }
list() { for t in $1; do printf '%.2f ' "$t"; done; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
rate() { echo "scale=1; $1 * 60 / $2" | bc; }
per_thousand() { awk -v t="$1" -v n="$2" 'BEGIN {printf "%.2f", t / n * 1000}'; }

# copies SOURCE FOLDER PREFIX SUFFIX COUNT: COUNT names for one file, hard links where
# possible. A file takes at most 60,000 links, so each 50,000 names get a copy of their own.
copies() {
  /usr/bin/python3 - "$@" << 'PY'
import os, shutil, sys
source, folder, prefix, suffix, count = sys.argv[1:6]
os.makedirs(folder, exist_ok=True)
target = None
for i in range(int(count)):
    name = os.path.join(folder, f"{prefix}{i + 1:06d}{suffix}")
    if i % 50000 == 0:
        target = name
        shutil.copyfile(source, target)
        continue
    try:
        os.link(target, name)
    except OSError:
        shutil.copyfile(target, name)
PY
}

# workflow DIR GENOMES CORES [ARGS...]: runs the workflow in DIR (made new) on the folder
# of genomes; sets wall and seconds (CPU).
workflow() {
  local dir=$1 genomes=$2 cores=$3
  shift 3
  [ ! -e "$dir" ] || { echo "workflow bench: $dir is there already" >&2; exit 1; }
  mkdir -p "$dir"
  sync  # the data of the run before reaches the disk before this run's clock starts
  local start end
  wall= seconds=
  start=$(now)
  (cd "$dir" && /usr/bin/time -f '%U %S' -o cpu.txt snakemake -s "$root/workflow/Snakefile" --cores "$cores" \
     --quiet "$@" --config genomes="$genomes" bin_dir="$bin" > run.log 2>&1) ||
    { echo "workflow bench: snakemake failed, see $dir/run.log" >&2; exit 1; }
  end=$(now)
  wall=$(echo "$end - $start" | bc)
  seconds=$(awk '{print $1 + $2}' "$dir/cpu.txt")
}

# by_hand GENOME...: kestrel-genome on each genome, one process after the other, then the
# two tables joined; sets single (wall seconds).
by_hand() {
  local g start folder
  folder=$(mktemp -d "$work/single.XXXXXX")
  sync
  start=$(now)
  for g in "$@"; do
    "$bin/kestrel-genome" --quiet -o "$folder/$(basename "$g")" "$g" 2> /dev/null
  done
  (cd "$folder" && "$bin/kestrel-table" --join -o genes.tsv */*.genes.tsv &&
     "$bin/kestrel-table" --join -o genomes.tsv */*.genome.tsv)
  single=$(echo "$(now) - $start" | bc)
}

# --- 20 E. coli genomes against the chain by hand.
gzip -dc "$genome" > "$work/ecoli.gbff"
copies "$work/ecoli.gbff" "$work/genomes" ecoli_ .gbff "$copies"
load20=$(load)
by_hand "$work"/genomes/*.gbff

declare -A times cpu
for ((run = 1; run <= runs; run++)); do
  for cores in 1 2; do
    workflow "$work/cores$cores.$run" "$work/genomes" $cores
    times[$cores]+="$wall " && cpu[$cores]+="$seconds "
  done
  start=$(now)
  (cd "$work/cores2.$run" && snakemake -s "$root/workflow/Snakefile" --cores 2 --quiet \
     --config genomes="$work/genomes" bin_dir="$bin" > rerun.log 2>&1)
  times[rerun]+="$(echo "$(now) - $start" | bc) "
done

# --- 100 E. coli genomes, --cores 1 and --cores 2.
copies "$work/ecoli.gbff" "$work/genomes100" ecoli_ .gbff 100
load100=$(load)
for ((run = 1; run <= large_runs; run++)); do
  for cores in 1 2; do
    workflow "$work/e100_$cores.$run" "$work/genomes100" $cores
    times[e100_$cores]+="$wall " && cpu[e100_$cores]+="$seconds "
  done
done

# --- 2000 small genomes, --cores 2, and the chain by hand on 200 of them.
copies "$small" "$work/small" small_ .gb 2000
load2000=$(load)
for ((run = 1; run <= large_runs; run++)); do
  workflow "$work/s2000.$run" "$work/small" 2
  times[s2000]+="$wall " && cpu[s2000]+="$seconds "
done
by_hand "$work"/small/small_000{001..200}.gb
small_by_hand=$single
# The growth prediction of every genome, in one process: what the growth columns cost
# kestrel-genome at most (it also reads each file itself here).
for f in "$work"/small/*.gb; do printf '/dev/null\t\t-o\t/dev/null\t%s\n' "$f"; done > "$work/growth.list"
start=$(now)
/usr/bin/time -f '%U %S' -o "$work/growth.cpu" "$bin/kestrel-growth" --batch "$work/growth.list" > /dev/null
growth_wall=$(echo "$(now) - $start" | bc)
growth_cpu=$(awk '{print $1 + $2}' "$work/growth.cpu")
# Each genome starts three tools; what starting a process costs on this machine.
spawn=$(/usr/bin/python3 -c 'import subprocess, time
start = time.perf_counter()
for _ in range(200): subprocess.run(["/bin/true"])
print(f"{(time.perf_counter() - start) / 200 * 1000:.2f}")')

# --- Planning: dry runs on many genome files (the first one also records the plan).
plan_rows=""
for count in 25000 50000 100000; do
  copies "$small" "$work/plan$count" g_ .gb "$count"
  loadplan=$(load)
  workflow "$work/dry$count" "$work/plan$count" 2 --dry-run --quiet rules
  first=$wall
  start=$(now)
  (cd "$work/dry$count" && snakemake -s "$root/workflow/Snakefile" --cores 2 --quiet --dry-run \
     --config genomes="$work/plan$count" bin_dir="$bin" > again.log 2>&1)
  again=$(echo "$(now) - $start" | bc)
  batches=$(awk '$1 == "batch" { print $2 }' "$work/dry$count/run.log")
  plan_rows+="| $count | $batches | $(printf %.2f "$first") | $(printf %.2f "$again") | $(per_thousand "$first" "$count") | $loadplan |"$'\n'
done

declare -A took used
for key in 1 2 rerun e100_1 e100_2 s2000; do took[$key]=$(echo ${times[$key]} | tr ' ' '\n' | median); done
for key in 1 2 e100_1 e100_2 s2000; do used[$key]=$(echo ${cpu[$key]} | tr ' ' '\n' | median); done
# The two settings of one round ran a few seconds apart, so their ratio is less exposed
# to the machine's drift than the ratio of the two medians.
paired() {
  paste <(echo ${times[$1]} | tr ' ' '\n') <(echo ${times[$2]} | tr ' ' '\n') | awk '{print $1 / $2}' | median
}
cat <<REPORT
## Many genomes: the Snakemake workflow

$(nproc) cores; default settings (batch_size 100). Wall seconds are medians; CPU seconds are
user + system time of Snakemake and everything it ran. The load average before each
measurement is given: other work on the machine slows the runs, --cores 2 most.

### 20 E. coli genomes

$copies copies of E. coli K-12 MG1655 (4315 CDS each), gunzipped, under different names;
load average $load20; median of $runs runs.

| Run | Seconds | CPU seconds | Genomes per minute |
|---|---|---|---|
| kestrel-genome by hand, one genome after the other | $(printf %.2f "$single") | | $(rate $copies "$single") |
| workflow, --cores 1 | $(printf %.2f "${took[1]}") | $(printf %.2f "${used[1]}") | $(rate $copies "${took[1]}") |
| workflow, --cores 2 | $(printf %.2f "${took[2]}") | $(printf %.2f "${used[2]}") | $(rate $copies "${took[2]}") |

Workflow overhead against kestrel-genome by hand: --cores 1 takes $(ratio "${took[1]}" "$single") times as long.
--cores 2 against --cores 1: $(ratio "${took[2]}" "${took[1]}"); the median of the $runs rounds' own ratios: $(printf %.2f "$(paired 2 1)").
Snakemake's own start and finish (a rerun with nothing to do): $(printf %.2f "${took[rerun]}") s.
Every run, in seconds: --cores 1: $(list "${times[1]}"); --cores 2: $(list "${times[2]}");
rerun: $(list "${times[rerun]}").

### 100 E. coli genomes

The same genome under 100 names; load average $load100; median of $large_runs runs.

| Run | Seconds | CPU seconds | Genomes per minute |
|---|---|---|---|
| workflow, --cores 1 | $(printf %.2f "${took[e100_1]}") | $(printf %.2f "${used[e100_1]}") | $(rate 100 "${took[e100_1]}") |
| workflow, --cores 2 | $(printf %.2f "${took[e100_2]}") | $(printf %.2f "${used[e100_2]}") | $(rate 100 "${took[e100_2]}") |

--cores 2 against --cores 1: $(ratio "${took[e100_2]}" "${took[e100_1]}") (the target is at most 0.56); the median of the rounds' own
ratios: $(printf %.2f "$(paired e100_2 e100_1)"). Every run, in seconds: --cores 1: $(list "${times[e100_1]}");
--cores 2: $(list "${times[e100_2]}").

### 2000 small genomes

bacterial_records.gb (9 records, 16 CDS) under 2000 names, --cores 2; load average $load2000;
median of $large_runs runs: $(printf %.2f "${took[s2000]}") s (the target is at most 10 s), $(printf %.2f "${used[s2000]}") CPU seconds,
$(per_thousand "${took[s2000]}" 2000) s per thousand genomes. Every run, in seconds: $(list "${times[s2000]}").
kestrel-genome by hand on 200 of them, one process after the other, takes $(per_thousand "$small_by_hand" 200) ms per genome:
on two cores the workflow takes $(awk -v w="${took[s2000]}" -v c="$small_by_hand" 'BEGIN {printf "%.2f", 2 * w / (c * 10)}') times the time of that. Starting a process
(\`/bin/true\` from Python) takes $spawn ms here; the workflow starts kestrel-genome once per batch
of genomes (\`--batch\`). The growth prediction of the 2000 genomes alone (\`kestrel-growth --batch\`,
one process, reading each file itself) takes $(printf %.2f "$growth_wall") s and $(printf %.2f "$growth_cpu") CPU seconds: at most what the
growth columns add to the workflow, as kestrel-genome predicts growth beside the analysis.

### Planning many genomes

Dry runs (\`snakemake --dry-run\`, start to finish) on folders of small genome files, twice:
a dry run writes nothing, so the second plans again as the first did.

| Genome files | Batches | First dry run, s | Second dry run, s | First, ms per genome | Load average |
|---|---|---|---|---|---|
${plan_rows}
Command: \`bench/workflow_bench.sh BIN_DIR\`.
REPORT
