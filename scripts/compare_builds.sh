#!/usr/bin/env bash
# Runs two builds of the programs on the same inputs and compares every file they write
# and every console transcript byte for byte. For a change that must not alter any output.
#
#   scripts/compare_builds.sh OLD_BIN_DIR NEW_BIN_DIR [WORK_DIR]
#
# Inputs: every end-to-end case of tests/e2e that has an answers file, in its own input
# folder; then the bundled example and the real files of ../shared/data (when present),
# each with the lookup table its build's kestrel-lookup writes, under every answers file
# of tests/e2e and examples/answers; then kestrel-table and kestrel-plot on each data
# set's analysis output files. Exit status 0 when nothing differs.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
old=$(cd "${1:?usage: compare_builds.sh OLD_BIN_DIR NEW_BIN_DIR [WORK_DIR]}" && pwd)
new=$(cd "${2:?usage: compare_builds.sh OLD_BIN_DIR NEW_BIN_DIR [WORK_DIR]}" && pwd)
work=${3:-$(mktemp -d)}
data=${KESTREL_DATA:-$root/../shared/data}
mkdir -p "$work"
work=$(cd "$work" && pwd)

# run_program BIN DIR NAME COMMAND...: runs in DIR, keeps NAME.stdout, NAME.stderr and NAME.status.
run_program() {
  local dir=$2 name=$3
  shift 3
  (cd "$dir" && timeout 600 "$@" > "$name.stdout" 2> "$name.stderr"; echo $? > "$name.status")
}

# A folder of links to the inputs: the programs read them, and links are dropped afterwards.
link_inputs() {  # FROM_DIR TO_DIR
  mkdir -p "$2"
  for f in "$1"/* "$1"/.[!.]*; do [ -e "$f" ] && ln -s "$f" "$2/"; done
}

# Every answers file that drives the dialogue, by case name.
option_sets() {
  for answers in "$root"/tests/e2e/*/answers; do
    [ "$(head -c 6 "$answers")" = unused ] && continue
    echo "$(basename "$(dirname "$answers")") $answers"
  done
  echo "example $root/examples/answers"
}

# The inputs every option set may name, for one data set whose lookup table is LOOKUP.
prepare_data_set() {  # DIR LOOKUP
  local dir=$1 lookup=$2
  for name in genes.txt genes.lookup three.lookup example.lookup; do cp "$lookup" "$dir/$name"; done
  : > "$dir/empty.lookup"
  cp "$root/examples/example.scu" "$dir/ref.scu"
  cp "$root/examples/example.opt" "$dir/ref.opt"
  cp "$root/examples/example.scu" "$root/examples/example.opt" "$dir/"
  cp "$root/tests/e2e/menu_main_dialogue/input/nohash.scu" "$root/tests/e2e/menu_option_screens/input/short.opt" "$dir/"
  cp "$root/tests/e2e/prompt_quit/input/taken.kstl" "$root/tests/e2e/prompt_existing_output/input/old.kstl" "$dir/"
  chmod a-w "$dir"/*
}

# Runs one build over everything into OUT.
run_build() {  # BIN OUT
  local bin=$1 out=$2
  # The end-to-end cases in their own inputs.
  for answers in "$root"/tests/e2e/*/answers; do
    local case_dir name
    case_dir=$(dirname "$answers")
    name=e2e/$(basename "$case_dir")
    [ "$(head -c 6 "$answers")" = unused ] && continue
    mkdir -p "$out/$name"
    [ -d "$case_dir/input" ] && cp -R "$case_dir/input/." "$out/$name/"
    run_program "$bin" "$out/$name" console "$bin/kestrel" < "$answers"
  done

  # The data sets, each with the lookup table of this build's kestrel-lookup.
  for set in $(ls "$work/data"); do
    local src=$work/data/$set
    mkdir -p "$out/$set/lookup"
    link_inputs "$src/genbank" "$out/$set/lookup"
    local files
    files=$(cd "$src/genbank" && ls)
    # shellcheck disable=SC2086
    run_program "$bin" "$out/$set/lookup" lookup "$bin/kestrel-lookup" -o genes.lookup $files
    # shellcheck disable=SC2086
    run_program "$bin" "$out/$set/lookup" keep-pseudo "$bin/kestrel-lookup" --keep-pseudo $files
    mkdir -p "$out/$set/inputs"
    link_inputs "$src/genbank" "$out/$set/inputs"
    prepare_data_set "$out/$set/inputs" "$out/$set/lookup/genes.lookup"
    while read -r option answers; do
      mkdir -p "$out/$set/$option"
      link_inputs "$out/$set/inputs" "$out/$set/$option"
      run_program "$bin" "$out/$set/$option" console "$bin/kestrel" < "$answers"
      find "$out/$set/$option" -type l -delete
    done < <(option_sets)
    run_tools "$bin" "$out/$set"
    find "$out/$set/lookup" -type l -delete
    rm -rf "$out/$set/inputs"
  done
}

