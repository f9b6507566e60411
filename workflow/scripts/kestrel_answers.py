#!/usr/bin/env python3
"""Checks the workflow's settings and writes the answers file that drives one KESTREL run.

This is the one place that knows the menus' letters and their defaults: the main menu
(T genome type, R RSCU table, M minimum RSCU, P preferred codons), the analysis options
menu (1-5 stringency, M codon usage, B base usage, D degeneracy, N noncoding mode,
S segment analysis) and the segment menu (T direction, L limits).

usage: kestrel_answers.py CONFIG.yaml LOOKUP OUTPUT [KEY=VALUE ...]
KEY may be dotted (stringency.no_premature_stops=false); the answers go to stdout.
"""
import os
import sys
from decimal import Decimal

NONCODING_MODES = {"combined": 0, "flanking_and_introns": 1, "separate": 2}
# The analysis menu starts in mode 2 and each N steps 2 -> 0 -> 1 -> 2.
NONCODING_PRESSES = {2: 0, 0: 1, 1: 2}
REFERENCE_PREFIX = "ref"
# The segment limits are read as signed 32-bit whole numbers.
INT32_MAX = 2**31 - 1

# Every setting, with the keys of each group and their defaults.
TEXT_SETTINGS = ("genomes", "results", "bin_dir", "rscu_table", "optimal_codons", "plot_x", "genome_type", "reference")
# How each genome's own reference is chosen (kestrel-reference --set); any other value is a gene list.
REFERENCE_SETS = ("ribosomal", "iterative")
GROUPS = {
    "stringency": {"start_codon_required": True, "stop_codon_required": True, "all_codons_must_be_good": True,
                   "no_alternative_cds": False, "no_premature_stops": True},
    "output": {"codon_usage": True, "report_base_usage": False, "degeneracy_breakdown": False,
               "noncoding": "separate"},
    "segment": {"enabled": False, "relative_to": "start", "begin": 1, "end": 10},
}
# Whole-number settings of the workflow itself, with their defaults (0: decided at run time).
COUNT_SETTINGS = {"batch_size": 50, "table_threads": 0}
SETTINGS = set(TEXT_SETTINGS) | set(GROUPS) | set(COUNT_SETTINGS) | {"minimum_rscu", "genetic_code"}
# The NCBI translation tables the analysis reads (kestrel -g N).
GENETIC_CODES = set(range(1, 7)) | set(range(9, 17)) | set(range(21, 34))
PLOT_X = ("", "GC3", "GC3_6")


class SettingsError(ValueError):
    """A bad setting; the message begins with the setting's key."""

    def __init__(self, key, problem):
        super().__init__(f"{key}: {problem}")


# Values given on the Snakemake command line arrive as text.
TRUE_WORDS = {"true": True, "yes": True, "on": True, "false": False, "no": False, "off": False}


def _group(config, name):
    """The settings of a group, every key known."""
    section = config.get(name)
    if section is None:
        return {}
    if not isinstance(section, dict):
        raise SettingsError(name, f"must be a group of settings, not {section!r}")
    for key in section:
        if key not in GROUPS[name]:
            raise SettingsError(f"{name}.{key}", "unknown setting")
    return section


def _flag(section, group, key):
    value = section.get(key, GROUPS[group][key])
    if isinstance(value, str) and value.lower() in TRUE_WORDS:
        value = TRUE_WORDS[value.lower()]
    if not isinstance(value, bool):
        raise SettingsError(f"{group}.{key}", f"must be true or false, not {value!r}")
    return value


def codon_counts(config):
    """Whether the output files hold the codon counts that the added indices, tAI and the
    parity rule 2 figure are computed from."""
    return _flag(_group(config, "output"), "output", "codon_usage")


def fourfold_shares(config):
    """Whether the output files hold the base shares of fourfold sites (A3_6 ... C3_6)."""
    out = _group(config, "output")
    return _flag(out, "output", "degeneracy_breakdown") and _flag(out, "output", "report_base_usage")


