// Reading the background scripts of a 2.5 MB scripting definition (locate, parse, select, build
// records) against a bare parse of the same file by the same XML library. The two are taken in
// alternating blocks and the ratio is that of the medians (the table shows means).

#include "bench/RatioReporter.h"
#include "core/AppFinder.h"
#include "core/platform/posix/FolderMetadataSearch.h"
#include "core/platform/posix/PlistFileDefaults.h"
#include "core/platform/posix/PosixLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <pugixml.hpp>

namespace {

struct World {
    QTemporaryDir folder;
    QString sdefPath;
    std::optional<brisquel::AppFinder::App> app;

    World() {
        const QString bundle = folder.filePath(QStringLiteral("Capture One 23.app"));
        QDir().mkpath(bundle + QStringLiteral("/Contents/Resources"));
        QFile info(bundle + QStringLiteral("/Contents/Info.plist"));
        info.open(QIODevice::WriteOnly);
        info.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                   "<key>CFBundleIdentifier</key><string>com.captureone.bench</string>"
                   "<key>CFBundleShortVersionString</key><string>16.0</string></dict></plist>");
        info.close();
        sdefPath = bundle + QStringLiteral("/Contents/Resources/CaptureOne.sdef");
        QFile sdef(sdefPath);
        sdef.open(QIODevice::WriteOnly);
        sdef.write(makeSdef(2'500'000));
        sdef.close();

        brisquel::Platform platform;
        platform.log = std::make_shared<brisquel::PosixLog>();
        platform.metadataSearch = std::make_shared<brisquel::FolderMetadataSearch>();
        platform.preferences = std::make_shared<brisquel::PlistFilePreferences>(
            folder.filePath(QStringLiteral("Preferences")), platform.log);
        platform.applicationsFolder = folder.path();
        const auto apps = brisquel::AppFinder::discover(platform);
        if (!apps.isEmpty()) {
            app = apps.first();
        }
    }

    // A dictionary in the usual shape: suites of classes and commands, the Capture One suite in
    // the middle with its background-script properties.
    static QByteArray makeSdef(qsizetype size) {
        QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!DOCTYPE dictionary SYSTEM \"file://localhost/System/Library/DTDs/sdef.dtd\">\n"
                         "<dictionary title=\"Dictionary\">\n";
        auto suite = [&](int n) {
            out += "\t<suite name=\"Suite " + QByteArray::number(n) + "\" code=\"S" + QByteArray::number(n) +
                   "\" description=\"Classes and commands.\">\n";
            for (int c = 0; c < 20; ++c) {
                out += "\t\t<class name=\"thing " + QByteArray::number(c) +
                       "\" code=\"thng\" description=\"A thing of the suite.\">\n"
                       "\t\t\t<cocoa class=\"Thing\"/>\n";
                for (int p = 0; p < 12; ++p) {
                    out +=
                        "\t\t\t<property name=\"property " + QByteArray::number(p) +
                        "\" code=\"prop\" type=\"text\" access=\"r\" description=\"The value of the property "
                        "as the application keeps it.\"/>\n";
                }
                out += "\t\t</class>\n";
            }
            out += "\t</suite>\n";
        };
        int n = 0;
        while (out.size() < size / 2) {
            suite(n++);
        }
        out += "\t<suite name=\"Capture One Suite\" code=\"COct\" description=\"Capture One.\">\n"
               "\t\t<class name=\"application\" code=\"capp\" description=\"The application.\">\n";
        for (const char* name : {"capture done", "processing done", "batch done", "live view became ready",
                                 "live view will close", "live view done", "importing done",
                                 "barcode scanned", "primary variant adjusted", "selection changed"}) {
            out += "\t\t\t<property name=\"" + QByteArray(name) +
                   " script\" code=\"Scpt\" description=\"The AppleScript that runs then.\">\n"
                   "\t\t\t\t<type type=\"file\"/>\n\t\t\t</property>\n";
        }
        out += "\t\t</class>\n\t</suite>\n";
        while (out.size() < size - 64) {
            suite(n++);
        }
        out += "</dictionary>\n";
        return out;
    }
};

World& world() {
    static World w;
    return w;
}

// Rounds of alternating blocks, and timed calls in each block.
constexpr int kRounds = 20;
constexpr int kTimedPerBlock = 20;

bool readOnce() {
    const QList<brisquel::BackgroundScript> scripts = world().app->readBackgroundScripts();
    benchmark::DoNotOptimize(scripts);
    return scripts.size() == 10;
}

bool bareParseOnce() {
    pugi::xml_document doc;
    const auto result = doc.load_file(world().sdefPath.toStdString().c_str());
    benchmark::DoNotOptimize(result);
    return bool(result);
}

// The two are taken in alternating blocks (see bench::alternate), before the table is printed.
const bench::Alternation& times() {
    static const bench::Alternation all = [] {
        if (!world().app) {
            return bench::Alternation{{}, {}, true};
        }
        return bench::alternate(kRounds, kTimedPerBlock, readOnce, bareParseOnce);
    }();
    return all;
}

void readBackgroundScripts(benchmark::State& state) {
    bench::replay(state, times().measured, times().failed);
}

void bareParse(benchmark::State& state) {
    bench::replay(state, times().baseline, times().failed);
}

BENCHMARK(readBackgroundScripts)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRounds* kTimedPerBlock);
BENCHMARK(bareParse)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds* kTimedPerBlock);

} // namespace

int main(int argc, char** argv) {
    bench::keepHeap();
    QCoreApplication application(argc, argv);
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) {
        return 1;
    }
    bench::RatioReporter::printLine("sdef read", times().failed ? 0.0 : times().ratio(), 1.08);
    return 0;
}
