// Release notes come from whoever controls the feed: they are laid out, never run, load nothing,
// and their links open only when clicked and only for web addresses.

#include "VexoUpdater/ReleaseNotes.h"

#include "VexoUpdater/UpdateDialog.h"
#include "tests/VexoUpdater/UpdaterWorld.h"

#include <QLabel>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextFragment>

#include <gtest/gtest.h>

using quillmere::ReleaseNotes;
using quillmere::ReleaseNotesFormat;

namespace {

QStringList linksOf(const QTextDocument& document) {
    QStringList links;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                links.append(it.fragment().charFormat().anchorHref());
        }
    }
    return links;
}

int imagesOf(const QTextDocument& document) {
    int images = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            images += it.fragment().charFormat().isImageFormat() ? 1 : 0;
    }
    return images;
}

struct Hostile {
    const char* what;
    const char* html;
    const char* absent;  // text that must not be shown
    const char* present; // text that must be
};

void PrintTo(const Hostile& h, std::ostream* os) {
    *os << h.what;
}

class HostileNotes : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileNotes, showOnlyTheirTextAndKeepNoActiveContent) {
    const auto document =
        ReleaseNotes::document(QString::fromUtf8(GetParam().html), ReleaseNotesFormat::Html);
    const QString text = document->toPlainText();
    EXPECT_FALSE(text.contains(QString::fromUtf8(GetParam().absent))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(GetParam().present))) << text.toStdString();
    EXPECT_EQ(imagesOf(*document), 0);
    for (const QString& link : linksOf(*document))
        EXPECT_TRUE(link.startsWith(QStringLiteral("http"))) << link.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Html, HostileNotes,
    ::testing::Values(
        Hostile{"a script", "<p>Fixes</p><script>document.write('pwned')</script>", "pwned", "Fixes"},
        Hostile{"an unclosed script", "<p>Fixes</p><SCRIPT type=x>alert('pwned')", "pwned", "Fixes"},
        Hostile{"a style sheet",
                "<style>@import url(https://tracker.example.test/s.css); p{}</style><p>Notes</p>", "tracker",
                "Notes"},
        Hostile{"a remote image",
                "<p>Look<img src=\"https://tracker.example.test/pixel.png\" alt=\"chart\"></p>", "tracker",
                "[chart]"},
        Hostile{"a local image", "<p>Here<img src=\"file:///home/user/.ssh/id_rsa\"></p>", "id_rsa", "Here"},
        Hostile{"a frame", "<iframe src=\"https://evil.example.test\">framed</iframe><p>Rest</p>", "framed",
                "Rest"},
        Hostile{"a javascript link", "<a href=\"javascript:alert(1)\">Click me</a>", "alert", "Click me"},
        Hostile{"a file link", "<a href=\"file:///etc/passwd\">Passwords</a>", "passwd", "Passwords"}));

TEST(ReleaseNotesLinks, webLinksStayLinksAndOthersBecomePlainText) {
    const auto document = ReleaseNotes::document(
        QStringLiteral(
            "<a href=\"https://example.test/changes\">changes</a> <a href=\"http://example.test/x\">x</a> "
            "<a href=\"javascript:void(0)\">js</a> <a href=\"mailto:a@example.test\">mail</a>"),
        ReleaseNotesFormat::Html);
    EXPECT_EQ(linksOf(*document), (QStringList{QStringLiteral("https://example.test/changes"),
                                               QStringLiteral("http://example.test/x")}));
}

TEST(ReleaseNotesFormats, plainTextShowsTagsAsTheyAre) {
    const auto document =
        ReleaseNotes::document(QStringLiteral("Use <b> for bold"), ReleaseNotesFormat::PlainText);
    EXPECT_EQ(document->toPlainText(), QStringLiteral("Use <b> for bold"));
}

