# A lookup name that does not exist: the four-line message, answers but C or Q ignored, C asks again.
out=$(cat console.out)
want=$'Name of input file (lookup table): \aPROBLEM OPENING THE FILE nope.lookup.\nTHE FILE MAY NOT EXIST.\nTYPE Q <enter> TO QUIT\nOR TYPE C <enter> TO CONTINUE.> \n\nName of input file (lookup table): \nName of output file (.kstl suffix added): '
[[ "$out" == *"$want"* ]] || { echo "lookup problem dialogue differs"; exit 1; }
[[ "$out" == *$'0 genes read from file genes.lookup\nSee file out.kstl for details.\n\aNO ENTRY IN THE LOOKUP TABLE genes.lookup (NO LINE HOLDS #CDS).' ]] || { echo "closing lines"; exit 1; }
[ -f out.kstl ] && [ ! -s out.kstl ] || { echo "out.kstl should exist, empty"; exit 1; }
