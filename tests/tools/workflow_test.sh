#!/usr/bin/env bash
# The many-genomes workflow on three small genomes cut from the bundled example (one
# gzipped, one with both records), then again after a fourth genome is added; and the
# answers generator against the real analysis.
# Usage: bash workflow_test.sh BIN_DIR WORK_DIR
set -u
bin_dir=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
if ! command -v snakemake > /dev/null; then
  echo "snakemake is not installed (apt-get install snakemake); workflow test skipped"
  exit 0
fi
rm -rf "$work" && mkdir -p "$work/genomes" "$work/answers" && cd "$work"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
example=$root/examples/example.gb
awk 'NR <= 72' "$example" > genomes/a.gb
awk 'NR > 72' "$example" | gzip -c > genomes/b.gb.gz
cp "$example" genomes/c.gbff

# --- The answers file: a setting in the config shows in the output file's header.
cp genomes/a.gb answers/g.gb && (cd answers && "$bin_dir/kestrel-lookup" -o g.lookup g.gb 2> /dev/null)
answers() { /usr/bin/python3 "$root/workflow/scripts/kestrel_answers.py" "$root/workflow/config.yaml" g.lookup "$@"; }
run_with() {  # NAME KEY=VALUE...: genome a analysed with these settings into answers/NAME.kstl
  (cd answers && answers "$@" > "$1.answers" && "$bin_dir/kestrel" < "$1.answers" > "$1.console") ||
    fail "the analysis with $* failed"
}
expect_header() {  # NAME LINE...
  local name=$1 line
  shift
  for line in "$@"; do grep -qxF "$line" "answers/$name.kstl" 2> /dev/null || fail "$name.kstl lacks '$line'"; done
}
run_with pro genome_type=prokaryote; expect_header pro "Type of Organism: Prokaryote (or phage)"
run_with euk genome_type=eukaryote; expect_header euk "Type of Organism: Eukaryote (or virus)"
run_with nc output.noncoding=combined stringency.no_premature_stops=false stringency.start_codon_required=false
expect_header nc "Analysis of Noncoding Sequence: combine all NC sequence" "   Premature Stop:  allowed" \
  "   Start Codon:     not required to included other codons"
grep -q "^Gene .* NCBases BadNC GC_nc " answers/nc.kstl 2> /dev/null || fail "nc.kstl has no NCBases column"
answers bad genome_type=archaeon > /dev/null 2>&1 && fail "an unknown genome type was accepted"

# --- The workflow on three genomes, then on four.
run_workflow() {  # LOG [TARGET]
  snakemake -s "$root/workflow/Snakefile" --cores 2 ${2-} --config genomes=genomes bin_dir="$bin_dir" > "$1" 2>&1 ||
    { fail "snakemake failed, see $PWD/$1"; tail -20 "$1"; }
}
# Gene name and ENC of every row of an output file, read by column position.
kstl_rows() {
  awk 'started && $0 == "" { exit }
       started { enc = substr($0, encAt, 6); gsub(/ /, "", enc); gene = substr($0, 1, 31); sub(/ +$/, "", gene)
                 print gene "\t" enc }
       /^Gene  / { started = 1; encAt = index($0, " ENC   ") + 1 }' "$1"
}
# The same two columns of one source in the tidy table, placeholders back to nc.
tsv_rows() {
  awk -F '\t' -v src="$2" 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
       $1 == src { enc = $col["ENC"]; if (enc == "NA") enc = "nc"; print $col["Gene"] "\t" enc }' "$1"
}
check_table() {  # GENOME...
  local rows=0
  for g in "$@"; do
    for file in "results/kstl/$g.kstl" "results/plots/$g.svg" "logs/kestrel/$g.log"; do
      [ -s "$file" ] || fail "$file missing"
    done
    diff <(kstl_rows "results/kstl/$g.kstl") <(tsv_rows results/genes.tsv "$g.kstl") > /dev/null ||
      fail "genes.tsv rows of $g differ from $g.kstl"
    rows=$((rows + $(kstl_rows "results/kstl/$g.kstl" | wc -l)))
  done
  [ $(($(wc -l < results/genes.tsv) - 1)) -eq $rows ] || fail "genes.tsv lacks the output files' $rows rows"
  [ $(($(wc -l < results/genomes.tsv) - 1)) -eq $# ] || fail "genomes.tsv does not have one row per genome"
}
run_workflow first.log
check_table a b c
# Record 1 has 4 analysed genes, record 2 has 2: c, with both records, has all 6.
[ "$(kstl_rows results/kstl/c.kstl | wc -l)" -eq 6 ] || fail "c.kstl does not hold the genes of both records"

# A fourth genome: only its own jobs and the table job run.
cp genomes/a.gb genomes/d.gbk
touch -d '2 seconds ago' results/kstl/a.kstl
before=$(stat -c %Y results/kstl/a.kstl)
run_workflow second.log
check_table a b c d
for rule in analyse plot table; do
  grep -qE "^$rule +1 " second.log || fail "the second run did not run exactly one $rule job"
done
[ "$(stat -c %Y results/kstl/a.kstl)" -eq "$before" ] || fail "a.kstl was made again"

# --- Thousands of genomes with long names: more names than one command line holds reach
# the table. Their output files are made by hand, so that only the table job runs.
mkdir -p many/genomes many/results/kstl && cd many
for i in $(seq -w 1 3200); do
  name=GCF_00000${i}.1_ASM_assembly_of_strain_$i
  ln ../genomes/a.gb "genomes/$name.gb" && mkdir -p "work/$name" && touch "work/$name/genome.lookup"
  ln ../results/kstl/a.kstl "results/kstl/$name.kstl"
done
# Older than the output files they stand for, however long making the links took.
touch -d "@$(($(stat -c %Y results/kstl/$name.kstl) - 60))" genomes/*.gb
run_workflow many.log results/genes.tsv
[ "$(wc -l < results/genomes.tsv 2> /dev/null)" = 3201 ] || fail "genomes.tsv of 3200 genomes lacks rows"
grep -qE '^analyse +[0-9]' many.log && fail "genomes with up-to-date output files were analysed again"

[ $failed -eq 0 ] && echo "workflow test passed"
exit $failed
