# Q at the problem questions halts at once with "KESTREL halted.", exit status 0.
out=$(cat console.out)
[[ "$out" == *$'OR N <enter> FOR NEW FILENAME.> KESTREL halted.' ]] || { echo "output question: no halt"; exit 1; }
[[ "$out" != *"Reading Lookup Table"* ]] || { echo "the run went on after Q"; exit 1; }
printf 'nope.lookup q\n' | "$KESTREL_BIN_DIR/kestrel" > second.out || exit 1
[[ "$(cat second.out)" == *$'OR TYPE C <enter> TO CONTINUE.> KESTREL halted.' ]] || { echo "lookup question: no halt"; exit 1; }
