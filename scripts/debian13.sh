#!/usr/bin/env bash
# Runs the README's test command on Debian 13 ("trixie") and its Wine, from a Debian 12 machine:
# a Debian 13 system in a chroot (debootstrap, from the mirror apt already uses), a clean clone of
# this checkout's HEAD in it, and scripts/test.sh run there. Uncommitted changes are not in it.
# Needs root: debootstrap, chroot and the bind mounts do.
#
# Usage: scripts/debian13.sh [CTEST ARGUMENTS...]   for example: scripts/debian13.sh -R screenshots
#        scripts/debian13.sh --approve               renders the pictures under the chroot's Wine,
#                                                    approves them there and copies that Wine's
#                                                    set into this checkout's docs/screenshots
#
# The chroot lies in build/debian13 (TRAVINE_DEBIAN13_DIR for another place) and is reused while
# its stamp matches; it is made again when it is missing or was made by another version of this
# script or for another package list of scripts/install-deps.sh. /proc, /dev, /dev/pts and /sys
# are bound into it only while it is used, and unbound whatever fails.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
suite=trixie
# Raise it when what the chroot is made of changes in a way the package list does not show.
layout_version=1

approve=0
if [ "${1:-}" = "--approve" ]; then
  approve=1
  shift
  if [ "$#" -gt 0 ]; then
    echo "usage: $0 --approve (no other arguments)" >&2
    exit 2
  fi
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: run it as root (debootstrap, chroot and mounts need it)" >&2
  exit 2
fi

# Physical paths: a chrooted process's /proc/PID/root is compared with it.
base="$(realpath -m "${TRAVINE_DEBIAN13_DIR:-$ROOT/build/debian13}")"
system="$base/system"
stamp="$base/stamp"
# The clone's path inside the chroot; CTest files hold absolute paths, so it never changes.
clone=/src/travine

# The Debian mirror of this machine's apt: deb822 sources first, then the one-line format.
debian_mirror() {
  local uri
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    uri="$(awk '$1 == "URIs:" && $2 !~ /security/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources)"
  fi
  if [ -z "${uri:-}" ] && [ -f /etc/apt/sources.list ]; then
    uri="$(awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) { print $i; exit } }' /etc/apt/sources.list)"
  fi
  if ! [[ "${uri:-}" =~ ^https?://[^[:space:]]+$ ]]; then
    echo "no Debian mirror found in /etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list" >&2
    return 1
  fi
  echo "$uri"
}

mounted=()
# A process left in the chroot (a Wine server of a killed run) would keep its mounts busy.
stop_chroot_processes() {
  local link pid
  for link in /proc/[0-9]*/root; do
    pid="${link#/proc/}"
    pid="${pid%/root}"
    if [ "$(readlink "$link" 2>/dev/null)" = "$system" ]; then
      kill -9 "$pid" 2>/dev/null || true
    fi
  done
}
unmount_all() {
  [ "${#mounted[@]}" -gt 0 ] || return 0
  stop_chroot_processes
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || echo "could not unmount ${mounted[i]}" >&2
  done
  mounted=()
}
trap unmount_all EXIT
trap 'exit 130' INT TERM HUP

mount_all() {
  local dir
  for dir in /proc /dev /dev/pts /sys; do
    mkdir -p "$system$dir"
    mount --bind "$dir" "$system$dir"
    mounted+=("$system$dir")
    # Where the host's mounts are shared, what is mounted below it must not show on the host.
    mount --make-private "$system$dir"
  done
}

# Refuses to delete a tree that still has something mounted in it (the host's /dev, say).
remove_tree() {
  local dir="$1"
  if awk -v d="$dir/" 'index($2 "/", d) == 1 { found = 1 } END { exit !found }' /proc/self/mounts; then
    echo "$dir still has mounts in it; unmount them first" >&2
    return 1
  fi
  rm -rf --one-file-system "$dir"
}

in_chroot() {
  chroot "$system" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

# HEAD as it is now: making the chroot takes minutes, in which the checkout may move on.
head="$(git -C "$ROOT" rev-parse HEAD)"
[ -z "$(git -C "$ROOT" status --porcelain --untracked-files=no)" ] ||
  echo "note: uncommitted changes are not in the clone; it tests $head" >&2
mirror="$(debian_mirror)"
wanted_stamp="layout $layout_version
suite $suite
mirror $mirror
packages $(bash "$ROOT/scripts/install-deps.sh" --list)"

if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$wanted_stamp" ]; then
  echo "making the Debian 13 chroot in $system"
  if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
  fi
  remove_tree "$base"
  mkdir -p "$base"
  debootstrap --variant=minbase "$suite" "$system" "$mirror" >"$base/debootstrap.log" 2>&1 ||
    {
      tail -20 "$base/debootstrap.log" >&2
      exit 1
    }
  # Packages must not start services in the chroot.
  printf '#!/bin/sh\nexit 101\n' >"$system/usr/sbin/policy-rc.d"
  chmod +x "$system/usr/sbin/policy-rc.d"
  made=1
fi
cp /etc/resolv.conf "$system/etc/resolv.conf"

# A clean clone of HEAD, as a new contributor would have it.
remove_tree "$system$clone"
mkdir -p "$system$clone"
git -C "$system$clone" init -q
git -C "$system$clone" fetch -q "$ROOT" "$head"
git -C "$system$clone" checkout -q --detach FETCH_HEAD

mount_all
if [ -n "${made:-}" ]; then
  in_chroot bash "$clone/scripts/install-deps.sh" >"$base/install.log" 2>&1 ||
    {
      tail -30 "$base/install.log" >&2
      exit 1
    }
  echo "$wanted_stamp" >"$stamp"
fi

if [ "$approve" -eq 1 ]; then
  in_chroot bash "$clone/scripts/approve-screenshots.sh"
  set_dir="$(in_chroot bash -c "BUILD_DIR=$clone/build/mingw; source $clone/scripts/wine-env.sh; picture_set_dir")"
  rm -rf "${ROOT:?}/$set_dir"
  mkdir -p "$ROOT/$set_dir"
  cp "$system$clone/$set_dir"/*.png "$ROOT/$set_dir/"
  echo "copied into $ROOT/$set_dir; look at every picture before committing them"
  exit 0
fi

status=0
in_chroot bash "$clone/scripts/test.sh" "$@" || status=$?
if [ "$status" -ne 0 ]; then
  shopt -s nullglob
  differing=("$system$clone"/docs/screenshots/*/*.actual.png)
  [ "${#differing[@]}" -eq 0 ] || echo "pictures that differ: ${differing[*]}" >&2
fi
exit "$status"
