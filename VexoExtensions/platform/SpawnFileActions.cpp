#include "VexoExtensions/platform/SpawnFileActions.h"

#include <cstdlib>
#include <dirent.h>
#include <vector>

namespace brisquel::vexo::spawn {

namespace portable {

bool addChangeFolder(posix_spawn_file_actions_t* /*actions*/, const char* /*folder*/) {
    return false;
}

void addCloseFrom(posix_spawn_file_actions_t* actions, int lowest) {
    DIR* dir = ::opendir("/dev/fd");
    if (!dir)
        return;
    const int listing = ::dirfd(dir);
    std::vector<int> open;
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd >= lowest && fd != listing)
            open.push_back(static_cast<int>(fd));
    }
    ::closedir(dir);
    for (const int fd : open)
        posix_spawn_file_actions_addclose(actions, fd);
}

} // namespace portable

#if VEXO_SPAWN_HAS_NP_ACTIONS

bool addChangeFolder(posix_spawn_file_actions_t* actions, const char* folder) {
    return posix_spawn_file_actions_addchdir_np(actions, folder) == 0;
}

void addCloseFrom(posix_spawn_file_actions_t* actions, int lowest) {
    posix_spawn_file_actions_addclosefrom_np(actions, lowest);
}

#else

bool addChangeFolder(posix_spawn_file_actions_t* actions, const char* folder) {
    return portable::addChangeFolder(actions, folder);
}

void addCloseFrom(posix_spawn_file_actions_t* actions, int lowest) {
    portable::addCloseFrom(actions, lowest);
}

#endif

} // namespace brisquel::vexo::spawn
