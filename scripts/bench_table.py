#!/usr/bin/env python3
"""Turns Google Benchmark CSV output (with aggregates) into a Markdown table of medians."""
import csv
import sys

text = sys.stdin.read()
rows = []
for rec in csv.DictReader(line for line in text.splitlines() if not line.startswith("#")):
    name = rec.get("name") or ""
    if not name.endswith("_median"):
        continue
    name = name[: -len("_median")]
    time = float(rec.get("real_time") or 0)
    # CPU time too: on a machine shared with compilers wall time mostly measures the scheduler.
    cpu = float(rec.get("cpu_time") or 0)
    unit = rec.get("time_unit", "ns")
    extra = []
    for key, value in rec.items():
        if key in ("name", "iterations", "real_time", "cpu_time", "time_unit", "bytes_per_second",
                   "items_per_second", "label", "error_occurred", "error_message"):
            continue
        if value:
            extra.append(f"{key}={float(value):.4g}")
    if rec.get("items_per_second"):
        extra.append(f"{float(rec['items_per_second']) / 1e6:.1f} M items/s")
    if rec.get("bytes_per_second"):
        extra.append(f"{float(rec['bytes_per_second']) / 1e6:.1f} MB/s")
    if rec.get("label"):
        extra.append(rec["label"])
    rows.append((name, f"{time:.1f} {unit}", f"{cpu:.1f} {unit}", ", ".join(extra)))

if not rows:
    # A benchmark with a reporter of its own (the blit ratio table) is shown as it printed.
    print("```")
    print(text.rstrip())
    print("```")
    sys.exit(0)

print("| case | median time | median CPU | figures |")
print("|---|---|---|---|")
for name, time, cpu, extra in rows:
    print(f"| {name} | {time} | {cpu} | {extra} |")
