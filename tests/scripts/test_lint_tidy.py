#!/usr/bin/env python3
"""scripts/lint-tidy.py: the sources of a folder checked as one unit are checked as thoroughly as one
by one, each finding is reported at its own file and line, and sources that would change each
other's meaning share no unit.

    test_lint_tidy.py PATH_TO_LINT_TIDY
"""
import importlib.machinery
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import textwrap
import types
import unittest

LINT_TIDY = None
TIDY_ARGS = ["--quiet", "--warnings-as-errors=*"]

# A small project: three sources of one folder and one compile command, a header of the project
# and one outside the header filter. Each finding is planted where its marker comment stands, so a
# test can edit a line and know where it is.
CONFIG = """\
Checks: '-*,clang-diagnostic-*,clang-analyzer-core.NullDereference,modernize-use-nullptr,readability-else-after-return,readability-duplicate-include'
HeaderFilterRegex: '/inc/.*'
"""
FILES = {
    "src/alpha.cpp": """\
        #include "local.h"
        #include "inc/shared.h"
        namespace {
        int helper(int value) { return value + LOCAL; }
        }
        int alpha(int value) { return helper(value) + shared(value); }
        """,
    "src/beta.cpp": """\
        #include "inc/shared.h"
        namespace {
        int twice(int value) { return 2 * value; }
        }
        int deref(int* pointer) { return *pointer; }
        int beta() {
            int local = 1;
            int* pointer = &local;  // PLANT-ANALYZER
            return twice(1) > 1 ? deref(pointer) : 0;
        }
        int gamma(int* pointer) {
            return pointer != nullptr ? 1 : 0;  // PLANT-NULLPTR
        }
        """,
    "src/delta.cpp": """\
        #include "inc/shared.h"
        #include "outside/noisy.h"
        // PLANT-INCLUDE
        int delta(int value) {
            return shared(value);  // PLANT-NOLINT
        }
        """,
    "src/local.h": "#pragma once\n#define LOCAL 1\n",
    "inc/shared.h": """\
        #pragma once
        inline int shared(int value) {
            if (value > 0) {  // PLANT-HEADER
                return value;
            }
            return -value;
        }
        """,
    "outside/noisy.h": """\
        #pragma once
        inline int noisy(int value) {
            if (value > 0) {
                return value;
            } else {
                return -value;
            }
        }
        """,
}
SOURCES = ("src/alpha.cpp", "src/beta.cpp", "src/delta.cpp")


class Tree:
    """A throwaway project with a compile_commands.json, where the test plants findings."""

    def __init__(self):
        self.root = os.path.realpath(tempfile.mkdtemp(prefix="lint-tidy-"))
        self.write(".clang-tidy", CONFIG)
        for name, text in FILES.items():
            self.write(name, textwrap.dedent(text))
        self.flags = {name: ["-std=c++20", "-Wall"] for name in SOURCES}

    def remove(self):
        shutil.rmtree(self.root)

    def write(self, name, text):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as out:
            out.write(text)

    def read(self, name):
        with open(os.path.join(self.root, name)) as text:
            return text.read()

    def plant(self, name, marker, line):
        """Replaces the line holding MARKER; returns its line number."""
        lines = self.read(name).splitlines()
        number = next(index for index, text in enumerate(lines) if marker in text)
        lines[number] = line
        self.write(name, "\n".join(lines) + "\n")
        return number + 1

    def line_of(self, name, marker):
        return next(index + 1 for index, text in enumerate(self.read(name).splitlines()) if marker in text)

    def lint(self, sources=SOURCES):
        entries = [{"directory": os.path.join(self.root, "build"), "file": os.path.join(self.root, name),
                    "command": " ".join(["/usr/bin/c++"] + self.flags[name] + ["-I" + self.root] +
                                        ["-o", name + ".o", "-c", os.path.join(self.root, name)])}
                   for name in SOURCES]
        self.write("build/compile_commands.json", json.dumps(entries))
        result = subprocess.run([sys.executable, LINT_TIDY, "build", "2"] + TIDY_ARGS, cwd=self.root,
                                input="\n".join(sources) + "\n", stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True)
        return result.returncode, result.stdout

    def findings(self, output):
        """The summary's findings as (file, line, check)."""
        summary = output.split("clang-tidy findings, each once", 1)
        if len(summary) < 2:
            return []
        return [(match.group(1), int(match.group(2)), match.group(3)) for match in
                re.finditer(r"^(\S+?):(\d+):\d+: (?:warning|error): .*\[([\w.-]+?)(?:,-warnings-as-errors)?\]$",
                            summary[1], re.M)]


