#!/usr/bin/env bash
# Peak memory of kestrel --batch on a run whose console is some 400 MB, against the same
# run alone: a batch streams each run's console to its log, so the two should not differ
# by more than a few MB. The console is made of the one-line messages of CDSs without
# their start (no output row), 68 characters each; the example's GenBank file holds the
# sequence. Needs about 1.5 GB of disk in WORK_DIR, removed at the end.
# Usage: bench/batch_memory_bench.sh [BIN_DIR] [WORK_DIR] [MB]
# Prints a Markdown section (for bench/RESULTS.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
work=${2:-/tmp/kestrel-batch-memory-bench}
megabytes=${3:-400}
entries=$((megabytes * 1000000 / 68))

rm -rf "$work" && mkdir -p "$work" && cd "$work"
trap 'cd / && rm -rf "$work"' EXIT
cp "$root/examples/example.gb" e.gb
awk -v n="$entries" 'BEGIN {
  for (i = 0; i < n; i++)
    printf "#CDS complement(<601..900)\n#gene gene_with_a_long_name_%08d\n#nListings 1\n#nAlt 0\n#file e.gb\n" \
           "#contig 2\n#beforeSpace 200\n#afterSpace 100\n#altCDSFirst 601\n#altCDSlast 900\n#end\n", i }' > big.lookup
printf '%s\n' big.lookup big C C > answers
printf 'batch.log\t\tanswers\n' > list

seconds() { awk '{print $1}' "$1"; }
/usr/bin/time -f '%e %M' -o alone.time "$bin/kestrel" < answers > alone.log
rm -f big.kstl
/usr/bin/time -f '%e %M' -o batch.time "$bin/kestrel" --batch list > batch.out
cmp -s alone.log batch.log || { echo "bench: the batch log differs from the console alone" >&2; exit 1; }
grep -qP '^0\tbatch.log$' batch.out || { echo "bench: batch status: $(cat batch.out)" >&2; exit 1; }
console=$(stat -c %s batch.log)

cat << EOF
## kestrel --batch on a long console

$(date +%Y-%m-%d); one run of $entries lookup entries of a CDS without its start (a
console line each, no output row), its console $((console / 1000000)) MB; \`bench/batch_memory_bench.sh\`.

| Run | Wall s | Peak RSS KB |
|---|---|---|
| kestrel alone, console to a file | $(seconds alone.time) | $(awk '{print $2}' alone.time) |
| kestrel --batch, console to the run's log | $(seconds batch.time) | $(awk '{print $2}' batch.time) |
EOF
