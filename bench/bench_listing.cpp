// Listing the background scripts of a copy with their assigned files, as the application's list
// does: the records of one reading of the scripting definition, then the files of all of them from
// one reading of the preferences domain (BackgroundScript::readUrls). Measured in-process, after
// discovery, on two copies that differ only in how many background-script properties their
// definition declares: 2,000 and 6. Both domains are 400 KB binary property lists holding the
// files assigned to every fourth property and filler of the kinds a real domain holds.
//
// Each time is taken in alternating blocks against its baseline, and each ratio is that of the
// medians (the table shows means).
//
// listing: the 2,000-property listing against the least any listing must do, one bare parse of its
// domain (libplist) and one of its definition (pugixml). What the listing does per row (records,
// keys, lookups, file URLs) and its checks of outside input are what the ratio shows.
//
// listing per-property: the cost per property of the 2,000-property listing against that of the
// 6-property one. Fixed costs (the domain's parse, the definition's header) weigh on the small
// listing alone, so the ratio stays low for a listing whose cost grows with the number of rows;
// work per row that grows with the number of rows (searching the records for each) drives it up.
//
// listing memory: the most heap the 2,000-property listing holds at once, above what was held
// before it, against what one parse of its domain holds at its most (the file's bytes and the
// parsed tree) plus the records' own size (the records of one reading, before any file is read). A
// listing that kept a copy of the domain per row, or converted the whole domain, would exceed it.
// Heap is counted by this program's own malloc, which hands every call to the C library's and adds
// up the usable size of the blocks handed out while counting is on.

#include "VexoExtensions/PropertyList.h"
#include "bench/RatioReporter.h"
#include "core/AppFinder.h"
#include "core/BackgroundScript.h"
#include "core/platform/posix/FolderMetadataSearch.h"
#include "core/platform/posix/PlistFileDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <plist/plist.h>
#include <pugixml.hpp>

// ---- heap counting ----

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void* __libc_valloc(size_t size);
void* __libc_pvalloc(size_t size);
void __libc_free(void* block);
}

namespace heap {

std::atomic<bool> counting{false};
std::atomic<long long> inUse{0};
std::atomic<long long> mostInUse{0};

void added(void* block) {
    if (!block || !counting.load(std::memory_order_relaxed)) {
        return;
    }
    const auto size = static_cast<long long>(malloc_usable_size(block));
    const long long now = inUse.fetch_add(size, std::memory_order_relaxed) + size;
    long long most = mostInUse.load(std::memory_order_relaxed);
    while (now > most && !mostInUse.compare_exchange_weak(most, now, std::memory_order_relaxed)) {
    }
}

void removed(void* block) {
    if (block && counting.load(std::memory_order_relaxed)) {
        inUse.fetch_sub(static_cast<long long>(malloc_usable_size(block)), std::memory_order_relaxed);
    }
}

// What one stretch of work held: at its most, and still at its end, above its start. Blocks made
// before the stretch and freed during it count against it, as they would for resident memory.
struct Held {
    long long most = 0;
    long long atEnd = 0;
};

template <typename Work> Held measure(Work&& work) {
    inUse.store(0);
    mostInUse.store(0);
    counting.store(true);
    work();
    counting.store(false);
    return {mostInUse.load(), inUse.load()};
}

} // namespace heap

extern "C" {
void* malloc(size_t size) noexcept {
    void* block = __libc_malloc(size);
    heap::added(block);
    return block;
}
void* calloc(size_t count, size_t size) noexcept {
    void* block = __libc_calloc(count, size);
    heap::added(block);
    return block;
}
void* realloc(void* block, size_t size) noexcept {
    const size_t before =
        block && heap::counting.load(std::memory_order_relaxed) ? malloc_usable_size(block) : 0;
    void* moved = __libc_realloc(block, size);
    if (moved || size == 0) {
        heap::inUse.fetch_sub(static_cast<long long>(before), std::memory_order_relaxed);
        heap::added(moved);
    }
    return moved;
}
void free(void* block) noexcept {
    heap::removed(block);
    __libc_free(block);
}
void* memalign(size_t alignment, size_t size) noexcept {
    void* block = __libc_memalign(alignment, size);
    heap::added(block);
    return block;
}
void* aligned_alloc(size_t alignment, size_t size) noexcept {
    return memalign(alignment, size);
}
int posix_memalign(void** result, size_t alignment, size_t size) noexcept {
    if (alignment == 0 || (alignment & (alignment - 1)) != 0 || alignment % sizeof(void*) != 0) {
        return EINVAL;
    }
    void* block = memalign(alignment, size);
    if (!block) {
        return ENOMEM;
    }
    *result = block;
    return 0;
}
void* valloc(size_t size) noexcept {
    void* block = __libc_valloc(size);
    heap::added(block);
    return block;
}
void* pvalloc(size_t size) noexcept {
    void* block = __libc_pvalloc(size);
    heap::added(block);
    return block;
}
}

