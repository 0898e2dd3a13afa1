// The network manager: made at the first request and shared by every request after it; a server
// on this computer reached directly whatever proxy the system names, any other through it.

#include "VexoNetwork/NetworkAccess.h"
#include "VexoNetwork/HttpRequest.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestHttpServer.h"

#include <QNetworkAccessManager>
#include <QTest>

#include <gtest/gtest.h>

using brisquel::vexo::Expected;
using quillmere::HttpReply;
using quillmere::HttpRequest;
using quillmere::NetworkAccess;
using testsupport::TestHttpServer;

namespace {

std::optional<Expected<HttpReply>> get(NetworkAccess& network, const QUrl& url) {
    quillmere::HttpPolicy policy;
    policy.network = &network;
    policy.limits.silence = std::chrono::seconds(10);
    HttpRequest request(policy);
    std::optional<Expected<HttpReply>> outcome;
    request.start(url, [&](Expected<HttpReply> reply) { outcome = std::move(reply); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 30'000));
    return outcome;
}

TEST(NetworkAccess, madeAtTheFirstRequestThenShared) {
    TestHttpServer server;
    server.answer(QStringLiteral("/a"), QByteArray("one"));
    NetworkAccess network;
    quillmere::HttpPolicy policy;
    policy.network = &network;
    HttpRequest unused(policy);
    EXPECT_FALSE(network.hasManager());
    EXPECT_TRUE(network.findChildren<QNetworkAccessManager*>().isEmpty());

    ASSERT_TRUE(get(network, server.url(QStringLiteral("/a"))).value());
    ASSERT_TRUE(get(network, server.url(QStringLiteral("/a"))).value());
    EXPECT_EQ(network.findChildren<QNetworkAccessManager*>().size(), 1);
}

TEST(NetworkAccess, thisComputerIsReachedDirectlyAnyOtherHostThroughTheSystemsProxy) {
    TestHttpServer server;
    server.answer(QStringLiteral("/feed"), QByteArray("direct"));
    TestHttpServer proxy;
    const testsupport::ScopedEnvironment http("http_proxy", proxy.url().toEncoded());
    const testsupport::ScopedEnvironment https("https_proxy", proxy.url().toEncoded());
    const testsupport::ScopedEnvironment none("no_proxy", QByteArray());
    NetworkAccess network;

    const auto direct = get(network, server.url(QStringLiteral("/feed")));
    ASSERT_TRUE(direct && *direct) << direct->result().message().toStdString();
    EXPECT_EQ((*direct)->status, 200);
    EXPECT_EQ(server.requestCount(QStringLiteral("/feed")), 1);

    const auto proxied = get(network, QUrl(QStringLiteral("https://updates.example.test/feed")));
    ASSERT_TRUE(proxied && !*proxied);
    ASSERT_EQ(proxy.requests.size(), 1);
    EXPECT_EQ(proxy.requests.first().method, QByteArray("CONNECT"));
    EXPECT_TRUE(proxy.requests.first().target.startsWith("updates.example.test:443"));
}

} // namespace
