#!/usr/bin/python3
"""Checks kestrel-reference on the E. coli K-12 genome against Biopython and codonw.

With ../shared/data/ecoli_k12_mg1655.gbff.gz beside the repository (the script says so
and stops with status 0 when it is not there), it builds the ribosomal reference with
kestrel-reference and checks that

  - the set holds exactly the CDSs (not pseudo) whose /product is "30S ribosomal subunit
    protein X" or "50S ribosomal subunit protein X", and none of the enzymes and factors
    that act on them (their products are listed);
  - the .scu counts equal the summed codon counts of those CDSs as Biopython extracts
    them (every complete codon, start and stop included, codons with other letters out);
  - the optimal codons overlap the classic E. coli optimal-codon list in at least 15 of
    its codons; the list is codonw's built-in E. coli Fop table, read back by running
    codonw -fop on one sequence per codon (Fop 1 = optimal);
  - KESTREL's CAI and Fop of every gene, from a run with the .scu and .opt files, equal
    CAI and Fop computed here from the same files (weights floored at the minimum RSCU
    0.01) over the codons KESTREL counts, within the printed precision.

Exit status 1 when a check fails. Run with /usr/bin/python3 (Biopython); build first.
"""

import argparse
import math
import re
import shutil
import subprocess
import sys
import tempfile
from collections import Counter
from pathlib import Path

import compare_peers as cp

GENOME = "ecoli_k12_mg1655.gbff.gz"
SUBUNIT_PROTEIN = re.compile(r"^(30S|50S) ribosomal subunit protein \S+$")


def reference_entries(path):
    """Codon -> value of a .scu or .opt file (the entries after the first line with '#')."""
    text = path.read_text()
    words = text[text.index("\n", text.index("#")) + 1:].split()
    return {words[i]: int(words[i + 2]) for i in range(0, 192, 3)}


def reference_genes(path):
    lines = path.read_text().splitlines()
    header = lines[0].split("\t")
    rows = [dict(zip(header, line.split("\t"))) for line in lines[1:]]
    return [r for r in rows if r["kind"] == "gene"]


def check_set(records, genes):
    """The set against the products; returns the CDSs of the set, by locus tag."""
    cdss = {}
    expected, acting = set(), set()
    for _, record in records:
        for f in record.features:
            q = f.qualifiers
            if f.type != "CDS" or "pseudo" in q or "pseudogene" in q:
                continue
            tag, product = q["locus_tag"][0], q.get("product", [""])[0]
            cdss[tag] = (record, f)
            if SUBUNIT_PROTEIN.match(product):
                expected.add(tag)
            elif "ribosom" in product.lower():
                acting.add(product)
    chosen = {g["locus_tag"] for g in genes}
    print(f"ribosomal set: {len(chosen)} genes; CDSs named 30S/50S ribosomal subunit protein: {len(expected)}")
    print(f"  other products naming the ribosome, all left out ({len(acting)}): " + "; ".join(sorted(acting)))
    failures = []
    if chosen != expected:
        failures.append(f"set differs: extra {sorted(chosen - expected)}, missing {sorted(expected - chosen)}")
    return {tag: cdss[tag] for tag in chosen}, failures


def check_counts(scu, members):
    summed = Counter()
    for record, feature in members.values():
        seq = str(feature.extract(record.seq)).upper()
        summed.update(c for c in cp.codons_of(seq) if all(b in cp.BASES for b in c))
    print(f".scu: {sum(scu.values())} codons; Biopython's extraction of the set: {sum(summed.values())} codons")
    differing = [c for c in scu if scu[c] != summed[c]]
    return [f".scu counts differ from Biopython's for {differing}"] if differing else []


def codonw_optimal(work):
    """The codons codonw's built-in E. coli Fop table calls optimal."""
    codons = [a + b + c for a in "TCAG" for b in "TCAG" for c in "TCAG"]
    (work / "single.fa").write_text("".join(f">{c}\n{c * 30}\n" for c in codons))
    cp.run(["codonw", "single.fa", "single.out", "single.blk", "-fop", "-nomenu", "-silent", "-nowarn", "-noblk"],
           cwd=work)
    values = {}
    for line in (work / "single.out").read_text().splitlines()[1:]:
        cells = line.split("\t")
        values[cells[0].strip()] = cells[1].strip()
    return {c for c, v in values.items() if v == "1.000"}


