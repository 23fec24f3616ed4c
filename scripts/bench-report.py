#!/usr/bin/env python3
"""Reads the outputs of scripts/bench.sh and writes the performance report:
every figure beside its goal, and the machine the figures came from."""
import datetime
import json
import os
import platform
import re
import sys

folder, report = sys.argv[1], sys.argv[2]


def results(name):
    text = open(os.path.join(folder, name)).read()
    line = [l for l in text.splitlines() if l.startswith("RESULT ")][-1]
    return {k: float(v) for k, v in re.findall(r"(\w+)=([\d.]+)", line)}


bench = {}
for b in json.load(open(os.path.join(folder, "receive.json")))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        bench[b["run_name"]] = b


def ms(name):
    b = bench[name]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["real_time"] * scale


reaction, footprint = results("reaction.txt"), results("footprint.txt")
window = results("window-idle.txt")
rows = [
    ("Full 256-output map: framing, dispatch, decoding, storing",
     f"{bench['FullMap256']['bytes_per_second'] / 1e6:.0f} MB/s", ">= 600 MB/s",
     bench["FullMap256"]["bytes_per_second"] / 1e6 >= 600),
    ("Stream of one-output maps, read in 64 KiB pieces",
     f"{bench['OneOutputMaps']['items_per_second'] / 1e6:.2f} M maps/s", ">= 1 M maps/s",
     bench["OneOutputMaps"]["items_per_second"] >= 1e6),
]
small, large = ms("SmallFrameBacklog/1048576"), ms("SmallFrameBacklog/10485760")
rows += [
    ("10 MB against 1 MB of back-to-back small frames",
     f"{large:.1f} ms / {small:.1f} ms = {large / small:.1f} x", "<= 12 x", large / small <= 12),
    ("16,383 outputs x 64 entries, one map decoded and stored",
     f"{ms('LargestSwitcherFullMap'):.1f} ms", "< 100 ms", ms("LargestSwitcherFullMap") < 100),
    ("The same map arriving in 1460-byte TCP segments",
     f"{ms('LargestMapInSegments'):.1f} ms", "(no goal; was 3.8 s)", True),
    ("Crosspoint map held for 16,383 outputs carrying one source each",
     f"{bench['LargestSwitcherMapMemory']['map_bytes'] / 1e6:.2f} MB", "< 1 MB (was 9.6 MB)",
     bench["LargestSwitcherMapMemory"]["map_bytes"] < 1e6),
]
ratio = reaction["reaction_median_us"] / reaction["plain_median_us"]
rows += [
    ("Plain TCP round trip between two processes (10 bytes there, 9 back), median / p99",
     f"{reaction['plain_median_us']:.1f} / {reaction['plain_p99_us']:.1f} us", "(reference)", True),
    ("Reaction: Off map written -> return read, 10,000 cycles, median",
     f"{reaction['reaction_median_us']:.1f} us = {ratio:.1f} x the round trip", "<= 4 x", ratio <= 4),
    ("Reaction, p99", f"{reaction['reaction_p99_us']:.1f} us", "< 1000 us",
     reaction["reaction_p99_us"] < 1000),
    ("Burst of 10,000 one-output maps written at once, until every due return arrived",
     f"{reaction['burst_ms']:.1f} ms ({int(reaction['burst_returns'])} of {int(reaction['burst_due'])} returns)",
     "< 50 ms", reaction["burst_ms"] < 50 and reaction["burst_returns"] == reaction["burst_due"]),
    (f"Idle CPU, headless, {int(footprint['idle_seconds'])} s at Refresh Rate 100",
     f"{footprint['idle_cpu_percent']:.2f} % of one core", "< 0.5 %", footprint["idle_cpu_percent"] < 0.5),
    ("Resident memory, headless", f"{footprint['headless_rss_kb'] / 1024:.1f} MB", "< 30 MB",
     footprint["headless_rss_kb"] / 1024 < 30),
    ("Resident memory, window (Xvfb)", f"{footprint['window_rss_kb'] / 1024:.1f} MB", "< 80 MB",
     0 < footprint["window_rss_kb"] / 1024 < 80),
    (f"Idle CPU, window (Xvfb) with {int(window['watched'])} watched outputs, {int(window['idle_seconds'])} s",
     f"{window['window_idle_cpu_percent']:.2f} % of one core", "< 1 %", window["window_idle_cpu_percent"] < 1),
    (f"Resident memory, window (Xvfb) with {int(window['watched'])} watched outputs",
     f"{window['window_rss_kb'] / 1024:.1f} MB", "< 80 MB", 0 < window["window_rss_kb"] / 1024 < 80),
]

cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")), "?")
lines = [
    "# Performance",
    "",
    "Measured by `scripts/bench.sh`, which rebuilds and reruns everything below and rewrites this file.",
    "",
    f"Machine: {cpu}, {os.cpu_count()} cores, Linux {platform.release()}, "
    f"{datetime.date.today().isoformat()}; build RelWithDebInfo (g++ -O2).",
    "",
    "| Figure | Measured | Goal | Met |",
    "|---|---|---|---|",
]
for what, got, goal, ok in rows:
    lines.append(f"| {what} | {got} | {goal} | {'yes' if ok else '**no**'} |")
    print(f"{'ok ' if ok else 'NO '} {what}: {got}  (goal {goal})")
notes = os.path.join(os.path.dirname(report), "performance-notes.md")
if os.path.exists(notes):
    lines += ["", open(notes).read().strip()]
open(report, "w").write("\n".join(lines) + "\n")
print(f"wrote {report}")
