#!/usr/bin/env bash
# The workflow through workflow/profiles/slurm on a single-node SLURM cluster started for the test:
# seven genomes in three batches with USER unset (as batch environments may leave it), then with USER
# set after an eighth joins a batch. Every result and both tables must be there, every SLURM job must
# complete, and SLURM must run one job per batch, not per genome (and one table and figure job a run).
# Usage: workflow_on_slurm.sh BIN_DIR [WORKFLOW_DIR]
#   WORKFLOW_DIR is the workflow folder to run (default: this source tree's workflow/).
# Exit status: 0 passed, 1 failed, 77 skipped (the cluster cannot run on this machine).
set -u
bin_dir=$(cd "$1" && pwd) || exit 1
root=$(cd "$(dirname "$0")/../.." && pwd)
workflow=$(cd "${2:-$root/workflow}" && pwd) || exit 1
cluster=$root/scripts/slurm_cluster.sh
scratch=$(mktemp -d /tmp/kestrel-slurm.XXXXXX)
trap '"$cluster" stop "$scratch/cluster"; rm -rf "$scratch"' EXIT
trap 'exit 1' INT TERM HUP
"$cluster" start "$scratch/cluster" || exit
. "$scratch/cluster/env.sh"
mkdir -p "$scratch/run/genomes" && cd "$scratch/run" || exit 1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

run_workflow() {  # LOG, then the environment's changes as for env
  # Snakemake waits for its SLURM jobs after a TERM, so a hung run is killed a minute later.
  env "${@:2}" timeout -k 60 900 snakemake -s "$workflow/Snakefile" --profile "$workflow/profiles/slurm" \
    --config genomes=genomes bin_dir="$bin_dir" batch_size=3 > "$1" 2>&1 || { fail "snakemake failed:"; tail -n 25 "$1"; }
}

check_results() {  # GENOME...: results of each, and the tables' genomes exactly these
  local g expected
  for g in "$@"; do for f in "results/kstl/$g.kstl" "results/plots/$g.svg"; do [ -s "$f" ] || fail "no $f"; done; done
  expected=$(printf '%s.kstl\n' "$@" | sort)
  [ "$(tail -n +2 results/genomes.tsv 2> /dev/null | cut -f 1 | sort)" = "$expected" ] ||
    fail "genomes.tsv does not hold one row for each of: $*"
  [ "$(tail -n +2 results/genes.tsv 2> /dev/null | cut -f 1 | sort -u)" = "$expected" ] ||
    fail "genes.tsv does not hold the genes of each of: $*"
}

# Names whose batches are known: three in one bucket, three in another, one in a third,
# and an eighth for the third bucket (with few genomes a name's bucket depends on the name
# alone). With batch_size 3 that makes three batches, then one of them again.
names=$(PYTHONPATH=$workflow/scripts /usr/bin/python3 - << 'PY'
from kestrel_batches import MIN_BUCKETS, bucket_of, name_hash
buckets = {}
for i in range(1000):
    buckets.setdefault(bucket_of(name_hash(f"g{i}"), MIN_BUCKETS), []).append(f"g{i}")
full = [names for names in buckets.values() if len(names) >= 3]
print(*full[0][:3], *full[1][:3], *full[2][:2])
PY
)
read -r -a genomes <<< "$names"
for g in "${genomes[@]:0:7}"; do cp "$root/examples/example.gb" "genomes/$g.gb"; done
run_workflow first.log -u USER
check_results "${genomes[@]:0:7}"
cp "$root/examples/example.gb" "genomes/${genomes[7]}.gb"
run_workflow second.log USER="$(id -un)"
check_results "${genomes[@]}"

# sacct lists only today's jobs unless given a start time.
states=$(sacct -a -X -n -P -S 2000-01-01 -o JobID,JobName,State)
echo "SLURM jobs: $(grep -c . <<< "$states")"
grep -v '|COMPLETED$' <<< "$states" | grep . && fail "a SLURM job did not complete (above)"
count_jobs() { grep -c "|snakejob_$1_[0-9]*|" <<< "$states"; }
[ "$(count_jobs batch)" = 4 ] && [ "$(count_jobs table)" = 2 ] && [ "$(count_jobs neutrality)" = 2 ] &&
  [ "$(grep -c . <<< "$states")" = 8 ] ||
  fail "SLURM did not run 3 + 1 batch jobs, 2 table jobs and 2 jobs for the figure of genome means (above)"
[ "$failed" -eq 0 ] && echo "workflow on SLURM: passed"
exit "$failed"
