#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing, through
# sudo when not root) and builds the program and its tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build ccache g++ pkg-config qt6-base-dev qt6-charts-dev libqt6sql6-sqlite
  libqt6opengl6-dev libxkbcommon-dev libgl-dev libvulkan-dev
  libsqlite3-dev libicu-dev libxlsxwriter-dev liborcus-dev libixion-dev libkainjow-mustache-dev
  libzint-dev libcurl4-openssl-dev libcpp-httplib-dev libsimpleini-dev libsodium-dev libcups2-dev
  libgtest-dev libgmock-dev libbenchmark-dev fonts-noto-cjk qt6-qpa-plugins qt6-translations-l10n
  xvfb xauth xdotool imagemagick poppler-utils unzip python3)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build
