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
#include <sys/ioctl.h>
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

// A pipe whose reading end is watched from the start; the titles it reports are collected.
class TitleWatch : public testing::Test {
protected:
    void SetUp() override { watch(); }
    FileHandle& reader() { return pipe.fileHandleForReading(); }
    void watch() {
        reader().readTitle([this](const QString& title) {
            std::lock_guard lock(m_mutex);
            m_titles.append(title);
            m_changed.notify_all();
        });
    }
    QStringList waitFor(qsizetype n) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 20s, [&] { return m_titles.size() >= n; });
        return m_titles;
    }
    // Each write is a chunk of its own: the next waits until the watch took this one.
    void writeChunk(const QByteArray& bytes) {
        writeAll(pipe, bytes);
        for (int i = 0; i < 4000; ++i) {
            int pending = 0;
            ::ioctl(reader().fileDescriptor(), FIONREAD, &pending);
            if (pending == 0)
                return;
            std::this_thread::sleep_for(5ms);
        }
        FAIL() << "the watch never read the pipe";
    }

    std::mutex m_mutex; // the collected titles outlive the pipe, whose watch adds to them
    std::condition_variable m_changed;
    QStringList m_titles;
    Pipe pipe;
};

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

// Each chunk is searched by itself for its first title; the watch ends at the end of the stream
// instead of spinning, and closing the handle stops a watch that waits in a read.
TEST_F(TitleWatch, FindsEachChunksFirstTitleAndEndsWithTheStream) {
    writeChunk("just text\n");
    writeChunk("\x1b]0;Hal"); // a sequence split across two chunks is never seen whole
    writeChunk("ves\x07");
    writeChunk(titleSequence("One") + titleSequence("Ignored"));
    writeChunk(titleSequence("Two"));
    EXPECT_EQ(waitFor(2), (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
    pipe.fileHandleForWriting().closeFile();
    for (int i = 0; i < 4000 && reader().isWatching(); ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(reader().isWatching());
}

TEST_F(TitleWatch, ClosingTheHandleStopsAWatchThatIsWaiting) {
    reader().closeFile(); // the writer is still open: the watch is blocked in a read
    EXPECT_FALSE(reader().isWatching());
    EXPECT_THROW(watch(), std::logic_error);
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
