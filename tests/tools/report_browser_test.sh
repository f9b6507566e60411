#!/usr/bin/env bash
# The report pages in a real browser (headless Chromium): the example genome's page and a run's page load nothing
# from elsewhere, raise no console error, show every figure drawn, lead only to files that exist, and render to a
# screenshot that is not blank (kept as NAME.png); so does the workflow's run report. Skipped, with its reason, where Chromium is missing or cannot
# start.
# Usage: bash report_browser_test.sh BIN_DIR WORK_DIR
set -u
bin=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
export KESTREL_BIN_DIR=$bin
. "$root/tests/test_lib.sh"
rm -rf "$2" && mkdir -p "$2" && cd "$2" || exit 1
chromium=${KESTREL_CHROMIUM:-$(command -v chromium || command -v chromium-browser || true)}
[ -n "$chromium" ] || { echo "report_browser_test: skipped: no chromium on the PATH"; exit 0; }

# The example as a bacterium's genome with its gene-list reference, and as it is; the run over both, with a figure
# of genome means and a genome that failed.
awk '/^DEFINITION/ {print; print "SOURCE      Example bacterium"; print "  ORGANISM  Example bacterium";
                    print "            Bacteria; Examplota; Exampleales."; next} {print}' "$root/examples/example.gb" > bact.gb
cp "$root/examples/example.gb" example.gb
printf 'exaA\nexaD\n' > set.txt
"$bin/kestrel-genome" -o out --reference genes:set.txt bact.gb example.gb 2> genome.err || bad "kestrel-genome: status $?"
"$bin/kestrel-plot" --figure neutrality --genome-means -o out/means.svg out/bact.kstl out/example.kstl ||
  bad "kestrel-plot: status $?"
printf 'lost\tlost.log\n' > failures.tsv
echo "kestrel-genome: lost: FAILED: no CDS of lost can be analysed" > lost.log
"$bin/kestrel-genome" --run-report -o out/report.html --figure out/means.svg --failures failures.tsv out ||
  bad "--run-report: status $?"

# look PAGE SCREENSHOT FIGURE...: the page checked in the browser; a browser that cannot start skips the test.
look() {
  /usr/bin/python3 "$root/tests/tools/report_browser.py" "$chromium" "$@" > "$2.out" 2> "$2.err"
  case $? in
    0) ;;
    77) echo "report_browser_test: skipped: $(cat "$2.err")"; exit 0 ;;
    *) bad "$1 in the browser: $(cat "$2.err")" ;;
  esac
}
look out/bact.report.html bact.png enc neutrality pr2 coa
look out/example.report.html example.png enc neutrality pr2 coa
look out/report.html run.png figure-1

# The workflow's run report, with a genome that failed.
if command -v snakemake > /dev/null; then
  mkdir -p flow/genomes && cp bact.gb example.gb flow/genomes/ && head -n -3 example.gb > flow/genomes/cut.gb
  (cd flow && snakemake -s "$root/workflow/Snakefile" --cores 2 --config genomes=genomes bin_dir="$bin" > run.log 2>&1) &&
    bad "the workflow with a genome cut short succeeded"
  grep -q 'logs/genomes/cut.log' flow/results/report.html || bad "the workflow's report does not list the failure"
  look flow/results/report.html flow.png figure-1
else
  echo "report_browser_test: the workflow's report not checked: no snakemake on the PATH"
fi
exit $fail
