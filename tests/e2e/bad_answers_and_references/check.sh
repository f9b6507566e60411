# Answers that end at any prompt halt with "END OF INPUT." and status 1; reference files with letters for
# numbers, or without their "#" line, are refused with a clear message; no existing file is ever changed.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../test_lib.sh"
make_record 3000 60 1 > seq.gb
entry "201..500" g seq.gb 1 100 50 201 500 > genes.lookup
awk 'BEGIN {print "title #"; for (e = 0; e < 64; e++) print "AAA K " e + 1}' > good.scu
awk 'BEGIN {print "#"; for (e = 0; e < 64; e++) print "AAA K " e % 2}' > good.opt
awk 'BEGIN {print "#"; for (e = 0; e < 64; e++) print "AAA K " (e == 30 ? "x7" : e)}' > letters.scu
printf 'AAA K 1\nAGA R 2\n' > nohash.opt
printf 'keep me\n' > taken.kstl && cp taken.kstl taken.before

# Every prefix of a dialogue that visits every prompt and menu.
words=(genes.lookup taken N run I genes.lookup O run2 T R good M 0.5 P good C S Z 3 C A F S C T 5 2 L 9 3 C)
for ((n = 0; n < ${#words[@]}; n++)); do
  rm -f run.kstl run2.kstl
  printf '%s\n' "${words[@]:0:n}" | timeout 20 "$kestrel" > prefix.out 2>&1
  status=$?
  [ $status = 1 ] || { echo "prefix $n: status $status"; fail=1; continue; }
  [[ "$(cat prefix.out)" == *$'\a\nEND OF INPUT.\nKESTREL halted.' ]] || bad "prefix $n: no end-of-input halt"
done
# The whole dialogue runs the check to its end.
rm -f run.kstl run2.kstl
printf '%s\n' "${words[@]}" | timeout 20 "$kestrel" > whole.out 2>&1 || bad "status"
grep -q '^KESTREL check of lookup file: genes.lookup$' run2.kstl || bad "whole dialogue: no check report"
cmp -s taken.kstl taken.before || bad "an existing output file was changed"

printf 'genes.lookup r1\nR letters c good C C\n' | timeout 20 "$kestrel" > letters.out 2>&1 || bad "status"
grep -qF $'\aPROBLEM READING THE FILE letters.scu.' letters.out || bad "letters: no message"
grep -q '^RSCU file for CAI:          good.scu$' r1.kstl || bad "letters: the good table was not used after C"
printf 'genes.lookup r2\nP nohash q\n' | timeout 20 "$kestrel" > nohash.out 2>&1 || bad "status"
grep -qF 'IT NEEDS A LINE WITH # FOLLOWED BY 64 CODON ENTRIES.' nohash.out || bad "nohash: no message"
[[ "$(cat nohash.out)" == *"KESTREL halted."* ]] || bad "nohash: Q did not halt"
[ -f r2.kstl ] && [ ! -s r2.kstl ] || bad "r2.kstl should stay empty"
exit $fail
