// Release notes come from whoever controls the feed: they are laid out, never run, load nothing,
// and keep as links only web addresses.

#include "VexoUpdater/ReleaseNotes.h"

#include <QTextBlock>
#include <QTextFragment>

#include <gtest/gtest.h>

using quillmere::ReleaseNotes;
using quillmere::ReleaseNotesFormat;

using namespace Qt::Literals::StringLiterals;

namespace {

// The links of a document, and "image" for each image in it.
QStringList activeContent(const QTextDocument& document) {
    QStringList found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() || format.isImageFormat())
                found.append(format.isAnchor() ? format.anchorHref() : u"image"_s);
        }
    }
    return found;
}

TEST(ReleaseNotes, HostileHtmlShowsOnlyItsTextAndKeepsNoActiveContent) {
    const struct {
        const char* html;
        const char* absent;  // text that must not be shown
        const char* present; // text that must be
    } notes[] = {{"<p>Fixes</p><script>document.write('pwned')</script>", "pwned", "Fixes"},
                 {"<p>Fixes</p><SCRIPT type=x>alert('pwned')", "pwned", "Fixes"},
                 {"<style>@import url(https://tracker.example.test/s.css); p{}</style><p>Notes</p>",
                  "tracker", "Notes"},
                 {"<p>Look<img src=\"https://tracker.example.test/pixel.png\" alt=\"chart\"></p>", "tracker",
                  "[chart]"},
                 {"<p>Here<img src=\"file:///home/user/.ssh/id_rsa\"></p>", "id_rsa", "Here"},
                 {"<iframe src=\"https://evil.example.test\">framed</iframe><p>Rest</p>", "framed", "Rest"},
                 {"<a href=\"javascript:alert(1)\">Click me</a>", "alert", "Click me"},
                 {"<a href=\"file:///etc/passwd\">Passwords</a>", "passwd", "Passwords"},
                 {"<a href=\"mailto:a@example.test\">Mail</a>", "mailto", "Mail"}};
    for (const auto& n : notes) {
        const auto document = ReleaseNotes::document(QString::fromUtf8(n.html), ReleaseNotesFormat::Html);
        const QString text = document->toPlainText();
        EXPECT_FALSE(text.contains(QString::fromUtf8(n.absent))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(n.present))) << text.toStdString();
        for (const QString& active : activeContent(*document))
            EXPECT_TRUE(active.startsWith(u"http"_s)) << active.toStdString();
    }
}

TEST(ReleaseNotes, PlainTextShowsTagsAsTheyAre) {
    const auto document = ReleaseNotes::document(u"Use <b> for bold"_s, ReleaseNotesFormat::PlainText);
    EXPECT_EQ(document->toPlainText(), u"Use <b> for bold"_s);
}

TEST(ReleaseNotes, MarkdownIsLaidOutWithItsRawHtmlShownAsTextAndWithoutImages) {
    const auto document = ReleaseNotes::document(
        QStringLiteral("# New\n\n* **Faster**\n\n<a href=\"javascript:x()\">go</a>\n\n"
                       "![logo](https://tracker.example.test/logo.png) [ok](https://example.test/ok) "
                       "[plain](http://example.test/x)"),
        ReleaseNotesFormat::Markdown);
    const QString text = document->toPlainText();
    EXPECT_TRUE(text.contains(u"Faster"_s) && !text.contains(u"**"_s));
    EXPECT_TRUE(text.contains(u"<a href=\"javascript:x()\">go</a>"_s)); // shown, not made a link
    EXPECT_EQ(activeContent(*document),
              (QStringList{u"https://example.test/ok"_s, u"http://example.test/x"_s}));
}

TEST(ReleaseNotes, TheDocumentLoadsNothingItNames) {
    const auto document =
        ReleaseNotes::document(u"<p style=\"background-image:url(x.png)\">x</p>"_s, ReleaseNotesFormat::Html);
    EXPECT_FALSE(document->resource(QTextDocument::ImageResource, QUrl(u"x.png"_s)).isValid());
    EXPECT_FALSE(
        document
            ->resource(QTextDocument::StyleSheetResource, QUrl(u"file:///usr/share/common-licenses/GPL"_s))
            .isValid());
}

} // namespace
