#include "app/ApplicationView.h"

#include "VexoWidgets/Appearance.h"
#include "app/ChooseButton.h"
#include "app/ControlAlignment.h"
#include "app/FileWatch.h"
#include "app/NoticeBanner.h"
#include "app/ScriptView.h"
#include "app/WrappingLabel.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

namespace {

// Each row's assignment from one reading of the domain for all rows; each assigned file checked
// when `check` (away from the GUI thread), else left to be checked.
QList<AssignmentState> assignmentsOf(const QList<brisquel::BackgroundScript>& scripts, bool check) {
    const auto readings = brisquel::BackgroundScript::readUrls(scripts);
    QList<AssignmentState> assignments;
    assignments.reserve(scripts.size());
    for (qsizetype row = 0; row < scripts.size(); ++row) {
        const AssignmentState state =
            readings ? AssignmentState::of(readings->value(row)) : AssignmentState::of(readings.result());
        assignments.append(check ? state.checked() : state);
    }
    return assignments;
}

} // namespace

ApplicationView::ApplicationView(brisquel::AppFinder::App application, QWidget* parent)
    : QWidget(parent), m_application(std::move(application)) {
    setObjectName(QStringLiteral("ApplicationView"));

    m_banner = new NoticeBanner(tr("Try Again"), this);
    m_banner->hide();
    connect(m_banner, &NoticeBanner::actionTriggered, this, &ApplicationView::refreshRows);

    // The form keeps a readable width in a large window, centred like a settings page.
    auto* page = new QWidget;
    m_form = new QWidget(page);
    m_form->setObjectName(QStringLiteral("scriptForm"));
    m_form->setAccessibleName(tr("Background scripts of %1").arg(m_application.displayName()));
    m_form->setMaximumWidth(kMaximumFormWidth);
    auto* pageLayout = new QHBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(m_form);
    m_page = page;
    page->installEventFilter(this);
    m_formLayout = new QVBoxLayout(m_form);
    m_formLayout->setContentsMargins(kFormMargin, kFormMargin, kFormMargin, kFormMargin);
    m_formLayout->setSpacing(kRowSpacing);
    m_formLayout->addStretch(1);

    m_emptyNote = new WrappingLabel(m_form);
    m_emptyNote->setObjectName(QStringLiteral("emptyNote"));
    m_emptyNote->setAlignment(Qt::AlignHCenter);
    m_emptyNote->setTextColor(secondaryTextColor(this));
    m_emptyNote->hide();
    m_formLayout->insertWidget(0, m_emptyNote);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The rows take the keyboard focus; the scrolling area itself would be a stop that shows
    // nothing.
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setWidget(page);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_banner);
    layout->addWidget(m_scrollArea);

    m_alignment = new ControlAlignment(this);

    // The context menu from the keyboard, for the row that holds the focus.
    for (const QKeySequence& keys : {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
        auto* shortcut = new QShortcut(keys, m_form);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            for (QWidget* widget = QApplication::focusWidget(); widget && widget != m_form;
                 widget = widget->parentWidget()) {
                if (auto* row = qobject_cast<ScriptView*>(widget)) {
                    row->openContextMenuFromKeyboard();
                    return;
                }
            }
        });
    }

    m_fileWatch = new FileWatch(this);
    connect(m_fileWatch, &FileWatch::changed, this, &ApplicationView::checkFiles);
}

ApplicationView::~ApplicationView() = default;

void ApplicationView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        readScripts();
    }
}

bool ApplicationView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_page && event->type() == QEvent::Resize) {
        const int side = qMax(0, (m_page->width() - kMaximumFormWidth) / 2);
        m_page->layout()->setContentsMargins(side, 0, side, 0);
    }
    return QWidget::eventFilter(watched, event);
}

bool ApplicationView::event(QEvent* event) {
    // Coming back to the window is the moment to catch changes that nothing tells of: a domain
    // that cannot be watched. A watched domain and the assigned files tell of their changes.
    if (event->type() == QEvent::WindowActivate && !m_observation && !m_scripts.isEmpty()) {
        refreshRows();
    }
    return QWidget::event(event);
}

