#!/usr/bin/env python3
"""Runs the per-genome steps for the genomes of one batch, one genome after another.

usage: run_batch.py SETTINGS.json BATCH.json DONE

SETTINGS.json holds what every genome's run needs (tools, answers, reference files,
folders); BATCH.json the genomes, as [name, [its files]] pairs. Each genome goes
through STEPS in order, each step writing its own logs (logs/STEP/NAME.log).

A step is skipped when its outputs exist, none is older than its inputs, and it last ran
with the same settings (recorded in steps.json in the genome's work folder), so a batch
run again redoes only what is missing or out of date. A failing step leaves no output
behind, says why at the end of its log, and skips the genome's later steps; the next
genome goes on. At the end the batch names its failed genomes and exits with status 1
without writing DONE; otherwise it writes DONE, one genome name a line.
"""
import json
import os
import re
import shutil
import subprocess
import sys
from collections import namedtuple

from kestrel_batches import write_whole


class StepFailed(Exception):
    """A step of one genome failed; the message goes at the end of the log named."""

    def __init__(self, log, reason):
        super().__init__(reason)
        self.log = log


# The closing line of a lookup-table entry of a code other than the standard one.
CODE_MARK = b"//transl_table="

# Each genome's results: folder in the results folder, and the name's suffix there: the
# output file, its tRNA census, and its figures (ENC, neutrality, parity rule 2).
RESULTS = {"kstl": ("kstl", ".kstl"), "trna": ("trna", ".tsv"), "svg": ("plots", ".svg"),
           "neutrality": ("plots", ".neutrality.svg"), "pr2": ("plots", ".pr2.svg")}

# The genome's own reference files, in the results folder's reference/ when its analysis used them.
OWN_REFERENCE = ("reference", (".scu", ".opt", ".reference.tsv"))


def result_kinds(settings):
    """The results each genome has under these settings: the parity rule 2 figure needs
    the codon counts or the base shares of fourfold sites."""
    return [kind for key, kind in RESULTS.items() if key != "pr2" or settings["pr2"]]


class Genome:
    """One genome's names and paths."""

    def __init__(self, settings, name, source):
        self.name = name
        self.source = source
        self.work = os.path.abspath(os.path.join(settings["work"], name))
        results = {key: os.path.abspath(os.path.join(settings["results"], folder, name + suffix))
                   for key, (folder, suffix) in RESULTS.items()}
        self.kstl, self.trna, self.svg = results["kstl"], results["trna"], results["svg"]
        self.neutrality, self.pr2 = results["neutrality"], results["pr2"]
        folder, suffixes = OWN_REFERENCE
        self.own_reference = [os.path.abspath(os.path.join(settings["results"], folder, name + suffix))
                              for suffix in suffixes]
        self.logs_root = os.path.abspath(settings["logs"])

    def log(self, step):
        return os.path.join(self.logs_root, step, f"{self.name}.log")


def run_tool(args, log, *, stdin=None, cwd=None, both=False):
    """Runs a tool with its standard error (and output, when both) in the log."""
    tool = os.path.basename(args[0])
    with open(log, "wb") as out:
        try:
            status = subprocess.run(args, stdin=stdin, stdout=out if both else subprocess.DEVNULL,
                                    stderr=subprocess.STDOUT if both else out, cwd=cwd).returncode
        except OSError as e:
            raise StepFailed(log, f"{args[0]} could not be run: {e.strerror}")
    if status < 0:
        raise StepFailed(log, f"{tool} was stopped by signal {-status}")
    if status != 0:
        raise StepFailed(log, f"{tool} exited with status {status}")


def move_into_place(source, target):
    """Moves a finished file to its place: a rename, or across file systems a copy to a
    temporary name beside the target and a rename."""
    os.makedirs(os.path.dirname(target), exist_ok=True)
    try:
        os.replace(source, target)
    except OSError:
        temporary = f"{target}.{os.getpid()}.tmp"
        shutil.copyfile(source, temporary)
        os.replace(temporary, target)
        os.remove(source)


def usable_reference(work):
    """Why the reference kestrel-reference left in work cannot serve, or None when it can:
    it must hold an optimal codon (a set no different from the rest of the genome gives
    none, and then Fop is 0 for every gene and CAI measures nothing)."""
    with open(os.path.join(work, "ref.opt")) as opt:
        entries = opt.read().split("#", 1)[1].split()
    if "1" not in entries[2::3]:
        return "no codon of the reference set is optimal (see the warning above)"
    return None


