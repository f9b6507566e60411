#!/usr/bin/env bash
# kestrel's command line against its dialogue: every combination of the output options (and the check mode) writes
# the same output file either way; the exit statuses of a finished run, a failed write, a table without entries and
# an annotated file given where a lookup table belongs.
# Usage: bash command_line_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"
cp "$root"/examples/example.{gb,lookup,scu,opt} .

# dialogue NAME ANSWERS...: the dialogue writes NAME.kstl; command NAME ARGS...: the command line writes NAME.cl.kstl.
dialogue() { printf '%s\n' example.lookup "$1" "${@:2}" | timeout 30 "$kestrel" > "$1.console" 2>&1 || bad "$1: dialogue status $?"; }
command() { timeout 30 "$kestrel" example.lookup -o "$1.cl.kstl" "${@:2}" 2> "$1.cl.err" || bad "$1: command status $?"; }
same() { cmp -s "$1.kstl" "$1.cl.kstl" || bad "$1: the command line's output differs from the dialogue's"; }

# 48 combinations: codon usage on or off, base usage, degeneracy, three noncoding modes, segment analysis; each with
# a prokaryote, the RSCU table and the optimal codons in the main menu.
n=0
for m in 0 1; do for b in 0 1; do for d in 0 1; do for nc in 0 1 2; do for s in 0 1; do
  n=$((n + 1)); menu=() args=(--prokaryote --rscu example.scu --optimal example.opt)
  [ $m = 1 ] && menu+=(M) args+=(--no-codon-usage)
  [ $b = 1 ] && menu+=(B) args+=(--base-usage)
  [ $d = 1 ] && menu+=(D) args+=(--degeneracy)
  for ((k = 0; k < nc; k++)); do menu+=(N); done
  args+=(--noncoding "$(echo separate combined flanks-introns | cut -d' ' -f$((nc + 1)))")
  [ $s = 1 ] && menu+=(S) args+=(--segment 1:10)
  dialogue c$n T R example P example C "${menu[@]}" C C
  command c$n "${args[@]}"
  same c$n
done; done; done; done; done
[ $n = 48 ] || bad "$n combinations"
# The other choices: inclusion rules, minimum RSCU, a segment counted back from the stop, eukaryote (the default).
dialogue rules R example M 0.25 C 3 1 2 4 5 S C example T 9 3 C
command rules --rscu example.scu --min-rscu 0.25 --any-good-codons --no-start-required --no-stop-required \
  --no-alternative-cds --allow-premature-stops --optimal example.opt --segment-before-stop 9:3
same rules
dialogue check C Z C A F S C
command check --check --check-alt --check-sequence-files --no-check-cds-ends
same check
grep -q '^KESTREL output file for: example.lookup$' c1.cl.kstl || bad "the header does not name the lookup table"
[ -s c1.cl.err ] && [ "$(wc -l < c1.cl.err)" = 1 ] || bad "one closing line expected on standard error"
timeout 30 "$kestrel" example.lookup -o quiet.kstl --quiet 2> quiet.err && [ ! -s quiet.err ] || bad "--quiet said something"
timeout 30 "$kestrel" example.lookup -o verbose.kstl --verbose 2> verbose.err && grep -q 'LOCINIT started for exaA' verbose.err ||
  bad "--verbose: no progress"

# An existing output file is refused and left alone; so is any bad command line, before anything is written.
echo keep > taken.kstl
says 1 taken "cannot be created" "$kestrel" example.lookup -o taken.kstl
[ "$(cat taken.kstl)" = keep ] || bad "an existing output file was changed"
says 2 noout "no output file" "$kestrel" example.lookup
says 2 badmode "--noncoding takes" "$kestrel" example.lookup -o x.kstl --noncoding all
says 2 badseg "ends beyond its begin" "$kestrel" example.lookup -o x.kstl --optimal example.opt --segment 5:2
says 2 noopt "needs a list of optimal codons" "$kestrel" example.lookup -o x.kstl --segment 1:10
says 2 unknown "unknown option" "$kestrel" example.lookup -o x.kstl --fast
says 1 badscu "not a codon-count (.scu) file" "$kestrel" example.lookup -o x.kstl --rscu example.lookup
[ ! -e x.kstl ] || bad "a refused command line wrote its output file"

# An annotated file where a lookup table belongs: the command line refuses it with the hint (status 2); the dialogue
# runs, says what the file is and ends with status 1.
gzip -c example.gb > example.gb.gz
for f in example.gb example.gb.gz; do
  says 2 "annotated-$f" "kestrel-genome" "$kestrel" "$f" -o x.kstl
  printf '%s\n' "$f" "dia-$f" C C | timeout 30 "$kestrel" > "dia-$f.out" 2>&1
  [ $? = 1 ] || bad "dialogue on $f: status not 1"
  shows "dia-$f" "IT IS A"
  shows "dia-$f" "kestrel-genome"
done
: > empty.lookup
says 1 empty "no entry" "$kestrel" empty.lookup -o empty.kstl

# A write that fails (a file-size limit): status 1 from both front ends, never 0.
(ulimit -f 1; "$kestrel" example.lookup -o full.kstl 2> full.err); [ $? = 1 ] || bad "a failed write: status not 1"
grep -q 'PROBLEM WRITING THE FILE full.kstl' full.err || bad "a failed write: no message"
(ulimit -f 1; printf 'example.lookup\nfull2\nC\nC\n' | "$kestrel" > full2.out 2>&1); [ $? = 1 ] || bad "dialogue: a failed write: status not 1"
exit $fail
