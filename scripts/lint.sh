#!/usr/bin/env bash
# Static checks of the project's own sources: clang-tidy with the checks of .clang-tidy, and cppcheck
# with the checks named here and the suppressions of .cppcheck-suppressions. Both files give the
# reason for every check turned off or finding suppressed. Exits 1 on any finding, 0 when clean,
# 2 when the build to check against is missing.
#
#   scripts/lint.sh [BUILD_DIR]     BUILD_DIR: a configured and built tree (default build/release)
#                                   whose compile_commands.json gives each file's flags; it must be
#                                   built because the sources include the headers moc generates
#   LINT_JOBS=N                     units checked at once (default: the number of cores)
#   LINT_TIMES=1                    prints the CPU seconds clang-tidy spent on each unit
#
# The product's sources are checked (framework, library, domain, modules, server, host, fuzz): the
# files of compile_commands.json under those folders, so the tests, the benchmarks and the code moc
# generates in the build tree are left out. The tests and benchmarks follow the test framework's idioms.
set -euo pipefail
shopt -s nullglob
cd "$(dirname "$0")/.."

build=${1:-build/release}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json not found; configure and build it first (cmake --preset release)." >&2
  exit 2
fi
dirs=(framework library domain modules server host fuzz)
jobs=${LINT_JOBS:-$(nproc)}
root=$(pwd -P)
dirPattern="^($(IFS='|'; echo "${dirs[*]}"))/"
mapfile -t sources < <(python3 -c '
import json, sys
root = sys.argv[2]
files = {entry["file"][len(root):] for entry in json.load(open(sys.argv[1])) if entry["file"].startswith(root)}
print("\n".join(sorted(files)))' "$build/compile_commands.json" "$root/" | grep -E "$dirPattern" || true)
if [ ${#sources[@]} -eq 0 ]; then
  echo "lint: $build/compile_commands.json names none of the sources under $root." >&2
  exit 2
fi
status=0

# cppcheck: the classes of finding that are faults or likely faults; style is clang-tidy's part. It
# takes a few CPU seconds, so it runs on one core beside clang-tidy and reports after it.
cppcheckReport=$(mktemp)
trap 'rm -f "$cppcheckReport"' EXIT
cppcheck --std=c++20 --library=qt --enable=warning,performance,portability --quiet \
  --inline-suppr --suppressions-list=.cppcheck-suppressions --error-exitcode=1 \
  --suppress=missingIncludeSystem --suppress=missingInclude -I . "${dirs[@]}" >"$cppcheckReport" 2>&1 &
cppcheckPid=$!

# clang-tidy, in units of several sources (scripts/lint-tidy.py says how and why). The GCC-only
# warning flags of the build are unknown to clang and ignored. The installed asio recognises
# co_await only under GCC; clang supports it too, and without being told it would fail to parse
# the HTTP server. A finding in a header is reported by every unit that includes it; the summary
# lists it once. Units found clean are remembered in BUILD_DIR/lint-cache; removing the folder
# forces a full run.
tidyArgs=(--quiet --warnings-as-errors="*" --extra-arg=-Wno-unknown-warning-option
  --extra-arg=-DBOOST_ASIO_HAS_CO_AWAIT=1)
set +e
printf '%s\n' "${sources[@]}" | python3 scripts/lint-tidy.py "$build" "$jobs" "${tidyArgs[@]}"
tidyStatus=$?
set -e
case $tidyStatus in
  0) ;;
  1) status=1 ;;
  *) echo "lint: clang-tidy could not run." >&2
     kill $cppcheckPid 2>/dev/null
     exit 2 ;;
esac

echo "cppcheck: ${dirs[*]}"
if ! wait $cppcheckPid; then
  status=1
fi
cat "$cppcheckReport"

[ $status -eq 0 ] && echo "lint: clean"
exit $status
