#!/usr/bin/env python3
"""Prints, for the benchmark's mixed workload, a save that changes nothing and is accepted: an update
of one stored row of the latest version whose old and new rows are that row. Tries each row of the
calendar until the server accepts one. Usage: savedelta.py URL YEAR [TOKEN]; prints CODE<TAB>VERSION<TAB>DELTA."""
import json
import sys
import urllib.request

url, year = sys.argv[1], sys.argv[2]
token = sys.argv[3] if len(sys.argv) > 3 else ""


def call(method, params):
    body = json.dumps({"jsonrpc": "2.0", "id": 1, "method": method, "params": params}).encode()
    request = urllib.request.Request(url, body, {"Content-Type": "application/json"})
    if token:
        request.add_header("Authorization", "Bearer " + token)
    with urllib.request.urlopen(request) as answer:
        return json.load(answer)


calendar, version = call("GetCalendOrcOp", [year, ""])["result"]
version_text = str(int(version["rows"][0][0]))
fields = calendar["fields"]
code_at = [f["name"] for f in fields].index("CDFASEORCOPERAC")
for row in calendar["rows"]:
    delta = {"fields": fields, "changes": [{"op": "update", "old": row, "new": row}]}
    if "result" in call("SetCalendOrcOp", [delta]):
        print(row[code_at], version_text, json.dumps(delta, ensure_ascii=False, separators=(",", ":")), sep="\t")
        sys.exit(0)
sys.exit("no row of the calendar accepts a save")
