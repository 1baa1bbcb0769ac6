#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine; a no-op when all is present.
# With --list it only prints the packages' names (scripts/debian13.sh keeps them in its stamp).
set -euo pipefail
packages=(locales cmake ninja-build mingw-w64 g++-mingw-w64-x86-64-posix wine64 wine xvfb x11-apps
  binutils imagemagick fonts-noto-cjk fonts-ipafont-gothic fonts-dejavu-core fonts-wine googletest clang-format clang-tidy cppcheck)
if [ "${1:-}" = "--list" ]; then
  echo "${packages[*]}"
  exit 0
fi
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The tests run in a Japanese Windows, as every user's is: Wine takes its locale, UI language and
# code pages from the Unix locale, and silently stays en-US when glibc has no ja_JP.UTF-8.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  if grep -q '^# *ja_JP\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    "${sudo_cmd[@]}" sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
