#!/usr/bin/env python3
"""The server's own 99th percentile of request durations between two /metrics snapshots, as the
upper bound of the histogram bucket that holds it: prints "<= N" (milliseconds). The server times a
request from the moment it has read it whole to the moment its answer is ready, so this leaves out
the load generator and the network, which the load generator's own percentiles include.
Usage: serverp99.py BEFORE AFTER"""
import re
import sys

BUCKET = re.compile(r'^zrm_request_duration_seconds_bucket\{.*le="([^"]+)"\} (\d+)$')


def buckets(path):
    counts = {}
    with open(path) as snapshot:
        for line in snapshot:
            match = BUCKET.match(line.strip())
            if match:
                bound = float("inf") if match.group(1) == "+Inf" else float(match.group(1))
                counts[bound] = counts.get(bound, 0) + int(match.group(2))
    return counts


before, after = buckets(sys.argv[1]), buckets(sys.argv[2])
delta = {bound: after[bound] - before.get(bound, 0) for bound in after}
total = delta.get(float("inf"), 0)
if total == 0:
    print("-")
    sys.exit(0)
for bound in sorted(delta):
    if delta[bound] >= 0.99 * total:
        print("> 5000" if bound == float("inf") else "<= %g" % (bound * 1000))
        break
