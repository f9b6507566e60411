#!/usr/bin/env bash
# kestrel --batch streams each run's console to the run's log: a console of some 50 MB passes in a few MB of
# memory, the "STATUS<TAB>LOG" lines stay on standard output, and a log that cannot be written fails its run
# alone.
# Usage: bash batch_log_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"

cp "$root/examples/example.gb" e.gb
# 750,000 entries of a CDS without its start, each a console line of 68 characters and no row.
awk 'BEGIN {
  for (i = 0; i < 750000; i++)
    printf "#CDS complement(<601..900)\n#gene gene_with_a_long_name_%08d\n#nListings 1\n#nAlt 0\n#file e.gb\n" \
           "#contig 2\n#beforeSpace 200\n#afterSpace 100\n#altCDSFirst 601\n#altCDSlast 900\n#end\n", i }' > big.lookup
printf '%s\n' big.lookup big C C > big.answers
printf '%s\n' e.lookup small C C > small.answers
"$bin/kestrel-lookup" -o e.lookup e.gb 2> /dev/null
printf 'big.log\t\tbig.answers\nmissing/x.log\t\tsmall.answers\nsmall.log\t\tsmall.answers\n' > list

timed batch timeout 120 "$kestrel" --batch list > batch.out 2> batch.err
[ $? = 1 ] || bad "batch: status $?, expected 1 (one log cannot be written): $(cat batch.err)"
small batch
[ "$(cat batch.out)" = "$(printf '0\tbig.log\n1\tmissing/x.log\n0\tsmall.log')" ] || bad "status lines: $(cat batch.out)"
grep -q "missing/x.log" batch.err || bad "the log that cannot be written is not named: $(cat batch.err)"
[ "$(stat -c %s big.log)" -gt 50000000 ] && tail -1 big.log | grep -q "^See file big.kstl" ||
  bad "the big console is not whole in its log"
complete small.kstl
[ -e small.kstl ] && [ ! -e missing ] || bad "the run after a failed log did not run, or one without its log did"
rm -f big.lookup big.log
exit $fail
