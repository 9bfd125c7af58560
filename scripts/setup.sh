#!/usr/bin/env bash
# Installs the Debian packages drvesk needs to build, run and test, when missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
  libsqlite3-dev libicu-dev libbenchmark-dev libyaml-cpp-dev libsodium-dev
  # The desktop's keyring (QtKeychain on libsecret), and a real one for its test.
  qtkeychain-qt6-dev libsecret-1-0 gnome-keyring
  clang clang-format git
  xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick sqlite3 python3 poppler-utils
  fonts-ipafont-gothic fontconfig locales appstream
  # The input methods the end-to-end test types through, with their Qt 6 front ends
  # (IBus's is part of Qt itself).
  fcitx5 fcitx5-mozc mozc-server fcitx5-frontend-qt6 ibus ibus-mozc
  dbus dbus-daemon libglib2.0-bin dconf-gsettings-backend libx11-dev
  # Two machines' mirror folders kept in step by the real sync engine (scripts/two-machines.sh).
  syncthing curl
)
# npm fetches the holiday test's public data. A Node.js that brings its own npm (and
# conflicts with Debian's) is enough.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
