#!/usr/bin/env python3
"""Runs the per-genome steps for the genomes of one batch, one genome after another.

usage: run_batch.py SETTINGS.json BATCH.json DONE

SETTINGS.json holds what every genome's run needs (tools, answers, reference files,
folders); BATCH.json the genomes, as [name, [its files]] pairs. Each genome goes
through STEPS in order, each step writing its own logs (logs/STEP/NAME.log).

Starting a process costs more than a small genome's work, so the companion tools run
once per batch (TOOL --batch LIST, one run per genome, each with its own log and exit
status); only the analysis, which reads its answers from a console, runs once per
genome. A run the batch process did not finish (it died) is run again on its own.

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


def failure(tool, status):
    """Why a run with this exit status failed, or None when it succeeded."""
    if status < 0:
        return f"{os.path.basename(tool)} was stopped by signal {-status}"
    return f"{os.path.basename(tool)} exited with status {status}" if status else None


def run_tool(args, log, *, stdin=None, cwd=None):
    """Runs a tool with its standard output and error in the log."""
    with open(log, "wb") as out:
        try:
            status = subprocess.run(args, stdin=stdin, stdout=out, stderr=subprocess.STDOUT, cwd=cwd).returncode
        except OSError as e:
            raise StepFailed(log, f"{args[0]} could not be run: {e.strerror}")
    reason = failure(args[0], status)
    if reason:
        raise StepFailed(log, reason)


def run_batched(tool, runs, scratch, alone=None):
    """Runs a tool once for each (log, folder, args) of runs, in one process (TOOL
    --batch). Returns for each run why it failed, or None. A run whose fields a list line
    cannot hold (a tab or line end in a name), and every run the batch process did not
    report (it died), runs on its own: alone(tool, log, folder, args), by default the tool
    with those arguments."""
    reasons = [None] * len(runs)
    fits = [i for i, run in enumerate(runs)
            if not any(set(field) & set("\t\n\r") for field in (run[0], run[1], *run[2]))]
    done = set()
    if len(fits) > 1:
        with open(scratch, "w", encoding="utf-8", errors="surrogateescape") as listing:
            for i in fits:
                log, folder, args = runs[i]
                listing.write("\t".join([log, folder, *args]) + "\n")
        try:
            finished = subprocess.run([tool, "--batch", scratch], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        except OSError as e:
            finished = None
            print(f"{tool} could not be run: {e.strerror}", file=sys.stderr)
        if finished is not None:
            sys.stderr.write(finished.stderr.decode("utf-8", "replace"))
            for i, line in zip(fits, finished.stdout.decode("utf-8", "surrogateescape").split("\n")):
                status, _, log = line.partition("\t")
                if log == runs[i][0] and status.lstrip("-").isdigit():
                    reasons[i] = failure(tool, int(status))
                    done.add(i)
            if len(done) < len(fits):
                print(f"{tool} --batch ended after {len(done)} of {len(fits)} runs "
                      f"({failure(tool, finished.returncode) or 'no reason given'}): the rest run one by one",
                      file=sys.stderr)
        os.remove(scratch)
    for i, (log, folder, args) in enumerate(runs):
        if i not in done:
            try:
                if alone:
                    alone(tool, log, folder, args)
                else:
                    run_tool([tool, *args], log, cwd=folder)
            except (StepFailed, OSError) as e:
                reasons[i] = str(e)
    return reasons


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


def prepare(settings, run):
    """Empties the genome's work folder of an earlier run's files and sets the lookup
    builder's inputs (an uncompressed GenBank file copied in first, under a short name)."""
    genome = run.genome
    os.makedirs(genome.work, exist_ok=True)
    for stale in ("genome.kstl", "genome.gb", "genome.seq", "genome.trna.tsv", "genome.lookup"):
        if os.path.lexists(os.path.join(genome.work, stale)):
            os.remove(os.path.join(genome.work, stale))
    sources = [os.path.abspath(path) for path in genome.source]
    run.inputs = lookup_arguments(sources)
    log = genome.log("decompress")
    with open(log, "w") as messages:
        if run.inputs == sources and re.search(r"\.(gb|gbk|gbff)$", sources[0], re.IGNORECASE):
            try:
                shutil.copyfile(sources[0], os.path.join(genome.work, "genome.gb"))
            except OSError as e:
                print(f"{genome.source[0]}: {e}", file=messages)
                raise StepFailed(log, "the genome file could not be read")
            run.inputs = ["genome.gb"]


