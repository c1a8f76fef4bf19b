#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the local servers need. Safe to run again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t pkgs < <(grep -v '^\s*#' "$here/packages.txt" | grep -v '^\s*$')
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The locale tests format dates in these two locales; generated only when missing.
regenerate=0
for name in de_DE.UTF-8 en_US.UTF-8; do
  if ! locale -a | grep -qix "${name%.UTF-8}.utf8"; then
    sed -i "s/^# *\\($name UTF-8\\)\$/\\1/" /etc/locale.gen
    grep -qx "$name UTF-8" /etc/locale.gen || echo "$name UTF-8" >> /etc/locale.gen
    regenerate=1
  fi
done
if [ "$regenerate" -eq 1 ]; then
  locale-gen >/dev/null
fi
