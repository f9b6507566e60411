#!/usr/bin/env bash
# The console program's one option: -g 1 (in any spelling, among ignored arguments) runs
# exactly as no option does; another code names itself in the header; a wrong option stops
# before the dialogue with exit status 2.
# Usage: bash genetic_code_option_test.sh BIN_DIR WORK_DIR
set -u
bin_dir=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
case_dir=$root/tests/e2e/output_all_on
rm -rf "$work" && mkdir -p "$work"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

run() {  # NAME ARGUMENTS...: the case's dialogue in WORK/NAME
  local name=$1
  shift
  mkdir -p "$work/$name" && cp -R "$case_dir/input/." "$work/$name/"
  (cd "$work/$name" && "$bin_dir/kestrel" "$@" < "$case_dir/answers" > console.out 2> console.err; echo $? > status)
}

run plain
run short -g 1
run long extra --genetic-code=1 -x
run spaced --genetic-code 1
for name in short long spaced; do
  for f in out.kstl console.out status; do
    cmp -s "$work/plain/$f" "$work/$name/$f" || fail "$name: $f differs from a run without the option"
  done
done

run mito -g 2
grep -qx 'Genetic code: 2 (Vertebrate Mitochondrial)' "$work/mito/out.kstl" || fail "no code line in the header of -g 2"
[ "$(grep -n '^Genetic code' "$work/mito/out.kstl" | cut -d: -f1)" = \
  "$(($(grep -n '^Type of Organism' "$work/mito/out.kstl" | cut -d: -f1) + 1))" ] ||
  fail "the code line does not follow the genome type's"

n=0
for args in "-g 7" "-g" "--genetic-code=x" "-g 4 -g 4" "-g 01x"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  run bad$n $args
  [ "$(cat "$work/bad$n/status")" = 2 ] || fail "kestrel $args: exit status $(cat "$work/bad$n/status"), expected 2"
  [ ! -s "$work/bad$n/console.out" ] || fail "kestrel $args started the dialogue"
  grep -q '^usage: kestrel' "$work/bad$n/console.err" || fail "kestrel $args gave no usage"
  [ ! -e "$work/bad$n/out.kstl" ] || fail "kestrel $args wrote an output file"
done
exit $failed
