#!/usr/bin/env bash
# The Debian packages as an administrator meets them: lintian finds nothing to report, and install,
# upgrade over an earlier build, remove and purge keep the administrator's settings and the database.
#
#   tests/scripts/test_packages.sh [PACKAGE_DIR]     (as root; default build/package, made by
#                                                     scripts/package.sh)
#
# Every case works in a throwaway root: an overlay over this machine's own root, so the packages find
# the libraries they depend on, whose writes all land in a tmpfs. The script runs in a mount namespace
# of its own, so every mount (and with them the roots) goes when it ends, however it ends. The roots
# get an empty /run, so the maintainer scripts see no running systemd and no service starts; a
# policy-rc.d that refuses every start stands behind that.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "test_packages: must run as root (it mounts throwaway roots)" >&2
  exit 1
fi
if [ -z "${ZRM_PACKAGE_TEST_NAMESPACE:-}" ]; then
  exec env ZRM_PACKAGE_TEST_NAMESPACE=1 unshare --mount --propagation private "$0" "$@"
fi

packages=$(realpath "${1:-build/package}")
shopt -s nullglob
current=("$packages"/zrm-appserver_*.deb)
desktop=("$packages"/zrm-desktop_*.deb)
symbols=("$packages"/zrm-appserver-dbgsym_*.ddeb "$packages"/zrm-desktop-dbgsym_*.ddeb)
shopt -u nullglob
if [ ${#current[@]} -ne 1 ] || [ ${#desktop[@]} -ne 1 ] || [ ${#symbols[@]} -ne 2 ]; then
  echo "test_packages: $packages must hold one build of each package (scripts/package.sh makes them)" >&2
  exit 1
fi

scratch=$(mktemp -d /tmp/zrm-packages.XXXXXX)
# The mounts go with the namespace; the empty folder they hung on is the one trace left to remove.
trap 'umount --recursive --lazy "$scratch" 2>/dev/null || true; rmdir "$scratch"' EXIT
mount -t tmpfs -o size=2g tmpfs "$scratch"
failures=0

fail() {
  echo "FAIL [$case_name] $*"
  failures=$((failures + 1))
}

# check DESCRIPTION COMMAND...: a failed check is reported and counted; the case goes on.
check() {
  local what=$1
  shift
  "$@" >/dev/null || fail "$what"
}

# --- lintian -------------------------------------------------------------------------------------
# Two information tags stay:
#   package-supports-alternative-init-but-no-init.d-script: the service is systemd's only; its
#     confinement (a state directory of its own, a read-only system) has no counterpart in an init
#     script.
#   hardening-no-fortify-functions: the packages are built with the compile flags of the release
#     build, whose objects they reuse; the linker's hardening (relro, bindnow) is theirs.
lintian_allowed=(-e '^I: zrm-appserver: package-supports-alternative-init-but-no-init\.d-script '
  -e '^I: zrm-[a-z]*: hardening-no-fortify-functions ')
case_name=lintian
lintian_report=$(lintian --display-info --pedantic "${current[0]}" "${desktop[0]}" "${symbols[@]}" 2>&1 |
  grep -v -e '^running with root privileges' "${lintian_allowed[@]}" || true)
if [ -n "$lintian_report" ]; then
  fail "lintian reports:"
  echo "$lintian_report"
fi

# --- an earlier build ----------------------------------------------------------------------------
# The current server package under the earlier version 0.0.9-1, with its settings file as built or
# with a default that the current build changed.
current_version=$(dpkg-deb -f "${current[0]}" Version)
earlier_build() {
  local variant=$1 tree="$scratch/earlier-$1"
  dpkg-deb --raw-extract "${current[0]}" "$tree"
  sed -i 's/^Version: .*/Version: 0.0.9-1/' "$tree/DEBIAN/control"
  if [ "$variant" = other-default ]; then
    sed -i 's/^#ZRM_THREADS=4$/#ZRM_THREADS=2/' "$tree/etc/default/zrm-appserver"
    grep -q '^#ZRM_THREADS=2$' "$tree/etc/default/zrm-appserver"
    sed -i "s|^[0-9a-f]*  etc/default/zrm-appserver\$|$(md5sum <"$tree/etc/default/zrm-appserver" |
      cut -d' ' -f1)  etc/default/zrm-appserver|" "$tree/DEBIAN/md5sums"
  fi
  dpkg-deb --root-owner-group --build "$tree" "$scratch/earlier-$variant.deb" >/dev/null
}
earlier_build same-default
earlier_build other-default
default_settings=$(dpkg-deb --fsys-tarfile "${current[0]}" | tar -xO ./etc/default/zrm-appserver)

# --- throwaway roots -----------------------------------------------------------------------------
root=""
open_root() {
  local base="$scratch/root-$1"
  mkdir -p "$base/upper" "$base/work" "$base/root"
  mount -t overlay overlay -o "lowerdir=/,upperdir=$base/upper,workdir=$base/work" "$base/root"
  root="$base/root"
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount -t tmpfs tmpfs "$root/run"
  mount -t tmpfs tmpfs "$root/tmp"
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  mkdir "$root/tmp/debs"
  cp "${current[0]}" "${desktop[0]}" "${symbols[@]}" "$scratch"/earlier-*.deb "$root/tmp/debs/"
}
close_root() {
  umount --recursive --lazy "$root"
}
# in_root COMMAND...: runs in the root with a clean environment; dpkg never waits for an answer.
in_root() {
  chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    "$@" </dev/null
}
dpkg_in_root() {
  in_root dpkg --force-confold "$@" >"$root/tmp/dpkg.log" 2>&1 || {
    fail "dpkg $*"
    cat "$root/tmp/dpkg.log"
    return 1
  }
}
# shellcheck disable=SC2016 # dpkg-query expands the fields, not the shell
package_status() { in_root dpkg-query -W -f='${db:Status-Abbrev}${Version}' "$1" 2>/dev/null || true; }
service_enabled() { [ -L "$root/etc/systemd/system/multi-user.target.wants/zrm-appserver.service" ]; }
database="/var/lib/zrm-appserver/calendario.sqlite"
database_sum() { sha256sum "$root$database" 2>/dev/null | cut -d' ' -f1; }
file_is() { [ "$(cat "$root$1" 2>/dev/null)" = "$2" ]; }
exists() { [ -e "$root$1" ]; }
absent() { [ ! -e "$root$1" ]; }
test_eq() { [ "$1" = "$2" ]; }
# has_section FILE SECTION: grep reads all of readelf's output, which -q would cut short and so fail
# the pipe.
has_section() { readelf -S -W "$1" 2>/dev/null | grep -F " $2 " >/dev/null; }
lacks_section() { ! has_section "$@"; }

# --- server package: install, upgrade, remove, purge, install again ------------------------------
# earlier build | administrator's change before the upgrade | settings file after it | .dpkg-dist
# left beside it | service enabled after it
cases=(
  "settings edited, default unchanged |same-default |edit   |edited  |no  |yes"
  "settings edited, default changed   |other-default|edit   |edited  |yes |yes"
  "settings untouched, default changed|other-default|none   |default |no  |yes"
  "service disabled by the admin      |same-default |disable|default |no  |no"
)
edited_line="ZRM_LISTEN=0.0.0.0:7130"
for row in "${cases[@]}"; do
  IFS='|' read -r case_name earlier change settings dist enabled <<<"$row"
  case_name=$(echo "$case_name" | xargs)
  earlier=$(echo "$earlier" | xargs)
  change=$(echo "$change" | xargs)
  settings=$(echo "$settings" | xargs)
  dist=$(echo "$dist" | xargs)
  enabled=$(echo "$enabled" | xargs)
  echo "== $case_name"
  open_root "${#case_name}-$RANDOM"

  dpkg_in_root -i "/tmp/debs/earlier-$earlier.deb" || {
    close_root
    continue
  }
  check "the earlier build is installed" test_eq "$(package_status zrm-appserver)" "ii 0.0.9-1"
  check "the system user zrm exists" in_root getent passwd zrm
  check "the data folder belongs to zrm, mode 0750" \
    test_eq "$(in_root stat -c '%U:%G %a' /var/lib/zrm-appserver)" "zrm:zrm 750"
  check "the settings file is a conffile" \
    in_root sh -c "dpkg-query -W -f='\${Conffiles}' zrm-appserver | grep -q '^ /etc/default/zrm-appserver '"
  check "installation enables the service" service_enabled
  check "the installed server creates its database as zrm" \
    in_root setpriv --reuid=zrm --regid=zrm --clear-groups \
    zrm-appserver demo --db "sqlite:$database" --today 2026-03-10
  before=$(database_sum)

  case "$change" in
  edit) echo "$edited_line" >>"$root/etc/default/zrm-appserver" ;;
  # What `systemctl disable` does to the files, without needing systemd in the root.
  disable) rm "$root/etc/systemd/system/multi-user.target.wants/zrm-appserver.service" ;;
  esac
  expected_settings=$default_settings
  [ "$settings" = edited ] && expected_settings=$(cat "$root/etc/default/zrm-appserver")

  dpkg_in_root -i /tmp/debs/"$(basename "${current[0]}")" || true
  check "the upgrade installs the current build" \
    test_eq "$(package_status zrm-appserver)" "ii $current_version"
  check "the settings file after the upgrade is the $settings one" \
    file_is /etc/default/zrm-appserver "$expected_settings"
  if [ "$dist" = yes ]; then
    check "the new default is left beside it" exists /etc/default/zrm-appserver.dpkg-dist
  else
    check "no new default is left beside it" absent /etc/default/zrm-appserver.dpkg-dist
  fi
  if [ "$enabled" = yes ]; then
    check "the service stays enabled" service_enabled
  else
    check "the service stays disabled" eval '! service_enabled'
  fi
  check "the upgrade keeps the database" test_eq "$(database_sum)" "$before"

  dpkg_in_root -r zrm-appserver || true
  check "remove takes the server" absent /usr/bin/zrm-appserver
  check "remove keeps the settings" file_is /etc/default/zrm-appserver "$expected_settings"
  check "remove keeps the database" test_eq "$(database_sum)" "$before"

  dpkg_in_root -P zrm-appserver || true
  check "purge leaves the package unknown" test_eq "$(package_status zrm-appserver)" ""
  check "purge takes the settings" absent /etc/default/zrm-appserver
  check "purge takes the service's enablement" eval '! service_enabled'
  check "purge keeps the database" test_eq "$(database_sum)" "$before"
  check "purge keeps the user zrm" in_root getent passwd zrm
  check "purge says where the database is" grep -q "/var/lib/zrm-appserver" "$root/tmp/dpkg.log"

  dpkg_in_root -i /tmp/debs/"$(basename "${current[0]}")" || true
  check "installing again finds the database untouched" test_eq "$(database_sum)" "$before"
  check "installing again finds it readable by zrm" \
    in_root setpriv --reuid=zrm --regid=zrm --clear-groups \
    zrm-appserver export --db "sqlite:$database" /tmp/export.json
  close_root
