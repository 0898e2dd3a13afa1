// The script rows and their shared panel, over the real preferences domain.

#include "tests/app/AppWorld.h"

#include "app/ApplicationView.h"
#include "app/ChooseButton.h"
#include "app/NoticeBanner.h"
#include "app/RemoveButton.h"
#include "app/ScriptPanel.h"
#include "app/ScriptView.h"
#include "app/WrappingLabel.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quillmere;
using namespace Qt::StringLiterals;
using namespace apptest;
using Status = brisquel::ScriptCheck::Status;

namespace {

using apptest::PrintTo;

// Receives the file URLs the desktop would have opened.
class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls.append(url); }

public:
    QList<QUrl> urls;
};

class ScriptRows : public ::testing::Test {
protected:
    void SetUp() override {
        world.addCopy(23);
        use(23);
    }

    ApplicationView& showDetail() {
        host.reset();
        host = world.showDetail(number);
        return *host;
    }
    void use(int copy) {
        number = copy;
        domain = world.identifier(copy);
    }
    bool activate() {
        host->activateWindow();
        return QTest::qWaitForWindowActive(host.get());
    }
    ScriptView* row(int index) { return host->rows().value(index); }
    QVariant stored(const QString& key) const {
        return world.domainContents(domain).value_or(QVariantMap()).value(key);
    }
    bool assign(const QString& key, const QString& fileName) {
        return world.writeExternally(domain, key, world.scriptFile(fileName));
    }
    QByteArray domainBytes() const { return plisttest::fileBytes(world.domainFile(domain)); }

    // In the primary colour, its remove button not drawn until the pointer or focus comes.
    static void expectShowsFile(ScriptView* view, const QString& file) {
        EXPECT_EQ(view->chooseButton()->text(), QFileInfo(file).fileName());
        EXPECT_EQ(apptest::shownText(view->chooseButton()->toolTip()), file);
        EXPECT_EQ(view->chooseButton()->textColor(), view->palette().color(QPalette::WindowText));
        ASSERT_NE(view->removeButton(), nullptr);
        EXPECT_FALSE(view->removeButton()->isDrawn());
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->assignment().check().has_value(); }));
        EXPECT_TRUE(view->assignment().check()->passes());
    }
    static void expectShowsNoFile(ScriptView* view) {
        EXPECT_EQ(view->chooseButton()->text(), ScriptView::chooseText());
        EXPECT_EQ(view->removeButton(), nullptr);
    }

    AppWorld world;
    int number = 23;
    QString domain;
    std::unique_ptr<ApplicationView> host;
};

TEST_F(ScriptRows, AFailedWriteShowsTheRealReasonAndTheRowShowsWhatIsStillStored) {
    auto memory = std::make_shared<testsupport::MemoryPreferences>();
    world.change([&](auto& platform) { platform.preferences = memory; });
    const QString kept = world.scriptFile(u"Kept.scpt"_s);
    memory->domain(domain)->m_values.insert(kCaptureKey, kept);
    memory->domain(domain)->m_failWrites = true;
    showDetail();
    for (const bool removing : {false, true}) {
        SCOPED_TRACE(removing);
        if (removing) {
            row(0)->clear();
        } else {
            apptest::choose(row(0), world.scriptFile(u"<i>New<i>.scpt"_s));
        }
        expectShowsFile(row(0), kept);
        const QString message = apptest::takeMessage();
        EXPECT_TRUE(message.contains(domain + u" cannot be written (test)"_s));
        EXPECT_TRUE(message.contains(u"Capture Done"_s));
        EXPECT_EQ(removing, !message.contains(u"<i>New<i>.scpt"_s));
    }
}

TEST_F(ScriptRows, AnUnreadableDomainIsABannerNamingTheFileAndCauseWithTheRowsDisabled) {
    ASSERT_TRUE(assign(kCaptureKey, u"Before.scpt"_s));
    world.temp().write(u"Preferences/"_s + domain + u".plist"_s, "not a plist");
    showDetail();
    NoticeBanner* banner = host->banner();
    ASSERT_TRUE(banner->isVisible());
    EXPECT_TRUE(banner->headline().contains(u"Capture One 23"_s));
    EXPECT_TRUE(banner->details().contains(world.domainFile(domain)));
    EXPECT_TRUE(banner->details().contains(u"not a property list"_s));
    for (ScriptView* view : host->rows()) {
        EXPECT_FALSE(view->isEnabled());
        EXPECT_EQ(view->chooseButton()->text(), ScriptView::unknownText());
    }
    EXPECT_EQ(domainBytes(), QByteArray("not a plist"));

    ASSERT_TRUE(QFile::remove(world.domainFile(domain)));
    ASSERT_TRUE(assign(kBatchKey, u"After.scpt"_s));
    QTest::mouseClick(banner->actionButton(), Qt::LeftButton);
    EXPECT_FALSE(banner->isVisible());
    EXPECT_TRUE(row(0)->isEnabled());
    EXPECT_EQ(row(1)->chooseButton()->text(), u"After.scpt"_s);
}

