#!/bin/sh
# Snakemake's cluster status command (the profile's "cluster-status"): prints running,
# success or failed for a SLURM job.
#   usage: status.sh JOBID
# The state comes from the controller (scontrol), else from the accounting (sacct), by its
# first word ("CANCELLED by 0" is CANCELLED): COMPLETED is success; a state of a job that
# waits, runs or will run again is running; every other state (CANCELLED, FAILED, TIMEOUT,
# NODE_FAIL, OUT_OF_MEMORY, BOOT_FAIL, DEADLINE, PREEMPTED, ...) is failed. A job that
# neither knows any more (the controller forgets finished jobs after a few minutes, and a
# site may have no accounting) is taken as failed; while neither can be reached, as
# running, so that the run waits for the controller to come back.
id=$1
answer=$(scontrol show job -o "$id" 2>&1)
known=$?
state=$(printf '%s\n' "$answer" | sed -n 's/.* JobState=\([^ ]*\).*/\1/p;s/^JobState=\([^ ]*\).*/\1/p' | head -n 1)
if [ -z "$state" ]; then
  state=$(sacct -n -X -P -j "$id" -o State 2> /dev/null | head -n 1)
  state=${state%% *}
fi
case $state in
  COMPLETED) echo success ;;
  PENDING | CONFIGURING | RUNNING | COMPLETING | SUSPENDED | REQUEUED | REQUEUE_FED | REQUEUE_HOLD | RESIZING | \
    SIGNALING | STAGE_OUT | RESV_DEL_HOLD | STOPPED | POWER_UP_NODE | UPDATE_DB) echo running ;;
  "")
    if [ "$known" -ne 0 ] && ! printf '%s\n' "$answer" | grep -q "Invalid job id"; then
      echo running
    else
      echo "status.sh: SLURM no longer knows job $id: taken as failed" >&2
      echo failed
    fi ;;
  *) echo failed ;;
esac
