#!/usr/bin/env python3
"""The clang-tidy part of scripts/lint.sh: checks the sources named on stdin in units of several.

    scripts/lint-tidy.py BUILD_DIR JOBS TIDY_ARG... < SOURCES

SOURCES are paths relative to the current folder (the project's root), each with an entry in
BUILD_DIR/compile_commands.json. Prints every finding with its notes, then each finding once, and
exits 1 when there is any, 0 when clean, 2 when the check could not run.

Checking a file alone costs clang-tidy about 12 CPU seconds, most of it parsing the Qt and standard
headers and walking the checks over them. So the sources that share a compile command and a
clang-tidy configuration are checked in units: a generated file holding their text one after the
other, whose headers are parsed and walked once. The text is copied, not #included, because the
static analyzer follows paths only through functions of the file being compiled, and some compiler
warnings are given only there; an included .cpp would be a header to both. A `#line` before each
copy keeps __FILE__ and __LINE__ those of the source; clang-tidy reports the unit's own lines, which
are mapped back to the source's file and line here. A quoted include of a header beside the source
names it by its full path, found as when the source is compiled alone.

Sources that would change each other's meaning when read one after the other are put in different
units (see plan_units); a unit that still does not compile is checked again a file at a time.

A unit found clean is remembered in BUILD_DIR/lint-cache under a key of everything its check
depends on (scripts/lint-keys.py); while the key holds it is not checked again. Findings are never
remembered.
"""
import collections
import concurrent.futures
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

LINT_KEYS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lint-keys.py")

# A C++ token, or something the scanner skips whole: a preprocessor line (with its continuations),
# a comment, a string or character literal (raw strings included) or a number.
TOKEN = re.compile(r"""
    (?P<directive>^[ \t]*\#(?:[^\n\\]|\\.)*)
  | (?P<space>[ \t\r\f\v]+|\n)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<raw>(?:u8|u|U|L)?R"(?P<delimiter>[^()\\\s]{0,16})\(.*?\)(?P=delimiter)")
  | (?P<string>(?:u8|u|U|L)?"(?:\\.|[^"\\\n])*")
  | (?P<char>(?:u8|u|U|L)?'(?:\\.|[^'\\\n])*')
  | (?P<number>\.?[0-9](?:[eEpP][+-]|[\w.'])*)
  | (?P<word>[A-Za-z_]\w*)
  | (?P<punct>::|\.\.\.|->|.)
""", re.X | re.S | re.M)
DIRECTIVE = re.compile(r"#\s*(define|undef)\s+(\w+)")
MACRO_NAME = re.compile(r"[A-Z][A-Z0-9_]*$")
TYPE_KEYS = {"class", "struct", "union", "enum"}
USING_DIRECTIVE = "using namespace"
NOT_NAMES = {"const", "constexpr", "consteval", "constinit", "final", "inline", "noexcept",
             "override", "static", "thread_local", "volatile", "mutable", "extern", "decltype",
             "sizeof", "alignas", "alignof", "requires", "operator", "return"}


