#!/usr/bin/python3
"""Compares KESTREL's per-gene results with codonw, EMBOSS chips and Biopython.

For every GenBank file of a data folder (by default ../shared/data beside the
repository; the script says so and stops with status 0 when there is none) it
builds the lookup table with kestrel-lookup, runs kestrel on it with an RSCU
table and an optimal-codon list written from the file's own genes, extracts the
same genes' CDSs with Biopython and runs the peers on them:

  codon counts, GC1, GC2, GC3, GC   Biopython (Counter over the codons, GC123, gc_fraction)
  ENC                               codonw -enc, EMBOSS chips
  CAI, Fop                          codonw -cai -fop with -cai_file and -fop_file written
                                    from the same reference counts and optimal codons
  CBI, GRAVY, aromaticity,          codonw -cbi -hyd -aro -L_sym -L_aa (kestrel-table --indices),
  L_sym, L_aa                       with -cbi_file the same optimal codons, on the whole CDS
                                    and again on a FASTA of exactly the codons KESTREL counted

With --codes (e.g. --codes 1,2,3,4,5,6,9,10) the same genes are analysed again with
kestrel -g N under each other NCBI genetic code N, and compared there with:

  amino-acid counts                 Biopython's translation with table N
  ENC                               codonw -enc -code M, for the codes codonw has

EMBOSS cai is not used: it averages over every codon of the sequence (Met, Trp,
stop codons included) and takes a weight of 0 as 1, so it measures something
else than the CAI of the other two.

A value agrees when the two printed values lie within their printed precision.
For every other gene the peer's formula is re-computed here from Biopython's
codons, taking over KESTREL's choices one formula difference at a time until the
value agrees; each difference that moved the value on the way counts for the
gene. The last step of every chain is KESTREL's own formula, so a gene that still
differs is reported as unexplained, and the exit status is 1. (GC is KESTREL's
mean of GC1, GC2 and GC3, which share one denominator.)

Run with /usr/bin/python3 (Biopython, numpy); build KESTREL first.
"""

import argparse
import gzip
import math
import re
import shutil
import subprocess
import sys
import tempfile
from collections import Counter
from dataclasses import dataclass, field, replace
from pathlib import Path

import numpy as np
from Bio import SeqIO
from Bio.Seq import Seq
from Bio.Data import CodonTable
from Bio.SeqUtils import GC123, gc_fraction

ROOT = Path(__file__).resolve().parent.parent
BASES = "ACGT"
# Prokaryote starts: second base T and either third base G or first base A.
PROKARYOTE_STARTS = {"ATG", "GTG", "CTG", "TTG", "ATA", "ATC", "ATT"}
MINIMUM_RSCU = 0.01
# KESTREL's amino-acid count columns.
AMINO_ACID_LABELS = {"Ala_A", "Arg_R", "Asn_N", "Asp_D", "Cys_C", "Glu_E", "Gln_Q", "Gly_G", "His_H", "Ile_I", "Leu_L",
                     "Lys_K", "Met_M", "Phe_F", "Pro_P", "Ser_S", "Thr_T", "Trp_W", "Tyr_Y", "Val_V", "STP_x"}
# codonw's -code number of each NCBI table it has.
CODONW_CODES = {1: 0, 2: 1, 3: 2, 4: 3, 5: 4, 6: 5, 10: 6, 9: 7}


# ---------------------------------------------------------------- genetic code

class GeneticCode:
    """Amino acid of each codon and the synonymous families of one NCBI table."""

    def __init__(self, table_id):
        table = CodonTable.unambiguous_dna_by_id[table_id]
        self.table_id = table_id
        self.stops = set(table.stop_codons)
        self.amino = dict(table.forward_table)
        families = {}
        for codon in sorted(self.amino):
            families.setdefault(self.amino[codon], []).append(codon)
        self.families = families
        # Amino acids with more than one codon: the ones every index here is built from.
        self.synonymous = {aa: codons for aa, codons in families.items() if len(codons) > 1}
        self.synonymous_codons = {c for codons in self.synonymous.values() for c in codons}
        self.single = sum(1 for codons in families.values() if len(codons) == 1)
        self.fold = Counter(len(codons) for codons in self.synonymous.values())
        # Valid starts: a prokaryote's are the table's initiation codons (the standard code
        # keeps its seven), a eukaryote's the codons read as Met.
        self.prokaryote_starts = PROKARYOTE_STARTS if table_id == 1 else set(table.start_codons)
        self.eukaryote_starts = set(families["M"])

    def translated(self, codons):
        """Amino-acid letters of the codons as Biopython translates them, stops as '*'."""
        return Counter(str(Seq("".join(codons)).translate(table=self.table_id)))


# ---------------------------------------------------------------- genes

@dataclass
class Gene:
    id: str
    name: str
    strand: int
    seq: str                       # the CDS as Biopython extracts it
    row: dict                      # KESTREL's row, NA for a placeholder
    full: Counter = field(default_factory=Counter)     # every codon of seq
    core: Counter = field(default_factory=Counter)     # the same without a valid start and a final stop
    core_seq: str = ""
    counted: Counter = field(default_factory=Counter)  # the codons KESTREL counts
    codon_lists: dict = field(default_factory=dict)    # full, core and counted as lists, in order
    counted_seq: str = ""
    peer: dict = field(default_factory=dict)
    own_cbi: float = None              # CBI with kestrel-reference's optimal codons


