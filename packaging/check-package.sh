#!/usr/bin/env bash
# Checks a built Tollhaven package: lintian finds no error, the desktop entry and the AppStream
# metainfo validate clean, the package holds exactly the files it should, and its programs run
# from the package unpacked into a temporary root (the window offscreen, with its own temporary
# home, finding its Templates in the package's data directory).
#   packaging/check-package.sh build-package/tollhaven_3.2.8_amd64.deb
set -euo pipefail
deb=$(realpath "${1:?usage: check-package.sh PACKAGE.deb}")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "check-package: $*" >&2
  exit 1
}
step() { echo "check-package: $*"; }

version=$(dpkg-deb --field "$deb" Version)
app_id=org.tollhaven.Tollhaven

step "lintian"
# Warnings are shown and allowed; an error fails the check.
lintian --fail-on error "$deb"

step "control fields"
depends=$(dpkg-deb --field "$deb" Depends)
for needed in libqt6widgets6 libusb-1.0-0 libfuse3-3 libqt6svg6; do
  [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
[[ "$(dpkg-deb --field "$deb" Recommends)" == *fuse3* ]] || fail "fuse3 is not recommended"
for script in postinst postrm; do
  dpkg-deb --info "$deb" "$script" >/dev/null || fail "no $script"
done

step "file list"
# Every file the package must hold, and nothing else (no demo, no test program, no library).
expected="$work/expected"
{
  echo ./usr/bin/tollhaven
  echo ./usr/bin/tollhaven-cli
  echo ./usr/bin/tollhaven-mount
  (cd "$source_dir" && find Templates -type f -printf './usr/share/tollhaven/%p\n')
  echo "./usr/share/applications/$app_id.desktop"
  echo "./usr/share/metainfo/$app_id.metainfo.xml"
  echo ./usr/share/mime/packages/tollhaven.xml
  echo "./usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  for size in 16 22 24 32 48 64 128 256; do
    echo "./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  done
  echo ./usr/lib/udev/rules.d/70-tollhaven-p2k.rules
  for page in tollhaven tollhaven-cli tollhaven-mount; do
    echo "./usr/share/man/man1/$page.1.gz"
  done
  echo ./usr/share/doc/tollhaven/copyright
  echo ./usr/share/doc/tollhaven/changelog.gz
  echo ./usr/share/lintian/overrides/tollhaven
} | sort >"$expected"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$work/actual"
diff -u "$expected" "$work/actual" || fail "the package's files differ from the list above"

root="$work/root"
dpkg-deb --extract "$deb" "$root"

step "desktop entry and metainfo"
entry="$root/usr/share/applications/$app_id.desktop"
report=$(desktop-file-validate --no-hints "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
report=$(appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" 2>&1) ||
  fail "appstreamcli validate: $report"
# Errors, warnings and infos fail; only pedantic remarks may stay.
if grep -E '^(E|W|I):' <<<"$report"; then
  fail "appstreamcli validate reports the above"
fi
# Skin packs are the program's to claim for its user, only while the skin tool is absent.
if grep -l 'skin-pack\|s4m' "$entry" "$root/usr/share/mime/packages/tollhaven.xml"; then
  fail "the packaged files above claim skin packs"
fi
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo has no release $version"
zcat "$root/usr/share/doc/tollhaven/changelog.gz" | head -1 | grep -q "^tollhaven ($version)" ||
  fail "the changelog does not begin with $version"

step "the programs report $version"
for program in tollhaven tollhaven-cli tollhaven-mount; do
  line=$("$root/usr/bin/$program" --version | head -1)
  [[ "$line" == "$program $version"* ]] || fail "$program --version says: $line"
done

step "the window starts from the unpacked package"
# Its own home and desktop directories, and the package's data directory as the system's.
home="$work/home"
mkdir -p "$home" "$work/runtime"
chmod 0700 "$work/runtime"
paths=$(env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS="$root/usr/share" \
  XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
  timeout 60 "$root/usr/bin/tollhaven" --show-paths) || fail "tollhaven --show-paths failed"
expected_paths="program: $root/usr/bin
settings: $home/.config/tollhaven
templates: $root/usr/share/tollhaven/Templates"
[ "$paths" = "$expected_paths" ] || fail "tollhaven --show-paths printed:
$paths
instead of:
$expected_paths"
# The packaged entry and file types are the ones the program looks for: it made itself the
# default for patch files but wrote no copies of them for the user.
grep -q "application/x-tollhaven-patch=$app_id.desktop;" "$home/.config/mimeapps.list" ||
  fail "tollhaven did not make itself the default for patch files"
for copy in "applications/$app_id.desktop" mime/packages/tollhaven.xml; do
  [ ! -e "$home/.local/share/$copy" ] || fail "tollhaven wrote a user copy of $copy"
done
# Skin packs it claimed for the user (no skin tool here), in a MIME database of the user's own.
grep -q "application/x-tollhaven-skin-pack=$app_id.desktop;" "$home/.config/mimeapps.list" ||
  fail "tollhaven did not make itself the default for skin packs"
for _ in $(seq 100); do
  [ -e "$home/.local/share/mime/mime.cache" ] && break
  sleep 0.2
done
grep -q '^50:application/x-tollhaven-skin-pack:\*\.s4m:cs$' "$home/.local/share/mime/globs2" ||
  fail "the user's MIME database does not know skin packs"

step "a user copy of the desktop entry from before the package goes"
# A run with the package's files not in the system writes the user's own copies, as a run
# from a build directory does; the next run, with the package there, takes the entry away.
home="$work/home-before"
mkdir -p "$home"
start_window() {  # data directories
  env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS="$1" \
    XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    timeout 60 "$root/usr/bin/tollhaven" --show-paths >/dev/null || fail "tollhaven --show-paths failed"
}
start_window "$work/no-data"
[ -e "$home/.local/share/applications/$app_id.desktop" ] || fail "no user copy of the entry"
start_window "$root/usr/share"
[ ! -e "$home/.local/share/applications/$app_id.desktop" ] ||
  fail "the user copy of the entry stayed beside the package's"
# The desktop's cache tools that the runs started are done before the folder goes.
for _ in $(seq 100); do
  [ -e "$home/.local/share/applications/mimeinfo.cache" ] &&
    [ -e "$home/.local/share/mime/mime.cache" ] && break
  sleep 0.2
done

step "all checks passed for $(basename "$deb")"
