#!/usr/bin/env bash
# The manual's picture of a genome report: kestrel-genome on the bundled example with a gene-list reference, the
# page rendered by headless Chromium and checked as tests/tools/report_browser_test.sh checks it, and its
# screenshot (at 60%, reduced to a palette when ImageMagick is installed) written to docs/figures/example-report.png.
# Usage: scripts/example_report.sh [BIN_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build}" && pwd)
chromium=${KESTREL_CHROMIUM:-$(command -v chromium || command -v chromium-browser || true)}
[ -n "$chromium" ] || { echo "example_report: no chromium on the PATH" >&2; exit 1; }
work=$(mktemp -d /tmp/kestrel-example.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/examples/example.gb" .
printf 'exaA\nexaD\n' > set.txt
# Six genes are too few for an optimal codon at p < 0.01: a wider threshold shows every section.
"$bin/kestrel-genome" -o example --p 0.2 --reference genes:set.txt example.gb
/usr/bin/python3 "$root/tests/tools/report_browser.py" --scale 0.6 "$chromium" example/example.report.html shot.png \
  enc neutrality pr2 coa
if command -v convert > /dev/null; then
  convert shot.png -strip +dither -colors 128 PNG8:"$root/docs/figures/example-report.png"
else
  cp shot.png "$root/docs/figures/example-report.png"
fi
echo "example_report: docs/figures/example-report.png, $(wc -c < "$root/docs/figures/example-report.png") bytes"
