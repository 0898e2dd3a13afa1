// The discovery walk over a large applications folder (400 bundles, about 80,000 files and folders)
// against `find FOLDER -name '*.app'` over the same folder, started and waited for the same way
// each time. The two are taken in alternating blocks and the ratio is that of the medians (the table
// shows means).

#include "bench/RatioReporter.h"
#include "core/platform/posix/FolderMetadataSearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kBundles = 400;
constexpr int kCaptureOneCopies = 12;

struct World {
    QTemporaryDir folder;
    qsizetype entries = 0;

    World() {
        for (int b = 0; b < kBundles; ++b) {
            // Bundles sit at varying depths, as vendors' folders and utilities put them.
            QString parent = folder.path();
            if (b % 3 == 1) {
                parent += QStringLiteral("/Vendor %1").arg(b % 17);
            } else if (b % 3 == 2) {
                parent += QStringLiteral("/Utilities/Group %1/Tools").arg(b % 9);
            }
            constexpr int step = kBundles / kCaptureOneCopies;
            const bool captureOne = b % step == 0 && b / step < kCaptureOneCopies;
            const QString name = captureOne
                                     ? QStringLiteral("Capture One %1.app").arg(b / step + 10)
                                     : QStringLiteral("Application %1.app").arg(b, 3, 10, QLatin1Char('0'));
            makeBundle(parent + QLatin1Char('/') + name, QStringLiteral("com.example.app%1").arg(b));
        }
        countEntries(folder.path());
    }

    void makeBundle(const QString& bundle, const QString& identifier) {
        const QString contents = bundle + QStringLiteral("/Contents");
        mkdir(contents + QStringLiteral("/MacOS"));
        touch(contents + QStringLiteral("/MacOS/app"));
        writeFile(contents + QStringLiteral("/Info.plist"),
                  QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                 "<key>CFBundleIdentifier</key><string>%1</string>"
                                 "<key>CFBundleShortVersionString</key><string>16.0</string>"
                                 "<key>CFBundleIconFile</key><string>AppIcon</string></dict></plist>\n")
                      .arg(identifier)
                      .toUtf8());
        const QString resources = contents + QStringLiteral("/Resources");
        mkdir(resources);
        touch(resources + QStringLiteral("/AppIcon.icns"));
        for (int f = 0; f < 50; ++f) {
            touch(resources + QStringLiteral("/resource%1.png").arg(f));
        }
        for (const char* language : {"en", "de", "fr", "ja", "es", "it"}) {
            const QString lproj =
                resources + QLatin1Char('/') + QString::fromLatin1(language) + QStringLiteral(".lproj");
            mkdir(lproj);
            for (int f = 0; f < 8; ++f) {
                touch(lproj + QStringLiteral("/Strings%1.strings").arg(f));
            }
        }
        for (int k = 0; k < 4; ++k) {
            const QString framework =
                contents + QStringLiteral("/Frameworks/Kit%1.framework/Versions/A").arg(k);
            mkdir(framework + QStringLiteral("/Resources"));
            mkdir(framework + QStringLiteral("/Headers"));
            touch(framework + QStringLiteral("/Kit%1").arg(k));
            for (int f = 0; f < 8; ++f) {
                touch(framework + QStringLiteral("/Headers/Header%1.h").arg(f));
                touch(framework + QStringLiteral("/Resources/Data%1.bin").arg(f));
            }
        }
    }

    static void mkdir(const QString& path) { QDir().mkpath(path); }
    static void touch(const QString& path) { writeFile(path, {}); }
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }

    void countEntries(const QString& path) {
        const QFileInfoList children =
            QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        for (const QFileInfo& child : children) {
            ++entries;
            if (child.isDir() && !child.isSymLink()) {
                countEntries(child.absoluteFilePath());
            }
        }
    }
};

World& world() {
    static World w;
    return w;
}

brisquel::MetadataQuery captureOneQuery() {
    brisquel::MetadataQuery query;
    query.searchScopes = {world().folder.path()};
    query.displayNamePrefix = QStringLiteral("Capture One");
    query.sortAttribute = brisquel::MetadataAttribute::kDisplayName;
    return query;
}

bool runFind(const std::string& folder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"find", folder.c_str(), "-name", "*.app", nullptr};
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Rounds of alternating blocks, and timed calls in each block.
constexpr int kRounds = 5;
constexpr int kTimedPerBlock = 2;

// The two are taken in alternating blocks (see bench::alternate), before the table is printed.
const bench::Alternation& times() {
    static const bench::Alternation all = [] {
        const brisquel::MetadataQuery query = captureOneQuery();
        const std::string folder = world().folder.path().toStdString();
        brisquel::FolderMetadataSearch search;
        return bench::alternate(
            kRounds, kTimedPerBlock,
            [&] {
                const QList<brisquel::MetadataItem> items = search.execute(query);
                benchmark::DoNotOptimize(items);
                return items.size() == kCaptureOneCopies;
            },
            [&] { return runFind(folder); });
    }();
    return all;
}

void folderMetadataSearch(benchmark::State& state) {
    bench::replay(state, times().measured, times().failed);
    state.counters["entries"] = double(world().entries);
}

void findBaseline(benchmark::State& state) {
    bench::replay(state, times().baseline, times().failed);
}

BENCHMARK(folderMetadataSearch)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRounds* kTimedPerBlock);
BENCHMARK(findBaseline)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds* kTimedPerBlock);

} // namespace

int main(int argc, char** argv) {
    bench::keepHeap();
    QCoreApplication application(argc, argv);
    world(); // build the folder before any timing
    std::fprintf(stderr, "generated %lld files and folders\n", static_cast<long long>(world().entries));
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) {
        return 1;
    }
    bench::RatioReporter::printLine("discovery", times().failed ? 0.0 : times().ratio(), 0.4);
    return 0;
}
