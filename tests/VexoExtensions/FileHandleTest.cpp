#include "VexoExtensions/FileHandle.h"
#include "StdoutCapture.h"

#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using namespace brisquel::vexo;
using namespace std::chrono_literals;

namespace {

void writeAll(Pipe& pipe, const QByteArray& bytes) {
    ASSERT_EQ(::write(pipe.fileHandleForWriting().fileDescriptor(), bytes.constData(), bytes.size()),
              bytes.size());
}

// Titles reported by a watch, for the test thread to wait on.
class TitleInbox {
public:
    std::function<void(const QString&)> callback() {
        return [this](const QString& title) {
            std::lock_guard lock(m_mutex);
            m_titles.append(title);
            m_changed.notify_all();
        };
    }
    // Waits (at most a generous while, so a broken watch fails instead of hanging) for n titles.
    QStringList waitFor(qsizetype n) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 20s, [&] { return m_titles.size() >= n; });
        return m_titles;
    }
    QStringList titles() {
        std::lock_guard lock(m_mutex);
        return m_titles;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QStringList m_titles;
};

// Waits until the watch has taken everything written so far out of the pipe.
void waitUntilDrained(Pipe& pipe) {
    for (int i = 0; i < 4000; ++i) {
        int pending = 0;
        ::ioctl(pipe.fileHandleForReading().fileDescriptor(), FIONREAD, &pending);
        if (pending == 0)
            return;
        std::this_thread::sleep_for(5ms);
    }
    FAIL() << "the watch never read the pipe";
}

const QByteArray Esc("\x1b");
const QByteArray Bel("\x07");

QByteArray titleSequence(const QByteArray& title) {
    return Esc + "]0;" + title + Bel;
}

} // namespace

// --- finding a title in one chunk --------------------------------------------------------------

TEST(TerminalTitle, FindsTheFirstTitleOnly) {
    EXPECT_EQ(terminalTitle("noise " + titleSequence("First") + " " + titleSequence("Second")),
              QStringLiteral("First"));
}

TEST(TerminalTitle, NeedsTheWholeSequence) {
    EXPECT_FALSE(terminalTitle("plain output\n"));
    EXPECT_FALSE(terminalTitle(Esc + "]0;Cut"));             // no bell
    EXPECT_FALSE(terminalTitle(Esc + "]x;Title" + Bel));     // no digit
    EXPECT_FALSE(terminalTitle("]0;Title" + Bel));           // no escape
    EXPECT_FALSE(terminalTitle(titleSequence("Two words"))); // a space is no word character
    EXPECT_FALSE(terminalTitle(titleSequence("")));          // an empty title
    EXPECT_EQ(terminalTitle(Esc + "]2;Build_42" + Bel), QStringLiteral("Build_42"));
}

TEST(TerminalTitle, WordCharactersOfAnyScriptCount) {
    EXPECT_EQ(terminalTitle(titleSequence("Größe")), QStringLiteral(u"Größe"));
}

TEST(TerminalTitle, InvalidUtf8ChunkReportsNothing) {
    EXPECT_FALSE(terminalTitle(titleSequence("Ok") + "\xff"));
}

// --- the watch ---------------------------------------------------------------------------------

