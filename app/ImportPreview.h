#pragma once

#include "VexoExtensions/Result.h"
#include "app/AssignmentCommand.h"
#include "core/AppFinder.h"
#include "core/AssignmentProfile.h"
#include "core/BackgroundScript.h"
#include "core/ImportPlan.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QList>

#include <functional>
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
// Working out the plan reads the copy's scripting definition and its domain and checks every
// listed file (a large script text takes a moment; on a Mac, a script text is compiled): it is
// done away from the GUI thread, and the preview says it is checking meanwhile, with Import
// disabled.
class ImportPreview final : public QDialog {
    Q_OBJECT

public:
    // Where the assignments come from: a profile read already, or the work that makes one (a
    // copy's assignments, read with the plan away from the GUI thread).
    using ProfileSource = std::function<brisquel::vexo::Expected<brisquel::AssignmentProfile>()>;

    // `origin` says where the assignments come from ("studio.json", "Capture One 22"); `action` is
    // the command's name, which the window's undo history shows ("Import Assignments").
    ImportPreview(ProfileSource source, brisquel::AppFinder::App target, const QString& origin,
                  QString action, QWidget* parent = nullptr);
    ~ImportPreview() override;

    // Works the plan out again from the domain as it is now, away from the GUI thread; planned()
    // tells when it is shown. A plan that cannot be made (the copy's scripts or domain cannot be
    // read, the profile names a path that cannot be stored) is said in the preview.
    void replan();
    // From replan() until its plan (or its failure) is shown.
    bool isPlanning() const { return m_awaitingPlan; }
    const brisquel::vexo::Result& planFailure() const { return m_planFailure; }

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
    // A plan (or why there is none) is shown.
    void planned();
    // The import was stored in `domain`: the exact values before and after of every key it changed.
    void imported(const std::shared_ptr<brisquel::vexo::UserDefaults>& domain,
                  const QList<quillmere::AssignmentCommand::Change>& changes);

private:
    // What the work away from the GUI thread hands back; what it read once is kept for the next.
    struct Planning {
        std::optional<brisquel::AssignmentProfile> profile;
        std::optional<QList<brisquel::BackgroundScript>> scripts;
        std::optional<brisquel::ImportPlan> plan;
        brisquel::vexo::Result failure;
    };
    static Planning work(const ProfileSource& source, Planning known, const brisquel::AppFinder::App& target,
                         bool replace);
    void showPlanning(Planning planning);
    void updateHeading();
    void showPlan();
    void updateImportButton();

    ProfileSource m_source;
    std::optional<brisquel::AssignmentProfile> m_profile;
    brisquel::AppFinder::App m_target;
    std::optional<QList<brisquel::BackgroundScript>> m_scripts;
    std::unique_ptr<QFutureWatcher<Planning>> m_planning;
    bool m_awaitingPlan = false;
    QString m_action;
    QString m_origin;
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
