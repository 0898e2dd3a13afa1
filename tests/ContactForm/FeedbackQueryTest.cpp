// What a submission sends, without a window: the application's description, the sender's address,
// the pairs and their order, the endpoint rules and the encoding of every name and value.

#include "ContactForm/FeedbackQuery.h"
#include "ContactForm/AppInfo.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/ContactForm/FeedbackWorld.h"
#include "tests/support/TestHttpServer.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace quillmere;
using contactformtest::photoToolInfo;
using Pairs = QList<QPair<QString, QString>>;

namespace {

const QString kPhotoToolFooter = QStringLiteral("\n\n-------\nPhoto Tool 2.1 (57)");

// The pairs of an address as an HTML form's endpoint would read them.
Pairs decodedPairs(const QUrl& address) {
    testsupport::ReceivedRequest request;
    request.target = address.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    return request.queryPairs();
}

TEST(AppInfoTest, ReadsTheFourTextsOfTheDictionaryAndMakesTheVersionTexts) {
    const AppInfo info(photoToolInfo());
    EXPECT_EQ(info.name, QStringLiteral("Photo Tool"));
    EXPECT_EQ(info.version, QStringLiteral("57"));
    EXPECT_EQ(info.shortVersion, QStringLiteral("2.1"));
    EXPECT_EQ(info.bundleID, QStringLiteral("com.example.PhotoTool"));
    EXPECT_EQ(info.versionString(), QStringLiteral("Photo Tool 2.1 (57)"));
    EXPECT_EQ(info.versionFooter(), kPhotoToolFooter);
}

TEST(AppInfoTest, EntriesThatAreMissingOrNotTextGiveEmptyTexts) {
    const AppInfo info(QVariantMap{{QStringLiteral("CFBundleName"), 12},
                                   {QStringLiteral("CFBundleVersion"), QStringList{QStringLiteral("57")}}});
    EXPECT_EQ(info, AppInfo());
    EXPECT_EQ(info.versionString(), QStringLiteral("  ()"));
    EXPECT_EQ(feedbackPairs(FeedbackFields{}, info).first().second, QStringLiteral(" Feedback"));
}

TEST(AppInfoTest, TheMainBundleIsTheApplicationsInformationDictionary) {
    brisquel::vexo::MainBundle::setInfoDictionary(photoToolInfo());
    EXPECT_EQ(AppInfo::mainBundle(), AppInfo(photoToolInfo()));
    brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
}

struct SenderCase {
    const char* name;
    const char* bundleID;
    const char* email;
    const char* expected;
};

TEST(SenderAddressTest, IsTheEmailAsTypedElseOneMadeFromTheApplicationsIdentity) {
    const SenderCase cases[] = {
        {"Photo Tool", "com.example.PhotoTool", "", "photo tool@feedback.example.com"},
        {"Photo Tool", "example.PhotoTool", "", "photo tool@feedback.example"},
        {"Photo Tool", "PhotoTool", "", "photo tool@feedback."},
        {"Photo Tool", "", "", "photo tool@feedback."},
        {"Quillmere", "com.tamberline.Quillmere", "", "quillmere@feedback.tamberline.com"},
        {"Quillmere", "org..tamberline..app.", "", "quillmere@feedback.tamberline.org"},
        {"Quillmere", "uk.co.maker.app", "", "quillmere@feedback.maker.co.uk"},
        {"ÉCLAIR", "com.example.x", "", "éclair@feedback.example.com"},
        {"Photo Tool", "com.example.PhotoTool", "Not An Address ", "Not An Address "},
    };
    for (const SenderCase& c : cases) {
        AppInfo info;
        info.name = QString::fromUtf8(c.name);
        info.bundleID = QString::fromUtf8(c.bundleID);
        EXPECT_EQ(senderAddress(info, QString::fromUtf8(c.email)), QString::fromUtf8(c.expected))
            << c.name << " / " << c.bundleID << " / " << c.email;
    }
}

TEST(FeedbackPairsTest, EmptyNameAndEmailAreMadeFromTheApplicationAndTheSwitchOffAddsNoEmail) {
    const FeedbackFields fields{QString(), QString(), QStringLiteral("Photo Tool Feedback"),
                                QStringLiteral("Hello")};
    EXPECT_EQ(feedbackPairs(fields, AppInfo(photoToolInfo())),
              (Pairs{{QStringLiteral("NAME"), QStringLiteral("Photo Tool Feedback")},
                     {QStringLiteral("FROM"), QStringLiteral("photo tool@feedback.example.com")},
                     {QStringLiteral("SUBJECT"), QStringLiteral("Photo Tool Feedback")},
                     {QStringLiteral("BODY"), QStringLiteral("Hello") + kPhotoToolFooter},
                     {QStringLiteral("NOEMAIL"), QStringLiteral("on")}}));
}

TEST(FeedbackPairsTest, FilledFieldsAreSentAsTypedAndTheSwitchOnLeavesFourPairs) {
    const FeedbackFields fields{QStringLiteral(" Ann "), QStringLiteral("ann@example.org"),
                                QStringLiteral("Bug"), QStringLiteral("  two\n\nlines  "), true};
    EXPECT_EQ(feedbackPairs(fields, AppInfo(photoToolInfo())),
              (Pairs{{QStringLiteral("NAME"), QStringLiteral(" Ann ")},
                     {QStringLiteral("FROM"), QStringLiteral("ann@example.org")},
                     {QStringLiteral("SUBJECT"), QStringLiteral("Bug")},
                     {QStringLiteral("BODY"), QStringLiteral("  two\n\nlines  ") + kPhotoToolFooter}}));
}

TEST(FeedbackQueryTest, EveryTextSplitsBackExactlyFromTheAddress) {
    const QStringList texts = {QStringLiteral("a+b"),
                               QStringLiteral("a&b=c"),
                               QStringLiteral("#fragment?"),
                               QStringLiteral("%41%2B%"),
                               QStringLiteral("two  spaces "),
                               QStringLiteral("line\nbreak\r\n"),
                               QStringLiteral("café ünïcödé"),
                               QStringLiteral("emoji 😀👍🏽"),
                               QStringLiteral("日本語のテキスト"),
                               QStringLiteral("tab\there"),
                               QStringLiteral("semi;colon/slash\\back"),
                               QStringLiteral("'quotes\" <b>")};
    for (const QString& text : texts) {
        const FeedbackFields fields{text, text, text, text};
        const brisquel::vexo::Expected<QUrl> address = makeFeedbackQuery(
            fields, AppInfo(photoToolInfo()), QStringLiteral("https://feedback.example.com/send"));
        ASSERT_TRUE(address) << address.result().message().toStdString();
        const Pairs pairs = decodedPairs(*address);
        ASSERT_EQ(pairs.size(), 5) << text.toStdString();
        EXPECT_EQ(pairs[0].second, text);
        EXPECT_EQ(pairs[1].second, text);
        EXPECT_EQ(pairs[2].second, text);
        EXPECT_EQ(pairs[3].second, text + kPhotoToolFooter);
        // No character that a decoder reads as a delimiter or a space is left bare.
        const QByteArray query = address->query(QUrl::FullyEncoded).toLatin1();
        EXPECT_EQ(query.count('&'), 4);
        EXPECT_EQ(query.count('='), 5);
        EXPECT_FALSE(query.contains('+') || query.contains('#') || query.contains(' '));
    }
}

struct EndpointCase {
    const char* emailURL; // null: the key is absent
    bool usable;
    const char* expected; // the endpoint, or a part of the failure's message
};

TEST(FeedbackEndpointTest, TakesHttpsOrLoopbackHttpAndRefusesAnythingElseWithItsReason) {
    const EndpointCase cases[] = {
        {nullptr, true, "https://feedback.tamberline.com/email/app-feedback"},
        {"https://feedback.example.com/email/app-feedback", true,
         "https://feedback.example.com/email/app-feedback"},
        {"https://example.com:8443/in?old=1&x=2#top", true, "https://example.com:8443/in"},
        {"HTTPS://Example.COM/Path", true, "https://example.com/Path"},
        {"http://127.0.0.1:8765/email/app-feedback", true, "http://127.0.0.1:8765/email/app-feedback"},
        {"http://127.0.0.2/x", true, "http://127.0.0.2/x"},
        {"http://localhost:8080/x", true, "http://localhost:8080/x"},
        {"http://[::1]:8080/x", true, "http://[::1]:8080/x"},
        {"http://feedback.example.com/email", false, "does not use https"},
        {"http://127.0.0.1.example.com/", false, "does not use https"},
        {"ftp://feedback.example.com/", false, "does not use https"},
        {"file:///tmp/feedback", false, "no host"},
        {"mailto:someone@example.com", false, "no host"},
        {"feedback.example.com/email", false, "no scheme"},
        {"", false, "it is empty"},
        {"   ", false, "it is empty"},
        {"https://", false, "no host"},
        {"https://exa mple.com/", false, "not a valid web address"},
        {"https://example.com/%zz", false, "not a valid web address"},
        {"https://[::1/", false, "not a valid web address"},
    };
    for (const EndpointCase& c : cases) {
        const QVariant entry = c.emailURL ? QVariant(QString::fromUtf8(c.emailURL)) : QVariant();
        const brisquel::vexo::Expected<QUrl> endpoint = feedbackEndpoint(entry);
        ASSERT_EQ(bool(endpoint), c.usable)
            << (c.emailURL ? c.emailURL : "(absent)") << ": " << endpoint.result().message().toStdString();
        if (endpoint) {
            EXPECT_EQ(endpoint->toString(), QString::fromUtf8(c.expected)) << c.emailURL;
        } else {
            EXPECT_TRUE(endpoint.result().message().contains(QString::fromUtf8(c.expected)))
                << endpoint.result().message().toStdString();
            EXPECT_TRUE(endpoint.result().message().contains(QString::fromUtf8(c.emailURL)))
                << "the message names the address: " << endpoint.result().message().toStdString();
        }
    }
}

TEST(FeedbackEndpointTest, AnEntryThatIsNotTextGivesTheBuiltInEndpoint) {
    EXPECT_EQ(*feedbackEndpoint(QVariant(42)), defaultFeedbackEndpoint());
    EXPECT_EQ(defaultFeedbackEndpoint().scheme(), QStringLiteral("https"));
    EXPECT_EQ(defaultFeedbackEndpoint().path(), QStringLiteral("/email/app-feedback"));
}

TEST(FeedbackQueryTest, TheQueryOfTheEmailUrlIsReplacedByTheFormsPairs) {
    const brisquel::vexo::Expected<QUrl> address =
        makeFeedbackQuery(FeedbackFields{.name = QStringLiteral("Ann")}, AppInfo(photoToolInfo()),
                          QStringLiteral("https://example.com/in?NAME=Mallory&secret=1"));
    ASSERT_TRUE(address);
    const Pairs pairs = decodedPairs(*address);
    ASSERT_EQ(pairs.size(), 5);
    EXPECT_EQ(pairs[0], (QPair<QString, QString>(QStringLiteral("NAME"), QStringLiteral("Ann"))));
    EXPECT_FALSE(address->toString().contains(QStringLiteral("secret")));
}

} // namespace
