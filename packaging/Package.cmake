# The Debian package: cpack -G DEB in a configured build folder (or
# scripts/package.sh) makes sondrel_2.4-1_amd64.deb, its dependencies found
# from the shared libraries the program links.
set(CPACK_PACKAGE_NAME sondrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kelvo")
set(CPACK_PACKAGE_CONTACT "Sondrel developers <sondrel@kelvo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test-tone generator for speakers, rooms, cables and ears")
set(CPACK_PACKAGE_DESCRIPTION
    "Sondrel plays constant tones and linear sweeps as sine, square or triangle\n\
waves, at a level in decibels below full scale, on the left, right or both\n\
channels, in or out of phase, on the sound device you choose. Every signal is\n\
computed sample for sample before it plays and can be saved as raw PCM or WAV;\n\
small scripts play sequences of tones, sweeps, pauses and delays, and can be\n\
rendered to WAV or FLAC files from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin (xcb, wayland), which Qt only recommends;
# SDL2 and libsndfile are loaded when first used, so no link names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libsdl2-2.0-0 (>= 2.24), libsndfile1 (>= 1.0.28)")
# The walk round the room speaks each speaker's name from the freedesktop sound theme.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kelvo.org/sondrel")

# What Debian asks of every package beside the program, and installed the
# same way by a plain install: the copyright file and a compressed changelog
# in the documentation folder, and the manual page compressed.
set(sondrel_package_files ${CMAKE_CURRENT_BINARY_DIR}/package-files)
file(MAKE_DIRECTORY ${sondrel_package_files})
find_program(GZIP gzip REQUIRED)
foreach(source_and_target "packaging/changelog;changelog.Debian.gz" "data/sondrel.1;sondrel.1.gz")
  list(GET source_and_target 0 source)
  list(GET source_and_target 1 target)
  add_custom_command(OUTPUT ${sondrel_package_files}/${target}
                     COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/${source} > ${sondrel_package_files}/${target}
                     DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
endforeach()
add_custom_target(sondrel_package_files ALL
                  DEPENDS ${sondrel_package_files}/changelog.Debian.gz ${sondrel_package_files}/sondrel.1.gz)
install(FILES packaging/copyright ${sondrel_package_files}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${sondrel_package_files}/sondrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

include(CPack)
