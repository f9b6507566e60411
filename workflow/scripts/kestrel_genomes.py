#!/usr/bin/env python3
"""Finds the genomes of a folder: the GenBank files (.gb, .gbk, .gbff, each possibly
gzipped), named after the file without its suffixes.

The workflow imports it to plan its jobs, and its table job runs it to list the output
files, since thousands of names do not fit on one command line.

usage: kestrel_genomes.py FOLDER    prints NAME.kstl for every genome, one per line
"""
import os
import re
import sys

GENBANK = re.compile(r"^(?P<name>[^/]+)\.(gb|gbk|gbff)(\.gz)?$")


class GenomeFolderError(ValueError):
    pass


def find_genomes(folder):
    """Genome name -> path of its file, in name order."""
    found = {}
    if not os.path.isdir(folder):
        raise GenomeFolderError(f"genomes folder {folder!r} does not exist (set it with --config genomes=DIR)")
    for entry in sorted(os.listdir(folder)):
        match = GENBANK.match(entry)
        if not match:
            continue
        name = match.group("name")
        if "\n" in name or "\t" in name:
            raise GenomeFolderError(f"the genome file name {entry!r} holds a line break or a tab")
        if name in found:
            raise GenomeFolderError(f"two genome files are both named {name!r}: {found[name]} and {entry}")
        found[name] = os.path.join(folder, entry)
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    try:
        names = find_genomes(argv[1])
    except GenomeFolderError as error:
        print(f"kestrel_genomes.py: {error}", file=sys.stderr)
        return 1
    sys.stdout.writelines(f"{name}.kstl\n" for name in names)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
