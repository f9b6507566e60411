#!/usr/bin/python3
"""Checks kestrel-coa and kestrel-reference --set coa on E. coli K-12 against codonw and ade4.

With ../shared/data/ecoli_k12_mg1655.gbff.gz beside the repository (the script says so and
stops with status 0 when it is not there) it builds the lookup table, runs the analysis as
a prokaryote with codon usage output, and reads the codon counts back with kestrel-table.
Then, each part skipped with a message when its peer is not installed:

  codonw   The codons KESTREL counted (a valid start codon and the final stop left out),
           gene by gene, are written as a FASTA file and given to codonw -coa_cu,
           -coa_rscu and -coa_aa; kestrel-coa --on counts, rscu and aa must agree with
           them: total inertia and the first four eigenvalues within 1e-4 relative, gene
           and codon (amino-acid) coordinates on axes 1-4 correlated at |r| >= 0.9999
           once the sign of each axis is aligned (an axis has no sign of its own).
  ade4     R's ade4: dudi.coa of the codon x gene table of the same counts, then wca by
           the amino acid of each codon; kestrel-coa --on within must agree within 1e-6
           on every eigenvalue and at |r| >= 0.99999 on codon and gene coordinates.
  set coa  kestrel-reference --set coa: at least 60% of the 56 ribosomal-protein genes and
           EF-Tu, EF-G, EF-Ts (the ribosomal set's genes and tufA, tufB, fusA, tsf) in the
           set, and at least 15 of its optimal codons among codonw's 24 built-in E. coli
           optimal codons.

Exit status 1 when a check fails. Run with /usr/bin/python3 (numpy, Biopython); build first.
"""

import argparse
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

import check_reference as cr
import compare_peers as cp

GENOME = "ecoli_k12_mg1655.gbff.gz"
AXES = 4
TRANSLATION_FACTORS = {"tufA", "tufB", "fusA", "tsf"}
# codonw's name of each table kestrel-coa makes as well.
CODONW_VARIANTS = {"counts": "cu", "rscu": "rscu", "aa": "aa"}


def genome_counts(bin_dir, work):
    """Codon counts of every gene row of the analysis: (rows, codon labels N_GCA_A ...)."""
    genome = cp.prepare(cp.ROOT.parent / "shared" / "data" / GENOME, work)
    cp.run([str(bin_dir / "kestrel-lookup"), "-o", "ecoli.lookup", genome.name], cwd=work)
    cp.run([str(bin_dir / "kestrel")], cwd=work, input="ecoli.lookup\necoli\nT\nC\nC\n")
    cp.run([str(bin_dir / "kestrel-table"), "-o", "ecoli.tsv", "ecoli.kstl"], cwd=work)
    lines = (work / "ecoli.tsv").read_text().splitlines()
    header = lines[0].split("\t")
    rows = [dict(zip(header, line.split("\t"))) for line in lines[1:]]
    labels = [h for h in header if h.startswith("N_") and len(h) == 7]
    return rows, labels


def kestrel_coa(bin_dir, work, variant):
    """kestrel-coa's eigenvalues, total inertia, gene coordinates and column coordinates by label."""
    prefix = f"kestrel_{variant}"
    started = time.perf_counter()
    cp.run([str(bin_dir / "kestrel-coa"), "-o", prefix, "--on", variant, "--axes", str(AXES), "ecoli.kstl"], cwd=work)
    seconds = time.perf_counter() - started
    eigen = np.loadtxt(work / f"{prefix}.eigen.tsv", skiprows=1, usecols=1, ndmin=1)
    genes = np.loadtxt(work / f"{prefix}.genes.tsv", skiprows=1, usecols=range(3, 3 + AXES), ndmin=2)
    columns = {}
    for line in (work / f"{prefix}.codons.tsv").read_text().splitlines()[1:]:
        cells = line.split("\t")
        columns[cells[1] if variant == "aa" else cells[0]] = [float(x) for x in cells[2:2 + AXES]]
    return {"eigen": eigen, "total": eigen.sum(), "genes": genes, "columns": columns, "seconds": seconds}


def aligned_correlations(ours, theirs):
    """|r| of each axis after turning ours to the peer's sign, and the axes turned."""
    rs, turned = [], []
    for k in range(AXES):
        r = np.corrcoef(ours[:, k], theirs[:, k])[0, 1]
        rs.append(abs(r))
        if r < 0:
            turned.append(k + 1)
    return rs, turned


