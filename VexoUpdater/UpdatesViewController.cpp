#include "VexoUpdater/UpdatesViewController.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/LastUpdateCheck.h"
#include "VexoUpdater/UpdateSettings.h"
#include "VexoUpdater/Updater.h"
#include "VexoUpdater/UpdaterBundle.h"
#include "VexoWidgets/TextStyles.h"
#include "core/platform/Platform.h"

#include <QLocale>
#include <QStyle>
#include <QTextDocument>
#include <QUrl>

namespace quillmere {

using brisquel::vexo::Result;

namespace {

const char* const kSettingProperty = "setting";
const char* const kCaptionOfProperty = "captionOf";

[[noreturn]] void stop(const QString& message) {
    qFatal("%s", qUtf8Printable(message));
}

QString shownTime(const QDateTime& time) {
    return QLocale().toString(time.toLocalTime(), QLocale::ShortFormat);
}

// A control's text starts after its indicator: a caption set in by as much lines up with it.
int textIndent(const QAbstractButton* control) {
    const QStyle* style = control->style();
    return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control);
}

} // namespace

const QString UpdatesViewController::kInterfaceFile = QStringLiteral("UpdatesViewController.ui");
const QStringList UpdatesViewController::kRequiredObjects = {QStringLiteral("includeBetaReleasesSwitch"),
                                                             QStringLiteral("automaticChecksSwitch"),
                                                             QStringLiteral("checkNowButton"),
                                                             QStringLiteral("lastCheckLabel"),
                                                             QStringLiteral("feedBaseLabel"),
                                                             QStringLiteral("errorLabel")};

UpdatesViewController::UpdatesViewController(QObject* parent)
    : PreferencePane(parent), m_icon(updaterIcon()) {
    connect(&LastUpdateCheck::shared(), &LastUpdateCheck::changed, this, [this] {
        if (isViewLoaded()) {
            showLastCheck();
        }
    });
}

UpdatesViewController::~UpdatesViewController() {
    m_includeBetaReleasesObserver.reset();
    m_domainObserver.reset();
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
    const ResourceBundle& bundle = updaterBundle();
    const QString file = bundle.filePath(kInterfaceFile);
    QWidget* view = bundle.loadInterface(kInterfaceFile, kRequiredObjects);
    m_betaSwitch =
        ResourceBundle::object<QAbstractButton>(view, QStringLiteral("includeBetaReleasesSwitch"), file);
    m_automaticSwitch =
        ResourceBundle::object<QAbstractButton>(view, QStringLiteral("automaticChecksSwitch"), file);
    m_checkNow = ResourceBundle::object<QAbstractButton>(view, QStringLiteral("checkNowButton"), file);
    m_lastCheck = ResourceBundle::object<QLabel>(view, QStringLiteral("lastCheckLabel"), file);
    m_feedBase = ResourceBundle::object<QLabel>(view, QStringLiteral("feedBaseLabel"), file);
    m_error = ResourceBundle::object<QLabel>(view, QStringLiteral("errorLabel"), file);
    bindSettings(view, file);

    for (QLabel* label : view->findChildren<QLabel*>()) {
        const QString controlName = label->property(kCaptionOfProperty).toString();
        if (controlName.isEmpty()) {
            continue;
        }
        const auto* control = ResourceBundle::object<QAbstractButton>(view, controlName, file);
        label->setContentsMargins(textIndent(control), 0, 0, 0);
    }
    m_lastCheck->setTextFormat(Qt::PlainText);
    m_error->hide();
    connect(m_checkNow, &QAbstractButton::clicked, this, [] {
        if (Updater* updater = Updater::sharedUpdater()) {
            updater->checkForUpdates();
        }
    });
    refreshControls();
    return view;
}

void UpdatesViewController::bindSettings(QWidget* view, const QString& file) {
    bool betaBound = false;
    for (QAbstractButton* control : view->findChildren<QAbstractButton*>()) {
        const QVariant named = control->property(kSettingProperty);
        if (!named.isValid()) {
            continue;
        }
        const brisquel::vexo::Setting<bool>* setting = UpdateSettings::booleanSetting(named.toString());
        if (!setting || !control->isCheckable()) {
            stop(file + QStringLiteral(": the control \"") + control->objectName() +
                 QStringLiteral("\" names \"") + named.toString() +
                 QStringLiteral("\", which is no on/off setting the updates pane keeps"));
        }
        betaBound = betaBound || setting == &UpdateSettings::includeBetaReleases;
        const Binding binding{control, setting};
        m_bindings.append(binding);
        connect(control, &QAbstractButton::toggled, this, [this, binding](bool on) { store(binding, on); });
    }
    if (!betaBound) {
        stop(file + QStringLiteral(": no control names the setting \"") +
             UpdateSettings::includeBetaReleases.key() + QLatin1Char('"'));
    }
}