ApplicationView::Listing ApplicationView::list(const brisquel::AppFinder::App& application) {
    Listing listing;
    listing.scripts = application.loadBackgroundScripts();
    if (listing.scripts) {
        listing.assignments = assignmentsOf(*listing.scripts, /*check=*/true);
    }
    return listing;
}

void ApplicationView::readScripts() {
    m_readUnderWay = true;
    m_readOutdated = false;
    // Parsing a large scripting definition, reading the domain and looking at every assigned file
    // must not hold up the window. The watcher belongs to this view: a result that arrives after
    // the view has gone, or after a later read began, is dropped with it.
    m_read = std::make_unique<QFutureWatcher<Listing>>();
    QFutureWatcher<Listing>* watcher = m_read.get();
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] { setScripts(watcher->result()); });
    watcher->setFuture(QtConcurrent::run([application = m_application] { return list(application); }));
}

void ApplicationView::setScripts(const Listing& listing) {
    const auto& read = listing.scripts;
    m_readUnderWay = false;
    m_scripts = read ? *read : QList<brisquel::BackgroundScript>();
    // The domain changed after the read looked at it: what the rows show is read again.
    m_assignments = std::exchange(m_readOutdated, false) ? assignmentsOf(m_scripts, /*check=*/false)
                                                         : listing.assignments;

    qDeleteAll(m_rowGroups);
    m_rowGroups.clear();
    m_laterRows = nullptr;
    m_rows.clear();
    delete m_alignment;
    m_alignment = new ControlAlignment(this);

    if (!read) {
        m_emptyNote->setText(
            tr("The background scripts of %1 cannot be read.").arg(m_application.displayName()) +
            QStringLiteral("\n\n") + read.result().message());
    } else {
        m_emptyNote->setText(tr("This copy offers no background scripts."));
    }
    m_emptyNote->setVisible(m_scripts.isEmpty());

    // Rows follow changes that another program makes to the domain, from now on.
    m_observation.reset();
    if (!m_scripts.isEmpty() && m_scripts.first().defaults()) {
        m_observation = m_scripts.first().defaults()->observeChanges([this] { refreshRows(); });
    }
    m_building = true;
    addRowGroup(++m_generation);
}

void ApplicationView::addRowGroup(int generation) {
    if (generation != m_generation) {
        return;
    }
    // The rows come in groups of a few dozen, each made with the window's own work done before the
    // next, so that the window answers while thousands of rows are made and the work waiting never
    // grows with their number. The first group shows at once; the others wait off screen and show
    // together, so that the form is laid out once for all of them rather than once per group. (The
    // window system's work for one widget grows with the number of its siblings, hence groups.)
    // Made in order, the rows take the keyboard focus in order.
    const qsizetype first = m_rows.size();
    const qsizetype end = qMin<qsizetype>(first + kRowsPerGroup, m_scripts.size());
    if (first < end) {
        if (first > 0 && !m_laterRows) {
            m_laterRows = new QWidget(m_form);
            auto* later = new QVBoxLayout(m_laterRows);
            later->setContentsMargins(0, 0, 0, 0);
            later->setSpacing(kRowSpacing);
            m_formLayout->insertWidget(1, m_laterRows);
            // Hidden until all its groups are made (a widget put in a shown layout shows by itself).
            m_laterRows->hide();
            m_rowGroups.append(m_laterRows);
        }
        QWidget* parent = first == 0 ? m_form : m_laterRows.data();
        auto* group = new QWidget(parent);
        auto* layout = new QVBoxLayout(group);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(kRowSpacing);
        for (qsizetype position = first; position < end; ++position) {
            auto* row =
                new ScriptView(m_scripts[position], m_alignment, group, m_assignments.value(position));
            connect(row, &ScriptView::refreshed, this, [this] {
                if (!m_refreshingAll) {
                    rowsRefreshed();
                }
            });
            connect(row, &ScriptView::assignmentChanged, this,
                    [this, row](const AssignmentCommand::Change& change) {
                        emit assignmentChanged(row->script().defaults(), change);
                    });
            layout->addWidget(row);
            m_rows.append(row);
        }
        if (first == 0) {
            m_formLayout->insertWidget(0, group);
            m_rowGroups.append(group);
        } else {
            m_laterRows->layout()->addWidget(group);
        }
        group->show();
    }
    if (end < m_scripts.size()) {
        QMetaObject::invokeMethod(
            this, [this, generation] { addRowGroup(generation); }, Qt::QueuedConnection);
        return;
    }
    if (m_laterRows) {
        m_laterRows->show();
    }
    m_building = false;
    m_assignments.clear();
    rowsRefreshed();
    ++m_readCount;
    emit scriptsRead();
}

