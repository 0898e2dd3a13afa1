#include "VexoExtensions/FileHandle.h"

#include <QStringList>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
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

// Waits for a condition that another thread brings about, with a generous bound.
bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 4000 && !condition(); ++i)
        std::this_thread::sleep_for(5ms);
    return condition();
}

} // namespace

TEST(TerminalTitle, FirstWholeSequenceOfWordCharactersOnly) {
    const QByteArray esc("\x1b");
    const QByteArray bel("\x07");
    const std::vector<std::pair<QByteArray, std::optional<QString>>> cases = {
        {"noise " + titleSequence("First") + " " + titleSequence("Second"), QStringLiteral("First")},
        {esc + "]2;Build_42" + bel, QStringLiteral("Build_42")},
        {titleSequence("Größe"), QStringLiteral(u"Größe")}, // word characters of any script
        {esc + "]0;Cut", std::nullopt},                     // no bell
        {titleSequence("Two words"), std::nullopt},
        {titleSequence(""), std::nullopt},
        {titleSequence("Ok") + "\xff", std::nullopt}, // the chunk is not UTF-8
    };
    for (const auto& [chunk, title] : cases)
        EXPECT_EQ(terminalTitle(chunk), title) << chunk.toStdString();
}

// A chunk's first title is told; closing the handle stops a watch that waits in a read, and the end
// of the stream ends one too, instead of spinning.
TEST(TitleWatch, TellsAChunksFirstTitleAndEndsWhenTheHandleCloses) {
    std::mutex mutex; // the titles outlive the pipe, whose watch adds to them
    QStringList titles;
    const auto told = [&] {
        std::lock_guard lock(mutex);
        return titles;
    };
    Pipe pipe;
    FileHandle& reader = pipe.fileHandleForReading();
    reader.readTitle([&](const QString& title) {
        std::lock_guard lock(mutex);
        titles.append(title);
    });
    writeAll(pipe, "noise " + titleSequence("One") + titleSequence("Ignored"));
    eventually([&] { return !told().isEmpty(); });
    EXPECT_EQ(told(), QStringList{QStringLiteral("One")});
    reader.closeFile(); // the writer is still open
    EXPECT_FALSE(reader.isWatching());
    EXPECT_THROW(reader.readTitle([](const QString&) {}), std::logic_error);
    Pipe ended;
    ended.fileHandleForReading().readTitle([](const QString&) {});
    ended.fileHandleForWriting().closeFile();
    EXPECT_TRUE(eventually([&] { return !ended.fileHandleForReading().isWatching(); }));
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

// Signals that arrive while availableData waits for data interrupt the wait; the wait goes on.
TEST(PipeReading, AvailableDataWaitsOnThroughASignal) {
    struct sigaction previous {};
    struct sigaction handler {};
    handler.sa_handler = [](int) {};
    sigaction(SIGUSR1, &handler, &previous);
    Pipe pipe;
    std::optional<QByteArray> read; // none: the wait gave up
    std::thread reader([&] {
        try {
            read = pipe.fileHandleForReading().availableData();
        } catch (const std::system_error&) {
        }
    });
    for (int signal = 0; signal < 200; ++signal) { // most of them reach it waiting
        pthread_kill(reader.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(5ms);
    }
    writeAll(pipe, "late");
    reader.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(read, QByteArray("late"));
}
