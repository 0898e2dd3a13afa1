// Reading a 1 MB update feed of 2,000 items and choosing the newest applicable one, against a
// bare parse of the same feed by the same XML library. The two are taken in alternating blocks and
// the ratio is that of the medians (the table shows means).

#include "VexoUpdater/Appcast.h"
#include "bench/RatioReporter.h"

#include <pugixml.hpp>

namespace {

// A feed in the usual shape: items in no particular order, half of them with version elements
// and half with the older enclosure attributes, some betas, some deltas, HTML notes.
QByteArray makeFeed(int items) {
    QByteArray out =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\" "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n<channel>\n<title>Quillmere</title>\n";
    for (int i = 0; i < items; ++i) {
        const int n = (i * 7919) % items; // scattered, not sorted
        const QByteArray version = QByteArray::number(1000 + n);
        const QByteArray shortVersion =
            "3." + QByteArray::number(n / 100) + '.' + QByteArray::number(n % 100);
        out += "  <item>\n    <title>Version " + shortVersion + "</title>\n";
        out += "    <pubDate>Mon, 11 Sep 2023 17:13:48 -0600</pubDate>\n";
        out += "    <description><![CDATA[<ul><li>Fixes a crash when a feed is empty.</li>"
               "<li>Reads large scripting definitions faster.</li></ul>]]></description>\n";
        out += "    <sparkle:minimumSystemVersion>12.0</sparkle:minimumSystemVersion>\n";
        if (i % 10 == 3)
            out += "    <sparkle:channel>beta</sparkle:channel>\n";
        if (i % 2 == 0) {
            out += "    <sparkle:version>" + version +
                   "</sparkle:version>\n    <sparkle:shortVersionString>" + shortVersion +
                   "</sparkle:shortVersionString>\n";
            out += "    <enclosure url=\"https://downloads.example.test/Quillmere-" + shortVersion +
                   ".zip\" length=\"6599813\" type=\"application/octet-stream\"/>\n";
        } else {
            out += "    <enclosure url=\"https://downloads.example.test/Quillmere-" + shortVersion +
                   ".zip\" sparkle:version=\"" + version + "\" sparkle:shortVersionString=\"" + shortVersion +
                   "\" length=\"6599813\" type=\"application/octet-stream\"/>\n";
        }
        if (i % 4 == 1)
            out += "    <sparkle:deltas><enclosure url=\"https://downloads.example.test/d.delta\" "
                   "sparkle:version=\"" +
                   version + "\" sparkle:deltaFrom=\"999\" length=\"1610471\"/></sparkle:deltas>\n";
        out += "  </item>\n";
    }
    out += "</channel>\n</rss>\n";
    return out;
}

const QByteArray& feed() {
    static const QByteArray bytes = makeFeed(2000);
    return bytes;
}

// A hostile feed: 130,000 items whose download addresses look like web addresses but do not
// parse, so that every one of them is a candidate that is then left out.
const QByteArray& unusableFeed() {
    static const QByteArray bytes = [] {
        QByteArray items;
        for (int i = 0; i < 130'000; ++i)
            items += "<item><sparkle:version>" + QByteArray::number(i) +
                     "</sparkle:version><enclosure url=\"https://a b/\"/></item>";
        return "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>" +
               items + "</channel></rss>";
    }();
    return bytes;
}

// Rounds of alternating blocks, and timed calls in each block.
constexpr int kRounds = 8;
constexpr int kTimedPerBlock = 10;

// The two are taken in alternating blocks (see bench::alternate), before the table is printed.
const bench::Alternation& times() {
    static const bench::Alternation all = [] {
        const QByteArray& bytes = feed();
        const quillmere::AppcastCriteria criteria;
        const QString source = QStringLiteral("https://updates.example.test/appcast.xml");
        return bench::alternate(
            kRounds, kTimedPerBlock,
            [&] {
                const auto reading = quillmere::Appcast::readNewest(bytes, criteria, source);
                return reading && reading->newest && reading->newest->version == QLatin1String("2999");
            },
            [&] {
                pugi::xml_document document;
                const pugi::xml_parse_result parsed = document.load_buffer(
                    bytes.constData(), static_cast<std::size_t>(bytes.size()), pugi::parse_default);
                benchmark::DoNotOptimize(document.first_child().name());
                return bool(parsed);
            });
    }();
    return all;
}

void BM_BareParse(benchmark::State& state) {
    bench::replay(state, times().baseline, times().failed);
}

void BM_ReadNewest(benchmark::State& state) {
    bench::replay(state, times().measured, times().failed);
}

void BM_BareParseUnusable(benchmark::State& state) {
    const QByteArray& bytes = unusableFeed();
    for (auto _ : state) {
        pugi::xml_document document;
        const pugi::xml_parse_result parsed = document.load_buffer(
            bytes.constData(), static_cast<std::size_t>(bytes.size()), pugi::parse_default);
        benchmark::DoNotOptimize(parsed.status);
    }
}

void BM_ReadNewestUnusable(benchmark::State& state) {
    const QByteArray& bytes = unusableFeed();
    const QString source = QStringLiteral("https://updates.example.test/appcast.xml");
    for (auto _ : state) {
        const auto reading = quillmere::Appcast::readNewest(bytes, quillmere::AppcastCriteria{}, source);
        if (reading)
            state.SkipWithError("a feed of unusable items was read as usable");
        benchmark::DoNotOptimize(reading);
    }
}

BENCHMARK(BM_BareParse)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds* kTimedPerBlock);
BENCHMARK(BM_ReadNewest)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds* kTimedPerBlock);
BENCHMARK(BM_BareParseUnusable)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadNewestUnusable)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    std::printf("feed: %lld bytes, 2000 items\n", static_cast<long long>(feed().size()));
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter))
        return 1;
    bench::RatioReporter::printLine("bench_feed", times().failed ? 0.0 : times().ratio(), 1.2);
    // Each item left out is checked once (its address parsed) and costs a logarithmic step to
    // drop; a choice that searched the rest again for every item left out took minutes.
    reporter.printRatio("bench_feed unusable items", "BM_ReadNewestUnusable", "BM_BareParseUnusable", 60.0);
    return 0;
}
