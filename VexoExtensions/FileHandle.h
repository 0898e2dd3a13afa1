#pragma once

#include "VexoExtensions/Export.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace brisquel::vexo {

// A file descriptor with the reading helpers of the process runner: read to the end, take what is
// available, and watch the stream for terminal-title sequences.
//
// Read failures other than an interruption throw std::system_error. Movable, not copyable.
class BRISQUEL_EXPORT FileHandle {
public:
    enum class Ownership {
        Borrow,        // the descriptor belongs to someone else and stays open
        CloseOnDestroy // the handle closes the descriptor when it is destroyed or closed
    };

    explicit FileHandle(int fileDescriptor, Ownership ownership = Ownership::Borrow);
    // Stops every title watch (waiting for a callback that is running to return), then closes an
    // owned descriptor.
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // -1 once closed.
    int fileDescriptor() const;

    // Every byte up to the end of the stream (blocks until every writer has closed it).
    QByteArray readDataToEndOfFile();
    // Waits until some data is there and returns it; empty at the end of the stream.
    QByteArray availableData();
    // Stops the title watches and closes an owned descriptor; a borrowed one is only let go.
    void closeFile();

    // Watches the stream on a background thread and calls callback with the title of the first
    // terminal set-title sequence (ESC "]" digit ";" word-characters BEL) in each chunk of data as
    // it arrives; a chunk without one, or one that is not valid UTF-8, is passed over. Returns at
    // once. Each call adds one more callback; every callback sees every chunk's title.
    // The watch ends by itself at the end of the stream (or on a read error), and when the handle
    // is closed or destroyed. The callback runs on the watch's thread, never on the caller's;
    // it must not throw, and must not destroy or close this handle.
    void readTitle(std::function<void(const QString& title)> callback);
    // true while a title watch is reading the stream.
    bool isWatching() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// The title of the first terminal set-title sequence in one chunk of data, as readTitle finds it:
// none when the chunk is not valid UTF-8 or holds no such sequence.
BRISQUEL_EXPORT std::optional<QString> terminalTitle(const QByteArray& chunk);

// A one-way channel: what is written to its writing end is read from its reading end. Both ends
// are close-on-exec and closed with the pipe.
class BRISQUEL_EXPORT Pipe {
public:
    // Throws std::system_error when the system has no descriptors left.
    Pipe();

    FileHandle& fileHandleForReading() { return m_reading; }
    FileHandle& fileHandleForWriting() { return m_writing; }

    // Reads to the end of the stream and decodes the bytes as UTF-8; none when they are not valid
    // UTF-8. The end comes only when every writing end is closed, this pipe's own included
    // (fileHandleForWriting().closeFile()).
    std::optional<QString> readStringToEndOfFile();
    // Reads to the end of the stream like readStringToEndOfFile and writes the text and one line
    // feed to standard output; writes nothing when the bytes are not valid UTF-8.
    void printPipe();

private:
    explicit Pipe(std::pair<int, int> ends);
    FileHandle m_reading;
    FileHandle m_writing;
};

} // namespace brisquel::vexo
