#pragma once

#include "Preferences/PreferencePane.h"
#include "VexoExtensions/Setting.h"

#include <QAbstractButton>
#include <QIcon>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <memory>

namespace quillmere {

// The updates pane of the preferences window: chooses between the release feed and the beta
// feed, and hands the chosen feed's address to the updater; beside that, the daily automatic
// check, Check Now with the time and outcome of the last check, and the update-feed base when a
// studio's own replaces the build's (see FeedAddress.h).
//
// Identifier "updates", title "Updates", toolbar icon "arrow.down.circle" from the library's
// resource bundle; constructing the pane finds that bundle, and stops the program when it is
// missing (see UpdaterBundle.h). The view is loaded, when first needed, from the bundle's
// interface file UpdatesViewController.ui, which must hold these objects, by name:
//   includeBetaReleasesSwitch  a checkable button
//   automaticChecksSwitch      a checkable button
//   checkNowButton             a button that checks at once
//   lastCheckLabel             a label: when the last check ended, and how
//   feedBaseLabel              a label: the update-feed base, shown only when one was given
//   errorLabel                 a label: why a setting could not be stored, shown only then
// A checkable button names the setting it shows in its "setting" property, and the pane binds it
// to the boolean update setting of that key (UpdateSettings.h); the switch for
// "includeBetaReleases" is the one the pane cannot do without. A label whose "captionOf" property
// names a control is set in under that control's text. A missing object, a control that names
// no setting the pane keeps, or no control for "includeBetaReleases" stops the program with a
// message naming the file (a broken installation, which user input never reaches).
//
// While the view is on screen (from viewDidAppear to viewWillDisappear) the pane observes the
// setting "includeBetaReleases": viewDidAppear runs the feed update at once and starts the
// observation, replacing any observation already live, so at most one ever is; after that every
// change of the value, by this program or another, runs the feed update again, and a notice that
// leaves the value as it was runs nothing. The feed update reads the main bundle's identifier
// (none: nothing happens, silently), reads the setting, composes the feed address, writes
// "Setting Sparkle feed to <address>" to the system log and hands the address to the shared
// updater when there is one. Nothing else in the program logs that line or sets the feed. While
// the view is not on screen, changes do nothing; the next appearance brings the feed into line.
//
// A switch writes its setting at once; a setting that cannot be written leaves the switch as it
// was and shows the reason in the pane.
//
// There is one constructor: a Qt view controller has no interface-file or archive initialisers to
// pass on; the interface file is loaded from the bundle by the pane itself.
class UpdatesViewController final : public PreferencePane {
    Q_OBJECT

public:
    // The interface file in the bundle, and the objects it must hold.
    static const QString kInterfaceFile;
    static const QStringList kRequiredObjects;

    explicit UpdatesViewController(QObject* parent = nullptr);
    ~UpdatesViewController() override;

    Preferences::PaneIdentifier preferencePaneIdentifier() const override;
    QString preferencePaneTitle() const override;
    QIcon toolbarItemIcon() const override;

    void viewDidAppear() override;
    void viewWillDisappear() override;

    // Whether the setting is being observed (the view is on screen).
    bool isObserving() const { return m_includeBetaReleasesObserver != nullptr; }

    // The view's objects; null before the view is made.
    QAbstractButton* includeBetaReleasesSwitch() const { return m_betaSwitch; }
    QAbstractButton* automaticChecksSwitch() const { return m_automaticSwitch; }
    QAbstractButton* checkNowButton() const { return m_checkNow; }
    QLabel* lastCheckLabel() const { return m_lastCheck; }
    QLabel* feedBaseLabel() const { return m_feedBase; }
    QLabel* errorLabel() const { return m_error; }

protected:
    QWidget* makeView() override;

private:
    struct Binding {
        QPointer<QAbstractButton> control;
        const brisquel::vexo::Setting<bool>* setting;
    };

    void bindSettings(QWidget* view, const QString& file);
    void store(const Binding& binding, bool on);
    void updateFeed();
    void refreshControls();
    void showLastCheck();
    void showFeedBase();
    void showError(const QString& message);

    QIcon m_icon;
    // The live observations while the view is on screen: of the beta setting (the feed), and of
    // the domain as a whole (the switches and the last check follow other writers).
    std::unique_ptr<brisquel::vexo::ChangeObservation> m_includeBetaReleasesObserver;
    std::unique_ptr<brisquel::vexo::ChangeObservation> m_domainObserver;

    QList<Binding> m_bindings;
    QPointer<QAbstractButton> m_betaSwitch;
    QPointer<QAbstractButton> m_automaticSwitch;
    QPointer<QAbstractButton> m_checkNow;
    QPointer<QLabel> m_lastCheck;
    QPointer<QLabel> m_feedBase;
    QPointer<QLabel> m_error;
};

} // namespace quillmere