class Source:
    """What one source brings to the units it may join: the names it declares at namespace scope,
    the macros it defines, and whether it changes name lookup or macros for what follows it."""

    def __init__(self, path, text):
        self.path = path
        self.text = text if text.endswith("\n") or not text else text + "\n"
        self.names = {}  # name: how it is declared when it may be declared again the same way, else None
        # The declared names another source could pick up by mentioning them: all but functions of
        # external linkage, which a header declares to every source that uses them.
        self.visible = set()
        self.words = set()  # every identifier the source mentions, but for members' names
        self.macros = []  # defined here and left defined: undefined after the source in a unit
        self.leaks = False  # a namespace-scope using-directive, or #undef of a macro from elsewhere
        self.alone = False  # its braces did not balance: checked in a unit of its own
        self.family = None  # its own compile command: sources of one family share the most headers
        self.lines = self.text.count("\n")
        self._scan()

    def _scan(self):
        # What each open brace opened: a namespace, a body (of a function, class or variable) or
        # a brace inside a declaration (a lambda in a default argument, a member's brace
        # initializer), after which the declaration goes on.
        scopes = []
        statement = []
        parentheses = 0
        previous = None
        for match in TOKEN.finditer(self.text):
            kind = match.lastgroup
            if kind == "directive":
                self._directive(match.group())
                continue
            if kind in ("space", "comment", "number", "char"):
                continue
            token = "STRING" if kind in ("raw", "string") else match.group()
            if kind == "word" and previous not in (".", "->"):
                self.words.add(token)  # a member's name is looked up in its class alone
            previous = token
            if scopes and scopes[-1] in ("body", "inner"):
                if token == "{":
                    scopes.append(scopes[-1])
                elif token == "}" and scopes.pop() == "inner" and scopes[-1:] != ["inner"]:
                    statement.append("}")
                continue
            if token == "{" and (parentheses or in_initializer(statement)):
                scopes.append("inner")
                statement.append("{")
            elif token == "{":
                scopes.append(self._open(statement, "anonymous" in scopes))
                statement, parentheses = [], 0
            elif token == ";":
                self._declare(statement, "anonymous" in scopes)
                statement, parentheses = [], 0
            elif token == "}":
                if not scopes:
                    self.alone = True
                    return
                scopes.pop()
                statement, parentheses = [], 0
            else:
                if token == "namespace" and statement and statement[-1] not in ("inline", "using"):
                    statement, parentheses = [], 0  # what came before was a macro without a semicolon
                parentheses += {"(": 1, ")": -1}.get(token, 0)
                statement.append(token)
        if scopes:
            self.alone = True

    def _directive(self, text):
        match = DIRECTIVE.match(text.strip())
        if not match:
            return
        verb, name = match.groups()
        if verb == "define":
            self.macros.append(name)
        elif name in self.macros:
            self.macros.remove(name)
        else:
            self.leaks = True

    def _open(self, statement, anonymous):
        """The kind of scope a brace opens after STATEMENT, noting what the statement declares."""
        if statement == ["namespace"] or statement == ["inline", "namespace"]:
            return "anonymous"
        if statement[:1] == ["namespace"] or statement[:2] == ["inline", "namespace"]:
            return "namespace"
        if statement == ["extern", "STRING"]:
            return "namespace"
        self._declare(statement, anonymous)
        return "body"

    def _declare(self, statement, anonymous):
        declared = declared_name(statement)
        if declared == USING_DIRECTIVE:
            self.leaks = True
        elif declared:
            name, alias, function = declared
            self.names[name] = alias if self.names.get(name, alias) == alias else None
            if not function or anonymous or "static" in statement:
                self.visible.add(name)


def in_initializer(statement):
    """Whether a brace after STATEMENT initializes a member in a constructor's initializer list
    (`Type::Type() : m_first{1}`) rather than opening the constructor's body."""
    depth, closed = 0, False
    for token in statement:
        depth += {"(": 1, ")": -1}.get(token, 0)
        if depth == 0 and token == ")":
            closed = True
        elif depth == 0 and token == ":" and closed:
            return bool(statement) and (re.match(r"\w+$", statement[-1]) is not None or statement[-1] == ">")
    return False


def skip_balanced(tokens, start, opening, closing):
    """The index after the bracket that closes tokens[start] (an opening bracket)."""
    depth = 0
    for index in range(start, len(tokens)):
        if tokens[index] == opening:
            depth += 1
        elif tokens[index] == closing:
            depth -= 1
            if depth == 0:
                return index + 1
    return len(tokens)