void UpdatesViewController::store(const Binding& binding, bool on) {
    if (const Result stored = binding.setting->write(on); !stored) {
        showError(stored.message());
        refreshControls();
        return;
    }
    showError(QString());
    if (Updater* updater = Updater::sharedUpdater()) {
        updater->reloadSettings();
    }
}

void UpdatesViewController::viewDidAppear() {
    // Ending the old observations before the new ones start keeps at most one of each live.
    m_includeBetaReleasesObserver.reset();
    m_domainObserver.reset();
    // The first call comes at once, inside this one; each later one after a change of the value.
    m_includeBetaReleasesObserver = UpdateSettings::includeBetaReleases.observe(
        [this](bool) {
            updateFeed();
            refreshControls();
        },
        /*initial=*/true);
    if (const auto defaults = UpdateSettings::applicationDefaults()) {
        m_domainObserver = defaults->observeChanges([this] { refreshControls(); });
    }
    refreshControls();
}

void UpdatesViewController::viewWillDisappear() {
    m_includeBetaReleasesObserver.reset();
    m_domainObserver.reset();
}

void UpdatesViewController::updateFeed() {
    const QString identifier = brisquel::vexo::MainBundle::bundleIdentifier();
    if (identifier.isEmpty()) {
        return;
    }
    const QString address =
        composeFeedAddress(updateFeedEndpointBase(), identifier, UpdateSettings::includeBetaReleases.read());
    if (const auto& log = brisquel::Platform::current().log) {
        log->system(QStringLiteral("Setting Sparkle feed to ") + address);
    }
    if (Updater* updater = Updater::sharedUpdater()) {
        updater->setFeedURL(QUrl(address));
    }
}

void UpdatesViewController::refreshControls() {
    if (!isViewLoaded()) {
        return;
    }
    for (const Binding& binding : m_bindings) {
        if (binding.control) {
            const QSignalBlocker blocker(binding.control);
            binding.control->setChecked(binding.setting->read());
        }
    }
    m_checkNow->setEnabled(Updater::sharedUpdater() != nullptr);
    showLastCheck();
    showFeedBase();
}

void UpdatesViewController::showLastCheck() {
    const std::optional<QDateTime> stored = UpdateSettings::lastUpdateCheckDate.read();
    const std::optional<LastUpdateCheck::Outcome>& latest = LastUpdateCheck::shared().outcome();
    QString text = tr("Not checked yet");
    QString tip;
    if (latest && (!stored || latest->time >= *stored)) {
        if (latest->result) {
            text = tr("Last checked: %1").arg(shownTime(latest->time));
        } else {
            // The reason's plain sentence here, all of it in the tooltip.
            const QString reason = latest->result.message();
            text = tr("The last check failed (%1): %2")
                       .arg(shownTime(latest->time), reason.section(QStringLiteral("\n\n"), 0, 0));
            tip = Qt::convertFromPlainText(reason, Qt::WhiteSpaceNormal);
        }
    } else if (stored) {
        text = tr("Last checked: %1").arg(shownTime(*stored));
    }
    m_lastCheck->setText(text);
    m_lastCheck->setToolTip(tip);
}

void UpdatesViewController::showFeedBase() {
    const FeedBase base = updateFeedBase();
    QString text;
    if (!base.refusal.isEmpty()) {
        text = base.refusal;
    } else if (base.origin == FeedBase::Origin::Environment) {
        text = tr("Updates come from %1, as QUILLMERE_UPDATE_FEED_BASE says.").arg(base.address);
    } else if (base.origin == FeedBase::Origin::Preferences) {
        text = tr("Updates come from %1, as the preference \"%2\" says.")
                   .arg(base.address, UpdateSettings::updateFeedBase.key());
    }
    applyTextStyle(m_feedBase, base.refusal.isEmpty() ? TextStyle::Caption : TextStyle::Warning);
    m_feedBase->setText(text);
    m_feedBase->setVisible(!text.isEmpty());
}

void UpdatesViewController::showError(const QString& message) {
    if (!m_error) {
        return;
    }
    m_error->setText(message);
    m_error->setVisible(!message.isEmpty());
}

} // namespace quillmere
