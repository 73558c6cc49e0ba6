"""The manual pages name exactly the options the programs accept.

    test_manpages.py ZRM_APPSERVER ZRM_HOST MAN_DIR

An option added to a program and left out of its manual page, or one the page still describes after
the program dropped it, fails here. Options are read from each program's own --help (for
zrm-appserver, that of every command its --help lists) and from the page's roff source.
"""

import os
import re
import subprocess
import sys
import unittest

PROGRAMS = {}
MAN_DIR = ""


def run_help(*arguments):
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")
    result = subprocess.run(arguments, capture_output=True, text=True, env=environment, timeout=60)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(arguments)} exited {result.returncode}: {result.stderr}")
    return result.stdout


def help_options(text):
    """The long options a help text lists, one per line that starts with one."""
    return set(re.findall(r"^\s+(?:-\w, )?--([a-z][a-z-]*)", text, re.MULTILINE))


def appserver_options(program):
    """Every option of every command of zrm-appserver, and the commands themselves."""
    overview = run_help(program, "--help")
    commands = re.findall(r"^  ([a-z]+) {2,}", overview.split("Comandos:", 1)[1], re.MULTILINE)
    options = {"help"}
    for command in commands:
        options |= help_options(run_help(program, command, "--help"))
    return commands, options


def page_options(page):
    with open(os.path.join(MAN_DIR, page), encoding="utf-8") as source:
        roff = source.read()
    text = roff.replace("\\-", "-")
    return set(re.findall(r"(?<![\w-])--([a-z][a-z-]*[a-z])", text)), roff


class ManualPages(unittest.TestCase):
    def test_options_match(self):
        cases = [
            # page, how the program lists its options
            ("zrm-appserver.1", lambda: appserver_options(PROGRAMS["zrm-appserver"])[1]),
            ("zrm-host.1", lambda: help_options(run_help(PROGRAMS["zrm-host"], "--help"))),
        ]
        for page, listed in cases:
            with self.subTest(page=page):
                accepted = listed()
                described, _ = page_options(page)
                self.assertTrue(accepted, "the program lists no option")
                self.assertEqual(sorted(accepted - described), [], "options missing from the page")
                self.assertEqual(sorted(described - accepted), [], "options the program does not know")

    def test_every_command_has_its_section(self):
        commands, _ = appserver_options(PROGRAMS["zrm-appserver"])
        _, roff = page_options("zrm-appserver.1")
        self.assertTrue(commands)
        for command in commands:
            with self.subTest(command=command):
                self.assertIn(f'.SY "zrm-appserver {command}"', roff)


if __name__ == "__main__":
    PROGRAMS["zrm-appserver"], PROGRAMS["zrm-host"], MAN_DIR = sys.argv[1:4]
    del sys.argv[1:4]
    unittest.main()
