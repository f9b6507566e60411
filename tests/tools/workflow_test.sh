#!/usr/bin/env bash
# The many-genomes workflow on small genomes made from the bundled example (GenBank, gzipped,
# EMBL, GFF3 with FASTA), again after a genome is added, with failing genomes and tools, and
# under another genetic code; the answers generator and the batch planning on their own.
# Usage: bash workflow_test.sh BIN_DIR WORK_DIR
set -u
bin_dir=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v snakemake > /dev/null || { echo "snakemake is not installed; workflow test skipped"; exit 0; }
export KESTREL_BIN_DIR=$bin_dir
. "$root/tests/test_lib.sh"
rm -rf "$work" && mkdir -p "$work/genomes" "$work/answers" && cd "$work"
example=$root/examples/example.gb
awk 'NR <= 72' "$example" > genomes/a.gb
awk 'NR > 72' "$example" | gzip -c > genomes/b.gb.gz
cp "$example" genomes/c.gbff
genbank_to_embl "$example" | gzip -c > genomes/e.embl.gz
# f: the first record's genes exaA and exaB as a GFF3 with the FASTA file of its name.
printf '##gff-version 3\n%s\n%s\n%s\n%s\n' "EXA1	.	gene	201	500	.	+	.	ID=g1;Name=exaA" \
  "EXA1	.	CDS	201	500	.	+	0	Parent=g1" "EXA1	.	gene	801	1100	.	-	.	ID=g2;Name=exaB" \
  "EXA1	.	CDS	801	1100	.	-	0	Parent=g2" > genomes/f.gff3
