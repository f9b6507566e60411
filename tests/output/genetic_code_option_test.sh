#!/usr/bin/env bash
# The dialogue's one option: -g 1 (any spelling) runs as no option does; another code names itself in the header; a
# wrong option, or an option of a run without its lookup table, stops before the dialogue with exit status 2.
# Usage: bash genetic_code_option_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"
case_dir=$root/tests/e2e/output_all_on

run() {  # NAME ARGUMENTS...: the case's dialogue in the folder NAME
  mkdir -p "$1" && cp -R "$case_dir/input/." "$1/"
  (cd "$1" && "$kestrel" "${@:2}" < "$case_dir/answers" > console.out 2> console.err; echo $? > status)
}

run plain
run short -g 1
run long --genetic-code=1
run spaced --genetic-code 1
for name in short long spaced; do
  for f in out.kstl console.out status; do cmp -s "plain/$f" "$name/$f" || bad "$name: $f differs from a run without -g"; done
done

run mito -g 2
grep -A1 '^Type of Organism' mito/out.kstl | grep -qx 'Genetic code: 2 (Vertebrate Mitochondrial)' ||
  bad "the header of -g 2 has no code line after the genome type's"

n=0
for args in "-g 7" "-g" "--genetic-code=x" "-g 4 -g 4" "-g 01x" "-x" "--prokaryote" "-g 4 --rscu a.scu"; do
  n=$((n + 1))
  # shellcheck disable=SC2086
  run bad$n $args
  [ "$(cat bad$n/status)" = 2 ] && [ ! -s bad$n/console.out ] && [ ! -e bad$n/out.kstl ] &&
    grep -q '^usage: kestrel' bad$n/console.err || bad "kestrel $args: not refused before the dialogue with a usage"
done
exit $fail