def _whole(section, key):
    value = section.get(key, GROUPS["segment"][key])
    if isinstance(value, str) and value.isdigit():
        value = int(value)
    if isinstance(value, bool) or not isinstance(value, int) or not 0 <= value <= INT32_MAX:
        raise SettingsError(f"segment.{key}", f"must be a whole number from 0 to {INT32_MAX}, not {value!r}")
    return value


def _text(config, key):
    value = config.get(key)
    if value is None:
        return ""
    if not isinstance(value, str):
        raise SettingsError(key, f"must be a text, not {value!r}")
    return value


def _count(config, key):
    value = config.get(key, COUNT_SETTINGS[key])
    if isinstance(value, str) and value.isdigit():
        value = int(value)
    least = 1 if COUNT_SETTINGS[key] else 0
    if isinstance(value, bool) or not isinstance(value, int) or not least <= value <= 100000:
        raise SettingsError(key, f"must be a whole number from {least} to 100000, not {value!r}")
    return value


def batch_size(config):
    """How many genomes one job of the workflow runs, one after another."""
    return _count(config, "batch_size")


def table_threads(config):
    """Threads of the table job; 0 leaves the choice to the workflow."""
    return _count(config, "table_threads")


def genetic_code(config):
    """The genetic code every genome is read with; 0 (the default): each genome's own, as
    its lookup table records it."""
    value = config.get("genetic_code", 0)
    if isinstance(value, str) and value.isdigit():
        value = int(value)
    if isinstance(value, bool) or not isinstance(value, int) or (value != 0 and value not in GENETIC_CODES):
        raise SettingsError("genetic_code", f"must be 0 or an NCBI genetic code (1 to 6, 9 to 16, 21 to 33), "
                            f"not {value!r}")
    return value


def _minimum_rscu(config):
    minimum = config.get("minimum_rscu", 0.01)
    if isinstance(minimum, str):
        try:
            minimum = float(minimum)
        except ValueError:
            pass
    if isinstance(minimum, bool) or not isinstance(minimum, (int, float)) or not 0 <= minimum < 1:
        raise SettingsError("minimum_rscu", f"must be at least 0 and below 1, not {minimum!r}")
    return minimum


def reference_set(config):
    """The --set of kestrel-reference for each genome: "ribosomal", "iterative" or
    "genes:PATH"; None when no reference is built (reference: none, or the fixed files of
    rscu_table or optimal_codons are given: they serve every genome)."""
    value = _text(config, "reference") or "ribosomal"
    if value == "none" or _text(config, "rscu_table") or _text(config, "optimal_codons"):
        return None
    if value in REFERENCE_SETS:
        return value
    if not os.path.isfile(value):
        raise SettingsError("reference", f"must be none, ribosomal, iterative or the path of a gene list, not {value!r}")
    return "genes:" + os.path.abspath(value)


def _segment_words(segment):
    """The segment menu's answers, with the limits the analysis accepts."""
    direction = segment.get("relative_to", "start")
    begin = _whole(segment, "begin")
    end = _whole(segment, "end")
    if direction == "start":
        if not 1 <= begin < end:
            raise SettingsError("segment.begin", "relative to start, begin must be at least 1 and end above begin, "
                                f"not {begin} and {end}")
        return ["L", str(begin), str(end)] if (begin, end) != (1, 10) else []
    if direction == "stop":
        if not 0 <= end < begin or begin < 2:
            raise SettingsError("segment.begin", "relative to stop, begin must be at least 2 and end below begin, "
                                f"not {begin} and {end}")
        return ["T", str(begin), str(end)]
    raise SettingsError("segment.relative_to", f"must be start or stop, not {direction!r}")


