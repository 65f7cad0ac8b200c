#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Larkspur and Pellow.
# With --ui-tools also xdotool and ImageMagick, for driving the windows under Xvfb and
# taking screenshots by hand.
# Idempotent: packages that are already installed are skipped, and nothing is
# printed in that case.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools
  libqt5serialbus5-dev libqt5serialbus5-plugins libqt5serialbus5-bin
  libqt5svg5
  clang libclang-rt-14-dev
  xvfb xauth fonts-noto-cjk
  zlib1g-dev python3-can can-utils qttranslations5-l10n
  help2man desktop-file-utils
  libqwt-qt5-dev
)
if [ "${1:-}" = --ui-tools ]; then
  packages+=(xdotool imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
