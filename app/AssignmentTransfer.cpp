#include "app/AssignmentTransfer.h"

#include "app/ContentView.h"
#include "app/ImportPreview.h"
#include "app/PlainText.h"
#include "app/UndoHistory.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMenu>
#include <QSaveFile>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

namespace {

using brisquel::AppFinder;
using brisquel::AssignmentProfile;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

QString nameFilter() {
    return AssignmentTransfer::tr("Assignment profiles (*.json)");
}

} // namespace

AssignmentTransfer::AssignmentTransfer(ContentView* content) : QObject(content), m_content(content) {
    m_import = new QAction(tr("&Import Assignments…"), this);
    m_import->setObjectName(QStringLiteral("importAssignments"));
    connect(m_import, &QAction::triggered, this, &AssignmentTransfer::importAssignments);
    m_export = new QAction(tr("&Export Assignments…"), this);
    m_export->setObjectName(QStringLiteral("exportAssignments"));
    connect(m_export, &QAction::triggered, this, &AssignmentTransfer::exportAssignments);
    m_copyMenu = new QMenu(tr("Cop&y Assignments To"), content);
    m_copyMenu->setObjectName(QStringLiteral("copyAssignmentsTo"));
    connect(m_copyMenu, &QMenu::aboutToShow, this, [this] {
        if (m_content->selectedApp()) {
            fillCopyMenu(m_copyMenu, *m_content->selectedApp());
        }
    });
    connect(m_content, &ContentView::selectedAppChanged, this, &AssignmentTransfer::updateActions);
    connect(m_content, &ContentView::applicationsListed, this, &AssignmentTransfer::updateActions);
    updateActions();
}

QString AssignmentTransfer::importActionName() {
    return tr("Import Assignments");
}

QString AssignmentTransfer::copyActionName() {
    return tr("Copy Assignments");
}

void AssignmentTransfer::updateActions() {
    const bool shown = m_content->selectedApp().has_value();
    m_import->setEnabled(shown);
    m_export->setEnabled(shown);
    m_copyMenu->setEnabled(shown && m_content->applications().size() > 1);
}

void AssignmentTransfer::fillCopyMenu(QMenu* menu, const AppFinder::App& source) {
    menu->clear();
    for (const AppFinder::App& copy : m_content->applications()) {
        if (copy == source) {
            continue;
        }
        QAction* action = menu->addAction(menuItemText(copy.displayName()));
        action->setToolTip(plainToolTip(copy.url().toLocalFile()));
        connect(action, &QAction::triggered, this, [this, source, copy] { previewCopy(source, copy); });
    }
    menu->setEnabled(!menu->isEmpty());
}

QString AssignmentTransfer::startFolder() const {
    return m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder;
}

void AssignmentTransfer::tellFailure(const QString& title, const QString& what, const QString& reason) const {
    openPlainMessageBox(QMessageBox::Warning, title, what + QStringLiteral("\n\n") + reason,
                        m_content->window());
}

void AssignmentTransfer::exportAssignments() {
    if (!m_content->selectedApp()) {
        return;
    }
    const AppFinder::App copy = *m_content->selectedApp();
    auto* dialog = new QFileDialog(m_content->window(), tr("Export Assignments"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(nameFilter());
    dialog->setDefaultSuffix(QStringLiteral("json"));
    dialog->setDirectory(startFolder());
    dialog->selectFile(tr("%1 Assignments.json").arg(copy.displayName()));
    connect(dialog, &QFileDialog::fileSelected, this, [this, copy](const QString& file) {
        m_lastFolder = QFileInfo(file).absolutePath();
        // Reading the copy's scripting definition and domain and writing the file never hold up the
        // window. Every export is told when it ends, also one that ends after another began.
        auto* watcher = new QFutureWatcher<Result>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, copy] {
            watcher->deleteLater();
            if (const Result written = watcher->result(); !written) {
                tellFailure(tr("The Assignments Could Not Be Exported"),
                            tr("The assignments of %1 were not exported.")
                                .arg(shortenedForDisplay(copy.displayName())),
                            written.message());
            }
            emit exported();
        });
        watcher->setFuture(QtConcurrent::run([copy, file] { return exportTo(copy, file); }));
    });
    dialog->open();
}

