#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the comparison table from one run of tessamail_bench.

    table.py RESULTS.json [LOAD_BEFORE] [LOAD_AFTER]

RESULTS.json is Google Benchmark's JSON output (with repetitions, the medians are used).
The table is Markdown, so that it can be pasted into docs/benchmarks.md as it is.
"""
import json
import os
import re
import sys

# Wall time and CPU time of an in-process row that differ by more than this are both shown:
# the machine was busy with something else.
LOADED_SPREAD = 1.15


def load(path):
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        kind = b.get("run_type")
        if kind == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = re.sub(r"/(iterations:\d+|manual_time|repeats:\d+)", "", b["run_name"])
        if kind == "aggregate" or name not in runs:
            runs[name] = b
    return data.get("context", {}), runs


def to_ms(b, key):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b[key] * scale


def fmt_ms(ms):
    if ms is None:
        return "—"
    if ms < 10:
        return f"{ms:.2f} ms"
    if ms < 100:
        return f"{ms:.1f} ms"
    return f"{ms:,.0f} ms"


def fmt_mib(kib):
    return "—" if kib is None else f"{kib / 1024:.1f} MiB"


class Row:
    def __init__(self, case, ours="—", age="—", gpg="—", ratio="", target="", met=""):
        self.cells = [case, ours, age, gpg, ratio, target, met]


def main():
    if len(sys.argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    context, runs = load(sys.argv[1])
    load_before = sys.argv[2] if len(sys.argv) > 2 else "?"
    load_after = sys.argv[3] if len(sys.argv) > 3 else "?"

    def get(name):
        return runs.get(name)

    def wall(name):
        b = get(name)
        return None if b is None or b.get("error_occurred") else to_ms(b, "real_time")

    def cpu(name):
        b = get(name)
        if b is None or b.get("error_occurred"):
            return None
        # A process row's own CPU time is the child's; the harness's is only the waiting.
        if "process_cpu_ms" in b:
            return b["process_cpu_ms"]
        return to_ms(b, "cpu_time")

    def rss(name):
        b = get(name)
        return None if b is None or b.get("error_occurred") else b.get("peak_rss_KiB")

    def timed(name):
        """Wall time, and the CPU time beside it when the two drift apart."""
        w, c = wall(name), cpu(name)
        if w is None:
            b = get(name)
            return "failed: " + b["error_message"] if b else "not measured"
        if c and w > c * LOADED_SPREAD:
            return f"{fmt_ms(w)} (CPU {fmt_ms(c)})"
        return fmt_ms(w)

    def ratio(a, b, label):
        if not (a and b):
            return ""
        # Small ratios keep a figure that is not zero.
        return f"{a / b:.2f}× {label}" if a / b >= 0.1 else f"{a / b:.3f}× {label}"

    def peer_ratio(ours, age, gpg):
        parts = [p for p in (ratio(ours, age, "age"), ratio(ours, gpg, "gpg")) if p]
        return ", ".join(parts)

    def at_most(value, limit, cpu_value=None):
        if value is None:
            return "TODO"
        if value <= limit:
            return "yes"
        if cpu_value is not None and cpu_value <= limit:
            return "no (CPU time: yes)"
        return "no"

    def at_click(name):
        """What the key derivation had done by the click, from the row's counters."""
        b = get(name)
        if b is None or b.get("error_occurred") or "derivations_in_click" not in b:
            return ""
        if b["derivations_in_click"] >= 0.5:
            return "; key derived in the click"
        if b["derivation_under_way_at_click"] >= 0.5:
            return "; key derivation still under way at the click"
        return "; key derived before the click"

    rows = []
    for what, key in (("Encrypt + armour", "encrypt"), ("Decrypt", "decrypt")):
        where = "package to armoured text" if key == "encrypt" else "whole received mail to text and files"
        rows.append(Row(f"{what}, largest message, work factor 18, in process ({where})",
                        timed(f"message/{key}/ours")))
        ours, age, gpg = (wall(f"message/{key}/{p}_process") for p in ("ours", "age", "gpg"))
        rows.append(Row(f"{what}, same bytes, one process each (exec to exit)",
                        timed(f"message/{key}/ours_process"), timed(f"message/{key}/age_process"),
                        timed(f"message/{key}/gpg_process"), peer_ratio(ours, age, gpg),
                        "≤ 1.0× age", at_most(ours, age) if age else "TODO"))
    clicks = (("Encrypt", "encrypt", "key chosen 1 s before, click to armour on the clipboard"),
              ("Decrypt", "decrypt", "mail copied 1 s before, click to text and files shown"))
    for what, key, until in clicks:
        name, peer = f"click/{key}/ours", f"message/{key}/age_process"
        ours, age = wall(name), wall(peer)
        met = at_most(ours, 0.15 * age) if age else "TODO"
        rows.append(Row(f"{what} click in the main window, largest message "
                        f"({until}{at_click(name)})", timed(name), timed(peer),
                        ratio=ratio(ours, age, "age"), target="≤ 0.15× age", met=met))
    for what, key in (("Encrypt + armour", "encrypt"), ("Decrypt", "decrypt")):
        name = f"message/{key}_without_kdf/ours"
        rows.append(Row(f"{what} without key derivation, largest message", timed(name),
                        target="≤ 2 ms", met=at_most(wall(name), 2.0, cpu(name))))
    rows.append(Row("… part: armour (cob)", timed("message/armour_only/ours")))
    rows.append(Row("… part: block search in the received mail (141 KB)",
                    timed("message/find_block_in_mail/ours")))
    rows.append(Row("… part: de-armour (dcob)", timed("message/dearmour_only/ours")))
    ours, age = wall("message/scrypt_wf18/ours"), wall("message/decrypt/age_process")
    rows.append(Row("scrypt alone, work factor 18 (what the rows above leave out)",
                    timed("message/scrypt_wf18/ours"), ratio=ratio(ours, age, "age -d"),
                    target="≤ 0.9× age -d", met=at_most(ours, 0.9 * age) if age else "TODO"))
    # The implementations Debian 12 packages, on the same parameters (bench_scrypt.cpp).
    candidates = (
        ("ours", "the program's: OpenSSL 3, region on huge pages, kept for the next use"),
        ("ours_fresh_region", "OpenSSL 3, region on huge pages, mapped afresh each time"),
        ("ours_small_pages", "OpenSSL 3, region on 4 KiB pages (MADV_NOHUGEPAGE), mapped afresh"),
        ("libsodium", "libsodium 1.0.18 (its own mapping, 4 KiB pages)"),
        ("libscrypt_kdf", "libscrypt-kdf 1.3.1 (its own mapping)"),
        ("libscrypt", "libscrypt 1.21 (malloc)"),
        ("libgcrypt", "libgcrypt 1.10 (its own allocator)"),
        ("botan", "Botan 2.19 (its own allocator)"),
        ("cryptopp", "Crypto++ 8.7 (its own allocator)"),
    )
    for key, what in candidates:
        name = f"scrypt_wf18/{key}"
        if get(name) is None:
            continue
        w = wall(name)
        rows.append(Row(f"… scrypt, work factor 18: {what}", timed(name),
                        ratio=ratio(w, age, "age -d")))
    for what, key in (("encrypt", "encrypt"), ("decrypt", "decrypt")):
        age, gpg = rss(f"message/{key}/age_process"), rss(f"message/{key}/gpg_process")
        for how, tool in (("the program, main window shown", "ours_window"),
                          ("message path alone, Qt libraries loaded", "ours"),
                          ("cipher entries alone", "ours_cipher")):
            ours = rss(f"message/{key}/{tool}_process")
            # The scrypt region alone is 256 MiB in both; the rest is the program's libraries.
            met = "TODO" if ours is None or age is None else ("yes" if ours <= 1.07 * age else "no")
            rows.append(Row(f"Peak memory (max RSS), {what}: {how}", fmt_mib(ours), fmt_mib(age),
                            fmt_mib(gpg), peer_ratio(ours, age, gpg), "≤ 1.07× age", met))

    def linear_pair(what, key):
        small_name, large_name = f"message/{key}/150KB/ours", f"message/{key}/300KB/ours"
        small, large = wall(small_name), wall(large_name)
        rows.append(Row(f"{what}, 150 KB of adversarial clipboard text", timed(small_name),
                        target="≤ 2 ms", met=at_most(small, 2.0, cpu(small_name))))
        rows.append(Row(f"{what}, 300 KB (linear growth)", timed(large_name),
                        ratio=ratio(large, small, "150 KB"), target="≤ 2.3× 150 KB",
                        met="TODO" if not (small and large) else
                        ("yes" if large <= 2.3 * small else "no")))

    linear_pair("Block search", "find_block")
    linear_pair("Last try alone (armour between the markers), worst case",
                "find_block_between_markers")
    linear_pair("All three tries, block read by the last try", "find_block_all_tries")
    linear_pair("All three tries, markers whole, block read by the last try",
                "find_block_all_tries_markers")
    small_name = "message/find_block_raw_message/1MB/ours"
    large_name = "message/find_block_raw_message/2MB/ours"
    small, large = wall(small_name), wall(large_name)
    rows.append(Row("Message source of 1 MB, block in a base64 text part (all tries)",
                    timed(small_name), target="≤ 10 ms",
                    met=at_most(small, 10.0, cpu(small_name))))
    rows.append(Row("Message source of 2 MB (linear growth)", timed(large_name),
                    ratio=ratio(large, small, "1 MB"), target="≤ 2.3× 1 MB",
                    met="TODO" if not (small and large) else
                    ("yes" if large <= 2.3 * small else "no")))
    name = "keys/keyfile_get_1000/ours"
    rows.append(Row("Key list get, 1,000 entries, without key derivation (click to report)",
                    timed(name), met="" if wall(name) else "TODO"))
    rows.append(Row("… part: parse the key-list text and insert 1,000 entries sorted",
                    timed("keys/fill_list_1000/ours")))
    ours, base = wall("startup/first_window/ours"), wall("startup/first_window/minimal_qt")
    rows.append(Row("Start-up to the main window shown (offscreen)",
                    timed("startup/first_window/ours"), ratio=ratio(ours, base, "minimal Qt"),
                    target="≤ 2× minimal Qt",
                    met=at_most(ours, 2 * base) if base else "TODO"))
    rows.append(Row("Start-up of a minimal Qt Widgets window (baseline)",
                    timed("startup/first_window/minimal_qt")))
    ours, base = rss("startup/first_window/ours"), rss("startup/first_window/minimal_qt")
    rows.append(Row("Peak memory at the first window shown: ours / minimal Qt",
                    f"{fmt_mib(ours)} / {fmt_mib(base)}", ratio=ratio(ours, base, "minimal Qt")))

    header = ["case", "ours", "age", "gpg", "ratio (ours ÷ other)", "target", "met?"]
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(row.cells) + " |")

    cpu_model = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu_model = line.split(":", 1)[1].strip()
                break
    mem_kib = 0
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal:"):
                mem_kib = int(line.split()[1])
    reps = {b.get("repetitions", 1) for b in runs.values()}
    print()
    print(f"Machine: {os.cpu_count()} CPUs ({cpu_model}), {mem_kib / 1024 / 1024:.1f} GiB memory; "
          f"load average (1 min) {load_before} before, {load_after} after the run. "
          f"Medians of {max(reps)} repetitions; {context.get('date', '')}.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
