# The platform services on macOS (included from core/CMakeLists.txt), each a thin file over one of
# the system's own services in core/platform/macos/, beside the stand-ins of core/platform/posix/
# that work on any POSIX system. Those stand-ins serve the folders a person or a test names
# (QUILLMERE_APPLICATIONS_DIR, QUILLMERE_PREFERENCES_DIR), the fallback when Spotlight fails or
# finds nothing, and the test suite's worlds; the /proc process list and syslog stay on Linux.
#
#   preferences domains      CFPreferencesDefaults (Core Foundation only), CFPreferencesObservation
#   metadata search          SpotlightMetadataSearch (MDQuery), the folder walk behind it
#   running applications     AppKitRunningApplications (Objective-C++: NSRunningApplication)
#   Apple-event permission   AppleEventPermission (AEDeterminePermissionToAutomateTarget)
#   system log               UnifiedLog (os_log)
#   AppleScript              the osascript channel, as on Linux
set(macos ${CMAKE_CURRENT_SOURCE_DIR}/platform/macos)
set(posix ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix)
target_sources(BrisquelCore PRIVATE
  ${macos}/NativePlatform.cpp
  ${macos}/CFText.cpp
  ${macos}/CFPropertyList.cpp
  ${macos}/CFPreferencesDefaults.cpp
  ${macos}/CFPreferencesObservation.cpp
  ${macos}/SpotlightMetadataSearch.cpp
  ${macos}/AppKitRunningApplications.mm
  ${macos}/AppleEventPermission.cpp
  ${macos}/UnifiedLog.cpp
  ${posix}/FolderMetadataSearch.cpp
  ${posix}/OsascriptChannel.cpp
  ${posix}/PlistFileDefaults.cpp
  ${posix}/FileChangeObservation.cpp
)
# Automatic reference counting in the one Objective-C++ file.
set_source_files_properties(${macos}/AppKitRunningApplications.mm PROPERTIES COMPILE_OPTIONS -fobjc-arc)
# macOS spells the nanosecond times of struct stat st_mtimespec and st_ctimespec, where POSIX.1-2008
# and Linux say st_mtim and st_ctim.
set_source_files_properties(${posix}/PlistFileDefaults.cpp PROPERTIES
  COMPILE_DEFINITIONS "st_mtim=st_mtimespec;st_ctim=st_ctimespec")
# Linked privately: the library carries them, and programs get them through it.
target_link_libraries(BrisquelCore PRIVATE
  "-framework CoreFoundation" "-framework CoreServices" "-framework AppKit")
unset(macos)
unset(posix)
