# An existing output name is refused (the file is left as it was); N asks for a new name.
out=$(cat console.out)
want=$'\nName of output file (.kstl suffix added): \aTHE FILE old.kstl MAY ALREADY EXIST.\nTYPE Q <enter> TO QUIT \nOR N <enter> FOR NEW FILENAME.> \nName of output file (.kstl suffix added): '
[[ "$out" == *"$want"* ]] || { echo "output problem dialogue differs"; exit 1; }
[[ "$out" == *$'See file new.kstl for details.\n\aNO ENTRY IN THE LOOKUP TABLE genes.lookup (NO LINE HOLDS #CDS).' ]] || { echo "closing lines"; exit 1; }
