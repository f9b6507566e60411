#!/usr/bin/env bash
# Runs one end-to-end case in a fresh work folder holding a copy of its input/, its answers on standard input.
#   expected/         every file in it must exist in the work folder with the same bytes
#   expected.console  if present, standard output must match it byte for byte
#   expected.absent   if present, one file name a line that must not exist afterwards
#   check.sh          if present, run in the work folder (with KESTREL_BIN_DIR set); must exit 0
#   expected.status   if present, the program's exit status (else 0)
# Answers that begin with "unused" are not run: the case is its check.sh alone.
set -u
program=$1 case_dir=$2 work=$3 bin_dir=${4:-$(dirname "$1")}
rm -rf "$work" && mkdir -p "$work"
if [ -d "$case_dir/input" ]; then cp -R "$case_dir/input/." "$work/"; fi
cd "$work" || exit 1
failed=0
if [ "$(head -c 6 "$case_dir/answers")" != unused ]; then
  "$program" < "$case_dir/answers" > console.out 2> console.err
  status=$? want=0
  [ -f "$case_dir/expected.status" ] && want=$(cat "$case_dir/expected.status")
  if [ "$status" -ne "$want" ]; then echo "exit status $status, expected $want"; failed=1; fi
fi
if [ -f "$case_dir/expected.console" ] && ! cmp -s "$case_dir/expected.console" console.out; then
  echo "console transcript differs:"; diff <(cat -A "$case_dir/expected.console") <(cat -A console.out) | head -40
  failed=1
fi
if [ -d "$case_dir/expected" ]; then
  while IFS= read -r -d '' f; do
    rel=${f#"$case_dir/expected/"}
    if [ ! -f "$work/$rel" ]; then echo "missing file: $rel"; failed=1
    elif ! cmp -s "$f" "$work/$rel"; then
      echo "file differs: $rel"; diff <(cat -A "$f") <(cat -A "$work/$rel") | head -40; failed=1
    fi
  done < <(find "$case_dir/expected" -type f -print0)
fi
if [ -f "$case_dir/expected.absent" ]; then
  while IFS= read -r name; do
    [ -z "$name" ] && continue
    if [ -e "$work/$name" ]; then echo "file should not exist: $name"; failed=1; fi
  done < "$case_dir/expected.absent"
fi
if [ -f "$case_dir/check.sh" ] && ! KESTREL_BIN_DIR="$bin_dir" bash "$case_dir/check.sh"; then
  echo "check.sh failed"; failed=1
fi
if [ "$failed" -ne 0 ] && [ -s console.err ]; then echo "standard error:"; head -20 console.err; fi
exit $failed
