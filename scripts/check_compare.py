#!/usr/bin/python3
"""Checks kestrel-compare against scipy on E. coli K-12 MG1655.

Builds the genome's files as a user does (kestrel-lookup, kestrel-reference, kestrel with
its .scu and .opt), then compares the reference set of kestrel-reference (the ribosomal-
protein genes) with the other genes and checks, from the genes' codon counts:

  per codon       the odds ratio and p of scipy.stats.fisher_exact (two-sided) on the same
                  2x2 table, p within 1e-10 relative; a codon not tested is one whose table
                  has an empty row or column (scipy: p 1, odds ratio NaN)
  q               a Benjamini-Hochberg correction of the printed p, computed here
  per amino acid  scipy.stats.chi2_contingency without continuity correction
  overall         the distance, re-computed here, and the permutation p, re-computed with a
                  Python mt19937_64 drawing genes the way the manual describes: equal
  reproducible    the same seed gives the same table; a random set of 200 genes against the
                  rest gives its p with seeds 1 and 2, each equal to the re-computation
  itself          the genome against a copy of its own output file: every q is 1

Skips with status 0 when the genome or scipy is missing; status 1 when a check fails.
Run with /usr/bin/python3 after building KESTREL.
"""

import argparse
import csv
import random
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BASES = "AGCT"  # KESTREL's base order: CodonIndex = 16 b1 + 4 b2 + b3
AMINO_ACIDS = "ARNDCEQGHILKMFPSTWYV"  # KESTREL's order of the amino acids
STANDARD = dict(zip((a + b + c for a in "TCAG" for b in "TCAG" for c in "TCAG"),
                    "FFLLSSSSYY**CC*WLLLLPPPPHHQQRRRRIIIMTTTTNNKKSSRRVVVVAAAADDEEGGGG"))
RELATIVE = 1e-10


def codon_index(codon):
    return 16 * BASES.index(codon[0]) + 4 * BASES.index(codon[1]) + BASES.index(codon[2])


NAMES = ["Ala", "Arg", "Asn", "Asp", "Cys", "Glu", "Gln", "Gly", "His", "Ile", "Leu", "Lys", "Met", "Phe", "Pro",
         "Ser", "Thr", "Trp", "Tyr", "Val"]
CODONS = sorted(STANDARD, key=codon_index)  # by CodonIndex
# The codons of each amino acid with more than one, by its name, in KESTREL's order.
FAMILY = {name: [c for c in CODONS if STANDARD[c] == aa] for name, aa in zip(NAMES, AMINO_ACIDS)}
FAMILY = {name: codons for name, codons in FAMILY.items() if len(codons) > 1}
FAMILIES = list(FAMILY.values())


class Mt19937_64:
    """The 64-bit Mersenne Twister of the C++ standard (std::mt19937_64)."""

    N, M, MASK = 312, 156, (1 << 64) - 1

    def __init__(self, seed):
        self.state = [seed & self.MASK]
        for i in range(1, self.N):
            previous = self.state[-1]
            self.state.append((6364136223846793005 * (previous ^ (previous >> 62)) + i) & self.MASK)
        self.index = self.N

    def __call__(self):
        if self.index >= self.N:
            s = self.state
            for i in range(self.N):
                x = (s[i] & 0xFFFFFFFF80000000) | (s[(i + 1) % self.N] & 0x7FFFFFFF)
                s[i] = s[(i + self.M) % self.N] ^ (x >> 1) ^ (0xB5026F5AA96619E9 if x & 1 else 0)
            self.index = 0
        y = self.state[self.index]
        self.index += 1
        y ^= (y >> 29) & 0x5555555555555555
        y ^= (y << 17) & 0x71D67FFFEDA60000
        y ^= (y << 37) & 0xFFF7EEE000000000
        return (y ^ (y >> 43)) & self.MASK

    def below(self, n):
        """A number of the generator, redrawn while below 2^64 mod n, modulo n."""
        threshold = (1 << 64) % n
        while True:
            x = self()
            if x >= threshold:
                return x % n


def distance(first, second):
    """As KESTREL sums it, operation for operation, so that ties come out alike."""
    weighted = weights = 0.0
    for family in FAMILIES:
        n1, n2 = sum(first[c] for c in family), sum(second[c] for c in family)
        if n1 == 0 or n2 == 0:
            continue
        difference = 0.0
        for c in sorted(family, key=codon_index):
            difference += abs(first[c] / n1 - second[c] / n2)
        weight = float(n1 + n2)
        weighted += weight * difference / 2
        weights += weight
    return weighted / weights if weights else None


