#!/usr/bin/env python3
"""scripts/lint-keys.py: a file keeps its key while nothing clang-tidy sees changes, and gets another
as soon as anything does, down to a comment in a header it includes.

    test_lint_keys.py PATH_TO_LINT_KEYS
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

LINT_KEYS = None
TIDY_ARGS = ["--quiet", "--extra-arg=-DFROM_TIDY=1"]


class Tree:
    """A throwaway source tree with a compile_commands.json, where the test rewrites files."""

    def __init__(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="lint-keys-"))
        self.flags = ["-std=c++20", "-Wall", "-DFLAG=1"]
        self.write("src/a.cpp", '#include "inc/b.h"\nint a() { return B; }\n')
        self.write("src/c.cpp", "int c() { return 3; }\n")
        self.write("inc/b.h", "#define B 2\n#define UNUSED(x) x\n// plain comment\n")
        self.write(".clang-tidy", "Checks: 'readability-*'\n")

    def remove(self):
        shutil.rmtree(self.root)

    def write(self, name, text):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write(text)

    def edit(self, name, old, new):
        with open(os.path.join(self.root, name)) as text:
            content = text.read()
        assert old in content, (name, old)
        self.write(name, content.replace(old, new))

    def keys(self, sources=("src/a.cpp",), tidy_args=TIDY_ARGS):
        entries = [{"directory": self.root, "file": os.path.join(self.root, name),
                    "command": " ".join(["/usr/bin/c++", "-I" + self.root] + self.flags +
                                        ["-o", name + ".o", "-c", os.path.join(self.root, name)])}
                   for name in ("src/a.cpp", "src/c.cpp")]
        self.write("build/compile_commands.json", json.dumps(entries))
        result = subprocess.run([sys.executable, LINT_KEYS, "build/compile_commands.json", "2"] + tidy_args,
                                cwd=self.root, input="\n".join(sources) + "\n", stdout=subprocess.PIPE,
                                text=True, check=True)
        lines = [line.split(" ", 2) for line in result.stdout.splitlines()]
        for key, size, name in lines:
            # The size of what clang-tidy will parse: the file with its headers, none when it fails.
            if (int(size) > 100) != (key != "-"):
                raise AssertionError("size %s for key %s of %s" % (size, key, name))
        return [(key, name) for key, size, name in lines]

    def key(self, **kwargs):
        return self.keys(**kwargs)[0][0]


class LintKeysTest(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()
        self.addCleanup(self.tree.remove)
        self.before = self.tree.key()

    def test_keyStaysWhileNothingChanges_andEachFileGetsItsOwnInTheOrderGiven(self):
        self.assertRegex(self.before, "^[0-9a-f]{64}$")
        self.assertEqual(self.tree.key(), self.before)
        keys = self.tree.keys(sources=("src/c.cpp", "src/a.cpp"))
        self.assertEqual([name for _, name in keys], ["src/c.cpp", "src/a.cpp"])
        self.assertEqual(keys[1][0], self.before)
        self.assertNotEqual(keys[0][0], self.before)

    def test_anyChangeToWhatTheCheckSees_givesAnotherKey(self):
        changes = {
            "a comment in an included header (where NOLINT is written)":
                lambda: self.tree.edit("inc/b.h", "// plain comment", "// NOLINT"),
            "an unused macro of an included header":
                lambda: self.tree.edit("inc/b.h", "#define UNUSED(x) x", "#define UNUSED(x) (x)"),
            "the code of the file": lambda: self.tree.edit("src/a.cpp", "return B;", "return B + 1;"),
            "a warning flag, which clang-tidy reports as a finding":
                lambda: self.tree.flags.__setitem__(1, "-Wextra"),
            "the configuration": lambda: self.tree.write(".clang-tidy", "Checks: 'bugprone-*'\n"),
            "a .clang-tidy nearer to the file":
                lambda: self.tree.write("src/.clang-tidy", "Checks: 'readability-*'\n"),
        }
        seen = {self.before}
        for what, change in changes.items():
            with self.subTest(what):
                change()
                key = self.tree.key()
                self.assertNotIn(key, seen)
                seen.add(key)
        with self.subTest("the arguments clang-tidy is given"):
            self.assertNotIn(self.tree.key(tidy_args=["--quiet"]), seen)

    def test_extraArgumentsReachThePreprocessor(self):
        # FROM_TIDY is defined only through clang-tidy's extra arguments: code under it counts.
        self.tree.edit("inc/b.h", "#define B 2", "#ifdef FROM_TIDY\n#define B 2\n#endif")
        first = self.tree.key()
        self.tree.edit("inc/b.h", "#ifdef FROM_TIDY\n#define B 2", "#ifdef FROM_TIDY\n#define B 5")
        self.assertNotEqual(self.tree.key(), first)

    def test_aFileThatDoesNotPreprocess_isNeverTakenAsChecked(self):
        self.tree.edit("src/a.cpp", '#include "inc/b.h"', '#include "inc/missing.h"')
        self.assertEqual(self.tree.key(), "-")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    LINT_KEYS = os.path.abspath(sys.argv.pop(1))
    if not (shutil.which("clang++") and shutil.which("clang-tidy")):
        print("lint_keys: clang++ or clang-tidy is not installed; skipped")
        sys.exit(77)
    unittest.main(verbosity=2)
