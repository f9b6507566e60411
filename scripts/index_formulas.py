#!/usr/bin/python3
"""Recomputes ENCprime and Nc_Sun of a kestrel-table --indices table from its codon
counts, and measures how far two published alternatives lie from KESTREL's values.

  scripts/index_formulas.py TABLE.tsv SUMMARY.tsv [--background flanks|genome]

TABLE.tsv and SUMMARY.tsv are what `kestrel-table --indices -o TABLE.tsv --summary
SUMMARY.tsv FILE.kstl...` writes (the summary gives each file's genetic code); give the
--background the table was made with. Per file it prints:

  ENCprime  KESTREL's rule recomputed here (amino acids seen twice with F' > 0, class
            means weighted by n and bounded below by 1/k, a missing three-codon class
            taken as (F2 + F4)/2, no value for a class 2, 4 or 6 without such an amino
            acid): genes that disagree with the table at its printed precision; the
            largest value against the code's sense codons; the genes with ENCprime NA
            where ENC is a number, by reason.
  Novembre  his program's Nc': amino acids seen more than 5 times, every F' (even
            negative) in an unweighted class mean, the mean bounded below by 1/k, a class
            without such an amino acid taken as unbiased (1/k): median and largest
            difference from KESTREL's ENCprime.
  Nc_Sun    KESTREL's (families weighted by their codons n, an absent class F = 1/m)
            recomputed; the peers' weighting by n + m (the pseudocounts included):
            median and largest difference.
  GC12      genes whose GC12 differs from (GC1 + GC2)/2 of the codon counts at the
            printed precision.

Exit status 1 when KESTREL's own values are not reproduced (ENCprime, Nc_Sun or GC12)
or an ENCprime exceeds the code's number of sense codons. Run with /usr/bin/python3
(Biopython's codon tables).
"""

import argparse
import csv
import statistics
import sys
from collections import defaultdict

from Bio.Data import CodonTable

BASES = "AGCT"
FLANK_GROUPS = [("UpBases", "_up"), ("DnBases", "_dn"), ("FlBases", "_fl"), ("NCBases", "_nc")]
NONCODING_GROUPS = FLANK_GROUPS + [("CoBases", "_co")]
MINIMUM_FLANK_BASES = 200


def code_families(number):
    """Amino acid -> its codons under NCBI code number, stops left out."""
    table = CodonTable.unambiguous_dna_by_id[number]
    families = defaultdict(list)
    for codon, amino_acid in table.forward_table.items():
        families[amino_acid].append(codon)
    return dict(families)


def number(text):
    try:
        return float(text)
    except ValueError:
        return None


def group_bases(row, groups):
    """(A, G, C, T) rebuilt from the groups' fractions or GC, and their summed base counts."""
    bases, counted, any_group = [0.0] * 4, 0.0, False
    for count_label, suffix in groups:
        n = number(row.get(count_label, "NA"))
        if not n or n <= 0:
            continue
        labels = ["A fl" if suffix == "_fl" and b == "A" else b + suffix for b in BASES]
        fractions = [number(row.get(label, "NA")) for label in labels]
        if None in fractions:
            gc = number(row.get("GC" + suffix, "NA"))
            if gc is None:
                continue
            fractions = [(1 - gc) / 2, gc / 2, gc / 2, (1 - gc) / 2]
        any_group = True
        counted += n
        for b in range(4):
            bases[b] += n * fractions[b]
    return (bases, counted) if any_group else None


def frequencies(bases):
    total = sum(bases)
    return [b / total for b in bases]


def expected_shares(background, codons):
    product = [background[BASES.index(c[0])] * background[BASES.index(c[1])] * background[BASES.index(c[2])]
               for c in codons]
    total = sum(product)
    return [p / total for p in product]


def f_prime(counts, expected):
    n = sum(counts)
    chi2 = sum(n * (c / n - e) ** 2 / e for c, e in zip(counts, expected))
    k = len(counts)
    return (chi2 + n - k) / (k * (n - 1))


def classes_of(families):
    sizes = defaultdict(list)
    for amino_acid, codons in families.items():
        sizes[len(codons)].append(amino_acid)
    return sizes


def kestrel_enc_prime(counts, background, families):
    """KESTREL's ENCprime, or (None, reason)."""
    codons, weighted = defaultdict(float), defaultdict(float)
    for amino_acid, family in families.items():
        n = sum(counts[c] for c in family)
        if len(family) < 2 or n < 2:
            continue
        expected = expected_shares(background, family)
        if min(expected) <= 0:
            return None, "the background lacks a base that a codon needs"
        f = f_prime([counts[c] for c in family], expected)
        if f > 0:
            codons[len(family)] += n
            weighted[len(family)] += n * f
    mean = {k: weighted[k] / codons[k] for k in codons}
    sizes = classes_of(families)
    if 3 in sizes and 3 not in mean and 2 in mean and 4 in mean:
        mean[3] = (mean[2] + mean[4]) / 2
    enc = len(sizes.get(1, []))
    for k, amino_acids in sizes.items():
        if k < 2:
            continue
        if k not in mean:
            return None, f"no amino acid of the {k}-codon class seen twice with F' > 0"
        enc += len(amino_acids) / max(mean[k], 1 / k)
    return enc, None