awk '/^ORIGIN/ { print ">EXA1"; on = 1; next } /^\/\// { exit } on { $1 = ""; print }' "$example" > genomes/f.fa
touch -d '1 minute ago' genomes/*

# --- The answers file: a setting in the config shows in the output file's header.
cp genomes/a.gb answers/g.gb && (cd answers && "$bin_dir/kestrel-lookup" -o g.lookup g.gb 2> /dev/null)
answers() { /usr/bin/python3 "$root/workflow/scripts/kestrel_answers.py" "$root/workflow/config.yaml" g.lookup "$@"; }
run_with() {  # NAME KEY=VALUE...: genome a analysed with these settings into answers/NAME.kstl
  (cd answers && answers "$@" > "$1.answers" && "$bin_dir/kestrel" < "$1.answers" > "$1.console") ||
    bad "the analysis with $* failed"
}
expect_header() {  # NAME LINE...
  local line
  for line in "${@:2}"; do grep -qxF "$line" "answers/$1.kstl" 2> /dev/null || bad "$1.kstl lacks '$line'"; done
}
run_with pro genome_type=prokaryote; expect_header pro "Type of Organism: Prokaryote (or phage)"
run_with euk genome_type=eukaryote; expect_header euk "Type of Organism: Eukaryote (or virus)"
run_with nc output.noncoding=combined stringency.no_premature_stops=false stringency.start_codon_required=false
expect_header nc "Analysis of Noncoding Sequence: combine all NC sequence" "   Premature Stop:  allowed" \
  "   Start Codon:     not required to included other codons"
grep -q "^Gene .* NCBases BadNC GC_nc " answers/nc.kstl 2> /dev/null || bad "nc.kstl has no NCBases column"

# --- Batches: with 2^L <= n < 2^(L+1) buckets, hash h goes to h mod 2^(L+1), or to h mod 2^L when that
# is n or more. As genomes are added, a genome changes bucket only when a bucket is added, and then only
# from one old bucket to the new one; every genome is in one batch, none holds more than batch_size.
PYTHONPATH=$root/workflow/scripts /usr/bin/python3 - << 'PY' || bad "batch planning (above)"
from kestrel_batches import bucket_count, bucket_of, name_hash, plan
assert [bucket_of(h, 5) for h in range(9)] == [0, 1, 2, 3, 4, 1, 2, 3, 0]
assert [bucket_of(h, 1) for h in range(3)] == [0, 0, 0]
assert [bucket_count(n, 50) for n in (1, 800, 801, 850, 851)] == [16, 16, 17, 17, 18]
names, size, before = [f"genome{i}" for i in range(300)], 5, {}
for n in range(1, len(names) + 1):
    count = bucket_count(n, size)
    now = {name: bucket_of(name_hash(name), count) for name in names[:n]}
    moved = [name for name in before if before[name] != now[name]]
    assert not moved or (count > bucket_count(n - 1, size) and {now[m] for m in moved} == {count - 1}
                         and len({before[m] for m in moved}) == 1), (n, moved)
    batches = plan(names[:n], size)
    assert sorted(sum(batches.values(), [])) == sorted(names[:n]) and max(map(len, batches.values())) <= size, n
    before = now
PY

# --- The workflow on five genomes, then on six.
run_workflow() {  # LOG [TARGET]
  snakemake -s "$root/workflow/Snakefile" --cores 2 ${2-} --config genomes=genomes bin_dir="$bin_dir" > "$1" 2>&1 ||
    { bad "snakemake failed, see $PWD/$1"; tail -20 "$1"; }
}
# Gene name and ENC of every row of an output file, read by column position.
kstl_rows() {
  awk 'started && $0 == "" { exit } /^Gene  / { started = 1; encAt = index($0, " ENC   ") + 1; next }
       started { enc = substr($0, encAt, 6); gsub(/ /, "", enc); gene = substr($0, 1, 31); sub(/ +$/, "", gene)
                 print gene "\t" enc }' "$1"
}
# The same two columns of one source in the tidy table, placeholders back to nc.
tsv_rows() {
  awk -F '\t' -v src="$2" 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
       $1 == src { enc = $col["ENC"]; if (enc == "NA") enc = "nc"; print $col["Gene"] "\t" enc }' "$1"
}
check_table() {  # GENOME...
  local rows=0
  for g in "$@"; do
    for file in results/kstl/$g.kstl results/plots/$g{,.neutrality,.pr2}.svg results/trna/$g.tsv logs/kestrel/$g.log; do
      [ -s "$file" ] || bad "$file missing"
    done
    diff <(kstl_rows "results/kstl/$g.kstl") <(tsv_rows results/genes.tsv "$g.kstl") > /dev/null ||
      bad "genes.tsv rows of $g differ from $g.kstl"
    rows=$((rows + $(kstl_rows "results/kstl/$g.kstl" | wc -l)))
  done
  [ $(($(wc -l < results/genes.tsv) - 1)) -eq $rows ] || bad "genes.tsv lacks the output files' $rows rows"
  [ $(($(wc -l < results/genomes.tsv) - 1)) -eq $# ] || bad "genomes.tsv does not have one row per genome"
  head -1 results/genes.tsv | grep -q $'\tNc_Sun\t.*\ttAI$' || bad "genes.tsv lacks the added indices and tAI"
  grep -q "genome means: $# genomes" results/neutrality.svg || bad "neutrality.svg does not show the $# genomes"
}
run_workflow first.log
check_table a b c e f
[ "$(kstl_rows results/kstl/f.kstl | cut -f1 | tr '\n' ' ')" = "exaA exaB " ] || bad "f.kstl: not the GFF3's two genes"
[ "$(kstl_rows results/kstl/e.kstl)" = "$(kstl_rows results/kstl/c.kstl)" ] || bad "the EMBL genome's rows differ"
# Record 1 has 4 analysed genes, record 2 has 2: c, with both records, has all 6.
[ "$(kstl_rows results/kstl/c.kstl | wc -l)" -eq 6 ] || bad "c.kstl does not hold the genes of both records"

# A sixth genome: only the batch it joins and the table job run; no other results are made again.
cp genomes/a.gb genomes/d.gbk
touch -d '2 seconds ago' results/kstl/*.kstl
before=$(stat -c %Y results/kstl/[abc].kstl)
run_workflow second.log
check_table a b c d e f
for rule in batch table; do grep -qE "^$rule +1 " second.log || bad "the second run ran not one $rule job"; done
[ "$(stat -c %Y results/kstl/[abc].kstl)" = "$before" ] || bad "the results of a, b or c were made again"

# --- The tools run once per batch (TOOL --batch); when such a process dies after its first
# run, the runs it did not report run on their own and every result is there.
mkdir -p dying/bin && for tool in kestrel kestrel-lookup kestrel-reference kestrel-table kestrel-plot; do
  printf '#!/bin/sh\nif [ "$1" = --batch ]; then head -1 "$2" > "$2.1"; "%s" --batch "$2.1"; kill -9 $$; fi\nexec "%s" "$@"\n' \
    "$bin_dir/$tool" "$bin_dir/$tool" > "dying/bin/$tool" && chmod +x "dying/bin/$tool"
done
(cd dying && snakemake -s "$root/workflow/Snakefile" --cores 2 --config genomes=../genomes bin_dir="$PWD/bin" \
   batch_size=3 > run.log 2>&1) || bad "the workflow with dying batch processes failed, see $PWD/dying/run.log"
(cd dying && check_table a b c d e f)

# --- Each genome's own reference, from a gene list: c holds exaE, whose codons differ enough from its other
# genes' to give optimal codons; a lacks it and b has no other complete gene to tell it from: both are
# analysed without CAI and Fop, the reason in their logs.
echo exaE > own.txt
snakemake -s "$root/workflow/Snakefile" --cores 2 --config genomes=genomes bin_dir="$bin_dir" results=own \
  reference="$PWD/own.txt" > own.log 2>&1 || bad "snakemake with reference=own.txt failed, see $PWD/own.log"
awk -F '\t' 'NR > 1 {print $1, $NF}' own/genomes.tsv | grep -xE "(a|b|c|d).kstl [^ ]+" | tr '\n' ' ' |
  grep -qxF "a.kstl NA b.kstl NA c.kstl 1 d.kstl NA " ||
  bad "reference set sizes in genomes.tsv: $(cut -f 1,8- own/genomes.tsv | tr '\n' ' ')"
[ -s own/reference/c.scu ] && [ -s own/reference/c.opt ] && ! [ -e own/reference/a.scu ] || bad "own reference files"
grep -q "^RSCU file for CAI: *ref.scu" own/kstl/c.kstl 2> /dev/null && ! grep -q "^RSCU file for CAI: *ref.scu" own/kstl/a.kstl ||
  bad "c was not analysed with its reference, or a was"
grep -q "analysed without CAI and Fop: no codon of the reference set is optimal" logs/reference/b.log ||
  bad "no reason in b's reference log: $(cat logs/reference/b.log)"

# --- Thousands of genomes with long names: more names than one command line holds reach
# the table. Their results are linked to a's (in one process: thousands of ln commands take
# minutes on a busy machine) and their batches marked done after a dry run planned them.
mkdir -p many/genomes many/results/kstl many/results/plots many/results/trna && cd many
/usr/bin/python3 -c '
import os
for i in range(1, 3201):
    name = f"GCF_00000{i:04d}.1_ASM_assembly_of_strain_{i:04d}"
    for kind in ("genomes/", ".gb"), ("results/kstl/", ".kstl"), ("results/trna/", ".tsv"), *(
            ("results/plots/", s) for s in (".svg", ".neutrality.svg", ".pr2.svg")):
        os.link(f"../{kind[0]}a{kind[1]}", f"{kind[0]}{name}{kind[1]}")
' || bad "the genomes were not made"
# Older than the output files, however long the links took to make.
touch -r ../results/kstl/a.kstl -d '-1 minute' genomes/*.gb
run_workflow plan.log "--dry-run results/genes.tsv"
sed 's|.*|work/batches/&.done|' work/batches/index.txt | xargs touch
run_workflow many.log results/genes.tsv
[ "$(wc -l < results/genomes.tsv 2> /dev/null)" = 3201 ] || bad "genomes.tsv of 3200 genomes lacks rows"
grep -qE '^batch +[0-9]' many.log && bad "batches marked done were run again"

# --- Every setting is checked before any job runs: a bad one stops the run, naming its key.
bad_setting() {  # KEY CONFIG...
  snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=genomes "${@:2}" > bad.log 2>&1 &&
    bad "snakemake accepted ${*:2}"
  grep -qF "bad workflow setting $1:" bad.log || bad "no message naming $1 for ${*:2}: $(tail -3 bad.log)"
  grep -qE '^(rule|localrule) ' bad.log && bad "a job ran despite ${*:2}"
}
opt=$root/examples/example.opt
bad_setting plot_x 'plot_x=GC3$(touch injected)'
[ -e injected ] && bad "a setting ran as a shell command"
bad_setting segment.begin 'segment={enabled: true, begin: 2147483647, end: 10}' optimal_codons="$opt"
bad_setting segment.begin 'segment={enabled: true, relative_to: stop, begin: 1, end: 0}' optimal_codons="$opt"
bad_setting segment.end 'segment={end: 3000000000}'
bad_setting segment.enabled 'segment={enabled: true}'
bad_setting reference reference=missing.txt
bad_setting rscu_table rscu_table=missing.scu
bad_setting minimum_rscu minimum_rscu=1
bad_setting genome_type genome_type=archaeon
bad_setting stringency.no_premature_stop 'stringency={no_premature_stop: false}'
bad_setting bin_dir bin_dir="$PWD"
bad_setting batch_size batch_size=0
bad_setting table_threads table_threads=two
bad_setting genetic_code genetic_code=7
mkdir -p empty dots && touch dots/..gb
snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=empty bin_dir="$bin_dir" > empty.log 2>&1 &&
  bad "an empty genome folder was accepted"
grep -qF "no genome files in empty" empty.log || bad "empty folder: $(tail -3 empty.log)"
# A genome named "." would work in work/genomes itself.
snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=dots bin_dir="$bin_dir" > dots.log 2>&1 &&
  bad "a genome named . was accepted"
grep -qF "'..gb'" dots.log || bad "the genome named . is not named: $(tail -3 dots.log)"

# --- Names that the shell would read (a quote, $(...), blanks) reach the tools whole. A genome without a CDS
# fails with the reason in its log; the genome sharing its batch keeps its results, and once the file is
# mended a rerun makes only what was missing.
mkdir -p odd/genomes && cd odd
odd="it's \$(touch injected)"
# A name in the bucket of "no cds" (while there are few genomes, a name's bucket is fixed).
mate=$(PYTHONPATH=$root/workflow/scripts /usr/bin/python3 -c 'from kestrel_batches import MIN_BUCKETS, bucket_of, name_hash
bucket = lambda name: bucket_of(name_hash(name), MIN_BUCKETS)
print(next(f"mate{i}" for i in range(1000) if bucket(f"mate{i}") == bucket("no cds")))')
cp "$example" "genomes/$odd.gb" && cp "$example" "genomes/$mate.gb"
awk '/^FEATURES/ {skip = 1} /^ORIGIN/ {skip = 0} !skip' "$example" > "genomes/no cds.gb"
# Older than the results will be, so that results dated back a little stay newer.
touch -d '1 minute ago' genomes/*
odd_run() {  # LOG
  snakemake -s "$root/workflow/Snakefile" --cores 2 --keep-going --config genomes=genomes "results=all results" \
    bin_dir="$bin_dir" > "$1" 2>&1
}
odd_run run.log && bad "a genome without a CDS did not fail"
grep -l '"no cds"' work/batches/*.json | xargs grep -q "\"$mate\"" || bad "$mate is not in the batch of no cds"
[ -s "all results/kstl/$odd.kstl" ] || bad "the oddly named genome was not analysed"
[ -e injected ] && bad "a genome's name ran as a shell command"
grep -q "the lookup table has no entries" "logs/lookup/no cds.log" || bad "no reason in the log of the genome without CDS"
grep -q "^no cds: analyse failed, see .*/logs/lookup/no cds.log" logs/batch/*.log || bad "no batch log names no cds"
[ -s "all results/kstl/$mate.kstl" ] && [ -s "all results/plots/$mate.svg" ] ||
  bad "the genome sharing the failed batch lost its results"