void writeFile(const QString& file, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(contents) >= 0);
}

struct FileChange {
    const char* name;
    void (*before)(const QString& file); // before the row shows (none: a script stays there)
    void (*change)(const QString& file); // while the row is on screen
    Status expected;                     // and the words of its mark (empty: none)
    const char* mark;
};

class FollowedFile : public ScriptRows, public ::testing::WithParamInterface<FileChange> {};

TEST_P(FollowedFile, TheMarkFollowsTheFileWhileTheRowIsShown) {
    const FileChange& c = GetParam();
    if (c.expected == Status::NotReadable && ::geteuid() == 0) {
        GTEST_SKIP() << "every file is readable to root";
    }
    const QString file = world.scriptFile(u"Watched/Export Done.scpt"_s);
    ASSERT_TRUE(world.writeExternally(domain, kCaptureKey, file));
    if (c.before) {
        c.before(file);
    }
    showDetail();
    ScriptView* capture = row(0);
    ASSERT_TRUE(capture->assignment().check().has_value());
    const QByteArray before = domainBytes();
    c.change(file);
    EXPECT_TRUE(QTest::qWaitFor([&] { return capture->assignment().check()->status() == c.expected; }));
    const QString mark = QString::fromUtf8(c.mark);
    EXPECT_EQ(capture->fileStatusLabel()->isVisible(), !mark.isEmpty());
    EXPECT_EQ(capture->fileStatusLabel()->text(), mark);
    EXPECT_EQ(capture->chooseButton()->text(), u"Export Done.scpt"_s);
    const QString reason = mark.isEmpty() ? file : capture->assignment().check()->reason();
    EXPECT_TRUE(capture->chooseButton()->toolTip().contains(reason));
    EXPECT_TRUE(capture->chooseButton()->accessibleDescription().contains(reason));
    EXPECT_EQ(domainBytes(), before);
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Changes, FollowedFile, ::testing::Values(
    FileChange{"Deleted", nullptr, [](const QString& f) { QFile::remove(f); }, Status::Missing, "missing"},
    FileChange{"FolderDeleted", nullptr, [](const QString& f) { QDir(QFileInfo(f).path()).removeRecursively(); },
               Status::Missing, "missing"},
    FileChange{"MadeUnreadable", nullptr, [](const QString& f) { QFile::setPermissions(f, QFileDevice::WriteOwner); },
               Status::NotReadable, "unreadable"},
    FileChange{"MadeNotAScript", nullptr, [](const QString& f) { writeFile(f, QByteArray::fromHex("7f454c46")); },
               Status::NotAScript, "not a script"},
    FileChange{"Emptied", nullptr, [](const QString& f) { writeFile(f, {}); }, Status::Empty, "empty"},
    FileChange{"RestoredAfterDeleted", [](const QString& f) { QDir(QFileInfo(f).path()).removeRecursively(); },
               [](const QString& f) { writeFile(f, "on run\nend run\n"); }, Status::Passes, ""}),
    [](const ::testing::TestParamInfo<FileChange>& change) { return std::string(change.param.name); });
// clang-format on

// Also when the row's own first choice made the domain's folder.
TEST_F(ScriptRows, RowsFollowAChangeMadeByAnotherProgram) {
    ASSERT_TRUE(QDir(world.preferencesFolder()).removeRecursively());
    showDetail();
    apptest::choose(row(1), world.scriptFile(u"First.scpt"_s));
    auto shows = [this](int index, const QString& text) {
        return QTest::qWaitFor([&] { return row(index)->chooseButton()->text() == text; });
    };
    ASSERT_TRUE(assign(kCaptureKey, u"From Elsewhere.scpt"_s));
    EXPECT_TRUE(shows(0, u"From Elsewhere.scpt"_s));
    EXPECT_NE(row(0)->removeButton(), nullptr);
    ASSERT_TRUE(world.writeExternally(domain, kCaptureKey, QVariant()));
    EXPECT_TRUE(shows(0, ScriptView::chooseText()));
    EXPECT_EQ(row(0)->removeButton(), nullptr);
    ASSERT_TRUE(assign(kBatchKey, u"Again.scpt"_s));
    EXPECT_TRUE(shows(1, u"Again.scpt"_s));

    // A row put on screen again reads its file again.
    row(0)->hide();
    ASSERT_TRUE(assign(kCaptureKey, u"x.scpt"_s));
    row(0)->show();
    EXPECT_EQ(row(0)->chooseButton()->text(), u"x.scpt"_s);
}

