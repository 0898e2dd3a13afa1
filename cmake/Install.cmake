# What `cmake --install` puts under its prefix, in two components (one Debian package each, see
# cmake/Packaging.cmake):
#
#   Runtime (everything installed without a component of its own, as the top CMakeLists.txt says)
#     bin/quillmere, bin/brisquel        the programs, finding the library through $ORIGIN/../lib
#     lib/libBrisquel.so.1*              the shared library under its SONAME
#     lib/quillmere/                     the application's plug-ins, loaded at first use
#                                        (VexoExtensions/ApplicationPlugin.h)
#     share/quillmere/                   the resource bundles (from VexoUpdater/ and ContactForm/)
#     share/applications, share/icons/hicolor, share/metainfo   the desktop's view of the application
#     share/man/man1/{quillmere,brisquel}.1.gz   the manual pages, made from each program's --help
#   Development
#     lib/libBrisquel.so                 the name a program links against
#     include/Brisquel/{core,VexoExtensions}/   the library's public headers
#     lib/cmake/Brisquel/                the package config: find_package(Brisquel), Brisquel::Brisquel
#
# Destinations are plain "bin" and "lib", without a multiarch folder: the programs find the library
# and the application its data folder (bin/../share/quillmere, VexoExtensions/MainBundle.cpp) by
# paths relative to the executable, which must hold wherever the prefix is unpacked.

include(CMakePackageConfigHelpers)

set(QUILLMERE_INSTALL_CMAKEDIR lib/cmake/Brisquel)
set(QUILLMERE_INSTALL_INCLUDEDIR include/Brisquel)
# The rendered sizes of the application's icon (packaging/render-icons makes them from the SVG).
set(QUILLMERE_ICON_SIZES 16 22 24 32 48 64 128 256 512)

# The programs find the installed library beside their own folder, never in the build folder.
foreach(program quillmere brisquel)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
    install(TARGETS ${program} RUNTIME DESTINATION bin COMPONENT Runtime)
  endif()
endforeach()

# Brisquel is linked from two object libraries (BrisquelCore, VexoExtensions) whose code it holds.
# They are build-time pieces that an installed Brisquel does not ship, so its exported interface
# names instead what its public headers need: Qt Core, nlohmann-json (header-only) and C++20.
get_target_property(brisquel_interface Brisquel INTERFACE_LINK_LIBRARIES)
set(brisquel_build_interface)
foreach(library IN LISTS brisquel_interface)
  list(APPEND brisquel_build_interface "$<BUILD_INTERFACE:${library}>")
endforeach()
set_target_properties(Brisquel PROPERTIES INTERFACE_LINK_LIBRARIES "${brisquel_build_interface}")
target_link_libraries(Brisquel INTERFACE
  $<INSTALL_INTERFACE:Qt6::Core> $<INSTALL_INTERFACE:nlohmann_json::nlohmann_json>)
target_include_directories(Brisquel INTERFACE "$<INSTALL_INTERFACE:${QUILLMERE_INSTALL_INCLUDEDIR}>")
target_compile_features(Brisquel INTERFACE cxx_std_20)

install(TARGETS Brisquel EXPORT BrisquelTargets
  LIBRARY DESTINATION lib COMPONENT Runtime NAMELINK_COMPONENT Development)

# The public headers: the scripting core, the platform interfaces and the utilities. The platform
# implementations (core/platform/posix, core/platform/macos, VexoExtensions/platform) stay inside
# the library; a program reaches them through brisquel::Platform::native().
install(DIRECTORY core/ DESTINATION ${QUILLMERE_INSTALL_INCLUDEDIR}/core COMPONENT Development
  FILES_MATCHING PATTERN "*.h"
  PATTERN "platform/posix" EXCLUDE
  PATTERN "platform/macos" EXCLUDE)
install(DIRECTORY VexoExtensions/ DESTINATION ${QUILLMERE_INSTALL_INCLUDEDIR}/VexoExtensions
  COMPONENT Development FILES_MATCHING PATTERN "*.h"
  PATTERN "platform" EXCLUDE)

install(EXPORT BrisquelTargets NAMESPACE Brisquel:: DESTINATION ${QUILLMERE_INSTALL_CMAKEDIR}
  COMPONENT Development)
configure_package_config_file(cmake/BrisquelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/BrisquelConfig.cmake
  INSTALL_DESTINATION ${QUILLMERE_INSTALL_CMAKEDIR})
# The library's interface may grow within a major version, never break.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/BrisquelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/BrisquelConfig.cmake
  ${PROJECT_BINARY_DIR}/BrisquelConfigVersion.cmake
  DESTINATION ${QUILLMERE_INSTALL_CMAKEDIR} COMPONENT Development)

# The manual pages, made at install time from the programs just built (packaging/make-man-pages,
# with help2man), so that they say what the programs say. Without help2man the install goes on
# without them and says so; scripts/install-deps --packaging installs it, and the package's smoke
# test requires the pages.
if(TARGET brisquel)
  set(quillmere_man_programs "$<TARGET_FILE:brisquel>")
  if(TARGET quillmere)
    list(APPEND quillmere_man_programs "$<TARGET_FILE:quillmere>")
  endif()
  set(quillmere_man_folder ${PROJECT_BINARY_DIR}/man)
  install(CODE "
    find_program(QUILLMERE_HELP2MAN help2man)
    if(NOT QUILLMERE_HELP2MAN)
      message(WARNING \"help2man is missing: no manual pages installed (scripts/install-deps --packaging installs it)\")
    else()
      execute_process(
        COMMAND \"${PROJECT_SOURCE_DIR}/packaging/make-man-pages\" \"${quillmere_man_folder}\"
          \"${PROJECT_VERSION}\" ${quillmere_man_programs}
        RESULT_VARIABLE quillmere_man_status)
      if(NOT quillmere_man_status EQUAL 0)
        message(FATAL_ERROR \"the manual pages could not be made (packaging/make-man-pages)\")
      endif()
      file(GLOB quillmere_man_pages \"${quillmere_man_folder}/*.1.gz\")
      file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/share/man/man1\" TYPE FILE
        FILES \${quillmere_man_pages})
    endif()" COMPONENT Runtime)
endif()

if(QUILLMERE_BUILD_APP)
  # The desktop's view of the application: its launcher entry, its icon in every size the icon
  # theme looks for, and its description for software centres. All three carry the application's
  # identifier, which is also the name Qt gives the desktop (QGuiApplication::desktopFileName).
  set(quillmere_id com.tamberline.Quillmere)
  install(FILES packaging/${quillmere_id}.desktop DESTINATION share/applications COMPONENT Runtime)
  install(FILES packaging/${quillmere_id}.metainfo.xml DESTINATION share/metainfo COMPONENT Runtime)
  install(FILES packaging/icons/${quillmere_id}.svg DESTINATION share/icons/hicolor/scalable/apps
    COMPONENT Runtime)
  foreach(size ${QUILLMERE_ICON_SIZES})
    install(FILES packaging/icons/${size}/${quillmere_id}.png
      DESTINATION share/icons/hicolor/${size}x${size}/apps COMPONENT Runtime)
  endforeach()
endif()