def lookup_run(settings, run):
    forced = settings.get("genetic_code", 0)
    return [*(["-g", str(forced)] if forced else []), "--trna", "genome.trna.tsv", "-o", "genome.lookup",
            "--seq", "genome.seq", *run.inputs]


def read_genetic_code(settings, run):
    run.code = lookup_genetic_code(os.path.join(run.genome.work, "genome.lookup"), run.genome.log("lookup"))


def reference_run(settings, run):
    for path in run.genome.own_reference:
        if os.path.lexists(path):
            os.remove(path)
    return ["--set", settings["reference_set"], "-g", str(run.code), "-o", "ref", *run.inputs]


def take_reference(settings, run, reason):
    """After kestrel-reference: whether the genome's reference can serve its analysis. A
    genome without a usable set is analysed without CAI and Fop, the reason in the log."""
    genome = run.genome
    reason = f"{reason}: no reference set (see above)" if reason else usable_reference(genome.work)
    if reason:
        with open(genome.log("reference"), "a") as messages:
            print(f"analysed without CAI and Fop: {reason}", file=messages)
        return
    for suffix, path in zip(OWN_REFERENCE[1], genome.own_reference):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(os.path.join(genome.work, "ref" + suffix), path)
    run.own_reference = True


def write_answers(settings, run):
    """The answers and reference files of the analysis, in the genome's work folder, where
    every file has a short fixed name."""
    words = settings["reference_answers"] if run.own_reference else settings["answers"]
    log = run.genome.log("answers")
    with open(log, "w") as messages:
        try:
            for path, name in settings["references"]:
                shutil.copyfile(path, os.path.join(run.genome.work, name))
            with open(os.path.join(run.genome.work, "answers"), "w") as answers:
                answers.write("".join(f"{word}\n" for word in words))
        except OSError as e:
            print(e, file=messages)
            raise StepFailed(log, "the answers file could not be written")


def analysis_run(settings, run):
    return ["answers", *(["-g", str(run.code)] if run.code != 1 else [])]


def analysis_alone(tool, log, folder, args):
    """The analysis run on its own: its console reads the answers file."""
    with open(os.path.join(folder, args[0]), "rb") as answers:
        run_tool([tool, *args[1:]], log, stdin=answers, cwd=folder)


def take_analysis(settings, run, reason):
    """After the analysis: its results moved into place."""
    genome, work = run.genome, run.genome.work
    log = genome.log("kestrel")
    if reason:
        raise StepFailed(log, reason)
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


def plot_run(settings, run):
    """The ENC figure, the neutrality figure and, when the file allows, the parity rule 2
    figure, drawn in one run of kestrel-plot."""
    genome = run.genome
    x = ["--x", settings["plot_x"]] if settings["plot_x"] else []
    os.makedirs(os.path.dirname(genome.svg), exist_ok=True)
    figures = ["--figure", "enc", *x, "-o", genome.svg, "--figure", "neutrality", "-o", genome.neutrality]
    if settings["pr2"]:
        figures += ["--figure", "pr2", "-o", genome.pr2]
    return [*figures, genome.kstl]


def reference_list(settings):
    """The gene list of the genomes' own references, if they are built from one."""
    chosen = settings["reference_set"] or ""
    return [chosen[len("genes:"):]] if chosen.startswith("genes:") else []


