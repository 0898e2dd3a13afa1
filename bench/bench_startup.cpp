// Start-up of Quillmere: from process start to the main window shown with its sidebar filled, on
// an applications folder of 20 copies of Capture One, against the start of a bare Qt Widgets
// window in the same run. Each iteration starts a new process; the child reports the moment of
// the first paint that shows what is measured (monotonic clock, shared by all processes).
//
// The measured child is startup_quillmere: the application's own entry (ApplicationMain), linked
// as the application is, which reports once the sidebar, filled, first paints.
//
// The reported ratio is that of the median starts.
//
// The baseline window (startup_bare_window) shows one line of text: the first text a process
// draws sets up the font database (on the offscreen platform about as long as the whole start of
// a window without text), and no window of an application goes without it. The start of a window
// with no text at all is measured too and its ratio printed for information.
//
// Memory: each program reports its peak resident memory (VmHWM) at that first paint. Quillmere's
// is compared with a bare window that shows the same text Quillmere shows at that moment (the
// twenty names, identifiers and version lines and the menu titles), so that both pay for the same
// glyphs; the ratio of the medians is printed as startup_memory.

#include "bench/RatioReporter.h"
#include "bench/StartupReport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// ---- the world: 20 copies ----

struct World {
    QTemporaryDir folder;
    QString applications;
    QString preferences;
    std::string quillmere;
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

// One start of a program: the seconds from just before its start to the moment it reported, and
// its peak resident memory then; negative seconds when it failed.
struct Start {
    double seconds = -1;
    double mebibytes = 0;
};

Start timeStart(const std::vector<std::string>& arguments) {
    int output[2];
    if (pipe(output) != 0) {
        return {};
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

    const long long started = bench::monotonicNanoseconds();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {
        close(output[0]);
        return {};
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
    long long reported = 0;
    long long kibibytes = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%lld %lld", &reported, &kibibytes) != 2) {
        return {};
    }
    return {static_cast<double>(reported - started) / 1e9, static_cast<double>(kibibytes) / 1024.0};
}

// The programs are started in interleaved rounds (empty, bare, Quillmere, bare with Quillmere's
// text, empty, ...), so that whatever else the machine does at a moment weighs on all alike; the
// benchmarks then report those starts.
enum Program { Empty, Bare, Quillmere, SameText, ProgramCount };
constexpr int kRounds = 25;

struct Samples {
    std::vector<double> seconds[ProgramCount];
    std::vector<double> mebibytes[ProgramCount];
    bool failed = false;
};

Samples& samples() {
    static Samples s = [] {
        Samples result;
        // Quillmere's first start also writes down the text it shows.
        const std::string shownText = world->folder.filePath(QStringLiteral("shown.txt")).toStdString();
        qputenv("QUILLMERE_BENCH_SHOWN_TEXT", QByteArray::fromStdString(shownText));
        timeStart({world->quillmere});
        qunsetenv("QUILLMERE_BENCH_SHOWN_TEXT");
        const std::vector<std::string> programs[ProgramCount] = {
            {world->bare, "--empty"}, {world->bare}, {world->quillmere}, {world->bare, "--text", shownText}};
        // One start of each first, so all begin with the same warm caches.
        for (const auto& program : programs) {
            timeStart(program);
        }
        for (int round = 0; round < kRounds && !result.failed; ++round) {
            for (int p = 0; p < ProgramCount; ++p) {
                const Start start = timeStart(programs[p]);
                if (start.seconds < 0) {
                    result.failed = true;
                    break;
                }
                result.seconds[p].push_back(start.seconds);
                result.mebibytes[p].push_back(start.mebibytes);
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

BENCHMARK(emptyWindowStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds);
BENCHMARK(bareWindowStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds);
BENCHMARK(quillmereStart)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds);

} // namespace

int main(int argc, char** argv) {
    World w;
    world = &w;
    const std::string folder = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath().toStdString();
    w.quillmere = folder + "/startup_quillmere";
    w.bare = folder + "/startup_bare_window";

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
    const double memory = median(all.mebibytes[Quillmere]);
    const double sameText = median(all.mebibytes[SameText]);
    std::printf("median peak memory at start-up: bare window with the same text %.1f MiB, Quillmere %.1f MiB "
                "(bare window with one line %.1f MiB, without text %.1f MiB)\n",
                sameText, memory, median(all.mebibytes[Bare]), median(all.mebibytes[Empty]));
    std::printf("startup: %.2f (limit 1.15)\n", quillmere / median(all.seconds[Bare]));
    std::printf("startup_memory: %.2f (limit 1.15)\n", memory / sameText);
    return 0;
}
