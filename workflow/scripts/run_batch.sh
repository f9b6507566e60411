#!/bin/sh
# One batch of the workflow: kestrel-genome --batch on the genomes of LIST, each genome's
# run logged where LIST says, its results in a folder of its own.
#   usage: run_batch.sh KESTREL_GENOME LIST DONE LOG
# DONE is work/done/BATCH.DIGEST, or BATCH.DIGEST.redoTIME for a batch run again because
# results are gone. The batch's markers, lists and logs of earlier plans go first, so that
# a batch cut short never looks done. Once every genome is done, DONE is written, and
# without its .redo part too. A genome that fails is named on standard error with the
# reason its log gives, and the batch exits with status 1.
tool=$1 list=$2 done=$3 log=$4
batch=${done##*/}
batch=${batch%%.*}
set --
for old in work/done/"$batch".* work/lists/"$batch".*.list logs/batch/"$batch".*.log; do
  [ -e "$old" ] && [ "$old" != "$list" ] && [ "$old" != "$log" ] && set -- "$@" "$old"
done
[ $# -eq 0 ] || rm -f -- "$@" || exit 1
statuses=$("$tool" --batch "$list")
status=$?
if [ "$status" -eq 0 ]; then
  : > "$done" && : > "${done%.redo*}"
  exit
fi
printf '%s\n' "$statuses" | awk -F '\t' '$1 != 0 && NF > 1 { print substr($0, index($0, "\t") + 1) }' |
  while IFS= read -r genome_log; do
    reason=$(grep -m 1 -e ': FAILED: ' -- "$genome_log" 2> /dev/null || head -n 1 -- "$genome_log" 2> /dev/null)
    echo "FAILED: ${reason:-no reason given} (see $genome_log)" >&2
  done
[ "$status" -eq 1 ] || echo "kestrel-genome --batch $list ended with status $status" >&2
exit 1
