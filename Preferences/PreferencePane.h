#pragma once

#include <QHash>
#include <QIcon>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

namespace quillmere {

namespace Preferences {

// The identifier of a preferences pane: one text, its raw value. Equal and hashed by that text,
// and coded (JSON) as that text alone. A toolbar item of the toolbar style carries the same text
// as its identifier.
struct PaneIdentifier {
    QString rawValue;

    explicit PaneIdentifier(QString raw = {}) : rawValue(std::move(raw)) {}

    QString asToolbarItemIdentifier() const { return rawValue; }
    static PaneIdentifier fromToolbarItemIdentifier(const QString& identifier) {
        return PaneIdentifier(identifier);
    }

    QJsonValue toJson() const { return rawValue; }
    // None when the value is not a text.
    static std::optional<PaneIdentifier> fromJson(const QJsonValue& value) {
        if (!value.isString())
            return std::nullopt;
        return PaneIdentifier(value.toString());
    }

    friend bool operator==(const PaneIdentifier& a, const PaneIdentifier& b) {
        return a.rawValue == b.rawValue;
    }
};

inline size_t qHash(const PaneIdentifier& identifier, size_t seed = 0) noexcept {
    return ::qHash(identifier.rawValue, seed);
}

// How a preferences window switches between its panes.
enum class Style : quint8 {
    toolbarItems = 0,    // one toolbar button per pane
    segmentedControl = 1 // one segmented control centred in the toolbar, one segment per pane
};

} // namespace Preferences

// A controller that owns one view and hears when that view comes on screen and goes away.
// The view is made on first use (makeView, then viewDidLoad) and lives as long as the controller.
class ViewController : public QObject {
    Q_OBJECT

public:
    explicit ViewController(QObject* parent = nullptr) : QObject(parent) {}
    ~ViewController() override { delete m_view; }

    // The view, made on first use.
    QWidget* view() {
        if (!m_view) {
            m_view = makeView();
            viewDidLoad();
        }
        return m_view;
    }
    bool isViewLoaded() const { return !m_view.isNull(); }

    // Told by whoever puts the view on screen or takes it off (the preferences window).
    virtual void viewDidAppear() {}
    virtual void viewWillDisappear() {}

protected:
    // Makes the view; called once.
    virtual QWidget* makeView() = 0;
    virtual void viewDidLoad() {}

private:
    QPointer<QWidget> m_view;
};

// A pane of a preferences window: a view controller that names itself (identifier, title) and
// gives the icon of its toolbar item.
class PreferencePane : public ViewController {
    Q_OBJECT

public:
    using ViewController::ViewController;

    virtual Preferences::PaneIdentifier preferencePaneIdentifier() const = 0;
    // Shown as toolbar label, segment label, menu title and window title.
    virtual QString preferencePaneTitle() const = 0;
    // Shown on the pane's toolbar item (toolbar-item style only).
    virtual QIcon toolbarItemIcon() const = 0;
};

// Anything that can be turned into a pane (a declarative pane description, for one).
class PreferencePaneConvertible {
public:
    virtual ~PreferencePaneConvertible() = default;
    virtual std::unique_ptr<PreferencePane> makePreferencePane() const = 0;
};

} // namespace quillmere
