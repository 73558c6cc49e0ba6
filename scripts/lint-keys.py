#!/usr/bin/env python3
"""Prints a key for each source named on stdin: "KEY SIZE FILE" per line, in the order given, where
SIZE is the length in bytes of the preprocessed file (what clang-tidy parses and walks, so a measure
of what checking it costs; 0 when preprocessing fails).

    scripts/lint-keys.py COMPILE_COMMANDS JOBS TIDY_ARG...

The key is a hash of everything a clang-tidy run on the file depends on: the clang-tidy version, the
arguments scripts/lint.sh passes it (TIDY_ARG...), the .clang-tidy files that apply to the file, the
file's compile command, and the file preprocessed with that command by clang, with its comments
(NOLINT lives in comments) and its macro definitions (some checks look at macros) kept. The
preprocessed text holds every header the file includes, our own and the system's, with their paths,
so a change to any of them, or to a flag, gives another key. A file whose preprocessing fails gets
the key "-", which is never taken as checked. JOBS files are preprocessed at once.
"""
import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys


def preprocess_command(entry, tidy_args):
    """The file's compile command turned into clang's preprocessor run, writing to stdout."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    command = ["clang++"]
    skip_next = False
    for arg in args[1:]:
        if skip_next:
            skip_next = False
        elif arg == "-o":
            skip_next = True
        elif arg != "-c":
            command.append(arg)
    # The extra arguments clang-tidy is given apply to its parse, so they apply here too.
    command += [arg[len("--extra-arg="):] for arg in tidy_args if arg.startswith("--extra-arg=")]
    return command + ["-E", "-C", "-dD"]


def config_files(path, root):
    """The .clang-tidy files clang-tidy may read for path: those of its folder and the folders above."""
    found = []
    folder = os.path.dirname(path)
    while True:
        candidate = os.path.join(folder, ".clang-tidy")
        if os.path.isfile(candidate):
            found.append(candidate)
        if folder == root or os.path.dirname(folder) == folder:
            return found
        folder = os.path.dirname(folder)


def key(entry, common, tidy_args, root):
    digest = hashlib.sha256(common)
    for config in config_files(entry["file"], root):
        digest.update(config.encode() + b"\0")
        with open(config, "rb") as text:
            digest.update(text.read() + b"\0")
    command = preprocess_command(entry, tidy_args)
    digest.update(json.dumps([entry["directory"], command]).encode() + b"\0")
    result = subprocess.run(command, cwd=entry["directory"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    if result.returncode != 0:
        return "-", 0
    digest.update(result.stdout)
    return digest.hexdigest(), len(result.stdout)


def main():
    compile_commands, jobs, tidy_args = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    root = os.getcwd()
    with open(compile_commands) as commands:
        entries = {entry["file"]: entry for entry in json.load(commands)}
    version = subprocess.run(["clang-tidy", "--version"], stdout=subprocess.PIPE, check=True).stdout
    common = version + b"\0" + "\0".join(tidy_args).encode() + b"\0"
    files = sys.stdin.read().splitlines()
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        keys = pool.map(lambda name: key(entries[os.path.join(root, name)], common, tidy_args, root), files)
        for name, (file_key, size) in zip(files, keys):
            print(file_key, size, name)


if __name__ == "__main__":
    main()
