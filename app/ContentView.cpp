#include "app/ContentView.h"

#include "VexoWidgets/Appearance.h"
#include "VexoWidgets/TextStyles.h"
#include "app/AppHeaderView.h"
#include "app/ApplicationView.h"
#include "app/AssignmentTransfer.h"
#include "app/PlaceholderView.h"
#include "app/PlainText.h"
#include "app/UndoHistory.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

namespace {

using brisquel::AppFinder;

// The divider between sidebar and detail: a hairline, as beside a sidebar.
class HairlineHandle final : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Mid));
    }
};

class HairlineSplitter final : public QSplitter {
public:
    explicit HairlineSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {}

protected:
    QSplitterHandle* createHandle() override { return new HairlineHandle(orientation(), this); }
};

// One discovery with what it passed over, delivered as a future. The finder hands out its report
// only from its synchronous form, so that form runs on the thread pool.
QFuture<AppFinder::Discovery> discoveryWithReport(const AppFinder& finder) {
    return QtConcurrent::run(
        [platform = finder.platform()] { return AppFinder::discoverWithReport(platform); });
}

QString toolTipFor(const AppFinder::App& copy) {
    QStringList lines{copy.displayName()};
    if (!copy.version().isEmpty()) {
        lines << AppHeaderView::versionLine(copy.version());
    }
    lines << copy.url().toLocalFile();
    return plainToolTip(lines.join(QLatin1Char('\n')));
}

} // namespace

ContentView::ContentView(AppFinder& finder, QWidget* parent) : QWidget(parent), m_finder(finder) {
    setObjectName(QStringLiteral("ContentView"));
    setMinimumSize(kMinimumContentWidth, kMinimumContentHeight);

    // Sidebar column: the list of copies over a busy row.
    m_sidebarColumn = new QWidget;
    m_sidebarColumn->setObjectName(QStringLiteral("sidebarColumn"));
    m_sidebarColumn->setMinimumWidth(kMinimumSidebarWidth);

    m_busyRow = new QWidget(m_sidebarColumn);
    auto* busyLayout = new QHBoxLayout(m_busyRow);
    busyLayout->setContentsMargins(10, 4, 10, 8);
    auto* busyLabel = new QLabel(tr("Searching…"), m_busyRow);
    busyLabel->setFont(captionFont(this));
    m_busy = new QProgressBar(m_busyRow);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setMaximumHeight(10);
    m_busy->setAccessibleName(tr("Searching for copies of Capture One"));
    busyLayout->addWidget(busyLabel);
    busyLayout->addWidget(m_busy, 1);
    m_busyRow->hide();
    m_busyDelay.setSingleShot(true);
    m_busyDelay.setInterval(kBusyIndicatorDelayMilliseconds);
    connect(&m_busyDelay, &QTimer::timeout, this, [this] { m_busyRow->setVisible(isSearching()); });

    m_sidebar = new QListWidget(m_sidebarColumn);
    m_sidebar->setObjectName(QStringLiteral("sidebar"));
    m_sidebar->setAccessibleName(tr("Copies of Capture One"));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sidebar->setUniformItemSizes(true);
    m_sidebar->setItemDelegate(new AppHeaderView(m_sidebar));
    m_sidebar->setPalette(withReadableSelection(m_sidebar->palette()));
    m_sidebar->viewport()->installEventFilter(this);
    m_lookupDelay.setSingleShot(true);
    m_lookupDelay.setInterval(kLookupDelayLimitMilliseconds);
    connect(&m_lookupDelay, &QTimer::timeout, this, [this] {
        if (m_lookupAfterPaint) {
            m_lookupAfterPaint = false;
            listDrawn();
        }
    });
    // A selection, not merely a current row: the list makes its first row current by itself when
    // it gets the focus, which is no choice of the user's.
    connect(m_sidebar, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_sidebar->selectedItems();
        sidebarRowChanged(selected.isEmpty() ? -1 : m_sidebar->row(selected.first()));
    });

    auto* sidebarLayout = new QVBoxLayout(m_sidebarColumn);
    sidebarLayout->setContentsMargins(0, 0, 0, 0);
    sidebarLayout->setSpacing(0);
    sidebarLayout->addWidget(m_sidebar, 1);
    // Below the list, so the rows do not move when it goes.
    sidebarLayout->addWidget(m_busyRow);

    // Detail column: the placeholder, or the selected copy's scripts.
    m_detail = new QStackedWidget;
    m_detail->setObjectName(QStringLiteral("detail"));
    m_detail->setMinimumWidth(kMinimumDetailWidth);
    // Blank until the first search has been shown: an invitation to choose would be premature.
    m_pendingPage = new QWidget;
    m_detail->addWidget(m_pendingPage);

    m_splitter = new HairlineSplitter(this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);
    m_splitter->addWidget(m_sidebarColumn);
    m_splitter->addWidget(m_detail);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kMinimumSidebarWidth, kMinimumContentWidth - kMinimumSidebarWidth});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    m_undoHistory = new UndoHistory(this, this);
    connect(m_undoHistory, &UndoHistory::assignmentsChanged, this, &ContentView::showChangedAssignments);
    m_transfer = new AssignmentTransfer(this);

    m_sidebar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_sidebar, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        const QModelIndex at = m_sidebar->indexAt(position);
        // From the keyboard's Menu key the position may be no row's: the current row's menu.
        const int row = at.isValid() ? at.row() : m_sidebar->currentRow();
        const QPoint where =
            at.isValid() ? position : m_sidebar->visualItemRect(m_sidebar->currentItem()).center();
        popUpSidebarMenu(row, m_sidebar->viewport()->mapToGlobal(where));
    });
    // Shift+F10 as well as the Menu key, as the desktops' keyboard guidelines have it.
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_sidebar);
    menuKey->setContext(Qt::WidgetShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] {
        if (QListWidgetItem* current = m_sidebar->currentItem()) {
            popUpSidebarMenu(m_sidebar->currentRow(),
                             m_sidebar->viewport()->mapToGlobal(m_sidebar->visualItemRect(current).center()));
        }
    });

    // The content is built just before it is first shown: its first search starts now, so that
    // the walk of the folder overlaps the building of the window, and serves that first showing.
    load();
}