def declared_name(statement):
    """What a namespace-scope declaration declares: USING_DIRECTIVE, None when it declares nothing
    or only a qualified name (a member defined out of line), else (name, alias, function) where
    alias is the declaration's text for one that may be repeated word for word in the same scope
    (a using-declaration, a namespace or type alias) and None for the others, and function tells a
    function from a type or variable."""
    tokens = list(statement)
    while tokens:
        if MACRO_NAME.match(tokens[0]) and tokens[1:2] == ["("]:
            tokens = tokens[skip_balanced(tokens, 1, "(", ")"):]
        elif tokens[0] == "template" and tokens[1:2] == ["<"]:
            tokens = tokens[skip_balanced(tokens, 1, "<", ">"):]
        elif tokens[:2] == ["[", "["]:
            tokens = tokens[skip_balanced(tokens, 0, "[", "]"):]
        else:
            break
    if not tokens or tokens[0] in ("static_assert", "friend"):
        return None
    alias = " ".join(tokens)
    if tokens[0] == "using":
        if tokens[1:2] == ["namespace"]:
            return USING_DIRECTIVE
        if "=" in tokens:
            return tokens[1], alias, False
        return (tokens[-1], alias, False) if re.match(r"\w+$", tokens[-1]) else None
    if tokens[0] == "namespace" and tokens[2:3] == ["="]:
        return tokens[1], alias, False
    if tokens[0] == "typedef":
        words = [token for token in tokens if re.match(r"[A-Za-z_]\w*$", token)]
        return (words[-1], alias, False) if words else None
    end = len(tokens)
    for index, token in enumerate(tokens):
        if token in ("(", "="):
            end = index
            break
    type_key = next((index for index in range(end) if tokens[index] in TYPE_KEYS), None)
    if type_key is not None:
        name = type_name(tokens[type_key + 1:end])
        return (name, None, False) if name else None
    name = declarator_name(tokens)
    return (name, None, end < len(tokens) and tokens[end] == "(") if name else None


def type_name(tokens):
    """The name of a class or enum from the tokens after its keyword."""
    name = None
    for index, token in enumerate(tokens):
        if token in (":", "{"):
            break
        if re.match(r"[A-Za-z_]\w*$", token) and token not in ("class", "struct", "final"):
            if tokens[index + 1:index + 2] == ["::"]:
                return None
            name = token
    return name


def declarator_name(tokens):
    """The name a function or variable declaration declares."""
    angle = 0
    for index, token in enumerate(tokens):
        if token == "operator":
            if index > 0 and tokens[index - 1] == "::":
                return None
            rest = tokens[index + 1:]
            symbol = "()" if rest[:2] == ["(", ")"] else "".join(rest[:rest.index("(")] if "(" in rest else rest)
            return "operator" + symbol
        if token == "<" and index > 0 and re.match(r"\w+$", tokens[index - 1]):
            angle += 1
        elif token == ">" and angle:
            angle -= 1
        elif angle == 0 and token in ("(", "=", "[", "{"):
            if token == "(" and tokens[index + 1:index + 2] == ["*"] and index + 2 < len(tokens):
                return tokens[index + 2]  # a pointer to function: void (*name)(...)
            return name_before(tokens, index)
    return name_before(tokens, len(tokens))


def name_before(tokens, index):
    if index == 0:
        return None
    name = tokens[index - 1]
    if not re.match(r"[A-Za-z_]\w*$", name) or name in NOT_NAMES:
        return None
    if index >= 2 and tokens[index - 2] in ("::", "~"):
        return None
    return name


def plan_units(sources, limit=None):
    """Splits sources of one compile command into units that can be read one after the other
    without changing each other's meaning: no source of a unit declares at namespace scope a name
    that another one declares or mentions (a helper of the same name in two files' anonymous
    namespaces would be a redefinition or, worse, an overload that calls the other file's helper; a
    file's helper would make a call of another file to a header's function of that name
    ambiguous); a source that changes name lookup for what follows it (a namespace-scope
    using-directive, an #undef) comes last in its unit; a source the scanner could not follow is a
    unit of its own. A source joins a unit of its own family (see make_units) where it can, as
    those include the same headers, else one whose families' commands hold all of its libraries
    (see libraries), so that it brings no library's headers the unit would not parse anyway;
    the largest families are planned first, so that a source of a small one (a program's main
    file, a fuzz target, all of which clash with each other) joins a unit already planned instead
    of opening one whose headers are walked for it alone. A unit takes
    no source that would bring it over LIMIT lines, so that the units can be shared out evenly
    among the workers. Units keep the sources' order otherwise, and every source is in exactly
    one."""
    families = collections.Counter(source.family for source in sources)
    units = []
    for source in sorted(sources, key=lambda source: (source.alone, source.leaks, -families[source.family],
                                                      source.family or (), source.path)):
        unit = None
        if not source.alone:
            fitting = [unit for unit in units if not unit["closed"] and libraries(source) <= unit["libraries"] and
                       (limit is None or unit["lines"] + source.lines <= limit) and
                       not any(clash(source, member) or clash(member, source) for member in unit["sources"])]
            unit = next((unit for unit in fitting if source.family in unit["families"]),
                        fitting[0] if fitting else None)
        if unit is None:
            unit = {"sources": [], "closed": False, "families": set(), "libraries": libraries(source), "lines": 0}
            units.append(unit)
        unit["sources"].append(source)
        unit["lines"] += source.lines
        unit["families"].add(source.family)
        unit["closed"] = source.leaks or source.alone
    return [unit["sources"] for unit in units]