def codons_of(seq):
    return [seq[i:i + 3] for i in range(0, len(seq) - 2, 3)]


def kestrel_codons(seq, strand, starts, code):
    """The codons KESTREL counts: it reads a minus-strand gene from its 3' end, leaves out a
    valid start codon and a final stop codon, and drops codons with a letter other than ACGT."""
    rest = len(seq) % 3
    first_marked = strand > 0 or rest == 0
    last_marked = strand < 0 or rest == 0
    codons = codons_of(seq[rest:] if strand < 0 else seq[:len(seq) - rest])
    if codons and first_marked and codons[0] in starts:
        codons = codons[1:]
    if codons and last_marked and codons[-1] in code.stops:
        codons = codons[:-1]
    return [c for c in codons if all(b in BASES for b in c)]


def read_records(path):
    """(contig, record) for every record; the contig is counted as the analysis counts it:
    the number of lines holding ORIGIN up to the record's own ORIGIN line (0 = none)."""
    contigs, origins = [], 0
    with open(path, encoding="latin-1") as text:
        for line in text:
            if line.startswith("LOCUS"):
                contigs.append(0)
            if "ORIGIN" in line:
                origins += 1
                if line.startswith("ORIGIN") and contigs:
                    contigs[-1] = origins
    records = list(SeqIO.parse(path, "genbank"))
    if len(records) != len(contigs):
        raise SystemExit(f"{path}: {len(records)} records read by Biopython, {len(contigs)} LOCUS lines")
    return list(zip(contigs, records))


def is_prokaryote(records):
    kingdoms = Counter((r.annotations.get("taxonomy") or ["?"])[0] for _, r in records)
    return kingdoms["Bacteria"] + kingdoms["Archaea"] > len(records) / 2


def lookup_entries(path):
    entries, lines = [], Path(path).read_text().splitlines()
    for i in range(0, len(lines) - 10, 11):
        entries.append({"location": lines[i][5:], "gene": lines[i + 1][6:], "contig": int(lines[i + 5][8:])})
    return entries


def location_key(contig, text):
    strand = -1 if "complement" in text else 1
    numbers = [int(n) for n in re.findall(r"\d+", text)]
    return contig, strand, tuple(zip(numbers[0::2], numbers[1::2]))


def feature_key(contig, feature):
    parts = feature.location.parts
    strand = parts[0].strand or 1
    return contig, strand, tuple(sorted((int(p.start) + 1, int(p.end)) for p in parts))


def match_genes(records, entries, rows, starts, code):
    """Pairs each KESTREL row with its lookup entry and Biopython's CDS feature."""
    features = {}
    for contig, record in records:
        for feature in record.features:
            if feature.type == "CDS":
                features.setdefault(feature_key(contig, feature), []).append((record, feature))
    analysed = [e for e in entries if "<" not in e["location"] and ">" not in e["location"]]
    if len(analysed) != len(rows):
        raise SystemExit(f"{len(rows)} rows for {len(analysed)} complete lookup entries")
    genes = []
    for number, (entry, row) in enumerate(zip(analysed, rows), 1):
        if row["Gene"] != entry["gene"]:
            raise SystemExit(f"row {number} is {row['Gene']}, entry {entry['gene']}")
        key = location_key(entry["contig"], entry["location"])
        if not features.get(key):
            raise SystemExit(f"no Biopython CDS for row {number} ({row['Gene']}, {entry['location']})")
        record, feature = features[key].pop(0)
        seq = str(feature.extract(record.seq)).upper()
        gene = Gene(f"g{number:05d}", row["Gene"], key[1], seq, row)
        gene.full = Counter(c for c in codons_of(seq) if c in code.amino or c in code.stops)
        core = codons_of(seq)[1 if seq[:3] in starts else 0:]
        if core and core[-1] in code.stops:
            core.pop()
        gene.core_seq = "".join(core)
        gene.core = Counter(c for c in core if c in code.amino or c in code.stops)
        counted = kestrel_codons(seq, key[1], starts, code)
        gene.counted, gene.counted_seq = Counter(counted), "".join(counted)
        gene.codon_lists = {"full": [c for c in codons_of(seq) if all(b in BASES for b in c)],
                            "core": [c for c in core if all(b in BASES for b in c)], "counted": counted}
        genes.append(gene)
    return genes


# ---------------------------------------------------------------- KESTREL

def run(command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs)