def compare(name, ours, eigen, total, genes, columns, eigen_tolerance, r_floor, relative=True):
    """Failures of one comparison; prints what it measured."""
    gap = lambda a, b: abs(a - b) / abs(b) if relative else abs(a - b)
    eigen_gaps = [gap(ours["eigen"][k], eigen[k]) for k in range(len(eigen))]
    total_gap = gap(ours["total"], total)
    labels = sorted(columns)
    ours_columns = np.array([ours["columns"][label] for label in labels])
    peer_columns = np.array([columns[label] for label in labels])
    gene_r, gene_turned = aligned_correlations(ours["genes"], genes)
    column_r, column_turned = aligned_correlations(ours_columns, peer_columns)
    kind = "relative" if relative else "absolute"
    print(f"{name}: {len(genes)} genes, {len(labels)} columns, {len(eigen)} eigenvalues compared; "
          f"kestrel-coa {ours['seconds']:.2f} s")
    print(f"  total inertia {ours['total']:.6f} against {total:.6f} ({kind} gap {total_gap:.1e}); "
          f"largest {kind} eigenvalue gap {max(eigen_gaps):.1e}")
    print(f"  eigenvalues 1-4: ours " + " ".join(f"{x:.6g}" for x in ours["eigen"][:4]) + "; peer " +
          " ".join(f"{x:.6g}" for x in eigen[:4]))
    print(f"  1 - |r| of genes, axes 1-4: " + " ".join(f"{1 - r:.1e}" for r in gene_r) +
          f" (axes turned: {gene_turned or 'none'})")
    print(f"  1 - |r| of columns, axes 1-4: " + " ".join(f"{1 - r:.1e}" for r in column_r) +
          f" (axes turned: {column_turned or 'none'})")
    failures = []
    if total_gap > eigen_tolerance or max(eigen_gaps) > eigen_tolerance:
        failures.append(f"{name}: eigenvalues or total inertia beyond {eigen_tolerance}")
    if min(gene_r) < r_floor or min(column_r) < r_floor:
        failures.append(f"{name}: a correlation below {r_floor}")
    if gene_turned != column_turned:
        failures.append(f"{name}: genes and columns turned differently ({gene_turned}, {column_turned})")
    return failures


def write_fasta(rows, labels, path):
    """Each gene as the codons KESTREL counted, in codon order (the order does not matter to a COA)."""
    with open(path, "w") as out:
        for i, row in enumerate(rows):
            out.write(f">g{i + 1}\n" + "".join(label[2:5] * int(row[label]) for label in labels) + "\n")


def read_codonw(folder, variant):
    eigen = np.array([float(line.split()[1]) for line in (folder / "eigen.coa").read_text().splitlines()])
    summary = (folder / "summary.coa").read_text()
    total = float(summary.split("The total inertia of the data was")[1].split()[0])
    genes = np.loadtxt(folder / "genes.coa", skiprows=1, usecols=range(1, 1 + AXES), ndmin=2)
    columns = {}
    for line in (folder / ("amino.coa" if variant == "aa" else "codon.coa")).read_text().splitlines()[1:]:
        cells = line.split()
        columns[cells[0].replace("U", "T")] = [float(x) for x in cells[1:1 + AXES]]
    return eigen, total, genes, columns


def compare_codonw(bin_dir, work, rows, labels):
    write_fasta(rows, labels, work / "counted.fa")
    failures = []
    for variant, option in CODONW_VARIANTS.items():
        folder = work / f"codonw_{option}"
        folder.mkdir()
        started = time.perf_counter()
        cp.run(["codonw", "../counted.fa", "out.txt", "blk.txt", f"-coa_{option}", "-coa_axes", str(AXES),
                "-nomenu", "-silent", "-nowarn", "-noblk"], cwd=folder)
        seconds = time.perf_counter() - started
        eigen, total, genes, columns = read_codonw(folder, variant)
        ours = kestrel_coa(bin_dir, work, variant)
        print(f"codonw -coa_{option}: {seconds:.2f} s")
        failures += compare(f"--on {variant} / codonw -coa_{option}", ours, eigen[:AXES], total, genes, columns,
                            1e-4, 0.9999)
    return failures


ADE4_SCRIPT = r"""
suppressMessages(library(ade4))
x <- read.table("counts.tsv", header = TRUE, sep = "\t", row.names = 1, check.names = FALSE)
aa <- factor(scan("amino_acids.txt", what = "", quiet = TRUE))
coa <- dudi.coa(as.data.frame(t(as.matrix(x))), scannf = FALSE, nf = 4)
within <- wca(coa, aa, scannf = FALSE, nf = 4)
write.table(within$eig, "ade4_eigen.tsv", row.names = FALSE, col.names = FALSE)
write.table(within$li, "ade4_codons.tsv", sep = "\t", quote = FALSE, col.names = FALSE)
write.table(within$co, "ade4_genes.tsv", sep = "\t", quote = FALSE, row.names = FALSE, col.names = FALSE)
"""


