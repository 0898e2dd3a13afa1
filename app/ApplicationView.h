#pragma once

#include "app/AssignmentCommand.h"
#include "app/AssignmentState.h"
#include "core/AppFinder.h"
#include "core/BackgroundScript.h"

#include <QFutureWatcher>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

class QScrollArea;
class QVBoxLayout;

namespace quillmere {

class ControlAlignment;
class FileWatch;
class NoticeBanner;
class ScriptView;
class WrappingLabel;

// The detail area for one copy of Capture One: one form with a row per background script.
//
// Each time the view is shown, one piece of work away from the GUI thread reads the copy's
// scripting definition, the assigned files of all its scripts from one reading of the preferences
// domain, and looks at each of those files; the rows are made from that and show it at once. The
// rows then follow the domain, so a change made by another program (the brisquel tool, Capture One
// itself) shows while the view does, and they follow the assigned files themselves, so a file
// deleted, restored, emptied or made unreadable is marked as it happens. Each assigned file is
// checked as Capture One would need it (the library's script check), always away from the GUI
// thread. Coming back to the window reads
// the domain again only where its changes cannot be followed.
//
// When the scripting definition cannot be read, the view says why instead of showing an empty
// form. When the preferences domain cannot be read, a banner names the file and the cause, and
// the rows are disabled until it can be read again.
//
// Thousands of scripts cost about the same per row as a few: the rows are made and laid out in
// one pass, and each row's texts are measured only as far as they are shown.
class ApplicationView final : public QWidget {
    Q_OBJECT

public:
    // Wider than this, the form stays this wide, centred.
    static constexpr int kMaximumFormWidth = 760;
    static constexpr int kFormMargin = 20;
    // The rows stand in groups of this many.
    static constexpr int kRowsPerGroup = 50;

    explicit ApplicationView(brisquel::AppFinder::App application, QWidget* parent = nullptr);
    ~ApplicationView() override;

    const brisquel::AppFinder::App& application() const { return m_application; }
    const QList<brisquel::BackgroundScript>& scripts() const { return m_scripts; }
    QList<ScriptView*> rows() const { return m_rows; }
    ControlAlignment* controlAlignment() const { return m_alignment; }
    // Shown when the preferences domain cannot be read.
    NoticeBanner* banner() const { return m_banner; }
    // Shown instead of rows when the copy offers none or they cannot be read.
    WrappingLabel* emptyNote() const { return m_emptyNote; }
    QScrollArea* scrollArea() const { return m_scrollArea; }
    // True from the start of a read until its scripts are shown.
    bool isReading() const { return (m_read && m_read->isRunning()) || m_building; }
    // How many reads of the scripting definition have been shown so far.
    int readCount() const { return m_readCount; }

    // Reads the scripts again (as when the view is shown).
    void readScripts();
    // Reads every row's assignment again, from one reading of the domain.
    void refreshRows();
    // The domain was changed by this program outside the rows (an undo): the rows show it now, and
    // a read still under way, which may have read the domain before the change, is read again.
    void assignmentsChangedElsewhere();
    // The assigned files followed now.
    FileWatch* fileWatch() const { return m_fileWatch; }
    // Checks every assigned file again, away from the GUI thread; each row shows its outcome.
    void checkFiles();

signals:
    // A read finished and all its rows are in place.
    void scriptsRead();
    // A round of checks of the assigned files has been shown in the rows.
    void filesChecked();
    // A row changed what the copy's domain stores (see ScriptView::assignmentChanged).
    void assignmentChanged(const std::shared_ptr<brisquel::vexo::UserDefaults>& domain,
                           const quillmere::AssignmentCommand::Change& change);

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the work away from the GUI thread hands back: the scripts, or why they cannot be read,
    // and the assignment of each.
    struct Listing {
        brisquel::vexo::Expected<QList<brisquel::BackgroundScript>> scripts{
            QList<brisquel::BackgroundScript>()};
        QList<AssignmentState> assignments;
    };
    static Listing list(const brisquel::AppFinder::App& application);
    // One assigned file to check, for the row that shows it.
    struct FileCheck {
        QPointer<ScriptView> row;
        QUrl file;
        std::optional<brisquel::ScriptCheck> check;
    };
    void setScripts(const Listing& listing);
    // Makes the next group of rows of the read that `generation` counts.
    void addRowGroup(int generation);
    // After any row showed a new assignment: the banner and the followed files.
    void rowsRefreshed();
    void updateBanner();
    void followAssignedFiles();

    brisquel::AppFinder::App m_application;
    QList<brisquel::BackgroundScript> m_scripts;
    QList<ScriptView*> m_rows;
    // The widgets that hold the rows: the first group, and the one that holds all later groups.
    QList<QWidget*> m_rowGroups;
    QPointer<QWidget> m_laterRows;
    // While rows are being made: the assignments of those still to be made, and which read they
    // belong to.
    QList<AssignmentState> m_assignments;
    bool m_building = false;
    int m_generation = 0;
    int m_readCount = 0;
    // The read in progress; replacing it drops the result of the one before.
    std::unique_ptr<QFutureWatcher<Listing>> m_read;
    // The round of file checks in progress; replacing it drops the result of the one before.
    std::unique_ptr<QFutureWatcher<QList<FileCheck>>> m_check;
    // Set while every row is refreshed at once, which is followed up once at the end.
    bool m_refreshingAll = false;
    // From the start of a read until its result is taken (the future may have finished before its
    // result is delivered), and whether the domain changed meanwhile: then the assignments are read
    // again.
    bool m_readUnderWay = false;
    bool m_readOutdated = false;

    NoticeBanner* m_banner = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_page = nullptr;
    QWidget* m_form = nullptr;
    QVBoxLayout* m_formLayout = nullptr;
    WrappingLabel* m_emptyNote = nullptr;
    ControlAlignment* m_alignment = nullptr;
    std::unique_ptr<brisquel::vexo::ChangeObservation> m_observation;
    FileWatch* m_fileWatch = nullptr;
};

} // namespace quillmere
