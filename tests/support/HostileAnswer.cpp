#include "tests/support/HostileAnswer.h"

namespace testsupport {

namespace {

constexpr qint64 kGigabyte = qint64{1} << 30;

// A body in the zlib format HTTP calls "deflate" (qCompress's, after its own length) that expands to
// `size` zero bytes: a compression bomb, about a thousandth of its expanded size.
QByteArray deflatedZeros(qint64 size) {
    return qCompress(QByteArray(size, '\0'), 9).mid(4);
}

} // namespace

HttpAnswer hostileAnswer(HostileAnswer kind) {
    switch (kind) {
    case HostileAnswer::Status500WithAHugeBody:
        return {.status = 500, .reason = "Internal Server Error", .filler = kGigabyte};
    case HostileAnswer::StatusPhraseWithEscapes:
        return {.status = 503, .reason = "Down\x1b[2J"};
    case HostileAnswer::SuccessWithAHugeBody:
        return {.filler = kGigabyte};
    case HostileAnswer::AnnouncingTwoGigabytes:
        return {.body = "<rss>", .announcedLength = 2 * kGigabyte};
    case HostileAnswer::HeadWithoutEnd:
        return {.filler = -1, .raw = "HTTP/1.1 200 OK\r\nX-Long: "};
    case HostileAnswer::ChunkedWithoutEnd:
        return {.body = "<rss>", .framing = HttpAnswer::Framing::Chunked, .filler = -1};
    case HostileAnswer::ChunkedWithABrokenChunkSize:
        return {.raw = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n<rss/>\r\n0\r\n\r\n"};
    case HostileAnswer::SizedButCutShort:
        return {.body = "<rss>", .announcedLength = 1000};
    case HostileAnswer::UnsizedWithoutEnd:
        return {.body = "<rss>", .framing = HttpAnswer::Framing::Unsized, .filler = -1};
    case HostileAnswer::DrippingItsHead:
        return {.drip = std::chrono::milliseconds(10),
                .raw = "HTTP/1.1 200 OK\r\nX-Slow: " + QByteArray(400, 'a')};
    case HostileAnswer::DrippingItsBody:
        return {.body = QByteArray(500, ' '), .drip = std::chrono::milliseconds(20)};
    case HostileAnswer::Silent:
        return {.silent = true};
    case HostileAnswer::RedirectLoop:
        return redirection("/again");
    case HostileAnswer::RedirectToAnotherScheme:
        return redirection("https://127.0.0.1:1/moved");
    case HostileAnswer::RedirectToAFile:
        return redirection("file:///etc/passwd");
    case HostileAnswer::RedirectToPlainHttpElsewhere:
        return redirection("http://example.test/moved");
    case HostileAnswer::NotHttp:
        return {.raw = "HELLO THERE\r\n\r\n"};
    case HostileAnswer::NoTls:
        return {};
    case HostileAnswer::CompressionBomb:
        return {.headers = {{"Content-Encoding", "deflate"}}, .body = deflatedZeros(qint64{64} << 20)};
    }
    return {};
}

const char* nameOf(HostileAnswer kind) {
    // In the order of the enumeration.
    static const QList<QByteArray> kNames =
        QByteArray(
            "status500WithAHugeBody statusPhraseWithEscapes successWithAHugeBody announcingTwoGigabytes "
            "headWithoutEnd chunkedWithoutEnd chunkedWithABrokenChunkSize sizedButCutShort "
            "unsizedWithoutEnd drippingItsHead drippingItsBody silent redirectLoop redirectToAnotherScheme "
            "redirectToAFile redirectToPlainHttpElsewhere notHttp noTls compressionBomb")
            .split(' ');
    const auto index = qsizetype(kind);
    return index >= 0 && index < kNames.size() ? kNames[index].constData() : "unknown";
}

void PrintTo(HostileAnswer kind, std::ostream* os) {
    *os << nameOf(kind);
}

} // namespace testsupport