def novembre_enc_prime(counts, background, families):
    sizes = classes_of(families)
    enc = 0.0
    f_by_size = defaultdict(list)
    for amino_acid, family in families.items():
        n = sum(counts[c] for c in family)
        if len(family) >= 2 and n > 5:
            f_by_size[len(family)].append(f_prime([counts[c] for c in family], expected_shares(background, family)))
    for k, amino_acids in sizes.items():
        if k == 1:
            enc += len(amino_acids)
            continue
        if f_by_size[k]:
            mean = statistics.fmean(f_by_size[k])
        elif k == 3 and f_by_size[2] and f_by_size[4]:
            mean = (statistics.fmean(f_by_size[2]) + statistics.fmean(f_by_size[4])) / 2
        else:
            mean = 1 / k
        enc += len(amino_acids) / max(mean, 1 / k)
    return enc


def sun_nc(counts, families, peers):
    """Sun, Yang and Xia's Nc with families split by the first two bases; weighted by n
    (KESTREL) or by n + m (peers)."""
    weight, weighted, members = defaultdict(float), defaultdict(float), defaultdict(int)
    synonymous = 0
    for amino_acid, codons in families.items():
        if len(codons) > 1:
            synonymous += sum(counts[c] for c in codons)
        for prefix in sorted({c[:2] for c in codons}):
            part = [c for c in codons if c[:2] == prefix]
            m, n = len(part), sum(counts[c] for c in part)
            f = sum(((counts[c] + 1) / (n + m)) ** 2 for c in part)
            w = n + m if peers else n
            members[m] += 1
            weight[m] += w
            weighted[m] += w * f
    if synonymous == 0 and not peers:
        return None
    return sum(members[m] / (weighted[m] / weight[m] if weight[m] > 0 else 1 / m) for m in members)


def printed(value):
    return "NA" if value is None else f"{value:.4f}"


def spread(differences):
    if not differences:
        return "no gene"
    gene, largest = max(differences, key=lambda d: abs(d[1]))
    middle = statistics.median(abs(d) for _, d in differences)
    return f"{len(differences)} genes, median |difference| {middle:.4f}, largest {largest:+.4f} ({gene})"


def check_file(source, rows, code, genome_background, genome_only):
    families = code_families(code)
    sense = sum(len(c) for c in families.values())
    encp_wrong, sun_wrong, gc12_wrong = [], [], []
    novembre, peers = [], []
    na_reasons = defaultdict(list)
    largest = None
    for row in rows:
        counts = {label[2:5]: int(value) for label, value in row.items() if label.startswith("N_") and len(label) == 7}
        background = genome_background
        if not genome_only:
            own = group_bases(row, FLANK_GROUPS)
            if own and own[1] >= MINIMUM_FLANK_BASES:
                background = frequencies(own[0])
        table_encp = number(row["ENCprime"])
        if background is None:
            value, reason = None, "no noncoding bases in the file"
        else:
            value, reason = kestrel_enc_prime(counts, background, families)
        if printed(value) != row["ENCprime"]:
            encp_wrong.append(row["Gene"])
        if table_encp is not None:
            largest = max(largest or table_encp, table_encp)
            novembre.append((row["Gene"], novembre_enc_prime(counts, background, families) - table_encp))
        elif number(row["ENC"]) is not None:
            na_reasons[reason].append(row["Gene"])
        if printed(sun_nc(counts, families, False)) != row["Nc_Sun"]:
            sun_wrong.append(row["Gene"])
        if number(row["Nc_Sun"]) is not None:
            peers.append((row["Gene"], sun_nc(counts, families, True) - number(row["Nc_Sun"])))
        total = sum(counts.values())
        gc = sum(n * ((c[0] in "GC") + (c[1] in "GC")) for c, n in counts.items())
        if printed(gc / (2 * total) if total else None) != row["GC12"]:
            gc12_wrong.append(row["Gene"])
    print(f"{source}: {len(rows)} genes, genetic code {code} ({sense} sense codons)")
    print(f"  ENCprime recomputed: {len(rows) - len(encp_wrong)} agree, {len(encp_wrong)} differ {encp_wrong[:5]}")
    print(f"  ENCprime largest {printed(largest)} (bound {sense})")
    for reason, genes in na_reasons.items():
        print(f"  ENCprime NA where ENC is a number, {reason}: {len(genes)} {genes[:8]}")
    print(f"  Novembre's program against ENCprime: {spread(novembre)}")
    print(f"  Nc_Sun recomputed: {len(rows) - len(sun_wrong)} agree, {len(sun_wrong)} differ {sun_wrong[:5]}")
    print(f"  Nc_Sun weighted by n + m against by n: {spread(peers)}")
    print(f"  GC12 from the codon counts: {len(gc12_wrong)} differ {gc12_wrong[:5]}")
    return not (encp_wrong or sun_wrong or gc12_wrong or (largest is not None and largest > sense))


def genome_backgrounds(rows_by_source):
    backgrounds = {}
    for source, rows in rows_by_source.items():
        total = [0.0] * 4
        for row in rows:
            bases = group_bases(row, NONCODING_GROUPS)
            if bases:
                total = [t + b for t, b in zip(total, bases[0])]
        backgrounds[source] = frequencies(total) if sum(total) > 0 else None
    return backgrounds


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("table")
    parser.add_argument("summary")
    parser.add_argument("--background", choices=["flanks", "genome"], default="flanks")
    args = parser.parse_args()
    genome_only = args.background == "genome"
    with open(args.summary, newline="") as f:
        codes = {row["source"]: int(row["genetic_code"]) for row in csv.DictReader(f, delimiter="\t")}
    rows_by_source = defaultdict(list)
    with open(args.table, newline="") as f:
        for row in csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE):
            rows_by_source[row["source"]].append(row)
    backgrounds = genome_backgrounds(rows_by_source)
    good = True
    for source, rows in rows_by_source.items():
        good = check_file(source, rows, codes[source], backgrounds[source], genome_only) and good
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main())