def check_settings(config):
    """Checks every setting before anything runs: unknown keys, types, the limits the
    analysis accepts and the reference files; raises SettingsError naming the key."""
    for key in config:
        if key not in SETTINGS:
            raise SettingsError(key, "unknown setting")
    for key in TEXT_SETTINGS:
        _text(config, key)
    for key in ("rscu_table", "optimal_codons"):
        path = _text(config, key)
        if path and not os.path.isfile(path):
            raise SettingsError(key, f"no file {path}")
    if _text(config, "plot_x") not in PLOT_X:
        raise SettingsError("plot_x", f"must be GC3 or GC3_6 (or empty), not {config['plot_x']!r}")
    for key in COUNT_SETTINGS:
        _count(config, key)
    genetic_code(config)
    segment = _group(config, "segment")
    _whole(segment, "begin")
    _whole(segment, "end")
    reference_set(config)
    answers(config, "genome.lookup", "genome")


def answers(config, lookup, output, own_reference=False):
    """The answer words, in the order the dialogue asks for them; own_reference: the
    genome's own .scu and .opt files (from kestrel-reference) answer R and P."""
    words = [lookup, output]

    genome = _text(config, "genome_type") or "prokaryote"
    if genome not in ("prokaryote", "eukaryote"):
        raise SettingsError("genome_type", f"must be prokaryote or eukaryote, not {genome!r}")
    if genome == "prokaryote":
        words.append("T")
    has_rscu = bool(_text(config, "rscu_table")) or own_reference
    if has_rscu:
        words += ["R", REFERENCE_PREFIX]
    minimum = _minimum_rscu(config)
    if has_rscu and minimum != 0.01:
        # The prompt takes plain decimals only: no sign, no exponent.
        words += ["M", format(Decimal(repr(float(minimum))), "f")]
    has_optimal = bool(_text(config, "optimal_codons")) or own_reference
    if has_optimal:
        words += ["P", REFERENCE_PREFIX]
    words.append("C")

    rules = _group(config, "stringency")
    start = _flag(rules, "stringency", "start_codon_required")
    stop = _flag(rules, "stringency", "stop_codon_required")
    # Turning the overall rule on forces rules 1 and 2 on, so it is turned off first.
    if not _flag(rules, "stringency", "all_codons_must_be_good"):
        words.append("3")
    if not start:
        words.append("1")
    if not stop:
        words.append("2")
    if _flag(rules, "stringency", "no_alternative_cds"):
        words.append("4")
    if not _flag(rules, "stringency", "no_premature_stops"):
        words.append("5")

    out = _group(config, "output")
    if not _flag(out, "output", "codon_usage"):
        words.append("M")
    if _flag(out, "output", "report_base_usage"):
        words.append("B")
    if _flag(out, "output", "degeneracy_breakdown"):
        words.append("D")
    mode = out.get("noncoding", "separate")
    if mode not in NONCODING_MODES:
        raise SettingsError("output.noncoding", f"must be one of {', '.join(NONCODING_MODES)}, not {mode!r}")
    words += ["N"] * NONCODING_PRESSES[NONCODING_MODES[mode]]

    segment = _group(config, "segment")
    if _flag(segment, "segment", "enabled"):
        if not has_optimal:
            raise SettingsError("segment.enabled", "the segment analysis needs optimal_codons (a .opt file)")
        words += ["S", "C"] + _segment_words(segment)
    words.append("C")
    return words


def _apply_override(config, assignment):
    import yaml

    key, sep, value = assignment.partition("=")
    if not sep:
        raise SettingsError(assignment, "expected KEY=VALUE")
    *path, last = key.split(".")
    section = config
    for part in path:
        section = section.setdefault(part, {})
    section[last] = yaml.safe_load(value) if value else ""


def main(argv):
    import yaml

    if len(argv) < 4 or argv[1] in ("-h", "--help"):
        print(__doc__.strip(), file=sys.stderr if len(argv) < 4 else sys.stdout)
        return 0 if len(argv) > 1 and argv[1] in ("-h", "--help") else 2
    with open(argv[1]) as f:
        config = yaml.safe_load(f) or {}
    try:
        for assignment in argv[4:]:
            _apply_override(config, assignment)
        print("\n".join(answers(config, argv[2], argv[3])))
    except SettingsError as e:
        print(f"kestrel_answers: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
