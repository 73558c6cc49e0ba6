#!/usr/bin/env bash
# The test command: installs what is missing, builds the release, the sanitizer (ASan+UBSan) and the
# ThreadSanitizer builds, and runs every test of them against a throwaway PostgreSQL (required: without
# one the command fails rather than skip half the storage tests). Benchmarks are built, not run. The
# static checks (scripts/lint.sh) are not part of it yet: they still report findings.
# Each stage prints how long it took, so a slow run shows where its time went.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() {
  local name=$1
  shift
  local start=$SECONDS status=0
  echo "== $name"
  "$@" || status=$?
  echo "== $name: $((SECONDS - start)) s"
  return $status
}

stage "packages" scripts/deps.sh
for preset in release asan tsan; do
  stage "configure $preset" cmake --preset "$preset" >/dev/null
  stage "build $preset" cmake --build --preset "$preset"
done
# Every suite runs even when an earlier one failed, so one run shows every failure.
failed=()
export ZRM_REQUIRE_POSTGRES=1
for preset in release asan tsan; do
  stage "tests $preset" scripts/with-postgres.sh ctest --preset "$preset" || failed+=("tests $preset")
done
if [ ${#failed[@]} -gt 0 ]; then
  printf '== failed: %s\n' "${failed[@]}"
  echo "== after $SECONDS s"
  exit 1
fi
echo "== all passed in $SECONDS s"
