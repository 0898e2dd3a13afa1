#include "app/ContentView.h"

#include "app/AppHeaderView.h"
#include "app/Appearance.h"
#include "app/ApplicationView.h"

#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QSemaphore>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

namespace {

// The divider between sidebar and detail: a hairline, as beside a sidebar.
class HairlineHandle final : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {
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

} // namespace

ContentView::ContentView(brisquel::AppFinder& finder, QWidget* parent) : QWidget(parent), m_finder(finder) {
    setObjectName(QStringLiteral("ContentView"));
    setMinimumSize(minimumContentWidth, minimumContentHeight);

    // Sidebar column: a busy row over the list of versions.
    m_sidebarColumn = new QWidget;
    m_sidebarColumn->setObjectName(QStringLiteral("sidebarColumn"));
    m_sidebarColumn->setMinimumWidth(minimumSidebarWidth);

    m_busyRow = new QWidget(m_sidebarColumn);
    auto* busyLayout = new QHBoxLayout(m_busyRow);
    busyLayout->setContentsMargins(10, 4, 10, 8);
    auto* busyLabel = new QLabel(tr("Searching…"), m_busyRow);
    busyLabel->setFont(captionFont(this));
    m_busy = new QProgressBar(m_busyRow);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setMaximumHeight(10);
    m_busy->setAccessibleName(tr("Searching for Capture One"));
    busyLayout->addWidget(busyLabel);
    busyLayout->addWidget(m_busy, 1);

    m_sidebar = new QListWidget(m_sidebarColumn);
    m_sidebar->setObjectName(QStringLiteral("sidebar"));
    m_sidebar->setAccessibleName(tr("Capture One versions"));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sidebar->setUniformItemSizes(true);
    m_sidebar->setSpacing(1);
    m_sidebar->setItemDelegate(new AppHeaderView(m_sidebar));
    m_sidebar->viewport()->installEventFilter(this);
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

    // Detail column: the placeholder, or the selected version's scripts.
    m_detail = new QStackedWidget;
    m_detail->setObjectName(QStringLiteral("detail"));
    m_placeholder = new QLabel(placeholderText());
    m_placeholder->setObjectName(QStringLiteral("placeholder"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setWordWrap(true);
    m_placeholder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    QPalette placeholderPalette = m_placeholder->palette();
    placeholderPalette.setColor(QPalette::WindowText, secondaryTextColor(this));
    m_placeholder->setPalette(placeholderPalette);
    m_detail->addWidget(m_placeholder);
    m_pendingPage = new QWidget;
    m_detail->addWidget(m_pendingPage);

    m_splitter = new HairlineSplitter(this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);
    m_splitter->addWidget(m_sidebarColumn);
    m_splitter->addWidget(m_detail);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({minimumSidebarWidth, minimumContentWidth - minimumSidebarWidth});
    m_detail->setMinimumWidth(300);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    // The content is built just before it is first shown: its first search starts now, so that
    // the walk of the folder overlaps the building of the window, and serves that first showing.
    load();
    m_searchAwaitingFirstShow = true;
}

ContentView::~ContentView() = default;

QString ContentView::placeholderText() {
    return tr("Please select a version of Capture One");
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Put on screen by the program, not merely restored from the dock or another desktop.
    if (event->spontaneous()) {
        return;
    }
    if (m_searchAwaitingFirstShow) {
        m_searchAwaitingFirstShow = false;
        takeSearchIfQuick();
        return;
    }
    load();
}

ContentView::SearchResult ContentView::search(const brisquel::AppFinder& finder) {
    SearchResult result;
    result.applications = finder.discover();
    for (const brisquel::AppFinder::App& app : std::as_const(result.applications)) {
        result.icons.append(AppHeaderView::loadIcon(app.icon()));
    }
    return result;
}

qsizetype ContentView::initialSelection(const QList<brisquel::AppFinder::App>& applications) {
    for (qsizetype i = 0; i < applications.size(); ++i) {
        if (applications[i].isRunning()) {
            return i;
        }
    }
    return applications.size() - 1;
}

void ContentView::load() {
    const quint64 generation = ++m_generation;
    ++m_pendingSearches;
    m_busyRow->show();
    // The walk of the applications folder and the icon files touch the disk: not on the GUI
    // thread. A watcher owned by this view drops a result that arrives after the view has gone.
    auto* watcher = new QFutureWatcher<SearchResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation == m_searchTakenEarly) {
            return;
        }
        if (generation != m_generation) {
            searchFinished();
            return;
        }
        showSearchResult(watcher->result(), generation);
    });
    auto done = std::make_shared<QSemaphore>();
    m_searchDone = done;
    m_search = QtConcurrent::run([finder = &m_finder, done] {
        SearchResult result = search(*finder);
        done->release();
        return result;
    });
    watcher->setFuture(m_search);
}