def own_reference(settings, genome, inputs, code):
    """Builds the genome's reference in its work folder from the lookup table's inputs, under
    the genetic code of the table; whether the analysis can use it.
    A genome without a usable set is analysed without CAI and Fop, the reason in the log."""
    work = genome.work
    log = genome.log("reference")
    for path in genome.own_reference:
        if os.path.lexists(path):
            os.remove(path)
    try:
        run_tool([settings["tools"]["kestrel-reference"], "--set", settings["reference_set"], "-g", str(code),
                  "-o", "ref", *inputs], log, cwd=work)
        reason = usable_reference(work)
    except StepFailed as e:
        reason = f"{e}: no reference set (see above)"
    if reason:
        with open(log, "a") as messages:
            print(f"analysed without CAI and Fop: {reason}", file=messages)
        return False
    for suffix, path in zip(OWN_REFERENCE[1], genome.own_reference):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(os.path.join(work, "ref" + suffix), path)
    return True


def lookup_genetic_code(path, log):
    """The genetic code a lookup table was built for: each entry of a code other than the
    standard one ends with "//transl_table=N"."""
    with open(path, "rb") as table:
        code, entries = 1, 0
        for line in table:
            if line.startswith(b"#CDS"):
                entries += 1
            elif line.startswith(CODE_MARK):
                code = int(line[len(CODE_MARK):])
    if not entries:
        raise StepFailed(log, "the lookup table has no entries: no CDS feature of this genome can be analysed")
    return code


def lookup_arguments(sources):
    """kestrel-lookup's inputs for a genome's files (see find_genomes in the Snakefile);
    all but an uncompressed GenBank file have their sequences written to genome.seq."""
    first = sources[0].lower()
    base = first[:-3] if first.endswith(".gz") else first
    if base.endswith((".gff3", ".gff")):
        return ["--gff", sources[0]] + (["--fasta", sources[1]] if len(sources) > 1 else [])
    if base.endswith((".fna", ".fa", ".fasta")):
        return ["--cds-fasta", sources[0]]
    return [sources[0]]


def analyse(settings, genome):
    """Build the genome's lookup table (an uncompressed GenBank file copied in first), write
    the answers and run the analysis in the genome's work folder, where every file has a
    short fixed name."""
    work = genome.work
    os.makedirs(work, exist_ok=True)
    for stale in ("genome.kstl", "genome.gb", "genome.seq", "genome.trna.tsv"):
        if os.path.lexists(os.path.join(work, stale)):
            os.remove(os.path.join(work, stale))
    sources = [os.path.abspath(path) for path in genome.source]
    inputs = lookup_arguments(sources)
    log = genome.log("decompress")
    with open(log, "w") as messages:
        if inputs == sources and re.search(r"\.(gb|gbk|gbff)$", sources[0], re.IGNORECASE):
            try:
                shutil.copyfile(sources[0], os.path.join(work, "genome.gb"))
            except OSError as e:
                print(f"{genome.source[0]}: {e}", file=messages)
                raise StepFailed(log, "the genome file could not be read")
            inputs = ["genome.gb"]

    tools = settings["tools"]
    log = genome.log("lookup")
    forced = settings.get("genetic_code", 0)
    run_tool([tools["kestrel-lookup"], *(["-g", str(forced)] if forced else []), "--trna", "genome.trna.tsv",
              "-o", "genome.lookup", "--seq", "genome.seq", *inputs], log, cwd=work)
    code = lookup_genetic_code(os.path.join(work, "genome.lookup"), log)

    words = settings["answers"]
    if settings["reference_set"] and own_reference(settings, genome, inputs, code):
        words = settings["reference_answers"]

    log = genome.log("answers")
    with open(log, "w") as messages:
        try:
            for path, name in settings["references"]:
                shutil.copyfile(path, os.path.join(work, name))
            with open(os.path.join(work, "answers"), "w") as answers:
                answers.write("".join(f"{word}\n" for word in words))
        except OSError as e:
            print(e, file=messages)
            raise StepFailed(log, "the answers file could not be written")

    log = genome.log("kestrel")
    with open(os.path.join(work, "answers"), "rb") as answers:
        run_tool([tools["kestrel"], *(["-g", str(code)] if code != 1 else [])], log, stdin=answers, cwd=work,
                 both=True)
    # The analysis always exits with status 0: its closing line tells success apart.
    with open(log, "rb") as console:
        if b"KESTREL done." not in console.read():
            raise StepFailed(log, "the analysis did not finish (no 'KESTREL done.' above)")
    output = os.path.join(work, "genome.kstl")
    if not os.path.isfile(output) or os.path.getsize(output) == 0:
        raise StepFailed(log, "the analysis wrote no output file")
    move_into_place(output, genome.kstl)
    move_into_place(os.path.join(work, "genome.trna.tsv"), genome.trna)
    for sequences in ("genome.gb", "genome.seq"):
        if os.path.exists(os.path.join(work, sequences)):
            os.remove(os.path.join(work, sequences))