class LintTidyTest(unittest.TestCase):
    def setUp(self):
        self.tree = Tree()
        self.addCleanup(self.tree.remove)

    def test_aCleanFolder_isOneUnit_rememberedUntilASourceChanges(self):
        status, output = self.tree.lint()
        self.assertEqual(status, 0, output)
        self.assertIn("3 files, 1 units: 0 unchanged since found clean, 1 to check", output)
        status, output = self.tree.lint()
        self.assertEqual(status, 0, output)
        self.assertIn("1 unchanged since found clean, 0 to check", output)
        self.tree.plant("inc/shared.h", "PLANT-HEADER", "    if (value > 0) {  // edited")
        self.assertIn("0 unchanged since found clean, 1 to check", self.tree.lint()[1])

    def test_plantedFindings_areReportedOnceAtTheirOwnFileAndLine(self):
        # Each case plants one finding and names where it must be reported; the analyzer's case
        # holds only if the unit's sources are the file being compiled, not headers of it.
        cases = [
            ("a check's finding in a source after the first of its unit", "src/beta.cpp",
             "PLANT-NULLPTR", "    return pointer != 0 ? 1 : 0;", "modernize-use-nullptr"),
            ("a path the analyzer follows through a source after the first", "src/beta.cpp",
             "PLANT-ANALYZER", "    int* pointer = local > 1 ? &local : nullptr;", "clang-analyzer-core.NullDereference"),
            ("a compiler warning in the last source", "src/delta.cpp", "PLANT-NOLINT",
             "    int unused = 0; return shared(value);", "clang-diagnostic-unused-variable"),
            ("a check of the source's own includes, which sources before it include too", "src/delta.cpp",
             "PLANT-INCLUDE", '#include "inc/shared.h"', "readability-duplicate-include"),
            ("a finding in a project header every source includes", "inc/shared.h", "PLANT-HEADER",
             "    if (value > 0) { return value; } else {", "readability-else-after-return"),
        ]
        for what, name, marker, line, check in cases:
            original = self.tree.read(name)
            with self.subTest(what):
                number = self.tree.plant(name, marker, line)
                if check.startswith("clang-analyzer"):
                    number = self.tree.line_of("src/beta.cpp", "return *pointer")
                status, output = self.tree.lint()
                self.assertEqual(status, 1, output)
                self.assertEqual(self.tree.findings(output), [(name, number, check)], output)
            self.tree.write(name, original)

    def test_suppressedAndFilteredFindings_stayUnreported(self):
        # NOLINT is read on the source's own line; a header outside the filter reports nothing,
        # though noisy.h's else-after-return would be a finding.
        self.tree.plant("src/delta.cpp", "PLANT-NOLINT",
                        "    int* unused = 0; (void)unused; return 0;  // NOLINT(modernize-use-nullptr)")
        status, output = self.tree.lint()
        self.assertEqual(status, 0, output)

    def test_commandsThatDifferInWhatNoCheckSees_shareAUnit(self):
        # Each case gives beta.cpp and delta.cpp flags alpha.cpp lacks; a finding planted in
        # beta.cpp must be reported at its line whether or not alpha.cpp shares their unit.
        self.tree.write("extra/only_here.h", "#pragma once\n")
        self.tree.write("shadow/inc/shared.h", "#pragma once\ninline int shared(int value) { return value; }\n")
        base = ["-std=c++20", "-Wall", "-fPIC"]
        cases = [
            ("a library's define and an include folder of its own", ["-DQT_GUI_LIB", "-Dalpha_EXPORTS",
                                                                    "-I" + self.tree.root + "/extra"] + base, 1),
            ("position-independent code asked for twice, the last holding", ["-fPIE"] + base, 1),
            ("symbol visibility of the generated code", base + ["-fvisibility=hidden"], 1),
            ("a define the sources may test", ["-DFEATURE=1"] + base, 2),
            ("a folder whose header the others find elsewhere", ["-I" + self.tree.root + "/shadow"] + base, 2),
            ("another language standard", ["-std=c++17", "-Wall", "-fPIC"], 2),
        ]
        number = self.tree.plant("src/beta.cpp", "PLANT-NULLPTR", "    return pointer != 0 ? 1 : 0;")
        for what, flags, units in cases:
            with self.subTest(what):
                self.tree.flags = {name: list(flags) for name in SOURCES}
                self.tree.flags["src/alpha.cpp"] = base
                status, output = self.tree.lint()
                self.assertEqual(status, 1, output)
                self.assertIn("3 files, %d units" % units, output)
                self.assertEqual(self.tree.findings(output), [("src/beta.cpp", number, "modernize-use-nullptr")],
                                 output)

    def test_sourcesThatDoNotCompileTogether_areCheckedOneByOne(self):
        # Both define beta(), delta.cpp through a macro the planner does not look into.
        self.tree.write("src/delta.cpp", '#include "inc/shared.h"\n#define DEFINE(name) int name() { return 0; }\n'
                                         "DEFINE(beta)\nint delta(int* p) { return p != 0; }\n")
        status, output = self.tree.lint()
        self.assertEqual(status, 1, output)
        self.assertIn("does not compile as one unit", output)
        self.assertEqual(self.tree.findings(output),
                         [("src/delta.cpp", 4, "modernize-use-nullptr")], output)


