# The manual pages, the package's documents, and the Debian package made by
# CPack: cpack -G DEB in the build directory gives kavu_<version>_amd64.deb.

# Manual pages from the programs' own --help and --version (which need no
# display), with the files and environment of man/*.h2m.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
set(KAVU_MAN_PAGES)
foreach(program kavu kavu-demo)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
    add_custom_command(
        OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
        # Leaks of system libraries at exit are no failure of a manual page.
        COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
                ${HELP2MAN} --no-info --section=1 --include=${CMAKE_CURRENT_SOURCE_DIR}/man/${program}.h2m
                --output=${page} $<TARGET_FILE:${program}>
        COMMAND ${GZIP} -9nf ${page}
        DEPENDS ${program} ${CMAKE_CURRENT_SOURCE_DIR}/man/${program}.h2m
        COMMENT "Writing the manual page of ${program}"
        VERBATIM)
    list(APPEND KAVU_MAN_PAGES ${page}.gz)
endforeach()
add_custom_target(kavu-man-pages ALL DEPENDS ${KAVU_MAN_PAGES})
install(FILES ${KAVU_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The copyright and the changelog, as Debian has them for a native package.
set(KAVU_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(
    OUTPUT ${KAVU_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
            ${CMAKE_CURRENT_BINARY_DIR}/changelog
    COMMAND ${GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/changelog
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(kavu-changelog ALL DEPENDS ${KAVU_CHANGELOG})
# /usr/share/doc/<package>, whatever the project calls itself.
install(FILES packaging/copyright ${KAVU_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kavu)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "The Kavu team <team@kavu.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for a music catalogue site")
# One string: the lines of a list would reach the control file with ";".
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kavu shows the pages of a music catalogue site and plays its tracks the\n"
    "moment they are tapped, streamed over HTTP(S), with their covers, names\n"
    "and controls. Radio mode plays random tracks one after another. What\n"
    "plays is published over MPRIS2, so media keys and the shell's player\n"
    "widget show and control it. kavu-demo runs it on an embedded demo service.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the programs load by name, which the libraries they link do not say:
# the web engine's process, GStreamer's playbin, decoders (MP3, FLAC and MP4
# in -good, Ogg Vorbis and Opus in -base, AAC in -libav) and sound outputs,
# fonts with Cyrillic letters, the desktop keyring's client library.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6webenginecore6-bin, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, gstreamer1.0-pulseaudio | gstreamer1.0-alsa, fonts-dejavu-core, libsecret-1-0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, gnome-keyring | kwalletmanager")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
