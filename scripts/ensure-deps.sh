#!/usr/bin/env bash
# Installs the Debian packages that building and testing Kurimo need, when any is missing.
# Quick when everything is there: it only asks dpkg.
set -euo pipefail

packages=(
  g++ cmake make
  libgtest-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev
  # Number texts, the same whatever the locale: {fmt} writes them, fast_float reads them
  # (both used header-only). The locale tests make a decimal-comma locale with localedef
  # from the locale sources in `locales`.
  libfmt-dev libfast-float-dev locales
  # The window: Qt Widgets with its platform plugins (the offscreen one runs the window
  # tests without a display), Qt Charts (its CMake files also need Qt OpenGL's), Qt's own
  # Japanese texts, and the Japanese font the window's faces are mapped to.
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins qt6-translations-l10n
  fonts-ipafont-gothic
  # The Debian package: dpkg-shlibdeps works out its library dependencies, and the package
  # tests check its desktop entry with desktop-file-validate, and its case-file type with
  # xmllint and update-mime-database.
  dpkg-dev desktop-file-utils libxml2-utils shared-mime-info
  # The report's tests read the PDF pages back (pdftotext) and render them (pdftoppm).
  poppler-utils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}" >&2
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
