// The update dialog and its release notes, which come from whoever controls the feed: laid out, never
// run, loading nothing, keeping only web links, opened only when clicked; a Download without a browser.

#include "VexoUpdater/UpdateDialog.h"
#include "VexoUpdater/ReleaseNotes.h"

#include "tests/VexoUpdater/UpdaterWorld.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextFragment>

#include <gtest/gtest.h>

using quillmere::ReleaseNotes;
using enum quillmere::ReleaseNotesFormat;
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

// Rows: the format, the notes, text not shown, text shown; a link kept is a web address, no image is.
TEST(ReleaseNotes, HostileHtmlShowsOnlyItsTextAndKeepsNoActiveContent) {
    const std::tuple<quillmere::ReleaseNotesFormat, const char*, const char*, const char*> notes[] = {
        {Html, "<p>Fixes</p><script>document.write('pwned')</script>", "pwned", "Fixes"},
        {Html, "<p>Fixes</p><SCRIPT type=x>alert('pwned')", "pwned", "Fixes"},
        {Html, "<style>@import url(https://t.test/s.css); p{}</style><p>Notes</p>", "t.test", "Notes"},
        {Html, "<p>Look<img src=\"https://t.test/pixel.png\" alt=\"chart\"></p>", "t.test", "[chart]"},
        {Html, "<p>Here<img src=\"file:///home/user/.ssh/id_rsa\"></p>", "id_rsa", "Here"},
        {Html, "<iframe src=\"https://evil.example.test\">framed</iframe><p>Rest</p>", "framed", "Rest"},
        {Html, "<a href=\"javascript:alert(1)\">Click me</a>", "alert", "Click me"},
        {Html, "<a href=\"file:///etc/passwd\">Passwords</a>", "passwd", "Passwords"},
        {Html, "<a href=\"mailto:a@example.test\">Mail</a>", "mailto", "Mail"},
        {PlainText, "Use <b> for bold", nullptr, "Use <b> for bold"},
        {Markdown, "<a href=\"javascript:x()\">go</a>", nullptr, "<a href=\"javascript:x()\">go</a>"},
        {Markdown, "![logo](https://t.test/logo.png) after", "t.test", "after"},
    };
    for (const auto& [format, html, absent, present] : notes) {
        const auto document = ReleaseNotes::document(QString::fromUtf8(html), format);
        const QString text = document->toPlainText();
        EXPECT_TRUE(text.contains(QString::fromUtf8(present)) &&
                    !(absent && text.contains(QString::fromUtf8(absent))))
            << text.toStdString();
        for (const QString& active : activeContent(*document))
            EXPECT_TRUE(active.startsWith(u"http"_s)) << active.toStdString();
    }
    const auto links =
        ReleaseNotes::document(u"[ok](https://example.test/ok) [plain](http://e.test/x)"_s, Markdown);
    EXPECT_EQ(activeContent(*links), (QStringList{u"https://example.test/ok"_s, u"http://e.test/x"_s}));
}

TEST(ReleaseNotes, TheDocumentLoadsNothingItNames) {
    const auto document = ReleaseNotes::document(u"<p style=\"background-image:url(x.png)\">x</p>"_s, Html);
    EXPECT_FALSE(document->resource(QTextDocument::ImageResource, QUrl(u"x.png"_s)).isValid());
    const QUrl licence(u"file:///usr/share/common-licenses/GPL"_s);
    EXPECT_FALSE(document->resource(QTextDocument::StyleSheetResource, licence).isValid());
}

const QString kDownload = u"https://downloads.example.test/Quillmere-2.tar.xz"_s;

// A link opens only on a click, and only a web address; a Download without a browser (a handler that does
// not exist fails as one) keeps the dialog and says so with the address.
TEST(UpdateDialog, DownloadWithoutABrowserKeepsTheDialogAndSaysSoWithTheAddress) {
    updatertest::UpdaterWorld world;
    updatertest::OpenedUrls opened;
    quillmere::UpdateDialog dialog;
    quillmere::UpdateCheckOutcome found;
    found.updateAvailable = true;
    found.newest = quillmere::AppcastItem{};
    found.newest->version = u"2"_s;
    found.newest->releaseNotes = u"<a href=\"https://e.test/n\">n</a>"_s;
    found.newest->downloadURL = QUrl(kDownload);
    dialog.showOutcome(found);
    dialog.show();
    EXPECT_FALSE(dialog.notesView()->openLinks() || dialog.notesView()->openExternalLinks());
    for (const char* url : {"javascript:alert(1)", "file:///etc/passwd", "ftp://example.test/x", "notes.html",
                            "https://example.test/notes", "http://example.test/n"})
        emit dialog.notesView()->anchorClicked(QUrl(QString::fromUtf8(url)));
    EXPECT_EQ(opened.urls,
              (QList<QUrl>{QUrl(u"https://example.test/notes"_s), QUrl(u"http://example.test/n"_s)}));
    QObject receiver;
    QDesktopServices::setUrlHandler(u"https"_s, &receiver, "noSuchHandler");
    dialog.downloadButton()->click();
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QMessageBox* told = dialog.browserFailure();
    ASSERT_TRUE(dialog.isVisible() && told && told->isVisible());
    EXPECT_EQ(told->text(), u"No web browser could be started."_s);
    EXPECT_TRUE(told->informativeText().remove(QChar(0x200B)).contains(kDownload));
}

} // namespace
