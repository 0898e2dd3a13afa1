#pragma once

#include "Preferences/PreferencePane.h"

#include <functional>

namespace quillmere::Preferences {

// A pane described in place: identifier, title, toolbar icon and a function that makes its
// content, as one expression:
//
//   Pane(PaneIdentifier(QStringLiteral("general")), tr("General"), icon,
//        [] { return new Container(400, {Section(...), Section(...)}); })
//
// Every pane made from it (makePreferencePane) makes its own content when its view is first
// needed (a widget lives in one window at a time); the function is kept for that.
class Pane final : public PreferencePaneConvertible {
public:
    using ContentBuilder = std::function<QWidget*()>;

    Pane(PaneIdentifier identifier, QString title, QIcon toolbarIcon, ContentBuilder content);

    const PaneIdentifier& identifier() const { return m_identifier; }
    const QString& title() const { return m_title; }
    const QIcon& toolbarIcon() const { return m_toolbarIcon; }

    // A new PaneHostingController with this pane's identifier, title, icon and content.
    std::unique_ptr<PreferencePane> makePreferencePane() const override;

private:
    PaneIdentifier m_identifier;
    QString m_title;
    QIcon m_toolbarIcon;
    ContentBuilder m_content;
};

} // namespace quillmere::Preferences