def run_kestrel(bin_dir, work, prokaryote, lookup_options, code=1):
    """Lookup table, analysis and table of genome.gb in work; returns the rows and the
    builder's summary line. Under a code other than 1 the genes of the standard code's
    lookup table are read with that code, without reference files."""
    for name in ("genome.lookup", "genome.kstl", "genome.tsv"):
        (work / name).unlink(missing_ok=True)  # kestrel never overwrites its output
    lookup = run([str(bin_dir / "kestrel-lookup"), *lookup_options, "-o", "genome.lookup", "genome.gb"], cwd=work)
    references = "R\nref\nP\nref\n" if code == 1 else ""
    answers = "genome.lookup\ngenome\n" + ("T\n" if prokaryote else "") + references + "C\nC\n"
    console = run([str(bin_dir / "kestrel"), "-g", str(code)], cwd=work, input=answers).stdout
    if "\nKESTREL done.\n" not in console:
        raise SystemExit(f"kestrel did not finish in {work}:\n{console[-500:]}")
    run([str(bin_dir / "kestrel-table"), "--indices", "-o", "genome.tsv", "genome.kstl"], cwd=work)
    lines = (work / "genome.tsv").read_text().splitlines()
    header = lines[0].split("\t")
    rows = [dict(zip(header, line.split("\t"))) for line in lines[1:]]
    return rows, lookup.stderr.strip()


def kestrel_value(gene, column):
    text = gene.row[column]
    return None if text == "NA" else float(text)


def kestrel_amino_acids(gene):
    """Amino-acid counts by one-letter code ('*' for the stops)."""
    return Counter({("*" if label == "STP_x" else label[4]): int(text) for label, text in gene.row.items()
                    if label in AMINO_ACID_LABELS and int(text)})


def kestrel_counts(gene):
    return Counter({label[2:5]: int(text) for label, text in gene.row.items()
                    if label.startswith("N_") and int(text)})


# ---------------------------------------------------------------- reference files

@dataclass
class Reference:
    counts: dict    # codon -> count in the reference genes
    weights: dict   # codon -> count / largest count of its amino acid (NaN when that is 0)
    optimal: set    # the most used codon(s) of each amino acid


def reference_cdss(records):
    """(name, strand, sequence) of the complete CDSs of the standard code that name no other record."""
    for _, record in records:
        for feature in record.features:
            q = feature.qualifiers
            if feature.type != "CDS" or "pseudo" in q or "pseudogene" in q:
                continue
            if (any(p.ref for p in feature.location.parts) or re.search("[<>]", str(feature.location))
                    or q.get("codon_start", ["1"])[0] != "1" or q.get("transl_table", ["1"])[0] not in ("1", "11")):
                continue
            name = (q.get("gene") or q.get("locus_tag") or [""])[0]
            yield name, feature.location.parts[0].strand or 1, str(feature.extract(record.seq)).upper()


def make_reference(records, starts, code):
    """Codon counts of the ribosomal-protein genes (all genes when fewer than ten are named so)."""
    cdss = list(reference_cdss(records))
    ribosomal = [c for c in cdss if re.match(r"(?i)rp[lsm][a-z0-9]", c[0])]
    counts = Counter()
    for _, strand, seq in ribosomal if len(ribosomal) >= 10 else cdss:
        counts.update(kestrel_codons(seq, strand, starts, code))
    weights, optimal = {}, set()
    for codons in code.synonymous.values():
        most = max(counts[c] for c in codons)
        for c in codons:
            weights[c] = counts[c] / most if most else math.nan
            if most and counts[c] == most:
                optimal.add(c)
    return Reference(counts, weights, optimal)


