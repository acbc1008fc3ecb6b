#!/usr/bin/env bash
# Installs with apt what building and testing the library needs, and only what is missing.
# Safe to run again: a machine that has everything is left alone and the package index is not
# even refreshed.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

packages=(
  build-essential cmake g++ pkg-config clang-format
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  libpq-dev
  # ODBC: the driver manager the ADO adapter links, and the drivers its tests connect through.
  unixodbc-dev odbc-postgresql odbc-mariadb odbc-mdbtools libsqliteodbc
  # The Access file library the Access extractor reads table definitions through.
  mdbtools-dev
)
# The database servers and their client libraries, kept in a list of their own.
if [[ -f "$here/server-packages.txt" ]]; then
  while read -r pkg; do
    pkg="${pkg%%#*}"; pkg="${pkg//[[:space:]]/}"
    [[ -n "$pkg" ]] && packages+=("$pkg")
  done < "$here/server-packages.txt"
fi

missing=()
for pkg in "${packages[@]}"; do
  status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: everything is installed"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
# Server packages must not try to start system services: the tests start their own instances.
if [[ ! -e /usr/sbin/policy-rc.d ]]; then
  printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee /usr/sbin/policy-rc.d >/dev/null
  "${sudo_cmd[@]}" chmod +x /usr/sbin/policy-rc.d
  trap '"${sudo_cmd[@]}" rm -f /usr/sbin/policy-rc.d' EXIT
fi
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