TEST_F(ScriptRows, ComingBackToTheWindowReadsADomainThatTellsOfNoChange) {
    auto memory = std::make_shared<testsupport::MemoryPreferences>();
    memory->domain(domain)->m_watchable = false;
    world.change([&](auto& platform) { platform.preferences = memory; });
    showDetail();
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    memory->domain(domain)->m_values.insert(kCaptureKey, world.scriptFile(u"Later.scpt"_s));
    EXPECT_EQ(row(0)->chooseButton()->text(), ScriptView::chooseText());
    ASSERT_TRUE(activate());
    EXPECT_TRUE(QTest::qWaitFor([&] { return row(0)->chooseButton()->text() == u"Later.scpt"_s; }));
}

// Rows are made in groups: every one is made, in order, lined up with the others and another copy's.
TEST_F(ScriptRows, ManyRowsAreAllMadeInOrderAndLinedUp) {
    QList<QPair<QString, QString>> scripts;
    const int count = 2 * ApplicationView::kRowsPerGroup + 3;
    for (int i = 0; i < count; ++i) {
        scripts.append({u"step %1 done script"_s.arg(i), u"Step %1."_s.arg(i)});
    }
    scripts[1].first = u"anextraordinarilylongbackgroundpropertynamewithoutanyspaces script"_s;
    world.addCopy(26, scripts);
    showDetail();
    const int start = row(0)->chooseButton()->mapTo(host.get(), QPoint(0, 0)).x();
    use(26);
    ASSERT_TRUE(assign(u"endOfStep%1Script"_s.arg(count - 1), u"Last.scpt"_s));
    ASSERT_EQ(showDetail().rows().size(), count);
    // A word longer than the label's width wraps anywhere, losing nothing.
    EXPECT_GE(row(1)->label()->lines().size(), 2);
    EXPECT_EQ(row(1)->label()->lines().join(QString()), row(1)->label()->text());
    EXPECT_EQ(row(count - 1)->chooseButton()->text(), u"Last.scpt"_s);
    auto at = [this](QWidget* widget, QPoint point = {}) { return widget->mapTo(host.get(), point); };
    for (int i = 0; i < count; ++i) {
        ScriptView* view = row(i);
        WrappingLabel* label = view->label();
        EXPECT_TRUE(i == 1 || label->text() == u"Step %1 Done"_s.arg(i)) << i;
        EXPECT_EQ(at(view->chooseButton()).x(), start) << i;
        EXPECT_EQ(at(view->descriptionLabel()).x(), start) << i;
        EXPECT_LT(at(label, QPoint(label->width(), 0)).x(), start) << i;
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << i;
        // The label's first line and the button's text share one baseline.
        EXPECT_EQ(at(label, QPoint(0, label->baseline())).y(),
                  at(view->chooseButton(), QPoint(0, view->chooseButton()->baseline())).y());
        EXPECT_TRUE(i == 0 || at(view).y() > at(row(i - 1)).y()) << i;
    }
}

