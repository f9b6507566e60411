# The analysis options and segment menus reach the header: Z twice leaves analysis mode, 3 back on forces 1 and 2
# on before 2 is turned off, N twice splits flanks and core introns, and the segment counts back from the stop
# codon from 50 to 0 after the refused 1 and 50.
fail() { echo "$1"; exit 1; }
header=$(cat out.kstl)
has() { [[ "$header" == *"$1"* ]] || fail "header lacks: $1"; }
has $'   Start Codon:     required to include other codons\n'
has $'   Stop Codon:      not required to included other codons\n'
has $'   Overall:         all of a gene\'s codons must be good\n'
has $'   Premature Stop:  allowed\n'
has $'Analysis of Noncoding Sequence: separate flanking and core introns\n'
has $'\nOptimal codon file for Fop: ref.opt\n'
has $'Type of Analysis: analyze segment relative to stop codon\n\n'
has $'   50 codon(s) upstream from stop to\n   0 codon(s) upstream from stop\n'
console=$(cat console.out)
[[ "$console" == *$'\nYou must enter the name of the .opt file listing codon preferences.\n\nPrefix for name of *.opt file (preferred codons):  \aPROBLEM OPENING THE FILE missing.opt.'* ]] ||
  fail "no forced preferred-codon prompt"
bad=$(grep -c 'Bad number.  Try again.' console.out)
[ "$bad" -eq 2 ] || fail "expected 2 refused limits, saw $bad"
[[ "$console" == *"KESTREL done."* ]] || fail "the run did not finish"
