#!/usr/bin/python3
"""Checks the NCBI translation tables of src/analysis/ncbi_tables.hpp against Biopython's
(Bio.Data.CodonTable): for every table its amino acid of each codon, its stop codons and its
initiation codons, and that Biopython has no table the file lacks.

Table 1 is expected to differ in its initiation codons only: the analysis reads a
prokaryote's genes under the standard code with the seven of table 11.

Run with /usr/bin/python3 (Biopython). Exit status 0 when every table agrees.
"""
import re
import sys
from pathlib import Path

from Bio.Data import CodonTable

ROOT = Path(__file__).resolve().parent.parent
NCBI_ORDER = [a + b + c for a in "TCAG" for b in "TCAG" for c in "TCAG"]
ENTRY = re.compile(r'\{(\d+), "([^"]*)",\s*"([A-Z*]{64})",\s*"([-M*]{64})"\}')
# The one difference kept on purpose (see the comment on table 1 in the file).
STANDARD_STARTS = {"ATG", "GTG", "CTG", "TTG", "ATA", "ATC", "ATT"}


def tables_of_file():
    text = (ROOT / "src" / "analysis" / "ncbi_tables.hpp").read_text()
    return {int(n): (name, aas, starts) for n, name, aas, starts in ENTRY.findall(text)}


def problems_of(number, aas, starts):
    table = CodonTable.unambiguous_dna_by_id[number]
    problems = []
    for codon, aa, start in zip(NCBI_ORDER, aas, starts):
        sense = table.forward_table.get(codon, "*")
        if aa != sense:
            problems.append(f"{codon} reads {aa}, Biopython {sense}")
        if (aa == "*" or start == "*") != (codon in table.stop_codons):
            problems.append(f"{codon} stop: {aa == '*' or start == '*'}, Biopython {codon in table.stop_codons}")
    mine = {codon for codon, start in zip(NCBI_ORDER, starts) if start == "M"}
    expected = STANDARD_STARTS if number == 1 else set(table.start_codons)
    if mine != expected:
        problems.append(f"initiation codons {sorted(mine)}, expected {sorted(expected)}")
    return problems


def main():
    mine = tables_of_file()
    theirs = set(CodonTable.unambiguous_dna_by_id)
    failed = False
    for number in sorted(set(mine) | theirs):
        if number not in mine or number not in theirs:
            print(f"table {number}: {'only in Biopython' if number in theirs else 'unknown to Biopython'}")
            failed = True
            continue
        name, aas, starts = mine[number]
        problems = problems_of(number, aas, starts)
        print(f"table {number:2d} ({name}): {'; '.join(problems) if problems else 'agrees'}")
        failed |= bool(problems)
    print(f"{len(mine)} tables checked: {'a difference' if failed else 'all agree with Biopython'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
