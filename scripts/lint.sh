#!/usr/bin/env bash
# Static checks of the project's own sources: clang-tidy with the checks of .clang-tidy, and cppcheck
# with the checks named here and the suppressions of .cppcheck-suppressions. Both files give the
# reason for every check turned off or finding suppressed. Exits 1 on any finding, 0 when clean.
#
#   scripts/lint.sh [BUILD_DIR]     BUILD_DIR: a configured build (default build/release) whose
#                                   compile_commands.json gives each file's flags
#
# The product's sources are checked (framework, library, modules, server, host, fuzz); the tests and
# benchmarks follow the test framework's idioms and are left out.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json not found; configure that build first (cmake --preset release)." >&2
  exit 2
fi
dirs=(framework library modules server host fuzz)
mapfile -t sources < <(git ls-files -- "${dirs[@]/%//*.cpp}")
jobs=${LINT_JOBS:-2}
status=0

# clang-tidy: one process per file, two at a time; the GCC-only warning flags of the build are
# unknown to it and ignored.
echo "clang-tidy: ${#sources[@]} files"
if ! printf '%s\n' "${sources[@]}" |
    xargs -P "$jobs" -n 1 clang-tidy -p "$build" --quiet --warnings-as-errors='*' \
      --extra-arg=-Wno-unknown-warning-option 2>/dev/null; then
  status=1
fi

# cppcheck: the classes of finding that are faults or likely faults; style is clang-tidy's part.
echo "cppcheck: ${dirs[*]}"
if ! cppcheck -j "$jobs" --std=c++20 --library=qt --enable=warning,performance,portability --quiet \
      --inline-suppr --suppressions-list=.cppcheck-suppressions --error-exitcode=1 \
      --suppress=missingIncludeSystem --suppress=missingInclude -I . "${dirs[@]}"; then
  status=1
fi

[ $status -eq 0 ] && echo "lint: clean"
exit $status
