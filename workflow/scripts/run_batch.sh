#!/bin/sh
# One batch of the workflow: kestrel-genome --batch on the genomes of LIST, each genome's
# run logged where LIST says, its results in a folder of its own.
#   usage: run_batch.sh KESTREL_GENOME LIST DONE LOG THREADS
# THREADS (1 or 2), the CPUs Snakemake gave the job, is each genome's --threads.
# DONE is work/done/BATCH.DIGEST, or BATCH.DIGEST.redoTIME for a batch run again because
# results are gone or a genome failed. The batch's markers, failures, lists and logs of
# earlier plans go first, so that a batch cut short never looks done. Once every genome
# has run, DONE is written, and without its .redo part too. A genome that failed is named
# on standard error with the reason its log gives, and in work/failed/BATCH.DIGEST as
# "NAME<tab>LOG<tab>REASON", for the run's report; the run's last step then fails. Only a
# batch that did not run every genome (kestrel-genome killed, a list it cannot read)
# fails here.
tool=$1 list=$2 done=$3 log=$4 threads=$5
batch=${done##*/}
failed=work/failed/${batch%.redo*}
batch=${batch%%.*}
set --
for old in work/done/"$batch".* work/failed/"$batch".* work/lists/"$batch".*.list logs/batch/"$batch".*.log; do
  [ -e "$old" ] && [ "$old" != "$list" ] && [ "$old" != "$log" ] && set -- "$@" "$old"
done
[ $# -eq 0 ] || rm -f -- "$@" || exit 1
run_list=${list%.list}.run.list
LC_ALL=C awk -F '\t' -v OFS='\t' -v threads="--threads=$threads" '{ $3 = threads OFS $3 } 1' "$list" > "$run_list" ||
  exit 1
statuses=$("$tool" --batch "$run_list")
status=$?
rm -f -- "$run_list"
runs=$(printf '%s\n' "$statuses" | grep -c '	')
if [ "$status" -gt 1 ] || { [ "$status" -eq 1 ] && [ "$runs" -ne "$(wc -l < "$list")" ]; }; then
  echo "kestrel-genome --batch $list ended with status $status after $runs of its genomes" >&2
  exit 1
fi
if [ "$status" -eq 1 ]; then
  mkdir -p work/failed || exit 1
  printf '%s\n' "$statuses" | awk -F '\t' '$1 != 0 { print substr($0, index($0, "\t") + 1) }' |
    while IFS= read -r genome_log; do
      reason=$(grep -m 1 -e ': FAILED: ' -- "$genome_log" 2> /dev/null || head -n 1 -- "$genome_log" 2> /dev/null)
      name=${genome_log#logs/genomes/}
      printf '%s\t%s\t%s\n' "${name%.log}" "$genome_log" "${reason:-no reason given}"
      echo "FAILED: ${reason:-no reason given} (see $genome_log)" >&2
    done > "$failed.tmp" && mv -- "$failed.tmp" "$failed" || exit 1
fi
: > "$done" && : > "${done%.redo*}"
