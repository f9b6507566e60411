#!/usr/bin/env bash
# Builds KESTREL when needed and runs the whole analysis on the bundled example without
# any typing: the answers file is piped to the dialogue. Each run works in out/example/
# under a new output name, so running it again never meets an existing output file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${KESTREL_BUILD_DIR:-$root/build}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" > /dev/null
fi
cmake --build "$build" --target kestrel -j2 > /dev/null

work=${KESTREL_EXAMPLE_WORK:-$root/out/example}
mkdir -p "$work"
cp "$here"/example.gb "$here"/example.lookup "$here"/example.scu "$here"/example.opt "$work"/

n=1
while [ -e "$work/example-$n.kstl" ]; do n=$((n + 1)); done
name=example-$n

# The second answer is the output name (the program adds .kstl).
(cd "$work" && sed "2s/.*/$name/" "$here/answers" | "$build/kestrel" > "$name.console")

if [ ! -s "$work/$name.kstl" ]; then
  echo "The run wrote no output; the console transcript is in $work/$name.console" >&2
  exit 1
fi
echo "Output file: $work/$name.kstl"
echo "Console transcript: $work/$name.console"
