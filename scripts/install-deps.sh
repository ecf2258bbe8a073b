#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing
# (parallel: the test that spreads a batch over shards; unzip: the test that
# compares results).
set -euo pipefail

need=(cmake ninja-build g++ make qt6-base-dev libicu-dev parallel unzip libreoffice-dev libreoffice-dev-common fonts-liberation xvfb xauth)
# The package (dpkg-shlibdeps) and the checks of what is installed.
need+=(dpkg-dev desktop-file-utils appstream groff-base)
# Only for pictures of the real window (make screenshot).
[ "${1:-}" = "--screenshot" ] && need+=(x11-apps x11-utils imagemagick)
# Only for the benchmarks (make bench): the spreadsheet library that
# bench_batch's comparison script uses.
[ "${1:-}" = "--bench" ] && need+=(python3-openpyxl)
# Only for make check-sanitize: the sanitizers' runtimes (g++ brings them
# today; named so that a lighter compiler package cannot leave them out).
[ "${1:-}" = "--sanitize" ] && need+=(libasan8 libubsan1 libtsan2)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${need[@]}"; do installed "$p" || missing+=("$p"); done

# Either Calc serves; the headless one conflicts with a full office, so a user's
# own office is never replaced.
if ! installed libreoffice-calc && ! installed libreoffice-calc-nogui; then
  missing+=(libreoffice-calc-nogui)
fi

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
