#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Kestrelfind need.
# Only missing packages are installed, so a second run takes a second or two.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcurl4-openssl-dev libssl-dev libpcre2-dev libicu-dev
  libcpp-httplib-dev zlib1g-dev libbrotli-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick fonts-wqy-microhei
  clang libclang-rt-14-dev curl hyperfine procps
)
# Extra sets, asked for by name: "fuzz" adds nothing today (clang is already listed).

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
