#include "app/ApplicationView.h"

#include "VexoWidgets/Appearance.h"
#include "app/ChooseButton.h"
#include "app/ControlAlignment.h"
#include "app/NoticeBanner.h"
#include "app/ScriptView.h"
#include "app/WrappingLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace quillmere {

namespace {

// A row's part of one reading for all rows: the failure, when the domain could not be read.
ScriptView::Reading rowReading(const brisquel::vexo::Expected<QList<std::optional<QUrl>>>& readings,
                               qsizetype row) {
    if (!readings) {
        return readings.result();
    }
    return readings->value(row);
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
    // Coming back to the window is a natural moment to catch changes the watcher could not see
    // (a preferences folder created only after the view was shown).
    if (event->type() == QEvent::WindowActivate) {
        refreshRows();
    }
    return QWidget::event(event);
}

void ApplicationView::readScripts() {
    // Parsing a large scripting definition must not hold up the window. The watcher belongs to
    // this view: a result that arrives after the view has gone, or after a later read began, is
    // dropped with it.
    m_read = std::make_unique<QFutureWatcher<ScriptsRead>>();
    QFutureWatcher<ScriptsRead>* watcher = m_read.get();
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] { setScripts(watcher->result()); });
    watcher->setFuture(QtConcurrent::run(
        [application = m_application]() -> ScriptsRead { return application.loadBackgroundScripts(); }));
}

void ApplicationView::setScripts(const ScriptsRead& read) {
    m_scripts = read ? *read : QList<brisquel::BackgroundScript>();

    for (ScriptView* row : std::as_const(m_rows)) {
        delete row;
    }
    m_rows.clear();
    delete m_alignment;
    m_alignment = new ControlAlignment(this);

    // One reading of the domain for every row.
    const auto readings = brisquel::BackgroundScript::readUrls(m_scripts);
    int position = 0;
    for (const brisquel::BackgroundScript& script : std::as_const(m_scripts)) {
        auto* row = new ScriptView(script, m_alignment, m_form, rowReading(readings, position));
        connect(row, &ScriptView::refreshed, this, &ApplicationView::updateBanner);
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

    if (!read) {
        m_emptyNote->setText(
            tr("The background scripts of %1 cannot be read.").arg(m_application.displayName()) +
            QStringLiteral("\n\n") + read.result().message());
    } else {
        m_emptyNote->setText(tr("This copy offers no background scripts."));
    }
    m_emptyNote->setVisible(m_scripts.isEmpty());

    // Rows follow changes that another program makes to the domain.
    m_observation.reset();
    if (!m_scripts.isEmpty() && m_scripts.first().defaults()) {
        m_observation = m_scripts.first().defaults()->observeChanges([this] { refreshRows(); });
    }
    updateBanner();
    ++m_readCount;
    emit scriptsRead();
}

void ApplicationView::refreshRows() {
    const auto readings = brisquel::BackgroundScript::readUrls(m_scripts);
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->showReading(rowReading(readings, i));
    }
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
