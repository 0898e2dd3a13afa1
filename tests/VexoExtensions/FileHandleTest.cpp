#include "VexoExtensions/FileHandle.h"

#include <QFile>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace brisquel::vexo;
using namespace std::chrono_literals;

namespace {

void writeAll(Pipe& pipe, const QByteArray& bytes) {
    ASSERT_EQ(::write(pipe.fileHandleForWriting().fileDescriptor(), bytes.constData(), bytes.size()),
              bytes.size());
}

QByteArray titleSequence(const QByteArray& title) {
    return "\x1b]0;" + title + "\x07";
}

} // namespace

TEST(TerminalTitle, FirstWholeSequenceOfWordCharactersOnly) {
    const QByteArray esc("\x1b");
    const QByteArray bel("\x07");
    const std::vector<std::pair<QByteArray, std::optional<QString>>> cases = {
        {"noise " + titleSequence("First") + " " + titleSequence("Second"), QStringLiteral("First")},
        {esc + "]2;Build_42" + bel, QStringLiteral("Build_42")},
        {titleSequence("Größe"), QStringLiteral(u"Größe")}, // word characters of any script
        {"plain output\n", std::nullopt},
        {esc + "]0;Cut", std::nullopt}, // no bell
        {titleSequence("Two words"), std::nullopt},
        {titleSequence(""), std::nullopt},
        {titleSequence("Ok") + "\xff", std::nullopt}, // the chunk is not UTF-8
    };
    for (const auto& [chunk, title] : cases)
        EXPECT_EQ(terminalTitle(chunk), title) << chunk.toStdString();
}

// A chunk's first title is told; closing the handle stops a watch that waits in a read.
TEST(TitleWatch, TellsAChunksFirstTitleAndEndsWhenTheHandleCloses) {
    std::mutex mutex; // the titles outlive the pipe, whose watch adds to them
    std::condition_variable changed;
    QStringList titles;
    Pipe pipe;
    FileHandle& reader = pipe.fileHandleForReading();
    reader.readTitle([&](const QString& title) {
        std::lock_guard lock(mutex);
        titles.append(title);
        changed.notify_all();
    });
    writeAll(pipe, "noise " + titleSequence("One") + titleSequence("Ignored"));
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, 20s, [&] { return !titles.isEmpty(); });
        EXPECT_EQ(titles, QStringList{QStringLiteral("One")});
    }
    reader.closeFile(); // the writer is still open
    EXPECT_FALSE(reader.isWatching());
    EXPECT_THROW(reader.readTitle([](const QString&) {}), std::logic_error);
    // The end of the stream ends a watch too, instead of spinning.
    Pipe ended;
    ended.fileHandleForReading().readTitle([](const QString&) {});
    ended.fileHandleForWriting().closeFile();
    for (int i = 0; i < 4000 && ended.fileHandleForReading().isWatching(); ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(ended.fileHandleForReading().isWatching());
}

// More than the pipe holds, in several writes, a character split between two of them.
TEST(PipeReading, ReadsToTheEndAsTextOrNone) {
    Pipe pipe;
    const QByteArray big(1 << 20, 'z');
    std::thread writer([&] {
        writeAll(pipe, big + "h\xc3");
        writeAll(pipe, "\xa9llo");
        pipe.fileHandleForWriting().closeFile();
    });
    EXPECT_EQ(pipe.readStringToEndOfFile(), QString::fromLatin1(big) + QStringLiteral(u"h\u00e9llo"));
    writer.join();

    Pipe invalid;
    writeAll(invalid, "\xfe\xff");
    invalid.fileHandleForWriting().closeFile();
    EXPECT_FALSE(invalid.readStringToEndOfFile());
    EXPECT_EQ(invalid.fileHandleForReading().availableData(), QByteArray()); // at the end
}

TEST(PipeReading, ReadErrorsThrowInsteadOfRetrying) {
    const int folder = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC); // reading it fails: EISDIR
    ASSERT_GE(folder, 0);
    FileHandle handle(folder, FileHandle::Ownership::CloseOnDestroy);
    EXPECT_THROW(handle.availableData(), std::system_error);
    EXPECT_THROW(handle.readDataToEndOfFile(), std::system_error);
}

// A signal that arrives while availableData waits for data interrupts the wait; the wait goes on.
TEST(PipeReading, AvailableDataWaitsOnThroughASignal) {
#if !defined(__linux__)
    GTEST_SKIP() << "finds the waiting thread in /proc, which Linux has and macOS has not";
#endif
    struct sigaction previous {};
    struct sigaction handler {};
    handler.sa_handler = [](int) {};
    sigaction(SIGUSR1, &handler, &previous);
    Pipe pipe;
    std::atomic<long> waiter{0};
    std::optional<QByteArray> read; // none: the wait gave up
    std::thread reader([&] {
        waiter = ::syscall(SYS_gettid);
        try {
            read = pipe.fileHandleForReading().availableData();
        } catch (const std::system_error&) {
        }
    });
    const auto sleeping = [&] {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(waiter.load()));
        if (waiter == 0 || !stat.open(QIODevice::ReadOnly))
            return waiter != 0;
        const QByteArray line = stat.readAll();
        return line.mid(line.lastIndexOf(')') + 2, 1) == "S";
    };
    for (int signal = 0; signal < 3; ++signal) {
        for (int i = 0; i < 4000 && !sleeping(); ++i)
            std::this_thread::sleep_for(5ms);
        pthread_kill(reader.native_handle(), SIGUSR1);
    }
    writeAll(pipe, "late");
    reader.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(read, QByteArray("late"));
}
