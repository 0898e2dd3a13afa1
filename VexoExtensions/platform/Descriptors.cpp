#include "VexoExtensions/platform/Descriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#if defined(VEXO_HAVE_EVENTFD)
#include <sys/eventfd.h>
#endif

namespace brisquel::vexo::descriptors {

int openCloseOnExecPipe(int fds[2]) {
#if defined(VEXO_HAVE_PIPE2)
    return ::pipe2(fds, O_CLOEXEC);
#else
    // A process forked by another thread in between would inherit the two ends; the programs this
    // library starts close every descriptor they are not handed (SpawnFileActions.h).
    if (::pipe(fds) != 0)
        return -1;
    if (::fcntl(fds[0], F_SETFD, FD_CLOEXEC) != 0 || ::fcntl(fds[1], F_SETFD, FD_CLOEXEC) != 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        errno = error;
        return -1;
    }
    return 0;
#endif
}

bool openWakeUp(int& pollEnd, int& writeEnd) {
#if defined(VEXO_HAVE_EVENTFD)
    pollEnd = writeEnd = ::eventfd(0, EFD_CLOEXEC);
    return pollEnd >= 0;
#else
    int fds[2];
    if (openCloseOnExecPipe(fds) != 0)
        return false;
    if (::fcntl(fds[1], F_SETFL, ::fcntl(fds[1], F_GETFL) | O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        errno = error;
        return false;
    }
    pollEnd = fds[0];
    writeEnd = fds[1];
    return true;
#endif
}

void closeWakeUp(int& pollEnd, int& writeEnd) {
    if (writeEnd >= 0 && writeEnd != pollEnd)
        ::close(writeEnd);
    if (pollEnd >= 0)
        ::close(pollEnd);
    pollEnd = writeEnd = -1;
}

} // namespace brisquel::vexo::descriptors
