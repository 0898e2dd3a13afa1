#pragma once

#include "Preferences/PreferencePane.h"
#include "VexoExtensions/UserDefaults.h"
#include "VexoUpdater/UpdatesViewDescription.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <optional>

namespace quillmere {

// The updates pane of the preferences window: chooses between the release feed and the beta
// feed, and hands the chosen feed's address to the updater (see FeedAddress.h, updateFeed()).
//
// Identifier "updates", title "Updates", toolbar icon "arrow.down.circle" from the library's
// resource bundle; constructing the pane finds that bundle, and stops the program when it is
// missing (see ResourceBundle.h). The view is built from the bundle's interface description
// (UpdatesView.json): the switch "Include beta releases", the switch for the daily automatic
// check, and Check Now with the time of the last check.
//
// While the view is on screen (from viewDidAppear to viewWillDisappear) the pane observes the
// application's settings domain: viewDidAppear runs the feed update at once and starts the
// observation, replacing any observation already live, so at most one ever is. The domain tells
// only that it may have changed (any key, by this program or another); the pane reads the
// setting afresh and runs the feed update when its value differs from the one the last feed
// update acted on, so a change of another key or a notice of a change already followed does
// nothing, while every real change of the setting is followed. The pane's own switch writes the
// setting and runs the feed update at once. While the view is not on screen, changes do nothing;
// the next appearance brings the feed into line.
//
// A setting that cannot be written leaves the switch as it was and shows the reason in the pane.
//
// There is one constructor: a Qt view controller has no interface-file or archive initialisers to
// pass on; the interface description is read from the bundle by the constructor itself.
class UpdatesViewController final : public PreferencePane {
    Q_OBJECT

public:
    explicit UpdatesViewController(QObject* parent = nullptr);
    ~UpdatesViewController() override;

    Preferences::PaneIdentifier preferencePaneIdentifier() const override;
    QString preferencePaneTitle() const override;
    QIcon toolbarItemIcon() const override;

    void viewDidAppear() override;
    void viewWillDisappear() override;

    // Whether the setting is being observed (the view is on screen).
    bool isObserving() const { return m_observing; }

    // The view's controls; null before the view is made or when the description has no such row.
    QCheckBox* includeBetaReleasesSwitch() const { return m_betaSwitch; }
    QCheckBox* automaticChecksSwitch() const { return m_automaticSwitch; }
    QPushButton* checkNowButton() const { return m_checkNow; }
    QLabel* lastCheckLabel() const { return m_lastCheck; }
    QLabel* errorLabel() const { return m_error; }

protected:
    QWidget* makeView() override;

private:
    void runFeedUpdate();
    void settingsMayHaveChanged();
    void refreshControls();
    void showError(const QString& message);

    UpdatesViewDescription m_description;
    QIcon m_icon;
    // The live observation of the settings domain; empty while the view is off screen (and
    // where the domain cannot be watched).
    std::unique_ptr<brisquel::vexo::ChangeObservation> m_includeBetaReleasesObserver;
    bool m_observing = false;
    // The value of the setting the last feed update acted on.
    std::optional<bool> m_appliedIncludeBetaReleases;
    QMetaObject::Connection m_updaterConnection;

    QPointer<QCheckBox> m_betaSwitch;
    QPointer<QCheckBox> m_automaticSwitch;
    QPointer<QPushButton> m_checkNow;
    QPointer<QLabel> m_lastCheck;
    QPointer<QLabel> m_error;
    QString m_lastCheckedText;
    QString m_neverCheckedText;
};

} // namespace quillmere
