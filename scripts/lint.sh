#!/usr/bin/env bash
# Static checks of the project's own sources: clang-tidy with the checks of .clang-tidy, and cppcheck
# with the checks named here and the suppressions of .cppcheck-suppressions. Both files give the
# reason for every check turned off or finding suppressed. Exits 1 on any finding, 0 when clean,
# 2 when the build to check against is missing.
#
#   scripts/lint.sh [BUILD_DIR]     BUILD_DIR: a configured and built tree (default build/release)
#                                   whose compile_commands.json gives each file's flags; it must be
#                                   built because the sources include the headers moc generates
#   LINT_JOBS=N                     files checked at once (default: the number of cores)
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
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# clang-tidy: one process per file, LINT_JOBS at a time, each writing its own report so reports do
# not interleave. The GCC-only warning flags of the build are unknown to clang and ignored. The
# installed asio recognises co_await only under GCC; clang supports it too, and without being told
# it would fail to parse the HTTP server. A finding in a header is reported by every file that
# includes it; the summary lists it once.
#
# Checking a file takes clang-tidy 15 to 25 s, nearly all of it in the checks' walk over the Qt and
# standard headers, and clang-tidy cannot share that work between files. So a file found clean is
# remembered in BUILD_DIR/lint-cache under a key of everything the check depends on (see
# scripts/lint-keys.py: the file and every header it includes, its flags, the configuration and
# clang-tidy's version); while the key stays the same the file is not checked again. Only clean
# results are kept, so a finding is reported on every run until it is fixed. Removing the folder
# forces a full run.
tidyArgs=(--quiet --warnings-as-errors="*" --extra-arg=-Wno-unknown-warning-option
  --extra-arg=-DBOOST_ASIO_HAS_CO_AWAIT=1)
cache=$build/lint-cache
mkdir -p "$cache"
if ! printf '%s\n' "${sources[@]}" | python3 scripts/lint-keys.py "$build/compile_commands.json" "$jobs" \
      "${tidyArgs[@]}" >"$out/keys.txt"; then
  echo "lint: could not tell which files changed since their last check." >&2
  exit 2
fi
mapfile -t keyed <"$out/keys.txt"
toCheck=()
declare -A current
for line in "${keyed[@]}"; do
  key=${line%% *}
  current[$key]=1
  [ "$key" != - ] && [ -e "$cache/$key" ] || toCheck+=("$key" "${line#* }")
done
# Keys of files since changed are dropped, so the folder holds one small entry per source at most.
for entry in "$cache"/*; do
  if [ -z "${current[${entry##*/}]:-}" ]; then rm -f "$entry"; fi
done
checking=$((${#toCheck[@]} / 2))
echo "clang-tidy: ${#sources[@]} files, $((${#sources[@]} - checking)) unchanged since found clean," \
  "$checking to check, $jobs at a time"
# Checks one file: TIDY_ARG... KEY FILE (xargs puts the key and the file last). clang-tidy exits 0
# only when it found nothing, since every warning is an error; that result is remembered.
# shellcheck disable=SC2317  # run by xargs through bash -c
checkFile() {
  local key=${*: -2:1} file=${*: -1}
  clang-tidy -p "$build" "${@:1:$#-2}" "$file" >"$out/$(echo "$file" | tr / _).log" 2>&1 || return 1
  [ "$key" = - ] || touch "$cache/$key"
}
export -f checkFile
export build out cache
tidyFailed=0
: >"$out/tidy.txt"
if [ ${#toCheck[@]} -gt 0 ] && ! printf '%s\n' "${toCheck[@]}" |
    xargs -P "$jobs" -n 2 bash -c 'checkFile "$@"' _ "${tidyArgs[@]}"; then
  tidyFailed=1
fi
for log in "$out"/*.log; do
  # Drop clang-tidy's count lines ("N warnings generated.") and keep the findings with their notes.
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^[0-9]+ warnings? treated as errors?$' \
    "$log" >>"$out/tidy.txt" || true
done
findings=$(grep -E '(warning|error): ' "$out/tidy.txt" | sed "s#^$root/##" | sort -u || true)
if [ -n "$findings" ] || [ $tidyFailed -ne 0 ]; then
  cat "$out/tidy.txt"
  [ -n "$findings" ] && echo "clang-tidy findings, each once ($(printf '%s\n' "$findings" | wc -l)):" &&
    printf '%s\n' "$findings"
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
