#!/usr/bin/env bash
# Every column label of every combination of the options that change the columns (base
# usage, degeneracy breakdown, codon usage, the three noncoding modes, segment analysis)
# is documented in the user manual, written as `Label`. The labels come from real runs on
# the bundled example. With LABELS_OUT set, the labels are also listed there, one per line.
# Usage: bash column_labels_test.sh BIN_DIR WORK_DIR
set -u
bin=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
manual=$root/docs/manual.md
rm -rf "$work" && mkdir -p "$work" && cp "$root"/examples/example.* "$work"/ && cd "$work" || exit 1
failed=0
declare -A seen=()
n=0
for b in "" B; do for d in "" D; do for m in "" M; do for nc in "" N "N N"; do for s in "" S; do
  n=$((n + 1))
  # R and P load both reference files, so that the segment menu asks for nothing more.
  printf '%s\n' example.lookup "run$n" R example P example C $b $d $m $nc $s C ${s:+C} > "run$n.answers"
  "$bin/kestrel" < "run$n.answers" > "run$n.console"
  header=$(grep -m1 '^Gene ' "run$n.kstl")
  [ -n "$header" ] || { echo "FAIL: run $n ($b $d $m $nc $s) wrote no column-header line"; failed=1; continue; }
  # The flanks' A label holds a blank: join it before cutting the line at blanks.
  for label in $(sed 's/A fl /A\x01fl /' <<< "$header"); do seen[${label/$'\x01'/ }]=1; done
done; done; done; done; done
for label in "${!seen[@]}"; do
  grep -qF "\`$label\`" "$manual" || { echo "FAIL: column $label is not documented in docs/manual.md"; failed=1; }
done
[ ${#seen[@]} -gt 180 ] || { echo "FAIL: only ${#seen[@]} labels met"; failed=1; }
[ -n "${LABELS_OUT:-}" ] && printf '%s\n' "${!seen[@]}" | sort > "$LABELS_OUT"
exit $failed