# kestrel-table over every complete analysis output of a data set, kestrel-plot on each.
run_tools() {  # BIN SET_DIR
  local bin=$1 dir=$2/tools
  mkdir -p "$dir"
  local outputs=()
  for f in "$2"/*/*.kstl; do
    head -1 "$f" | grep -q '^KESTREL output file for: ' || continue
    tail -1 "$f" | grep -q '^Bad codons: ' || continue
    local name
    name=$(basename "$(dirname "$f")")-$(basename "$f")
    ln -s "$f" "$dir/$name"
    outputs+=("$name")
  done
  [ ${#outputs[@]} -gt 0 ] || return 0
  run_program "$bin" "$dir" table "$bin/kestrel-table" -o genes.tsv --summary genomes.tsv "${outputs[@]}"
  run_program "$bin" "$dir" table-j2 "$bin/kestrel-table" -j 2 --summary - "${outputs[@]}"
  head -n -3 "$dir/${outputs[0]}" > "$dir/cut.kstl"
  run_program "$bin" "$dir" table-cut "$bin/kestrel-table" --allow-incomplete cut.kstl
  run_program "$bin" "$dir" plot-cut "$bin/kestrel-plot" --allow-incomplete -o cut.svg cut.kstl
  for name in "${outputs[@]}"; do
    run_program "$bin" "$dir" "$name.plot" "$bin/kestrel-plot" "$name"
    run_program "$bin" "$dir" "$name.plot-gc3" "$bin/kestrel-plot" --x GC3 --y Chi_L -o "$name.chi.svg" "$name"
    run_program "$bin" "$dir" "$name.plot-cai" "$bin/kestrel-plot" --y CAI -o - "$name"
    run_program "$bin" "$dir" "$name.plot-fop" "$bin/kestrel-plot" --y Fop -o "$name.fop.svg" - < "$dir/$name"
  done
  find "$dir" -type l -delete
}

# The data sets: the bundled example and the real files, one folder of GenBank files each.
[ -d "$work/data" ] && chmod -R u+w "$work/data"
rm -rf "$work/data" "$work/old" "$work/new"
mkdir -p "$work/data/example/genbank"
cp "$root/examples/example.gb" "$work/data/example/genbank/"
if [ -d "$data" ]; then
  for f in "$data"/*.gb "$data"/*.gbff.gz; do
    [ -e "$f" ] || continue
    set=$(basename "$f"); set=${set%%.*}
    mkdir -p "$work/data/$set/genbank"
    case $f in
      *.gz) gzip -dc "$f" > "$work/data/$set/genbank/$set.gb" ;;
      *) cp "$f" "$work/data/$set/genbank/" ;;
    esac
  done
fi
chmod -R a-w "$work/data"

echo "== old build: $old"
run_build "$old" "$work/old"
echo "== new build: $new"
run_build "$new" "$work/new"

# Every file of either side, compared with its namesake on the other.
compared=0 transcripts=0 differing=0
while IFS= read -r rel; do
  compared=$((compared + 1))
  case $rel in *.stdout | *.stderr | *.status) transcripts=$((transcripts + 1)) ;; esac
  if ! cmp -s "$work/old/$rel" "$work/new/$rel"; then
    differing=$((differing + 1))
    echo "DIFFERS: $rel"
  fi
done < <( (cd "$work/old" && find . -type f; cd "$work/new" && find . -type f) | sort -u)
echo "data sets: $(ls "$work/data" | tr '\n' ' ')"
echo "files compared: $compared (of which console transcripts and exit statuses: $transcripts), differing: $differing"
echo "work folder: $work"
[ "$differing" -eq 0 ]
