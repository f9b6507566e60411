#!/usr/bin/env bash
# The many-genomes workflow on small genomes made from the bundled example (GenBank, gzipped, EMBL, GFF3 with FASTA,
# names with braces), again after a genome is added; its settings, checked by kestrel-genome; failing genomes (no
# CDS, a file cut short); another genetic code; a run refused by the lock and a killed run followed by a rerun, each
# leaving the results a clean run gives; thousands of genomes through the lists; the batch planning on its own.
# Usage: bash workflow_test.sh BIN_DIR WORK_DIR
set -u
bin_dir=$1 work=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v snakemake > /dev/null || { echo "snakemake is not installed; workflow test skipped"; exit 0; }
export KESTREL_BIN_DIR=$bin_dir
. "$root/tests/test_lib.sh"
rm -rf "$work" && mkdir -p "$work/genomes" && cd "$work" || exit 1
example=$root/examples/example.gb
awk 'NR <= 72' "$example" > genomes/a.gb
awk 'NR > 72' "$example" | gzip -c > genomes/b.gb.gz
cp "$example" genomes/c.gbff
cp "$example" 'genomes/x{y}.gb' && cp "$example" 'genomes/{batch}.gb'
genbank_to_embl "$example" | gzip -c > genomes/e.embl.gz
# f: the first record's genes exaA and exaB as a GFF3 with the FASTA file of its name.
printf '##gff-version 3\n%s\n%s\n%s\n%s\n' "EXA1	.	gene	201	500	.	+	.	ID=g1;Name=exaA" \
  "EXA1	.	CDS	201	500	.	+	0	Parent=g1" "EXA1	.	gene	801	1100	.	-	.	ID=g2;Name=exaB" \
  "EXA1	.	CDS	801	1100	.	-	0	Parent=g2" > genomes/f.gff3
