#!/usr/bin/env bash
# Builds the Debian package and checks its metadata, its contents and
# lintian's verdict. With KAVU_SYSTEM_TESTS=1 (CI only: it changes the
# machine) it also installs the package with apt, runs the installed kavu
# and removes the package again.
set -euo pipefail
build="$1"
fail() { echo "$*"; exit 1; }
cd "$build"
rm -f kavu_*.deb
cpack -G DEB > cpack.log 2>&1 || { cat cpack.log; fail "cpack failed"; }
deb=$(echo kavu_*_amd64.deb)
[ -f "$deb" ] || fail "no kavu_<version>_amd64.deb"

# Dependencies computed from the binaries, and those loaded by name.
depends=$(dpkg-deb --field "$deb" Depends)
for package in libqt6core6 libqt6keychain1 libqt6webenginecore6-bin gstreamer1.0-plugins-good gstreamer1.0-libav fonts-dejavu-core; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
grep -q "qt6-wayland" <<<"$(dpkg-deb --field "$deb" Recommends)" || fail "qt6-wayland is not recommended"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
id=org.kavu.Kavu
for file in usr/bin/kavu usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
        usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/man/man1/kavu.1.gz \
        usr/share/doc/kavu/copyright usr/share/doc/kavu/changelog.gz; do
    grep -qx "./$file" <<<"$contents" || fail "the package lacks /$file"
done

lintian --fail-on error "$deb" || fail "lintian found errors"

if [ "${KAVU_SYSTEM_TESTS:-}" = 1 ]; then
    trap 'apt-get remove -y kavu > /dev/null' EXIT
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "./$deb" > apt.log 2>&1 \
        || { cat apt.log; fail "apt-get could not install the package"; }
    version=$(/usr/bin/kavu --version)
    [ "$version" = "kavu $(dpkg-deb --field "$deb" Version)" ] || fail "the installed kavu says: $version"
fi
echo "package $deb checked"