cp "$example" "genomes/no cds.gb"
touch -d '2 seconds ago' "all results/kstl/"*.kstl
before=$(stat -c %Y "all results/kstl/$odd.kstl" "all results/kstl/$mate.kstl")
odd_run rerun.log || bad "the rerun after mending no cds failed: $(tail -5 rerun.log)"
[ "$(stat -c %Y "all results/kstl/$odd.kstl" "all results/kstl/$mate.kstl")" = "$before" ] ||
  bad "the rerun made again results that were there"
[ -s "all results/kstl/no cds.kstl" ] && [ "$(wc -l < "all results/genomes.tsv")" = 4 ] ||
  bad "the mended genome is missing from the tables"
cd ..

# --- A Mycoplasma-like genome (tests/tools/data): the example with every inner TGG of a CDS made TGA (Trp in
# code 4), each TGA stop made TAA and /transl_table=4 on each CDS; .trp.tsv gives each gene's TGA codons.
# The workflow reads it with code 4: no premature stop, and each gene's Trp count is its TGA codons.
mkdir -p myco/genomes && cd myco
cp "$root/tests/tools/data/mycoplasma_like.gb" genomes/m.gb && cp "$root/tests/tools/data/mycoplasma_like.trp.tsv" trp.tsv
snakemake -s "$root/workflow/Snakefile" --cores 2 --config genomes=genomes bin_dir="$bin_dir" > run.log 2>&1 ||
  bad "the workflow on the Mycoplasma-like genome failed: $(tail -5 run.log)"
grep -qx "Genetic code: 4 (Mold, Protozoan, and Coelenterate Mitochondrial; Mycoplasma/Spiroplasma)" \
  results/kstl/m.kstl 2> /dev/null || bad "m.kstl was not read with code 4"
awk -F '\t' 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next } { print $col["genetic_code"] }' \
  results/genomes.tsv | grep -qx 4 || bad "genomes.tsv does not give code 4"
awk -F '\t' 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next } { print $col["Gene"] "\t" $col["preStop"] "\t" $col["Trp_W"] }' \
  results/genes.tsv > rows.tsv
[ "$(wc -l < rows.tsv)" = 6 ] || bad "genes.tsv of m does not hold its 6 analysed genes"
grep -qv "	no	" rows.tsv && bad "a gene of m is flagged with a premature stop: $(grep -v "	no	" rows.tsv)"
join -t '	' <(sort rows.tsv | cut -f 1,3) <(sort trp.tsv) | awk -F '\t' '$2 != $3 || $3 == 0 { bad = 1 } END { exit bad }' ||
  bad "the Trp counts of m are not its TGA codons: $(join -t '	' <(sort rows.tsv) <(sort trp.tsv))"
cd ..

[ $fail -eq 0 ] && echo "workflow test passed"
exit $fail
