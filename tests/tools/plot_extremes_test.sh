#!/usr/bin/env bash
# kestrel-plot on finite but extreme values (the largest doubles of both signs, denormals, one huge value
# everywhere), coloured by them and with the reference genes among them: every figure is drawn within 5 s as
# well-formed SVG without a NaN or an infinity in it.
# Usage: bash plot_extremes_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"

example_run
# cells IN OUT GENE=COLUMN=VALUE...: the output file with those cells of gene rows replaced, the others kept
# in place (the Gene and File cells are read by position).
cells() {
  python3 - "$@" << 'EOF'
import re, sys
source, target, edits = sys.argv[1], sys.argv[2], [e.split('=') for e in sys.argv[3:]]
lines, columns = open(source).read().split('\n'), None
for n, line in enumerate(lines):
    if columns is None and line.startswith('Gene '):
        columns = line.split()
        continue
    for gene, column, value in edits:
        if columns and line.split(' ', 1)[0] == gene:
            spans = [m.span() for m in re.finditer(r'\S+', line)]
            a, b = spans[columns.index(column)]
            line = lines[n] = line[:a] + value + line[b:]
open(target, 'w').write('\n'.join(lines))
EOF
}
max=1.7976931348623157e308
cells a.kstl wide.kstl "exaA=ENC=$max" "exaB=ENC=-$max" "exaC=GC3=$max" "exaD=GC3=-$max" "exaE=Chi_L=$max" \
  "exaG=Chi_L=-$max"
cells a.kstl close.kstl exaA=ENC=1.7e308 exaB=ENC=-1e308 exaC=ENC=1e-320 exaD=GC3=4.9e-324 exaE=ENC=2.2e-308
cells a.kstl sums.kstl "exaA=GC1=$max" "exaA=GC2=$max" "exaB=GC1=-$max" "exaB=GC2=-$max" "exaC=GC3=$max"
cells a.kstl same.kstl exaA=ENC=1e300 exaB=ENC=1e300 exaC=ENC=1e300 exaD=ENC=1e300 exaE=ENC=1e300 exaG=ENC=1e300

# figure NAME ARGS...: kestrel-plot draws NAME.svg within 5 s.
figure() {
  expect 0 "$1" timeout 5 "$bin/kestrel-plot" -o "$1.svg" "${@:2}"
  grep -qiE '"[^"]*(nan|inf)[^"]*"|>-?(nan|inf)<' "$1.svg" 2> /dev/null && bad "$1: a NaN or an infinity is drawn"
}
for file in wide close sums same; do
  figure "$file-enc" "$file.kstl"
  figure "$file-neutrality" --figure neutrality "$file.kstl"
  figure "$file-pr2" --figure pr2 "$file.kstl"
done
figure wide-chi --y Chi_L --x GC3 wide.kstl
figure means --figure neutrality --genome-means wide.kstl sums.kstl a.kstl
figure one-mean --figure neutrality --genome-means same.kstl
printf 'exaA\nexaC\n' > set.txt
cells a.kstl colours.kstl "exaA=GC3=$max" "exaB=GC3=-$max" "exaC=GC3=1e-320" "exaA=ENC=$max"
for colour in GC3 CAI reference strand none; do
  for file in colours wide; do figure "$file-$colour" --reference set.txt --colour $colour "$file.kstl"; done
  figure "sums-$colour" --figure neutrality --reference set.txt --colour $colour sums.kstl
done
python3 -c 'import sys, xml.dom.minidom as m
for name in sys.argv[1:]:
    try: m.parse(name)
    except Exception as e: print("FAIL:", name, "is not well-formed:", e)' ./*.svg | grep FAIL && fail=1
# The axis of the largest values of both signs is labelled with short numbers, not hundreds of digits.
grep -q '>-1.8e+308<' wide-enc.svg || bad "the ENC axis of the largest values: $(grep -c '<text' wide-enc.svg) labels"
exit $fail