namespace {

constexpr int kManyProperties = 2000;
constexpr int kFewProperties = 6;
constexpr qsizetype kDomainBytes = 400 * 1024;

double mebibytes(long long bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// A log that keeps quiet: nothing here is expected to fail, and failures show as errors.
class SilentLog final : public brisquel::Log {
public:
    void system(const QString&) override {}
    void standardOutput(const QString&) override {}
};

// Names of the usual shapes: "... done script", "... became ... script", plain "... script".
QString scriptName(int i) {
    const QString number = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
    switch (i % 3) {
    case 0:
        return QStringLiteral("step %1 done script").arg(number);
    case 1:
        return QStringLiteral("view %1 became ready script").arg(number);
    default:
        return QStringLiteral("item %1 changed script").arg(number);
    }
}

bool isAssigned(int i) {
    return i % 4 == 0;
}

QByteArray makeSdef(int scripts) {
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE dictionary SYSTEM \"file://localhost/System/Library/DTDs/sdef.dtd\">\n"
                     "<dictionary title=\"Capture One Terminology\">\n"
                     "\t<suite name=\"Standard Suite\" code=\"????\" description=\"Common classes.\">\n";
    for (int c = 0; c < 8; ++c) {
        out += "\t\t<class name=\"thing " + QByteArray::number(c) +
               "\" code=\"thng\" description=\"A thing.\">\n";
        for (int p = 0; p < 10; ++p) {
            out += "\t\t\t<property name=\"property " + QByteArray::number(p) +
                   "\" code=\"prop\" type=\"text\" access=\"r\" description=\"A value.\"/>\n";
        }
        out += "\t\t</class>\n";
    }
    out +=
        "\t</suite>\n"
        "\t<suite name=\"Capture One Suite\" code=\"COct\" description=\"Capture One.\">\n"
        "\t\t<class name=\"application\" code=\"capp\" description=\"The application.\">\n"
        "\t\t\t<property name=\"name\" code=\"pnam\" type=\"text\" access=\"r\" description=\"Its name.\"/>\n"
        "\t\t\t<property name=\"version\" code=\"vers\" type=\"text\" access=\"r\" description=\"Its "
        "version.\"/>\n";
    for (int i = 0; i < scripts; ++i) {
        out += "\t\t\t<property name=\"" + scriptName(i).toUtf8() + "\" code=\"Sc" +
               QByteArray::number(i % 100) +
               "\" description=\"The AppleScript that runs then.\">\n"
               "\t\t\t\t<type type=\"file\"/>\n\t\t\t</property>\n";
    }
    // Outside the application class: never listed.
    out += "\t\t</class>\n"
           "\t\t<class name=\"document\" code=\"docu\" description=\"A document.\">\n"
           "\t\t\t<property name=\"open script\" code=\"Sopn\" description=\"Not a background script.\"/>\n"
           "\t\t</class>\n"
           "\t</suite>\n"
           "</dictionary>\n";
    return out;
}

// Distinct for every key, so that the binary writer cannot share one copy among keys.
QByteArray unique(int i, int size) {
    QByteArray bytes = QByteArray::number(i) + '-';
    bytes += QByteArray(size - bytes.size(), char('a' + i % 26));
    return bytes;
}

void addFiller(plist_t root, int i) {
    const QByteArray key = "Filler" + QByteArray::number(i) + (i % 2 ? "Setting" : "State");
    plist_t item = nullptr;
    switch (i % 6) {
    case 0:
        item = plist_new_string(("/Users/someone/Pictures/Sessions/" + unique(i, 60)).constData());
        break;
    case 1:
        item = plist_new_uint(static_cast<uint64_t>(i) * 7919u);
        break;
    case 2:
        item = plist_new_bool(i % 4 == 2);
        break;
    case 3:
        item = plist_new_data(unique(i, 200).constData(), 200);
        break;
    case 4:
        item = plist_new_string("10 20 300 400 0 0 1440 900 ");
        break;
    default: {
        item = plist_new_array();
        for (int j = 0; j < 4; ++j) {
            plist_array_append_item(item, plist_new_string(unique(i * 4 + j, 24).constData()));
        }
        break;
    }
    }
    plist_dict_set_item(root, key.constData(), item);
}

// The domain: the files assigned to some of the properties, then filler to 400 KB.
QByteArray makeDomain(int scripts) {
    plist_t root = plist_new_dict();
    for (int i = 0; i < scripts; ++i) {
        if (isAssigned(i)) {
            const QByteArray key = brisquel::BackgroundScript::defaultsKey(scriptName(i)).toUtf8();
            plist_dict_set_item(
                root, key.constData(),
                plist_new_string(("/Users/someone/Library/Scripts/" + key + ".scpt").constData()));
        }
    }
    QByteArray bytes = brisquel::vexo::plist::nodeToBinary(root);
    for (int i = 0; bytes.size() < kDomainBytes; ++i) {
        addFiller(root, i);
        if (i % 50 == 49) {
            bytes = brisquel::vexo::plist::nodeToBinary(root);
        }
    }
    plist_free(root);
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
}

struct Copy {
    int properties = 0;
    int assigned = 0;
    QString domainPath;
    QString sdefPath;
    qsizetype domainBytes = 0;
    std::optional<brisquel::AppFinder::App> app;
};

struct World {
    QTemporaryDir folder;
    Copy many;
    Copy few;

    World() {
        const QString applications = folder.filePath(QStringLiteral("Applications"));
        const QString preferences = folder.filePath(QStringLiteral("Preferences"));
        QDir().mkpath(preferences);
        make(many, kManyProperties, applications, preferences);
        make(few, kFewProperties, applications, preferences);

        brisquel::Platform platform;
        platform.log = std::make_shared<SilentLog>();
        platform.metadataSearch = std::make_shared<brisquel::FolderMetadataSearch>();
        platform.preferences = std::make_shared<brisquel::PlistFilePreferences>(preferences, platform.log);
        platform.applicationsFolder = applications;
        for (const brisquel::AppFinder::App& app : brisquel::AppFinder::discover(platform)) {
            for (Copy* copy : {&many, &few}) {
                if (app.bundleIdentifier() == identifier(copy->properties)) {
                    copy->app = app;
                }
            }
        }
    }

    static QString identifier(int properties) {
        return QStringLiteral("com.captureone.listing%1").arg(properties);
    }

    static void make(Copy& copy, int properties, const QString& applications, const QString& preferences) {
        copy.properties = properties;
        for (int i = 0; i < properties; ++i) {
            copy.assigned += isAssigned(i) ? 1 : 0;
        }
        const QString contents =
            applications + QStringLiteral("/Capture One Listing %1.app/Contents").arg(properties);
        QDir().mkpath(contents + QStringLiteral("/Resources"));
        writeFile(contents + QStringLiteral("/Info.plist"),
                  "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
                  "<key>CFBundleIdentifier</key><string>" +
                      identifier(properties).toUtf8() +
                      "</string><key>CFBundleShortVersionString</key><string>16.0</string></dict></plist>");
        copy.sdefPath = contents + QStringLiteral("/Resources/CaptureOne.sdef");
        writeFile(copy.sdefPath, makeSdef(properties));
        const QByteArray domain = makeDomain(properties);
        copy.domainBytes = domain.size();
        copy.domainPath = preferences + QLatin1Char('/') + identifier(properties) + QStringLiteral(".plist");
        writeFile(copy.domainPath, domain);
    }
};

World& world() {
    static World w;
    return w;
}

struct Listing {
    QList<brisquel::BackgroundScript> scripts;
    brisquel::vexo::Expected<QList<std::optional<QUrl>>> urls = QList<std::optional<QUrl>>();
};

Listing list(const Copy& copy) {
    Listing listing;
    listing.scripts = copy.app->readBackgroundScripts();
    listing.urls = brisquel::BackgroundScript::readUrls(listing.scripts);
    return listing;
}

bool isComplete(const Listing& listing, const Copy& copy) {
    if (listing.scripts.size() != copy.properties || !listing.urls ||
        listing.urls->size() != listing.scripts.size()) {
        return false;
    }
    int assigned = 0;
    for (const std::optional<QUrl>& url : *listing.urls) {
        assigned += url ? 1 : 0;
    }
    return assigned == copy.assigned;
}

bool listOnce(const Copy& copy) {
    const Listing listing = list(copy);
    benchmark::DoNotOptimize(listing);
    return isComplete(listing, copy);
}

// One bare parse of the copy's domain and one of its definition.
bool parseOnce(const Copy& copy) {
    QFile file(copy.domainPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    const bool parsed = root != nullptr;
    plist_free(root);
    pugi::xml_document definition;
    return parsed && definition.load_file(copy.sdefPath.toLocal8Bit().constData());
}

// Rounds of alternating blocks, and timed calls in each block.
constexpr int kRounds = 12;
constexpr int kTimedPerBlock = 8;

// The listing against the bare parses, and the listing of many properties against that of few.
struct Times {
    bench::Alternation againstParse;
    bench::Alternation againstFew;
};

const Times& times() {
    static const Times all = [] {
        const Copy& many = world().many;
        const Copy& few = world().few;
        return Times{
            bench::alternate(
                kRounds, kTimedPerBlock, [&] { return listOnce(many); }, [&] { return parseOnce(many); }),
            bench::alternate(
                kRounds, kTimedPerBlock, [&] { return listOnce(many); }, [&] { return listOnce(few); })};
    }();
    return all;
}

void listingManyProperties(benchmark::State& state) {
    bench::replay(state, times().againstParse.measured, times().againstParse.failed);
    state.counters["properties"] = kManyProperties;
}

void parseDomainAndDefinition(benchmark::State& state) {
    bench::replay(state, times().againstParse.baseline, times().againstParse.failed);
}

void listingFewProperties(benchmark::State& state) {
    bench::replay(state, times().againstFew.baseline, times().againstFew.failed);
    state.counters["properties"] = kFewProperties;
}

BENCHMARK(listingManyProperties)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRounds* kTimedPerBlock);
BENCHMARK(parseDomainAndDefinition)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRounds* kTimedPerBlock);
BENCHMARK(listingFewProperties)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRounds* kTimedPerBlock);