// The row's buttons and menu: the panel opens from the keyboard too and Cancel keeps the file, the
// menu offers what the row allows, and the remove button clears only its key.
TEST_F(ScriptRows, ItsButtonsAndMenuOfferWhatTheRowAllowsFromPointerOrKeyboard) {
    ASSERT_TRUE(world.writeExternally(domain, u"unrelated"_s, 42));
    showDetail();
    ScriptView* capture = row(0);
    auto menu = [capture] {
        QMap<QString, QAction*> enabled;
        for (QAction* action : capture->createContextMenu(capture)->actions()) {
            if (action->isEnabled() && !action->isSeparator()) {
                enabled.insert(action->text(), action);
            }
        }
        return enabled;
    };
    const QString chooseItem = u"Choose a Script…"_s;
    const QString removeItem = u"Remove Script"_s;
    const QString revealItem = u"Show in File Manager"_s;
    EXPECT_EQ(menu().keys(), QStringList{chooseItem});
    const QString file = world.scriptFile(u"Export Done.scpt"_s);
    apptest::choose(capture, file);
    EXPECT_EQ(menu().keys(), (QStringList{chooseItem, removeItem, revealItem}));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(u"file"_s, &catcher, "open");
    menu().value(revealItem)->trigger();
    QDesktopServices::unsetUrlHandler(u"file"_s);
    EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(file).absolutePath())});

    const QByteArray before = domainBytes();
    ASSERT_TRUE(activate());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        capture->chooseButton()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(capture->chooseButton(), key);
        ScriptPanel* panel = ScriptPanel::existing();
        ASSERT_TRUE(panel && panel->isVisible()) << key;
        panel->selectFile(world.scriptFile(u"Other.scpt"_s));
        panel->reject();
    }
    EXPECT_EQ(domainBytes(), before);
    expectShowsFile(capture, file);
    // The caption counts as the row; where focus shows the button is the window's tab stops' test.
    RemoveButton* remove = capture->removeButton();
    QTest::mouseMove(capture->descriptionLabel(), capture->descriptionLabel()->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return remove->isDrawn(); }));
    QTest::mouseMove(row(2)->label(), row(2)->label()->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !remove->isDrawn(); }));
    remove->setFocus();
    QTest::keyClick(remove, Qt::Key_Return);
    expectShowsNoFile(capture);
    EXPECT_TRUE(capture->chooseButton()->hasFocus());
    EXPECT_EQ(world.domainContents(domain), (QVariantMap{{u"unrelated"_s, qint64(42)}}));
    QTest::keyClick(capture->chooseButton(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(QTest::qWaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }

    // A file that is gone cannot be shown.
    ASSERT_TRUE(world.writeExternally(domain, kCaptureKey, file));
    ASSERT_TRUE(QFile::remove(file));
    capture->refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return capture->assignment().check()->status() == Status::Missing; }));
    EXPECT_EQ(menu().keys(), (QStringList{chooseItem, removeItem}));
    menu().value(removeItem)->trigger();
    EXPECT_FALSE(stored(kCaptureKey).isValid());
}

TEST_F(ScriptRows, NamesDescriptionsAndPathsWithMarkupAreShownAsTheyStand) {
    const QString name = u"<b>bold</b> done script"_s;
    world.addCopy(26, {{name, u"<i>Runs</i> & then <u>stops</u>."_s}});
    use(26);
    // A file whose path reads <b>Export</b>.scpt: a folder "<b>Export<" holding "b>.scpt".
    const QString file = world.scriptFile(u"<b>Export</b>.scpt"_s);
    ASSERT_TRUE(world.writeExternally(domain, brisquel::BackgroundScript::defaultsKey(name), file));
    showDetail();
    ScriptView* view = row(0);
    EXPECT_TRUE(view->label()->text().contains(u"</"_s));
    EXPECT_EQ(view->descriptionLabel()->text(), u"<i>Runs</i> & then <u>stops</u>."_s);
    EXPECT_EQ(view->chooseButton()->text(), u"b>.scpt"_s);
    EXPECT_EQ(apptest::shownText(view->chooseButton()->toolTip()), file);

    // So do the tooltip of a missing file and the reason of a failure.
    ASSERT_TRUE(QFile::remove(file));
    view->refresh();
    EXPECT_TRUE(apptest::shownText(view->fileStatusLabel()->toolTip()).endsWith(file));
    view->revealFile();
    EXPECT_TRUE(apptest::takeMessage().contains(u"<b>Export</b>.scpt"_s));
}

class SharedPanel : public ScriptRows {
protected:
    void SetUp() override {
        ScriptRows::SetUp();
        showDetail();
    }
};

TEST_F(SharedPanel, ThePanelTakesOneAppleScriptFileOrBundleAndNeverAFolder) {
    ScriptPanel* panel = apptest::openPanel(row(0));
    panel->selectFile(world.temp().write(u"Scripts/<i>notes<i>.txt"_s, "text"));
    panel->accept();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(apptest::takeMessage().contains(u"<i>notes<i>.txt"_s));

    // A folder, even named like a script, is opened; a script bundle is chosen as one file.
    const QString folder = world.temp().filePath(u"Bundle.scpt"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
    panel->selectFile(folder);
    panel->accept();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QDir(folder).absolutePath());
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
    const QString bundle = world.temp().filePath(u"Scripts/Export.SCPTD"_s);
    world.scriptFile(u"Export.SCPTD/Contents/Resources/Scripts/main.scpt"_s);
    EXPECT_FALSE(ScriptPanel::isScriptBundle(world.scriptFile(u"plain.scptd"_s)));
    panel->setDirectory(QFileInfo(bundle).absolutePath());
    panel->fileNameField()->setText(bundle);
    QTest::keyClick(panel->fileNameField(), Qt::Key_Return);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(stored(kCaptureKey).toString(), bundle);
    // A double click on a bundle in the list chooses it too.
    apptest::openPanel(row(1));
    auto* files = panel->findChild<QListView*>(u"listView"_s);
    const auto at = [&] {
        const QModelIndex first = files->model()->index(0, 0, files->rootIndex());
        return files->model()->match(first, Qt::DisplayRole, u"Export.SCPTD"_s).value(0);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return at().isValid(); }));
    files->setCurrentIndex(at());
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(at()).center());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(stored(kBatchKey).toString(), bundle);
}

