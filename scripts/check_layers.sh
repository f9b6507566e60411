#!/usr/bin/env bash
# Checks from the #include lines that every folder of src/ includes only what lies on its
# own floor or below, and that the analysis does no I/O:
#   analysis < formats < input < output < setup < control       (the analysis program)
#   control < tools < kestrel-*                                    (the command lines, the companion tools)
#   tools < main.cpp                                               (the analysis program)
# A companion tool never includes another tool's files. Prints each offending line and
# exits 1 when there is one.
#   scripts/check_layers.sh [SRC_DIR]
set -u
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}

# The folders a folder may include from.
allowed() {
  case $1 in
    analysis) echo "analysis" ;;
    formats) echo "analysis formats" ;;
    input) echo "analysis formats input" ;;
    output) echo "analysis formats input output" ;;
    setup) echo "analysis formats input output setup" ;;
    control) echo "analysis formats input output setup control" ;;
    tools) echo "analysis formats input output setup control tools" ;;
    kestrel-*) echo "analysis formats input output setup control tools $1" ;;
    *) return 1 ;;
  esac
}

failed=0
offend() { echo "$1"; failed=1; }

for file in $(cd "$src" && find . -name '*.cpp' -o -name '*.hpp' | sed 's|^\./||' | sort); do
  folder=${file%%/*}
  [ "$folder" = "$file" ] && folder=main  # src/main.cpp: the analysis program
  if [ "$folder" = main ]; then
    permitted="tools"
  elif ! permitted=$(allowed "$folder"); then
    offend "src/$file: a folder that is no floor"
    continue
  fi
  while IFS= read -r line; do
    included=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<< "${line#*:}")
    target=${included%%/*}
    [ "$target" = "$included" ] && { offend "src/$file:$line: include with no folder"; continue; }
    [[ " $permitted " == *" $target "* ]] || offend "src/$file:$line"
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src/$file")
  if [ "$folder" = analysis ]; then
    while IFS= read -r line; do offend "src/$file:$line: I/O in the analysis"; done \
      < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(fstream|iostream|istream|ostream|sstream|cstdio|unistd\.h|fcntl\.h)>' "$src/$file")
  fi
done
[ $failed = 0 ] && echo "layers: every include goes to its own floor or below"
exit $failed
