# The Debian package: `cpack -G DEB` in a build folder (scripts/package does it all) makes one
# package, quillmere, of everything cmake/Install.cmake installs, under /usr.

set(QUILLMERE_PACKAGE_MAINTAINER "Tamberline <quillmere@tamberline.com>" CACHE STRING
  "The maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR Tamberline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLMERE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Assign AppleScript files to the background scripts of Capture One")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILLMERE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tamberline.com/quillmere)
# The long description under the summary line; CPack indents it and marks the empty line as
# Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Quillmere finds every installed copy of Capture One, lists the background
scripts each copy offers (the scripts Capture One runs on its own events:
a capture done, a batch done, Live View ready), shows the file assigned to
each, and lets you assign or clear one. The assignment is stored in Capture
One's own preferences.

The package also holds the brisquel command-line tool, which reads and sets
the same assignments, and the Brisquel library under both, with its headers
and CMake package for programs of your own.")
# Stripped, so that a build with debug information (scripts/package --build-folder build, the
# tested RelWithDebInfo build) makes as small a package as an optimised build of its own.
set(CPACK_STRIP_FILES ON)
# quillmere_1.0.0-1_amd64.deb: the project's version, the package's first revision.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The dependencies are the Debian packages that hold the libraries the binaries link, as
# dpkg-shlibdeps finds them: Qt, ICU, pugixml and libplist in the versions the build used.
# libBrisquel comes with the package itself and is looked up in its own folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
# Qt finds its X11 platform in libqt6gui6; a Wayland session needs Qt's plugin for it, else the
# window goes through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
