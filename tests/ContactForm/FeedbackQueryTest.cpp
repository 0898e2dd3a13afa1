// What a submission sends, without a window: the application's description, the sender's address,
// the pairs and their order, the endpoint rules and the encoding of every name and value.

#include "ContactForm/FeedbackQuery.h"
#include "ContactForm/AppInfo.h"
#include "tests/support/TestHttpServer.h"

#include <gtest/gtest.h>

using namespace quillmere;
using Pairs = QList<QPair<QString, QString>>;

namespace {

const QString kFooter = QStringLiteral("\n\n-------\nPhoto Tool 2.1 (57)");

AppInfo photoTool() {
    return AppInfo(
        QVariantMap{{QStringLiteral("CFBundleName"), QStringLiteral("Photo Tool")},
                    {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")},
                    {QStringLiteral("CFBundleVersion"), QStringLiteral("57")},
                    {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.PhotoTool")}});
}

TEST(AppInfo, ReadsTheTextsOfTheDictionaryOnly) {
    EXPECT_EQ(photoTool().versionFooter(), kFooter);
    const AppInfo info(QVariantMap{{QStringLiteral("CFBundleName"), 12},
                                   {QStringLiteral("CFBundleVersion"), QStringList{QStringLiteral("57")}}});
    EXPECT_EQ(info, AppInfo());
}

TEST(SenderAddress, IsTheEmailAsTypedElseOneMadeFromTheApplicationsIdentity) {
    const struct {
        const char* name;
        const char* bundleID;
        const char* email;
        const char* expected;
    } cases[] = {
        {"Photo Tool", "com.example.PhotoTool", "", "photo tool@feedback.example.com"},
        {"Photo Tool", "", "", "photo tool@feedback."},
        {"Quillmere", "org..tamberline..app.", "", "quillmere@feedback.tamberline.org"},
        {"ÉCLAIR", "uk.co.maker.app", "", "éclair@feedback.maker.co.uk"},
        {"Photo Tool", "com.example.PhotoTool", "Not An Address ", "Not An Address "},
    };
    for (const auto& c : cases) {
        AppInfo info;
        info.name = QString::fromUtf8(c.name);
        info.bundleID = QString::fromUtf8(c.bundleID);
        EXPECT_EQ(senderAddress(info, QString::fromUtf8(c.email)), QString::fromUtf8(c.expected))
            << c.bundleID;
    }
}

TEST(FeedbackPairs, EmptyFieldsAreMadeFromTheApplicationAndTheDebugSwitchDropsNoEmail) {
    FeedbackFields fields{QString(), QString(), QStringLiteral("S"), QStringLiteral(" two\n\nlines ")};
    const AppInfo info = photoTool();
    const QString body = fields.body + kFooter;
    EXPECT_EQ(feedbackPairs(fields, info),
              (Pairs{{QStringLiteral("NAME"), QStringLiteral("Photo Tool Feedback")},
                     {QStringLiteral("FROM"), QStringLiteral("photo tool@feedback.example.com")},
                     {QStringLiteral("SUBJECT"), QStringLiteral("S")},
                     {QStringLiteral("BODY"), body},
                     {QStringLiteral("NOEMAIL"), QStringLiteral("on")}}));
    fields = {QStringLiteral(" Ann "), QStringLiteral("a@b"), QStringLiteral("S"), fields.body, true};
    EXPECT_EQ(feedbackPairs(fields, info), (Pairs{{QStringLiteral("NAME"), QStringLiteral(" Ann ")},
                                                  {QStringLiteral("FROM"), QStringLiteral("a@b")},
                                                  {QStringLiteral("SUBJECT"), QStringLiteral("S")},
                                                  {QStringLiteral("BODY"), body}}));
}

TEST(FeedbackQuery, EveryTextSplitsBackExactlyFromTheAddress) {
    for (const QString& text : {QStringLiteral("a+b&c=d #e?"), QStringLiteral("%41%2B% two  spaces "),
                                QStringLiteral("line\nbreak\r\n\ttab;/\\'\" <b>"),
                                QStringLiteral("café 😀👍🏽 日本語")}) {
        const auto address = makeFeedbackQuery(FeedbackFields{text, text, text, text}, photoTool(),
                                               QStringLiteral("https://example.com/in?NAME=Mallory#top"));
        ASSERT_TRUE(address) << address.result().message().toStdString();
        testsupport::ReceivedRequest request;
        request.target = address->toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
        const Pairs pairs = request.queryPairs();
        ASSERT_EQ(pairs.size(), 5) << text.toStdString();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(pairs[i].second, text) << i;
        EXPECT_EQ(pairs[3].second, text + kFooter);
    }
}

TEST(FeedbackEndpoint, TakesAWebAddressAndRefusesAnythingElseWithItsReason) {
    const struct {
        QVariant emailURL;
        const char* expected; // the endpoint, or a part of the failure's message
    } cases[] = {
        {QVariant(), "https://feedback.tamberline.com/email/app-feedback"},
        {42, "https://feedback.tamberline.com/email/app-feedback"},
        {QStringLiteral("https://example.com:8443/in?old=1&x=2#top"), "https://example.com:8443/in"},
        {QStringLiteral("http://127.0.0.1:8765/in"), "http://127.0.0.1:8765/in"},
        {QStringLiteral("http://feedback.example.com/email"), "does not use https"},
        {QStringLiteral("file:///tmp/feedback"), "no host"},
        {QStringLiteral("feedback.example.com/email"), "no scheme"},
        {QStringLiteral("   "), "it is empty"},
        {QStringLiteral("https://exa mple.com/"), "not a valid web address"},
    };
    for (const auto& c : cases) {
        const auto endpoint = feedbackEndpoint(c.emailURL);
        const QString shown = endpoint ? endpoint->toString() : endpoint.result().message();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.expected))) << shown.toStdString();
        EXPECT_TRUE(endpoint ? shown == QString::fromUtf8(c.expected) : shown.contains(c.emailURL.toString()))
            << shown.toStdString();
    }
}

} // namespace
