# An entry with '<' in its CDS line is skipped with one console line and no row; the next gene reads as alone.
out=$(cat console.out)
[[ "$out" == *$'\n Analysis of exaF skipped: incomplete CDS\n LOCINIT started for exaG'* ]] || { echo "skip line"; exit 1; }
[[ "$out" != *"LOCINIT started for exaF"* ]] || { echo "exaF analysed"; exit 1; }
[[ "$out" == *"3 genes read from file three.lookup"* ]] || { echo "count line"; exit 1; }
grep -q '^exaF ' run.kstl && { echo "exaF has a row"; exit 1; }
[ "$(grep -c '^exa[AG] ' run.kstl)" = 2 ] || { echo "rows of exaA and exaG"; exit 1; }
grep -q '^Number of Genes in Cumulative Counts: ' run.kstl || { echo "summary missing"; exit 1; }
printf 'alone.lookup alone\nC\nC\n' | "$KESTREL_BIN_DIR/kestrel" > alone.out || exit 1
cmp -s <(grep '^exaG ' run.kstl) <(grep '^exaG ' alone.kstl) || { echo "exaG differs when read after a skipped entry"; exit 1; }
