#!/bin/sh
# The run's summary, once every batch has run: the failures the batches recorded
# (work/failures.tsv), the tables of the genomes done (kestrel-table --join of their
# NAME.genes.tsv and NAME.genome.tsv), the figure of their means and the run's report.
#   usage: summarise.sh RESULTS KESTREL_TABLE KESTREL_PLOT KESTREL_GENOME
# work/lists/names names the run's genomes, one a line; work/lists/failures the batches'
# failure files, of which those that exist hold "NAME<tab>LOG<tab>REASON" lines.
results=$1 table=$2 plot=$3 genome=$4
export LC_ALL=C
while IFS= read -r file; do
  [ ! -e "$file" ] || cat -- "$file" || exit 1
done < work/lists/failures > work/failures.tsv || exit 1
for kind in genes.tsv genome.tsv kstl; do
  awk -F '\t' -v results="$results" -v kind="$kind" \
    'FILENAME == ARGV[1] { failed[$1]; next } !($0 in failed) { print results "/genomes/" $0 "/" $0 "." kind }' \
    work/failures.tsv work/lists/names > "work/lists/done.$kind" || exit 1
done
# The genes' table and the figure are made while the genomes' table and then the report are.
"$table" --join -o "$results/genes.tsv" --list work/lists/done.genes.tsv & genes=$!
"$plot" --figure neutrality --genome-means -o "$results/neutrality.svg" --list work/lists/done.kstl & figure=$!
"$table" --join -o "$results/genomes.tsv" --list work/lists/done.genome.tsv
status=$?
wait "$figure" && [ "$status" -eq 0 ] &&
  "$genome" --run-report -o "$results/report.html" --page "$results/genomes/{name}/{name}.report.html" \
    --figure "$results/neutrality.svg" --failures work/failures.tsv "$results/genomes.tsv"
status=$?
wait "$genes" && exit "$status"
