#!/usr/bin/env bash
# The test command: installs what is missing, builds the release, the sanitizer (ASan+UBSan) and the
# ThreadSanitizer builds, and runs every test of them against a throwaway PostgreSQL (required: without
# one the command fails rather than skip half the storage tests), then runs the static checks
# (scripts/lint.sh: clang-tidy and cppcheck) against the release build, and checks the Debian packages
# (tests/scripts/test_packages.sh: lintian, install, upgrade, remove, purge) and the three instances
# behind nginx (bench/load/cluster.sh). Benchmarks are built, not run.
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
# The Debian packages reuse the release build's objects.
stage "build packages" scripts/package.sh
# Every suite runs even when an earlier one failed, so one run shows every failure; so do the static
# checks, whose finding fails the command as a failing test does. They need the release tree built
# (the sources include what moc generates there) and remember the units they found clean in it, so
# only what changed since is checked again.
failed=()
export ZRM_REQUIRE_POSTGRES=1
# The page tests fail rather than skip without the HTML validators, which the packages stage installs.
export ZRM_REQUIRE_WEB_VALIDATORS=1
for preset in release asan tsan; do
  stage "tests $preset" scripts/with-postgres.sh ctest --preset "$preset" || failed+=("tests $preset")
done
stage "lint" scripts/lint.sh build/release || failed+=("lint")
# Three instances behind nginx on one PostgreSQL, one stopped and one killed under load.
stage "tests cluster" env CLUSTER_SECONDS=10 bench/load/cluster.sh build/release || failed+=("tests cluster")
# Installs, upgrades and removes the packages in throwaway roots, which takes root.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
stage "tests packages" $sudo tests/scripts/test_packages.sh build/package || failed+=("tests packages")
if [ ${#failed[@]} -gt 0 ]; then
  printf '== failed: %s\n' "${failed[@]}"
  echo "== after $SECONDS s"
  exit 1
fi
echo "== all passed in $SECONDS s"
