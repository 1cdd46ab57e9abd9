#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the desktop files.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

id=org.kavu.Kavu
expected=(
    "bin/kavu"
    "bin/kavu-demo"
    "share/applications/$id.desktop"
    "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
    "share/icons/hicolor/48x48/apps/$id.png"
    "share/icons/hicolor/128x128/apps/$id.png"
    "share/man/man1/kavu.1.gz"
)
for file in "${expected[@]}"; do
    if [ ! -s "$prefix/$file" ]; then
        echo "missing after install: $file"
        exit 1
    fi
done
[ -x "$prefix/bin/kavu" ] || { echo "kavu is not executable"; exit 1; }

# The PNG icons have the sizes their folders promise.
for size in 48 128; do
    header=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" | tr -s ' ')
    width=$(echo "$header" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    height=$(echo "$header" | awk '{print $5*16777216 + $6*65536 + $7*256 + $8}')
    if [ "$width" != "$size" ] || [ "$height" != "$size" ]; then
        echo "the ${size}x${size} icon is ${width}x${height}"
        exit 1
    fi
done

# The entry names the icon and the application id the program reports.
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop"
# One window: a second start raises the first.
grep -qx "SingleMainWindow=true" "$prefix/share/applications/$id.desktop"
# Its Preferences action opens the Preferences window.
grep -qx "Exec=kavu --preferences" "$prefix/share/applications/$id.desktop"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml"

# Debian 12's desktop-file-utils (0.26) predates SingleMainWindow, which the
# freedesktop.org desktop entry format gained in version 1.5: the rest is
# validated.
grep -v '^SingleMainWindow=' "$prefix/share/applications/$id.desktop" > "$prefix/entry.desktop"
desktop-file-validate "$prefix/entry.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
echo "installed files are complete and valid"
