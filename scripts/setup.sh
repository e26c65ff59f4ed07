#!/usr/bin/env bash
# Installs the Debian packages the suite builds, tests and runs with; installs nothing when all
# of them are present.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  dosfstools mtools ntfs-3g exfatprogs fdisk sleuthkit
  xvfb
  fonts-nanum libx11-dev python3
  tzdata
  qt6-translations-l10n
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
