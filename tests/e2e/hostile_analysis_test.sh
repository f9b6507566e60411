#!/usr/bin/env bash
# The analysis against hostile inputs and faults: FIFOs, devices and pipes where files belong, lines without
# end, huge and random files, names with control characters, an output file swapped for a link, a closed
# console, a full disk (a file-size limit) and a signal mid-run. Nothing may hang, grow past 64 MiB or write astray.
# Usage: bash hostile_analysis_test.sh BIN_DIR WORK_DIR
set -u
. "$(dirname "$0")/../test_lib.sh" --work "$@"
# answer NAME WORDS...: a run on these answers within 30 s and 64 MiB, ended with status 0 (done, or quit) or
# 1 (a fault said); console in NAME.out.
answer() {
  printf '%s\n' "${@:2}" | timed "$1" timeout 30 "$kestrel" > "$1.out" 2>&1
  local status=$?
  [ $status -le 1 ] || bad "$1: status $status (time-out or crash)"
  small "$1"
}
# refuses NAME TEXT WORDS...: the run on these answers shows the text.
refuses() { local name=$1 text=$2; shift 2; answer "$name" "$@"; shows "$name" "$text"; }

make_record 3000 60 1 > seq.gb
entry "201..500" g seq.gb 1 100 50 201 500 > genes.lookup
awk 'BEGIN {print "#"; for (e = 0; e < 64; e++) print "AAA K " e % 2}' > ref.opt
mkfifo fifo fifo.opt && ln -s fifo to-fifo && ln -s /dev/zero zero.opt && mkdir folder
not_regular="IT IS NOT A REGULAR FILE"

# --- What is not a regular file is refused at its prompt, without waiting on it.
for lookup in fifo to-fifo /dev/zero /dev/urandom /dev/stdin folder; do
  refuses "lookup-${lookup//\//_}" "$not_regular" "$lookup" q
done
# A pipe is read once: offered as the lookup table it would give blank rows.
printf '%s\n' "/dev/fd/9" out q | timeout 30 "$kestrel" 9< <(cat genes.lookup) > pipe.out 2>&1 || bad "pipe: status $?"
shows pipe "$not_regular"
for prefix in fifo zero; do refuses "ref-$prefix" "$not_regular" genes.lookup "ref-$prefix" P "$prefix" q; done
# ... and at the gene, where the sequence file is read: the run goes on.
{ entry "201..500" a fifo 1 100 50 201 500; entry "201..500" b /dev/urandom 1 100 50 201 500
  entry "201..500" c seq.gb 1 100 50 201 500; } > odd-files.lookup
answer odd-files odd-files.lookup odd-files C C
shows odd-files $'\a\n Sequence of a not read: fifo is not a regular file'
shows odd-files $'\a\n Sequence of b not read: /dev/urandom is not a regular file'
rows_complete odd-files.kstl 3 || bad "odd-files: rows"

# --- Names with a control character are refused like names that cannot be used.
refuses ctl-lookup "ITS NAME HOLDS A CONTROL CHARACTER." $'genes.lookup\x01' q
refuses ctl-ref $'\aPROBLEM OPENING THE FILE ref?[2J.scu.\nITS NAME HOLDS A CONTROL CHARACTER.' genes.lookup ctl-ref R $'ref\e[2J' q
printf 'genes\0x\nq\n' | timeout 30 "$kestrel" > ctl-nul.out 2>&1
shows ctl-nul "PROBLEM OPENING THE FILE genes?x."
printf 'genes.lookup\nab\0cd\nq\n' | timeout 30 "$kestrel" > ctl-output.out 2>&1
shows ctl-output $'\aTHE NAME ab?cd.kstl HOLDS A CONTROL CHARACTER.'
[ -e ab ] || [ -e ab.kstl ] && bad "a name with a NUL byte created a file"

# --- Console input that is no dialogue ends with a message, in bounded memory.
timed zero timeout 30 "$kestrel" < /dev/zero > zero.out 2>&1
[ $? = 1 ] || bad "stdin /dev/zero: status not 1"
shows zero "INPUT WORD LONGER THAN 499 CHARACTERS"
small zero
timeout 30 "$kestrel" < /dev/urandom > random.out 2>&1
[ $? -le 1 ] || bad "stdin /dev/urandom: time-out or crash"
shows random "KESTREL halted."

