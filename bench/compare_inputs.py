#!/usr/bin/python3
"""The lookup builder's inputs other than uncompressed GenBank, on a real genome (by default
../shared/data/ecoli_k12_mg1655.gbff.gz; the script says so and stops with status 0 when it
is missing):

  gzip      the compressed file itself
  EMBL      what EMBOSS seqret -feature -osformat embl writes
  GFF3      what bench/genbank_to_gff3.py writes (gene, mRNA, one CDS line per part), with
            the FASTA file beside it, and with a ##FASTA section
each give the output file of the unpacked GenBank file, byte for byte but for the File
column, and its tRNA census; and
  CDS FASTA what EMBOSS extractfeat -type CDS -join writes gives, gene by gene, the codon
            counts of Biopython's extraction of the same CDS (less a valid start codon and a
            final stop codon, which KESTREL leaves out).

Run with /usr/bin/python3 (Biopython); build KESTREL first (bin folder: build/).
    bench/compare_inputs.py [GENOME.gbff.gz] [--bin BIN_DIR]
"""
import argparse
import gzip
import shutil
import subprocess
import sys
import tempfile
from collections import Counter
from pathlib import Path

from Bio import SeqIO

ROOT = Path(__file__).resolve().parent.parent
STARTS = {"ATG", "GTG", "CTG", "TTG", "ATA", "ATC", "ATT"}  # prokaryote starts
STOPS = {"TAA", "TAG", "TGA"}


def run(command, **kwargs):
    return subprocess.run([str(c) for c in command], check=True, capture_output=True, text=True, **kwargs)


def analyse(bin_dir, work, lookup_args):
    """Lookup table with its tRNA census, analysis (prokaryote) and tidy table in work; returns
    the output file's text, the table's rows and the builder's summary lines."""
    work.mkdir()
    lookup = run([bin_dir / "kestrel-lookup", "-o", "genome.lookup", "--trna", "census.tsv", *lookup_args], cwd=work)
    console = run([bin_dir / "kestrel"], cwd=work, input="genome.lookup\ngenome\nT\nC\nC\n").stdout
    if "\nKESTREL done.\n" not in console:
        raise SystemExit(f"kestrel did not finish in {work}:\n{console[-500:]}")
    run([bin_dir / "kestrel-table", "-o", "genome.tsv", "genome.kstl"], cwd=work)
    lines = (work / "genome.tsv").read_text().splitlines()
    header = lines[0].split("\t")
    rows = [dict(zip(header, line.split("\t"))) for line in lines[1:]]
    return (work / "genome.kstl").read_text(), rows, lookup.stderr.strip().replace("\n", "; ")


def masked(text, file):
    """The output file with its File cells (40 characters wide at least) blanked."""
    return text.replace(file.ljust(40), "FILE".ljust(40))


def kestrel_codons(seq):
    rest = len(seq) % 3
    codons = [seq[i:i + 3] for i in range(0, len(seq) - rest, 3)]
    if codons and codons[0] in STARTS:
        codons = codons[1:]
    if codons and rest == 0 and codons[-1] in STOPS:
        codons = codons[:-1]
    return Counter(c for c in codons if set(c) <= set("ACGT"))


def compare_cds_fasta(genome, rows):
    """Genes compared and those whose counts differ, matched by extractfeat's names."""
    record = next(SeqIO.parse(genome, "genbank"))
    prefix = record.id.split(".")[0]
    expected = {}
    for f in record.features:
        if f.type == "CDS":
            first, last = int(f.location.start) + 1, int(f.location.end)
            # extractfeat names a joined minus-strand CDS from its 5' end.
            joined_minus = f.location.strand == -1 and len(f.location.parts) > 1
            name = f"{prefix}_{last}_{first}" if joined_minus else f"{prefix}_{first}_{last}"
            expected.setdefault(name, []).append(kestrel_codons(str(f.extract(record.seq)).upper()))
    compared, differing = 0, []
    for row in rows:
        got = Counter({label[2:5]: int(text) for label, text in row.items() if label.startswith("N_") and int(text)})
        candidates = expected.get(row["Gene"], [])
        compared += 1
        if got not in candidates:
            differing.append(row["Gene"])
    return compared, differing


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("genome", nargs="?", default=ROOT.parent / "shared/data/ecoli_k12_mg1655.gbff.gz")
    parser.add_argument("--bin", default=ROOT / "build")
    args = parser.parse_args()
    genome, bin_dir = Path(args.genome).resolve(), Path(args.bin).resolve()
    if not genome.exists():
        print(f"{genome} not found: nothing compared")
        return 0
    failed = False
    with tempfile.TemporaryDirectory(prefix="kestrel-inputs.") as tmp:
        tmp = Path(tmp)
        plain = tmp / "genome.gb"
        with gzip.open(genome, "rb") as src, open(plain, "wb") as dst:
            shutil.copyfileobj(src, dst)
        (tmp / "genome.gb.gz").symlink_to(genome)
        run(["seqret", "-sequence", plain, "-feature", "-osformat", "embl", "-outseq", tmp / "genome.embl", "-auto"])
        run([sys.executable, ROOT / "bench/genbank_to_gff3.py", plain, tmp / "genome.gff3", tmp / "genome.fa"])
        run([sys.executable, ROOT / "bench/genbank_to_gff3.py", plain, tmp / "section.gff3", "-", "--fasta-section"])
        run(["extractfeat", "-sequence", plain, "-type", "CDS", "-join", "-outseq", tmp / "cds.fa", "-auto"])

        shutil.copy(plain, tmp / "base.gb")
        base, base_rows, base_summary = analyse(bin_dir, tmp / "base", ["../genome.gb"])
        base = masked(base, "../genome.gb")
        print(f"GenBank: {len(base_rows)} genes analysed; {base_summary}")
        for label, lookup_args in (("gzip", ["../genome.gb.gz"]), ("EMBL", ["../genome.embl"]),
                                   ("GFF3 + FASTA", ["--gff", "../genome.gff3", "--fasta", "../genome.fa"]),
                                   ("GFF3 ##FASTA", ["--gff", "../section.gff3"])):
            text, rows, summary = analyse(bin_dir, tmp / label.replace(" ", "_").replace("#", ""),
                                          ["--seq", "genome.seq", *lookup_args])
            same = masked(text, "genome.seq") == base
            census = (tmp / label.replace(" ", "_").replace("#", "") / "census.tsv").read_text()
            same_census = census == (tmp / "base" / "census.tsv").read_text()
            failed |= not same or not same_census
            print(f"{label}: {len(rows)} genes analysed, output file "
                  f"{'identical but for the File column' if same else 'DIFFERS'}, tRNA census "
                  f"{'identical' if same_census else 'DIFFERS'}; {summary}")

        _, rows, summary = analyse(bin_dir, tmp / "cds", ["--seq", "genome.seq", "--cds-fasta", "../cds.fa"])
        compared, differing = compare_cds_fasta(plain, rows)
        failed |= bool(differing)
        print(f"CDS FASTA: {compared} genes compared with Biopython's codons, {compared - len(differing)} identical"
              + (f", differing: {' '.join(differing[:20])}" if differing else "") + f"; {summary}")
    return 1 if failed else 0


sys.exit(main())
