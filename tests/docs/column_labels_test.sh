#!/usr/bin/env bash
# Every column label of every combination of the options that change the columns (base usage, degeneracy
# breakdown, codon usage, the three noncoding modes, segment analysis), from real runs on the example, is in
# the user manual as `Label`; so are those of every other code, where a codon's labels ("TGA_W", "N_TGA_W")
# need only the amino acid's ("Trp_W"). With LABELS_OUT set, the standard code's labels are listed there.
# Usage: bash column_labels_test.sh BIN_DIR WORK_DIR
set -u
bin=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
manual=$root/docs/manual.md
rm -rf "$work" && mkdir -p "$work" && cp "$root"/examples/example.* "$work"/ && cd "$work" || exit 1
failed=0
declare -A seen=()
documented() { grep -qF "\`$1\`" "$manual"; }
n=0
run() {  # CODE ANSWER...: the labels of a run under that genetic code into seen[]
  local code=$1 label header
  n=$((n + 1))
  # R and P load both reference files, so that the segment menu asks for nothing more.
  printf '%s\n' example.lookup "run$n" R example P example C "${@:2}" C > "run$n.answers"
  "$bin/kestrel" -g "$code" < "run$n.answers" > "run$n.console"
  header=$(grep -m1 '^Gene ' "run$n.kstl")
  [ -n "$header" ] || { echo "FAIL: run $n (code $code, ${*:2}) wrote no column-header line"; failed=1; return; }
  # The flanks' A label holds a blank: join it before cutting the line at blanks.
  for label in $(sed 's/A fl /A\x01fl /' <<< "$header"); do seen[${label/$'\x01'/ }]=$code; done
}
for b in "" B; do for d in "" D; do for m in "" M; do for nc in "" N "N N"; do for s in "" S; do
  run 1 $b $d $m $nc $s ${s:+C}
done; done; done; done; done
[ ${#seen[@]} -gt 180 ] || { echo "FAIL: only ${#seen[@]} labels met"; failed=1; }
[ -n "${LABELS_OUT:-}" ] && printf '%s\n' "${!seen[@]}" | sort > "$LABELS_OUT"
for code in 2 3 4 5 6 9 10 11 12 13 14 15 16 21 22 23 24 25 26 27 28 29 30 31 32 33; do run "$code" B D S C; done
for label in "${!seen[@]}"; do
  documented "$label" && continue
  if [[ $label =~ ^(N_)?[ACGT]{3}_([A-Za-z])$ && ${seen[$label]} != 1 ]] &&
     grep -qE "\`[A-Za-z]{3}_${BASH_REMATCH[2]}\`" "$manual"; then continue; fi
  echo "FAIL: column $label (code ${seen[$label]}) is not documented in docs/manual.md"
  failed=1
done
exit $failed
