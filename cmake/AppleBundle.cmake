# Quillmere.app, the application as a macOS bundle (included from app/CMakeLists.txt on Apple):
#
#   Contents/Info.plist          from app/Info.plist.in, the one template of both platforms
#   Contents/MacOS/Quillmere     the application
#   Contents/MacOS/brisquel      the command-line tool, built as a plain program and copied in
#   Contents/Resources/          Quillmere.icns, made from the SVG at build time, and the two
#                                library resource bundles VexoWidgets_VexoUpdater.bundle and
#                                VexoWidgets_ContactForm.bundle (found there by MainBundle)
#   Contents/PlugIns/            the application's plug-ins, loaded at first use
#                                (VexoExtensions/ApplicationPlugin.h)
#   Contents/Frameworks/         Sparkle.framework when the build uses it; Qt's frameworks and the
#                                other libraries are added when the bundle is packaged
#                                (cmake/AppleDeployBundle.cmake)

set(QUILLMERE_EXECUTABLE_NAME Quillmere)
set(bundle_contents $<TARGET_BUNDLE_CONTENT_DIR:quillmere>)
set_target_properties(quillmere PROPERTIES
  MACOSX_BUNDLE ON
  OUTPUT_NAME Quillmere
  # Configured by app/CMakeLists.txt from Info.plist.in, with every value already in place.
  MACOSX_BUNDLE_INFO_PLIST ${CMAKE_CURRENT_BINARY_DIR}/Info.plist
  # The bundle's own frameworks; the build tree's libraries are added to the build's search path.
  BUILD_RPATH "@executable_path/../Frameworks"
  INSTALL_RPATH "@executable_path/../Frameworks")

# --- The icon: every size an .icns holds, rendered from the SVG, then put together by iconutil. ---
find_program(QUILLMERE_RSVG_CONVERT rsvg-convert)
find_program(QUILLMERE_ICONUTIL iconutil)
if(NOT QUILLMERE_RSVG_CONVERT OR NOT QUILLMERE_ICONUTIL)
  message(FATAL_ERROR "The application's icon is rendered from packaging/icons/com.tamberline.Quillmere.svg "
                      "by rsvg-convert (Homebrew: librsvg) and iconutil (Xcode's command-line tools)")
endif()
set(icon_svg ${PROJECT_SOURCE_DIR}/packaging/icons/com.tamberline.Quillmere.svg)
set(iconset ${CMAKE_CURRENT_BINARY_DIR}/Quillmere.iconset)
set(icns ${CMAKE_CURRENT_BINARY_DIR}/Quillmere.icns)
set(render_commands)
foreach(points 16 32 128 256 512)
  math(EXPR pixels2x "${points} * 2")
  list(APPEND render_commands
    COMMAND ${QUILLMERE_RSVG_CONVERT} --width ${points} --height ${points} --format png
            --output ${iconset}/icon_${points}x${points}.png ${icon_svg}
    COMMAND ${QUILLMERE_RSVG_CONVERT} --width ${pixels2x} --height ${pixels2x} --format png
            --output ${iconset}/icon_${points}x${points}@2x.png ${icon_svg})
endforeach()
add_custom_command(OUTPUT ${icns}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${iconset}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${iconset}
  ${render_commands}
  COMMAND ${QUILLMERE_ICONUTIL} --convert icns --output ${icns} ${iconset}
  DEPENDS ${icon_svg}
  COMMENT "Rendering Quillmere.icns")
target_sources(quillmere PRIVATE ${icns})
set_source_files_properties(${icns} PROPERTIES MACOSX_PACKAGE_LOCATION Resources)

# --- The library resource bundles and the command-line tool, copied in after each link. ---
# The libraries copy their bundles beside the binaries; the application's link waits for them.
add_dependencies(quillmere brisquel)
add_custom_command(TARGET quillmere POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bundle_contents}/Resources
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/VexoWidgets_VexoUpdater.bundle
          ${bundle_contents}/Resources/VexoWidgets_VexoUpdater.bundle
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/VexoWidgets_ContactForm.bundle
          ${bundle_contents}/Resources/VexoWidgets_ContactForm.bundle
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:brisquel> ${bundle_contents}/MacOS/brisquel
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bundle_contents}/PlugIns
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:VexoInterfaceLoader> $<TARGET_FILE:VexoNetworkPlugin>
          ${bundle_contents}/PlugIns/
  COMMENT "Copying the resource bundles, the plug-ins and brisquel into Quillmere.app"
  VERBATIM)

# --- Sparkle, when cmake/Apple.cmake found version 2. ---
set(QUILLMERE_SPARKLE_INFO_ENTRIES "")
if(QUILLMERE_SPARKLE_FRAMEWORK)
  get_filename_component(sparkle_folder ${QUILLMERE_SPARKLE_FRAMEWORK} DIRECTORY)
  target_sources(VexoUpdater PRIVATE
    ${PROJECT_SOURCE_DIR}/VexoUpdater/SparkleUpdater.h ${PROJECT_SOURCE_DIR}/VexoUpdater/SparkleUpdater.mm)
  # SUUpdater and its calls are deprecated in Sparkle 2, but they are the ones the updates pane is
  # built around: the warning is allowed in this one file only.
  set_source_files_properties(${PROJECT_SOURCE_DIR}/VexoUpdater/SparkleUpdater.mm
    TARGET_DIRECTORY VexoUpdater
    PROPERTIES COMPILE_OPTIONS "-fobjc-arc;-Wno-deprecated-declarations")
  # A system framework path: Sparkle's headers are not held to our warnings.
  target_compile_options(VexoUpdater PRIVATE "-iframework${sparkle_folder}")
  target_link_libraries(VexoUpdater PRIVATE ${QUILLMERE_SPARKLE_FRAMEWORK})
  # The application creates SparkleUpdater in place of its own feed check (app/ApplicationMain.cpp).
  target_compile_definitions(QuillmereApp PRIVATE QUILLMERE_WITH_SPARKLE=1)
  # Copied with its symbolic links kept (ditto), as a framework must be for its signature to hold.
  add_custom_command(TARGET quillmere POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${bundle_contents}/Frameworks/Sparkle.framework
    COMMAND ${CMAKE_COMMAND} -E make_directory ${bundle_contents}/Frameworks
    COMMAND ditto ${QUILLMERE_SPARKLE_FRAMEWORK} ${bundle_contents}/Frameworks/Sparkle.framework
    COMMENT "Copying Sparkle.framework into Quillmere.app"
    VERBATIM)

  # The Info.plist entries Sparkle reads: the key that update signatures are checked with, and the
  # release feed it checks until the updates pane gives it the one of the user's choice.
  if(QUILLMERE_SPARKLE_PUBLIC_ED_KEY MATCHES "^[A-Za-z0-9+/]+=*$")
    string(APPEND QUILLMERE_SPARKLE_INFO_ENTRIES
      "<key>SUPublicEDKey</key>\n\t<string>${QUILLMERE_SPARKLE_PUBLIC_ED_KEY}</string>\n\t")
  else()
    message(WARNING "QUILLMERE_SPARKLE_PUBLIC_ED_KEY is not a base64 key: Sparkle refuses every update "
                    "whose signature it cannot check")
  endif()
  string(APPEND QUILLMERE_SPARKLE_INFO_ENTRIES
    "<key>SUFeedURL</key>\n\t"
    "<string>${QUILLMERE_UPDATE_FEED_BASE}com.tamberline.Quillmere/releases/appcast.xml</string>\n\t")
endif()
unset(bundle_contents)
