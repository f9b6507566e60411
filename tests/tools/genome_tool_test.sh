#!/usr/bin/env bash
# kestrel-genome against the tools run by hand: the same files, byte for byte, for plain, gzipped and other-code
# genomes; the genome type read from the annotation; each genome's report page and the run's; a failing genome
# leaves its earlier results and the others go on; exit statuses.
# Usage: bash genome_tool_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"

# A prokaryote's record (its taxonomy after ORGANISM), a gzipped copy, and the code 4 genome with no taxonomy.
awk '/^DEFINITION/ {print; print "SOURCE      Example bacterium"; print "  ORGANISM  Example bacterium";
                    print "            Bacteria; Examplota; Exampleales."; next} {print}' "$root/examples/example.gb" > bact.gb
gzip -c bact.gb > zipped.gb.gz
cp "$root/tests/tools/data/mycoplasma_like.gb" myco.gb
printf 'exaA\nexaD\n' > set.txt

# by_hand NAME FILE CODE TYPE [ORGANISM]: the tools run one after another in hand/, as kestrel-genome's results are
# named; the reference serves the analysis when it has an optimal codon; the organism titles the figures.
by_hand() {
  local n=$1 f=$2 refs=() title=()
  [ -n "${5:-}" ] && title=(--title "$5")
  (cd hand && "$bin/kestrel-lookup" -o "$n.lookup" --seq "$n.seq" --trna "$n.trna.tsv" "../$f" 2> /dev/null &&
    "$bin/kestrel-reference" -o "$n" --set genes:../set.txt -g "$3" "../$f" 2> /dev/null &&
    { awk 'f {for (i = 3; i <= NF; i += 3) if ($i == 1) found = 1} /#/ {f = 1} END {exit !found}' "$n.opt" && refs=(--rscu "$n.scu" --optimal "$n.opt"); true; } &&
    "$bin/kestrel" "$n.lookup" -o "$n.kstl" "--$4" -g "$3" "${refs[@]}" 2> /dev/null &&
    "$bin/kestrel-table" --indices --trna "$n.trna.tsv" --source genome -o "$n.genes.tsv" --summary "$n.summary" \
      "$n.kstl" &&
    "$bin/kestrel-plot" --reference "$n.reference.tsv" "${title[@]}" --figure enc -o "$n.svg" --figure neutrality \
      -o "$n.neutrality.svg" --figure pr2 -o "$n.pr2.svg" "$n.kstl" &&
    "$bin/kestrel-coa" -o "$n.coa" --colour "reference:$n.reference.tsv" "$n.kstl" 2> /dev/null &&
    "$bin/kestrel-compare" -a "reference:$n.reference.tsv" -o "$n.compare.tsv" --figure "$n.compare.svg" "$n.kstl" \
      2> /dev/null) ||
    bad "$n: the tools by hand failed"
}
mkdir hand out
by_hand bact bact.gb 1 prokaryote "Example bacterium"
by_hand zipped zipped.gb.gz 1 prokaryote "Example bacterium"
by_hand myco myco.gb 4 eukaryote
# kestrel-genome in hand/'s place: the same input names, run from hand/ too.
(cd out && "$bin/kestrel-genome" -o . --reference genes:../set.txt ../bact.gb ../zipped.gb.gz ../myco.gb 2> ../genome.err) ||
  bad "kestrel-genome: status $?"
for n in bact zipped myco; do
  for s in lookup seq trna.tsv scu opt reference.tsv kstl genes.tsv svg neutrality.svg pr2.svg coa.eigen.tsv \
    coa.genes.tsv coa.codons.tsv coa.svg compare.tsv compare.svg; do
    cmp -s "hand/$n.$s" "out/$n.$s" || bad "$n.$s differs from the tools' by hand"
  done
  [ "$(head -1 "hand/$n.summary")" = "$(head -1 "out/$n.genome.tsv" | cut -f1-10)" ] &&
    [ "$(tail -1 "hand/$n.summary")" = "$(tail -1 "out/$n.genome.tsv" | cut -f1-10)" ] ||
    bad "$n: the summary row does not begin as kestrel-table's"
