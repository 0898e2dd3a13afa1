#pragma once

#include "tests/support/TestHttpServer.h"

#include <ostream>

namespace testsupport {

// The ways a broken or hostile server answers, one per class, made here once for every reader's table
// of the classes it meets. Large and endless bodies are made as they are sent.
enum class HostileAnswer {
    Status500WithAHugeBody,       // an error status, then a gigabyte
    StatusPhraseWithEscapes,      // 503 with an escape sequence in its reason phrase
    SuccessWithAHugeBody,         // 200, then a gigabyte (announced)
    AnnouncingTwoGigabytes,       // 200 announcing 2 GB, sending a few bytes
    HeadWithoutEnd,               // a header line that never ends
    ChunkedWithoutEnd,            // 200, chunk after chunk, no last chunk
    ChunkedWithABrokenChunkSize,  // 200, a chunk size that is not a number
    SizedButCutShort,             // 200 announcing 1000 bytes, sending 5
    UnsizedWithoutEnd,            // 200 without a length, a body without end
    DrippingItsHead,              // the head one byte every 10 ms
    DrippingItsBody,              // 200, then the body one byte every 20 ms
    Silent,                       // the request read, never answered
    RedirectLoop,                 // 302 to itself, for ever
    RedirectToAnotherScheme,      // 302 from http to https
    RedirectToAFile,              // 302 to file:///etc/passwd
    RedirectToPlainHttpElsewhere, // 302 to http on another host
    NotHttp,                      // a line that is no HTTP answer
    NoTls,                        // plain HTTP where https is asked for (ask it with https)
    CompressionBomb,              // 200, deflate: 64 KB that expand to 64 MB
};

// The answer to serve for every path (answerEverything()).
HttpAnswer hostileAnswer(HostileAnswer kind);
// Its name, for test names.
const char* nameOf(HostileAnswer kind);
void PrintTo(HostileAnswer kind, std::ostream* os);

} // namespace testsupport
