# Input that ends at a prompt or question: "END OF INPUT.", the halt, status 1, never a loop on the closed input.
end=$'\a\nEND OF INPUT.\nKESTREL halted.'
[[ "$(cat console.out)" == *"$end" ]] || { echo "lookup prompt"; exit 1; }
for answers in 'nope.lookup' 'genes.lookup' 'genes.lookup taken' 'genes.lookup taken n'; do
  printf '%s' "$answers" | timeout 10 "$KESTREL_BIN_DIR/kestrel" > again.out
  [ $? = 1 ] || { echo "status for: $answers"; exit 1; }
  [[ "$(cat again.out)" == *"$end" ]] || { echo "no end-of-input halt for: $answers"; exit 1; }
done