awk '/^ORIGIN/ { print ">EXA1"; on = 1; next } /^\/\// { exit } on { $1 = ""; print }' "$example" > genomes/f.fa
touch -d '1 minute ago' genomes/*
# Names of the batches' genomes, as the workflow plans them (few genomes: a name's batch is its own affair).
batch_of() { PYTHONPATH=$root/workflow/scripts /usr/bin/python3 -c 'import sys
from kestrel_batches import MIN_BUCKETS, bucket_of, name_hash
print(bucket_of(name_hash(sys.argv[1]), MIN_BUCKETS))' "$1"; }

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

# --- The workflow on seven genomes, then on eight.
workflow() {  # LOG SETTINGS...: the workflow here; its output in LOG
  snakemake -s "$root/workflow/Snakefile" --cores 2 --config genomes=genomes bin_dir="$bin_dir" "${@:2}" > "$1" 2>&1
}
run_workflow() { workflow "$@" || { bad "snakemake failed, see $PWD/$1"; tail -20 "$1"; }; }
check_tables() {  # GENOME...: every genome's results, and the run's tables and figure made of them
  local g rows=() header
  for g in "$@"; do
    for s in kstl genes.tsv genome.tsv svg neutrality.svg pr2.svg trna.tsv; do
      [ -s "results/genomes/$g/$g.$s" ] || bad "results/genomes/$g/$g.$s missing"
    done
    [ -s "logs/genomes/$g.log" ] || bad "logs/genomes/$g.log missing"
    rows+=("results/genomes/$g/$g.genes.tsv")
  done
  header=$(head -1 "${rows[0]}")
  diff <(echo "$header"; for g in "${rows[@]}"; do tail -n +2 "$g"; done | sort) \
    <(head -1 results/genes.tsv; tail -n +2 results/genes.tsv | sort) > /dev/null ||
    bad "genes.tsv is not the genomes' rows under their header"
  [ "$(tail -n +2 results/genomes.tsv | cut -f1 | sort | tr '\n' ' ')" = "$(printf '%s\n' "$@" | sort | tr '\n' ' ')" ] ||
    bad "genomes.tsv does not hold one row per genome named for it: $(cut -f1 results/genomes.tsv | tr '\n' ' ')"
  head -1 results/genomes.tsv | grep -q $'^source\tgenes_analysed\t.*\treference_genes\toptimal_codons\t.*\tnHE\td\td_lower\td_upper\t' ||
    bad "genomes.tsv lacks the reference and growth columns: $(head -1 results/genomes.tsv)"
  head -1 results/genes.tsv | grep -q $'^source\tGene\t.*\tNc_Sun\t.*\ttAI$' || bad "genes.tsv lacks the added indices and tAI"
  grep -q "genome means: $# genomes" results/neutrality.svg || bad "neutrality.svg does not show the $# genomes"
}
genes_of() { tail -n +2 "results/genomes/$1/$1.genes.tsv" | cut -f2 | tr '\n' ' '; }
run_workflow first.log
check_tables a b c e f 'x{y}' '{batch}'
[ "$(genes_of f)" = "exaA exaB " ] || bad "f: not the GFF3's two genes: $(genes_of f)"
[ "$(genes_of e)" = "$(genes_of c)" ] || bad "the EMBL genome's genes differ"
# Record 1 has 4 analysed genes, record 2 has 2: c, with both records, has all 6.
[ "$(genes_of c | wc -w)" = 6 ] || bad "c does not hold the genes of both records"
cmp -s <(cut -f2,4- "results/genomes/x{y}/x{y}.genes.tsv") <(cut -f2,4- results/genomes/c/c.genes.tsv) ||
  bad "the genome named with braces differs from its twin"
workflow again.log && grep -q "Nothing to be done" again.log || bad "a second run found something to do"

# A genome added: only the batch it joins and the run's tables are made again.
cp genomes/a.gb genomes/d.gbk
touch -d '1 minute ago' genomes/d.gbk
touch -d '2 seconds ago' results/genomes/*/*.kstl
before=$(stat -c '%n %Y' results/genomes/*/*.kstl)
run_workflow second.log
check_tables a b c d e f 'x{y}' '{batch}'
for rule in batch summary; do grep -qE "^$rule +1 " second.log || bad "the second run ran not one $rule job"; done
d_batch=$(batch_of d)
while read -r file when; do
  g=${file#results/genomes/} g=${g%%/*}
  [ "$(batch_of "$g")" = "$d_batch" ] || [ "$(stat -c %Y "$file")" = "$when" ] || bad "the results of $g were made again"
done <<< "$before"

# --- kestrel-genome's options, one key each under options: each genome's own reference from a gene list. c holds
# exaE, whose codons differ enough from its other genes' to give optimal codons; a lacks it and b has no other
# complete gene to tell it from: both are analysed without CAI and Fop, the reason in their logs.
echo exaE > own.txt
run_workflow own.log results=own "options={reference: genes:$PWD/own.txt, noncoding: combined, prokaryote: true}"
reference_genes() { awk -F '\t' 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
                                 { print $1 "=" $col["reference_genes"] }' own/genomes.tsv | sort | tr '\n' ' '; }
[[ "$(reference_genes)" == "a=NA b=NA c=1 d=NA "* ]] || bad "reference set sizes in genomes.tsv: $(reference_genes)"
[ -s own/genomes/c/c.scu ] && [ -s own/genomes/c/c.opt ] && ! [ -e own/genomes/a/a.scu ] || bad "own reference files"
grep -q "^RSCU file for CAI: *c.scu" own/genomes/c/c.kstl && ! grep -q "^RSCU file for CAI: *a.scu" own/genomes/a/a.kstl ||
  bad "c was not analysed with its reference, or a was"
grep -q "^Type of Organism: Prokaryote" own/genomes/a/a.kstl && grep -q "combine all NC" own/genomes/a/a.kstl ||
  bad "the options did not reach the analysis"
grep -q "no codon of the reference set is optimal" logs/genomes/b.log || bad "no reason in b's log: $(cat logs/genomes/b.log)"

# --- Every setting is checked (kestrel-genome's options by kestrel-genome --check-options) before anything is
# written or run: a bad one stops the run, naming its key and the reason.
mkdir -p checks/genomes && cp genomes/a.gb checks/genomes/ && cd checks
bad_setting() {  # KEY TEXT SETTING...
  snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=genomes bin_dir="$bin_dir" "${@:3}" > bad.log 2>&1 &&
    bad "snakemake accepted ${*:3}"
  grep -qF "bad workflow setting $1: $2" bad.log || bad "no message naming $1 for ${*:3}: $(grep -v '^ ' bad.log | tail -3)"
  [ -e work ] || [ -e results ] || [ -e logs ] && bad "a run with ${*:3} wrote files"
}
bad_setting options "--x takes GC3 or GC3_6, not GC3\$(touch injected)" 'options={x: GC3$(touch injected)}'
[ -e injected ] && bad "a setting ran as a shell command"
bad_setting options "unknown option --plot-x=GC3" 'options={plot-x: GC3}'
bad_setting options "missing.scu: cannot be opened" 'options={rscu: missing.scu}'
bad_setting options "missing.txt" 'options={reference: genes:missing.txt}'
bad_setting options "--min-rscu goes with --rscu" 'options={min-rscu: 0.5}'
bad_setting options "the segment analysis needs" 'options={segment: "2:5"}'
bad_setting options "" 'options={genetic-code: 7}'
bad_setting options.help "is not an option for every genome" 'options={help: true}'
bad_setting plot_x "unknown setting" plot_x=GC3
bad_setting batch_size "must be a whole number" batch_size=0
bad_setting bin_dir "kestrel-genome" bin_dir="$PWD"
mkdir -p empty dots && touch dots/..gb
snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=empty bin_dir="$bin_dir" > empty.log 2>&1 &&
  bad "an empty genome folder was accepted"
grep -qF "no genome files in empty" empty.log || bad "empty folder: $(tail -3 empty.log)"
snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=dots bin_dir="$bin_dir" > dots.log 2>&1 &&
  bad "a genome named . was accepted"
grep -qF "the genome '.' cannot be run" dots.log || bad "the genome named . is not named: $(tail -3 dots.log)"
cd ..

# --- Names that the shell would read (a quote, $(...), blanks) reach kestrel-genome whole. A genome without a CDS,
# and one cut short in its last record, fail with the reason in the batch's log and Snakemake's; the genome sharing
# a batch with them gets its results; once the files are mended a rerun makes only what was missing.
mkdir -p odd/genomes && cd odd
odd="it's \$(touch injected)"
mate=mate0
for i in $(seq 0 1000); do [ "$(batch_of "mate$i")" = "$(batch_of "no cds")" ] && mate=mate$i && break; done
cp "$example" "genomes/$odd.gb" && cp "$example" "genomes/$mate.gb"
awk '/^FEATURES/ {skip = 1} /^ORIGIN/ {skip = 0} !skip' "$example" > "genomes/no cds.gb"
head -n -3 "$example" > genomes/cut.gb
touch -d '1 minute ago' genomes/*
odd_run() {  # LOG
  snakemake -s "$root/workflow/Snakefile" --cores 2 --keep-going --config genomes=genomes "results=all results" \
    bin_dir="$bin_dir" > "$1" 2>&1
}
odd_run run.log && bad "the genomes without a CDS or cut short did not fail"
[ -s "all results/genomes/$odd/$odd.kstl" ] || bad "the oddly named genome was not analysed"
[ -e injected ] && bad "a genome's name ran as a shell command"
grep -q "FAILED: kestrel-genome: no cds: FAILED: no CDS of no cds can be analysed" logs/batch/*.log ||
  bad "no batch log names no cds and why: $(cat logs/batch/*.log)"
grep -q 'FAILED: kestrel-genome: cut: FAILED: genomes/cut.gb: the record EXA2 ends without its "//" line' logs/batch/*.log ||
  bad "no batch log names the genome cut short and why"
grep -q 'FAILED: cut: .*EXA2 ends without its "//" line.* (see logs/genomes/cut.log)' run.log ||
  bad "the run's messages do not name the genome cut short, why and its log: $(tail -5 run.log)"
grep -q "Error in rule batch" run.log && bad "a batch with a failed genome failed as a job"
# The tables, the figure and the run's report are made of the genomes done; the report names the failures.
[ "$(tail -n +2 "all results/genomes.tsv" | cut -f1 | sort | tr '\n' ' ')" = "$(printf '%s\n' "$odd" "$mate" | sort | tr '\n' ' ')" ] ||
  bad "genomes.tsv does not hold the genomes done alone: $(cut -f1 "all results/genomes.tsv" | tr '\n' ' ')"
[ -s "all results/neutrality.svg" ] || bad "no figure of genome means with failed genomes"
grep -q 'logs/genomes/cut.log' "all results/report.html" && grep -q 'no CDS of no cds can be analysed' "all results/report.html" ||
  bad "the run's report does not list the failures with their logs"
grep -qF "href=\"genomes/$mate/$mate.report.html\"" "all results/report.html" || bad "the run's report does not link a genome's page"
[ -s "all results/genomes/$mate/$mate.kstl" ] || bad "the genome sharing a failed batch got no results"
[ -e "all results/genomes/cut/cut.kstl" ] && bad "the genome cut short has results"
cp "$example" "genomes/no cds.gb" && cp "$example" genomes/cut.gb
before=$(stat -c %Y "all results/genomes/$odd/$odd.kstl")
odd_run rerun.log || bad "the rerun after mending the genomes failed: $(tail -5 rerun.log)"
[ "$(batch_of "$odd")" = "$(batch_of "no cds")" ] || [ "$(batch_of "$odd")" = "$(batch_of cut)" ] ||
  [ "$(stat -c %Y "all results/genomes/$odd/$odd.kstl")" = "$before" ] || bad "the rerun made again results that were there"
[ -s "all results/genomes/no cds/no cds.kstl" ] && [ "$(wc -l < "all results/genomes.tsv")" = 5 ] ||
  bad "the mended genomes are missing from the tables"
# A genome whose results are gone is run again.
rm -r "all results/genomes/$mate"
odd_run gone.log && [ -s "all results/genomes/$mate/$mate.kstl" ] || bad "results removed were not made again"
odd_run after.log && odd_run after2.log && grep -q "Nothing to be done" after2.log ||
  bad "runs after making removed results again did not come to rest"
cd ..

# --- A Mycoplasma-like genome (tests/tools/data): the example with every inner TGG of a CDS made TGA (Trp in
# code 4), each TGA stop made TAA and /transl_table=4 on each CDS; .trp.tsv gives each gene's TGA codons.
# The workflow reads it with code 4: no premature stop, and each gene's Trp count is its TGA codons.
mkdir -p myco/genomes && cd myco
cp "$root/tests/tools/data/mycoplasma_like.gb" genomes/m.gb && cp "$root/tests/tools/data/mycoplasma_like.trp.tsv" trp.tsv
run_workflow run.log
column() { awk -F '\t' -v want="$2" 'NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next } { print $col[want] }' "$1"; }
[ "$(column results/genomes.tsv genetic_code)" = 4 ] || bad "genomes.tsv does not give code 4"
paste <(column results/genes.tsv Gene) <(column results/genes.tsv preStop) <(column results/genes.tsv Trp_W) > rows.tsv
[ "$(wc -l < rows.tsv)" = 6 ] || bad "genes.tsv of m does not hold its 6 analysed genes"
grep -qv "	no	" rows.tsv && bad "a gene of m is flagged with a premature stop: $(grep -v "	no	" rows.tsv)"
join -t '	' <(sort rows.tsv | cut -f 1,3) <(sort trp.tsv) | awk -F '\t' '$2 != $3 || $3 == 0 { bad = 1 } END { exit bad }' ||
  bad "the Trp counts of m are not its TGA codons: $(join -t '	' <(sort rows.tsv) <(sort trp.tsv))"
cd ..

# --- A run refused by the lock, and a killed run followed by a rerun, leave every genome's results as a clean run
# with the rerun's settings gives. kestrel-genome runs the genomes of a batch one by one here, a second apart, so
# that the other run comes while a batch runs.
mkdir -p slow/bin slow/genomes && cp genomes/[abcd].gb* slow/genomes/ && for tool in kestrel-table kestrel-plot; do ln -s "$bin_dir/$tool" slow/bin/; done
cat > slow/bin/kestrel-genome << EOF
#!/bin/bash
[ "\$1" = --batch ] || exec "$bin_dir/kestrel-genome" "\$@"
status=0
while IFS= read -r line; do
  sleep 1; printf '%s\n' "\$line" > "\$2.one" && "$bin_dir/kestrel-genome" --batch "\$2.one" || status=1
done < "\$2"
exit \$status
EOF
chmod +x slow/bin/kestrel-genome
settings_a=("options={noncoding: combined}") settings_b=("options={noncoding: flanks-introns, prokaryote: true}")
slow() {  # FOLDER LOG SETTINGS...: the workflow in FOLDER on the example genomes, one genome a second
  (cd "$1" && exec snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=../slow/genomes \
     bin_dir="$PWD/../slow/bin" "${@:3}" > "$2" 2>&1)
}
same_results() {  # FOLDER: its results are those of the clean run
  diff -r -x '*.log' -x '*.report.html' clean/results/genomes "$1/results/genomes" > "$1/diff.txt" ||
    bad "$1: the results differ from the clean run's: $(head -c 300 "$1/diff.txt")"
  local page  # a page differs only by the folder of the command that remakes it
  for page in clean/results/genomes/*/*.report.html; do
    cmp -s <(sed "s#$PWD/clean#FOLDER#g" "$page") <(sed "s#$PWD/$1#FOLDER#g" "$1/${page#clean/}") ||
      bad "$1: ${page#clean/} differs from the clean run's"
  done
  cmp -s clean/results/genes.tsv "$1/results/genes.tsv" && cmp -s clean/results/genomes.tsv "$1/results/genomes.tsv" ||
    bad "$1: the tables differ from the clean run's"
}
started() { [ -n "$(find "$1/results/genomes" -name '*.kstl' 2> /dev/null)" ]; }
wait_for() { local i; for ((i = 0; i < 600; i++)); do "$@" && return 0; sleep 0.1; done; return 1; }
mkdir -p clean locked killed
slow clean run.log "${settings_a[@]}" || bad "the clean slow run failed: $(tail -5 clean/run.log)"
slow locked run.log "${settings_a[@]}" & first=$!
wait_for started locked || bad "the first run made no results"
slow locked refused.log "${settings_b[@]}" && bad "a second run was not refused by the lock"
grep -q "LockException" locked/refused.log || bad "the second run was refused for another reason: $(tail -3 locked/refused.log)"
wait "$first" || bad "the first run failed after the second was refused: $(tail -5 locked/run.log)"
same_results locked
slow killed first.log "${settings_a[@]}" || bad "the first run of the killed folder failed"
(cd killed && exec setsid snakemake -s "$root/workflow/Snakefile" --cores 1 --config genomes=../slow/genomes \
   bin_dir="$PWD/../slow/bin" "${settings_b[@]}" > killed.log 2>&1) & group=$!