done
holds genome.err "bact: 7 genes, genetic code 1, prokaryote (its taxonomy: Bacteria)" || bad "the type is not said"
holds genome.err "myco: 7 genes, genetic code 4, eukaryote" || bad "the type of a genome without taxonomy"
[ "$(cut -f11-12 out/bact.genome.tsv | tail -1)" = $'Example bacterium\tprokaryote' ] || bad "organism and type cells"
[ "$(ls -a out | grep -c '^\.[^.]')" = 0 ] || bad "a work folder was left behind"

# Each genome's report page: it names the organism, holds its four figures inline and the command that makes it.
for n in bact zipped myco; do [ -s "out/$n.report.html" ] || bad "$n: no report page"; done
holds out/bact.report.html '<h1 class="organism">Example bacterium</h1>' || bad "the report does not name the organism"
[ "$(grep -c '<svg' out/bact.report.html)" -ge 4 ] || bad "the report lacks a figure"
for id in enc neutrality pr2 coa; do holds out/bact.report.html "<figure id=\"$id\">" || bad "the report has no $id figure"; done
holds out/bact.report.html "kestrel-genome -o . --reference genes:../set.txt ../bact.gb ../zipped.gb.gz ../myco.gb" ||
  bad "the report does not give the command line"
holds out/myco.report.html "genetic code 4" || bad "the report does not name the genetic code"
! grep -qi '<script\|<link rel="stylesheet"\|src="http' out/bact.report.html || bad "the report loads something"

# The run's report over the folder: each genome linked to its page, the failures with their logs.
printf 'lost\tlost.log\n' > failures.tsv
echo "kestrel-genome: lost: FAILED: no CDS of lost can be analysed" > lost.log
"$bin/kestrel-genome" --run-report -o out/report.html --failures failures.tsv out 2> run.err || bad "--run-report: status $?"
for n in bact zipped myco; do holds out/report.html "<a href=\"$n.report.html\">" || bad "the run report does not link $n"; done
holds out/report.html "no CDS of lost can be analysed" || bad "the run report does not give the failure's reason"
holds out/report.html '<a href="../lost.log">' || bad "the run report does not link the log"

# A second run whose genome fails leaves the first run's results; another genome of the run goes on; status 1.
cp -p out/bact.kstl bact.before
head -c 2000 bact.gb > cut.gb
(cd out && cp ../cut.gb bact.gb && "$bin/kestrel-genome" -o . bact.gb ../myco.gb 2> ../second.err)
[ $? = 1 ] || bad "a failing genome: status not 1"
cmp -s out/bact.kstl bact.before || bad "the failing genome's earlier results changed"
holds second.err "bact: FAILED:" || bad "the failure is not named"
holds second.err "1 of 2 genomes failed" || bad "the count of failures"
[ "$(ls -a out | grep -c '^\.[^.]')" = 0 ] || bad "a failing genome left its work folder"
# Without a reference set found, the genome is analysed without CAI and Fop, and its old reference goes.
(cd out && "$bin/kestrel-genome" -o . --reference ribosomal ../myco.gb 2> ../noref.err) || bad "no reference: status"
holds noref.err "analysed without CAI and Fop" || bad "no reference: not said"
[ ! -e out/myco.scu ] || bad "a stale reference file was left"
grep -q '^RSCU file for CAI: none$' out/myco.kstl || bad "analysed with a reference"