done

# --- both packages with their debug symbols ------------------------------------------------------
case_name="desktop and debug symbols"
echo "== $case_name"
open_root symbols
in_debs=()
for deb in "${current[0]}" "${desktop[0]}" "${symbols[@]}"; do
  in_debs+=("/tmp/debs/$(basename "$deb")")
done
if dpkg_in_root -i "${in_debs[@]}"; then
  for binary in usr/bin/zrm-appserver usr/bin/zrm-host $(cd "$root" && echo usr/lib/*/zrm/libPkg_Zrm71300.so); do
    id=$(readelf -n "$root/$binary" 2>/dev/null | sed -n 's/^ *Build ID: *//p')
    check "$binary has a build id" test -n "$id"
    check "$binary is stripped" lacks_section "$root/$binary" .debug_info
    check "$binary has no compiler notes" lacks_section "$root/$binary" .comment
    check "the symbols of $binary are installed" \
      has_section "$root/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" .debug_info
  done
  check "zrm-host starts" in_root env QT_QPA_PLATFORM=offscreen zrm-host --help
  for page in zrm-appserver zrm-host; do
    check "the manual page $page(1) reads without complaint" \
      eval "test -z \"\$(in_root man --warnings -l /usr/share/man/man1/$page.1.gz 2>&1 >/dev/null)\""
  done
fi
close_root

if [ "$failures" -gt 0 ]; then
  echo "test_packages: $failures failed checks"
  exit 1
fi
echo "test_packages: all checks passed"