def check_optimal(opt, work):
    ours = {c for c, v in opt.items() if v == 1}
    if not shutil.which("codonw"):
        print("optimal codons: codonw not installed, overlap not checked")
        return []
    classic = codonw_optimal(work)
    both = ours & classic
    print(f"optimal codons: {len(ours)}; classic E. coli list (codonw): {len(classic)}; in both: {len(both)}")
    print(f"  in both: {' '.join(sorted(both))}")
    print(f"  only ours: {' '.join(sorted(ours - classic))}; only classic: {' '.join(sorted(classic - ours))}")
    return [] if len(both) >= 15 else [f"only {len(both)} of the classic optimal codons found"]


def check_indices(records, scu, opt, work, bin_dir):
    code = cp.GeneticCode(1)
    shutil.copyfile(work / "ec.scu", work / "ref.scu")
    shutil.copyfile(work / "ec.opt", work / "ref.opt")
    rows, _ = cp.run_kestrel(bin_dir, work, True, [])
    genes = cp.match_genes(records, cp.lookup_entries(work / "genome.lookup"), rows, cp.PROKARYOTE_STARTS, code)
    weights = {}
    for codons in code.synonymous.values():
        most = max(scu[c] for c in codons)
        for c in codons:
            weights[c] = cp.floored(scu[c] / most if most else math.nan, cp.MINIMUM_RSCU, cp.MINIMUM_RSCU)
    optimal = {c for c, v in opt.items() if v == 1}
    failures, gaps = [], {"CAI": 0.0, "Fop": 0.0}
    for gene in genes:
        ours = {"CAI": cp.cai(gene.counted, code, weights.__getitem__),
                "Fop": cp.fop(gene.counted, code, optimal, list(code.synonymous))}
        for index, value in ours.items():
            printed = cp.kestrel_value(gene, index)
            if not cp.agree(printed, None if value is None else round(value, 6), 0.0005):
                failures.append(f"{gene.name}: KESTREL {index} {printed}, computed {value}")
            elif value is not None:
                gaps[index] = max(gaps[index], abs(printed - value))
    print(f"CAI and Fop of {len(genes)} genes: largest gap to the values computed here: CAI {gaps['CAI']:.6f}, "
          f"Fop {gaps['Fop']:.6f}; {len(failures)} beyond printed precision")
    cai = sorted(cp.kestrel_value(g, "CAI") for g in genes if cp.kestrel_value(g, "CAI") is not None)
    fop = sorted(cp.kestrel_value(g, "Fop") for g in genes if cp.kestrel_value(g, "Fop") is not None)
    print(f"  median CAI {cai[len(cai) // 2]:.3f}, median Fop {fop[len(fop) // 2]:.3f} (upper median)")
    return failures[:10]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--data", type=Path, default=cp.ROOT.parent / "shared" / "data")
    parser.add_argument("--bin", type=Path, default=cp.ROOT / "build", help="folder of the built programs")
    parser.add_argument("--work", type=Path, help="keep the work files here (default: a temporary folder)")
    args = parser.parse_args()
    if not (args.data / GENOME).is_file():
        print(f"check_reference: skipped, no {args.data / GENOME}")
        return 0
    if not (args.bin / "kestrel-reference").exists():
        print(f"check_reference: no kestrel-reference in {args.bin}; build it first or name the folder with --bin")
        return 2
    work = args.work or Path(tempfile.mkdtemp(prefix="check_reference."))
    try:
        genome = cp.prepare(args.data / GENOME, work)
        made = subprocess.run([str(args.bin / "kestrel-reference"), "-o", "ec", genome.name], cwd=work,
                              capture_output=True, text=True)
        print(made.stderr.strip())
        if made.returncode != 0:
            return 1
        records = cp.read_records(genome)
        members, failures = check_set(records, reference_genes(work / "ec.reference.tsv"))
        scu, opt = reference_entries(work / "ec.scu"), reference_entries(work / "ec.opt")
        failures += check_counts(scu, members)
        failures += check_optimal(opt, work)
        failures += check_indices(records, scu, opt, work, args.bin)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(f"FAILED: {failure}")
    print("check_reference: " + ("all checks passed" if not failures else f"{len(failures)} checks failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
