# What only a macOS build has, decided before the folders are added (included from the top-level
# CMakeLists.txt on Apple). The bundle itself is made in cmake/AppleBundle.cmake, the disk image in
# cmake/ApplePackaging.cmake.

# Objective-C++ for the two calls that are Objective-C: NSRunningApplication and Sparkle.
enable_language(OBJCXX)

# The oldest macOS the application runs on (the preset sets CMAKE_OSX_DEPLOYMENT_TARGET); it is
# also the Info.plist's LSMinimumSystemVersion.
if(CMAKE_OSX_DEPLOYMENT_TARGET)
  set(QUILLMERE_MINIMUM_MACOS ${CMAKE_OSX_DEPLOYMENT_TARGET})
endif()

# Sparkle 2, where it is present, is the application's updater (VexoUpdater/SparkleUpdater.mm).
# Without it the application checks its feed itself, as on Linux; the command line's
# --check-for-updates always does.
option(QUILLMERE_USE_SPARKLE "Use Sparkle.framework (version 2) as the updater when it is found" ON)
set(QUILLMERE_SPARKLE_PUBLIC_ED_KEY "" CACHE STRING
  "The update feed's EdDSA public key (base64), written to the Info.plist as SUPublicEDKey")
set(QUILLMERE_SPARKLE_FRAMEWORK "")
if(QUILLMERE_USE_SPARKLE)
  # Looked for in CMAKE_FRAMEWORK_PATH (-DCMAKE_FRAMEWORK_PATH=<folder holding Sparkle.framework>)
  # and the system's framework folders.
  find_library(SPARKLE_FRAMEWORK_PATH Sparkle)
  if(SPARKLE_FRAMEWORK_PATH MATCHES "Sparkle\\.framework$")
    execute_process(
      COMMAND plutil -extract CFBundleShortVersionString raw -o - "${SPARKLE_FRAMEWORK_PATH}/Resources/Info.plist"
      OUTPUT_VARIABLE sparkle_version OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE sparkle_read)
    if(sparkle_read EQUAL 0 AND sparkle_version MATCHES "^2\\.")
      set(QUILLMERE_SPARKLE_FRAMEWORK ${SPARKLE_FRAMEWORK_PATH})
      message(STATUS "Sparkle ${sparkle_version}: the application's updater (${SPARKLE_FRAMEWORK_PATH})")
    else()
      message(WARNING "${SPARKLE_FRAMEWORK_PATH} is not Sparkle 2 (version \"${sparkle_version}\"): "
                      "the application checks its update feed itself")
    endif()
  else()
    message(STATUS "Sparkle.framework not found: the application checks its update feed itself")
  endif()
endif()