class GenomeRun:
    """One genome's run in this batch: what its steps recorded, and how far it got."""

    def __init__(self, settings, name, source):
        self.genome = Genome(settings, name, source)
        self.record_path = os.path.join(self.genome.work, "steps.json")
        try:
            with open(self.record_path) as f:
                self.recorded = json.load(f)
        except (OSError, ValueError):
            self.recorded = {}
        self.ran = []
        self.failed = None  # the log that says why
        self.inputs, self.code, self.own_reference = [], 1, False


class Batch:
    """The genomes of a batch going through one step together: the step's parts run for
    every genome before the next part, so that a companion tool starts once per part."""

    def __init__(self, settings, runs, scratch):
        self.settings, self.runs, self.scratch = settings, runs, scratch

    def live(self, step):
        return [run for run in self.runs if step.name in run.ran and not run.failed]

    def fail(self, run, step, error):
        log = error.log if isinstance(error, StepFailed) else run.genome.log(step.logs[-1])
        with open(log, "a") as messages:
            print(f"FAILED: {error}", file=messages)
        run.failed = log
        remove_outputs(STEPS[STEPS.index(step):], self.settings, run.genome)

    def each(self, step, action, *extra):
        """action(settings, run) for each genome still going; an error fails that genome."""
        for run in self.live(step):
            try:
                action(self.settings, run, *extra)
            except (StepFailed, OSError) as e:
                self.fail(run, step, e)

    def tool(self, step, tool, log, arguments, after=None, alone=None):
        """One run of a tool per genome still going, all in one process; then
        after(settings, run, reason) for each, else a failed run fails its genome."""
        runs = self.live(step)
        reasons = run_batched(self.settings["tools"][tool],
                              [(run.genome.log(log), run.genome.work, arguments(self.settings, run)) for run in runs],
                              f"{self.scratch}.{log}.list", alone)
        for run, reason in zip(runs, reasons):
            try:
                if after:
                    after(self.settings, run, reason)
                elif reason:
                    raise StepFailed(run.genome.log(log), reason)
            except (StepFailed, OSError) as e:
                self.fail(run, step, e)


def analyse(batch, step):
    batch.each(step, prepare)
    batch.tool(step, "kestrel-lookup", "lookup", lookup_run)
    batch.each(step, read_genetic_code)
    if batch.settings["reference_set"]:
        batch.tool(step, "kestrel-reference", "reference", reference_run, take_reference)
    batch.each(step, write_answers)
    batch.tool(step, "kestrel", "kestrel", analysis_run, take_analysis, alone=analysis_alone)


def plot(batch, step):
    batch.tool(step, "kestrel-plot", "plot", plot_run)


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


def run_steps(settings, runs, scratch):
    """Runs the steps each genome needs: those out of date, and every step after one that
    runs again. A genome that fails a step goes no further; the others go on."""
    batch = Batch(settings, runs, scratch)
    for step in STEPS:
        for run in runs:
            if not run.failed and (run.ran or not up_to_date(step, settings, run.genome, run.recorded)):
                run.ran.append(step.name)
                run.recorded.pop(step.name, None)
        if batch.live(step):
            step.run(batch, step)
        for run in batch.live(step):
            run.recorded[step.name] = fingerprint(step, settings, run.genome)
    for run in runs:
        if run.ran:
            write_whole(run.record_path, json.dumps(run.recorded))


def outcome(run):
    if run.failed:
        return f"{run.ran[-1]} failed, see {run.failed}"
    return f"ran {', '.join(run.ran)}" if run.ran else "up to date"


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
    runs = [GenomeRun(settings, name, source) for name, source in genomes]
    run_steps(settings, runs, os.path.splitext(os.path.abspath(argv[3]))[0])
    for run in runs:
        print(f"{run.genome.name}: {outcome(run)}", file=sys.stderr)
    failed = [run.genome.name for run in runs if run.failed]
    if failed:
        print(f"{len(failed)} of {len(genomes)} genomes failed: {', '.join(failed)}", file=sys.stderr)
        return 1
    write_whole(argv[3], "".join(f"{name}\n" for name, _ in genomes))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
