# Empty, garbage, cut or huge-lined lookup tables, impossible coordinates and contigs: no crash or hang, full rows.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../../test_lib.sh"
make_record 3000 60 1 > seq.gb
make_record 2000 60 2 >> seq.gb

analysed() { grep -o 'LOCWRITE started for' "$1.console" | wc -l; }  # OUT: genes that reached the row writer
expect_rows() {  # NAME [STATUS]: run, then one complete row per analysed gene
  run_kestrel "$1.lookup" "$1" "${2:-0}" || { fail=1; return; }
  local n; n=$(analysed "$1")
  [ "$n" -eq 0 ] && { [ ! -s "$1.kstl" ] || bad "$1: output should stay empty"; return; }
  rows_complete "$1.kstl" "$n" min || bad "$1: rows"
}

: > empty.lookup
head -c 20000 /dev/urandom > garbage.lookup
{ entry "201..500" a seq.gb 1 100 50 201 500; entry "601..900" b seq.gb 1 100 50 601 900 | head -4; } > cut.lookup
{ printf '#CDS '; head -c 1000000 /dev/zero | tr '\0' '7'; printf '\n'; head -c 1000000 /dev/zero | tr '\0' 'g'; printf '\n'; } > huge.lookup
entry "201..500" a seq.gb 1 100 50 201 500 | awk 'NR == 5 {printf "#file "; for (i = 0; i < 100000; i++) printf "xxxxxxxxxx"; print ""; next} {print}' >> huge.lookup
{
  entry "0..0" zero seq.gb 1 100 50 0 0
  entry "0..299" zerofirst seq.gb 1 10000000 10000000 0 299
  entry "-50..100" negative seq.gb 1 -20 -20 50 100
  entry "500..201" reversed seq.gb 1 10 10 201 500
  entry "complement(900..601)" reversedrev seq.gb 1 10 10 601 900
  entry "2147483640..2147483647" far seq.gb 1 10000000 10000000 2147483640 2147483647
  entry "4294967296..4294967399" beyond seq.gb 1 100 100 4294967296 4294967399
  entry "201..99999999999" huge seq.gb 1 10000000 10000000 201 99999999999
  entry "201..500" contig0 seq.gb 0 100 50 201 500
  entry "201..500" contig3 seq.gb 3 100 50 201 500
  entry "201..500" contigbig seq.gb 99999999999 100 50 201 500
  entry "101..400" back seq.gb 2 100 50 101 400
  entry "201..500" again seq.gb 1 100 50 201 500
  entry "join(201..300,250..500)" overlap seq.gb 1 100 50 201 500
  entry "nothing here" nopair seq.gb 1 100 50 0 0
} > coords.lookup
# A table without any entry ends the run with status 1 and says so.
for name in empty garbage; do expect_rows "$name" 1; holds "$name.console" $'\aNO ENTRY IN THE LOOKUP TABLE' || bad "$name: no message"; done
for name in cut huge coords; do expect_rows "$name"; done
[ "$(analysed coords)" -eq 15 ] || bad "coords: every entry should be analysed"
holds coords.console $'\a\n Sequence of contig3 not found in seq.gb' || bad "contig 3: no message"
holds coords.console $'\a\n Sequence of contig0 not found in seq.gb' || bad "contig 0: no message"
# An entry after a contig that could not be found is read as in a new file.
entry "201..500" again seq.gb 1 100 50 201 500 > alone.lookup
run_kestrel alone.lookup alone || bad "status"
[ "$(row_of coords.kstl again | cut -c32-)" = "$(row_of alone.kstl again | cut -c32-)" ] || bad "gene after bad contigs differs from the gene alone"
exit $fail
