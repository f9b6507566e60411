#!/usr/bin/env bash
# The bundled example runs twice in a row, each time into a complete output file of its own.
# Usage: bash run_example_test.sh BIN_DIR WORK_DIR
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$2" && mkdir -p "$2"
export KESTREL_BUILD_DIR=$1 KESTREL_EXAMPLE_WORK=$2
failed=0
for n in 1 2; do
  out=$2/example-$n.kstl
  bash "$root/examples/run-example.sh" > "$2/run$n.txt" 2>&1 || { echo "run $n failed:"; cat "$2/run$n.txt"; failed=1; }
  grep -q "^Output file: $out\$" "$2/run$n.txt" || { echo "run $n does not name $out"; failed=1; }
  # Six analysed genes (the seventh entry has an incomplete CDS and is skipped), then the summary.
  rows=$(grep -c '^exa[A-G] ' "$out")
  [ "$rows" = 6 ] || { echo "$out: $rows gene rows, expected 6"; failed=1; }
  tail -n 1 "$out" | grep -q '^Bad codons: ' || { echo "$out: no summary at the end"; failed=1; }
done
cmp -s "$2/example-1.kstl" "$2/example-2.kstl" || { echo "the two runs differ"; failed=1; }
exit $failed
