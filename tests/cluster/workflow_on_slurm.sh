#!/usr/bin/env bash
# The workflow through workflow/profiles/slurm on a single-node SLURM cluster started for
# the test: first with USER unset, as batch environments may leave it, then with USER set
# after a fourth genome is added. Every genome's results and both tables must be there,
# and every SLURM job must have completed.
# Usage: workflow_on_slurm.sh BIN_DIR
# Exit status: 0 passed, 1 failed, 77 skipped (the cluster cannot run on this machine).
set -u
bin_dir=$(cd "$1" && pwd) || exit 1
root=$(cd "$(dirname "$0")/../.." && pwd)
cluster=$root/tests/cluster/slurm_cluster.sh
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
  local log=$1
  shift
  env "$@" timeout -k 60 900 snakemake -s "$root/workflow/Snakefile" --profile "$root/workflow/profiles/slurm" \
    --config genomes=genomes bin_dir="$bin_dir" > "$log" 2>&1 || { fail "snakemake failed:"; tail -n 25 "$log"; }
}

check_results() {  # GENOME...: results of each, and the tables' genomes exactly these
  local g
  for g in "$@"; do
    [ -s "results/kstl/$g.kstl" ] || fail "no results/kstl/$g.kstl"
    [ -s "results/plots/$g.svg" ] || fail "no results/plots/$g.svg"
  done
  local expected
  expected=$(printf '%s.kstl\n' "$@" | sort)
  [ "$(tail -n +2 results/genomes.tsv 2> /dev/null | cut -f 1 | sort)" = "$expected" ] ||
    fail "genomes.tsv does not hold one row for each of: $*"
  [ "$(tail -n +2 results/genes.tsv 2> /dev/null | cut -f 1 | sort -u)" = "$expected" ] ||
    fail "genes.tsv does not hold the genes of each of: $*"
}

for g in alpha beta gamma; do cp "$root/examples/example.gb" "genomes/$g.gb"; done
run_workflow first.log -u USER
check_results alpha beta gamma
cp "$root/examples/example.gb" genomes/delta.gb
run_workflow second.log USER="$(id -un)"
check_results alpha beta gamma delta

# sacct lists only today's jobs unless given a start time.
states=$(sacct -a -X -n -P -S 2000-01-01 -o JobID,JobName,State)
echo "SLURM jobs: $(grep -c . <<< "$states")"
grep -v '|COMPLETED$' <<< "$states" | grep . && fail "a SLURM job did not complete (above)"
[ "$failed" -eq 0 ] && echo "workflow on SLURM: passed"
exit "$failed"
