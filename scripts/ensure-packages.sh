#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libhidapi-dev libudev-dev nlohmann-json3-dev libncurses-dev
  qt6-base-dev fonts-dejavu-core
  # Qt's own Russian texts for the standard dialogs and buttons.
  qt6-translations-l10n
  # Screenshots under a real X server with a window frame (scripts/screenshots).
  xvfb openbox
  # The manual's tests read the text of its PDF.
  poppler-utils
  clang libclang-rt-14-dev
  # The Wireshark dissector's test (tshark, dumpcap) and the network namespaces of the
  # end-to-end test on the default link.
  tshark iproute2
  # The icon's PNG sizes are rendered from its SVG at build time.
  qt6-svg-dev
  # The Debian package and the checks of what it installs.
  dpkg-dev desktop-file-utils appstream man-db bash-completion
)
if [[ "${1:-}" == "--runtime-only" ]]; then
  packages=(cmake ninja-build g++ pkg-config libhidapi-dev libudev-dev nlohmann-json3-dev libncurses-dev qt6-base-dev qt6-translations-l10n fonts-dejavu-core libgtest-dev libbenchmark-dev)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  # tshark's package asks whether non-root users may capture: no, and without asking.
  echo "wireshark-common wireshark-common/install-setuid boolean false" |
    "${sudo_cmd[@]}" debconf-set-selections
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
