#pragma once

#include "Preferences/PreferencePane.h"

#include <functional>

namespace quillmere {

// A pane whose view is made by a function: the pane a declarative Preferences::Pane turns into.
// Identifier, title and icon are fixed at creation. The content function runs once, when the
// view is first needed; it must return a new parentless widget (null is a caller's error: the
// program stops).
class PaneHostingController final : public PreferencePane {
    Q_OBJECT

public:
    using ContentBuilder = std::function<QWidget*()>;

    PaneHostingController(Preferences::PaneIdentifier identifier, QString title, QIcon toolbarIcon,
                          ContentBuilder rootView, QObject* parent = nullptr);

    Preferences::PaneIdentifier preferencePaneIdentifier() const override { return m_identifier; }
    QString preferencePaneTitle() const override { return m_title; }
    QIcon toolbarItemIcon() const override { return m_icon; }

protected:
    QWidget* makeView() override;

private:
    const Preferences::PaneIdentifier m_identifier;
    const QString m_title;
    const QIcon m_icon;
    ContentBuilder m_rootView;
};

} // namespace quillmere
