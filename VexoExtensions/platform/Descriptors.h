#pragma once

// The descriptor calls that only some systems have, in the forms every POSIX system can give.
// Where the C library has pipe2() and eventfd() (Linux) they are used; elsewhere (macOS) the
// portable forms stand in. The build decides which, once (VEXO_HAVE_PIPE2, VEXO_HAVE_EVENTFD).
namespace brisquel::vexo::descriptors {

// pipe2(fds, O_CLOEXEC); elsewhere pipe() and then FD_CLOEXEC on both ends. 0, or -1 with errno.
int openCloseOnExecPipe(int fds[2]);

// A wake-up for a thread waiting in poll(): pollEnd becomes readable once writeEnd was written
// to. An eventfd (both ends the same descriptor), else a pipe whose writing end never blocks.
// False, with errno, when none can be made.
bool openWakeUp(int& pollEnd, int& writeEnd);
// Closes both ends (once, where they are one descriptor) and sets them to -1.
void closeWakeUp(int& pollEnd, int& writeEnd);

} // namespace brisquel::vexo::descriptors
