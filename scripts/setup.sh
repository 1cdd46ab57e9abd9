#!/usr/bin/env bash
# Installs every Debian 12 package that Kavu needs to build, run and test.
# Safe to run again. Runs apt-get through sudo when not run as root.
set -euo pipefail

packages=(
    # Build tools; clang with its runtime libraries for the fuzzers
    cmake ninja-build g++ pkg-config clang-14 libclang-rt-14-dev zlib1g-dev
    # Qt 6 (Debian 12 ships 6.4.2)
    qt6-base-dev qt6-base-dev-tools qt6-webengine-dev
    qt6-httpserver-dev qt6-websockets-dev qt6-svg-dev
    # The password in the desktop keyring (Secret Service through QtKeychain)
    qtkeychain-qt6-dev
    # Playback on GStreamer: its core, the base classes and the audio library
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    # Wayland sessions, and a headless compositor to test them
    qt6-wayland weston
    # GStreamer's playbin and decoders (AAC in -libav), and its outputs to
    # the desktop's sound server and to the sound card
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    gstreamer1.0-pulseaudio gstreamer1.0-alsa
    # Encoders for the tests' tracks in every format: GStreamer's own
    # (through gst-launch-1.0) and lame for MP3 with its gapless header
    gstreamer1.0-tools lame
    # A sound server for the tests and the benchmark to listen at, and a
    # notification daemon for the tests to read what Kavu told
    pulseaudio pulseaudio-utils dunst
    # Fonts with Cyrillic glyphs for pages and labels
    fonts-dejavu-core
    # A session bus for publishing what plays, a client of the desktop's
    # player controls for the tests, and a virtual display
    dbus playerctl xvfb xauth
    # Checking the installed desktop entry and AppStream metainfo
    desktop-file-utils appstream
    # A keyring daemon and its client for the keyring tests
    gnome-keyring libsecret-tools
    # The manual page, the Debian package and its checks
    help2man dpkg-dev file lintian
)

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
else
    sudo=(sudo)
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
