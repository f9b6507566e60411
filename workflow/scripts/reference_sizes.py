#!/usr/bin/env python3
"""Adds the size of each genome's own reference set to the genome table.

usage: reference_sizes.py GENOMES.tsv REFERENCE_FOLDER

GENOMES.tsv is kestrel-table's summary, one row per output file NAME.kstl; the column
reference_genes gains the number of genes of REFERENCE_FOLDER/NAME.reference.tsv (the
reference its analysis used), or NA when it used none of its own.
"""
import os
import sys

from kestrel_batches import write_whole


def set_size(path):
    try:
        with open(path) as table:
            return str(sum(1 for line in table if line.startswith("gene\t")))
    except FileNotFoundError:
        return "NA"


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[1]) as f:
        lines = f.read().splitlines()
    rows = [lines[0] + "\treference_genes"]
    for line in lines[1:]:
        name = line.split("\t", 1)[0]
        name = name[:-len(".kstl")] if name.endswith(".kstl") else name
        rows.append(line + "\t" + set_size(os.path.join(argv[2], name + ".reference.tsv")))
    write_whole(argv[1], "".join(row + "\n" for row in rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
