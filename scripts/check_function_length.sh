#!/usr/bin/env bash
# Checks that no function of src/ or tests/ is longer than 60 lines, with clang-tidy's
# readability-function-size on the compile commands of a build folder.
#   scripts/check_function_length.sh [BUILD_DIR]
# With --longest it lists the longest functions instead (the threshold is then 1 line).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
longest=0
[ "${1:-}" = --longest ] && { longest=1; shift; }
build=${1:-$root/build}
threshold=60
[ $longest = 1 ] && threshold=1
build=$(cd "$build" 2> /dev/null && pwd) || { echo "no build folder ${1:-build}" >&2; exit 2; }
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json: configure the build first" >&2; exit 2; }

report=$(cd "$root" && git ls-files 'src/*.cpp' 'tests/*.cpp' | sed "s|^|$root/|" |
  xargs -P 2 -n 8 nice clang-tidy -p "$build" --quiet -checks='-*,readability-function-size' \
    -header-filter="^$root/(src|tests)/" \
    -config="{CheckOptions: [{key: readability-function-size.LineThreshold, value: $threshold}]}" 2> /dev/null |
  awk '/warning: function .* exceeds/ { where = $1; name = $4 }
       /note: [0-9]+ lines including/ { match($0, /note: [0-9]+/); print substr($0, RSTART + 6, RLENGTH - 6) " lines: " name " " where }' |
  sort -u | sort -rn)

if [ $longest = 1 ]; then
  echo "$report" | head -"${LONGEST_COUNT:-10}"
  exit 0
fi
if [ -n "$report" ]; then
  echo "functions longer than $threshold lines:"
  echo "$report"
  exit 1
fi
echo "function length: none longer than $threshold lines"
