# A lookup table without "#CDS" lines: nothing analysed, the output file empty, the closing lines count 0 genes
# and a last line says the table holds no entry; the status is 1.
out=$(cat console.out)
want=$'\n Reading Lookup Table\n Allocating memory for stored sequence\n\nKESTREL done.\n0 genes read from file empty.lookup\nSee file run.kstl for details.\n\aNO ENTRY IN THE LOOKUP TABLE empty.lookup (NO LINE HOLDS #CDS).'
[[ "$out" == *"$want" ]] || { echo "closing lines missing"; exit 1; }
[[ "$out" != *"LOCINIT"* ]] || { echo "a gene was analysed"; exit 1; }
