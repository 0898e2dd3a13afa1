#include "app/ApplicationView.h"

#include "app/Appearance.h"
#include "app/ChooseButton.h"
#include "app/ControlAlignment.h"
#include "app/RemoveButton.h"
#include "app/ScriptView.h"

#include <QEvent>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

ApplicationView::ApplicationView(brisquel::AppFinder::App application, QWidget* parent)
    : QWidget(parent), m_application(std::move(application)) {
    setObjectName(QStringLiteral("ApplicationView"));

    // The form keeps a readable width in a large window, centred like a settings page.
    auto* page = new QWidget;
    m_form = new QWidget(page);
    m_form->setObjectName(QStringLiteral("scriptForm"));
    m_form->setAccessibleName(tr("Background scripts of %1").arg(m_application.displayName()));
    m_form->setMaximumWidth(maximumFormWidth);
    auto* pageLayout = new QHBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(m_form);
    m_page = page;
    page->installEventFilter(this);
    m_formLayout = new QVBoxLayout(m_form);
    m_formLayout->setContentsMargins(20, 20, 20, 20);
    m_formLayout->setSpacing(rowSpacing);
    m_formLayout->addStretch(1);

    m_emptyNote = new QLabel(tr("This version offers no background scripts."), m_form);
    m_emptyNote->setAlignment(Qt::AlignCenter);
    m_emptyNote->setWordWrap(true);
    QPalette notePalette = m_emptyNote->palette();
    notePalette.setColor(QPalette::WindowText, secondaryTextColor(this));
    m_emptyNote->setPalette(notePalette);
    m_emptyNote->hide();
    m_formLayout->insertWidget(0, m_emptyNote);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setWidget(page);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);

    m_alignment = new ControlAlignment(this);
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
        const int side = qMax(0, (m_page->width() - maximumFormWidth) / 2);
        m_page->layout()->setContentsMargins(side, 0, side, 0);
    }
    return QWidget::eventFilter(watched, event);
}

bool ApplicationView::event(QEvent* event) {
    // Coming back to the window is a natural moment to catch changes the watcher could not see
    // (a preferences folder created only after the view was shown).
    if (event->type() == QEvent::WindowActivate) {
        refreshRows();
    }
    return QWidget::event(event);
}

void ApplicationView::readScripts() {
    const quint64 generation = ++m_generation;
    ++m_pendingReads;
    // Parsing a large scripting definition must not hold up the window.
    // A watcher owned by this view: a result that arrives after the view has gone is dropped.
    auto* watcher = new QFutureWatcher<QList<brisquel::BackgroundScript>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        --m_pendingReads;
        // A later read supersedes this one.
        if (generation == m_generation) {
            setScripts(watcher->result());
        }
    });
    // Parsing a large scripting definition must not hold up the window.
    watcher->setFuture(
        QtConcurrent::run([application = m_application] { return application.readBackgroundScripts(); }));
}

void ApplicationView::setScripts(QList<brisquel::BackgroundScript> scripts) {
    m_scripts = std::move(scripts);

    for (ScriptView* row : std::as_const(m_rows)) {
        delete row;
    }
    m_rows.clear();
    delete m_alignment;
    m_alignment = new ControlAlignment(this);

    int position = 0;
    for (const brisquel::BackgroundScript& script : std::as_const(m_scripts)) {
        auto* row = new ScriptView(script, m_alignment, m_form);
        m_formLayout->insertWidget(position++, row);
        m_rows.append(row);
    }
    // Tab goes down the rows in order.
    QWidget* previous = nullptr;
    for (ScriptView* row : std::as_const(m_rows)) {
        if (previous) {
            setTabOrder(previous, row->chooseButton());
        }
        previous = row->removeButton() ? static_cast<QWidget*>(row->removeButton()) : row->chooseButton();
    }
    m_emptyNote->setVisible(m_scripts.isEmpty());

    // Rows follow changes that another program makes to the domain.
    m_observation.reset();
    if (!m_scripts.isEmpty() && m_scripts.first().defaults()) {
        m_observation = m_scripts.first().defaults()->observeChanges([this] { refreshRows(); });
    }
    ++m_readCount;
    emit scriptsRead();
}

void ApplicationView::refreshRows() {
    for (ScriptView* row : std::as_const(m_rows)) {
        row->refresh();
    }
}

} // namespace quillmere
