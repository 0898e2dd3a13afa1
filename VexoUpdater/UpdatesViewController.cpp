#include "VexoUpdater/UpdatesViewController.h"

#include "VexoUpdater/BetaReleasesSetting.h"
#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/ResourceBundle.h"
#include "VexoUpdater/UpdateSettings.h"
#include "VexoUpdater/Updater.h"
#include "core/platform/Platform.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;

namespace {

UpdatesViewDescription loadDescription() {
    const QString path = QDir(updaterResourceBundle()).filePath(QStringLiteral("UpdatesView.json"));
    Expected<UpdatesViewDescription> description = UpdatesViewDescription::read(path);
    if (!description) {
        // The bundle came with the program; a broken one is a broken installation, like a missing one.
        qFatal("unable to load the updates pane's interface description: %s",
               qUtf8Printable(description.result().message()));
    }
    return std::move(description).value();
}

QLabel* detailLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

UpdatesViewController::UpdatesViewController(QObject* parent)
    : PreferencePane(parent), m_description(loadDescription()), m_icon(updaterIcon()) {}

UpdatesViewController::~UpdatesViewController() {
    m_includeBetaReleasesObserver.reset();
    disconnect(m_updaterConnection);
}

Preferences::PaneIdentifier UpdatesViewController::preferencePaneIdentifier() const {
    return Preferences::PaneIdentifier(QStringLiteral("updates"));
}

QString UpdatesViewController::preferencePaneTitle() const {
    return QStringLiteral("Updates");
}

QIcon UpdatesViewController::toolbarItemIcon() const {
    return m_icon;
}

QWidget* UpdatesViewController::makeView() {
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("UpdatesView"));
    if (m_description.minimumWidth > 0)
        view->setMinimumWidth(m_description.minimumWidth);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(4);

    for (const UpdatesViewDescription::Row& row : m_description.rows) {
        if (row.kind == UpdatesViewDescription::Row::Kind::Switch) {
            auto* control = new QCheckBox(row.title, view);
            layout->addWidget(control);
            if (!row.detail.isEmpty()) {
                QLabel* detail = detailLabel(row.detail, view);
                const int indent =
                    control->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control) +
                    control->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control);
                detail->setContentsMargins(indent, 0, 0, 0);
                layout->addWidget(detail);
            }
            layout->addSpacing(10);
            if (row.setting == kIncludeBetaReleasesKey) {
                m_betaSwitch = control;
                connect(control, &QCheckBox::toggled, this, [this](bool on) {
                    if (const Result stored = setIncludeBetaReleases(on); !stored) {
                        showError(stored.message());
                        refreshControls();
                        return;
                    }
                    showError(QString());
                    if (m_observing)
                        runFeedUpdate();
                });
            } else {
                m_automaticSwitch = control;
                connect(control, &QCheckBox::toggled, this, [this](bool on) {
                    if (const Result stored = setAutomaticallyChecksForUpdates(on); !stored) {
                        showError(stored.message());
                        refreshControls();
                        return;
                    }
                    showError(QString());
                    if (Updater* updater = Updater::sharedUpdater())
                        updater->reloadSettings();
                });
            }
        } else {
            auto* line = new QHBoxLayout;
            m_checkNow = new QPushButton(row.title, view);
            m_checkNow->setAutoDefault(false);
            m_lastCheck = new QLabel(view);
            m_lastCheck->setTextFormat(Qt::PlainText);
            m_lastCheck->setWordWrap(true);
            m_lastCheckedText = row.lastChecked;
            m_neverCheckedText = row.neverChecked;
            line->addWidget(m_checkNow);
            line->addSpacing(8);
            line->addWidget(m_lastCheck, 1);
            layout->addLayout(line);
            connect(m_checkNow, &QPushButton::clicked, this, [] {
                if (Updater* updater = Updater::sharedUpdater())
                    updater->checkForUpdates();
            });
        }
    }
    m_error = new QLabel(view);
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    QPalette palette = m_error->palette();
    palette.setColor(QPalette::WindowText, QColor(0xc0, 0x1c, 0x28));
    m_error->setPalette(palette);
    m_error->hide();
    layout->addSpacing(6);
    layout->addWidget(m_error);
    layout->addStretch(1);
    refreshControls();
    return view;
}

void UpdatesViewController::viewDidAppear() {
    // Ending the old observation before the new one starts keeps at most one live.
    m_includeBetaReleasesObserver.reset();
    m_observing = true;
    runFeedUpdate();
    if (const auto defaults = brisquel::Platform::current().standardUserDefaults())
        m_includeBetaReleasesObserver = defaults->observeChanges([this] { settingsMayHaveChanged(); });
    disconnect(m_updaterConnection);
    if (Updater* updater = Updater::sharedUpdater())
        m_updaterConnection =
            connect(updater, &Updater::updateCheckFinished, this, [this] { refreshControls(); });
    refreshControls();
}

void UpdatesViewController::viewWillDisappear() {
    m_includeBetaReleasesObserver.reset();
    m_observing = false;
    disconnect(m_updaterConnection);
}

void UpdatesViewController::runFeedUpdate() {
    m_appliedIncludeBetaReleases = updateFeed();
}

void UpdatesViewController::settingsMayHaveChanged() {
    if (!m_observing)
        return;
    if (includeBetaReleases() != m_appliedIncludeBetaReleases)
        runFeedUpdate();
    refreshControls();
}

void UpdatesViewController::refreshControls() {
    if (m_betaSwitch) {
        const QSignalBlocker blocker(m_betaSwitch);
        m_betaSwitch->setChecked(includeBetaReleases());
    }
    if (m_automaticSwitch) {
        const QSignalBlocker blocker(m_automaticSwitch);
        m_automaticSwitch->setChecked(automaticallyChecksForUpdates());
    }
    if (m_checkNow)
        m_checkNow->setEnabled(Updater::sharedUpdater() != nullptr);
    if (m_lastCheck) {
        const std::optional<QDateTime> last = lastUpdateCheckDate();
        m_lastCheck->setText(
            last ? m_lastCheckedText.arg(QLocale().toString(last->toLocalTime(), QLocale::ShortFormat))
                 : m_neverCheckedText);
    }
}

void UpdatesViewController::showError(const QString& message) {
    if (!m_error)
        return;
    m_error->setText(message);
    m_error->setVisible(!message.isEmpty());
}

} // namespace quillmere
