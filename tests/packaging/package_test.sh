#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root, checks its files and
# dependencies, then starts the unpacked program offscreen and ends it with SIGTERM,
# which must close it the normal way (exit 0, settings file written).
set -euo pipefail
build_dir=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cd "$build_dir"
cpack -G DEB -B "$root/pkg" >"$root/cpack.log" 2>&1 || { cat "$root/cpack.log"; exit 1; }
deb=$(ls "$root"/pkg/*.deb)
dpkg-deb -x "$deb" "$root/fs"

for f in usr/bin/orvo232 usr/share/orvo232/Help.txt usr/share/applications/orvo232.desktop \
         usr/share/icons/hicolor/scalable/apps/orvo232.svg \
         usr/share/icons/hicolor/48x48/apps/orvo232.png \
         usr/share/icons/hicolor/256x256/apps/orvo232.png; do
    [ -s "$root/fs/$f" ] || { echo "missing in package: $f"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6serialport6 libqt6printsupport6; do
    grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib: $depends"; exit 1; }
done
grep -q '^Categories=Utility;Development;' "$root/fs/usr/share/applications/orvo232.desktop"

export XDG_CONFIG_HOME="$root/config" QT_QPA_PLATFORM=offscreen
"$root/fs/usr/bin/orvo232" &
pid=$!
# Wait until the window has started (settings folder lookups happen at start), then end it.
for _ in $(seq 1 100); do
    grep -q orvo232 /proc/$pid/cmdline 2>/dev/null && [ -e /proc/$pid/fd ] && break
    sleep 0.1
done
sleep 2
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "program exited with $status after SIGTERM"; exit 1; }
settings="$XDG_CONFIG_HOME/orvo232/Orvo_RS232_ini"
[ -s "$settings" ] || { echo "settings file not written on SIGTERM"; exit 1; }
echo "package ok: $(basename "$deb")"