TEST(ReleaseNotesFormats, markdownIsLaidOutWithItsRawHtmlShownAsTextAndWithoutImages) {
    const auto document = ReleaseNotes::document(
        QStringLiteral("# New\n\n* **Faster**\n\n<a href=\"javascript:x()\">go</a>\n\n"
                       "![logo](https://tracker.example.test/logo.png) [ok](https://example.test/ok)"),
        ReleaseNotesFormat::Markdown);
    const QString text = document->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Faster")));
    EXPECT_FALSE(text.contains(QStringLiteral("**")));
    EXPECT_TRUE(text.contains(QStringLiteral("<a href=\"javascript:x()\">go</a>"))); // shown, not made a link
    EXPECT_EQ(linksOf(*document), QStringList{QStringLiteral("https://example.test/ok")});
    EXPECT_EQ(imagesOf(*document), 0);
}

TEST(ReleaseNotesResources, theDocumentLoadsNothingItNames) {
    const auto document = ReleaseNotes::document(
        QStringLiteral("<p style=\"background-image:url(x.png)\">x</p>"), ReleaseNotesFormat::Html);
    EXPECT_FALSE(document->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("x.png"))).isValid());
    EXPECT_FALSE(document
                     ->resource(QTextDocument::StyleSheetResource,
                                QUrl(QStringLiteral("file:///usr/share/common-licenses/GPL")))
                     .isValid());
}

struct Click {
    const char* url;
    bool opens;
};

class NotesLinkClick : public ::testing::TestWithParam<Click> {};

TEST_P(NotesLinkClick, opensOnlyWebAddresses) {
    updatertest::UpdaterWorld world;
    updatertest::OpenedUrls opened;
    quillmere::UpdateDialog dialog;
    quillmere::UpdateCheckOutcome outcome;
    outcome.currentVersion = QStringLiteral("1");
    outcome.updateAvailable = true;
    quillmere::AppcastItem item;
    item.version = QStringLiteral("2");
    item.releaseNotes = QStringLiteral("<a href=\"%1\">link</a>").arg(QString::fromUtf8(GetParam().url));
    item.downloadURL = QUrl(QStringLiteral("https://example.test/a.zip"));
    outcome.newest = item;
    dialog.showOutcome(outcome);
    EXPECT_TRUE(opened.urls.isEmpty());
    emit dialog.notesView()->anchorClicked(QUrl(QString::fromUtf8(GetParam().url)));
    EXPECT_EQ(opened.urls.size(), GetParam().opens ? 1 : 0) << GetParam().url;
    EXPECT_FALSE(dialog.notesView()->openLinks());
    EXPECT_FALSE(dialog.notesView()->openExternalLinks());
}

INSTANTIATE_TEST_SUITE_P(Dialog, NotesLinkClick,
                         ::testing::Values(Click{"https://example.test/notes", true},
                                           Click{"http://example.test/n", true},
                                           Click{"javascript:alert(1)", false},
                                           Click{"file:///etc/passwd", false},
                                           Click{"ftp://example.test/x", false}, Click{"notes.html", false}));

TEST(UpdateDialogText, textFromTheFeedIsShownAsPlainText) {
    updatertest::UpdaterWorld world;
    quillmere::UpdateDialog dialog;
    dialog.showFailure(
        QStringLiteral("The update server answered \"<b>500</b>\" for https://example.test/feed"));
    EXPECT_EQ(dialog.messageLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.titleLabel()->textFormat(), Qt::PlainText);
    QString shown = dialog.messageLabel()->text();
    shown.remove(QChar(0x200B)); // the places where a long run may break
    EXPECT_TRUE(shown.contains(QStringLiteral("<b>500</b>")));
}

TEST(UpdateDialogText, longAddressesGetPlacesToBreakAndLoseNoCharacter) {
    const QString address =
        QStringLiteral("https://updates.example.test/applications/com.example.a-very-long-"
                       "identifier/releases/appcast.xml");
    const QString shown = quillmere::UpdateDialog::breakable(address);
    EXPECT_TRUE(shown.contains(QChar(0x200B)));
    QString back = shown;
    back.remove(QChar(0x200B));
    EXPECT_EQ(back, address);
}

} // namespace
