#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer), then replays every corpus or fuzzes each target; fails on a finding.
#   fuzz/run.sh replay             run every input of fuzz/corpus/<target>/ once
#   fuzz/run.sh fuzz SECONDS       fuzz each target for SECONDS, starting from its corpus
#   fuzz/run.sh fuzz SECONDS NAME  the same for one target (e.g. sequence_reader)
# Findings are written to fuzz/findings/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${KESTREL_FUZZ_BUILD:-$here/../build-fuzz}
mode=${1:?usage: fuzz/run.sh replay | fuzz SECONDS [TARGET]}

# The fuzz targets are an option of the main build, linking the same libraries.
CXX=clang++ cmake -S "$here/.." -B "$build" -DKESTREL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" --target fuzz_targets -j2 > /dev/null

findings=$here/findings
mkdir -p "$findings"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

status=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  [ -n "${3:-}" ] && [ "$3" != "$name" ] && continue
  corpus=$here/corpus/$name
  mkdir -p "$corpus"
  case $mode in
    replay)
      echo "== replay $name ($(ls "$corpus" | wc -l) inputs)"
      "$target" -runs=0 -max_len=1000000 "$corpus" > "$work/$name.log" 2>&1 || { tail -30 "$work/$name.log"; status=1; } ;;
    fuzz)
      seconds=${2:?seconds}
      echo "== fuzz $name for ${seconds}s"
      mkdir -p "$work/new-$name"
      "$target" -max_total_time="$seconds" -max_len=20000 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/$name-" "$work/new-$name" "$corpus" > "$work/$name.log" 2>&1 ||
        { tail -40 "$work/$name.log"; status=1; }
      grep -E '^Done|^#[0-9]+.*DONE' "$work/$name.log" | tail -1 ;;
    *) echo "unknown mode $mode" >&2; exit 2 ;;
  esac
done
exit $status
