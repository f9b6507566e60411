#!/bin/sh
# Snakemake's cluster submission (the profile's "cluster"): submits one job of the workflow
# to SLURM with sbatch and prints its id.
#   usage: submit.sh RULE MINUTES MEM_MB THREADS PARTITION ACCOUNT JOBSCRIPT
# An empty PARTITION or ACCOUNT leaves the choice to SLURM: its default partition, and the
# user's default account (or none, on a site without accounting). Each job's output goes to
# logs/slurm/ID.log. Each id is also listed in .snakemake/slurm-run.PID/jobs, PID being
# the Snakemake process that submits, for watch.sh: started at the run's first
# submission, it cancels whatever job of the run SLURM still holds once the run has ended.
rule=$1 minutes=$2 mem=$3 threads=$4 partition=$5 account=$6 script=$7
mkdir -p logs/slurm || exit 1
# The Snakemake process: the nearest one above this script.
pid=$PPID
while [ "$pid" -gt 1 ] && ! tr '\0' '\n' < "/proc/$pid/cmdline" 2> /dev/null | head -n 3 | grep -q '\(^\|/\)snakemake$'; do
  pid=$(awk '{ print $4 }' "/proc/$pid/stat" 2> /dev/null || echo 1)
done
run=.snakemake/slurm-run.$pid
if [ "$pid" -gt 1 ] && mkdir "$run" 2> /dev/null; then
  setsid "$(dirname "$0")/watch.sh" "$pid" "$PWD/$run" < /dev/null > /dev/null 2>&1 &
fi
set -- --parsable --job-name="kestrel-$rule" --time="$minutes" --mem="$mem" --cpus-per-task="$threads" \
  --output=logs/slurm/%j.log
[ -z "$partition" ] || set -- "$@" --partition="$partition"
[ -z "$account" ] || set -- "$@" --account="$account"
id=$(sbatch "$@" "$script") || exit 1
id=${id%%;*}
[ ! -d "$run" ] || echo "$id" >> "$run/jobs" || { scancel "$id"; exit 1; }
echo "$id"
