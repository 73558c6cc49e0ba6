#!/usr/bin/env bash
# The test command: installs what is missing, builds the release and the sanitizer builds, and runs
# every test of them against a throwaway PostgreSQL (required: without one the command fails rather
# than skip half the storage tests).
# Benchmarks are built, not run.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
for preset in release asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
ZRM_REQUIRE_POSTGRES=1 scripts/with-postgres.sh bash -c 'ctest --preset release && ctest --preset asan'