# --- Lines without end and huge files: bounded memory, time linear in the size.
{ printf '#CDS '; head -c 50000000 /dev/zero | tr '\0' '7'; } > huge-line.lookup
refuses huge-line "skipped: a line of its entry is longer than 9999 characters" huge-line.lookup huge-line C C
truncate -s 1G sparse.bin
refuses sparse-lookup "0 genes read from file sparse.bin" sparse.bin sparse-lookup C C
entry "201..500" s sparse.bin 1 100 50 201 500 > sparse.lookup
refuses sparse-seq "Sequence of s not found in sparse.bin" sparse.lookup sparse-seq C C
head -c 20000000 /dev/urandom > random.bin
answer random-lookup random.bin random-lookup C C
entry "201..500" r random.bin 1 100 50 201 500 > random.lookup
answer random-seq random.lookup random-seq C C
{ echo ORIGIN; printf '        1 '; head -c 20000000 /dev/zero | tr '\0' 'a'; echo; echo //; } > one-line.gb
entry "201..500" o one-line.gb 1 100 50 201 500 > one-line.lookup
refuses one-line "Sequence of o not read: a line of one-line.gb longer than 9999 characters" one-line.lookup one-line C C
# A gene whose flank reaches such a line is read up to it.
{ make_record 600 60 3 | grep -v '^//'; printf '      601 '; head -c 20000 /dev/zero | tr '\0' 'a'; echo; echo //; } > cut-line.gb
entry "1..300" c cut-line.gb 1 0 10000000 1 300 > cut-line.lookup
refuses cut-line "Sequence of c read only up to a line of cut-line.gb longer than 9999 characters" cut-line.lookup cut-line C C
# Lines of 9999 letters and genes 8 Mb apart: the window may not grow with the line length.
awk 'BEGIN {print "ORIGIN"; s = ""; for (i = 0; i < 2499; i++) s = s "acgt"; s = s "acg"
            for (i = 0; i < 3000; i++) print "1 " s; print "//"}' > wide.gb
{ entry "1..8000000" w1 wide.gb 1 100 50 1 8000000; entry "201..500" w2 wide.gb 1 100 50 201 500; } > wide.lookup
answer wide wide.lookup wide C C
complete wide.kstl
awk 'BEGIN {for (i = 0; i < 2000000; i++) print "ORIGIN"}' > origins.gb
entry "201..500" far origins.gb 2000000000 100 50 201 500 > origins.lookup
refuses origins "Sequence of far not found in origins.gb" origins.lookup origins C C

# --- Files swapped after their prompts: a link for the output is never followed, a FIFO for the lookup never waited on.
between() {  # NAME FIRST REST ACTION: answers FIRST, ACTION once NAME.kstl exists, answers REST
  rm -f answers-pipe && mkfifo answers-pipe
  timeout 30 "$kestrel" < answers-pipe > "$1.out" 2>&1 &
  local pid=$!
  exec 8> answers-pipe
  printf "$2" >&8
  for _ in $(seq 100); do [ -e "$1.kstl" ] && break; sleep 0.1; done
  eval "$4"
  printf "$3" >&8
  exec 8>&-
  wait $pid
  local status=$?
  [ $status -le 1 ] || bad "$1: status $status"
}
between swap 'genes.lookup\nswap\n' 'C\nC\n' 'echo "keep me" > victim; mv swap.kstl swap-moved.kstl; ln -s victim swap.kstl'
[ "$(cat victim)" = "keep me" ] && [ -L swap.kstl ] || bad "the swapped-in link was followed"
complete swap-moved.kstl
cp genes.lookup gone.lookup
between gone 'gone.lookup\ngone\n' 'C\nC\n' 'rm gone.lookup && mkfifo gone.lookup'
shows gone "$not_regular"
ln -s nowhere dangling.kstl
answer dangling genes.lookup dangling q
[ -e nowhere ] && bad "the output prompt created a file through a dangling link"

# --- A console that cannot be written does not stop the run.
printf '%s\n' genes.lookup head C C | timeout 30 "$kestrel" | head -1 > /dev/null
complete head.kstl
printf '%s\n' genes.lookup closed C C | timeout 30 "$kestrel" >&- 2>&-
complete closed.kstl

# --- A full disk (a file-size limit): the run halts with the problem on a line of its own.
for i in $(seq 40); do entry "201..500" "gene$i" seq.gb 1 100 50 201 500; done > many.lookup
# The console goes through a pipe, out of reach of the limit.
(ulimit -f 8 && printf '%s\n' many.lookup full C C | timeout 30 "$kestrel") 2>&1 | cat > full.out
grep -qaxF $'\aPROBLEM WRITING THE FILE full.kstl.' full.out || bad "full disk: no message on a line of its own"
shows full "KESTREL halted."

# --- A signal mid-run leaves a file without its summary, which the tools refuse.
for i in $(seq 3000); do entry "201..500" "gene$i" seq.gb 1 100 50 201 500; done > long.lookup
# The console is a pipe that nobody reads: the run stops writing to it once it is full.
{ printf '%s\n' long.lookup killed C C | "$kestrel" & echo $! > killed.pid; wait; } | sleep 60 &
reader=$!
for _ in $(seq 100); do grep -q '^gene' killed.kstl 2> /dev/null && break; sleep 0.1; done
kill -TERM "$(cat killed.pid)"
for _ in $(seq 100); do kill -0 "$(cat killed.pid)" 2> /dev/null || break; sleep 0.05; done
kill "$reader" 2> /dev/null
wait "$reader" 2> /dev/null
grep -q '^gene1 ' killed.kstl || bad "killed: no row written before the signal"
"$KESTREL_BIN_DIR/kestrel-table" killed.kstl > /dev/null 2> killed-table.err && bad "a file cut short was tabulated"
grep -q "killed.kstl: ends before its end-of-run summary" killed-table.err || bad "table: $(cat killed-table.err)"

exit $fail
