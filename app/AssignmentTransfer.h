#pragma once

#include "VexoExtensions/Result.h"
#include "core/AppFinder.h"
#include "core/AssignmentProfile.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;

namespace quillmere {

class ContentView;
class ImportPreview;

// The window's commands that carry assignments from one copy of Capture One to another, to another
// user or another Mac: File › Export Assignments… (the copy shown, to a profile file), File ›
// Import Assignments… (a profile file into the copy shown) and Copy Assignments To (one copy's
// assignments into another, from the File menu or a sidebar row's context menu).
//
// Export writes the profile whole or not at all, with paths in the user's home folder written
// from "~/" as the library writes them. Import and copy show the same preview (ImportPreview)
// before anything is written; a confirmed import is one step of the window's undo history
// ("Undo Import Assignments"), and the rows of the copy shown follow at once. Every failure is
// told in the window with its reason.
class AssignmentTransfer final : public QObject {
    Q_OBJECT

public:
    explicit AssignmentTransfer(ContentView* content);

    QAction* importAction() const { return m_import; }
    QAction* exportAction() const { return m_export; }
    // The File menu's submenu of the copies the shown copy's assignments can be copied to.
    QMenu* copyMenu() const { return m_copyMenu; }
    // Fills a menu with one command per copy other than `source`, each copying into that copy.
    void fillCopyMenu(QMenu* menu, const brisquel::AppFinder::App& source);

    // Writes the profile of `copy` to `file`, whole or not at all; the failure, naming the file and
    // the cause. It reads the copy's scripting definition and domain: the command calls it away from
    // the GUI thread.
    static brisquel::vexo::Result exportTo(const brisquel::AppFinder::App& copy, const QString& file);
    // Reads the profile in `file` and opens its preview for `target`; null, with the reason told
    // in the window, when the file holds no profile this program reads.
    ImportPreview* previewImport(const QString& file, const brisquel::AppFinder::App& target);
    // Opens the preview of copying the assignments of `source` into `target`.
    ImportPreview* previewCopy(const brisquel::AppFinder::App& source,
                               const brisquel::AppFinder::App& target);

    // The names the undo history gives the two kinds of import.
    static QString importActionName();
    static QString copyActionName();

public slots:
    // The commands, with their file dialogs.
    void exportAssignments();
    void importAssignments();

signals:
    // An export chosen in the save dialog has ended (a failure told in the window).
    void exported();

private:
    ImportPreview* preview(std::function<brisquel::vexo::Expected<brisquel::AssignmentProfile>()> source,
                           const brisquel::AppFinder::App& target, const QString& origin,
                           const QString& action);
    void updateActions();
    void tellFailure(const QString& title, const QString& what, const QString& reason) const;
    QString startFolder() const;

    ContentView* m_content;
    QAction* m_import = nullptr;
    QAction* m_export = nullptr;
    QMenu* m_copyMenu = nullptr;
    // The folder of the last profile read or written, where the next dialog opens.
    QString m_lastFolder;
};

} // namespace quillmere
