#!/usr/bin/env python3
"""Concurrent edits of one calendar through a proxy, checked for lost saves and stale reads.

    concurrentedit.py URL YEAR SECONDS [--term PID] [--kill PID]

Two workers per calculation phase of the year's latest version load the calendar, add one to a
counter the phase's twelve month flags hold (a binary number, never zero) and save with the row as
they read it, as the screen does; a conflict (1002) makes them load again. With --term, that process
gets SIGTERM a third into the run; with --kill, SIGKILL at two thirds. At the end every save that
was acknowledged must be in the database, none applied twice, and no load that started after a save
was acknowledged may show that phase older than the save. A call cut off by a stopped server counts
as an unknown outcome, whose save may or may not have been applied.
Prints a summary; exits 1 when a check fails.
"""

import json
import os
import signal
import sys
import threading
import time
import urllib.error
import urllib.request

MONTHS = ["JAN", "FEV", "MAR", "ABR", "MAI", "JUN", "JUL", "AGO", "SET", "OUT", "NOV", "DEZ"]


class Calendar:
    def __init__(self, url, year):
        self.url = url
        self.year = year

    def call(self, method, params):
        body = json.dumps({"jsonrpc": "2.0", "id": 1, "method": method, "params": params}).encode()
        request = urllib.request.Request(self.url, body, {"Content-Type": "application/json"})
        with urllib.request.urlopen(request, timeout=30) as answer:
            return json.load(answer)

    def load(self):
        """The latest version's fields and rows by phase code."""
        calendar, _ = self.call("GetCalendOrcOp", [self.year, ""])["result"]
        names = [field["name"] for field in calendar["fields"]]
        code_at = names.index("CDFASEORCOPERAC")
        return calendar["fields"], names, {row[code_at]: row for row in calendar["rows"]}


def counter(names, row):
    first = names.index("IDPERMCALCJAN")
    return sum(1 << i for i in range(12) if row[first + i] == "S")


def with_counter(names, row, value):
    first = names.index("IDPERMCALCJAN")
    new = list(row)
    for i in range(12):
        new[first + i] = "S" if value >> i & 1 else "N"
    return new


class Record:
    """What the workers saw, in the order of a monotonic clock."""

    def __init__(self):
        self.lock = threading.Lock()
        self.reads = []  # (started, {code: counter})
        self.acknowledged = []  # (answered, code, counter)
        self.unknown = 0
        self.conflicts = 0
        self.failed_loads = 0
        self.refused = []

    def add(self, kind, item):
        with self.lock:
            if kind == "read":
                self.reads.append(item)
            elif kind == "ack":
                self.acknowledged.append(item)
            elif kind == "unknown":
                self.unknown += 1
            elif kind == "conflict":
                self.conflicts += 1
            elif kind == "failed load":
                self.failed_loads += 1
            else:
                self.refused.append(item)


def worker(calendar, code, deadline, record):
    while time.monotonic() < deadline:
        started = time.monotonic()
        try:
            fields, names, rows = calendar.load()
        except (urllib.error.URLError, ConnectionError, TimeoutError, OSError):
            record.add("failed load", None)
            continue
        record.add("read", (started, {c: counter(names, r) for c, r in rows.items() if r[names.index("IDFASECALCORCA")] == "S"}))
        old = rows[code]
        value = counter(names, old) % 4095 + 1
        delta = {"fields": fields, "changes": [{"op": "update", "old": old, "new": with_counter(names, old, value)}]}
        try:
            answer = calendar.call("SetCalendOrcOp", [delta])
        except (urllib.error.URLError, ConnectionError, TimeoutError, OSError):
            record.add("unknown", None)
            continue
        if "result" in answer:
            record.add("ack", (time.monotonic(), code, value))
        elif answer["error"]["code"] == 1002:
            record.add("conflict", None)
        else:
            record.add("refused", answer["error"])


def check(record, final, initial):
    failures = []
    # Counters wrap at 4095; a run makes far fewer saves than that per phase.
    applied = {code: (final[code] - initial[code]) % 4095 for code in initial}
    acknowledged = {}
    for _, code, value in record.acknowledged:
        acknowledged.setdefault(code, []).append(value)
    for code, values in acknowledged.items():
        if len(values) != len(set(values)):
            failures.append(f"phase {code}: one value acknowledged twice (a save applied over another)")
        if applied[code] < len(values):
            failures.append(f"phase {code}: {len(values)} saves acknowledged, {applied[code]} stored")
    total_applied = sum(applied.values())
    total_acknowledged = len(record.acknowledged)
    if total_applied > total_acknowledged + record.unknown:
        failures.append(f"{total_applied} saves stored, more than {total_acknowledged} acknowledged "
                        f"and {record.unknown} of unknown outcome")
    # A load that started after an acknowledgement must show that save or a later one. Each phase's
    # counter only grows by one per save, so "later" is "at least as many steps from the start".
    steps = lambda code, value: (value - initial[code]) % 4095
    acks = sorted(record.acknowledged)
    newest = {}
    next_ack = 0
    stale = 0
    for started, seen in sorted(record.reads):
        while next_ack < len(acks) and acks[next_ack][0] < started:
            _, code, value = acks[next_ack]
            newest[code] = max(newest.get(code, 0), steps(code, value))
            next_ack += 1
        if any(steps(code, seen[code]) < floor for code, floor in newest.items()):
            stale += 1
    if stale:
        failures.append(f"{stale} loads showed a calendar older than a save acknowledged before they started")
    if record.refused:
        failures.append(f"{len(record.refused)} saves refused: {record.refused[0]}")
    return failures


def main():
    url, year, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
    options = dict(zip(sys.argv[4::2], sys.argv[5::2]))
    calendar = Calendar(url, year)
    _, names, rows = calendar.load()
    calculation = [code for code, row in rows.items() if row[names.index("IDFASECALCORCA")] == "S"]
    initial = {code: counter(names, rows[code]) for code in calculation}
    record = Record()
    start = time.monotonic()
    deadline = start + seconds
    threads = [threading.Thread(target=worker, args=(calendar, code, deadline, record))
               for code in calculation for _ in range(2)]
    for thread in threads:
        thread.start()
    for fraction, option, sig in ((1 / 3, "--term", signal.SIGTERM), (2 / 3, "--kill", signal.SIGKILL)):
        if option in options:
            time.sleep(max(0.0, start + seconds * fraction - time.monotonic()))
            os.kill(int(options[option]), sig)
            print(f"  {signal.Signals(sig).name} to instance {options[option]} after {time.monotonic() - start:.1f} s")
    for thread in threads:
        thread.join()
    _, names, rows = calendar.load()
    final = {code: counter(names, rows[code]) for code in calculation}
    failures = check(record, final, initial)
    print(f"  {len(threads)} editors on {len(calculation)} phases: {len(record.acknowledged)} saves acknowledged, "
          f"{record.conflicts} conflicts, {record.unknown} saves of unknown outcome, {len(record.reads)} loads checked, "
          f"{record.failed_loads} loads failed")
    for failure in failures:
        print(f"  FAIL {failure}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