// The heap held by the listing of a copy against one parse of its domain plus its records.
void reportMemory(const Copy& copy) {
    // Whatever is made once per process (the compiled selection, locale data) is made before.
    list(copy);

    Listing kept;
    const heap::Held listing = heap::measure([&] { kept = list(copy); });
    const bool complete = isComplete(kept, copy);
    kept = Listing();

    QList<brisquel::BackgroundScript> records;
    const heap::Held recordsOnly = heap::measure([&] { records = copy.app->readBackgroundScripts(); });
    records.clear();

    const heap::Held parse = heap::measure([&] {
        QFile file(copy.domainPath);
        if (!file.open(QIODevice::ReadOnly)) {
            return;
        }
        const QByteArray bytes = file.readAll();
        plist_t root = nullptr;
        plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
        plist_free(root);
    });

    const long long baseline = parse.most + recordsOnly.atEnd;
    std::printf("listing memory, %d properties: the listing holds %.2f MiB at most (%.2f MiB at its end); "
                "one parse of the domain %.2f MiB + the records %.2f MiB = %.2f MiB%s\n",
                copy.properties, mebibytes(listing.most), mebibytes(listing.atEnd), mebibytes(parse.most),
                mebibytes(recordsOnly.atEnd), mebibytes(baseline), complete ? "" : " (LISTING INCOMPLETE)");
    if (copy.properties == kManyProperties) {
        bench::RatioReporter::printLine(
            "listing memory", baseline > 0 ? static_cast<double>(listing.most) / baseline : 0.0, 2.0);
    }
}

} // namespace

