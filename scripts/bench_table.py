#!/usr/bin/env python3
"""Turns Google Benchmark JSON output (with aggregates) into a Markdown table of medians.

JSON rather than CSV: the CSV reporter drops benchmarks whose counters differ from the
first one's. Output that is not JSON (a benchmark with a reporter of its own) is shown
as it was printed."""
import json
import sys

text = sys.stdin.read()
try:
    records = json.loads(text).get("benchmarks", [])
except ValueError:
    records = None

if not records:
    print("```")
    print(text.rstrip())
    print("```")
    sys.exit(0)

KNOWN = {"name", "family_index", "per_family_instance_index", "run_name", "run_type", "repetitions",
         "repetition_index", "threads", "aggregate_name", "aggregate_unit", "iterations", "real_time",
         "cpu_time", "time_unit", "bytes_per_second", "items_per_second", "label", "error_occurred",
         "error_message"}

rows = []
for rec in records:
    if rec.get("run_type") != "aggregate" or rec.get("aggregate_name") != "median":
        continue
    name = rec.get("run_name") or rec.get("name") or ""
    unit = rec.get("time_unit", "ns")
    # CPU time too: on a machine shared with compilers wall time mostly measures the scheduler.
    time = float(rec.get("real_time") or 0)
    cpu = float(rec.get("cpu_time") or 0)
    extra = []
    for key, value in rec.items():
        if key in KNOWN or not isinstance(value, (int, float)):
            continue
        extra.append(f"{key}={float(value):.4g}")
    if rec.get("items_per_second"):
        extra.append(f"{float(rec['items_per_second']) / 1e6:.1f} M items/s")
    if rec.get("bytes_per_second"):
        extra.append(f"{float(rec['bytes_per_second']) / 1e6:.1f} MB/s")
    if rec.get("label"):
        extra.append(rec["label"])
    rows.append((name, f"{time:.1f} {unit}", f"{cpu:.1f} {unit}", ", ".join(extra)))

print("| case | median time | median CPU | figures |")
print("|---|---|---|---|")
for name, time, cpu, extra in rows:
    print(f"| {name} | {time} | {cpu} | {extra} |")