// One panel for the process: another row asking takes it over where it was left, in the folder of
// the last choice but with nothing of that choice chosen.
TEST_F(SharedPanel, OpenedForAnotherRowThePanelOffersNothingOfThePreviousChoice) {
    expectShowsNoFile(row(0));
    ScriptPanel* panel = apptest::openPanel(row(0));
    panel->move(QPoint(20, 20) + panel->pos() / 2); // elsewhere, and still on the screen
    const QPoint left = panel->pos();
    const QString compiled = world.scriptFile(u"my scripts/Export Done.scpt"_s);
    panel->selectFile(compiled);
    panel->accept();
    ASSERT_EQ(apptest::openPanel(row(1)), panel);
    EXPECT_LE((panel->pos() - left).manhattanLength(), 4);
    EXPECT_EQ(QDir(panel->directory()).absolutePath(), QFileInfo(compiled).absolutePath());
    EXPECT_TRUE(panel->fileNameField()->text().isEmpty());
    for (QAbstractItemView* view : panel->findChildren<QAbstractItemView*>()) {
        if (view->objectName() == QLatin1String("listView") ||
            view->objectName() == QLatin1String("treeView")) {
            EXPECT_TRUE(view->selectionModel()->selectedIndexes().isEmpty());
        }
    }
    QTest::keyClick(panel->fileNameField(), Qt::Key_Return);
    EXPECT_FALSE(stored(kBatchKey).isValid());
    const QString text = world.scriptFile(u"Batch.AppleScript"_s);
    apptest::choose(row(1), text);
    expectShowsFile(row(0), compiled);
    expectShowsFile(row(1), text);
    EXPECT_EQ(world.domainContents(domain), (QVariantMap{{kCaptureKey, compiled}, {kBatchKey, text}}));
}

// Return in the completion list, or one click on Choose while it shows: list and panel close, the
// file is chosen, and the keyboard is back in the row that asked.
TEST_F(SharedPanel, ReturnOrOneClickWhileTheCompletionListShowsChoosesAndClosesListAndPanel) {
    const QString file = world.scriptFile(u"Export Done.scpt"_s);
    world.scriptFile(u"Export Later.scpt"_s);
    for (const bool click : {false, true}) {
        SCOPED_TRACE(click);
        ASSERT_TRUE(activate());
        ScriptPanel* panel = apptest::openPanel(row(int(click)));
        panel->setDirectory(QFileInfo(file).absolutePath());
        auto* files = panel->findChild<QListView*>(u"listView"_s);
        ASSERT_TRUE(QTest::qWaitFor([&] { return files->model()->rowCount(files->rootIndex()) > 0; }));
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
        panel->fileNameField()->setFocus();
        QTest::keyClicks(panel->fileNameField(), u"Export Done.scpt"_s);
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel->completionList()->isVisible(); }));
        QPushButton* chooseButton = panel->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        if (click) {
            QTest::mouseClick(chooseButton, Qt::LeftButton);
            apptest::settle();
            EXPECT_FALSE(chooseButton->isDown());
        } else {
            QTest::keyClick(panel->completionList(), Qt::Key_Return);
        }
        EXPECT_FALSE(panel->isVisible());
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(stored(click ? kBatchKey : kCaptureKey).toString(), file);
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        EXPECT_TRUE(row(int(click))->chooseButton()->hasFocus());
    }
}

TEST_F(SharedPanel, ThePanelClosesWhenTheAskingRowGoesAway) {
    ScriptPanel* panel = apptest::openPanel(row(0));
    host.reset();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->requester(), nullptr);
    EXPECT_FALSE(QFile::exists(world.domainFile(domain)));
}

} // namespace

#include "ScriptViewTest.moc"
