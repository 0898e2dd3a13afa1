# Runs inside CPack on its staged copy of Quillmere.app, before the disk image is made
# (CPACK_PRE_BUILD_SCRIPTS, see cmake/ApplePackaging.cmake): it makes the bundle whole, then signs it.
#
#   1. macdeployqt puts in Qt's frameworks and plugins and every other library that the application
#      and brisquel (-executable=) link: libBrisquel, Homebrew's ICU, pugixml and libplist; and what
#      the application's own plug-ins (Contents/PlugIns) link: Qt UI Tools and Qt Network.
#   2. codesign signs from the innermost code outwards. With the identity "-" the signature is ad
#      hoc and without the hardened runtime, whose library validation would refuse the bundled
#      frameworks of an ad hoc signature. With a Developer ID it uses the hardened runtime, a
#      secure timestamp and, for the two programs, the Apple-events entitlement.
#   3. codesign checks the whole bundle as Gatekeeper will.

set(staging "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
file(GLOB apps LIST_DIRECTORIES true "${staging}/*.app" "${staging}/*/*.app")
list(LENGTH apps count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "Expected one application bundle in ${staging}, found: ${apps}")
endif()
set(app "${apps}")

if(NOT CPACK_QUILLMERE_MACDEPLOYQT)
  message(FATAL_ERROR "macdeployqt was not found beside Qt (QUILLMERE_MACDEPLOYQT): "
                      "the bundle would lack the Qt frameworks it runs on")
endif()
execute_process(
  COMMAND "${CPACK_QUILLMERE_MACDEPLOYQT}" "${app}" "-executable=${app}/Contents/MacOS/brisquel"
          "-executable=${app}/Contents/PlugIns/libVexoInterfaceLoader.so"
          "-executable=${app}/Contents/PlugIns/libVexoNetworkPlugin.so" -verbose=1
  COMMAND_ERROR_IS_FATAL ANY)

set(identity "${CPACK_QUILLMERE_CODESIGN_IDENTITY}")
if(identity STREQUAL "")
  set(identity "-")
endif()

# Signs one piece of code; `extra` adds options of its own (entitlements, kept metadata).
function(sign path)
  set(options --force --sign "${identity}")
  if(NOT identity STREQUAL "-")
    list(APPEND options --options runtime --timestamp)
  endif()
  execute_process(COMMAND codesign ${options} ${ARGN} "${path}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

set(contents "${app}/Contents")
# Sparkle's helpers lie inside its framework and are signed before it, as Sparkle asks; the
# downloader keeps the entitlements it came with.
set(sparkle "${contents}/Frameworks/Sparkle.framework/Versions/B")
if(EXISTS "${sparkle}")
  foreach(helper "XPCServices/Installer.xpc" "Autoupdate" "Updater.app")
    if(EXISTS "${sparkle}/${helper}")
      sign("${sparkle}/${helper}")
    endif()
  endforeach()
  if(EXISTS "${sparkle}/XPCServices/Downloader.xpc")
    sign("${sparkle}/XPCServices/Downloader.xpc" --preserve-metadata=entitlements)
  endif()
endif()

# Libraries and plugins (each file once: the library's version links are passed over), then the
# frameworks that hold the rest.
file(GLOB_RECURSE libraries "${contents}/Frameworks/*.dylib" "${contents}/PlugIns/*.dylib"
  "${contents}/PlugIns/*.so")
foreach(library IN LISTS libraries)
  if(NOT IS_SYMLINK "${library}")
    sign("${library}")
  endif()
endforeach()
file(GLOB frameworks LIST_DIRECTORIES true "${contents}/Frameworks/*.framework")
foreach(framework IN LISTS frameworks)
  sign("${framework}")
endforeach()

# The two programs, the application last: its signature seals everything inside it.
set(entitlements)
if(NOT identity STREQUAL "-")
  set(entitlements --entitlements "${CPACK_QUILLMERE_ENTITLEMENTS}")
endif()
sign("${contents}/MacOS/brisquel" ${entitlements})
sign("${app}" ${entitlements})

execute_process(COMMAND codesign --verify --deep --strict --verbose=2 "${app}" COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Quillmere.app is signed by ${identity}")
