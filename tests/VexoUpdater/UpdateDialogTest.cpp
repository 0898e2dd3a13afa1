// The update dialog: what the feed and the server say is shown as plain text, a link in the notes
// opens only a web address and only when clicked, and Download without a browser keeps the dialog
// and says so with the address to open by hand.

#include "VexoUpdater/UpdateDialog.h"

#include "tests/VexoUpdater/UpdaterWorld.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Version 2 found, to download from kDownload, with these notes.
const QString kDownload = u"https://downloads.example.test/Quillmere-2.tar.xz"_s;
quillmere::UpdateCheckOutcome updateFound(const QString& notes = {}) {
    quillmere::UpdateCheckOutcome outcome;
    outcome.currentVersion = u"1"_s;
    outcome.updateAvailable = true;
    outcome.newest = quillmere::AppcastItem{};
    outcome.newest->version = u"2"_s;
    outcome.newest->releaseNotes = notes;
    outcome.newest->downloadURL = QUrl(kDownload);
    return outcome;
}

TEST(UpdateDialog, AClickOnALinkInTheNotesOpensOnlyAWebAddress) {
    updatertest::UpdaterWorld world;
    updatertest::OpenedUrls opened;
    quillmere::UpdateDialog dialog;
    dialog.showOutcome(updateFound(u"<a href=\"https://example.test/notes\">link</a>"_s));
    EXPECT_FALSE(dialog.notesView()->openLinks() || dialog.notesView()->openExternalLinks());
    for (const char* url : {"javascript:alert(1)", "file:///etc/passwd", "ftp://example.test/x", "notes.html",
                            "https://example.test/notes", "http://example.test/n"})
        emit dialog.notesView()->anchorClicked(QUrl(QString::fromUtf8(url)));
    EXPECT_EQ(opened.urls,
              (QList<QUrl>{QUrl(u"https://example.test/notes"_s), QUrl(u"http://example.test/n"_s)}));
}

TEST(UpdateDialog, TextFromTheFeedIsShownAsPlainTextWithPlacesToBreakLongRuns) {
    updatertest::UpdaterWorld world;
    quillmere::UpdateDialog dialog;
    const QString message =
        u"The server answered \"<b>500</b>\" for https://updates.example.test/applications/"
        u"com.example.a-very-long-identifier/releases/appcast.xml"_s;
    dialog.showFailure(message);
    EXPECT_TRUE(dialog.messageLabel()->textFormat() == Qt::PlainText &&
                dialog.titleLabel()->textFormat() == Qt::PlainText);
    QString shown = dialog.messageLabel()->text();
    EXPECT_GT(shown.count(QChar(0x200B)), 0);
    EXPECT_EQ(shown.remove(QChar(0x200B)), message);
}

// Stands in for a desktop where no browser starts: the handler named does not exist, so opening
// an address fails as when the desktop's opener is missing.
TEST(UpdateDialog, DownloadWithoutABrowserKeepsTheDialogAndSaysSoWithTheAddress) {
    updatertest::UpdaterWorld world;
    QObject receiver;
    QDesktopServices::setUrlHandler(u"https"_s, &receiver, "noSuchHandler");
    quillmere::UpdateDialog dialog;
    dialog.showOutcome(updateFound());
    dialog.show();
    dialog.downloadButton()->click();
    QDesktopServices::unsetUrlHandler(u"https"_s);
    QMessageBox* told = dialog.browserFailure();
    ASSERT_TRUE(dialog.isVisible() && told && told->isVisible());
    EXPECT_EQ(told->text(), u"No web browser could be started."_s);
    EXPECT_TRUE(told->informativeText().remove(QChar(0x200B)).contains(kDownload));
}

} // namespace
