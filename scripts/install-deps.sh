#!/usr/bin/env bash
# Installs the Debian packages Zelvan needs to build, test and run. Idempotent: it only calls
# apt-get when something is missing, as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev libgl-dev
  libavformat-dev libavcodec-dev libavdevice-dev libavfilter-dev
  libswscale-dev libavutil-dev libswresample-dev ffmpeg
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth dbus at-spi2-core python3-pyatspi
  python3-gi gir1.2-gst-rtsp-server-1.0 gstreamer1.0-plugins-ugly gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
else
  echo "install-deps: these Debian packages are missing: ${missing[*]}" >&2
  echo "install-deps: run this script as root (or give this user sudo) to install them." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