def permutation_p(first, second, permutations, seed):
    pool = first + second
    total = {c: sum(g[c] for g in pool) for c in CODONS}
    observed = distance(sum_genes(first), sum_genes(second))
    drawn, order, generator, at_least = min(len(first), len(second)), list(range(len(pool))), Mt19937_64(seed), 0
    for _ in range(permutations):
        for i in range(drawn):
            j = i + generator.below(len(pool) - i)
            order[i], order[j] = order[j], order[i]
        chosen = sum_genes(pool[k] for k in order[:drawn])
        d = distance(chosen, {c: total[c] - chosen[c] for c in CODONS})
        at_least += d is not None and d >= observed
    return (at_least + 1) / (permutations + 1)


def sum_genes(genes):
    total = dict.fromkeys(CODONS, 0)
    for gene in genes:
        for c in CODONS:
            total[c] += gene[c]
    return total


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, check=True, capture_output=True, text=True)


def read_tsv(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def reference_names(path):
    names = set()
    for row in read_tsv(path):
        if row["kind"] == "gene":
            names.update(v for v in (row["locus_tag"], row["gene"], row["protein_id"]) if v)
    return names


def relative(a, b):
    return 0.0 if a == b else abs(a - b) / max(abs(a), abs(b))


class Checks:
    def __init__(self):
        self.failures = 0

    def expect(self, ok, message):
        if not ok:
            self.failures += 1
            print(f"FAIL: {message}")


def check_table(rows, first, second, checks):
    """Every codon against scipy, q against a BH correction, every amino acid against chi2_contingency."""
    from scipy.stats import chi2_contingency, fisher_exact
    sums = sum_genes(first), sum_genes(second)
    family_of = {c: f for f in FAMILIES for c in f}
    worst, tested = 0.0, []
    for row in (r for r in rows if r["kind"] == "codon"):
        c = row["codon"]
        a, cc = sums[0][c], sums[1][c]
        n1, n2 = (sum(s[x] for x in family_of[c]) for s in sums)
        checks.expect((int(row["count_a"]), int(row["count_b"])) == (a, cc), f"{c}: counts")
        odds, p = fisher_exact([[a, n1 - a], [cc, n2 - cc]])
        if row["p"] == "NA":
            checks.expect(p == 1.0 and odds != odds, f"{c}: not tested, scipy gives p {p}")
            continue
        mine = float(row["p"])
        worst = max(worst, relative(mine, p))
        checks.expect(relative(mine, p) <= RELATIVE, f"{c}: p {mine}, scipy {p}")
        mine_odds = float(row["odds_ratio"])
        checks.expect(relative(mine_odds, odds) <= 1e-7, f"{c}: odds ratio {mine_odds}, scipy {odds}")
        tested.append((mine, float(row["q"]), c))
    m = len(tested)
    ranked = sorted(range(m), key=lambda i: tested[i][0])
    q, least = [0.0] * m, 1.0
    for rank in range(m, 0, -1):
        i = ranked[rank - 1]
        least = min(least, tested[i][0] * m / rank)
        q[i] = least
    worst_q = max((relative(q[i], tested[i][1]) for i in range(m)), default=0.0)
    checks.expect(worst_q <= RELATIVE, f"q differs from the BH correction by {worst_q:.3g} relative")
    worst_chi = 0.0
    for row in (r for r in rows if r["kind"] == "amino_acid"):
        name = row["amino_acid"]
        table = [[s[c] for c in FAMILY[name] if sums[0][c] + sums[1][c]] for s in sums]
        if row["p"] == "NA":
            checks.expect(min(map(sum, table)) == 0 or len(table[0]) < 2, f"{name}: not tested")
            continue
        statistic, p, df, _ = chi2_contingency(table, correction=False)
        worst_chi = max(worst_chi, relative(float(row["p"]), p))
        checks.expect(abs(float(row["chi2"]) - statistic) <= 5e-5 and int(row["df"]) == df,
                      f"{name}: chi2 {row['chi2']} with {row['df']} df, scipy {statistic} with {df}")
    checks.expect(worst_chi <= 1e-8, f"chi-square p differs from scipy by {worst_chi:.3g} relative")
    return m, worst, worst_q, worst_chi


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--data", type=Path, default=ROOT.parent / "shared" / "data")
    parser.add_argument("--bin", type=Path, default=ROOT / "build", help="folder of the built programs")
    parser.add_argument("--work", type=Path, help="keep the work files here (default: a temporary folder)")
    args = parser.parse_args()
    genome = args.data / "ecoli_k12_mg1655.gbff.gz"
    if not genome.exists():
        print(f"check_compare: skipped, no {genome}")
        return 0
    try:
        import scipy.stats  # noqa: F401
    except ImportError:
        print("check_compare: skipped, scipy is not installed (Debian: python3-scipy)")
        return 0
    if not (args.bin / "kestrel-compare").exists():
        print(f"check_compare: no kestrel-compare in {args.bin}; build it first or name the folder with --bin")
        return 2
    work = args.work or Path(tempfile.mkdtemp(prefix="check_compare."))
    work.mkdir(parents=True, exist_ok=True)
    try:
        return check(args.bin.resolve(), genome.resolve(), work)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)