# A full disk (a file-size limit) fails the genome and leaves its earlier results; inputs that are no regular
# files are refused without waiting on them; a results folder that is a file is refused.
cp -p out/myco.kstl myco.before
(ulimit -f 4; cd out && "$bin/kestrel-genome" -o . ../myco.gb 2> ../full.err); [ $? = 1 ] || bad "a full disk: status not 1"
cmp -s out/myco.kstl myco.before || bad "a full disk changed the earlier results"
[ "$(ls -a out | grep -c '^\.[^.]')" = 0 ] || bad "a full disk left a work folder"
mkfifo pipe.gb
says 1 fifo "pipe.gb: not a regular file" "$bin/kestrel-genome" -o o3 pipe.gb
says 1 device "not a regular file" "$bin/kestrel-genome" -o o3 --name dev /dev/zero
: > afile
says 1 notfolder "afile: not a folder" "$bin/kestrel-genome" -o afile bact.gb
# Without the report page, an earlier one goes with the other stale results.
(cd out && "$bin/kestrel-genome" -o . --no-report --reference genes:../set.txt ../bact.gb 2> /dev/null) || bad "--no-report"
[ ! -e out/bact.report.html ] || bad "--no-report left the earlier report page"

# The command line.
says 2 page "--page goes only with --run-report" "$bin/kestrel-genome" -o o2 --page x bact.gb
says 2 runout "--run-report needs -o" "$bin/kestrel-genome" --run-report out
says 2 runname "--name does not go with --run-report" "$bin/kestrel-genome" --run-report -o r.html --name x out
says 2 runself "is the input file" "$bin/kestrel-genome" --run-report -o out/bact.genome.tsv out/bact.genome.tsv
says 1 runbad "no source column" "$bin/kestrel-genome" --run-report -o r.html failures.tsv
says 2 noout "no results folder" "$bin/kestrel-genome" bact.gb
says 2 twice "two genomes are both named bact" "$bin/kestrel-genome" -o o2 bact.gb sub/../bact.gb
says 2 badref "--reference takes" "$bin/kestrel-genome" -o o2 --reference best bact.gb
says 2 threads "--threads takes 1 or 2, not 0" "$bin/kestrel-genome" -o o2 --threads 0 bact.gb
says 2 check "unknown option --check" "$bin/kestrel-genome" -o o2 --check bact.gb
says 1 missing "nope.gb" "$bin/kestrel-genome" -o o2 nope.gb
# --check-options: the options for every genome checked as a run checks them, the files they read listed, a
# problem told in one line without the usage.
[ "$("$bin/kestrel-genome" --check-options --reference=genes:set.txt --p 0.05 --no-codon-usage --prokaryote)" = set.txt ] ||
  bad "--check-options does not list the gene list"
[ "$("$bin/kestrel-genome" --check-options --rscu hand/bact.scu --optimal hand/bact.opt --reference genes:set.txt)" = \
  $'hand/bact.scu\nhand/bact.opt' ] || bad "--check-options: the reference files given for every genome"
says 2 checkx "kestrel-genome: --x takes GC3 or GC3_6, not GC4" "$bin/kestrel-genome" --check-options --x GC4
says 2 checkset "nope.txt" "$bin/kestrel-genome" --check-options --reference genes:nope.txt
says 2 checkscu "not a codon-count (.scu) file" "$bin/kestrel-genome" --check-options --rscu set.txt
says 2 checksegment "the segment analysis needs" "$bin/kestrel-genome" --check-options --segment 2:5
says 2 checko "--check-options takes no -o" "$bin/kestrel-genome" --check-options -o out
says 2 checkgenome "--check-options takes no genome: bact.gb" "$bin/kestrel-genome" --check-options bact.gb
grep -q "usage:" checkx.err checkset.err && bad "--check-options shows the usage with its reason"
# No result replaces an input: a genome file named as a result, a reference file in the results.
cp bact.gb seqin.seq && cp bact.gb seqin.before
says 2 overinput "would replace the input seqin.seq" "$bin/kestrel-genome" -o . seqin.seq
cmp -s seqin.seq seqin.before || bad "an input was written over"
cp hand/bact.scu out/bact.scu
says 2 overref "would replace the input out/bact.scu" "$bin/kestrel-genome" -o out --rscu out/bact.scu bact.gb
exit $fail
