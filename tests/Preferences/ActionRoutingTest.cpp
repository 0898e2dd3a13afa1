#include "Preferences/PreferencesTabViewController.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace preferencestest;
using quillmere::PreferencesWindowController;
using quillmere::Preferences::PaneIdentifier;
using quillmere::Preferences::Style;

namespace {

// A field that can select all, as a responder of the platform would.
class SelectingField final : public QLineEdit {
    Q_OBJECT

public:
    int selected = 0;

public slots:
    void selectEverything() { ++selected; }
};

class Exporter final : public QObject {
    Q_OBJECT

public slots:
    void exportSettings() {}
};

// A pane with a field, an action ("revert") and a shortcut (Ctrl+R) of its own, and a helper for
// "exportSettings".
class RoutingPane final : public quillmere::PreferencePane {
    Q_OBJECT

public:
    explicit RoutingPane(QString identifier) : m_identifier(std::move(identifier)) {}

    quillmere::Preferences::PaneIdentifier preferencePaneIdentifier() const override {
        return quillmere::Preferences::PaneIdentifier(m_identifier);
    }
    QString preferencePaneTitle() const override { return m_identifier; }
    QIcon toolbarItemIcon() const override { return {}; }

    SelectingField* field = nullptr;
    int reverted = 0;
    Exporter helper;

    Q_INVOKABLE QObject* supplementalTargetForAction(const QByteArray& action, QObject*) {
        return action == "exportSettings" ? &helper : nullptr;
    }

public slots:
    void revert(QObject*) { ++reverted; }

protected:
    QWidget* makeView() override {
        auto* view = new SizedView(QSize(420, 120));
        auto* layout = new QVBoxLayout(view);
        field = new SelectingField;
        layout->addWidget(field);
        auto* revertShortcut = new QAction(view);
        revertShortcut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
        revertShortcut->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        view->addAction(revertShortcut);
        connect(revertShortcut, &QAction::triggered, this, [this] { ++reverted; });
        return view;
    }

private:
    QString m_identifier;
};

class ActionRouting : public PreferencesWorld {
protected:
    void SetUp() override {
        PreferencesWorld::SetUp();
        std::vector<std::unique_ptr<quillmere::PreferencePane>> panes;
        panes.push_back(std::make_unique<RoutingPane>(QStringLiteral("first")));
        panes.push_back(std::make_unique<RoutingPane>(QStringLiteral("second")));
        m_controller =
            std::make_unique<PreferencesWindowController>(std::move(panes), Style::toolbarItems, false);
    }

    RoutingPane* pane(int index) const {
        return static_cast<RoutingPane*>(
            m_controller->tabViewController()->preferencePanes()[static_cast<size_t>(index)]);
    }

    std::unique_ptr<PreferencesWindowController> m_controller;
};

// The shown pane, the focused control in it or its helper; with the focus on the window itself the
// pane's own shortcut is given on, and a field of the window outside the pane (as a toolbar's search
// field would be) is left alone.
TEST_F(ActionRouting, SendsWhatTheWindowCannotHandleToTheShownPane) {
    EXPECT_EQ(m_controller->supplementalTargetForAction("revert", nullptr), nullptr); // no pane shown yet
    m_controller->show(PaneIdentifier(QStringLiteral("second")));
    RoutingPane* shown = pane(1);
    shown->field->setFocus();
    for (const auto& [action, target] :
         std::initializer_list<std::pair<QByteArray, QObject*>>{{"revert", shown},
                                                                {"selectEverything", shown->field},
                                                                {"exportSettings", &shown->helper},
                                                                {"noSuchAction", nullptr}})
        EXPECT_EQ(m_controller->supplementalTargetForAction(action, nullptr), target) << action.constData();
    EXPECT_TRUE(m_controller->sendAction("revert", m_controller.get()));
    EXPECT_FALSE(m_controller->sendAction("noSuchAction", nullptr));
    EXPECT_EQ(shown->reverted, 1);

    m_controller->window()->setFocus();
    QTest::keyClick(m_controller->window(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(shown->reverted, 2);
    EXPECT_EQ(pane(0)->reverted, 0);
    auto* outside = new SelectingField;
    outside->setParent(m_controller->window());
    outside->show();
    outside->setFocus();
    ASSERT_EQ(m_controller->window()->focusWidget(), outside);
    EXPECT_FALSE(m_controller->sendAction("selectEverything", nullptr));
    EXPECT_EQ(outside->selected, 0);
}

} // namespace

#include "ActionRoutingTest.moc"
