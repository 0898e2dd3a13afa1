// The update dialog's Download: the browser gets the address and the dialog goes, or, when no
// browser can be started, the dialog stays and says so with the address to open by hand.

#include "VexoUpdater/UpdateDialog.h"

#include "tests/VexoUpdater/UpdaterWorld.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// Stands in for a desktop where no browser starts: the handler named does not exist, so opening
// an address fails as when the desktop's opener is missing.
class NoBrowser final {
public:
    NoBrowser() { QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_receiver, "noSuchHandler"); }
    ~NoBrowser() { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    NoBrowser(const NoBrowser&) = delete;
    NoBrowser& operator=(const NoBrowser&) = delete;

private:
    QObject m_receiver;
};

quillmere::UpdateCheckOutcome updateFound() {
    quillmere::UpdateCheckOutcome outcome;
    outcome.currentVersion = QStringLiteral("1");
    outcome.updateAvailable = true;
    quillmere::AppcastItem item;
    item.version = QStringLiteral("2");
    item.downloadURL = QUrl(QStringLiteral("https://downloads.example.test/Quillmere-2.tar.xz"));
    outcome.newest = item;
    return outcome;
}

TEST(UpdateDialogDownload, GoesToTheBrowserAndClosesTheDialog) {
    updatertest::UpdaterWorld world;
    updatertest::OpenedUrls opened;
    quillmere::UpdateDialog dialog;
    dialog.showOutcome(updateFound());
    dialog.show();
    dialog.downloadButton()->click();
    EXPECT_EQ(opened.urls, QList<QUrl>{updateFound().newest->downloadURL});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.browserFailure(), nullptr);
}

TEST(UpdateDialogDownload, WithoutABrowserTheDialogStaysAndSaysSoWithTheAddress) {
    updatertest::UpdaterWorld world;
    const NoBrowser noBrowser;
    quillmere::UpdateDialog dialog;
    dialog.showOutcome(updateFound());
    dialog.show();
    dialog.downloadButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    QMessageBox* told = dialog.browserFailure();
    ASSERT_NE(told, nullptr);
    EXPECT_TRUE(told->isVisible());
    EXPECT_EQ(told->text(), QStringLiteral("No web browser could be started."));
    QString address = told->informativeText();
    address.remove(QChar(0x200B));
    EXPECT_TRUE(address.contains(QStringLiteral("https://downloads.example.test/Quillmere-2.tar.xz")));
}

} // namespace
