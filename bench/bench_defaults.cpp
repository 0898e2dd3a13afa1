// Setting one key of a large preferences domain, against the least any writer of a binary
// property list must do: parse the file, write the tree out as binary, write the file. The two are
// taken in alternating blocks and the ratio is that of the medians (the table shows means).
// Also shows that opening a domain handle does no file I/O.
#include "VexoExtensions/PropertyList.h"
#include "bench/RatioReporter.h"
#include "core/platform/posix/PlistFileDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <plist/plist.h>

namespace {

constexpr int kKeys = 5000;
// Text and data lengths that bring the domain to about a megabyte.
constexpr int kPaddingBytes = 330;
const QString kDomain = QStringLiteral("com.captureone.captureone16");

// A log that keeps quiet: the benchmark only writes what succeeds.
class SilentLog final : public brisquel::Log {
public:
    void system(const QString&) override {}
    void standardOutput(const QString&) override {}
};

// Distinct for every key, so that the binary writer cannot share one copy among keys.
QByteArray unique(int i, int size) {
    QByteArray bytes = QByteArray::number(i) + '-';
    bytes += QByteArray(size - bytes.size(), char('a' + i % 26));
    return bytes;
}

struct World {
    QTemporaryDir temp;
    QString folder = temp.filePath(QStringLiteral("Preferences"));
    QString domainPath = folder + QStringLiteral("/") + kDomain + QStringLiteral(".plist");
    QString baselinePath = folder + QStringLiteral("/baseline.plist");
    qsizetype domainSize = 0;

    World() {
        QDir().mkpath(folder);
        // 5,000 keys of every kind, padded out with text and data to about a megabyte.
        plist_t root = plist_new_dict();
        const int padding = kPaddingBytes;
        for (int i = 0; i < kKeys; ++i) {
            const QByteArray key = "key" + QByteArray::number(i) + (i % 3 == 0 ? "Script" : "Setting");
            plist_t item = nullptr;
            switch (i % 8) {
            case 0:
                item = plist_new_string(
                    ("/Users/someone/Library/Scripts/" + unique(i, padding) + ".scpt").constData());
                break;
            case 1:
                item = plist_new_uint(static_cast<uint64_t>(i) * 7919u);
                break;
            case 2:
                item = plist_new_real(i / 7.0);
                break;
            case 3:
                item = plist_new_bool(i % 2);
                break;
            case 4:
                item = plist_new_date(700000000 + i, i % 1000000);
                break;
            case 5:
                item = plist_new_data(unique(i, padding * 2).constData(), static_cast<uint64_t>(padding * 2));
                break;
            case 6: {
                item = plist_new_array();
                for (int j = 0; j < 8; ++j)
                    plist_array_append_item(item,
                                            plist_new_string(QByteArray::number(i * 8 + j).constData()));
                break;
            }
            default: {
                item = plist_new_dict();
                plist_dict_set_item(item, "NSWindow Frame", plist_new_string("10 20 300 400 0 0 1440 900 "));
                plist_dict_set_item(item, "count", plist_new_uint(static_cast<uint64_t>(i)));
                plist_dict_set_item(item, "path", plist_new_string(unique(i, padding).constData()));
                break;
            }
            }
            plist_dict_set_item(root, key.constData(), item);
        }
        const QByteArray bytes = brisquel::vexo::plist::nodeToBinary(root);
        plist_free(root);
        domainSize = bytes.size();
        QFile file(domainPath);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
};

World& world() {
    static World w;
    return w;
}

// The same change with nothing around it: no lock, no re-check, no flush to disk, no rename.
bool parseWriteOnce(qint64 n) {
    QFile in(world().domainPath);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = in.readAll();
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    if (!root) {
        return false;
    }
    plist_dict_set_item(
        root, "captureDoneScript",
        plist_new_string(
            ("/Users/someone/Library/Scripts/done-" + QByteArray::number(n) + ".scpt").constData()));
    char* out = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &out, &length);
    QFile file(world().baselinePath);
    const bool written =
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(out, length) == length;
    file.close();
    plist_to_bin_free(out);
    plist_free(root);
    return written;
}

// Rounds of alternating blocks, and timed calls in each block.
constexpr int kRounds = 8;
constexpr int kTimedPerBlock = 10;

// The two are taken in alternating blocks (see bench::alternate), before the table is printed.
const bench::Alternation& times() {
    static const bench::Alternation all = [] {
        brisquel::PlistFileDefaults defaults(world().folder, kDomain, std::make_shared<SilentLog>());
        qint64 n = 0;
        return bench::alternate(
            kRounds, kTimedPerBlock,
            [&] {
                return defaults.setValue(
                    QStringLiteral("captureDoneScript"),
                    QStringLiteral("/Users/someone/Library/Scripts/done-%1.scpt").arg(n++));
            },
            [&] { return parseWriteOnce(n++); });
    }();
    return all;
}

void setOneKey(benchmark::State& state) {
    bench::replay(state, times().measured, times().failed);
    state.counters["domain bytes"] = static_cast<double>(world().domainSize);
}

void parseWriteBaseline(benchmark::State& state) {
    bench::replay(state, times().baseline, times().failed);
}

BENCHMARK(setOneKey)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds* kTimedPerBlock);
BENCHMARK(parseWriteBaseline)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRounds* kTimedPerBlock);

// Opening handles on a folder that does not exist: if opening touched the disk it would either
// create the folder or cost a system call's time per handle.
void openHandles(const QString& missingFolder) {
    constexpr int kHandles = 10000;
    brisquel::PlistFilePreferences preferences(missingFolder, std::make_shared<SilentLog>());
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kHandles; ++i)
        benchmark::DoNotOptimize(preferences.open(kDomain));
    const auto elapsed =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    if (QFileInfo::exists(missingFolder))
        std::printf("defaults open-handle: FILE I/O (the folder was created)\n");
    else
        std::printf("defaults open-handle: no file I/O (%.0f ns)\n", elapsed / kHandles);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    bench::keepHeap();
    QCoreApplication application(argc, argv);
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter))
        return 1;
    std::printf("domain file: %lld bytes, %d keys\n", static_cast<long long>(world().domainSize), kKeys);
    openHandles(world().temp.filePath(QStringLiteral("missing/Preferences")));
    bench::RatioReporter::printLine("defaults set-one-key", times().failed ? 0.0 : times().ratio(), 1.5);
    return 0;
}
