#!/usr/bin/env bash
# The cluster profile's status command without a cluster: scontrol and sacct stand-ins give each state SLURM
# reports, and status.sh must tell Snakemake running, success or failed by the state's first word; a job SLURM
# no longer knows is failed, one it cannot be asked about (the controller and the accounting unreachable) is
# still running. The watcher leaves alone the jobs of other runs.
# Usage: bash slurm_status_test.sh BIN_DIR WORK_DIR
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
profile=$root/workflow/profiles/slurm
fail=0
bad() { echo "FAIL: $*"; fail=1; }
rm -rf "$2" && mkdir -p "$2/bin" && cd "$2" || exit 1
# scontrol prints $SCONTROL (or fails with $SCONTROL_ERROR); sacct prints $SACCT (or fails when it is unset).
cat > bin/scontrol << 'EOF2'
#!/bin/sh
[ -n "${SCONTROL_ERROR:-}" ] && { echo "$SCONTROL_ERROR" >&2; exit 1; }
echo "JobId=$4 JobName=kestrel-batch UserId=root(0) GroupId=root(0) Priority=1 $SCONTROL Reason=None Dependency=(null)"
EOF2
cat > bin/sacct << 'EOF2'
#!/bin/sh
[ -n "${SACCT+set}" ] || { echo "Slurm accounting storage is disabled" >&2; exit 1; }
[ -z "$SACCT" ] || echo "$SACCT"
EOF2
chmod +x bin/scontrol bin/sacct
expect() {  # ANSWER, then the environment for the stand-ins
  local got
  got=$(env "${@:2}" PATH="$PWD/bin:$PATH" "$profile/status.sh" 42 2> status.err)
  [ "$got" = "$1" ] || bad "${*:2}: $got, expected $1"
}
for state in PENDING RUNNING CONFIGURING COMPLETING SUSPENDED REQUEUED; do expect running SCONTROL="JobState=$state"; done
expect success SCONTROL="JobState=COMPLETED"
for state in CANCELLED FAILED TIMEOUT NODE_FAIL OUT_OF_MEMORY BOOT_FAIL DEADLINE PREEMPTED; do
  expect failed SCONTROL="JobState=$state"
done
# The controller forgot the job: the accounting's state, first word first.
invalid="slurm_load_jobs error: Invalid job id specified"
expect failed SCONTROL_ERROR="$invalid" SACCT="CANCELLED by 0"
expect failed SCONTROL_ERROR="$invalid" SACCT="NODE_FAIL"
expect success SCONTROL_ERROR="$invalid" SACCT="COMPLETED"
expect running SCONTROL_ERROR="$invalid" SACCT="RUNNING"
# Neither knows it any more (no accounting): failed, and said so.
expect failed SCONTROL_ERROR="$invalid"
grep -q "no longer knows job 42" status.err || bad "a forgotten job is not said: $(cat status.err)"
expect failed SCONTROL_ERROR="$invalid" SACCT=""
# The controller unreachable: the accounting's state, else the job is taken as still running.
unreachable="slurm_load_jobs error: Unable to contact slurm controller (connect failure)"
expect failed SCONTROL_ERROR="$unreachable" SACCT="TIMEOUT"
expect running SCONTROL_ERROR="$unreachable"

# watch.sh, once its run has ended, cancels the run's jobs that squeue still shows, and only those.
cat > bin/squeue << 'EOF2'
#!/bin/sh
cat squeue.txt
EOF2
cat > bin/scancel << 'EOF2'
#!/bin/sh
echo "$@" >> cancelled.txt
for id; do grep -v -x "$id" squeue.txt > squeue.new; mv squeue.new squeue.txt; done
EOF2
chmod +x bin/squeue bin/scancel
printf '7\n8\n9\n' > squeue.txt && mkdir run && printf '8\n9\n10\n' > run/jobs
sleep 30 & ended=$!
kill "$ended"; wait "$ended" 2> /dev/null
PATH=$PWD/bin:$PATH timeout 20 "$profile/watch.sh" "$ended" "$PWD/run" || bad "watch.sh did not end"
[ "$(cat cancelled.txt 2> /dev/null)" = "8 9" ] || bad "watch.sh cancelled: $(cat cancelled.txt 2> /dev/null)"
[ "$(cat squeue.txt)" = 7 ] && [ ! -e run ] || bad "watch.sh left jobs of its run, or its folder"
[ $fail -eq 0 ] && echo "SLURM status test passed"
exit $fail
