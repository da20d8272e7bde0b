#!/usr/bin/env bash
# Installs the project into a temporary root and validates the desktop files there, then builds
# the Debian package, checks it with lintian, unpacks it with dpkg -x and runs both installed
# programs.
# Arguments: the build folder and the source folder.
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
id=de.talvo.dbaseviewer

echo "== installed files"
DESTDIR="$work/install" cmake --install "$build" --prefix /usr >/dev/null
share="$work/install/usr/share"
desktop-file-validate "$share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$share/metainfo/$id.metainfo.xml"
for file in bin/talvo-dbase-viewer bin/talvo-dbf share/icons/hicolor/scalable/apps/$id.svg \
    share/icons/hicolor/48x48/apps/$id.png share/man/man1/talvo-dbf.1.gz \
    share/man/man1/talvo-dbase-viewer.1.gz; do
    test -f "$work/install/usr/$file" || { echo "missing: $file"; exit 1; }
done

echo "== package"
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/talvo-dbase-viewer_*.deb)
echo "== lintian (no errors, no warnings)"
lintian --fail-on error,warning "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libicu; do
    [[ "$depends" == *"$library"* ]] || { echo "no dependency on $library"; exit 1; }
done
dpkg -x "$deb" "$work/root"
root="$work/root/usr/bin"
"$root/talvo-dbf" --version
"$root/talvo-dbf" show "$source/data/stations.dbf" --count

echo "== viewer started offscreen on a table, then closed"
QT_QPA_PLATFORM=offscreen "$root/talvo-dbase-viewer" "$source/data/stations.dbf" &
viewer=$!
sleep 3
kill -0 "$viewer" || { echo "the viewer ended by itself"; exit 1; }
kill -TERM "$viewer"
wait "$viewer" || true
echo "ok"
