#!/usr/bin/env bash
# The tools that write several files replace all of them or none: after a failure on any one (a file-size
# limit, an output path that is a folder), every other file is as it was and nothing is left beside them.
# Usage: bash output_groups_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"

example_run
# Many entries on one short record, gzipped: a lookup table larger than its sequence file.
awk '/^FEATURES/ {print; on = 1; next} /^ORIGIN/ {for (i = 0; i < 15; i++) printf "%s", block; on = 0}
     on {block = block $0 "\n"; next} {print}' g.gb | gzip > many.gb.gz
grep -o '/gene="exa[ABC]"' g.gb | cut -d'"' -f2 | sort -u > set.txt

# group NAME LIMIT FILES -- COMMAND...: the command writes FILES, one of them within LIMIT kB and one beyond
# it. Under that limit, and with the last file a folder, it fails and leaves every file as it was.
group() {
  local name=$1 limit=$2 files=() f
  shift 2
  while [ "$1" != -- ]; do files+=("$1"); shift; done
  shift
  rm -rf "${files[@]}"
  expect 0 "$name-whole" "$@"
  local sizes
  sizes=$(stat -c %s "${files[@]}" | awk -v k=$((limit * 1024)) '$1 <= k {a++} $1 > k {b++} END {print a + 0, b + 0}')
  [[ "$sizes" == 0\ * || "$sizes" == *\ 0 ]] && bad "$name: no file within $limit kB and one beyond ($sizes)"
  for f in "${files[@]}"; do echo "old $f" > "$f"; done
  (ulimit -f "$limit" && exec "$@") > "$name-full.out" 2> "$name-full.err" && bad "$name: a full disk passed"
  grep -q "failed" "$name-full.err" || bad "$name: $(cat "$name-full.err")"
  all_old "$name-full" "${files[@]}"
  local last=${files[${#files[@]} - 1]}
  rm "$last" && mkdir "$last"
  expect 1 "$name-folder" "$@"
  shows "$name-folder" "$last: is a folder"
  all_old "$name-folder" "${files[@]:0:${#files[@]}-1}"
  rmdir "$last"
}
all_old() {
  local f
  for f in "${@:2}"; do [ "$(cat "$f")" = "old $f" ] || bad "$1: $f was replaced"; done
  ls | grep -E '\.(part|old)[A-Za-z0-9]{6}$' && bad "$1: a temporary file was left"
}

# Today's order of writing puts the file that fails after one that fits: the sequence file before the
# table, the .scu and .opt before the gene table, the table before the RSCU table, one figure before another.
group lookup 8 z.lookup z.seq z.trna.tsv -- "$bin/kestrel-lookup" -o z.lookup --trna z.trna.tsv many.gb.gz
group reference 2 r.scu r.opt r.reference.tsv -- "$bin/kestrel-reference" -o r --set genes:set.txt g.gb
group table 8 t.tsv t.rscu.tsv t.summary.tsv -- \
  "$bin/kestrel-table" -o t.tsv --rscu t.rscu.tsv --summary t.summary.tsv a.kstl
group plot 6 p.svg e.svg n.svg -- "$bin/kestrel-plot" --figure pr2 -o p.svg --figure enc -o e.svg \
  --figure neutrality -o n.svg a.kstl

# Every path is checked before anything is written: standard output gets nothing when a later file cannot be.
mkdir summary.tsv
expect 1 table-stdout "$bin/kestrel-table" --summary summary.tsv a.kstl
[ -s table-stdout.out ] && bad "the table went to standard output before the summary failed"
# Two names of one file are refused before any work.
mkdir out && ln -s out out-link
says 2 lookup-one-file "are both" "$bin/kestrel-lookup" -o out/x.lookup --seq out-link/x.lookup many.gb.gz
says 2 plot-one-file "two figures named ./p.svg" "$bin/kestrel-plot" --figure enc -o p.svg --figure pr2 -o ./p.svg a.kstl
exit $fail