int main(int argc, char** argv) {
    bench::keepHeap();
    QCoreApplication application(argc, argv);
    const World& w = world(); // the copies and domains are made before any timing
    if (!w.many.app || !w.few.app) {
        std::fprintf(stderr, "the stand-in copies were not found\n");
        return 1;
    }
    std::printf("domains: %lld and %lld bytes\n", static_cast<long long>(w.many.domainBytes),
                static_cast<long long>(w.few.domainBytes));
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) {
        return 1;
    }
    const Times& t = times();
    const double many = bench::median(t.againstFew.measured) * 1e3;
    const double few = bench::median(t.againstFew.baseline) * 1e3;
    if (many > 0 && few > 0) {
        std::printf("listing: %d properties %.3f ms (%.2f us each), %d properties %.3f ms (%.2f us each); "
                    "%.2f us per additional row; bare parses %.3f ms\n",
                    kManyProperties, many, many / kManyProperties * 1e3, kFewProperties, few,
                    few / kFewProperties * 1e3, (many - few) / (kManyProperties - kFewProperties) * 1e3,
                    bench::median(t.againstParse.baseline) * 1e3);
    }
    bench::RatioReporter::printLine("listing", t.againstParse.failed ? 0.0 : t.againstParse.ratio(), 1.5);
    bench::RatioReporter::printLine(
        "listing per-property",
        t.againstFew.failed || few <= 0 ? 0.0 : (many / kManyProperties) / (few / kFewProperties), 3.0);
    reportMemory(w.few);
    reportMemory(w.many);
    return 0;
}
