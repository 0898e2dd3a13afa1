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

AppInfo photoTool(const QVariant& name = QStringLiteral("Photo Tool")) {
    return AppInfo(
        QVariantMap{{QStringLiteral("CFBundleName"), name},
                    {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")},
                    {QStringLiteral("CFBundleVersion"), QStringLiteral("57")},
                    {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.PhotoTool")}});
}

TEST(AppInfo, ReadsTheTextsOfTheDictionaryOnly) {
    EXPECT_TRUE(photoTool(12).name.isEmpty());
    EXPECT_EQ(AppInfo(QVariantMap{{QStringLiteral("CFBundleVersion"), QStringList{QStringLiteral("57")}}}),
              AppInfo());
}

TEST(SenderAddress, IsTheEmailAsTypedElseOneMadeFromTheApplicationsIdentity) {
    // Rows: the application's name and identifier, the e-mail typed, the sender's address.
    const std::array<const char*, 4> rows[] = {
        {"Photo Tool", "com.example.PhotoTool", "", "photo tool@feedback.example.com"},
        {"Photo Tool", "", "", "photo tool@feedback."},
        {"Quillmere", "org..tamberline..app.", "", "quillmere@feedback.tamberline.org"},
        {"ÉCLAIR", "uk.co.maker.app", "", "éclair@feedback.maker.co.uk"},
        {"Photo Tool", "com.example.PhotoTool", "Not An Address ", "Not An Address "},
    };
    for (const auto& [name, identifier, email, expected] : rows) {
        AppInfo info;
        info.name = QString::fromUtf8(name);
        info.bundleID = QString::fromUtf8(identifier);
        EXPECT_EQ(senderAddress(info, QString::fromUtf8(email)), QString::fromUtf8(expected)) << identifier;
    }
}

TEST(FeedbackPairs, AnEmptyNameOrAddressIsMadeFromTheApplication) {
    EXPECT_EQ(feedbackPairs(FeedbackFields{}, photoTool()).mid(0, 2),
              (Pairs{{QStringLiteral("NAME"), QStringLiteral("Photo Tool Feedback")},
                     {QStringLiteral("FROM"), QStringLiteral("photo tool@feedback.example.com")}}));
}

TEST(FeedbackQuery, EveryTextSplitsBackExactlyFromTheAddress) {
    for (const QString& text : {QStringLiteral("a+b&c=d #e? %41%2B% two  spaces ;/\\'\" <b>"),
                                QStringLiteral("line\nbreak\r\n\ttab café 😀👍🏽 日本語")}) {
        const auto address = makeFeedbackQuery(FeedbackFields{text, text, text, text}, photoTool(),
                                               QStringLiteral("https://example.com/in?NAME=Mallory#top"));
        ASSERT_TRUE(address) << address.result().message().toStdString();
        testsupport::ReceivedRequest request;
        request.target = address->toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
        EXPECT_EQ(request.queryPairs(), (Pairs{{QStringLiteral("NAME"), text},
                                               {QStringLiteral("FROM"), text},
                                               {QStringLiteral("SUBJECT"), text},
                                               {QStringLiteral("BODY"), text + kFooter},
                                               {QStringLiteral("NOEMAIL"), QStringLiteral("on")}}));
    }
}

// Rows: the "email-url" value, the endpoint taken or words of the refusal, which quotes the value.
TEST(FeedbackEndpoint, TakesAWebAddressAndRefusesAnythingElseWithItsReason) {
    const QString builtIn = QStringLiteral("https://feedback.tamberline.com/email/app-feedback");
    const std::pair<QVariant, QString> rows[] = {
        {QVariant(), builtIn},
        {42, builtIn},
        {QStringLiteral("https://example.com:8443/in?old=1&x=2#top"),
         QStringLiteral("https://example.com:8443/in")},
        {QStringLiteral("http://127.0.0.1:8765/in"), QStringLiteral("http://127.0.0.1:8765/in")},
        {QStringLiteral("file:///tmp/feedback"), QStringLiteral("no host")},
        {QStringLiteral("feedback.example.com/email"), QStringLiteral("no scheme")},
        {QStringLiteral("   "), QStringLiteral("it is empty")},
        {QStringLiteral("https://exa mple.com/"), QStringLiteral("not a valid web address")},
    };
    for (const auto& [value, expected] : rows) {
        const auto endpoint = feedbackEndpoint(value);
        const QString shown = endpoint ? endpoint->toString() : endpoint.result().message();
        EXPECT_TRUE(endpoint ? shown == expected
                             : shown.contains(expected) && shown.contains(value.toString()))
            << shown.toStdString();
    }
}

} // namespace