def reference_entry_order():
    """Codons in the order of the .scu and .opt entries: first base, third base, second base."""
    order = "AGCT"
    return [order[e // 16] + order[e % 4] + order[(e // 4) % 4] for e in range(64)]


def codonw_order():
    order = "TCAG"
    return [order[e // 16] + order[e % 4] + order[(e // 4) % 4] for e in range(64)]


def write_reference_files(reference, code, work):
    def table(title, value):
        entries = [f"{c} {code.amino.get(c, '*')} {value(c):6d}" for c in reference_entry_order()]
        return title + "\n#\n" + "\n".join("   ".join(entries[i:i + 4]) for i in range(0, 64, 4)) + "\n"
    (work / "ref.scu").write_text(table("Reference codon counts", lambda c: reference.counts[c]))
    (work / "ref.opt").write_text(table("Optimal codons (1)", lambda c: int(c in reference.optimal)))
    # codonw: weights of 0 become 0.01 there too; 3 marks an optimal codon, 2 any other.
    weights = [reference.weights.get(c, 1.0) for c in codonw_order()]
    (work / "cai.codonw").write_text("\n".join(f"{0.0 if math.isnan(w) else w:.7f}" for w in weights) + "\n")
    (work / "fop.codonw").write_text(",".join("3" if c in reference.optimal else "2" for c in codonw_order()) + "\n")


# ---------------------------------------------------------------- peers

def write_fasta(genes, path):
    with open(path, "w") as out:
        for gene in genes:
            out.write(f">{gene.id}\n{gene.seq}\n")


# codonw's column of each index it is compared on, under KESTREL's name.
CODONW_COLUMNS = (("ENC", "Nc"), ("CAI", "CAI"), ("Fop", "Fop"), ("CBI", "CBI"), ("GRAVY", "Gravy"),
                  ("Aromaticity", "Aromo"), ("L_sym", "L_sym"), ("L_aa", "L_aa"))


def read_codonw(path):
    """codonw's values by sequence title; None where it prints *****. For a sequence without a
    synonymous codon codonw writes no L_sym and L_aa cells, and the later cells move left."""
    lines = path.read_text().splitlines()
    header = [h.strip() for h in lines[0].split("\t") if h.strip()]
    values = {}
    for line in lines[1:]:
        cells = [c.strip() for c in line.split("\t") if c.strip()]
        names = header
        if len(cells) == len(header) - 2 and "L_sym" in header:
            names = [h for h in header if h not in ("L_sym", "L_aa")]
        row = dict(zip(names, cells))
        values[row["title"]] = {k: None if v.startswith("*") else float(v) for k, v in row.items() if k != "title"}
    return values


def codonw_indices(work, fasta, output, code):
    """codonw on one FASTA file of work; its values by title."""
    for name in (output, "codonw.blk"):
        (work / name).unlink(missing_ok=True)
    indices = (["-cai", "-fop", "-cbi", "-cai_file", "cai.codonw", "-fop_file", "fop.codonw", "-cbi_file",
                "fop.codonw", "-hyd", "-aro", "-L_sym", "-L_aa"] if code.table_id == 1
               else ["-code", str(CODONW_CODES[code.table_id])])
    run(["codonw", fasta, output, "codonw.blk", "-enc", *indices, "-nomenu", "-silent", "-nowarn", "-noblk"],
        cwd=work)
    return read_codonw(work / output)


def run_codonw(genes, work, code):
    """ENC, CAI, Fop and the further indices by codonw (ENC alone under another code), on the whole
    CDS; the further indices again on exactly the codons KESTREL counted ("codonw (counted)")."""
    values = codonw_indices(work, "cds.fa", "cds.out", code)
    asked = CODONW_COLUMNS if code.table_id == 1 else CODONW_COLUMNS[:1]
    for gene in genes:
        gene.peer.update({f"codonw {index}": values[gene.id].get(key) for index, key in asked})
    if code.table_id != 1:
        return
    with open(work / "counted.fa", "w") as out:
        for gene in genes:
            out.write(f">{gene.id}\n{gene.counted_seq}\n")
    values = codonw_indices(work, "counted.fa", "counted.out", code)
    for gene in genes:
        gene.peer.update({f"counted {index}": values[gene.id].get(key) for index, key in CODONW_COLUMNS[3:]})


def run_chips(genes, work, code):
    run(["chips", "-seqall", "cds.fa", "-nosum", "-outfile", "cds.chips", "-auto"], cwd=work)
    values = {}
    for line in (work / "cds.chips").read_text().splitlines():
        m = re.match(r"(\S+)\s+Nc = (\S+)", line)
        if m:
            values[m.group(1)] = float(m.group(2))
    for gene in genes:
        gene.peer["chips ENC"] = values[gene.id]


def run_biopython(genes, work, code):
    """Codon counts, GC by codon position (GC123) and GC (gc_fraction) of the whole CDS; the
    amino acids of its translation with the code's table."""
    for gene in genes:
        gc = GC123(gene.seq)
        gene.peer.update({"counts": gene.full, "GC": gc_fraction(gene.seq),
                          "GC1": gc[1] / 100, "GC2": gc[2] / 100, "GC3": gc[3] / 100,
                          "amino acids": code.translated(gene.codon_lists["full"])})


# ---------------------------------------------------------------- formulas

def homozygosities(counts, code, usable):
    """F of each usable synonymous amino acid, by family size."""
    by_size = {}
    for codons in code.synonymous.values():
        n = sum(counts[c] for c in codons)
        if n < 2:
            continue
        squares = sum(counts[c] ** 2 for c in codons)
        f = (n * sum((counts[c] / n) ** 2 for c in codons) - 1) / (n - 1)
        if usable(n, squares, f):
            by_size.setdefault(len(codons), []).append(f)
    return by_size


def enc_kestrel(counts, code):
    """Usable when the squared counts exceed n; every class but the 3-codon one must have one;
    a missing 3-codon class takes (F2 + F4) / 2; at most 61; None when not computed."""
    f = homozygosities(counts, code, lambda n, squares, _: squares > n)
    means = {k: sum(v) / len(v) for k, v in f.items()}
    if any(k not in means for k in code.fold if k != 3):
        return None
    if 3 in code.fold and 3 not in means:
        means[3] = (means[2] + means[4]) / 2
    return min(float(len(code.amino)), code.single + sum(code.fold[k] / means[k] for k in code.fold))


def enc_codonw(counts, code, single=True, cap=61.0, any_three=False):
    """codonw: usable when F > 1e-7; a missing class other than Ile's stops it (*****), and so
    does a missing class of three codons holding two amino acids (any_three: not so); the sum
    is kept in single precision; at most cap."""
    f = homozygosities(counts, code, lambda n, squares, value: value > 1e-7)
    total = np.float32(code.single) if single else float(code.single)
    for k in sorted(code.fold):
        if k in f:
            mean = sum(f[k]) / len(f[k])
        elif k == 3 and 2 in f and 4 in f and (code.fold[3] == 1 or any_three):
            mean = (sum(f[2]) / len(f[2]) + sum(f[4]) / len(f[4])) * 0.5
        else:
            return None
        total = total + (np.float32(code.fold[k]) / np.float32(mean) if single else code.fold[k] / mean)
    return min(cap, float(total))


def enc_chips(counts, code):
    """EMBOSS chips: usable when n F' - 1 >= 0.05 (F' the sum of squared shares); a class
    without a usable amino acid is left out of the sum; Ile's falls back to (F2 + F4) / 2."""
    f = homozygosities(counts, code, lambda n, squares, value: value * (n - 1) >= 0.05)
    means = {k: (sum(f[k]) / len(f[k]) if k in f else 0.0) for k in code.fold}
    if 3 in means and means[3] == 0.0:
        means[3] = (means.get(2, 0.0) + means.get(4, 0.0)) / 2
    return min(61.0, code.single + sum(code.fold[k] / means[k] for k in means if means[k] != 0.0))


def cai(counts, code, weight):
    n = sum(counts[c] for c in code.synonymous_codons)
    if n == 0:
        return None
    return math.exp(sum(counts[c] * math.log(weight(c)) for c in code.synonymous_codons if counts[c]) / n)


def floored(w, floor, below):
    return floor if math.isnan(w) or w < below else w


def fop(counts, code, optimal, amino_acids):
    n = sum(counts[c] for aa in amino_acids for c in code.synonymous[aa])
    return None if n == 0 else sum(counts[c] for c in optimal if c in code.synonymous_codons) / n


def fop_codonw(counts, code, optimal, single=True, every=False):
    """codonw: only amino acids with an optimal codon count (every: all of them, as KESTREL); the
    share in single precision; 0 when there is no codon to count."""
    with_optimal = [aa for aa, codons in code.synonymous.items() if every or any(c in optimal for c in codons)]
    value = fop(counts, code, optimal, with_optimal)
    if value is None:
        return 0.0
    return float(np.float32(value)) if single else value


# Kyte and Doolittle's hydropathy of each amino acid.
KYTE_DOOLITTLE = {"A": 1.8, "R": -4.5, "N": -3.5, "D": -3.5, "C": 2.5, "Q": -3.5, "E": -3.5, "G": -0.4, "H": -3.2,
                  "I": 4.5, "L": 3.8, "K": -3.9, "M": 1.9, "F": 2.8, "P": -1.6, "S": -0.8, "T": -0.7, "W": -0.9,
                  "Y": -1.3, "V": 4.2}


def cbi(counts, code, optimal, nothing=None):
    """Over the synonymous amino acids with an optimal codon: (N_opt - N_rand) / (N_tot - N_rand),
    N_rand = sum of n_a o_a / k_a; nothing where N_tot = N_rand (codonw prints 0.000 there)."""
    total = optimal_used = 0
    random = 0.0
    for codons in code.synonymous.values():
        marked = [c for c in codons if c in optimal]
        if not marked:
            continue
        n = sum(counts[c] for c in codons)
        total += n
        optimal_used += sum(counts[c] for c in marked)
        random += n * len(marked) / len(codons)
    return nothing if total - random <= 0 else (optimal_used - random) / (total - random)


def l_aa(counts, code):
    """The codons the code reads as an amino acid: every codon but the stops."""
    return sum(n for c, n in counts.items() if c in code.amino)


def l_sym(counts, code, nothing=0):
    """The codons of amino acids with more than one codon; nothing where there are none (codonw
    then writes no L_sym and L_aa)."""
    return sum(counts[c] for c in code.synonymous_codons) or nothing


def protein_mean(counts, code, value):
    n = l_aa(counts, code)
    return None if n == 0 else sum(value(code.amino[c]) * k for c, k in counts.items() if c in code.amino) / n


def gravy(counts, code):
    return protein_mean(counts, code, lambda aa: KYTE_DOOLITTLE[aa])


def aromaticity(counts, code):
    return protein_mean(counts, code, lambda aa: 1.0 if aa in "FYW" else 0.0)


def gc_of(seq, position):
    gc = GC123(seq)
    return gc[position] / 100


# ---------------------------------------------------------------- comparison

@dataclass
class Metric:
    name: str
    peer: str
    kestrel: object           # gene -> KESTREL's value (None: not computed)
    tolerance: float          # largest gap between two prints of one value: half a unit of each
                              # precision, and only one half when both print as many decimals
    peer_model: object        # gene -> the peer's value by its own formula
    steps: list               # (explanation, gene -> peer value with KESTREL's choice up to here)


def agree(a, b, tolerance):
    if a is None or b is None:
        return a is None and b is None
    if isinstance(a, Counter):
        return a == b
    return abs(a - b) <= tolerance + 1e-9


def new_summary():
    return {"compared": 0, "agree": 0, "classes": Counter(), "unexplained": [], "model": 0}


def add_summary(total, s):
    for key in ("compared", "agree", "model", "classes", "unexplained"):
        total[key] += s[key]


def classify(metric, genes):
    summary = new_summary()
    for gene in genes:
        if metric.peer not in gene.peer:
            continue
        summary["compared"] += 1
        mine, theirs = metric.kestrel(gene), gene.peer[metric.peer]
        if agree(metric.peer_model(gene), theirs, metric.tolerance):
            summary["model"] += 1
        if agree(mine, theirs, metric.tolerance):
            summary["agree"] += 1
            continue
        # The steps up to the first that brings agreement; each one that moved the value counts.
        before, moved = metric.peer_model(gene), []
        for explanation, adjusted in metric.steps:
            value = adjusted(gene)
            if not agree(value, before, 0):
                moved.append(explanation)
            before = value
            if agree(mine, value, metric.tolerance):
                summary["classes"].update(moved)
                break
        else:
            summary["unexplained"].append(f"{gene.name}: KESTREL {mine}, {metric.peer} {theirs}")
    return summary


def metrics(code, reference):
    w = reference.weights if reference else {}
    kestrel_w = lambda c: floored(w[c], MINIMUM_RSCU, MINIMUM_RSCU)
    file_w = {c: float(np.float32(round(0.0 if math.isnan(w[c]) else w[c], 7))) for c in w}
    codonw_w = lambda c: floored(file_w[c], 0.01, 0.0001)
    every = list(code.synonymous)
    start = ("the peer counts the valid start codon where it is a synonymous codon (GTG, TTG, ... of a prokaryote; "
             "ATG too where Met has two codons); KESTREL does not")
    frame = ("KESTREL reads a minus-strand CDS whose length is not a multiple of 3 from its 3' end and leaves "
             "out codons with letters other than ACGT")
    no_codon = "no codon of a synonymous amino acid: codonw prints 0.000, KESTREL nc"
    ends = "KESTREL leaves out the valid start codon and the final stop codon"
    gc_steps = lambda position: [(ends, lambda g: gc_of(g.core_seq, position)),
                                 (frame, lambda g: gc_of(g.counted_seq, position))]
    gc_metric = lambda position: Metric(
        f"GC{position}", f"GC{position}", lambda g: kestrel_value(g, f"GC{position}"), 0.00005,
        lambda g: gc_of(g.seq, position), gc_steps(position))
    translated = lambda key: lambda g: code.translated(g.codon_lists[key])
    counts = [
        Metric("codon counts", "counts", kestrel_counts, 0, lambda g: g.full,
               [(ends, lambda g: g.core), (frame, lambda g: g.counted)]),
        Metric("amino acids", "amino acids", kestrel_amino_acids, 0, translated("full"),
               [(ends, translated("core")), (frame, translated("counted"))])]
    if reference is None:  # another code than the standard one: counts and ENC
        return counts + [enc_metric(code, start, frame)]
    return counts + [
        gc_metric(1), gc_metric(2), gc_metric(3),
        Metric("GC", "GC", lambda g: mean_gc(g), 0.00005, lambda g: gc_fraction(g.seq), [
            (ends, lambda g: gc_fraction(g.core_seq)), (frame, lambda g: gc_fraction(g.counted_seq))]),
        enc_metric(code, start, frame),
        Metric("ENC", "chips ENC", lambda g: kestrel_value(g, "ENC"), 0.0055,
               lambda g: enc_chips(g.full, code), [
                   (start, lambda g: enc_chips(g.core, code)),
                   (frame, lambda g: enc_chips(g.counted, code)),
                   ("chips leaves a class without a usable amino acid out of the sum, KESTREL does not compute "
                    "ENC then (nc)", lambda g: enc_kestrel(g.counted, code))]),
        Metric("CAI", "codonw CAI", lambda g: kestrel_value(g, "CAI"), 0.0005,
               lambda g: cai(g.full, code, codonw_w) or 0.0, [
                   (start, lambda g: cai(g.core, code, codonw_w) or 0.0),
                   (frame, lambda g: cai(g.counted, code, codonw_w) or 0.0),
                   ("KESTREL raises weights below the minimum RSCU 0.01 to 0.01; codonw only those below 0.0001",
                    lambda g: cai(g.counted, code, lambda c: floored(file_w[c], MINIMUM_RSCU, MINIMUM_RSCU)) or 0.0),
                   ("codonw reads the weights as 7-decimal single-precision numbers",
                    lambda g: cai(g.counted, code, kestrel_w) or 0.0),
                   (no_codon, lambda g: cai(g.counted, code, kestrel_w))]),
        *further_metrics(code, reference, frame),
        Metric("Fop", "codonw Fop", lambda g: kestrel_value(g, "Fop"), 0.0005,
               lambda g: fop_codonw(g.full, code, reference.optimal), [
                   (start, lambda g: fop_codonw(g.core, code, reference.optimal)),
                   (frame, lambda g: fop_codonw(g.counted, code, reference.optimal)),
                   ("codonw leaves amino acids without an optimal codon out of the denominator",
                    lambda g: fop_codonw(g.counted, code, reference.optimal, every=True)),
                   ("codonw divides in single precision",
                    lambda g: fop_codonw(g.counted, code, reference.optimal, single=False, every=True)),
                   (no_codon, lambda g: fop(g.counted, code, reference.optimal, every))]),
    ]


def further_metrics(code, reference, frame):
    """CBI, GRAVY, aromaticity, L_sym and L_aa of kestrel-table --indices against codonw on the
    whole CDS (the differences explained step by step) and on the codons KESTREL counted."""
    optimal = reference.optimal
    translated = ("codonw reads the start codon as the amino acid the code gives it inside a gene (GTG as Val) "
                  "and counts it; KESTREL leaves a valid start codon out")
    no_cbi = "no codon of an amino acid with an optimal codon: codonw prints 0.000, KESTREL NA"
    no_length = "no synonymous codon: codonw writes no L_sym and L_aa, KESTREL 0"
    formulas = {
        "CBI": (0.00055, lambda counts: cbi(counts, code, optimal, 0.0), [
            (no_cbi, lambda counts: cbi(counts, code, optimal))]),
        "GRAVY": (0.000001, lambda counts: gravy(counts, code), []),
        "Aromaticity": (0.000001, lambda counts: aromaticity(counts, code), []),
        "L_sym": (0, lambda counts: l_sym(counts, code, None), [(no_length, lambda counts: l_sym(counts, code))]),
        "L_aa": (0, lambda counts: l_aa(counts, code) if l_sym(counts, code) else None, [
            (no_length, lambda counts: l_aa(counts, code))]),
    }
    metrics = []
    for name, (tolerance, peer, last) in formulas.items():
        mine = (lambda column: lambda g: kestrel_value(g, column))(name)
        on = lambda key, f: lambda g: f(getattr(g, key))
        steps = [(translated, on("core", peer)), (frame, on("counted", peer))]
        steps += [(why, on("counted", f)) for why, f in last]
        metrics.append(Metric(name, f"codonw {name}", mine, tolerance, on("full", peer), steps))
        metrics.append(Metric(f"{name}, counted", f"counted {name}", mine, tolerance, on("counted", peer),
                              [(why, on("counted", f)) for why, f in last]))
    return metrics


def enc_metric(code, start, frame):
    return Metric("ENC", "codonw ENC", lambda g: kestrel_value(g, "ENC"), 0.005,
                  lambda g: enc_codonw(g.full, code), [
                      (start, lambda g: enc_codonw(g.core, code)),
                      (frame, lambda g: enc_codonw(g.counted, code)),
                      ("codonw sums ENC in single precision", lambda g: enc_codonw(g.counted, code, single=False)),
                      ("codonw caps ENC at 61, KESTREL at the code's sense codons (60 under code 2, 62 under 3, "
                       "4, 5, 9, 10, 63 under 6)", lambda g: enc_codonw(g.counted, code, False, len(code.amino))),
                      ("codonw gives no ENC when neither of two amino acids of three codons is usable (Asn "
                       "and Ile under code 9, Cys and Ile under 10); KESTREL takes (F2 + F4) / 2",
                       lambda g: enc_codonw(g.counted, code, False, len(code.amino), any_three=True)),
                      ("usable F: codonw F > 1e-7, KESTREL squared counts > n",
                       lambda g: enc_kestrel(g.counted, code))])


def mean_gc(gene):
    values = [kestrel_value(gene, f"GC{p}") for p in (1, 2, 3)]
    return None if None in values else sum(values) / 3


# ---------------------------------------------------------------- driver

def prepare(source, work):
    work.mkdir(parents=True, exist_ok=True)
    target = work / "genome.gb"
    opener = gzip.open if source.suffix == ".gz" else open
    with opener(source, "rb") as src, open(target, "wb") as dst:
        shutil.copyfileobj(src, dst)
    return target


def compare_file(source, work, bin_dir, peers, lookup_options, table_id=1, records=None):
    """The genes of one file under one code; records: the file read before, under another code."""
    genome = prepare(source, work)
    code = GeneticCode(table_id)
    records = records or read_records(genome)
    prokaryote = is_prokaryote(records)
    starts = code.prokaryote_starts if prokaryote else code.eukaryote_starts
    reference = None
    if table_id == 1:
        reference = make_reference(records, starts, code)
        write_reference_files(reference, code, work)
    else:
        peers = [p for p in peers if p is run_biopython or (p is run_codonw and table_id in CODONW_CODES)]
    rows, built = run_kestrel(bin_dir, work, prokaryote, lookup_options, table_id)
    genes = match_genes(records, lookup_entries(work / "genome.lookup"), rows, starts, code)
    write_fasta(genes, work / "cds.fa")
    for peer in peers:
        peer(genes, work, code)
    found = metrics(code, reference)
    if table_id == 1 and run_codonw in peers and (bin_dir / "kestrel-reference").exists():
        own = cbi_with_own_reference(genes, work, bin_dir, prokaryote)
        if own:
            found.append(own)
    return prokaryote, built, genes, [(m, classify(m, genes)) for m in found], records


def cbi_with_own_reference(genes, work, bin_dir, prokaryote):
    """CBI once more, with the optimal codons of kestrel-reference (which may mark several codons
    of an amino acid): the genes analysed with its .opt on the command line, codonw given the
    same optimal codons and the codons KESTREL counted. None when the file has no ribosomal-protein
    genes to build the reference from."""
    for name in ("own.scu", "own.opt", "own.reference.tsv", "own.kstl", "own.tsv"):
        (work / name).unlink(missing_ok=True)
    built = subprocess.run([str(bin_dir / "kestrel-reference"), "-o", "own", "genome.gb"], cwd=work,
                           capture_output=True, text=True)
    if built.returncode != 0:
        print(f"compare_peers: no CBI with kestrel-reference's optimal codons: {built.stderr.strip()}")
        return None
    run([str(bin_dir / "kestrel"), "genome.lookup", "-o", "own.kstl", "--prokaryote" if prokaryote else "--eukaryote",
         "--rscu", "own.scu", "--optimal", "own.opt"], cwd=work)
    run([str(bin_dir / "kestrel-table"), "--indices", "-o", "own.tsv", "own.kstl"], cwd=work)
    lines = (work / "own.tsv").read_text().splitlines()
    header = lines[0].split("\t")
    rows = [dict(zip(header, line.split("\t"))) for line in lines[1:]]
    entries = (work / "own.opt").read_text().split("#\n", 1)[1].split()
    optimal = {entries[i] for i in range(0, len(entries), 3) if entries[i + 2] == "1"}
    (work / "own.codonw").write_text(",".join("3" if c in optimal else "2" for c in codonw_order()) + "\n")
    (work / "own.out").unlink(missing_ok=True)
    run(["codonw", "counted.fa", "own.out", "codonw.blk", "-cbi", "-cbi_file", "own.codonw", "-nomenu", "-silent",
         "-nowarn", "-noblk"], cwd=work)
    values = read_codonw(work / "own.out")
    for gene, row in zip(genes, rows, strict=True):
        gene.peer["own CBI"] = values[gene.id]["CBI"]
        gene.own_cbi = None if row["CBI"] == "NA" else float(row["CBI"])
    code = GeneticCode(1)
    return Metric("CBI, own .opt", "own CBI", lambda g: g.own_cbi, 0.00055,
                  lambda g: cbi(g.counted, code, optimal, 0.0),
                  [("no codon of an amino acid with an optimal codon: codonw prints 0.000, KESTREL NA",
                    lambda g: cbi(g.counted, code, optimal))])


def print_table(results):
    """Returns the number of unexplained differences."""
    print(f"{'Metric':<26}{'Peer':<22}{'Compared':>9}{'Agree':>7}{'Model':>7}  Differences by cause (a gene may "
          "have several)")
    unexplained = 0
    for metric, s in results:
        if not s["compared"]:
            continue
        print(f"{metric.name:<26}{metric.peer:<22}{s['compared']:>9}{s['agree']:>7}{s['model']:>7}")
        for explanation, count in s["classes"].most_common():
            print(f"{'':>71}{count:>6}  {explanation}")
        if s["unexplained"]:
            unexplained += len(s["unexplained"])
            print(f"{'':>71}{len(s['unexplained']):>6}  UNEXPLAINED, e.g. " + "; ".join(s["unexplained"][:3]))
    return unexplained


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--data", type=Path, default=ROOT.parent / "shared" / "data")
    parser.add_argument("--bin", type=Path, default=ROOT / "build", help="folder of the built programs")
    parser.add_argument("--work", type=Path, help="keep the work files here (default: a temporary folder)")
    parser.add_argument("--keep-pseudo", action="store_true", help="analyse pseudogenes too")
    parser.add_argument("--codes", default="1", help="NCBI genetic codes to analyse the genes under, e.g. "
                        "1,2,3,4,5,6,9,10 (default 1)")
    parser.add_argument("files", nargs="*", help="file names in the data folder (default: every GenBank file)")
    args = parser.parse_args()
    codes = [int(c) for c in args.codes.split(",")]
    if not (args.bin / "kestrel").exists():
        print(f"compare_peers: no kestrel in {args.bin}; build it first or name the folder with --bin")
        return 2
    if not args.data.is_dir():
        print(f"compare_peers: skipped, no data folder {args.data}")
        return 0
    sources = [args.data / f for f in args.files] or sorted(
        p for p in args.data.iterdir() if re.search(r"\.(gb|gbk|gbff)(\.gz)?$", p.name))
    peers = [run_biopython]
    for tool, peer in (("codonw", run_codonw), ("chips", run_chips)):
        if shutil.which(tool):
            peers.append(peer)
        else:
            print(f"compare_peers: {tool} not installed, left out")
    work_root = args.work or Path(tempfile.mkdtemp(prefix="compare_peers."))
    totals = {}
    try:
        for source in sources:
            stem, records = source.name.split(".")[0], None
            for table_id in codes:
                prokaryote, built, genes, results, records = compare_file(
                    source, work_root / stem, args.bin, peers, ["--keep-pseudo"] if args.keep_pseudo else [],
                    table_id, records)
                print(f"\n== {stem}, genetic code {table_id}: {'prokaryote' if prokaryote else 'eukaryote'}, "
                      f"{len(genes)} genes analysed")
                print(built)
                print_table(results)
                for metric, s in results:
                    key = (table_id, metric.name, metric.peer)
                    total = totals.setdefault(key, (replace(metric, name=f"{metric.name} ({table_id})"), new_summary()))
                    add_summary(total[1], s)
    finally:
        if not args.work:
            shutil.rmtree(work_root, ignore_errors=True)
    print(f"\n== all {len(sources)} files, genetic codes {args.codes}")
    unexplained = print_table(totals.values())
    print("\nAgree: the printed values lie within printed precision. Model: genes whose peer value the peer's")
    print("own formula, re-computed here from Biopython's codons, reproduces.")
    print(f"Unexplained differences: {unexplained}")
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
