#!/usr/bin/env bash
# Installs the Debian packages the build, tests and benchmarks need; quiet and fast when all are there.
set -euo pipefail
paquetes=(
  build-essential cmake ninja-build pkg-config clang-format
  libglib2.0-dev libcurl4-openssl-dev nlohmann-json3-dev libssl-dev libarchive-dev libplist-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libdbusmenu-glib-dev
  libgtest-dev libgmock-dev libcpp-httplib-dev libbenchmark-dev
  xvfb xauth dbus dbus-x11 python3-gi libarchive-tools zip unzip curl openssl procps
  webkit2gtk-driver python3-selenium clang-14 libclang-rt-14-dev strace
  librsvg2-common fonts-dejavu-core
  # Packaging: icons, desktop entry and metainfo checks, the .deb, the desktop's proxy settings.
  librsvg2-bin desktop-file-utils appstream dpkg-dev xdg-utils glib-networking
  gsettings-desktop-schemas
  # Real tray hosts and notification servers for the tray tests, and clicks on them; a
  # window's properties as the desktop reads them.
  xfce4-panel dunst xdotool x11-utils
)
faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
  echo "Instalando: ${faltan[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=900 update -q
  apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${faltan[@]}"
fi