void ContentView::takeSearchIfQuick() {
    // A search that ends within a moment is shown in the window's first picture: the user never
    // sees an empty sidebar that fills an instant later. A longer one shows the busy indicator.
    if (!m_searchDone || !m_searchDone->tryAcquire(1, firstShowWaitMilliseconds)) {
        return;
    }
    m_searchTakenEarly = m_generation;
    showSearchResult(m_search.result(), m_generation);
}

void ContentView::searchFinished() {
    --m_pendingSearches;
    if (m_pendingSearches == 0) {
        m_busyRow->hide();
    }
}

void ContentView::showSearchResult(SearchResult result, quint64 generation) {
    searchFinished();
    m_applications = std::move(result.applications);

    m_updatingSidebar = true;
    m_sidebar->clear();
    for (qsizetype i = 0; i < m_applications.size(); ++i) {
        const brisquel::AppFinder::App& app = m_applications[i];
        auto* item = new QListWidgetItem(app.displayName(), m_sidebar);
        item->setData(AppHeaderView::IdentifierRole, app.bundleIdentifier());
        item->setData(Qt::AccessibleDescriptionRole, app.bundleIdentifier());
        // The name is the item's text, which assistive tools read and type-ahead matches.
        const QImage icon = result.icons.value(i);
        if (!icon.isNull()) {
            item->setData(Qt::DecorationRole, QPixmap::fromImage(icon));
        }
        item->setToolTip(
            app.version().isEmpty()
                ? app.url().toLocalFile()
                : tr("%1 (version %2)\n%3").arg(app.displayName(), app.version(), app.url().toLocalFile()));
    }
    m_updatingSidebar = false;
    // Nothing is selected until the running copy is known; the detail stays blank meanwhile
    // rather than asking the user to choose.
    m_selectedApp.reset();
    showDetail(/*selectionPending=*/true);
    emit applicationsListed();

    // Finding the running copy looks through every process: the list goes on screen first, and
    // the look-up starts once it has been drawn (or after a moment, if it is not drawn).
    m_userSelectionsWhenListed = m_userSelections;
    m_lookupAfterPaint = generation;
    if (!m_sidebar->viewport()->isVisible()) {
        startRunningLookup(generation);
        return;
    }
    QTimer::singleShot(lookupDelayLimitMilliseconds, this,
                       [this, generation] { startRunningLookup(generation); });
}

bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_sidebar->viewport() && event->type() == QEvent::Paint && m_lookupAfterPaint != 0) {
        // After this paint has been done.
        QMetaObject::invokeMethod(
            this, [this, generation = m_lookupAfterPaint] { startRunningLookup(generation); },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::startRunningLookup(quint64 generation) {
    if (generation != m_lookupAfterPaint) {
        return;
    }
    m_lookupAfterPaint = 0;
    auto* watcher = new QFutureWatcher<qsizetype>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation) {
            return;
        }
        const qsizetype selection = watcher->result();
        ++m_searchCount;
        // A row the user picked meanwhile is theirs to keep.
        if (m_userSelections == m_userSelectionsWhenListed) {
            setSelectedApp(selection >= 0 && selection < m_applications.size()
                               ? std::optional(m_applications[selection])
                               : std::nullopt);
        }
        emit applicationsLoaded();
    });
    watcher->setFuture(
        QtConcurrent::run([applications = m_applications] { return initialSelection(applications); }));
}

void ContentView::setSelectedApp(const std::optional<brisquel::AppFinder::App>& app) {
    const int row = app ? int(m_applications.indexOf(*app)) : -1;
    m_selectedApp = row >= 0 ? app : std::nullopt;

    m_updatingSidebar = true;
    m_sidebar->setCurrentRow(row);
    m_updatingSidebar = false;
    showDetail(false);
    emit selectedAppChanged();
}

void ContentView::sidebarRowChanged(int row) {
    if (m_updatingSidebar) {
        return;
    }
    ++m_userSelections;
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
    if (!m_selectedApp) {
        m_detail->setCurrentWidget(selectionPending ? m_pendingPage : m_placeholder);
        return;
    }
    m_applicationView = new ApplicationView(*m_selectedApp);
    m_detail->addWidget(m_applicationView);
    m_detail->setCurrentWidget(m_applicationView);
}

} // namespace quillmere