def check(bin_dir, genome, work):
    tool = lambda name: str(bin_dir / name)
    for name in ("ecoli.lookup", "ecoli.kstl", "ecoli.tsv", "copy.kstl"):
        (work / name).unlink(missing_ok=True)
    run([tool("kestrel-lookup"), "-o", "ecoli.lookup", str(genome)], work)
    run([tool("kestrel-reference"), "-o", "ecoli", str(genome)], work)
    run([tool("kestrel"), "ecoli.lookup", "-o", "ecoli.kstl", "--prokaryote", "--rscu", "ecoli.scu", "--optimal",
         "ecoli.opt"], work)
    run([tool("kestrel-table"), "-o", "ecoli.tsv", "ecoli.kstl"], work)
    genes = [(row["Gene"], {c: int(row[f"N_{c}_{STANDARD[c].replace('*', 'x')}"]) for c in CODONS})
             for row in read_tsv(work / "ecoli.tsv")]
    names = reference_names(work / "ecoli.reference.tsv")
    first = [counts for name, counts in genes if name in names]
    second = [counts for name, counts in genes if name not in names]
    checks = Checks()

    compare = lambda *extra: run([tool("kestrel-compare"), *extra, "ecoli.kstl"], work)
    compare("-a", "reference:ecoli.reference.tsv", "-o", "rp.tsv", "--figure", "rp.svg")
    rows = read_tsv(work / "rp.tsv")
    overall = rows[0]
    checks.expect((int(overall["genes_a"]), int(overall["genes_b"])) == (len(first), len(second)), "set sizes")
    tested, worst, worst_q, worst_chi = check_table(rows, first, second, checks)
    print(f"reference set ({len(first)} genes) against the rest ({len(second)}): {tested} codons tested; p against "
          f"scipy.stats.fisher_exact: largest relative difference {worst:.2e}; q against BH: {worst_q:.2e}; "
          f"chi-square against chi2_contingency: {worst_chi:.2e}")
    d = distance(sum_genes(first), sum_genes(second))
    checks.expect(abs(float(overall["distance"]) - d) <= 5e-7, f"distance {overall['distance']}, here {d}")
    p = permutation_p(first, second, 1000, 1)
    checks.expect(overall["p"] == f"{p:.6g}", f"permutation p {overall['p']}, re-computed {p:.6g}")
    print(f"distance {overall['distance']} (here {d:.6f}); permutation p {overall['p']} (here {p:.6g})")

    first_table = (work / "rp.tsv").read_text()
    compare("-a", "reference:ecoli.reference.tsv", "-o", "rp.tsv")
    checks.expect((work / "rp.tsv").read_text() == first_table, "the same seed gave another table")

    picked = set(random.Random(35).sample([name for name, _ in genes], 200))
    (work / "random.txt").write_text("\n".join(sorted(picked)) + "\n")
    inside = [counts for name, counts in genes if name in picked]
    outside = [counts for name, counts in genes if name not in picked]
    for seed in (1, 2):
        results = []
        for _ in range(2):
            compare("-a", "genes:random.txt", "--seed", str(seed), "-o", "random.tsv")
            results.append(read_tsv(work / "random.tsv")[0]["p"])
        here = permutation_p(inside, outside, 1000, seed)
        checks.expect(results[0] == results[1] == f"{here:.6g}", f"seed {seed}: p {results}, re-computed {here:.6g}")
        print(f"200 random genes against the rest, seed {seed}: permutation p {results[0]} twice (here {here:.6g})")

    shutil.copyfile(work / "ecoli.kstl", work / "copy.kstl")
    compare("-a", "file:ecoli.kstl", "-b", "file:copy.kstl", "-o", "self.tsv")
    q = [row["q"] for row in read_tsv(work / "self.tsv") if row["kind"] == "codon" and row["q"] != "NA"]
    checks.expect(q and all(v == "1" for v in q), f"a set against itself: q {sorted(set(q))}")
    print(f"the genome against a copy of itself: {len(q)} codons tested, every q {sorted(set(q))}")
    print("check_compare: " + ("all checks passed" if not checks.failures else f"{checks.failures} checks FAILED"))
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
