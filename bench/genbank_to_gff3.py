#!/usr/bin/python3
"""Writes a GenBank file as an NCBI-style GFF3 file and a FASTA file of its sequences.

Each gene becomes a gene line (pseudogene when /pseudo); each CDS an mRNA line under its
gene and one CDS line per part of its location, with its phase; RNA features a line of
their own type under their gene, with their product, anticodon and notes as NCBI writes
them (anticodon=(pos:...%2Caa:Leu%2Cseq:cag)). Partial ends give start_range/end_range.
Attribute values are percent-encoded as NCBI does, commas included (but for the
two-valued start_range and end_range).
    genbank_to_gff3.py IN.gb OUT.gff3 OUT.fa [--fasta-section]
With --fasta-section the sequences are written after a ##FASTA line of the GFF3 file
instead (OUT.fa is then not written).
"""
import sys
from urllib.parse import quote

from Bio import SeqIO
from Bio.SeqFeature import BeforePosition, AfterPosition

RNA_TYPES = {"tRNA", "rRNA", "ncRNA", "tmRNA", "misc_RNA"}
COPIED = ("gene", "locus_tag", "protein_id", "transl_table")


LISTS = {"start_range", "end_range"}  # values of two parts, separated by a comma


def attrs(pairs):
    return ";".join(f"{k}={quote(str(v), safe=' :|.()/-_' + (',' if k in LISTS else ''))}"
                    for k, v in pairs if v is not None)


def qual(f, key):
    v = f.qualifiers.get(key)
    return v[0] if v else None


def strand(part):
    return "-" if part.strand == -1 else "+"


def cds_lines(rec, f, cds_id, parent):
    """One line per part, 5' first, with the phase of each."""
    parts = list(f.location.parts)
    offset = int(qual(f, "codon_start") or 1) - 1
    done = 0
    common = [("Parent", parent)] + [(k, qual(f, k)) for k in COPIED]
    if "pseudo" in f.qualifiers or "pseudogene" in f.qualifiers:
        common.append(("pseudo", "true"))
    if isinstance(f.location.parts[0].start, BeforePosition) or isinstance(f.location.parts[-1].start, BeforePosition) \
            or isinstance(f.location.start, BeforePosition):
        common.append(("start_range", ".," + str(int(f.location.start) + 1)))
    if isinstance(f.location.end, AfterPosition):
        common.append(("end_range", str(int(f.location.end)) + ",."))
    out = []
    for p in parts:
        phase = offset if done == 0 else (3 - (done - offset) % 3) % 3
        out.append([rec.id, "conv", "CDS", int(p.start) + 1, int(p.end), ".", strand(p), phase,
                    attrs([("ID", cds_id)] + common)])
        done += len(p)
    return out


def span(rec, f, type_, attributes):
    loc = f.location
    return [rec.id, "conv", type_, int(loc.start) + 1, int(loc.end), ".", strand(loc.parts[0]), ".",
            attrs(attributes)]


def convert(rec, n):
    """The lines of a record, IDs numbered on from n (IDs are unique in the file)."""
    lines, genes = [], {}
    for f in rec.features:
        if f.type == "gene":
            n += 1
            gid = f"gene-{n}"
            for key in ("locus_tag", "gene"):
                if qual(f, key):
                    genes.setdefault((key, qual(f, key)), gid)
            pseudo = "pseudo" in f.qualifiers
            lines.append(span(rec, f, "pseudogene" if pseudo else "gene",
                              [("ID", gid), ("Name", qual(f, "gene") or qual(f, "locus_tag")),
                               ("gene", qual(f, "gene")), ("locus_tag", qual(f, "locus_tag")),
                               ("pseudo", "true" if pseudo else None)]))
        elif f.type == "CDS" or f.type in RNA_TYPES:
            n += 1
            parent = genes.get(("locus_tag", qual(f, "locus_tag"))) or genes.get(("gene", qual(f, "gene")))
            if f.type == "CDS":
                rna = f"rna-{n}"
                lines.append(span(rec, f, "mRNA", [("ID", rna), ("Parent", parent), ("gene", qual(f, "gene"))]))
                lines.extend(cds_lines(rec, f, f"cds-{n}", rna))
            else:
                notes = f.qualifiers.get("note")
                pseudo = "pseudo" in f.qualifiers or "pseudogene" in f.qualifiers
                lines.append(span(rec, f, f.type, [("ID", f"rna-{n}"), ("Parent", parent)] +
                                  [(k, qual(f, k)) for k in ("gene", "locus_tag", "product", "anticodon")] +
                                  [("Note", "; ".join(notes) if notes else None),
                                   ("pseudo", "true" if pseudo else None)]))
    return lines, n


def main():
    src, gff, fa = sys.argv[1:4]
    section = "--fasta-section" in sys.argv
    records = list(SeqIO.parse(src, "genbank"))
    with open(gff, "w") as out:
        out.write("##gff-version 3\n")
        n = 0
        for rec in records:
            out.write(f"##sequence-region {rec.id} 1 {len(rec.seq)}\n")
            lines, n = convert(rec, n)
            for line in lines:
                out.write("\t".join(str(c) for c in line) + "\n")
        if section:
            out.write("##FASTA\n")
        with (out if section else open(fa, "w")) as seqs:
            for rec in records:
                seqs.write(f">{rec.id} {rec.description}\n")
                s = str(rec.seq)
                for i in range(0, len(s), 80):
                    seqs.write(s[i:i + 80] + "\n")


main()