def plot(settings, genome):
    """The ENC figure, the neutrality figure and, when the file allows, the parity rule 2
    figure, drawn in one run of kestrel-plot."""
    x = ["--x", settings["plot_x"]] if settings["plot_x"] else []
    os.makedirs(os.path.dirname(genome.svg), exist_ok=True)
    figures = ["--figure", "enc", *x, "-o", genome.svg, "--figure", "neutrality", "-o", genome.neutrality]
    if settings["pr2"]:
        figures += ["--figure", "pr2", "-o", genome.pr2]
    run_tool([settings["tools"]["kestrel-plot"], *figures, genome.kstl], genome.log("plot"))


def reference_list(settings):
    """The gene list of the genomes' own references, if they are built from one."""
    chosen = settings["reference_set"] or ""
    return [chosen[len("genes:"):]] if chosen.startswith("genes:") else []


# One step: its logs, its inputs and outputs, the settings whose change makes it run
# again, and what it does. A new per-genome step is one more row.
Step = namedtuple("Step", "name logs inputs outputs settings run")
STEPS = (
    Step("analyse", ("decompress", "lookup", "reference", "answers", "kestrel"),
         lambda s, g: [*g.source] + [path for path, _ in s["references"]] + reference_list(s),
         lambda s, g: [g.kstl, g.trna, os.path.join(g.work, "genome.lookup")],
         lambda s, g: [g.source, s["tools"]["kestrel-lookup"], s["tools"]["kestrel"], s["answers"], s["references"],
                       s["tools"]["kestrel-reference"], s["reference_set"], s["reference_answers"],
                       s.get("genetic_code", 0)],
         analyse),
    Step("plot", ("plot",),
         lambda s, g: [g.kstl],
         lambda s, g: [g.svg, g.neutrality] + ([g.pr2] if s["pr2"] else []),
         lambda s, g: [s["tools"]["kestrel-plot"], s["plot_x"], s["pr2"]],
         plot),
)


def mtime(path):
    try:
        return os.stat(path).st_mtime_ns
    except FileNotFoundError:
        return None


def fingerprint(step, settings, genome):
    return json.dumps(step.settings(settings, genome), sort_keys=True)


def up_to_date(step, settings, genome, recorded):
    if recorded.get(step.name) != fingerprint(step, settings, genome):
        return False
    outputs = [mtime(path) for path in step.outputs(settings, genome)]
    if None in outputs:
        return False
    inputs = [mtime(path) for path in step.inputs(settings, genome)]
    return None not in inputs and max(inputs) <= min(outputs)


def remove_outputs(steps, settings, genome):
    for step in steps:
        for path in step.outputs(settings, genome):
            if os.path.lexists(path):
                os.remove(path)


def run_genome(settings, genome):
    """Runs the steps of one genome that are out of date. Returns whether it succeeded,
    and what it did for the batch's log."""
    record_path = os.path.join(genome.work, "steps.json")
    try:
        with open(record_path) as f:
            recorded = json.load(f)
    except (OSError, ValueError):
        recorded = {}
    ran = []
    for index, step in enumerate(STEPS):
        # A step after one that ran again runs again too.
        if not ran and up_to_date(step, settings, genome, recorded):
            continue
        ran.append(step.name)
        recorded.pop(step.name, None)
        try:
            step.run(settings, genome)
        except (StepFailed, OSError) as e:
            log = e.log if isinstance(e, StepFailed) else genome.log(step.logs[-1])
            with open(log, "a") as messages:
                print(f"FAILED: {e}", file=messages)
            remove_outputs(STEPS[index:], settings, genome)
            write_whole(record_path, json.dumps(recorded))
            return False, f"{step.name} failed, see {log}"
        recorded[step.name] = fingerprint(step, settings, genome)
    if ran:
        write_whole(record_path, json.dumps(recorded))
    return True, f"ran {', '.join(ran)}" if ran else "up to date"


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[1]) as f:
        settings = json.load(f)
    with open(argv[2]) as f:
        genomes = json.load(f)
    for step in STEPS:
        for name in step.logs:
            os.makedirs(os.path.join(settings["logs"], name), exist_ok=True)
    failed = []
    for name, source in genomes:
        succeeded, outcome = run_genome(settings, Genome(settings, name, source))
        print(f"{name}: {outcome}", file=sys.stderr, flush=True)
        if not succeeded:
            failed.append(name)
    if failed:
        print(f"{len(failed)} of {len(genomes)} genomes failed: {', '.join(failed)}", file=sys.stderr)
        return 1
    write_whole(argv[3], "".join(f"{name}\n" for name, _ in genomes))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
