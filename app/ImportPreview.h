#pragma once

#include "VexoExtensions/Result.h"
#include "app/AssignmentCommand.h"
#include "core/AppFinder.h"
#include "core/AssignmentProfile.h"
#include "core/BackgroundScript.h"
#include "core/ImportPlan.h"

#include <QDialog>
#include <QList>

#include <memory>
#include <optional>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace quillmere {

class WrappingLabel;

// The preview of an import of assignments into one copy of Capture One: every change the import
// would make, one line each (set, clear, unchanged, skipped, with the script, its file and, for a
// file Capture One could not run or a script the copy does not offer, why), before anything is
// written.
//
// "Clear scripts the profile does not list" makes the import replace the copy's assignments rather
// than add to them; the list follows at once. When some listed file fails the script check, the
// preview names each such file and Import stays disabled until "Import anyway" is ticked. Cancel
// (or Escape, or closing the window) writes nothing.
//
// Import writes every change in one write of the copy's domain, every change or none, and only
// while each key still holds what the preview read: a failure is shown with its reason, nothing of
// the import is stored, and the preview shows the domain as it is now, to be tried again. A
// successful import tells its exact changes (imported()), for the window's undo history.
//
// Working out the plan checks every listed file; a large script text takes a moment, a plan of the
// usual few dozen scripts none a user notices.
class ImportPreview final : public QDialog {
    Q_OBJECT

public:
    // `origin` says where the assignments come from ("studio.json", "Capture One 22"); `action` is
    // the command's name, which the window's undo history shows ("Import Assignments").
    ImportPreview(brisquel::AssignmentProfile profile, brisquel::AppFinder::App target,
                  QList<brisquel::BackgroundScript> scripts, const QString& origin, QString action,
                  QWidget* parent = nullptr);
    ~ImportPreview() override;

    // Works the plan out again from the domain as it is now; the failure when none can be made (the
    // domain cannot be read, the profile names a path that cannot be stored).
    brisquel::vexo::Result replan();

    const std::optional<brisquel::ImportPlan>& plan() const { return m_plan; }
    const brisquel::AppFinder::App& target() const { return m_target; }
    const QString& action() const { return m_action; }
    QTreeWidget* changeList() const { return m_list; }
    QCheckBox* replaceBox() const { return m_replace; }
    QCheckBox* importAnywayBox() const { return m_anyway; }
    QPushButton* importButton() const { return m_import; }
    QString summaryText() const;

    // The words of the change list's first column.
    static QString actionText(brisquel::ImportPlan::Action action);

public slots:
    // Import: writes the plan, or shows why it could not and stays open.
    void accept() override;

signals:
    // The import was stored: the exact values before and after of every key it changed.
    void imported(const QList<quillmere::AssignmentCommand::Change>& changes);

private:
    void showPlan();
    void updateImportButton();

    brisquel::AssignmentProfile m_profile;
    brisquel::AppFinder::App m_target;
    QList<brisquel::BackgroundScript> m_scripts;
    QString m_action;
    std::optional<brisquel::ImportPlan> m_plan;
    brisquel::vexo::Result m_planFailure;
    int m_failingFiles = 0;

    WrappingLabel* m_heading = nullptr;
    WrappingLabel* m_summary = nullptr;
    QTreeWidget* m_list = nullptr;
    QCheckBox* m_replace = nullptr;
    QCheckBox* m_anyway = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QPushButton* m_import = nullptr;
};

} // namespace quillmere