def libraries(source):
    """What in a source's command brings a library's headers: its system include folders and the
    defines of its target's libraries (the project's own -I folders hold no library)."""
    return {argument for argument in source.family or () if not argument.startswith("-I")}


def clash(first, second):
    """Whether a name first declares would be seen by second: second declares it too, other than by
    the same alias, or mentions it and first's declaration is one a header would not also give."""
    for name in (first.visible & second.words) | (first.names.keys() & second.names.keys()):
        alias = first.names[name]
        if alias is None or second.names.get(name) != alias:
            return True
    return False


QUOTED_INCLUDE = re.compile(r'^([ \t]*#[ \t]*include[ \t]*)"([^"]+)"', re.M)


def own_include(match, path):
    """A quoted include of a header beside the source, made absolute: the compiler looks for it
    beside the file being compiled first, and that is the unit now, not the source."""
    header = os.path.join(os.path.dirname(path), match.group(2))
    if os.path.isabs(match.group(2)) or not os.path.isfile(header):
        return match.group(0)
    return '%s"%s"' % (match.group(1), header)


class Unit:
    """A generated translation unit: the text of its sources one after the other."""

    def __init__(self, name, sources, entry, units_dir, config):
        self.name = name
        self.sources = sources
        self.dir = os.path.join(units_dir, name)
        self.path = os.path.join(self.dir, name + ".cpp")
        self.lines = []  # (first line in the unit, source) for each source
        os.makedirs(self.dir)
        with open(os.path.join(self.dir, ".clang-tidy"), "w") as out:
            out.write(config)
        text = ["// Generated by scripts/lint-tidy.py from %d sources.\n" % len(sources)]
        line = 2
        for source in sources:
            # An #undef ends what checks of the file's own includes remember (a duplicate include
            # is one since the last macro defined or undefined), so each source starts afresh.
            text.append("#undef ZRM_LINT_SOURCE_BOUNDARY\n")
            text.append('#line 1 "%s"\n' % source.path.replace("\\", "\\\\").replace('"', '\\"'))
            line += 2
            self.lines.append((line, source))
            text.append(QUOTED_INCLUDE.sub(lambda match: own_include(match, source.path), source.text))
            line += source.text.count("\n")
            for macro in source.macros:
                text.append("#undef %s\n" % macro)
                line += 1
        with open(self.path, "w", encoding="utf-8") as out:
            out.write("".join(text))
        self.entry = {"directory": entry["directory"], "file": self.path,
                      "arguments": list(entry["arguments"]) + ["-c", self.path]}
        self.size = line

    def source_line(self, line):
        """The source and its line for a line of the unit, or None for a line of its own."""
        found = None
        for first, source in self.lines:
            if line >= first:
                found = (source, line - first + 1)
        if found and found[1] > found[0].text.count("\n"):
            return None
        return found

    def map_output(self, text):
        """clang-tidy's report with the unit's locations turned into the sources' own."""
        def replace(match):
            mapped = self.source_line(int(match.group(1)))
            return "%s:%d" % (mapped[0].path, mapped[1]) if mapped else match.group(0)
        return re.sub(re.escape(self.path) + r":(\d+)", replace, text)


def compile_arguments(entry):
    """The entry's compiler and flags without its source, output and -c."""
    arguments = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    kept, skip = [], False
    source = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    for argument in arguments:
        if skip:
            skip = False
        elif argument == "-o":
            skip = True
        elif argument == "-c" or os.path.normpath(os.path.join(entry["directory"], argument)) == source:
            continue
        else:
            kept.append(argument)
    return kept


