#pragma once

#include "app/ApplicationView.h"
#include "core/AppFinder.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QListWidget;
class QProgressBar;
class QSemaphore;
class QSplitter;
class QStackedWidget;

namespace quillmere {

// The main window's content: a sidebar listing the installed Capture One versions and a detail
// area showing the selected version's background scripts (or, with none selected, the text
// "Please select a version of Capture One").
//
// Each time the content is put on screen it searches for the versions again, away from the GUI
// thread (a busy indicator shows meanwhile), lists them in the finder's order and selects the
// first one that is running, else the last one. The list shows as soon as it is known; the
// selection follows once the running copy has been looked for, also away from the GUI thread.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int minimumContentWidth = 750;
    static constexpr int minimumContentHeight = 400;
    static constexpr int minimumSidebarWidth = 250;
    // How long the first showing waits for a search that is about to end.
    static constexpr int firstShowWaitMilliseconds = 50;
    // The look-up of the running copy waits for the list to be drawn, at most this long.
    static constexpr int lookupDelayLimitMilliseconds = 100;

    explicit ContentView(brisquel::AppFinder& finder, QWidget* parent = nullptr);
    ~ContentView() override;

    const QList<brisquel::AppFinder::App>& applications() const { return m_applications; }
    const std::optional<brisquel::AppFinder::App>& selectedApp() const { return m_selectedApp; }
    // Selects a version as a click on its sidebar row does (none shows the placeholder).
    void setSelectedApp(const std::optional<brisquel::AppFinder::App>& app);

    // True while a search for the installed versions runs (the busy indicator shows).
    bool isSearching() const { return m_pendingSearches > 0; }
    // How many searches have been shown so far.
    int searchCount() const { return m_searchCount; }

    QListWidget* sidebar() const { return m_sidebar; }
    QWidget* sidebarColumn() const { return m_sidebarColumn; }
    QProgressBar* busyIndicator() const { return m_busy; }
    QLabel* placeholder() const { return m_placeholder; }
    // The detail view of the selected version; null while the placeholder shows.
    ApplicationView* applicationView() const { return m_applicationView; }

    // Searches for the installed versions again (as when the content is shown).
    void load();

    // The placeholder text, translated.
    static QString placeholderText();

signals:
    // A search has filled the sidebar; the initial selection follows.
    void applicationsListed();
    // A search finished: the sidebar is filled and the initial selection made.
    void applicationsLoaded();
    void selectedAppChanged();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SearchResult {
        QList<brisquel::AppFinder::App> applications;
        QList<QImage> icons;
    };
    static SearchResult search(const brisquel::AppFinder& finder);
    // The first running copy, else the last one; -1 for an empty list.
    static qsizetype initialSelection(const QList<brisquel::AppFinder::App>& applications);
    void showSearchResult(SearchResult result, quint64 generation);
    void searchFinished();
    void takeSearchIfQuick();
    void startRunningLookup(quint64 generation);
    void sidebarRowChanged(int row);
    void showDetail(bool selectionPending);

    brisquel::AppFinder& m_finder;
    QList<brisquel::AppFinder::App> m_applications;
    std::optional<brisquel::AppFinder::App> m_selectedApp;
    int m_pendingSearches = 0;
    int m_searchCount = 0;
    quint64 m_generation = 0;
    bool m_updatingSidebar = false;
    bool m_searchAwaitingFirstShow = false;
    QFuture<SearchResult> m_search;
    std::shared_ptr<QSemaphore> m_searchDone;
    quint64 m_searchTakenEarly = 0;
    // The search whose running-copy look-up waits for the list to be drawn; 0 for none.
    quint64 m_lookupAfterPaint = 0;
    // Rows picked by the user, in all, and when the list was last shown.
    quint64 m_userSelections = 0;
    quint64 m_userSelectionsWhenListed = 0;

    QSplitter* m_splitter = nullptr;
    QWidget* m_sidebarColumn = nullptr;
    QListWidget* m_sidebar = nullptr;
    QWidget* m_busyRow = nullptr;
    QProgressBar* m_busy = nullptr;
    QStackedWidget* m_detail = nullptr;
    QLabel* m_placeholder = nullptr;
    QWidget* m_pendingPage = nullptr;
    QPointer<ApplicationView> m_applicationView;
};

} // namespace quillmere
