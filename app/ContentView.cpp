#include "ContentView.h"

#include "AppHeaderView.h"
#include "Appearance.h"
#include "ApplicationView.h"

#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

struct ContentView::SearchResult {
    QList<brisquel::AppFinder::App> applications;
    QList<QImage> icons;
    // The version selected first: the first running one, else the last; -1 for none.
    qsizetype selection = -1;
};

ContentView::ContentView(brisquel::AppFinder& finder, QWidget* parent) : QWidget(parent), m_finder(finder) {
    setObjectName(QStringLiteral("ContentView"));
    setMinimumSize(minimumContentWidth, minimumContentHeight);

    // Sidebar column: a busy row over the list of versions.
    m_sidebarColumn = new QWidget;
    m_sidebarColumn->setObjectName(QStringLiteral("sidebarColumn"));
    m_sidebarColumn->setMinimumWidth(minimumSidebarWidth);

    m_busyRow = new QWidget(m_sidebarColumn);
    auto* busyLayout = new QHBoxLayout(m_busyRow);
    busyLayout->setContentsMargins(10, 8, 10, 4);
    auto* busyLabel = new QLabel(tr("Searching…"), m_busyRow);
    busyLabel->setFont(captionFont(this));
    m_busy = new QProgressBar(m_busyRow);
    m_busy->setRange(0, 0);
    m_busy->setTextVisible(false);
    m_busy->setMaximumHeight(10);
    m_busy->setAccessibleName(tr("Searching for Capture One"));
    busyLayout->addWidget(busyLabel);
    busyLayout->addWidget(m_busy, 1);
    m_busyRow->hide();

    m_sidebar = new QListWidget(m_sidebarColumn);
    m_sidebar->setObjectName(QStringLiteral("sidebar"));
    m_sidebar->setAccessibleName(tr("Capture One versions"));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_sidebar->setUniformItemSizes(true);
    m_sidebar->setSpacing(1);
    connect(m_sidebar, &QListWidget::currentRowChanged, this, &ContentView::sidebarRowChanged);

    auto* sidebarLayout = new QVBoxLayout(m_sidebarColumn);
    sidebarLayout->setContentsMargins(0, 0, 0, 0);
    sidebarLayout->setSpacing(0);
    sidebarLayout->addWidget(m_busyRow);
    sidebarLayout->addWidget(m_sidebar, 1);

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

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    // A hairline between the columns, as a sidebar has.
    m_splitter->setHandleWidth(1);
    m_splitter->setStyleSheet(QStringLiteral("QSplitter::handle { background: palette(mid); }"));
    m_splitter->addWidget(m_sidebarColumn);
    m_splitter->addWidget(m_detail);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({minimumSidebarWidth, minimumContentWidth - minimumSidebarWidth});
    m_detail->setMinimumWidth(300);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
}

ContentView::~ContentView() = default;

QString ContentView::placeholderText() {
    return tr("Please select a version of Capture One");
}

QList<AppHeaderView*> ContentView::headerViews() const {
    QList<AppHeaderView*> views;
    for (int row = 0; row < m_sidebar->count(); ++row) {
        views.append(qobject_cast<AppHeaderView*>(m_sidebar->itemWidget(m_sidebar->item(row))));
    }
    return views;
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Put on screen by the program, not merely restored from the dock or another desktop.
    if (!event->spontaneous()) {
        load();
    }
}

ContentView::SearchResult ContentView::search(const brisquel::AppFinder& finder) {
    SearchResult result;
    result.applications = finder.discover();
    for (const brisquel::AppFinder::App& app : std::as_const(result.applications)) {
        result.icons.append(AppHeaderView::loadIcon(app.icon()));
    }
    for (qsizetype i = 0; i < result.applications.size(); ++i) {
        if (result.applications[i].isRunning()) {
            result.selection = i;
            break;
        }
    }
    if (result.selection < 0) {
        result.selection = result.applications.size() - 1;
    }
    return result;
}

void ContentView::load() {
    const quint64 generation = ++m_generation;
    ++m_pendingSearches;
    m_busyRow->show();
    // The walk of the applications folder, the icon files and the running-process check all
    // touch the disk; none of it runs on the GUI thread.
    // A watcher owned by this view: a result that arrives after the view has gone is dropped.
    auto* watcher = new QFutureWatcher<SearchResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        --m_pendingSearches;
        if (m_pendingSearches == 0) {
            m_busyRow->hide();
        }
        if (generation == m_generation) {
            showSearchResult(watcher->result());
        }
    });
    watcher->setFuture(QtConcurrent::run([finder = &m_finder] { return search(*finder); }));
}

void ContentView::showSearchResult(SearchResult result) {
    m_applications = std::move(result.applications);

    m_updatingSidebar = true;
    m_sidebar->clear();
    for (qsizetype i = 0; i < m_applications.size(); ++i) {
        const brisquel::AppFinder::App& app = m_applications[i];
        auto* item = new QListWidgetItem(m_sidebar);
        // The text is for assistive tools and type-ahead; the row widget draws the row.
        item->setData(Qt::AccessibleTextRole, app.displayName());
        item->setData(Qt::AccessibleDescriptionRole, app.bundleIdentifier());
        item->setToolTip(
            app.version().isEmpty()
                ? app.url().toLocalFile()
                : tr("%1 (version %2)\n%3").arg(app.displayName(), app.version(), app.url().toLocalFile()));
        auto* header = new AppHeaderView(app, result.icons.value(i));
        item->setSizeHint(header->sizeHint());
        m_sidebar->setItemWidget(item, header);
    }
    m_updatingSidebar = false;

    ++m_searchCount;
    setSelectedApp(result.selection >= 0 ? std::optional(m_applications[result.selection]) : std::nullopt);
    emit applicationsLoaded();
}

void ContentView::setSelectedApp(const std::optional<brisquel::AppFinder::App>& app) {
    const int row = app ? int(m_applications.indexOf(*app)) : -1;
    m_selectedApp = row >= 0 ? app : std::nullopt;

    m_updatingSidebar = true;
    m_sidebar->setCurrentRow(row);
    m_updatingSidebar = false;
    const QList<AppHeaderView*> headers = headerViews();
    for (int i = 0; i < headers.size(); ++i) {
        if (headers[i]) {
            headers[i]->setSelected(i == row);
        }
    }
    showDetail();
    emit selectedAppChanged();
}

void ContentView::sidebarRowChanged(int row) {
    if (m_updatingSidebar) {
        return;
    }
    setSelectedApp(row >= 0 && row < m_applications.size() ? std::optional(m_applications[row])
                                                           : std::nullopt);
}

void ContentView::showDetail() {
    // A new selection gets a new detail view, which reads its scripts afresh when shown.
    if (m_applicationView) {
        m_detail->removeWidget(m_applicationView);
        m_applicationView->deleteLater();
        m_applicationView = nullptr;
    }
    if (!m_selectedApp) {
        m_detail->setCurrentWidget(m_placeholder);
        return;
    }
    m_applicationView = new ApplicationView(*m_selectedApp);
    m_detail->addWidget(m_applicationView);
    m_detail->setCurrentWidget(m_applicationView);
}

} // namespace quillmere
