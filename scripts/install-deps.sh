#!/usr/bin/env bash
# Installs the Debian packages that building and testing ktpm need, when they are missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev make pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev libcli11-dev
          nlohmann-json3-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
