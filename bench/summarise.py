#!/usr/bin/env python3
"""Gathers the figures of the rounds that bench/run.sh wrote into one folder
and prints each as min / median / max over the rounds, in Markdown.

Input: PROGRAM-ROUND.txt files whose lines "figure<TAB>name<TAB>value<TAB>unit"
the bench programs print, and codec-ROUND.json from Google Benchmark.
Usage: bench/summarise.py FOLDER
"""
import collections
import glob
import json
import os
import re
import statistics
import sys

DECODE = "BM_DecodeReadPropertyMultipleAck100Reals"
REFERENCE = "BM_ReferencePlainLoop100Reals"
SEGMENTED = "BM_DecodeSegmentedAck100Reals"
SEGMENTED_FLOOR = "BM_ReferenceSegmentedPlainLoop100Reals"
FOREIGN = "BM_ForeignAnswerDropped"
FOREIGN_FULL = "BM_ForeignAnswerThroughDispatch"


def codec_figures(path):
    with open(path) as f:
        data = json.load(f)
    times = {}
    out = []
    for b in data.get("benchmarks", []):
        if b.get("run_type", "iteration") != "iteration":
            continue
        name = b["name"]
        # Processor time: on a shared machine the wall clock also counts the
        # time other work held the processor.
        times[name] = b["cpu_time"]
        out.append((name + " processor time", b["cpu_time"], b.get("time_unit", "ns")))
        for counter in ("allocs_per_iter", "allocs_per_value"):
            if counter in b:
                out.append((name + " " + counter.replace("_", " "), b[counter], ""))
        if "ns_per_value" in b:  # a rate counter (per processor second), inverted: seconds per value
            out.append((name + " per value", b["ns_per_value"] * 1e9, "ns"))
        if "ns_per_segment" in b:
            out.append((name + " per segment", b["ns_per_segment"] * 1e9, "ns"))
    if DECODE in times and REFERENCE in times and times[REFERENCE] > 0:
        out.append(("ReadPropertyMultiple-ACK decode / plain-loop reference", times[DECODE] / times[REFERENCE], "x"))
    if SEGMENTED in times and SEGMENTED_FLOOR in times and times[SEGMENTED_FLOOR] > 0:
        out.append(("segmented ACK decode / floor of the same bytes", times[SEGMENTED] / times[SEGMENTED_FLOOR], "x"))
    if FOREIGN in times and FOREIGN_FULL in times and times[FOREIGN] > 0:
        out.append(("another instance's answer: through Dispatch / dropped on receipt", times[FOREIGN_FULL] / times[FOREIGN], "x"))
    return out


def text_figures(path):
    out = []
    with open(path, errors="replace") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 4 and parts[0] == "figure":
                out.append((parts[1], float(parts[2]), parts[3]))
    return out


def number(v):
    if v == 0:
        return "0"
    if abs(v) >= 1000:
        return f"{v:,.0f}"
    if abs(v) >= 100:
        return f"{v:.0f}"
    if abs(v) >= 10:
        return f"{v:.1f}"
    return f"{v:.2f}"


def main():
    folder = sys.argv[1]
    programs = collections.OrderedDict()
    for path in sorted(glob.glob(os.path.join(folder, "*-*.*"))):
        m = re.match(r"(.+)-(\d+)\.(txt|json)$", os.path.basename(path))
        if not m or (m.group(1) == "codec" and m.group(3) == "txt"):
            continue
        program, round_number = m.group(1), int(m.group(2))
        figures = codec_figures(path) if m.group(3) == "json" else text_figures(path)
        table = programs.setdefault(program, collections.OrderedDict())
        for name, value, unit in figures:
            table.setdefault((name, unit), {})[round_number] = value
    rounds = sorted({r for t in programs.values() for v in t.values() for r in v})
    print(f"Rounds: {len(rounds)}\n")
    for program, table in programs.items():
        print(f"### {program}\n")
        print("| figure | min | median | max | unit | rounds |")
        print("|---|---|---|---|---|---|")
        for (name, unit), by_round in table.items():
            values = [by_round[r] for r in sorted(by_round)]
            print(f"| {name} | {number(min(values))} | {number(statistics.median(values))} | "
                  f"{number(max(values))} | {unit} | {len(values)} |")
        print()


if __name__ == "__main__":
    main()
