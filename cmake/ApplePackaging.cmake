# Installing and packaging on macOS (included from the top-level CMakeLists.txt on Apple in place of
# cmake/Install.cmake and cmake/Packaging.cmake, which install under a Unix prefix): a disk image
# (.dmg) holding Quillmere.app, made by CPack's DragNDrop generator (scripts/package on a Mac).
#
# `cmake --install` puts Quillmere.app at the top of the prefix, with brisquel in Contents/MacOS
# and libBrisquel in Contents/Frameworks, each finding the library through
# @executable_path/../Frameworks. CPack installs into a staging copy of its own and then runs
# cmake/AppleDeployBundle.cmake on that copy (CPACK_PRE_BUILD_SCRIPTS): macdeployqt adds Qt and
# every other library the two programs link, and codesign signs the bundle. The image carries a
# link to /Applications to drag the application onto.

if(NOT TARGET quillmere)
  return()
endif()

set(QUILLMERE_CODESIGN_IDENTITY "-" CACHE STRING
  "The identity that signs Quillmere.app: \"-\" signs ad hoc, without the hardened runtime; a Developer ID signs with the hardened runtime and the Apple-events entitlement")

# One component, the only one packaged: the libraries' own install rules (their resource bundles
# under share/quillmere, for a Unix prefix) stay out of the image, whose bundle has them inside.
set_target_properties(brisquel PROPERTIES INSTALL_RPATH "@executable_path/../Frameworks")
install(TARGETS quillmere BUNDLE DESTINATION . COMPONENT Application)
# After the bundle, so that these take the place of the build tree's copies inside it.
install(TARGETS brisquel RUNTIME DESTINATION Quillmere.app/Contents/MacOS COMPONENT Application)
install(TARGETS Brisquel LIBRARY DESTINATION Quillmere.app/Contents/Frameworks COMPONENT Application)
install(TARGETS VexoInterfaceLoader VexoNetworkPlugin LIBRARY DESTINATION Quillmere.app/Contents/PlugIns COMPONENT Application)

find_program(QUILLMERE_MACDEPLOYQT macdeployqt HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")

set(CPACK_GENERATOR DragNDrop)
set(CPACK_PACKAGE_NAME Quillmere)
set(CPACK_PACKAGE_VENDOR Tamberline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Assign AppleScript files to the background scripts of Capture One")
set(CPACK_PACKAGE_FILE_NAME Quillmere-${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DMG_VOLUME_NAME Quillmere)
set(CPACK_COMPONENTS_ALL Application)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/AppleDeployBundle.cmake)
# Read by that script (CPack hands every CPACK_ variable on).
set(CPACK_QUILLMERE_MACDEPLOYQT ${QUILLMERE_MACDEPLOYQT})
set(CPACK_QUILLMERE_CODESIGN_IDENTITY ${QUILLMERE_CODESIGN_IDENTITY})
set(CPACK_QUILLMERE_ENTITLEMENTS ${PROJECT_SOURCE_DIR}/packaging/macos/Quillmere.entitlements)

include(CPack)