wait_for eval 'grep -ql "separate flanking and core" killed/results/genomes/*/*.kstl' || bad "the other settings reached no genome"
kill -KILL -- -"$group"; wait "$group" 2> /dev/null
(cd killed && snakemake -s "$root/workflow/Snakefile" --unlock --cores 1 --config genomes=../slow/genomes \
   bin_dir="$bin_dir" > unlock.log 2>&1)
slow killed rerun.log "${settings_a[@]}" || bad "the rerun after a killed run failed: $(tail -5 killed/rerun.log)"
same_results killed

# --- Thousands of genomes with long names: more names than one command line holds reach the tables, through
# the lists. kestrel-genome gives each genome a's results here, as links.
mkdir -p many/genomes many/bin && cd many
for tool in kestrel-table kestrel-plot; do ln -s "$bin_dir/$tool" bin/; done
cat > bin/kestrel-genome << EOF
#!/bin/sh
[ "\$1" = --batch ] || exec "$bin_dir/kestrel-genome" "\$@"
exec /usr/bin/python3 -c '
import os, sys
for line in open(sys.argv[1]):
    fields = line.rstrip("\\n").split("\\t")
    folder = fields[fields.index("-o") + 1]
    name = os.path.basename(folder)
    os.makedirs(folder, exist_ok=True)
    for s in ("genes.tsv", "genome.tsv", "kstl"):
        os.link("$PWD/../results/genomes/a/a." + s, f"{folder}/{name}.{s}")
' "\$2"
EOF
chmod +x bin/kestrel-genome
/usr/bin/python3 -c '
import os
for i in range(1, 3201):
    os.link("../genomes/a.gb", f"genomes/GCF_00000{i:04d}.1_ASM_assembly_of_strain_{i:04d}.gb")
' || bad "the genomes were not made"
snakemake -s "$root/workflow/Snakefile" --cores 2 --config genomes=genomes bin_dir="$PWD/bin" > many.log 2>&1 ||
  bad "the workflow on 3200 genomes failed: $(tail -5 many.log)"
[ "$(wc -l < results/genomes.tsv 2> /dev/null)" = 3201 ] || bad "genomes.tsv of 3200 genomes lacks rows"
[ "$(wc -l < results/genes.tsv 2> /dev/null)" = $((3200 * 4 + 1)) ] || bad "genes.tsv of 3200 genomes lacks rows"
cd ..

[ $fail -eq 0 ] && echo "workflow test passed"
exit $fail