Result AssignmentTransfer::exportTo(const AppFinder::App& copy, const QString& file) {
    const brisquel::vexo::Expected<QList<brisquel::BackgroundScript>> scripts = copy.loadBackgroundScripts();
    if (!scripts) {
        return scripts.result();
    }
    const brisquel::vexo::Expected<AssignmentProfile> profile =
        AssignmentProfile::ofScripts({copy.displayName(), copy.bundleIdentifier(), copy.version()}, *scripts);
    if (!profile) {
        return profile.result();
    }
    const QByteArray document = profile->toJson(QDir::homePath());
    // A profile half written never takes the place of a whole one.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(document) != document.size() || !out.commit()) {
        out.cancelWriting();
        return Result::failure(Status::Unavailable,
                               file + QStringLiteral(" cannot be written: ") + out.errorString());
    }
    return Result::success();
}

void AssignmentTransfer::importAssignments() {
    if (!m_content->selectedApp()) {
        return;
    }
    const AppFinder::App target = *m_content->selectedApp();
    auto* dialog = new QFileDialog(m_content->window(), tr("Import Assignments"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters({nameFilter(), tr("All files (*)")});
    dialog->setDirectory(startFolder());
    connect(dialog, &QFileDialog::fileSelected, this, [this, target](const QString& file) {
        m_lastFolder = QFileInfo(file).absolutePath();
        previewImport(file, target);
    });
    dialog->open();
}

ImportPreview* AssignmentTransfer::previewImport(const QString& file, const AppFinder::App& target) {
    // A profile is small (at most a few megabytes, never waited on): it is read here, so that a file
    // that is not one is refused before any preview opens.
    const brisquel::vexo::Expected<AssignmentProfile> profile =
        AssignmentProfile::readFile(file, QDir::homePath());
    if (!profile) {
        tellFailure(tr("The Assignments Could Not Be Imported"),
                    tr("Nothing was imported into %1.").arg(shortenedForDisplay(target.displayName())),
                    profile.result().message());
        return nullptr;
    }
    return preview([profile = *profile]() -> brisquel::vexo::Expected<AssignmentProfile> { return profile; },
                   target, QFileInfo(file).fileName(), importActionName());
}

ImportPreview* AssignmentTransfer::previewCopy(const AppFinder::App& source, const AppFinder::App& target) {
    // The source's scripts and domain are read with the plan, away from the GUI thread.
    return preview(
        [source]() -> brisquel::vexo::Expected<AssignmentProfile> {
            const brisquel::vexo::Expected<QList<brisquel::BackgroundScript>> scripts =
                source.loadBackgroundScripts();
            if (!scripts) {
                return scripts.result();
            }
            return AssignmentProfile::ofScripts(
                {source.displayName(), source.bundleIdentifier(), source.version()}, *scripts);
        },
        target, source.displayName(), copyActionName());
}

ImportPreview* AssignmentTransfer::preview(ImportPreview::ProfileSource source, const AppFinder::App& target,
                                           const QString& origin, const QString& action) {
    auto* dialog = new ImportPreview(std::move(source), target, origin, action, m_content->window());
    connect(dialog, &ImportPreview::imported, this,
            [this, target, action](const std::shared_ptr<brisquel::vexo::UserDefaults>& domain,
                                   const QList<AssignmentCommand::Change>& changes) {
                m_content->undoHistory()->record(std::make_unique<AssignmentCommand>(
                    domain, target.bundleIdentifier(), target.displayName(), action, changes));
                m_content->showChangedAssignments(target.bundleIdentifier());
            });
    dialog->open();
    return dialog;
}

} // namespace quillmere
