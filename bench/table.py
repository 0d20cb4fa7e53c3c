#!/usr/bin/env python3
"""Prints the benchmark table from the JSON results that bench/run.sh left in one folder.

Every row is one figure beside its baseline measured in the same run; ratio = figure / baseline.
"""
import json
import os
import re
import sys

MIB = 1024.0 * 1024.0


def load(folder, name):
    path = os.path.join(folder, name)
    try:
        with open(path) as data:
            return json.load(data)
    except (OSError, ValueError):
        return None


def benchmark_results(data):
    """Name -> result; the median aggregate when the run was repeated, else the single run."""
    results = {}
    if not data:
        return results
    for entry in data.get("benchmarks", []):
        name = re.sub(r"/(real_time|iterations:\d+)", "", entry.get("run_name", entry["name"]))
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == "median":
                results[name] = entry
        else:
            results.setdefault(name, entry)
    return results


def to_ms(entry):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry.get("time_unit", "ns")]
    return entry["real_time"] * scale


METRICS = {
    "MB/s": lambda e: e["bytes_per_second"] / MIB,
    "requests/s": lambda e: e["items_per_second"],
    "ms": to_ms,
}


def figure(results, name, unit):
    entry = results.get(name)
    if entry is None or entry.get("error_occurred"):
        return None
    try:
        return METRICS[unit](entry)
    except KeyError:
        return None


def show(value, unit):
    if value is None:
        return "n/a"
    digits = 0 if value >= 100 else (1 if value >= 10 else 2)
    return f"{value:,.{digits}f} {unit}"


def main():
    # --no-startup: a build without Qt has no window to start.
    startup = "--no-startup" not in sys.argv[1:]
    folder = [arg for arg in sys.argv[1:] if not arg.startswith("--")][0]
    text = benchmark_results(load(folder, "text.json"))
    http = benchmark_results(load(folder, "http.json"))
    extraction = benchmark_results(load(folder, "extraction.json"))
    search = benchmark_results(load(folder, "search.json"))

    rows = []  # (benchmark, value, baseline name, baseline value, unit)

    def add(label, results, name, baseline_label, baseline_results, baseline_name, unit):
        rows.append((label, figure(results, name, unit), baseline_label,
                     figure(baseline_results, baseline_name, unit), unit))

    add("extraction of a 1 MB page, 100 results", extraction, "BM_ExtractPage",
        "memchr scan", extraction, "BM_MemchrScan", "MB/s")
    add("  of which the page clean-up", extraction, "BM_CleanResultPage",
        "memchr scan", extraction, "BM_MemchrScan", "MB/s")
    add("Utf8ToGbk, the same page in UTF-8", http, "BM_Utf8ToGbk",
        "ICU ucnv_convertEx", http, "BM_IcuConvertDirect", "MB/s")
    add("Utf8ToGbk, the same page in UTF-8", http, "BM_Utf8ToGbk",
        "ICU through UTF-16", http, "BM_IcuThroughUtf16", "MB/s")
    add("HttpRequest on loopback", http, "BM_HttpRequest",
        "curl program, one start per request", http, "BM_CurlProgram", "requests/s")
    add("HttpRequest on loopback", http, "BM_HttpRequest",
        "one curl program, 50 fetches", http, "BM_CurlProgramLoop", "requests/s")
    for delay in (0, 20):
        for mode in ("quick", "normal"):
            for rows_wanted in (10, 100):
                suffix = f"{mode}/rows:{rows_wanted}/delay_ms:{delay}"
                add(f"whole run, {mode}, {rows_wanted} rows, {delay} ms delay", search,
                    f"RunSearch/{suffix}", "same requests alone", search, f"FetchOnly/{suffix}", "ms")
    for label, name in (("FindText, exact case", "BM_FindText/0"),
                        ("FindText, any case", "BM_FindText/1"),
                        ("TextBetween", "BM_TextBetween"),
                        ("Base64Decode", "BM_Base64Decode"),
                        ("RegexMatcher title pass", "BM_RegexTitlePass")):
        add(f"{label}, 1 MB", text, name, "memchr scan", text, "BM_MemchrScan", "MB/s")

    if startup:
        program = load(folder, "startup_program.json") or {}
        minimal = load(folder, "startup_minimal.json") or {}
        starts = f"median of {program.get('runs', 0)} and {minimal.get('runs', 0)} starts"
        rows.append((f"start-up to the window shown, {starts}", program.get("shown_ms"),
                     "minimal Qt window", minimal.get("shown_ms"), "ms"))
        rows.append(("peak memory (VmHWM) 0.5 s after shown", program.get("peak_mb"),
                     "minimal Qt window", minimal.get("peak_mb"), "MB"))

    table = [("benchmark", "figure", "baseline", "ratio")]
    for label, value, baseline_label, baseline, unit in rows:
        ratio = "n/a"
        if value is not None and baseline:
            ratio = f"{value / baseline:.2f}" if value / baseline >= 0.1 else f"{value / baseline:.2g}"
        table.append((label, show(value, unit), f"{show(baseline, unit)} ({baseline_label})", ratio))
    widths = [max(len(row[i]) for row in table) for i in range(4)]
    align = ("<", ">", ">", ">")

    def line(row):
        return "| " + " | ".join(f"{cell:{a}{w}}" for cell, a, w in zip(row, align, widths)) + " |"

    print(line(table[0]))
    print("|" + "|".join(("-" * (w + 1) + ":") if a == ">" else ("-" * (w + 2)) for a, w in zip(align, widths)) + "|")
    for row in table[1:]:
        print(line(row))
    missing = sum(1 for row in table[1:] if "n/a" in row[1] or "n/a" in row[2])
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
