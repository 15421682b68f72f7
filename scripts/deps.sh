#!/usr/bin/env bash
# Installs the Debian packages the project needs that this machine lacks.
# Usage: scripts/deps.sh [build|test]   (test adds the tools the tests use)
set -euo pipefail

build_packages=(
  build-essential cmake pkg-config git
  qt6-base-dev libqt6opengl6-dev libgl-dev
  libjpeg62-turbo-dev
  fonts-wine
  libsystemd-dev
  libevtx-dev libbfio-dev
  libhivex-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64 googletest
)
test_packages=(
  clang libclang-rt-14-dev clang-format
  python3 python3-olefile libolecf-utils libgsf-bin
  libevt-utils libevtx-utils tzdata
  libhivex-bin libwin-hivex-perl
  systemd-journal-remote
  poppler-utils
  xvfb xauth
  librsvg2-bin chromium
  wine wine64 libwine
  nsis zip
  lintian man-db
)

packages=("${build_packages[@]}")
if [[ "${1:-build}" == "test" ]]; then
  packages+=("${test_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
