"""The checks of bench/load/concurrentedit.py on recorded runs with a known verdict.

    test_concurrentedit.py CONCURRENTEDIT_PY

The cluster run trusts these checks to tell a lost save, a save applied twice or a stale load from
the normal effects of a killed server; each case is a record of what the editors saw and what the
database holds at the end.
"""

import importlib.machinery
import sys
import types
import unittest

MODULE = None


def record_of(acknowledged=(), reads=(), unknown=0):
    record = MODULE.Record()
    for item in acknowledged:
        record.add("ack", item)
    for item in reads:
        record.add("read", item)
    for _ in range(unknown):
        record.add("unknown", None)
    return record


class Checks(unittest.TestCase):
    def test_verdicts(self):
        initial = {"A": 1, "B": 10}
        cases = [
            # name, acknowledged (answered, phase, value), reads (started, {phase: value}),
            # unknown outcomes, final values, the failure expected (empty: none), initial values
            ("every acknowledged save stored",
             [(1.0, "A", 2), (2.0, "A", 3), (1.5, "B", 11)], [(0.5, {"A": 1, "B": 10})], 0,
             {"A": 3, "B": 11}, ""),
            ("a save of unknown outcome applied",
             [(1.0, "A", 2)], [], 1, {"A": 3, "B": 10}, ""),
            ("a save of unknown outcome not applied",
             [(1.0, "A", 2)], [], 1, {"A": 2, "B": 10}, ""),
            ("an acknowledged save missing",
             [(1.0, "A", 2), (2.0, "A", 3)], [], 0, {"A": 2, "B": 10}, "2 saves acknowledged, 1 stored"),
            ("one value acknowledged twice",
             [(1.0, "A", 2), (2.0, "A", 2)], [], 0, {"A": 3, "B": 10}, "acknowledged twice"),
            ("more stored than saved",
             [(1.0, "A", 2)], [], 0, {"A": 4, "B": 10}, "more than 1 acknowledged"),
            ("a load after the acknowledgement shows the older row",
             [(1.0, "A", 2)], [(1.5, {"A": 1, "B": 10})], 0, {"A": 2, "B": 10}, "older than a save"),
            ("a load started before the acknowledgement may show the older row",
             [(1.0, "A", 2)], [(0.9, {"A": 1, "B": 10})], 0, {"A": 2, "B": 10}, ""),
            ("a load may show a save newer than any acknowledged",
             [(1.0, "A", 2)], [(1.5, {"A": 3, "B": 10})], 1, {"A": 3, "B": 10}, ""),
            ("counters that wrapped past 4095",
             [(1.0, "B", 4095), (2.0, "B", 1)], [(2.5, {"A": 1, "B": 1})], 0,
             {"A": 1, "B": 1}, "", {"A": 1, "B": 4094}),
        ]
        for name, acknowledged, reads, unknown, final, expected, *start in cases:
            with self.subTest(case=name):
                failures = MODULE.check(record_of(acknowledged, reads, unknown), final,
                                        start[0] if start else initial)
                if expected:
                    self.assertTrue(any(expected in failure for failure in failures), failures)
                else:
                    self.assertEqual(failures, [])


if __name__ == "__main__":
    sys.dont_write_bytecode = True  # nothing written beside the script under test
    loader = importlib.machinery.SourceFileLoader("concurrentedit", sys.argv[1])
    MODULE = types.ModuleType(loader.name)
    MODULE.__file__ = loader.path
    loader.exec_module(MODULE)
    del sys.argv[1]
    unittest.main()
