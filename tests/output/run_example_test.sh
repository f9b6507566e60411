#!/usr/bin/env bash
# The bundled example runs twice in a row, each time into a complete output file of its own.
# Usage: bash run_example_test.sh BIN_DIR WORK_DIR
set -u
bin_dir=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
export KESTREL_BUILD_DIR=$bin_dir KESTREL_EXAMPLE_WORK=$work
failed=0
for run in 1 2; do
  if ! bash "$root/examples/run-example.sh" > "$work/run$run.txt" 2>&1; then
    echo "run $run failed:"; cat "$work/run$run.txt"; failed=1
  fi
done
for n in 1 2; do
  out=$work/example-$n.kstl
  if [ ! -f "$out" ]; then echo "missing $out"; failed=1; continue; fi
  grep -q "^Output file: $out\$" "$work/run$n.txt" || { echo "run $n does not name $out"; failed=1; }
  # Six analysed genes (the seventh entry has an incomplete CDS and is skipped).
  rows=$(grep -c '^exa[A-G] ' "$out")
  [ "$rows" -eq 6 ] || { echo "$out: $rows gene rows, expected 6"; failed=1; }
  grep -q '^exaF ' "$out" && { echo "$out: the incomplete exaF has a row"; failed=1; }
  tail -n 1 "$out" | grep -q '^Bad codons: ' || { echo "$out: no summary at the end"; failed=1; }
done
cmp -s "$work/example-1.kstl" "$work/example-2.kstl" || { echo "the two runs differ"; failed=1; }
exit $failed
