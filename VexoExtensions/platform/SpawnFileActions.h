#pragma once

#include <spawn.h>

// The two file actions of posix_spawn that POSIX leaves to each platform: starting the child in
// another folder, and closing every descriptor it would otherwise inherit. Where the C library has
// them (glibc's posix_spawn_file_actions_addchdir_np and _addclosefrom_np) they are used; elsewhere
// the portable forms stand in. The build decides which, once (VEXO_SPAWN_HAS_NP_ACTIONS).
namespace brisquel::vexo::spawn {

// Makes the child start in folder. False where the platform's spawn cannot: the caller then starts
// the program through the shell, which changes folder first (see kChangeFolderScript).
bool addChangeFolder(posix_spawn_file_actions_t* actions, const char* folder);
// Makes the child close every descriptor from lowest up, after the actions added before.
void addCloseFrom(posix_spawn_file_actions_t* actions, int lowest);

// `/bin/sh -c kChangeFolderScript sh <folder> <program> <arguments...>` runs the program in the
// folder: the shell's own stand-in for addChangeFolder.
inline constexpr const char* kChangeFolderScript = "cd -- \"$1\" && shift && exec \"$@\"";

// The portable forms, built on every platform so that they are tested everywhere.
namespace portable {
bool addChangeFolder(posix_spawn_file_actions_t* actions, const char* folder);
// Adds one close action for each descriptor from lowest up that is open now (listed in /dev/fd).
void addCloseFrom(posix_spawn_file_actions_t* actions, int lowest);
} // namespace portable

} // namespace brisquel::vexo::spawn
