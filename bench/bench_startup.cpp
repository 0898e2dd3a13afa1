// Start-up of Quillmere: from process start to the main window shown with its sidebar filled, on
// an applications folder of 20 copies of Capture One, against the start of a bare Qt Widgets
// window in the same run. Each iteration starts a new process; the child reports the moment of
// the first paint that shows what is measured (monotonic clock, shared by all processes).
//
// The measured child is this program started again with --child: it runs the application's own
// entry (ApplicationMain) and reports once the sidebar, filled, first paints.
//
// The reported ratio is that of the median starts.
//
// The baseline window (startup_bare_window) shows one line of text: the first text a process
// draws sets up the font database (on the offscreen platform about as long as the whole start of
// a window without text), and no window of an application goes without it. The start of a window
// with no text at all is measured too and its ratio printed for information.

#include "bench/RatioReporter.h"

#include "app/AppDelegate.h"
#include "app/ApplicationMain.h"
#include "app/ContentView.h"

#include <QByteArray>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// ---- the child ----

// Reports the first paint of the sidebar once the search has filled it.
class FilledSidebarPaint final : public QObject {
public:
    explicit FilledSidebarPaint(QListWidget* sidebar) : m_sidebar(sidebar) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_sidebar->count() > 0) {
            std::printf("%lld\n", monotonicNanoseconds());
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QListWidget* m_sidebar;
};

int runChild(int argc, char** argv) {
    return quillmere::ApplicationMain(argc, argv, [](quillmere::AppDelegate& delegate) {
        QListWidget* sidebar = delegate.contentView()->sidebar();
        sidebar->viewport()->installEventFilter(new FilledSidebarPaint(sidebar));
    });
}

// ---- the world: 20 copies ----

struct World {
    QTemporaryDir folder;
    QString applications;
    QString preferences;
    std::string self;
    std::string bare;

    World() {
        applications = folder.filePath(QStringLiteral("Applications"));
        preferences = folder.filePath(QStringLiteral("Preferences"));
        QDir().mkpath(applications);
        QDir().mkpath(preferences);
        const QString example =
            QStringLiteral(QUILLMERE_SOURCE_DIR "/examples/Applications/Capture One 23.app");
        for (int number = 1; number <= 20; ++number) {
            const QString contents =
                applications + QStringLiteral("/Capture One %1.app/Contents").arg(number);
            QDir().mkpath(contents + QStringLiteral("/Resources"));
            QFile info(contents + QStringLiteral("/Info.plist"));
            if (info.open(QIODevice::WriteOnly)) {
                info.write(QStringLiteral(
                               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<plist version=\"1.0\"><dict>\n"
                               "<key>CFBundleIdentifier</key><string>com.captureone.captureone%1</string>\n"
                               "<key>CFBundleShortVersionString</key><string>%1.0</string>\n"
                               "<key>CFBundleIconFile</key><string>AppIcon</string>\n"
                               "</dict></plist>\n")
                               .arg(number)
                               .toUtf8());
            }
            QFile::copy(example + QStringLiteral("/Contents/Resources/CaptureOne.sdef"),
                        contents + QStringLiteral("/Resources/CaptureOne.sdef"));
            QFile::copy(example + QStringLiteral("/Contents/Resources/AppIcon.png"),
                        contents + QStringLiteral("/Resources/AppIcon.png"));
        }
        qputenv("QUILLMERE_APPLICATIONS_DIR", applications.toUtf8());
        qputenv("QUILLMERE_PREFERENCES_DIR", preferences.toUtf8());
        // Nothing the toolkit remembers reaches the real home folder.
        qputenv("HOME", folder.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", folder.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_CACHE_HOME", folder.filePath(QStringLiteral("cache")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
};

World* world = nullptr;

// Starts a program and gives the seconds from just before its start to the moment it reports;
// a negative value when it failed.
double timeStart(const std::vector<std::string>& arguments) {
    int output[2];
    if (pipe(output) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    // The platform's notes on standard error would only clutter the table.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    const long long started = monotonicNanoseconds();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {
        close(output[0]);
        return -1;
    }
    std::string text;
    char buffer[64];
    ssize_t n = 0;
    while ((n = read(output[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) {
            text.append(buffer, static_cast<size_t>(n));
        }
    }
    close(output[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty()) {
        return -1;
    }
    const long long reported = std::atoll(text.c_str());
    return static_cast<double>(reported - started) / 1e9;
}

// The three programs are started in interleaved rounds (empty, bare, Quillmere, empty, ...), so
// that whatever else the machine does at a moment weighs on all three alike; the benchmarks then
// report those starts.
enum Program { Empty, Bare, Quillmere, ProgramCount };
constexpr int rounds = 25;

struct Samples {
    std::vector<double> seconds[ProgramCount];
    bool failed = false;
};

Samples& samples() {
    static Samples s = [] {
        Samples result;
        const std::vector<std::string> programs[ProgramCount] = {
            {world->bare, "--empty"}, {world->bare}, {world->self, "--child"}};
        // One start of each first, so all begin with the same warm caches.
        for (const auto& program : programs) {
            timeStart(program);
        }
        for (int round = 0; round < rounds && !result.failed; ++round) {
            for (int p = 0; p < ProgramCount; ++p) {
                const double seconds = timeStart(programs[p]);
                if (seconds < 0) {
                    result.failed = true;
                    break;
                }
                result.seconds[p].push_back(seconds);
            }
        }
        return result;
    }();
    return s;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void report(benchmark::State& state, Program program) {
    const Samples& all = samples();
    if (all.failed) {
        state.SkipWithError("a program did not report its window");
        return;
    }
    size_t next = 0;
    for (auto _ : state) {
        state.SetIterationTime(all.seconds[program][next++ % all.seconds[program].size()]);
    }
}

void emptyWindowStart(benchmark::State& state) {
    report(state, Empty);
}

void bareWindowStart(benchmark::State& state) {
    report(state, Bare);
}

void quillmereStart(benchmark::State& state) {
    report(state, Quillmere);
}

BENCHMARK(emptyWindowStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(rounds);
BENCHMARK(bareWindowStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(rounds);
BENCHMARK(quillmereStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(rounds);

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        return runChild(argc, argv);
    }
    World w;
    world = &w;
    w.self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();
    w.bare = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath().toStdString() + "/startup_bare_window";

    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) {
        return 1;
    }
    // The ratio of the medians: one start slowed by the machine's other work moves neither.
    const Samples& all = samples();
    if (all.failed) {
        return 1;
    }
    const double quillmere = median(all.seconds[Quillmere]);
    std::printf("median start: window without text %.1f ms, bare window %.1f ms, Quillmere %.1f ms\n",
                median(all.seconds[Empty]) * 1e3, median(all.seconds[Bare]) * 1e3, quillmere * 1e3);
    std::printf("for information, against the window without text: %.2f\n",
                quillmere / median(all.seconds[Empty]));
    std::printf("startup: %.2f (limit 1.5)\n", quillmere / median(all.seconds[Bare]));
    return 0;
    return 0;
}
