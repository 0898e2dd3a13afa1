#include "tests/app/AppWorld.h"

#include "app/AppDelegate.h"
#include "app/ApplicationView.h"
#include "app/ChooseButton.h"
#include "app/ContentView.h"
#include "app/ScriptPanel.h"
#include "app/ScriptView.h"
#include "app/UndoHistory.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"

#include <QAction>
#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QThreadPool>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace apptest {

AppWorld::AppWorld()
    : m_applications(m_temp.filePath(u"Applications"_s)), m_preferences(m_temp.filePath(u"Preferences"_s)),
      m_log(std::make_shared<testsupport::RecordingLog>()) {
    static QAtomicInt worlds;
    m_identifierPrefix = u"com.captureone.test-%1-%2.copy"_s.arg(QCoreApplication::applicationPid())
                             .arg(worlds.fetchAndAddOrdered(1));
    QDir().mkpath(m_applications);
    QDir().mkpath(m_preferences);
    m_platform = brisquel::Platform::native(
        {.applicationsFolder = m_applications, .preferencesFolder = m_preferences, .log = m_log});
    m_platform.runningApplications = std::make_shared<testsupport::FakeRunningApplications>();
    m_platform.scriptChannel = std::make_shared<testsupport::FakeScriptChannel>();
    m_platform.automationPermission = std::make_shared<testsupport::FakePermission>();
    change([](brisquel::Platform&) {});
}

AppWorld::~AppWorld() {
    closeMessageBoxes();
    settle();
}

void AppWorld::change(const std::function<void(brisquel::Platform&)>& change) {
    settle();
    change(m_platform);
    brisquel::Platform::install(m_platform);
    m_finder = std::make_unique<brisquel::AppFinder>(m_platform);
}

QString AppWorld::identifier(int number) const {
    return m_identifierPrefix + QString::number(number);
}

QString AppWorld::addCopy(int number, const QList<QPair<QString, QString>>& scripts) {
    testsupport::BundleLayout layout;
    layout.bundleName = u"Capture One %1.app"_s.arg(number);
    layout.bundleIdentifier = identifier(number);
    layout.version = u"%1.0"_s.arg(number);
    layout.sdef = testsupport::sdefWithScripts(scripts);
    return testsupport::makeBundle(m_applications, layout);
}

void AppWorld::setIcon(const QString& bundle, const QString& fileName, const QByteArray& contents) const {
    QFile icon(bundle + u"/Contents/Resources/"_s + fileName);
    if (icon.open(QIODevice::WriteOnly)) {
        icon.write(contents);
    }
    QFile info(bundle + u"/Contents/Info.plist"_s);
    if (info.open(QIODevice::ReadWrite)) {
        const QByteArray plist = info.readAll().replace(
            "<dict>", "<dict>\n  <key>CFBundleIconFile</key><string>" + fileName.toUtf8() + "</string>");
        info.seek(0);
        info.write(plist);
    }
}

std::optional<QVariantMap> AppWorld::domainContents(const QString& domain) const {
    const brisquel::vexo::Expected<QVariant> value =
        brisquel::vexo::plist::readFile(domainFile(domain), brisquel::vexo::limits::kPreferencesDomainBytes);
    if (!value || value->metaType() != QMetaType::fromType<QVariantMap>()) {
        return std::nullopt;
    }
    return value->toMap();
}

bool AppWorld::writeExternally(const QString& domain, const QString& key, const QVariant& value) const {
    const auto other = brisquel::Platform::native({.preferencesFolder = m_preferences, .log = m_log})
                           .preferences->open(domain);
    return value.isValid() ? other->setValue(key, value) : other->removeValue(key);
}

std::unique_ptr<quillmere::ApplicationView> AppWorld::showDetail(int number, QSize size) {
    std::unique_ptr<quillmere::ApplicationView> view;
    for (const brisquel::AppFinder::App& copy : m_finder->discover()) {
        if (copy.bundleIdentifier() == identifier(number)) {
            view = std::make_unique<quillmere::ApplicationView>(copy);
        }
    }
    EXPECT_NE(view, nullptr);
    if (view) {
        view->resize(size);
        QSignalSpy read(view.get(), &quillmere::ApplicationView::scriptsRead);
        view->show();
        EXPECT_TRUE(read.wait(5000));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        settle();
    }
    return view;
}

AppWindow::AppWindow(AppWorld& world) : m_delegate(std::make_unique<quillmere::AppDelegate>(world.finder())) {
    m_delegate->applicationDidFinishLaunching();
    QSignalSpy loaded(content(), &quillmere::ContentView::applicationsLoaded);
    EXPECT_TRUE(loaded.wait(5000));
    EXPECT_TRUE(QTest::qWaitForWindowActive(window()));
    waitForRows();
    settle();
}

AppWindow::~AppWindow() {
    closeMessageBoxes();
    m_delegate.reset();
    settle();
}

quillmere::ContentView* AppWindow::content() const {
    return m_delegate->contentView();
}

QMainWindow* AppWindow::window() const {
    return m_delegate->window();
}

brisquel::AppFinder::App AppWindow::copy(int number) const {
    for (const brisquel::AppFinder::App& app : content()->applications()) {
        if (app.displayName() == u"Capture One %1"_s.arg(number)) {
            return app;
        }
    }
    ADD_FAILURE() << "no Capture One " << number;
    return content()->applications().first();
}

void AppWindow::select(int number) const {
    content()->setSelectedApp(copy(number));
    waitForRows();
}

void AppWindow::waitForRows() const {
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const quillmere::ApplicationView* view = content()->applicationView();
        return view && !view->isReading() && !view->rows().isEmpty();
    }));
}

quillmere::ScriptView* AppWindow::row(int index) const {
    return content()->applicationView() ? content()->applicationView()->rows().value(index) : nullptr;
}

QString AppWindow::undoText() const {
    return content()->undoHistory()->undoAction()->iconText();
}

QString takeMessage() {
    const QList<QMessageBox*> boxes = visibleTopLevels<QMessageBox>();
    EXPECT_EQ(boxes.size(), 1);
    if (boxes.size() != 1) {
        return {};
    }
    const QString text = boxes.first()->textFormat() == Qt::PlainText ? boxes.first()->text()
                                                                      : shownText(boxes.first()->text());
    boxes.first()->close();
    return text;
}

void closeMessageBoxes() {
    for (QMessageBox* box : visibleTopLevels<QMessageBox>()) {
        box->close();
    }
}

QString shownText(const QString& text) {
    if (!Qt::mightBeRichText(text)) {
        return text;
    }
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

void settle() {
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

quillmere::ScriptPanel* openPanel(quillmere::ScriptView* view) {
    QTest::mouseClick(view->chooseButton(), Qt::LeftButton);
    quillmere::ScriptPanel* panel = quillmere::ScriptPanel::existing();
    EXPECT_TRUE(panel && panel->isVisible());
    return panel;
}

void choose(quillmere::ScriptView* view, const QString& file) {
    quillmere::ScriptPanel* panel = openPanel(view);
    ASSERT_NE(panel, nullptr);
    panel->selectFile(file);
    panel->accept();
    EXPECT_FALSE(panel->isVisible());
}

} // namespace apptest