# Flags that may differ between sources of one unit: the defines CMake gives a file for the
# libraries of its target (QT_GUI_LIB, a target's _EXPORTS, Boost's auto-linking off), which the
# project's sources and the headers they include never test, and the symbol visibility of the
# generated code, which no check sees. Any other flag, a define included, keeps a unit to sources
# with the same one.
LOOSE_FLAG = re.compile(r"-D(QT_\w+_LIB|\w+_EXPORTS|BOOST_ALL_NO_LIB)$|-fvisibility(=\w+|-inlines-hidden)$")
# Of these, the last given is the one that holds.
PIC_FLAGS = {"-fpic", "-fPIC", "-fpie", "-fPIE", "-fno-pic", "-fno-pie", "-fno-PIC", "-fno-PIE"}


class Command:
    """A compile command taken apart: the flags that must be equal for sources to share a unit
    (shape), the include folders in search order, and the loose flags."""

    def __init__(self, arguments):
        self.includes, self.loose, flags = [], [], []
        last_pic = max((index for index, argument in enumerate(arguments) if argument in PIC_FLAGS), default=None)
        pending = None
        for index, argument in enumerate(arguments[1:], 1):
            if pending:
                self.includes.append((pending, argument))
                pending = None
            elif argument in ("-I", "-isystem"):
                pending = argument
            elif argument.startswith("-isystem") or argument.startswith("-I"):
                option = "-isystem" if argument.startswith("-isystem") else "-I"
                self.includes.append((option, argument[len(option):]))
            elif LOOSE_FLAG.match(argument):
                self.loose.append(argument)
            elif argument not in PIC_FLAGS or index == last_pic:
                flags.append(argument)
        self.shape = (arguments[0],) + tuple(flags)

    def search(self):
        """The include folders in the order the compiler looks in them: -I before -isystem."""
        return [folder for option in ("-I", "-isystem") for kind, folder in self.includes if kind == option]

    def arguments(self):
        includes = []
        for option, folder in self.includes:
            includes += [option + folder] if option == "-I" else [option, folder]
        return [self.shape[0]] + self.loose + includes + list(self.shape[1:])


def union(lists):
    """The items of lists in first-seen order."""
    seen = {}
    for items in lists:
        for item in items:
            seen.setdefault(item, None)
    return list(seen)


def ordered_union(sequences):
    """The items of sequences in an order that keeps the order of each, or None when they disagree."""
    result, rests = [], [list(sequence) for sequence in sequences]
    while any(rests):
        heads = union(rest[:1] for rest in rests)
        item = next((head for head in heads if not any(head in rest[1:] for rest in rests)), None)
        if item is None:
            return None
        result.append(item)
        rests = [[other for other in rest if other != item] for rest in rests]
    return result


def is_subsequence(items, sequence):
    rest = iter(sequence)
    return all(item in rest for item in items)


class Headers:
    """The header files under include folders, and the compiler's own include folders."""

    def __init__(self):
        self._files = {}
        probe = subprocess.run(["clang++", "-x", "c++", "-E", "-v", os.devnull], stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, text=True, check=True).stderr
        listed = probe.split("#include <...> search starts here:", 1)[1].split("End of search list.", 1)[0]
        self.builtin = [os.path.normpath(line.strip()) for line in listed.splitlines() if line.strip()]

    def files(self, folder):
        if folder not in self._files:
            self._files[folder] = [os.path.relpath(os.path.join(base, name), folder)
                                   for base, _, names in os.walk(folder) for name in names]
        return self._files[folder]

    def shadowed(self, command, search, directory):
        """Whether a header the compiler found for COMMAND would be another file under SEARCH, a
        search order with folders added to command's: the same name under an added folder looked in
        before the command's own that holds it. Folders are relative to DIRECTORY."""
        own = set(command.search())
        for position, folder in enumerate(search):
            if folder in own:
                continue
            later = [os.path.join(directory, other) for other in search[position + 1:] if other in own]
            for name in self.files(os.path.join(directory, folder)):
                if any(os.path.exists(os.path.join(other, name)) for other in later + self.builtin):
                    return True
        return False