ContentView::~ContentView() = default;

QString ContentView::placeholderText() {
    return PlaceholderView::promptText();
}

QWidget* ContentView::detailColumn() const {
    return m_detail;
}

void ContentView::showChangedAssignments(const QString& copyIdentifier) {
    if (m_applicationView && m_applicationView->application().bundleIdentifier() == copyIdentifier) {
        m_applicationView->assignmentsChangedElsewhere();
    }
}

QMenu* ContentView::createSidebarMenu(int row, QWidget* parent) {
    if (row < 0 || row >= m_applications.size()) {
        return nullptr;
    }
    auto* menu = new QMenu(parent);
    QMenu* copyTo = menu->addMenu(tr("Copy Assignments To"));
    m_transfer->fillCopyMenu(copyTo, m_applications[row]);
    return menu;
}

void ContentView::popUpSidebarMenu(int row, const QPoint& globalPosition) {
    QMenu* menu = createSidebarMenu(row, this);
    if (!menu) {
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Opened from the keyboard, its first command is ready for Return or the arrow keys.
    menu->popup(globalPosition);
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_showings.isRepeat(event)) {
        load();
    } else if (m_searching && m_search && m_search->future().isFinished()) {
        // The first search, started when the content was made, is usually done by the time the
        // window is shown: its copies go into the window's first paint, rather than into a second
        // one after the result has come through the event loop (behind the window's exposure).
        AppFinder::Discovery discovery = m_search->result();
        m_search.reset();
        showSearch(std::move(discovery));
    }
}

bool ContentView::event(QEvent* event) {
    // Coming back to the window is when a copy may have started or quit meanwhile.
    if (event->type() == QEvent::WindowActivate && !m_searching && !m_selectionPending &&
        !m_applications.isEmpty()) {
        lookForRunningCopies(false);
    }
    return QWidget::event(event);
}

