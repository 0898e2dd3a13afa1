#include "VexoExtensions/FileHandle.h"

#include "VexoExtensions/ProcessRunner.h"
#include "VexoExtensions/RegularExpression.h"
#include "VexoExtensions/platform/Descriptors.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brisquel::vexo {

namespace {

constexpr size_t kChunkSize = size_t{64} * 1024;

[[noreturn]] void throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Waits until fd can be read (or has reached its end); false when poll itself fails.
void waitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, -1) < 0) {
        if (errno != EINTR)
            throwErrno("cannot wait for data");
    }
}

} // namespace

std::optional<QString> terminalTitle(const QByteArray& chunk) {
    const std::optional<QString> text = decodeUtf8(chunk);
    if (!text)
        return std::nullopt;
    // Escape, "]", a digit, ";", the title, bell: the terminal's set-title sequence, written with the
    // engine's octal escapes.
    static const std::optional<RegularExpression> expression =
        RegularExpression::make(QStringLiteral(u"\\033]\\d;(\\w+)\\007"));
    if (!expression)
        return std::nullopt;
    const std::optional<TextCheckingResult> match = expression->firstMatch(*text);
    if (!match)
        return std::nullopt;
    return match->matchedString(expression->numberOfCaptureGroups() == 1 ? 1 : 0, *text);
}

// --- FileHandle --------------------------------------------------------------------------------

struct FileHandle::State {
    int fd = -1;
    bool owned = false;

    std::mutex mutex;
    std::vector<std::shared_ptr<const std::function<void(const QString&)>>> callbacks;
    std::thread watcher;
    std::atomic<bool> watcherRunning{false};
    std::atomic<bool> stopping{false};
    int wakeFd = -1;      // polled by the watch
    int wakeWriteFd = -1; // written to wake it (the same descriptor where the system has eventfd)

    void stopWatching();
    static void watch(const std::shared_ptr<State>& state);
};

void FileHandle::State::stopWatching() {
    std::thread thread;
    {
        std::lock_guard lock(mutex);
        stopping = true;
        if (wakeWriteFd >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(wakeWriteFd, &one, sizeof one);
        }
        thread = std::move(watcher);
    }
    if (thread.joinable()) {
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach(); // called from a callback: the loop sees `stopping` when it returns
        else
            thread.join();
    }
    std::lock_guard lock(mutex);
    if (wakeFd >= 0 && !watcherRunning)
        descriptors::closeWakeUp(wakeFd, wakeWriteFd);
    callbacks.clear();
}

void FileHandle::State::watch(const std::shared_ptr<State>& state) {
    std::vector<char> buffer(kChunkSize);
    while (!state->stopping) {
        pollfd fds[2] = {{state->fd, POLLIN, 0}, {state->wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0 || (fds[0].revents & POLLNVAL) != 0)
            break;
        if (fds[0].revents == 0)
            continue;
        const ssize_t n = ::read(state->fd, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            break; // a read error ends the watch like the end of the stream
        }
        if (n == 0)
            break; // end of stream: nothing more will come, so the watch ends instead of spinning
        const std::optional<QString> title = terminalTitle(QByteArray(buffer.data(), n));
        if (!title)
            continue;
        std::vector<std::shared_ptr<const std::function<void(const QString&)>>> callbacks;
        {
            std::lock_guard lock(state->mutex);
            callbacks = state->callbacks;
        }
        for (const auto& callback : callbacks) {
            if (state->stopping)
                break;
            (*callback)(*title);
        }
    }
    std::lock_guard lock(state->mutex);
    state->watcherRunning = false;
    if (state->stopping && state->wakeFd >= 0 && !state->watcher.joinable()) {
        // Detached by a callback that closed the handle: the wake descriptors are ours to close.
        descriptors::closeWakeUp(state->wakeFd, state->wakeWriteFd);
    }
}

FileHandle::FileHandle(int fileDescriptor, Ownership ownership) : m_state(std::make_shared<State>()) {
    m_state->fd = fileDescriptor;
    m_state->owned = ownership == Ownership::CloseOnDestroy;
}

FileHandle::~FileHandle() {
    if (m_state)
        closeFile();
}

FileHandle::FileHandle(FileHandle&& other) noexcept = default;

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_state)
            closeFile();
        m_state = std::move(other.m_state);
    }
    return *this;
}

int FileHandle::fileDescriptor() const {
    return m_state ? m_state->fd : -1;
}

void FileHandle::closeFile() {
    if (!m_state)
        return;
    m_state->stopWatching();
    std::lock_guard lock(m_state->mutex);
    if (m_state->owned && m_state->fd >= 0)
        ::close(m_state->fd);
    m_state->fd = -1;
}

QByteArray FileHandle::readDataToEndOfFile() {
    const int fd = fileDescriptor();
    QByteArray data;
    std::vector<char> buffer(kChunkSize);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n > 0) {
            data.append(buffer.data(), n);
        } else if (n == 0) {
            return data;
        } else if (errno == EAGAIN) {
            waitReadable(fd);
        } else if (errno != EINTR) {
            throwErrno("cannot read the file handle");
        }
    }
}

QByteArray FileHandle::availableData() {
    const int fd = fileDescriptor();
    for (;;) {
        waitReadable(fd);
        int pending = 0;
        if (::ioctl(fd, FIONREAD, &pending) != 0 || pending < 0)
            pending = 0;
        std::vector<char> buffer(std::max<size_t>(kChunkSize, static_cast<size_t>(pending)));
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n >= 0)
            return QByteArray(buffer.data(), n);
        if (errno != EINTR && errno != EAGAIN)
            throwErrno("cannot read the file handle");
    }
}

void FileHandle::readTitle(std::function<void(const QString& title)> callback) {
    if (!m_state || m_state->fd < 0)
        throw std::logic_error("readTitle on a closed file handle");
    std::lock_guard lock(m_state->mutex);
    m_state->callbacks.push_back(
        std::make_shared<const std::function<void(const QString&)>>(std::move(callback)));
    if (m_state->watcherRunning)
        return;
    // The first watch, or one after the stream had ended: start a reader.
    if (m_state->watcher.joinable())
        m_state->watcher.join();
    if (m_state->wakeFd < 0) {
        if (!descriptors::openWakeUp(m_state->wakeFd, m_state->wakeWriteFd))
            throwErrno("cannot start watching the file handle");
    }
    m_state->stopping = false;
    m_state->watcherRunning = true;
    m_state->watcher = std::thread(&State::watch, m_state);
}

bool FileHandle::isWatching() const {
    return m_state && m_state->watcherRunning;
}

// --- Pipe --------------------------------------------------------------------------------------

namespace {

std::pair<int, int> openPipe() {
    int fds[2];
    if (descriptors::openCloseOnExecPipe(fds) != 0)
        throwErrno("cannot create a pipe");
    return {fds[0], fds[1]};
}

} // namespace

Pipe::Pipe() : Pipe(openPipe()) {}

Pipe::Pipe(std::pair<int, int> ends)
    : m_reading(ends.first, FileHandle::Ownership::CloseOnDestroy),
      m_writing(ends.second, FileHandle::Ownership::CloseOnDestroy) {}

std::optional<QString> Pipe::readStringToEndOfFile() {
    return decodeUtf8(m_reading.readDataToEndOfFile());
}

void Pipe::printPipe() {
    const std::optional<QString> text = readStringToEndOfFile();
    if (!text)
        return;
    const QByteArray bytes = text->toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace brisquel::vexo
