#!/usr/bin/env bash
# The workflow through workflow/profiles/slurm on a single-node SLURM cluster started for the test.
#  - With accounting and the test's account in the profile: seven genomes in three batches with USER unset (as batch
#    environments may leave it), then an eighth joins a batch: every result and both tables are there, every SLURM
#    job completes, one job per batch (and one summary job a run).
#  - A GenBank file cut in its last record fails its genome, with the reason in the batch's log and the run's report.
#  - A batch job cancelled with scancel is reported as failed within 60 s and the run exits non-zero.
#  - A run killed (SIGKILL), and a run interrupted while the controller cannot be reached, leave no job queued or
#    running once they have ended (and the controller is back), and the interrupted run does not hang.
#  - Without accounting (no slurmdbd): the run works with an account in the profile and without one.
# Usage: workflow_on_slurm.sh BIN_DIR [WORKFLOW_DIR]
#   WORKFLOW_DIR is the workflow folder to run (default: this source tree's workflow/).
# Exit status: 0 passed, 1 failed, 77 skipped (the cluster cannot run on this machine).
set -u
bin_dir=$(cd "$1" && pwd) || exit 1
root=$(cd "$(dirname "$0")/../.." && pwd)
workflow=$(cd "${2:-$root/workflow}" && pwd) || exit 1
cluster=$root/scripts/slurm_cluster.sh
scratch=$(mktemp -d /tmp/kestrel-slurm.XXXXXX)
trap '"$cluster" stop "$scratch/cluster"; "$cluster" stop "$scratch/plain"; rm -rf "$scratch"' EXIT
trap 'exit 1' INT TERM HUP
"$cluster" start "$scratch/cluster" || exit
. "$scratch/cluster/env.sh"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
example=$root/examples/example.gb

# The profile with an account filled in, as a site would, and tools whose batches take five minutes.
cp -r "$workflow/profiles/slurm" "$scratch/account"
sed -i "s/slurm_account=''/slurm_account=kestrel/" "$scratch/account/config.yaml"
grep -q "slurm_account=kestrel" "$scratch/account/config.yaml" || fail "no account line in the profile"
mkdir -p "$scratch/slow" && ln -s "$bin_dir"/kestrel-table "$bin_dir"/kestrel-plot "$scratch/slow/"
printf '#!/bin/sh\n[ "$1" = --batch ] && sleep 300\nexec "%s/kestrel-genome" "$@"\n' "$bin_dir" > "$scratch/slow/kestrel-genome"
chmod +x "$scratch/slow/kestrel-genome"

# workflow FOLDER LOG PROFILE BIN [ENVIRONMENT...]: a run in FOLDER (its genomes in FOLDER/genomes), with the
# environment's changes as for env. Snakemake waits for its SLURM jobs after a TERM, so a hung run is killed a
# minute later. CI=true makes Snakemake ask for the jobs' states every second rather than every ten.
workflow() {
  (cd "$1" && exec env "${@:5}" CI=true timeout -k 60 900 snakemake -s "$workflow/Snakefile" --profile "$3" \
     --config genomes=genomes bin_dir="$4" batch_size=3 > "$2" 2>&1)
}
# The workflow's jobs that SLURM still holds.
jobs_left() { squeue -h -o '%i %j' 2> /dev/null | grep ' kestrel-'; }
none_left() {  # WHAT: within 60 s no job is left
  local i
  for ((i = 0; i < 60; i++)); do [ -z "$(jobs_left)" ] && return 0; sleep 1; done
  fail "$1: jobs still queued or running: $(squeue -h)"
}
started() { squeue -h -t RUNNING -o %i | grep -q .; }
wait_for() { local i; for ((i = 0; i < 120; i++)); do "$@" && return 0; sleep 0.5; done; return 1; }

check_results() {  # GENOME...: results of each, and the tables' genomes exactly these
  local g expected
  for g in "$@"; do
    for f in "results/genomes/$g/$g.kstl" "results/genomes/$g/$g.svg"; do [ -s "$f" ] || fail "no $f"; done
  done
  expected=$(printf '%s\n' "$@" | sort)
  [ "$(tail -n +2 results/genomes.tsv 2> /dev/null | cut -f 1 | sort)" = "$expected" ] ||
    fail "genomes.tsv does not hold one row for each of: $*"
  [ "$(tail -n +2 results/genes.tsv 2> /dev/null | cut -f 1 | sort -u)" = "$expected" ] ||
    fail "genes.tsv does not hold the genes of each of: $*"
}

# --- Names whose batches are known: three in one bucket, three in another, one in a third, and an eighth for the
# third bucket (with few genomes a name's bucket depends on the name alone). With batch_size 3 that makes three
# batches, then one of them again.
mkdir -p "$scratch/run/genomes" && cd "$scratch/run" || exit 1
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
for g in "${genomes[@]:0:7}"; do cp "$example" "genomes/$g.gb"; done
workflow . first.log "$scratch/account" "$bin_dir" -u USER || { fail "the first run failed:"; tail -n 25 first.log; }
check_results "${genomes[@]:0:7}"
cp "$example" "genomes/${genomes[7]}.gb"
workflow . second.log "$scratch/account" "$bin_dir" || { fail "the second run failed:"; tail -n 25 second.log; }
check_results "${genomes[@]}"
# sacct lists only today's jobs unless given a start time.
states=$(sacct -a -X -n -P -S 2000-01-01 -o JobID,JobName,State,Account)
echo "SLURM jobs: $(grep -c . <<< "$states")"
grep -v '|COMPLETED|kestrel$' <<< "$states" | grep . && fail "a SLURM job did not complete, or not under the account"
count_jobs() { grep -c "|kestrel-$1|" <<< "$states"; }
[ "$(count_jobs batch)" = 4 ] && [ "$(count_jobs summary)" = 2 ] && [ "$(grep -c . <<< "$states")" = 6 ] ||
  fail "SLURM did not run 3 + 1 batch jobs and 2 summary jobs (above)"

