"""Finds the genomes of a folder: the GenBank files (.gb, .gbk, .gbff, each possibly
gzipped), named after the file without its suffixes. The workflow plans one set of jobs
per genome and lists their output files, one name per line, for the table job.
"""
import os
import re

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
        # A name goes on a line of the table's list and into the table's tab-separated rows.
        if "\n" in name or "\t" in name:
            raise GenomeFolderError(f"the genome file name {entry!r} holds a line break or a tab")
        if name in found:
            raise GenomeFolderError(f"two genome files are both named {name!r}: {found[name]} and {entry}")
        found[name] = os.path.join(folder, entry)
    return found
