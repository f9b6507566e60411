#!/bin/sh
# Watches one workflow run on SLURM, started by submit.sh at the run's first submission:
# once the Snakemake process of the run has ended, however it ended (finished, failed,
# interrupted or killed), every job of the run that SLURM still holds is cancelled, so that
# none runs on alone. While the controller cannot be reached, it keeps trying, for up to
# a day.
#   usage: watch.sh SNAKEMAKE_PID RUN_FOLDER
# RUN_FOLDER/jobs lists the run's job ids, one a line; the folder goes at the end.
set -u
pid=$1 run=$2
while kill -0 "$pid" 2> /dev/null; do
  sleep 2
done
deadline=$(($(date +%s) + 86400))
while [ -s "$run/jobs" ]; do
  if held=$(squeue -h -u "$(id -un)" -o %i 2> /dev/null); then
    left=$(printf '%s\n' "$held" | grep -x -F -f "$run/jobs" | tr '\n' ' ')
    [ -z "$left" ] && break
    # shellcheck disable=SC2086  # one job id a word
    scancel $left 2> /dev/null
  fi
  [ "$(date +%s)" -lt "$deadline" ] || break
  sleep 2
done
rm -rf "$run"
