# The Debian package, included by the top-level CMakeLists.txt:
# `cmake --build build --target package` writes
# build/tessaline_VERSION_ARCH.deb through CPack's DEB generator. It holds
# what `cmake --install` installs, under /usr, with the copyright file and a
# changelog in /usr/share/doc/tessaline. Its Depends are worked out from the
# programs' shared libraries by dpkg-shlibdeps.
include(GNUInstallDirs)

# Debian keeps every package's copyright and changelog in its doc folder;
# the changelog is compressed with gzip -9n, without a time stamp.
set(DocDir ${CMAKE_INSTALL_DATADIR}/doc/tessaline)
set(Changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${Changelog}
    COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/changelog > ${Changelog}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
    VERBATIM)
add_custom_target(tessaline_changelog ALL DEPENDS ${Changelog})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${Changelog} DESTINATION ${DocDir})
# The show keeps its programs in bin/ with its tools, so that one layout
# serves `cmake --install` and the package; lintian is told so.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION
    ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tessaline)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Tessaline developers <tessaline@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-minute real-time demo in OpenGL")
# The long description; CPack puts the summary above it as its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tessaline plays a fixed show of about two minutes to its own soundtrack:
opening titles, a mirrored object spinning inside sky spheres, a swirl of
lights before a space skybox, and a flight through a compiled level that
turns into feedback cubes and ends with a picture-tube switch-off. The
show is drawn in real time at 640 x 480 and scaled sharply to the window.
The package also holds tools to record the show to video or pictures, to
measure its frame times, to inspect its data files and to write its data.")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR})
include(CPack)