class LintScriptTest(unittest.TestCase):
    """scripts/lint.sh on a copy of the scripts in a small project: each checker's finding fails it."""

    def setUp(self):
        if not shutil.which("cppcheck"):
            self.skipTest("cppcheck is not installed")
        self.tree = Tree()
        self.addCleanup(self.tree.remove)
        os.makedirs(os.path.join(self.tree.root, "scripts"))
        for name in ("lint.sh", "lint-tidy.py", "lint-keys.py"):
            shutil.copy(os.path.join(os.path.dirname(LINT_TIDY), name), os.path.join(self.tree.root, "scripts"))
        self.tree.write(".cppcheck-suppressions", "")

    def test_eachChecker_failsTheRunOnItsFinding(self):
        cases = [
            ("a clean source", "int clean(const int* value) { return value != nullptr ? *value : 0; }\n",
             0, "lint: clean"),
            ("a finding of clang-tidy alone", "int tidy(const int* value) { return value != 0 ? *value : 0; }\n",
             1, "[modernize-use-nullptr"),
            ("a finding of cppcheck alone",
             "#include <string>\nstd::size_t length(std::string text) { return text.size(); }\n",
             1, "[passedByValue]"),
        ]
        for what, text, expected, report in cases:
            with self.subTest(what):
                self.tree.write("framework/checked.cpp", text)
                self.tree.write("build/compile_commands.json", json.dumps([{
                    "directory": os.path.join(self.tree.root, "build"),
                    "file": os.path.join(self.tree.root, "framework/checked.cpp"),
                    "command": "/usr/bin/c++ -std=c++20 -c " + os.path.join(self.tree.root, "framework/checked.cpp")}]))
                result = subprocess.run(["bash", "scripts/lint.sh", "build"], cwd=self.tree.root,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
                self.assertEqual(result.returncode, expected, result.stdout)
                self.assertIn(report, result.stdout)


def load_module():
    loader = importlib.machinery.SourceFileLoader("lint_tidy", str(LINT_TIDY))
    module = types.ModuleType(loader.name)
    module.__file__ = loader.path
    loader.exec_module(module)
    return module


class PlanTest(unittest.TestCase):
    """Which sources may share a unit, decided from their text alone."""

    def plan(self, texts, families=None, limit=None):
        module = load_module()
        sources = [module.Source(name, textwrap.dedent(text)) for name, text in texts.items()]
        for source in sources:
            source.family = (families or {}).get(source.path)
        return [[source.path for source in unit] for unit in module.plan_units(sources, limit)]

    def test_sourcesShareAUnit_unlessTheyWouldChangeEachOther(self):
        cases = [
            ("helpers of different names", {
                "a": "namespace { int one() { return 1; } }\nint a() { return one(); }\n",
                "b": "namespace { int two() { return 2; } }\nint b() { return two(); }\n"},
             [["a", "b"]]),
            ("a helper of the same name in two anonymous namespaces", {
                "a": "namespace { int helper(int) { return 1; } }\n",
                "b": "namespace { int helper(long) { return 2; } }\n"},
             [["a"], ["b"]]),
            ("static functions and constants of the same name", {
                "a": "static int helper() { return 1; }\nconst int limit = 2;\n",
                "b": "namespace zrm { constexpr int limit = 3; }\n"},
             [["a"], ["b"]]),
            ("the same using-declaration and namespace alias, word for word", {
                "a": "using zrm::Field;\nnamespace io = boost::asio;\n",
                "b": "using zrm::Field;\nnamespace io = boost::asio;\n"},
             [["a", "b"]]),
            ("a using-declaration against a class of the same name", {
                "a": "using zrm::Field;\n",
                "b": "namespace { struct Field final : Base { int m; }; }\n"},
             [["a"], ["b"]]),
            ("members defined out of line, constructors with brace initializers and lambdas", {
                "a": "Row::Row() : m_cells{1}, m_link([this] { update(); }) {}\nRow::~Row() = default;\n"
                     "int Row::cell() const { return 1; }\n",
                "b": "Grid::Grid() : m_cells{2} {}\nGrid::~Grid() = default;\nint Grid::cell() const { return 2; }\n"},
             [["a", "b"]]),
            ("templates and macros used without a semicolon", {
                "a": "template <typename T> T first(T value) { return value; }\nQ_DECLARE_METATYPE(A)\n"
                     "namespace { int one(); }\n",
                "b": "template <class T> T last(T value) { return value; }\nQ_DECLARE_METATYPE(B)\n"
                     "namespace { int two(); }\n"},
             [["a", "b"]]),
            ("operators of the same symbol, overloads of one name", {
                "a": "QDebug operator<<(QDebug debug, const A&) { return debug; }\n",
                "b": "QDebug operator<<(QDebug debug, const B&) { return debug; }\n"},
             [["a"], ["b"]]),
            ("a using-directive, which reaches every source after it", {
                "a": "using namespace std::chrono;\n", "b": "int b();\n", "c": "using namespace zrm;\n"},
             [["b", "a"], ["c"]]),
            ("a macro left defined is undefined after its source; one #undef'd from elsewhere is not", {
                "a": "#define LOCAL 1\n", "b": "#undef QT_NO_CAST\n", "c": "int c();\n"},
             [["a", "c", "b"]]),
            ("braces the scanner cannot follow", {
                "a": "#if X\nint a() {\n#else\nint a(int) {\n#endif\nreturn 1; }\n", "b": "int b();\n"},
             [["b"], ["a"]]),
        ]
        for what, texts, units in cases:
            with self.subTest(what):
                self.assertEqual(self.plan(texts), units)

    def test_unitsTakeTheLargestFamiliesFirst_andStayWithinTheLimit(self):
        # Sources of the same compile command are a family; main() clashes with main().
        core = ("-isystem", "/qt/core")
        widgets = core + ("-isystem", "/qt/widgets")
        server = core + ("-DBOOST_ALL_NO_LIB",)
        cases = [
            ("a program of a smaller command joins a unit of a larger one holding its libraries", {
                "a": "int main() { return 0; }\n", "b": "int b();\n", "c": "int c();\n"},
             {"a": core, "b": widgets, "c": widgets}, None, [["b", "c", "a"]]),
            ("a source goes to the unit of its own command before another's", {
                "a": "int main() { return 0; }\n", "b": "int main() { return 1; }\n", "c": "int c();\n",
                "d": "int d();\n", "e": "int e();\n"},
             {"a": core, "b": widgets, "c": widgets, "d": widgets, "e": core}, None, [["b", "c", "d"], ["a", "e"]]),
            ("a source of a library the unit does not parse opens another", {
                "a": "int a();\n", "b": "int b();\n", "c": "int c();\n"},
             {"a": server, "b": widgets, "c": widgets}, None, [["b", "c"], ["a"]]),
            ("no unit over the limit", {"a": "int a();\nint a2();\n", "b": "int b();\n", "c": "int c();\n"},
             None, 3, [["a", "b"], ["c"]]),
        ]
        for what, texts, families, limit, units in cases:
            with self.subTest(what):
                self.assertEqual(self.plan(texts, families, limit), units)

    def test_aSourceWithAStringOrCommentLikeCode_isNotMisread(self):
        module = load_module()
        source = module.Source("a", textwrap.dedent("""\
            // namespace { int fake() {
            const char* text = "namespace { int fake2() {";
            const char* raw = R"x(}}})x";
            #define MULTI(a) \\
                { a }
            int real(char c = '{') { return c; }
            """))
        self.assertFalse(source.alone)
        self.assertEqual(sorted(source.names), ["raw", "real", "text"])
        self.assertEqual(source.macros, ["MULTI"])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    LINT_TIDY = os.path.abspath(sys.argv.pop(1))
    if not (shutil.which("clang++") and shutil.which("clang-tidy")):
        print("lint_tidy: clang++ or clang-tidy is not installed; skipped")
        sys.exit(77)
    unittest.main(verbosity=2)
