#include "app/ImportPreview.h"

#include "VexoWidgets/Appearance.h"
#include "app/PlainText.h"
#include "app/WrappingLabel.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

namespace {

using brisquel::ImportPlan;
using Action = ImportPlan::Action;

enum Column { ChangeColumn, ScriptColumn, FileColumn, NoteColumn, ColumnCount };

// Outside text on one line and of a length a list can lay out at once; the tooltip holds it whole.
QString cellText(QString text) {
    constexpr qsizetype kLongestCell = 300;
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\t') {
            c = u' ';
        }
    }
    return shortenedForDisplay(text, kLongestCell);
}

} // namespace

ImportPreview::ImportPreview(ProfileSource source, brisquel::AppFinder::App target, const QString& origin,
                             QString action, QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_target(std::move(target)), m_action(std::move(action)) {
    setObjectName(QStringLiteral("ImportPreview"));
    setWindowTitle(m_action);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    m_heading = new WrappingLabel(this);
    m_heading->setObjectName(QStringLiteral("heading"));
    QFont bold = font();
    bold.setBold(true);
    m_heading->setFont(bold);
    m_origin = origin;
    updateHeading();

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("changeList"));
    m_list->setAccessibleName(tr("Changes"));
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({tr("Change"), tr("Script"), tr("File"), tr("Note")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->header()->setStretchLastSection(true);
    m_list->setMinimumHeight(140);

    m_summary = new WrappingLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));

    // The copy's name as a button's text shows it: on one line, every "&" itself.
    m_replace = new QCheckBox(
        tr("&Replace: clear every other script of %1").arg(menuItemText(m_target.displayName(), 60)), this);
    m_replace->setToolTip(tr("Replace the assignments of %1 rather than add to them")
                              .arg(shortenedForDisplay(m_target.displayName())));
    connect(m_replace, &QCheckBox::toggled, this, [this] { replan(); });
    m_anyway = new QCheckBox(tr("Import &anyway, although Capture One could not run some files"), this);
    m_anyway->hide();
    connect(m_anyway, &QCheckBox::toggled, this, &ImportPreview::updateImportButton);

    m_buttons = new QDialogButtonBox(this);
    m_import = m_buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
    m_import->setDefault(true);
    m_buttons->addButton(QDialogButtonBox::Cancel);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &ImportPreview::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &ImportPreview::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_summary);
    layout->addWidget(m_replace);
    layout->addWidget(m_anyway);
    layout->addWidget(m_buttons);
    resize(760, 400);

    replan();
    // The list first: Tab then reaches the options and the buttons; Return imports.
    m_list->setFocus(Qt::OtherFocusReason);
}

ImportPreview::~ImportPreview() = default;

QString ImportPreview::actionText(Action action) {
    switch (action) {
    case Action::Set:
        return tr("Set");
    case Action::Clear:
        return tr("Clear");
    case Action::Unchanged:
        return tr("Unchanged");
    case Action::Skipped:
        return tr("Skipped");
    }
    return {};
}

void ImportPreview::replan() {
    m_awaitingPlan = true;
    m_import->setEnabled(false);
    m_summary->setText(tr("Checking the files…"));
    Planning known;
    known.profile = m_profile;
    known.scripts = m_scripts;
    // A newer plan replaces the watcher of the one before, which drops its result.
    m_planning = std::make_unique<QFutureWatcher<Planning>>();
    QFutureWatcher<Planning>* watcher = m_planning.get();
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher] { showPlanning(watcher->result()); });
    watcher->setFuture(QtConcurrent::run(
        [source = m_source, known = std::move(known), target = m_target, replace = m_replace->isChecked()] {
            return work(source, known, target, replace);
        }));
}

ImportPreview::Planning ImportPreview::work(const ProfileSource& source, Planning known,
                                            const brisquel::AppFinder::App& target, bool replace) {
    Planning done = std::move(known);
    if (!done.profile) {
        brisquel::vexo::Expected<brisquel::AssignmentProfile> profile = source();
        if (!profile) {
            done.failure = profile.result();
            return done;
        }
        done.profile = std::move(profile).value();
    }
    if (!done.scripts) {
        brisquel::vexo::Expected<QList<brisquel::BackgroundScript>> scripts = target.loadBackgroundScripts();
        if (!scripts) {
            done.failure = scripts.result();
            return done;
        }
        done.scripts = std::move(scripts).value();
    }
    // With `force`, a plan is made whatever the files are like: the preview names the files that
    // fail, and the user decides.
    brisquel::vexo::Expected<ImportPlan> plan =
        ImportPlan::make(*done.profile, *done.scripts, {.replace = replace, .force = true});
    if (plan) {
        done.plan = std::move(plan).value();
    } else {
        done.failure = plan.result();
    }
    return done;
}

void ImportPreview::showPlanning(Planning planning) {
    m_awaitingPlan = false;
    m_profile = std::move(planning.profile);
    m_scripts = std::move(planning.scripts);
    m_plan = std::move(planning.plan);
    m_planFailure = planning.failure;
    updateHeading();
    showPlan();
    emit planned();
}

void ImportPreview::updateHeading() {
    QString from = tr("From %1").arg(shortenedForDisplay(m_origin));
    // The copy a profile file was exported from, once the profile is read.
    if (m_profile && !m_profile->source.name.isEmpty() && m_profile->source.name != m_origin) {
        const auto& source = m_profile->source;
        from = source.version.isEmpty()
                   ? tr("From %1, exported from %2")
                         .arg(shortenedForDisplay(m_origin), shortenedForDisplay(source.name))
                   : tr("From %1, exported from %2 (version %3)")
                         .arg(shortenedForDisplay(m_origin), shortenedForDisplay(source.name),
                              shortenedForDisplay(source.version));
    }
    m_heading->setText(tr("Assignments for %1").arg(shortenedForDisplay(m_target.displayName())) +
                       QLatin1Char('\n') + from);
}