def merged_command(commands, headers, directory):
    """One command for sources of commands of one shape: their loose flags and include folders
    together, each command's folders in its own order. Returns it with the commands it serves; a
    command whose headers would be found elsewhere under it, or whose folders' order disagrees with
    the others', is left out to keep its own."""
    members = list(commands)
    while True:
        merged = Command([members[0].shape[0]])
        merged.shape = members[0].shape
        merged.loose = union(command.loose for command in members)
        merged.includes = [include for option in ("-I", "-isystem") for include in ordered_union(
            [include for include in command.includes if include[0] == option] for command in members) or []]
        search = merged.search()
        kept = [command for command in members if len(members) == 1 or (
            is_subsequence(command.search(), search) and not headers.shadowed(command, search, directory))]
        if len(kept) == len(members):
            return merged, members
        members = kept if 0 < len(kept) < len(members) else members[:-1]


def folder_config(folder):
    """The clang-tidy configuration that applies to the sources of folder, as clang-tidy states it."""
    return subprocess.run(["clang-tidy", "--dump-config", os.path.join(folder, "unit.cpp"), "--"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=True).stdout


# The size of unit below which splitting it to share the work out gains less than the parse and
# walk of the headers it costs.
SMALLEST_LIMIT = 1500


def make_units(build, names, units_dir, jobs):
    """Writes the units for the sources NAMES and their compile_commands.json into units_dir. The
    sources of one clang-tidy configuration and one compile command, but for include folders and
    loose flags (see merged_command), are planned together, whatever their folders: a unit's cost is
    mostly the headers, which such sources share. The units of one command are kept to a quarter of
    its lines per worker, so that no unit is left running alone at the end."""
    with open(os.path.join(build, "compile_commands.json")) as commands:
        entries = {entry["file"]: entry for entry in json.load(commands)}
    root = os.getcwd()
    shapes, configs = collections.defaultdict(dict), {}
    for name in names:
        path = os.path.join(root, name)
        entry = entries[path]
        folder = os.path.dirname(path)
        if folder not in configs:
            configs[folder] = folder_config(folder)
        with open(path, encoding="utf-8-sig") as text:
            source = Source(path, text.read())
        command = Command(compile_arguments(entry))
        source.family = tuple(command.arguments())
        family = shapes[(entry["directory"], command.shape, configs[folder])].setdefault(source.family, (command, []))
        family[1].append(source)
    shutil.rmtree(units_dir, ignore_errors=True)
    os.makedirs(units_dir)
    headers = Headers()
    units, counts = [], collections.Counter()
    for (directory, _, config), families in sorted(shapes.items()):
        pending = [command for command, _ in families.values()]
        while pending:
            merged, served = merged_command(pending, headers, directory)
            pending = [command for command in pending if command not in served]
            sources = [source for command in served for source in families[tuple(command.arguments())][1]]
            limit = max(SMALLEST_LIMIT, sum(source.lines for source in sources) // (2 * jobs))
            for members in plan_units(sources, limit):
                folder = os.path.relpath(os.path.commonpath([source.path for source in members]), root)
                if not members[0].path.startswith(os.path.join(root, folder) + os.sep):
                    folder = os.path.dirname(folder)
                prefix = folder.replace(os.sep, "_") if folder not in (".", "") else "project"
                counts[prefix] += 1
                units.append(Unit("%s-%d" % (prefix, counts[prefix]), members,
                                  {"directory": directory, "arguments": merged.arguments()}, units_dir, config))
    with open(os.path.join(units_dir, "compile_commands.json"), "w") as out:
        json.dump([unit.entry for unit in units], out, indent=1)
    return units


def unit_keys(units, units_dir, jobs, tidy_args):
    commands = os.path.join(units_dir, "compile_commands.json")
    result = subprocess.run([sys.executable, LINT_KEYS, commands, str(jobs)] + tidy_args,
                            input="".join(unit.path + "\n" for unit in units), stdout=subprocess.PIPE,
                            text=True, check=True)
    return [line.split(" ", 2)[:2] for line in result.stdout.splitlines()]


COUNT_LINE = re.compile(r"^([0-9]+ warnings? (and [0-9]+ errors? )?generated\.|Suppressed [0-9]+ warnings.*|"
                        r"Use -header-filter.*|[0-9]+ warnings? treated as errors?)$")


def run_tidy(commands_dir, tidy_args, path):
    """clang-tidy on one file: (passed, its report without the count lines, CPU seconds)."""
    with tempfile.TemporaryFile("w+") as output:
        process = subprocess.Popen(["clang-tidy", "-p", commands_dir] + tidy_args + [path], stdout=output,
                                   stderr=subprocess.STDOUT)
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        output.seek(0)
        lines = output.read().splitlines()
    report = "".join(line + "\n" for line in lines if not COUNT_LINE.match(line))
    return process.returncode == 0, report, usage.ru_utime + usage.ru_stime


def check_unit(unit, units_dir, tidy_args):
    """(passed, report, compiled, CPU seconds) for a unit."""
    passed, report, seconds = run_tidy(units_dir, tidy_args, unit.path)
    if os.environ.get("LINT_TIMES"):
        print("  %s: %d files, %.1f CPU s" % (unit.name, len(unit.sources), seconds), flush=True)
    return passed, unit.map_output(report), "[clang-diagnostic-error]" not in report, seconds


def main():
    build, jobs, tidy_args = os.path.abspath(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
    names = sys.stdin.read().split()
    root = os.getcwd()
    units_dir = os.path.join(build, "lint-units")
    cache = os.path.join(build, "lint-cache")
    units = make_units(build, names, units_dir, jobs)
    keys, sizes = zip(*unit_keys(units, units_dir, jobs, tidy_args)) if units else ((), ())
    os.makedirs(cache, exist_ok=True)
    for entry in os.listdir(cache):
        if entry not in keys:
            os.remove(os.path.join(cache, entry))  # a unit since changed
    to_check = [(unit, key, int(size)) for unit, key, size in zip(units, keys, sizes) if key == "-" or not
                os.path.exists(os.path.join(cache, key))]
    print("clang-tidy: %d files, %d units: %d unchanged since found clean, %d to check, %d at a time" %
          (len(names), len(units), len(units) - len(to_check), len(to_check), jobs), flush=True)
    # The units with the most to parse first (a unit of the asio-based server costs twice a widgets
    # unit of twice its lines), so the last to finish is a short one.
    to_check.sort(key=lambda item: (-item[2], -item[0].size))
    to_check = [(unit, key) for unit, key, _ in to_check]
    reports, apart, failed, cpu = [], [], False, 0.0
    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        for (unit, key), (passed, report, compiled, seconds) in zip(
                to_check, pool.map(lambda item: check_unit(item[0], units_dir, tidy_args), to_check)):
            cpu += seconds
            if not compiled:
                first = next(line for line in report.splitlines() if "[clang-diagnostic-error]" in line)
                print("clang-tidy: %s does not compile as one unit (%s); its %d files are checked one by one" %
                      (unit.name, first.replace(root + "/", ""), len(unit.sources)), flush=True)
                apart.append((unit, key))
                continue
            reports.append(report)
            if passed and key != "-":
                open(os.path.join(cache, key), "w").close()
            failed |= not passed
        apart_files = [source.path for unit, _ in apart for source in unit.sources]
        results = dict(zip(apart_files, pool.map(lambda path: run_tidy(build, tidy_args, path), apart_files)))
    cpu += sum(seconds for _, _, seconds in results.values())
    for unit, key in apart:
        unit_passed = all(results[source.path][0] for source in unit.sources)
        reports.extend(results[source.path][1] for source in unit.sources)
        if unit_passed and key != "-":
            open(os.path.join(cache, key), "w").close()
        failed |= not unit_passed
    findings = sorted({line.replace(root + "/", "", 1) for report in reports for line in report.splitlines()
                       if re.search(r"(warning|error): ", line)})
    if findings or failed:
        sys.stdout.write("".join(reports))
        if findings:
            print("clang-tidy findings, each once (%d):" % len(findings))
            print("\n".join(findings))
        return 1
    if to_check:
        print("clang-tidy: %d units clean in %.0f s (%.0f CPU s)" % (len(to_check), time.monotonic() - started, cpu))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (OSError, KeyError, subprocess.CalledProcessError) as error:
        # Exit status 1 means findings; a check that could not run says so apart.
        print("lint-tidy: %s" % error, file=sys.stderr)
        sys.exit(2)
