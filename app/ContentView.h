#pragma once

#include "app/ApplicationView.h"
#include "app/Showings.h"
#include "core/AppFinder.h"

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class QListWidget;
class QMenu;
class QProgressBar;
class QSplitter;
class QStackedWidget;

namespace quillmere {

class AssignmentTransfer;
class PlaceholderView;
class UndoHistory;

// The main window's content: a sidebar listing the installed copies of Capture One and a detail
// area showing the selected copy's background scripts (or, with none selected, the text "Please
// select a version of Capture One").
//
// Each time the content is put on screen it searches for the copies again, away from the GUI
// thread, lists them in the finder's order and selects the first one that is running, else the
// last one. The list shows as soon as it is known; the selection follows once the running copies
// have been looked for, also away from the GUI thread, and a row the user picks meanwhile stays
// picked. A search that takes a while shows a busy indicator. With no copy found, the detail area
// says where it searched and why nothing was found there.
//
// The sidebar marks the copies that run; it looks again each time the window becomes active.
//
// A sidebar row's context menu (the pointer's right button, the Menu key or Shift+F10) offers Copy
// Assignments To, with the other copies.
//
// The content keeps the undo history of the assignments made in its rows, for as long as it
// lives: switching copies or searching again leaves it as it is.
class ContentView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMinimumContentWidth = 750;
    static constexpr int kMinimumContentHeight = 400;
    static constexpr int kMinimumSidebarWidth = 250;
    // The form needs this much to keep its label column and a usable control column.
    static constexpr int kMinimumDetailWidth = 440;
    // A search that ends sooner never flashes the busy indicator.
    static constexpr int kBusyIndicatorDelayMilliseconds = 300;
    // The look for running copies waits for the list to be drawn, at most this long.
    static constexpr int kLookupDelayLimitMilliseconds = 100;

    explicit ContentView(brisquel::AppFinder& finder, QWidget* parent = nullptr);
    ~ContentView() override;

    const QList<brisquel::AppFinder::App>& applications() const { return m_applications; }
    const std::optional<brisquel::AppFinder::App>& selectedApp() const { return m_selectedApp; }
    // Selects a copy as a click on its sidebar row does (none shows the placeholder).
    void setSelectedApp(const std::optional<brisquel::AppFinder::App>& copy);
    // What the last search passed over and whether the applications folder itself could be
    // searched.
    const brisquel::AppFinder::Discovery& lastSearch() const { return m_lastSearch; }

    // True from the start of a search until its list is shown.
    bool isSearching() const { return m_searching; }
    // How many searches have been shown with their selection so far.
    int searchCount() const { return m_searchCount; }

    QListWidget* sidebar() const { return m_sidebar; }
    QWidget* sidebarColumn() const { return m_sidebarColumn; }
    QWidget* detailColumn() const;
    QProgressBar* busyIndicator() const { return m_busy; }
    // Made when the detail area first has nothing to show (no copy found, or none selected after a
    // search); null until then, since most starts select a copy and never show it.
    PlaceholderView* placeholder() const { return m_placeholder; }
    // The detail view of the selected copy; null while the placeholder shows.
    ApplicationView* applicationView() const { return m_applicationView; }
    // The undo history of the assignments made in the rows (Edit › Undo and Redo).
    UndoHistory* undoHistory() const { return m_undoHistory; }
    // The import, export and copy of assignments.
    AssignmentTransfer* transfer() const { return m_transfer; }
    // This program changed the assignments of a copy outside its rows (an undo, an import): the
    // rows show it at once when that copy is shown.
    void showChangedAssignments(const QString& copyIdentifier);
    // The context menu of a sidebar row (Copy Assignments To, with the other copies).
    QMenu* createSidebarMenu(int row, QWidget* parent);

    // Searches for the installed copies again (as when the content is shown).
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
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSearch(brisquel::AppFinder::Discovery discovery);
    // Once the listed copies have been drawn: which of them run, then their icons.
    void listDrawn();
    // Decodes the listed copies' icons and puts each in its row as it comes.
    void loadIcons();
    // Looks for the running copies; the first search's look-up also makes the initial selection.
    void lookForRunningCopies(bool select);
    void showRunning(const QList<bool>& running, bool select);
    void sidebarRowChanged(int row);
    void showDetail(bool selectionPending);
    PlaceholderView* makePlaceholder();
    void popUpSidebarMenu(int row, const QPoint& globalPosition);

    brisquel::AppFinder& m_finder;
    QList<brisquel::AppFinder::App> m_applications;
    std::optional<brisquel::AppFinder::App> m_selectedApp;
    brisquel::AppFinder::Discovery m_lastSearch;
    int m_searchCount = 0;
    // The first showing is served by the search started while the window was being built; each
    // later one searches again.
    Showings m_showings;
    bool m_searching = false;
    // From the list's showing until the running copies are known and the selection made.
    bool m_selectionPending = false;
    bool m_updatingSidebar = false;
    // A row picked by the user while the initial selection was being worked out stays picked.
    bool m_userPickedMeanwhile = false;
    // Replacing a watcher drops the result of the work it watched.
    std::unique_ptr<QFutureWatcher<brisquel::AppFinder::Discovery>> m_search;
    std::unique_ptr<QFutureWatcher<QImage>> m_iconLoad;
    std::unique_ptr<QFutureWatcher<QList<bool>>> m_runningLookup;
    QTimer m_busyDelay;
    // Set from the list's showing until its first drawing starts the look for running copies.
    bool m_lookupAfterPaint = false;
    QTimer m_lookupDelay;

    QSplitter* m_splitter = nullptr;
    QWidget* m_sidebarColumn = nullptr;
    QListWidget* m_sidebar = nullptr;
    QWidget* m_busyRow = nullptr;
    QProgressBar* m_busy = nullptr;
    QStackedWidget* m_detail = nullptr;
    PlaceholderView* m_placeholder = nullptr;
    QWidget* m_pendingPage = nullptr;
    QPointer<ApplicationView> m_applicationView;
    UndoHistory* m_undoHistory = nullptr;
    AssignmentTransfer* m_transfer = nullptr;
};

} // namespace quillmere