def compare_ade4(bin_dir, work, rows, labels):
    """Within-amino-acid COA: the codons of synonymous amino acids, the genes with any of them."""
    synonymous = {}
    for label in labels:
        if label[6] not in "xMW":
            synonymous.setdefault(label[6], []).append(label)
    used = [label for family in synonymous.values() for label in family]
    with open(work / "counts.tsv", "w") as out:
        out.write("gene\t" + "\t".join(label[2:5] for label in used) + "\n")
        for i, row in enumerate(rows):
            if any(int(row[label]) for label in used):
                out.write(f"g{i + 1}\t" + "\t".join(row[label] for label in used) + "\n")
    (work / "amino_acids.txt").write_text("\n".join(label[6] for label in used) + "\n")
    (work / "within.R").write_text(ADE4_SCRIPT)
    started = time.perf_counter()
    cp.run(["Rscript", "within.R"], cwd=work)
    print(f"ade4 dudi.coa + wca: {time.perf_counter() - started:.2f} s")
    eigen = np.loadtxt(work / "ade4_eigen.tsv", ndmin=1)
    genes = np.loadtxt(work / "ade4_genes.tsv", ndmin=2)
    columns = {}
    for line in (work / "ade4_codons.tsv").read_text().splitlines():
        cells = line.split("\t")
        columns[cells[0]] = [float(x) for x in cells[1:1 + AXES]]
    ours = kestrel_coa(bin_dir, work, "within")
    return compare("--on within / ade4 wca", ours, eigen, eigen.sum(), genes, columns, 1e-6, 0.99999, relative=False)


def check_coa_set(bin_dir, work):
    genome = work / "genome.gb"
    for name, extra in (("coa", ["--set", "coa"]), ("ribosomal", [])):
        made = cp.run([str(bin_dir / "kestrel-reference"), "-o", name, *extra, genome.name], cwd=work)
        if name == "coa":
            print(made.stderr.strip())
    ribosomal = {g["gene"] for g in cr.reference_genes(work / "ribosomal.reference.tsv")}
    wanted = ribosomal | TRANSLATION_FACTORS
    members = cr.reference_genes(work / "coa.reference.tsv")
    chosen = {g["gene"] for g in members}
    found = chosen & wanted
    print(f"--set coa: {len(members)} genes; of the {len(ribosomal)} ribosomal-protein genes and the "
          f"{len(TRANSLATION_FACTORS)} translation factors, {len(found)} ({100 * len(found) / len(wanted):.0f}%) in "
          f"the set, making {100 * len(found) / len(members):.0f}% of it; missing: {' '.join(sorted(wanted - chosen))}")
    failures = [] if len(found) >= 0.6 * len(wanted) else ["--set coa holds fewer than 60% of the translation genes"]
    ours = {c for c, v in cr.reference_entries(work / "coa.opt").items() if v == 1}
    ribosomal_optimal = {c for c, v in cr.reference_entries(work / "ribosomal.opt").items() if v == 1}
    print(f"  optimal codons: {len(ours)}; {len(ours & ribosomal_optimal)} of the ribosomal set's "
          f"{len(ribosomal_optimal)} among them")
    if shutil.which("codonw"):
        failures += cr.check_optimal(cr.reference_entries(work / "coa.opt"), work)
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bin", type=Path, default=cp.ROOT / "build", help="folder of the built programs")
    parser.add_argument("--work", type=Path, help="keep the work files here (default: a temporary folder)")
    args = parser.parse_args()
    data = cp.ROOT.parent / "shared" / "data" / GENOME
    if not data.is_file():
        print(f"compare_coa: skipped, no {data}")
        return 0
    if not (args.bin / "kestrel-coa").exists():
        print(f"compare_coa: no kestrel-coa in {args.bin}; build it first or name the folder with --bin")
        return 2
    work = args.work or Path(tempfile.mkdtemp(prefix="compare_coa."))
    failures = []
    try:
        work.mkdir(parents=True, exist_ok=True)
        rows, labels = genome_counts(args.bin, work)
        if shutil.which("codonw"):
            failures += compare_codonw(args.bin, work, rows, labels)
        else:
            print("compare_coa: codonw is not installed: its comparison skipped")
        has_ade4 = shutil.which("Rscript") and subprocess.run(
            ["Rscript", "-e", "library(ade4)"], capture_output=True).returncode == 0
        if has_ade4:
            failures += compare_ade4(args.bin, work, rows, labels)
        else:
            print("compare_coa: R or its ade4 package is not installed: the within-amino-acid comparison skipped")
        failures += check_coa_set(args.bin, work)
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(f"FAILED: {failure}")
    print("compare_coa: " + ("all checks passed" if not failures else f"{len(failures)} checks failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