void ApplicationView::refreshRows() {
    const QList<AssignmentState> assignments = assignmentsOf(m_scripts, /*check=*/false);
    // Rows still to be made show this reading too.
    if (m_building) {
        m_assignments = assignments;
    }
    m_refreshingAll = true;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->showAssignment(assignments.value(i));
    }
    m_refreshingAll = false;
    rowsRefreshed();
    // The files of rows that kept their assignment may have changed unseen as well (a platform
    // out of file watches sees no change at all).
    checkFiles();
}

void ApplicationView::checkFiles() {
    QList<FileCheck> checks;
    for (ScriptView* row : std::as_const(m_rows)) {
        if (row->assignment().file() == AssignmentState::File::Checked) {
            checks.append({row, *row->assignment().url(), std::nullopt});
        }
    }
    if (checks.isEmpty()) {
        return;
    }
    // Reading the files (a script text whole; on a Mac, compiling it) never holds up the window.
    // A newer round of checks replaces this one's watcher, which drops its result.
    m_check = std::make_unique<QFutureWatcher<QList<FileCheck>>>();
    QFutureWatcher<QList<FileCheck>>* watcher = m_check.get();
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const QList<FileCheck> done = watcher->result();
        m_refreshingAll = true;
        for (const FileCheck& check : done) {
            if (check.row && check.check) {
                check.row->showCheck(check.file, *check.check);
            }
        }
        m_refreshingAll = false;
        rowsRefreshed();
        emit filesChecked();
    });
    watcher->setFuture(QtConcurrent::run([checks]() mutable {
        for (FileCheck& check : checks) {
            check.check = brisquel::ScriptCheck::of(check.file.toLocalFile());
        }
        return checks;
    }));
}

void ApplicationView::assignmentsChangedElsewhere() {
    if (m_readUnderWay) {
        m_readOutdated = true;
        return;
    }
    // Rows still to be made take this reading too.
    refreshRows();
}

void ApplicationView::rowsRefreshed() {
    updateBanner();
    followAssignedFiles();
    // A row that shows a file it has not checked yet (a new choice, a change made elsewhere) gets
    // its check.
    for (const ScriptView* row : std::as_const(m_rows)) {
        if (row->assignment().awaitsCheck()) {
            checkFiles();
            return;
        }
    }
}

void ApplicationView::followAssignedFiles() {
    QStringList files;
    for (const ScriptView* row : std::as_const(m_rows)) {
        if (const QString path = row->assignment().path(); !path.isEmpty()) {
            files.append(path);
        }
    }
    m_fileWatch->setFiles(files);
}

void ApplicationView::updateBanner() {
    // Every row reads the same domain; the first failure speaks for all.
    for (const ScriptView* row : std::as_const(m_rows)) {
        if (!row->readFailure()) {
            m_banner->setMessage(tr("The preferences of %1 cannot be read, so its script assignments are "
                                    "unknown and cannot be "
                                    "changed.")
                                     .arg(m_application.displayName()),
                                 row->readFailure().message());
            m_banner->show();
            return;
        }
    }
    m_banner->hide();
}

} // namespace quillmere
