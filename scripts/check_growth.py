#!/usr/bin/python3
"""Checks kestrel-growth against the published growth model's own figures.

With ../shared/data/growth beside the repository (the script says so and stops with
status 0 when it is not there) it runs kestrel-growth --keep-pseudo on the three CDS
FASTA genomes under the three HE rules and compares each row with
expected_statistics.tsv:

  CPB, CUBHE, ConsistencyHE       within 1e-6
  FilteredSequences, nHE          exactly
  d, d_lower, d_upper             within 0.5% (relative)
  a row without HE genes          nHE 0, NA for d and its interval, a warning, exit 0

and then predicts E. coli K-12 with the default rule from its GenBank file
(../shared/data/ecoli_k12_mg1655.gbff.gz) and from its CDS FASTA file with
--cds-fasta, each d within 0.5% of the fixture's ribosomal row. CPB_plain is
compared with the figures the fixtures' notes give (-0.0578 for S. pyogenes,
-0.0397 for M. leprae). It prints every figure; exit status 1 when a check fails.
"""

import argparse
import csv
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
STATISTICS = ("CPB", "CUBHE", "ConsistencyHE")
COUNTS = ("FilteredSequences", "nHE")
TIMES = ("d", "d_lower", "d_upper")
CPB_PLAIN = {"GCF_000349925.2": -0.0578, "GCF_003253775.1": -0.0397}


def run_growth(tool, args):
    """The row of kestrel-growth as a dict, its standard error and exit status."""
    done = subprocess.run([str(tool)] + args, capture_output=True, text=True)
    lines = done.stdout.splitlines()
    row = dict(zip(lines[0].split("\t"), lines[1].split("\t"))) if len(lines) == 2 else {}
    return row, done.stderr, done.returncode


def number(text):
    return None if text == "NA" else float(text)


def compare(expected, row):
    """The failures of one row against its fixture, and the largest gaps."""
    failures, gaps = [], {"statistic": 0.0, "time": 0.0}
    for column in STATISTICS:
        want, got = number(expected[column]), number(row.get(column, "NA"))
        if (want is None) != (got is None) or (want is not None and abs(want - got) > 1e-6):
            failures.append(f"{column} {row.get(column)}, expected {expected[column]}")
        elif want is not None:
            gaps["statistic"] = max(gaps["statistic"], abs(want - got))
    for column in COUNTS:
        if row.get(column) != expected[column]:
            failures.append(f"{column} {row.get(column)}, expected {expected[column]}")
    for column in TIMES:
        want, got = number(expected[column]), number(row.get(column, "NA"))
        if (want is None) != (got is None) or (want is not None and abs(got / want - 1) > 0.005):
            failures.append(f"{column} {row.get(column)}, expected {expected[column]}")
        elif want is not None:
            gaps["time"] = max(gaps["time"], abs(got / want - 1))
    return failures, gaps


def check_fixtures(tool, folder):
    failures = []
    with open(folder / "expected_statistics.tsv") as f:
        fixtures = list(csv.DictReader(f, delimiter="\t"))
    print("genome/rule                  nHE  Filtered  CUBHE      ConsistencyHE  CPB        CPB_plain  d (95% CI)")
    for expected in fixtures:
        key = expected["genome"]
        row, err, status = run_growth(tool, ["--keep-pseudo", "--he", expected["he_rule"], "--cds-fasta",
                                             str(folder / expected["file"])])
        problems, gaps = compare(expected, row) if status == 0 else ([f"exit status {status}: {err.strip()}"], {})
        if status == 0 and expected["nHE"] == "0" and ("warning" not in err or not row.get("warnings")):
            problems.append("no warning for a genome without HE genes")
        if status == 0 and expected["accession"] in CPB_PLAIN:
            if abs(number(row["CPB_plain"]) - CPB_PLAIN[expected["accession"]]) > 5e-5:
                problems.append(f"CPB_plain {row['CPB_plain']}, expected {CPB_PLAIN[expected['accession']]}")
        print(f"{key:28} {row.get('nHE', '?'):>3}  {row.get('FilteredSequences', '?'):>8}  "
              f"{row.get('CUBHE', '?')[:9]:9}  {row.get('ConsistencyHE', '?')[:9]:13}  {row.get('CPB', '?')[:9]:9}  "
              f"{row.get('CPB_plain', '?')[:9]:9}  {row.get('d', '?')[:7]} ({row.get('d_lower', '?')[:7]}-"
              f"{row.get('d_upper', '?')[:7]})  largest gaps: statistics {gaps.get('statistic', 0):.1e}, "
              f"times {gaps.get('time', 0):.1e} relative" + (f"  [{row.get('warnings')}]" if row.get("warnings") else ""))
        failures += [f"{key}: {p}" for p in problems]
    return failures, {f["genome"]: f for f in fixtures}


def check_ecoli(tool, data, fixtures):
    """E. coli with the default rule, from the GenBank file and from the CDS FASTA file."""
    failures = []
    want = float(fixtures["GCF_000005845.2/ribosomal"]["d"])
    for label, args in (("GenBank file", [str(data / "ecoli_k12_mg1655.gbff.gz")]),
                        ("CDS FASTA", ["--cds-fasta", str(data / "growth" / "GCF_000005845.2_cds_from_gbff.fna.gz")])):
        row, err, status = run_growth(tool, args)
        got = number(row.get("d", "NA")) if status == 0 else None
        gap = abs(got / want - 1) if got is not None else None
        print(f"E. coli, {label}, default rule: d {row.get('d')} ({row.get('d_lower')}-{row.get('d_upper')}), "
              f"nHE {row.get('nHE')}; fixture {want}" + (f", {gap * 100:.4f}% apart" if gap is not None else ""))
        if gap is None or gap > 0.005:
            failures.append(f"E. coli {label}: d {row.get('d')}, expected {want} within 0.5% ({err.strip()})")
    return failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--data", type=Path, default=ROOT.parent / "shared" / "data")
    parser.add_argument("--bin", type=Path, default=ROOT / "build", help="folder of the built programs")
    args = parser.parse_args()
    folder = args.data / "growth"
    if not (folder / "expected_statistics.tsv").is_file():
        print(f"check_growth: skipped, no {folder / 'expected_statistics.tsv'}")
        return 0
    tool = args.bin / "kestrel-growth"
    if not tool.exists():
        print(f"check_growth: no kestrel-growth in {args.bin}; build it first or name the folder with --bin")
        return 2
    failures, fixtures = check_fixtures(tool, folder)
    failures += check_ecoli(tool, args.data, fixtures)
    for failure in failures:
        print(f"FAILED: {failure}")
    print("check_growth: " + ("all checks passed" if not failures else f"{len(failures)} checks failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
