#include "app/ScriptPanel.h"

#include "app/PlainText.h"

#include "Preferences/WindowPlacement.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSplitter>
#include <QStyle>
#include <QThread>
#include <QTreeView>

namespace quillmere {

namespace {

QPointer<ScriptPanel>& instance() {
    static QPointer<ScriptPanel> panel;
    return panel;
}

} // namespace

ScriptPanel& ScriptPanel::shared() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    if (!instance()) {
        instance() = new ScriptPanel;
    }
    return *instance();
}

ScriptPanel* ScriptPanel::existing() {
    return instance();
}

ScriptPanel::ScriptPanel() : QFileDialog(nullptr) {
    setObjectName(QStringLiteral("ScriptPanel"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    // The panel opens files; it offers no renaming, deleting or new folders.
    setOption(QFileDialog::ReadOnly, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilters({tr("AppleScript Files (*.scpt *.scptd *.applescript)")});
    setWindowTitle(tr("Choose a Script"));
    setLabelText(QFileDialog::Accept, tr("Choose"));
    setWindowModality(Qt::NonModal);
    setDirectory(QDir::homePath());
    resize(sizeHint().expandedTo(QSize(720, 460)));
    connect(this, &QDialog::finished, this, &ScriptPanel::finish);
    fitColumns();

    // A script bundle double-clicked, or Return pressed on it, is chosen rather than opened.
    for (const QString& name : {QStringLiteral("listView"), QStringLiteral("treeView")}) {
        if (auto* view = findChild<QAbstractItemView*>(name)) {
            view->installEventFilter(this);
            view->viewport()->installEventFilter(this);
        }
    }

    if (QLineEdit* field = fileNameField(); field && field->completer()) {
        m_completionList = field->completer()->popup();
        // Owned by the panel, so that it can only go with it (a window of no one's could be
        // closed and deleted on its own while the completer still points at it).
        m_completionList->setParent(this, m_completionList->windowFlags());
        // After the completer's own filter, which would swallow the click that closes the list.
        m_completionList->installEventFilter(this);
        // The panel passes that click on itself, on every platform alike (some would repeat it).
        m_completionList->setAttribute(Qt::WA_NoMouseReplay);
    }
    // The window lives until the application ends, and goes while the event loop's machinery is
    // still there to stop its folder watcher.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QObject::deleteLater);
}

QLineEdit* ScriptPanel::fileNameField() const {
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

bool ScriptPanel::isScriptBundle(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.suffix().compare(QLatin1String("scptd"), Qt::CaseInsensitive) == 0;
}

void ScriptPanel::fitColumns() {
    // The size, kind and date take the room they need, so that "Date Modified" is never cut while
    // the name has room to give; the name takes the rest.
    auto* details = findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!details) {
        return;
    }
    QHeaderView* header = details->header();
    header->setStretchLastSection(false);
    for (int column = 0; column < header->count(); ++column) {
        header->setSectionResizeMode(column,
                                     column == 0 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    }
}

void ScriptPanel::fitPlaces() {
    // The list of places is as wide as its names ("Computer", the home folder's name), within a
    // third of the panel: known once the panel is on screen.
    auto* places = findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
    auto* splitter = findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!places || !splitter || splitter->count() != 2) {
        return;
    }
    const int needed = places->sizeHintForColumn(0) + 2 * places->frameWidth() +
                       places->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QList<int> sizes = splitter->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int sidebar = qBound(sizes.value(0), needed, total / 3);
    splitter->setSizes({sidebar, total - sidebar});
}

QString ScriptPanel::bundleAt(const QAbstractItemView* view) const {
    const QModelIndex index = view->currentIndex();
    if (!index.isValid()) {
        return {};
    }
    const QString path = index.data(QFileSystemModel::FilePathRole).toString();
    return isScriptBundle(path) ? path : QString();
}

void ScriptPanel::chooseBundle(const QString& path) {
    m_chosenBundle = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    // Past the file dialog's own accept, which would open the bundle as a folder.
    // NOLINTNEXTLINE(bugprone-parent-virtual-call)
    QDialog::accept();
}

bool ScriptPanel::isScriptFileName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.compare(QLatin1String("scpt"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("applescript"), Qt::CaseInsensitive) == 0;
}

void ScriptPanel::begin(QObject* requester, Completion completion) {
    disconnect(m_requesterConnection);
    m_requester = requester;
    m_completion = std::move(completion);
    if (requester) {
        m_requesterConnection =
            connect(requester, &QObject::destroyed, this, &ScriptPanel::requesterDestroyed);
    }
    clearSelection();
    m_chosenBundle.reset();
    if (!isVisible()) {
        // Where the user left it; the first time, centred with its frame.
        if (m_lastPlace) {
            WindowPlacement::restore(this, *m_lastPlace);
        } else {
            WindowPlacement::centre(this);
        }
    }
    const bool first = !m_lastPlace && !isVisible();
    show();
    if (first) {
        fitPlaces();
    }
    // Showing can bring back the last selection; it never carries over to another request.
    clearSelection();
    raise();
    activateWindow();
    if (QLineEdit* field = fileNameField()) {
        field->setFocus(Qt::OtherFocusReason);
    }
}

void ScriptPanel::clearSelection() {
    closeCompletionList();
    // The folder views share one selection; the list of places keeps its own, which is a place.
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        if (view != m_completionList && view->objectName() != QLatin1String("sidebar") &&
            view->selectionModel()) {
            view->selectionModel()->clear();
        }
    }
    if (QLineEdit* field = fileNameField()) {
        field->clear();
    }
}

void ScriptPanel::closeCompletionList() {
    if (m_completionList && m_completionList->isVisible()) {
        m_completionList->hide();
    }
}

void ScriptPanel::accept() {
    closeCompletionList();
    const QStringList files = selectedFiles();
    if (files.size() == 1) {
        const QFileInfo info(files.first());
        // A script bundle is one script, though it is a folder on disk.
        if (isScriptBundle(info.filePath())) {
            chooseBundle(info.filePath());
            return;
        }
        // Another folder is entered and a missing file is reported by the dialog itself.
        if (info.exists() && !info.isDir() && !isScriptFileName(info.fileName())) {
            const QString message =
                tr("“%1” is not an AppleScript file. Choose a compiled script (.scpt) or an AppleScript "
                   "text file (.applescript).")
                    .arg(info.fileName());
            openPlainMessageBox(QMessageBox::Warning, tr("Not an AppleScript File"), message, this);
            emit refused(message);
            return;
        }
    }
    QFileDialog::accept();
}

void ScriptPanel::done(int result) {
    // A completion list is a window of its own: hiding the panel would leave it on screen, holding
    // the keyboard and the mouse of the whole application.
    closeCompletionList();
    if (isVisible()) {
        m_lastPlace = geometry();
    }
    QFileDialog::done(result);
}

bool ScriptPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick || event->type() == QEvent::KeyPress) {
        QObject* owner = watched->parent();
        auto* view = qobject_cast<QAbstractItemView*>(watched);
        if (!view && owner &&
            (owner->objectName() == QLatin1String("listView") ||
             owner->objectName() == QLatin1String("treeView"))) {
            view = qobject_cast<QAbstractItemView*>(owner);
        }
        const bool activates = event->type() == QEvent::MouseButtonDblClick
                                   ? true
                                   : (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter);
        if (view && view != m_completionList && activates) {
            if (const QString bundle = bundleAt(view); !bundle.isEmpty()) {
                chooseBundle(bundle);
                return true;
            }
        }
    }
    if (watched == m_completionList && event->type() == QEvent::MouseButtonPress) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (!m_completionList->rect().contains(press->position().toPoint())) {
            // The click closes the list and then reaches what it was aimed at, as it does
            // everywhere else, so one click on Choose chooses.
            const QPointF global = press->globalPosition();
            closeCompletionList();
            // Found within the panel: the window system may not yet know that the list is gone.
            QWidget* target = childAt(mapFromGlobal(global.toPoint()));
            if (target) {
                QMouseEvent replay(QEvent::MouseButtonPress, target->mapFromGlobal(global), global,
                                   press->button(), press->buttons(), press->modifiers());
                QCoreApplication::sendEvent(target, &replay);
                // The list held the pointer when the button went down, so the window system may
                // hand the release to the list: it goes to the same target.
                m_pressedThroughList = target;
                qApp->installEventFilter(this);
            }
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease && m_pressedThroughList) {
        const QPointer<QWidget> target = m_pressedThroughList;
        m_pressedThroughList = nullptr;
        qApp->removeEventFilter(this);
        if (watched != target && target) {
            auto* release = static_cast<QMouseEvent*>(event);
            QMouseEvent redirected(
                QEvent::MouseButtonRelease, target->mapFromGlobal(release->globalPosition()),
                release->globalPosition(), release->button(), release->buttons(), release->modifiers());
            QCoreApplication::sendEvent(target, &redirected);
            return true;
        }
    }
    return QFileDialog::eventFilter(watched, event);
}

void ScriptPanel::finish(int result) {
    disconnect(m_requesterConnection);
    const QPointer<QObject> requester = m_requester;
    Completion completion = std::move(m_completion);
    m_requester = nullptr;
    m_completion = nullptr;
    if (!requester || !completion) {
        return;
    }
    std::optional<QUrl> chosen;
    if (result == QDialog::Accepted) {
        const QList<QUrl> urls = selectedUrls();
        if (m_chosenBundle) {
            chosen = m_chosenBundle;
        } else if (!urls.isEmpty() && urls.first().isLocalFile()) {
            chosen = urls.first();
        }
    }
    m_chosenBundle.reset();
    // The next use opens in the folder of this choice, typed or browsed to.
    if (chosen) {
        setDirectory(QFileInfo(chosen->toLocalFile()).absolutePath());
    }
    completion(chosen);
}

void ScriptPanel::requesterDestroyed() {
    // Only the current requester is connected, so this is the request being served.
    m_requester = nullptr;
    m_completion = nullptr;
    if (isVisible()) {
        reject();
    }
}

} // namespace quillmere
