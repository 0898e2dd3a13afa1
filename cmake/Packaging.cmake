# The Debian packages: `cpack -G DEB` in a build folder (scripts/package does it all) makes two,
# from the two install components of cmake/Install.cmake, under /usr:
#
#   quillmere       the programs, libBrisquel.so.1, the plug-ins, the resource bundles, the desktop
#                   entry, icons, AppStream metainfo and manual pages
#   quillmere-dev   the headers, libBrisquel.so and the CMake package, for programs of your own
#
# Each carries /usr/share/doc/<package>/copyright and changelog.Debian.gz.

set(QUILLMERE_PACKAGE_MAINTAINER "Tamberline <quillmere@tamberline.com>" CACHE STRING
  "The maintainer named in the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR Tamberline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLMERE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# Folders in the packages are 0755 whatever the umask of whoever builds them.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILLMERE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tamberline.com/quillmere)
# quillmere_1.0.0-1_amd64.deb: the project's version, the packages' first revision.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Stripped, so that a build with debug information (scripts/package --build-folder build, the
# tested RelWithDebInfo build) makes as small a package as an optimised build of its own.
set(CPACK_STRIP_FILES ON)
set(quillmere_deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})

# The runtime package. Its dependencies are the Debian packages that hold the libraries the
# binaries link, as dpkg-shlibdeps finds them: Qt, ICU, pugixml and libplist in the versions the
# build used. libBrisquel comes with the package itself, which also declares it (its shlibs file)
# for the packages of programs built against it.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME quillmere)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The dynamic linker's cache is brought up to date by dpkg's trigger, as Debian's policy asks.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
# Qt finds its X11 platform in libqt6gui6; a Wayland session needs Qt's plugin for it, else the
# window goes through XWayland.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "\
Assign AppleScript files to the background scripts of Capture One
Quillmere finds every installed copy of Capture One, lists the background
scripts each copy offers (the scripts Capture One runs on its own events:
a capture done, a batch done, Live View ready), shows the file assigned to
each, and lets you assign or clear one. The assignment is stored in Capture
One's own preferences.
.
The package also holds the brisquel command-line tool, which reads and sets
the same assignments, and the Brisquel library under both.")

# The development package: exactly this version of the library, and what its headers and its
# CMake package need (Qt Core and nlohmann-json, as cmake/BrisquelConfig.cmake.in finds them).
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME quillmere-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "quillmere (= ${quillmere_deb_version}), qt6-base-dev (>= 6.4), nlohmann-json3-dev (>= 3.11)")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "\
Headers and CMake package of the Brisquel library
Brisquel is the library under Quillmere and brisquel: the discovery of
installed copies of Capture One, the reading of their scripting definitions,
the background-script records with their preferences storage, and AppleScript
access to a running Capture One. This package holds its headers, the
libBrisquel.so link and the CMake package (find_package(Brisquel), target
Brisquel::Brisquel) for programs of your own.")

# /usr/share/doc/<package>/ of each: the copyright and the Debian changelog, gzipped as Debian
# wants it (without a timestamp, so that two builds give the same bytes).
configure_file(packaging/changelog.Debian.in ${PROJECT_BINARY_DIR}/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/changelog.Debian
  OUTPUT_FILE ${PROJECT_BINARY_DIR}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
foreach(component Runtime Development)
  string(TOUPPER ${component} component_upper)
  set(package ${CPACK_DEBIAN_${component_upper}_PACKAGE_NAME})
  install(FILES packaging/copyright ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    DESTINATION share/doc/${package} COMPONENT ${component})
endforeach()
# Tags of lintian that stay, each with its reason.
install(FILES packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME quillmere
  COMPONENT Runtime)
install(FILES packaging/lintian-overrides-dev DESTINATION share/lintian/overrides RENAME quillmere-dev
  COMPONENT Development)

include(CPack)