void ImportPreview::showPlan() {
    m_list->clear();
    m_failingFiles = 0;
    if (m_plan) {
        const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this);
        const QString home = QDir::homePath();
        QList<QTreeWidgetItem*> items;
        for (const ImportPlan::Row& row : m_plan->rows()) {
            const QString file = row.action == Action::Clear ? row.previous : row.path;
            const bool fails = row.action != Action::Skipped && !row.note.isEmpty();
            m_failingFiles += fails ? 1 : 0;
            auto* item = new QTreeWidgetItem;
            const QStringList cells{actionText(row.action), row.title, file, row.note};
            // The list names a file in the home folder from "~/", so that its name fits beside it;
            // the tooltips hold every text whole.
            const QString shownFile = brisquel::AssignmentProfile::portablePath(file, home);
            QString shownNote = row.note;
            shownNote.replace(file, shownFile);
            const QStringList shown{cells[0], cells[1], shownFile, shownNote};
            for (int column = 0; column < ColumnCount; ++column) {
                item->setText(column, cellText(shown[column]));
                item->setToolTip(column, plainToolTip(cells[column]));
            }
            if (fails) {
                item->setIcon(NoteColumn, warning);
            }
            if (row.action == Action::Unchanged || row.action == Action::Skipped) {
                for (int column = 0; column < ColumnCount; ++column) {
                    item->setForeground(column, secondaryTextColor(this));
                }
            }
            item->setData(ChangeColumn, Qt::AccessibleTextRole,
                          QStringList({cells[0], cells[1], cells[2], cells[3]}).join(QStringLiteral(", ")));
            items.append(item);
        }
        m_list->addTopLevelItems(items);
        if (!items.isEmpty()) {
            m_list->setCurrentItem(items.first());
        }
        for (int column = 0; column < NoteColumn; ++column) {
            m_list->resizeColumnToContents(column);
        }
        // A long path takes at most two fifths of the window's width; the note has the rest.
        m_list->setColumnWidth(FileColumn, qMin(m_list->columnWidth(FileColumn), qMax(160, width() * 2 / 5)));
    }
    // Only where there is something to import anyway.
    m_anyway->setVisible(m_failingFiles > 0 && m_plan && m_plan->changesAnything());
    if (m_failingFiles == 0) {
        m_anyway->setChecked(false);
    }
    m_summary->setText(summaryText());
    updateImportButton();
}

QString ImportPreview::summaryText() const {
    if (!m_plan) {
        return tr("Nothing can be imported into %1: %2")
            .arg(shortenedForDisplay(m_target.displayName()), m_planFailure.message());
    }
    int counts[4] = {0, 0, 0, 0};
    for (const ImportPlan::Row& row : m_plan->rows()) {
        ++counts[int(row.action)];
    }
    QStringList parts;
    if (counts[int(Action::Set)] > 0) {
        parts << tr("%n to set", nullptr, counts[int(Action::Set)]);
    }
    if (counts[int(Action::Clear)] > 0) {
        parts << tr("%n to clear", nullptr, counts[int(Action::Clear)]);
    }
    if (counts[int(Action::Unchanged)] > 0) {
        parts << tr("%n unchanged", nullptr, counts[int(Action::Unchanged)]);
    }
    if (counts[int(Action::Skipped)] > 0) {
        parts << tr("%n skipped", nullptr, counts[int(Action::Skipped)]);
    }
    QString text =
        m_plan->changesAnything()
            ? parts.join(QStringLiteral(", ")) + QLatin1Char('.')
            : tr("Nothing would change.") +
                  (parts.isEmpty() ? QString()
                                   : QLatin1Char(' ') + parts.join(QStringLiteral(", ")) + QLatin1Char('.'));
    if (m_failingFiles > 0) {
        text += QLatin1Char(' ') + tr("Capture One could not run %n of the files; each is named in the list.",
                                      nullptr, m_failingFiles);
    }
    return text;
}

void ImportPreview::updateImportButton() {
    m_import->setEnabled(!m_awaitingPlan && m_plan && m_plan->changesAnything() &&
                         (m_failingFiles == 0 || m_anyway->isChecked()));
}

void ImportPreview::accept() {
    if (!m_import->isEnabled()) {
        return;
    }
    if (isPlanning() || !m_plan) {
        return;
    }
    const brisquel::vexo::Result written = m_plan->apply();
    if (!written) {
        openPlainMessageBox(
            QMessageBox::Warning, tr("The Assignments Could Not Be Imported"),
            tr("Nothing was imported into %1.").arg(shortenedForDisplay(m_target.displayName())) +
                QStringLiteral("\n\n") + written.message(),
            this);
        // What the domain holds now, for another try.
        replan();
        return;
    }
    QList<AssignmentCommand::Change> changes;
    for (const brisquel::vexo::UserDefaults::KeyChange& change : m_plan->changes()) {
        QString title = change.key;
        for (const ImportPlan::Row& row : m_plan->rows()) {
            if (row.key == change.key) {
                title = row.title;
                break;
            }
        }
        changes.append({change.key, title, change.expected.value_or(QVariant()), change.value});
    }
    emit imported(m_scripts && !m_scripts->isEmpty() ? m_scripts->first().defaults() : nullptr, changes);
    QDialog::accept();
}

} // namespace quillmere