# --- A GenBank file cut in its last record: its genome fails with the reason; the others' tables and the run's
# report are made, and the run exits non-zero.
head -n -3 "$example" > genomes/cut.gb
workflow . cut.log "$scratch/account" "$bin_dir" && fail "the run with a file cut short succeeded"
grep -q 'FAILED: kestrel-genome: cut: FAILED: genomes/cut.gb: the record EXA2 ends without its "//" line' logs/batch/*.log ||
  fail "no batch log gives the reason the genome cut short failed"
grep -q 'FAILED: cut: .* (see logs/genomes/cut.log)' cut.log && grep -q "genomes failed: see work/failures.tsv" cut.log ||
  fail "Snakemake does not report the failed genome"
grep -q 'logs/genomes/cut.log' results/report.html || fail "the run's report does not list the genome cut short"
check_results "${genomes[@]}"
[ -e results/genomes/cut/cut.kstl ] && fail "the genome cut short has results"
none_left "after the run with a file cut short"
rm genomes/cut.gb

# --- A batch job cancelled with scancel (at Snakemake's own pace, every ten seconds): reported as failed within
# 60 s, and the run ends non-zero.
mkdir -p "$scratch/cancel/genomes" && cd "$scratch/cancel" && cp "$example" genomes/g1.gb
(exec timeout -k 60 900 snakemake -s "$workflow/Snakefile" --profile "$workflow/profiles/slurm" --config genomes=genomes \
   bin_dir="$scratch/slow" > run.log 2>&1) & run=$!
wait_for started || fail "the batch job did not start"
scancel "$(squeue -h -t RUNNING -o %i | head -n 1)"
cancelled=$SECONDS
for ((i = 0; i < 90; i++)); do kill -0 "$run" 2> /dev/null || break; sleep 1; done
wait "$run" && fail "the run with a cancelled job exited 0"
[ $((SECONDS - cancelled)) -le 60 ] || fail "the cancelled job was noticed after $((SECONDS - cancelled)) s"
grep -q "Error in rule batch" run.log || fail "the cancelled job is not reported: $(tail -5 run.log)"
echo "cancelled batch job: the run ended $((SECONDS - cancelled)) s after scancel"
none_left "after the run with a cancelled job"

# --- Snakemake killed while its jobs wait or run: none is left.
mkdir -p "$scratch/killed/genomes" && cd "$scratch/killed" && cp "$example" genomes/g1.gb && cp "$example" genomes/g2.gb
(exec snakemake -s "$workflow/Snakefile" --profile "$workflow/profiles/slurm" --config genomes=genomes \
   bin_dir="$scratch/slow" > run.log 2>&1) & run=$!
wait_for eval '[ "$(squeue -h | wc -l)" -ge 2 ]' || fail "the killed run submitted no jobs"
kill -KILL "$run"
wait "$run" 2> /dev/null
none_left "after Snakemake was killed"

# --- The controller unreachable right after a submission, and the run interrupted meanwhile: the run waits rather
# than failing, ends at once when interrupted, and once the controller is back its job, still pending behind a job
# that holds the node, is cancelled before it can run and write its results.
mkdir -p "$scratch/unreachable/genomes" && cd "$scratch/unreachable" && cp "$example" genomes/g1.gb
blocker=$(sbatch --parsable --exclusive --job-name=blocker --output=/dev/null --wrap "sleep 600")
(exec snakemake -s "$workflow/Snakefile" --profile "$workflow/profiles/slurm" --config genomes=genomes \
   bin_dir="$bin_dir" > run.log 2>&1) & run=$!
wait_for eval 'jobs_left | grep -q .' || fail "the run submitted no job"
controller=$(awk '$1 == "slurmctld" { print $2 }' "$scratch/cluster/pids")
kill -STOP "$controller"
sleep 15
kill -0 "$run" 2> /dev/null || fail "the run ended while the controller could not be reached: $(tail -3 run.log)"
kill -INT "$run"
for ((i = 0; i < 60; i++)); do kill -0 "$run" 2> /dev/null || break; sleep 1; done
kill -0 "$run" 2> /dev/null && fail "the interrupted run hangs" && kill -KILL "$run"
wait "$run" && fail "the interrupted run exited 0"
kill -CONT "$controller"
none_left "after the interrupted run, once the controller was back"
scancel "$blocker"
sleep 10
[ -e results/genomes/g1/g1.kstl ] && fail "a job of the interrupted run wrote results"

# --- A site without accounting: the run works with an account in the profile and without.
"$cluster" stop "$scratch/cluster"
"$cluster" start "$scratch/plain" --no-accounting || { fail "the cluster without accounting did not start"; exit 1; }
. "$scratch/plain/env.sh"
sacct > /dev/null 2>&1 && fail "the cluster has accounting"
for profile in account slurm; do
  mkdir -p "$scratch/plain-$profile/genomes" && cd "$scratch/plain-$profile" && cp "$example" genomes/g1.gb
  [ $profile = account ] && profile_dir=$scratch/account || profile_dir=$workflow/profiles/slurm
  workflow . run.log "$profile_dir" "$bin_dir" || { fail "without accounting, profile $profile:"; tail -n 15 run.log; }
  check_results g1
done
[ "$failed" -eq 0 ] && echo "workflow on SLURM: passed"
exit "$failed"
