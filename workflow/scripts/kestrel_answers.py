#!/usr/bin/env python3
"""Writes the answers file that drives one KESTREL run from the workflow's settings.

This is the one place that knows the menus' letters and their defaults: the main menu
(T genome type, R RSCU table, M minimum RSCU, P preferred codons), the analysis options
menu (1-5 stringency, M codon usage, B base usage, D degeneracy, N noncoding mode,
S segment analysis) and the segment menu (T direction, L limits).

usage: kestrel_answers.py CONFIG.yaml LOOKUP OUTPUT [KEY=VALUE ...]
KEY may be dotted (stringency.no_premature_stops=false); the answers go to stdout.
"""
import sys

NONCODING_MODES = {"combined": 0, "flanking_and_introns": 1, "separate": 2}
# The analysis menu starts in mode 2 and each N steps 2 -> 0 -> 1 -> 2.
NONCODING_PRESSES = {2: 0, 0: 1, 1: 2}
REFERENCE_PREFIX = "ref"


class SettingsError(ValueError):
    pass


# Values given on the Snakemake command line arrive as text.
TRUE_WORDS = {"true": True, "yes": True, "on": True, "false": False, "no": False, "off": False}


def _flag(section, key, default):
    value = section.get(key, default)
    if isinstance(value, str) and value.lower() in TRUE_WORDS:
        value = TRUE_WORDS[value.lower()]
    if not isinstance(value, bool):
        raise SettingsError(f"{key} must be true or false, not {value!r}")
    return value


def _whole(section, key, default):
    value = section.get(key, default)
    if isinstance(value, str) and value.isdigit():
        value = int(value)
    if isinstance(value, bool) or not isinstance(value, int) or value < 0:
        raise SettingsError(f"segment {key} must be a whole number, not {value!r}")
    return value


def answers(config, lookup, output):
    """The answer words, in the order the dialogue asks for them."""
    words = [lookup, output]

    genome = config.get("genome_type", "prokaryote")
    if genome not in ("prokaryote", "eukaryote"):
        raise SettingsError(f"genome_type must be prokaryote or eukaryote, not {genome!r}")
    if genome == "prokaryote":
        words.append("T")
    if config.get("rscu_table"):
        words += ["R", REFERENCE_PREFIX]
        minimum = config.get("minimum_rscu", 0.01)
        if isinstance(minimum, str):
            try:
                minimum = float(minimum)
            except ValueError:
                pass
        if isinstance(minimum, bool) or not isinstance(minimum, (int, float)) or not 0 <= minimum < 1:
            raise SettingsError(f"minimum_rscu must be at least 0 and below 1, not {minimum!r}")
        if minimum != 0.01:
            # The prompt takes plain decimals only: no sign, no exponent.
            words += ["M", f"{minimum:.10f}".rstrip("0")]
    has_optimal = bool(config.get("optimal_codons"))
    if has_optimal:
        words += ["P", REFERENCE_PREFIX]
    words.append("C")

    rules = config.get("stringency") or {}
    start = _flag(rules, "start_codon_required", True)
    stop = _flag(rules, "stop_codon_required", True)
    # Turning the overall rule on forces rules 1 and 2 on, so it is turned off first.
    if not _flag(rules, "all_codons_must_be_good", True):
        words.append("3")
    if not start:
        words.append("1")
    if not stop:
        words.append("2")
    if _flag(rules, "no_alternative_cds", False):
        words.append("4")
    if not _flag(rules, "no_premature_stops", True):
        words.append("5")

    out = config.get("output") or {}
    if not _flag(out, "codon_usage", True):
        words.append("M")
    if _flag(out, "report_base_usage", False):
        words.append("B")
    if _flag(out, "degeneracy_breakdown", False):
        words.append("D")
    mode = out.get("noncoding", "separate")
    if mode not in NONCODING_MODES:
        raise SettingsError(f"noncoding must be one of {', '.join(NONCODING_MODES)}, not {mode!r}")
    words += ["N"] * NONCODING_PRESSES[NONCODING_MODES[mode]]

    segment = config.get("segment") or {}
    if _flag(segment, "enabled", False):
        words += ["S", "C"]
        if not has_optimal:
            raise SettingsError("the segment analysis needs optimal_codons (a .opt file)")
        direction = segment.get("relative_to", "start")
        begin = _whole(segment, "begin", 1)
        end = _whole(segment, "end", 10)
        if direction == "start":
            if begin < 1 or end <= begin:
                raise SettingsError("relative to start, segment begin must be at least 1 and end above begin")
            if (begin, end) != (1, 10):
                words += ["L", str(begin), str(end)]
        elif direction == "stop":
            if begin < 2 or end >= begin:
                raise SettingsError("relative to stop, segment begin must be at least 2 and end below begin")
            words += ["T", str(begin), str(end)]
        else:
            raise SettingsError(f"segment relative_to must be start or stop, not {direction!r}")
    words.append("C")
    return words


def _apply_override(config, assignment):
    import yaml

    key, sep, value = assignment.partition("=")
    if not sep:
        raise SettingsError(f"expected KEY=VALUE, not {assignment!r}")
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