void ContentView::load() {
    m_searching = true;
    m_busyDelay.start();
    // A watcher owned by this view drops a result that arrives after the view has gone or a newer
    // search has begun.
    m_search = std::make_unique<QFutureWatcher<AppFinder::Discovery>>();
    QFutureWatcher<AppFinder::Discovery>* watcher = m_search.get();
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] { showSearch(watcher->result()); });
    watcher->setFuture(discoveryWithReport(m_finder));
}

void ContentView::listDrawn() {
    // Which copies run decides the selection and so what the window shows: it goes to the thread
    // pool first, and the icons take the threads left.
    lookForRunningCopies(true);
    loadIcons();
}

void ContentView::loadIcons() {
    // The list goes on screen with its names, identifiers and versions, which are what a copy is
    // told and chosen by; each icon follows as soon as its file is decoded, off the GUI thread and
    // several at a time. Decoding twenty icons takes longer than finding the twenty copies.
    QStringList files;
    for (const AppFinder::App& copy : std::as_const(m_applications)) {
        files.append(copy.icon());
    }
    m_iconLoad = std::make_unique<QFutureWatcher<QImage>>();
    QFutureWatcher<QImage>* watcher = m_iconLoad.get();
    connect(watcher, &QFutureWatcherBase::resultReadyAt, this, [this, watcher](int index) {
        const QImage icon = watcher->resultAt(index);
        if (index < m_sidebar->count()) {
            QListWidgetItem* item = m_sidebar->item(index);
            if (!icon.isNull()) {
                item->setData(Qt::DecorationRole, QPixmap::fromImage(icon));
            }
            item->setData(AppHeaderView::kIconPendingRole, false);
        }
    });
    // A row whose icon could not be decoded shows the generic one.
    connect(watcher, &QFutureWatcherBase::finished, this, [this] {
        for (int row = 0; row < m_sidebar->count(); ++row) {
            m_sidebar->item(row)->setData(AppHeaderView::kIconPendingRole, false);
        }
    });
    watcher->setFuture(QtConcurrent::mapped(std::move(files), &AppHeaderView::loadIcon));
}

void ContentView::showSearch(AppFinder::Discovery discovery) {
    m_searching = false;
    m_busyDelay.stop();
    m_busyRow->hide();
    m_lastSearch = std::move(discovery);
    m_applications = m_lastSearch.apps;
    // What was being worked out for the previous list (its icons, its running copies) is dropped:
    // it would land on the rows of this one.
    m_iconLoad.reset();
    m_runningLookup.reset();

    m_updatingSidebar = true;
    m_sidebar->clear();
    for (qsizetype i = 0; i < m_applications.size(); ++i) {
        const AppFinder::App& copy = m_applications[i];
        auto* item = new QListWidgetItem(copy.displayName(), m_sidebar);
        item->setData(AppHeaderView::kIdentifierRole, copy.bundleIdentifier());
        item->setData(AppHeaderView::kVersionRole, copy.version());
        item->setData(AppHeaderView::kIconPendingRole, true);
        item->setData(Qt::AccessibleDescriptionRole, copy.bundleIdentifier() + QStringLiteral(", ") +
                                                         AppHeaderView::versionLine(copy.version()));
        item->setToolTip(toolTipFor(copy));
    }
    m_updatingSidebar = false;

    if (m_applications.isEmpty()) {
        makePlaceholder()->showNothingFound(
            QDir::cleanPath(QFileInfo(m_finder.platform().applicationsFolder).absoluteFilePath()),
            m_lastSearch.folder, m_lastSearch.skipped);
    } else if (m_placeholder) {
        m_placeholder->showSelectionPrompt();
    }
    // Nothing is selected until the running copy is known; the detail stays blank meanwhile rather
    // than asking the user to choose.
    m_selectedApp.reset();
    m_userPickedMeanwhile = false;
    m_selectionPending = true;
    showDetail(/*selectionPending=*/!m_applications.isEmpty());
    emit applicationsListed();
    // Decoding the icons and looking for running copies (which reads every process of the machine)
    // wait until the list has been drawn (or a moment, when it is not): it goes on screen first.
    m_lookupAfterPaint = true;
    m_lookupDelay.start();
}

bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_sidebar->viewport() && event->type() == QEvent::Paint && m_lookupAfterPaint) {
        m_lookupAfterPaint = false;
        m_lookupDelay.stop();
        // After this drawing has reached the screen.
        QMetaObject::invokeMethod(
            this, [this] { listDrawn(); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

PlaceholderView* ContentView::makePlaceholder() {
    if (!m_placeholder) {
        m_placeholder = new PlaceholderView;
        connect(m_placeholder, &PlaceholderView::searchAgainRequested, this, &ContentView::load);
        m_detail->addWidget(m_placeholder);
    }
    return m_placeholder;
}

void ContentView::lookForRunningCopies(bool select) {
    // Finding a running copy looks through every process: not on the GUI thread. The copies are
    // asked in list order, so the first running one is known as soon as it is met.
    m_runningLookup = std::make_unique<QFutureWatcher<QList<bool>>>();
    QFutureWatcher<QList<bool>>* watcher = m_runningLookup.get();
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, select] { showRunning(watcher->result(), select); });
    watcher->setFuture(QtConcurrent::run([applications = m_applications] {
        QList<bool> running;
        for (const AppFinder::App& copy : applications) {
            running.append(copy.isRunning());
        }
        return running;
    }));
}

void ContentView::showRunning(const QList<bool>& running, bool select) {
    for (qsizetype i = 0; i < running.size() && i < m_sidebar->count(); ++i) {
        m_sidebar->item(int(i))->setData(AppHeaderView::kRunningRole, running[i]);
    }
    if (!select) {
        return;
    }
    m_selectionPending = false;
    ++m_searchCount;
    // The first running copy, else the last one; a row the user picked meanwhile is theirs to keep.
    if (!m_userPickedMeanwhile) {
        const qsizetype first = running.indexOf(true);
        const qsizetype chosen = first >= 0 ? first : m_applications.size() - 1;
        setSelectedApp(chosen >= 0 ? std::optional(m_applications[chosen]) : std::nullopt);
    }
    emit applicationsLoaded();
}

void ContentView::setSelectedApp(const std::optional<AppFinder::App>& copy) {
    const int row = copy ? int(m_applications.indexOf(*copy)) : -1;
    m_selectedApp = row >= 0 ? copy : std::nullopt;

    m_updatingSidebar = true;
    m_sidebar->setCurrentRow(row);
    if (row < 0) {
        m_sidebar->clearSelection();
    }
    m_updatingSidebar = false;
    showDetail(false);
    emit selectedAppChanged();
}

void ContentView::sidebarRowChanged(int row) {
    if (m_updatingSidebar) {
        return;
    }
    m_userPickedMeanwhile = true;
    setSelectedApp(row >= 0 && row < m_applications.size() ? std::optional(m_applications[row])
                                                           : std::nullopt);
}

void ContentView::showDetail(bool selectionPending) {
    // A new selection gets a new detail view, which reads its scripts afresh when shown.
    if (m_applicationView) {
        m_detail->removeWidget(m_applicationView);
        m_applicationView->deleteLater();
        m_applicationView = nullptr;
    }
    m_undoHistory->setShownCopy(m_selectedApp ? m_selectedApp->bundleIdentifier() : QString());
    if (!m_selectedApp) {
        m_detail->setCurrentWidget(selectionPending ? m_pendingPage : makePlaceholder());
        return;
    }
    m_applicationView = new ApplicationView(*m_selectedApp);
    const AppFinder::App copy = *m_selectedApp;
    connect(m_applicationView, &ApplicationView::assignmentChanged, this,
            [this, copy](const std::shared_ptr<brisquel::vexo::UserDefaults>& domain,
                         const AssignmentCommand::Change& change) {
                m_undoHistory->record(std::make_unique<AssignmentCommand>(
                    domain, copy.bundleIdentifier(), copy.displayName(), AssignmentCommand::textFor(change),
                    QList<AssignmentCommand::Change>{change}));
            });
    m_detail->addWidget(m_applicationView);
    m_detail->setCurrentWidget(m_applicationView);
}

} // namespace quillmere
