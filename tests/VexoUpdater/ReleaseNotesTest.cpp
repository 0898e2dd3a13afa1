// Release notes come from whoever controls the feed: they are laid out, never run, load nothing,
// and keep as links only web addresses.

#include "VexoUpdater/ReleaseNotes.h"

#include <QTextBlock>
#include <QTextFragment>

#include <gtest/gtest.h>

using quillmere::ReleaseNotes;
using enum quillmere::ReleaseNotesFormat;

namespace {

// The links of a document, and "image" for each image in it.
QStringList activeContent(const QTextDocument& document) {
    QStringList found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() || format.isImageFormat())
                found.append(format.isAnchor() ? format.anchorHref() : QStringLiteral("image"));
        }
    }
    return found;
}

// Rows: the format, the notes, text that must not be shown, text that must; any link kept is a web
// address, and no image is.
TEST(ReleaseNotes, HostileHtmlShowsOnlyItsTextAndKeepsNoActiveContent) {
    const std::tuple<quillmere::ReleaseNotesFormat, const char*, const char*, const char*> notes[] = {
        {Html, "<p>Fixes</p><script>document.write('pwned')</script>", "pwned", "Fixes"},
        {Html, "<p>Fixes</p><SCRIPT type=x>alert('pwned')", "pwned", "Fixes"},
        {Html, "<style>@import url(https://tracker.example.test/s.css); p{}</style><p>Notes</p>", "tracker",
         "Notes"},
        {Html, "<p>Look<img src=\"https://tracker.example.test/pixel.png\" alt=\"chart\"></p>", "tracker",
         "[chart]"},
        {Html, "<p>Here<img src=\"file:///home/user/.ssh/id_rsa\"></p>", "id_rsa", "Here"},
        {Html, "<iframe src=\"https://evil.example.test\">framed</iframe><p>Rest</p>", "framed", "Rest"},
        {Html, "<a href=\"javascript:alert(1)\">Click me</a>", "alert", "Click me"},
        {Html, "<a href=\"file:///etc/passwd\">Passwords</a>", "passwd", "Passwords"},
        {Html, "<a href=\"mailto:a@example.test\">Mail</a>", "mailto", "Mail"},
        {PlainText, "Use <b> for bold", nullptr, "Use <b> for bold"},
        {Markdown, "# New\n\n* **Faster**", "**", "Faster"},
        {Markdown, "<a href=\"javascript:x()\">go</a>", nullptr, "<a href=\"javascript:x()\">go</a>"},
        {Markdown, "![logo](https://tracker.example.test/logo.png) after", "tracker", "after"},
    };
    for (const auto& [format, html, absent, present] : notes) {
        const auto document = ReleaseNotes::document(QString::fromUtf8(html), format);
        const QString text = document->toPlainText();
        EXPECT_FALSE(absent && text.contains(QString::fromUtf8(absent))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(present))) << text.toStdString();
        for (const QString& active : activeContent(*document))
            EXPECT_TRUE(active.startsWith(QStringLiteral("http"))) << active.toStdString();
    }
    const auto links = ReleaseNotes::document(
        QStringLiteral("[ok](https://example.test/ok) [plain](http://e.test/x)"), Markdown);
    EXPECT_EQ(activeContent(*links),
              (QStringList{QStringLiteral("https://example.test/ok"), QStringLiteral("http://e.test/x")}));
}

TEST(ReleaseNotes, TheDocumentLoadsNothingItNames) {
    const auto document =
        ReleaseNotes::document(QStringLiteral("<p style=\"background-image:url(x.png)\">x</p>"), Html);
    EXPECT_FALSE(document->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("x.png"))).isValid());
    EXPECT_FALSE(document
                     ->resource(QTextDocument::StyleSheetResource,
                                QUrl(QStringLiteral("file:///usr/share/common-licenses/GPL")))
                     .isValid());
}

} // namespace