TEST(TitleWatch, ReportsTheFirstTitleOfEachChunk) {
    Pipe pipe;
    TitleInbox inbox;
    pipe.fileHandleForReading().readTitle(inbox.callback());
    writeAll(pipe, titleSequence("One") + titleSequence("Ignored")); // one write, one chunk
    EXPECT_EQ(inbox.waitFor(1), QStringList{QStringLiteral("One")});
    waitUntilDrained(pipe);
    writeAll(pipe, titleSequence("Two"));
    EXPECT_EQ(inbox.waitFor(2), (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
}

TEST(TitleWatch, SequenceSplitAcrossChunksIsNotReported) {
    Pipe pipe;
    TitleInbox inbox;
    pipe.fileHandleForReading().readTitle(inbox.callback());
    writeAll(pipe, Esc + "]0;Hal");
    waitUntilDrained(pipe);
    writeAll(pipe, "ves" + Bel);
    waitUntilDrained(pipe);
    writeAll(pipe, titleSequence("After"));
    EXPECT_EQ(inbox.waitFor(1), QStringList{QStringLiteral("After")});
}

TEST(TitleWatch, ChunkWithoutTitleReportsNothing) {
    Pipe pipe;
    TitleInbox inbox;
    pipe.fileHandleForReading().readTitle(inbox.callback());
    writeAll(pipe, "just text\n");
    waitUntilDrained(pipe);
    writeAll(pipe, titleSequence("Marker"));
    EXPECT_EQ(inbox.waitFor(1), QStringList{QStringLiteral("Marker")});
}

TEST(TitleWatch, EveryCallbackSeesEveryTitle) {
    Pipe pipe;
    TitleInbox first;
    TitleInbox second;
    pipe.fileHandleForReading().readTitle(first.callback());
    pipe.fileHandleForReading().readTitle(second.callback());
    writeAll(pipe, titleSequence("Shared"));
    EXPECT_EQ(first.waitFor(1), QStringList{QStringLiteral("Shared")});
    EXPECT_EQ(second.waitFor(1), QStringList{QStringLiteral("Shared")});
}

TEST(TitleWatch, EndsAtTheEndOfTheStreamInsteadOfSpinning) {
    Pipe pipe;
    TitleInbox inbox;
    pipe.fileHandleForReading().readTitle(inbox.callback());
    EXPECT_TRUE(pipe.fileHandleForReading().isWatching());
    pipe.fileHandleForWriting().closeFile();
    for (int i = 0; i < 4000 && pipe.fileHandleForReading().isWatching(); ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(pipe.fileHandleForReading().isWatching());
    EXPECT_TRUE(inbox.titles().isEmpty());
}

TEST(TitleWatch, ClosingTheHandleStopsAWatchThatIsWaiting) {
    Pipe pipe;
    TitleInbox inbox;
    pipe.fileHandleForReading().readTitle(inbox.callback());
    pipe.fileHandleForReading().closeFile(); // the writer is still open: the watch is blocked
    EXPECT_FALSE(pipe.fileHandleForReading().isWatching());
    EXPECT_EQ(pipe.fileHandleForReading().fileDescriptor(), -1);
    EXPECT_THROW(pipe.fileHandleForReading().readTitle(inbox.callback()), std::logic_error);
}

TEST(TitleWatch, CallbacksRunOffTheCallersThread) {
    Pipe pipe;
    std::mutex mutex;
    std::condition_variable done;
    std::optional<std::thread::id> where;
    pipe.fileHandleForReading().readTitle([&](const QString&) {
        std::lock_guard lock(mutex);
        where = std::this_thread::get_id();
        done.notify_all();
    });
    writeAll(pipe, titleSequence("Where"));
    std::unique_lock lock(mutex);
    done.wait_for(lock, 20s, [&] { return where.has_value(); });
    ASSERT_TRUE(where);
    EXPECT_NE(*where, std::this_thread::get_id());
}

// --- pipes ---------------------------------------------------------------------------------------

TEST(PipeReading, ReadsToTheEndAsText) {
    Pipe pipe;
    std::thread writer([&] {
        writeAll(pipe, "h\xc3\xa9");
        writeAll(pipe, "llo");
        pipe.fileHandleForWriting().closeFile();
    });
    EXPECT_EQ(pipe.readStringToEndOfFile(), QStringLiteral(u"héllo"));
    writer.join();
}

TEST(PipeReading, InvalidUtf8GivesNone) {
    Pipe pipe;
    writeAll(pipe, "\xfe\xff");
    pipe.fileHandleForWriting().closeFile();
    EXPECT_FALSE(pipe.readStringToEndOfFile());
}

TEST(PipeReading, LargerThanThePipeArrivesWhole) {
    Pipe pipe;
    const QByteArray big(1 << 20, 'z');
    std::thread writer([&] {
        writeAll(pipe, big);
        pipe.fileHandleForWriting().closeFile();
    });
    EXPECT_EQ(pipe.fileHandleForReading().readDataToEndOfFile(), big);
    writer.join();
}

TEST(PipePrinting, PrintsTheTextAndALineFeed) {
    Pipe pipe;
    writeAll(pipe, "line one\nline two");
    pipe.fileHandleForWriting().closeFile();
    vexotest::StdoutCapture capture;
    pipe.printPipe();
    EXPECT_EQ(capture.take(), QByteArray("line one\nline two\n"));
}

TEST(PipePrinting, InvalidUtf8PrintsNothing) {
    Pipe pipe;
    writeAll(pipe, "bad \xc3");
    pipe.fileHandleForWriting().closeFile();
    vexotest::StdoutCapture capture;
    pipe.printPipe();
    EXPECT_EQ(capture.take(), QByteArray());
}

TEST(FileHandleReading, AvailableDataIsEmptyAtTheEnd) {
    Pipe pipe;
    writeAll(pipe, "abc");
    EXPECT_EQ(pipe.fileHandleForReading().availableData(), QByteArray("abc"));
    pipe.fileHandleForWriting().closeFile();
    EXPECT_EQ(pipe.fileHandleForReading().availableData(), QByteArray());
}
