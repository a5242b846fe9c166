#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12.
# Does nothing (and never calls apt-get) when every package is already there.
# Extra package names on the command line are installed too (make fuzz: clang).
set -euo pipefail

PACKAGES=(
  cmake g++ make                      # toolchain
  qt6-base-dev                        # Qt Core/Gui/Widgets/Sql/PrintSupport headers, CMake files, offscreen plugin
  libqt6sql6-sqlite libqt6sql6-psql   # QSQLITE and QPSQL drivers
  libgtest-dev                        # GoogleTest with its CMake package
  qt6-tools-dev qt6-l10n-tools        # Qt Designer and UiTools (the Designer plugin), lupdate/lrelease (translations)
  libqt6opengl6-dev                   # Qt OpenGL's CMake files, without which Designer and UiTools are not found
  postgresql                          # server binaries for the throw-away test server
  fontconfig fonts-dejavu-core        # a font, so offscreen rendering shows text
  "$@"
)

# One dpkg-query for all names; a package it does not know is simply not listed.
installed=" $(dpkg-query -W -f='${Package}=${db:Status-Status} ' "${PACKAGES[@]}" 2>/dev/null || true)"
missing=()
for pkg in "${PACKAGES[@]}"; do
  [[ "$installed" == *" $pkg=installed "* ]] || missing+=("$pkg")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=(sudo)
  else
    echo "setup: missing packages (${missing[*]}) and neither root nor sudo available" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
