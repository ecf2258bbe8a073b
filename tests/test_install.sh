#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and runs the installed program
# from there; checks the desktop entry, AppStream metadata, icons and manual
# page it installs; makes the Debian package and checks that its Depends bring
# the package of every library the program links.
# Usage: test_install.sh <build folder> <source folder> <bindir> <datadir> <mandir>  (full paths)
set -euo pipefail
build=$1 source=$2 bindir=$3 datadir=$4 mandir=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$work/root
DESTDIR=$root cmake --install "$build" >/dev/null
program=$root$bindir/cellwinnow
share=$root$datadir/cellwinnow
[ -x "$program" ] || fail "no program at $program"

# The installed program, away from the build folder, finds its files in share.
out=$(QT_QPA_PLATFORM=offscreen "$program" --shipped-files) || fail "--shipped-files: $out"
echo "$out"
grep -qx "Shipped files: $share" <<<"$out" || fail "shipped files not looked for in $share"
grep -qE "^skin +$share/x/o\.cjs$" <<<"$out" || fail "skin not found in $share"
for sample in "$source"/resources/Samples/*; do
  grep -qFx "sample       $share/Samples/$(basename "$sample")" <<<"$out" || fail "sample $(basename "$sample") not found"
done
# A file it cannot read, or a missing one, is reported and fails the listing.
chmod 000 "$share/x/o.cjs"
if [ "$(id -u)" -ne 0 ]; then
  if out=$("$program" --shipped-files); then fail "an unreadable skin passed"; fi
  grep -qE "^skin +missing: $share/x/o\.cjs$" <<<"$out" || fail "unreadable skin not reported: $out"
fi
chmod 644 "$share/x/o.cjs"
rm -r "$share/Samples"
if out=$("$program" --shipped-files); then fail "missing samples passed"; fi
grep -qE "^samples +missing: $share/Samples$" <<<"$out" || fail "missing samples not reported: $out"
"$program" --version | grep -qE '^cellwinnow [0-9]' || fail "--version"

desktop=$root$datadir/applications/cellwinnow.desktop
desktop-file-validate "$desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root$datadir/metainfo/cellwinnow.metainfo.xml" || fail "AppStream metadata"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 32 48 256; do
  [ -s "$root$datadir/icons/hicolor/${size}x$size/apps/$icon.png" ] || fail "no ${size}px icon $icon"
done
for name in cellwinnow cellwinnow-batch; do
  page=$root$mandir/man1/$name.1.gz
  warnings=$(gzip -dc "$page" | groff -man -ww -z 2>&1) || fail "manual page $name: $warnings"
  [ -z "$warnings" ] || fail "manual page $name: $warnings"
done
"$root$bindir/cellwinnow-batch" --version | grep -qE '^cellwinnow-batch [0-9]' || fail "cellwinnow-batch --version"
# bash completes its options and modes.
completion=$root$datadir/bash-completion/completions/cellwinnow-batch
words=$(bash -c 'source "$1"; COMP_WORDS=(cellwinnow-batch --ma); COMP_CWORD=1; _cellwinnow_batch; echo "${COMPREPLY[*]}";
  COMP_WORDS=(cellwinnow-batch --match l); COMP_CWORD=2; _cellwinnow_batch; echo "${COMPREPLY[*]}"' _ "$completion") \
  || fail "bash completion"
[ "$words" = $'--match --mark --mark-colour\nloose' ] || fail "bash completion gave: $words"

# The package: every library the program needs comes with a package it depends on.
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null || fail "cpack"
deb=$(ls "$work"/package/*.deb)
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
grep -qF "libreoffice-calc | libreoffice-calc-nogui" <<<"$depends" || fail "the office is not a dependency"
owner() { dpkg -S "$1" 2>/dev/null || dpkg -S "${1#/usr}" 2>/dev/null || dpkg -S "/usr$1"; }
for lib in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  path=$(ldd "$program" | awk -v l="$lib" '$1 == l { print $3 }')
  [ -n "$path" ] || fail "$lib not found by the installed program"
  package=$(owner "$path" | head -1 | cut -d: -f1)
  tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }' | grep -qFx "$package" || fail "$lib comes with $package, which is not in Depends"
done
echo "OK"
