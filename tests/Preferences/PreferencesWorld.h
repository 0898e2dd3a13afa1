#pragma once

#include "Preferences/PreferencePane.h"
#include "Preferences/PreferencesWindowController.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/support/FakePlatform.h"

#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace preferencestest {

// A view that asks for one size and no other.
class SizedView final : public QWidget {
public:
    explicit SizedView(QSize size, QWidget* parent = nullptr) : QWidget(parent), m_size(size) {}
    QSize sizeHint() const override { return m_size; }
    QSize minimumSizeHint() const override { return m_size; }

private:
    QSize m_size;
};

// A pane of a given size that writes down when it appears and disappears ("+id", "-id").
class TestPane final : public quillmere::PreferencePane {
public:
    TestPane(QString identifier, QString title, QSize size, QStringList* log = nullptr)
        : m_identifier(std::move(identifier)), m_title(std::move(title)), m_size(size), m_log(log) {}

    quillmere::Preferences::PaneIdentifier preferencePaneIdentifier() const override {
        return quillmere::Preferences::PaneIdentifier(m_identifier);
    }
    QString preferencePaneTitle() const override { return m_title; }
    QIcon toolbarItemIcon() const override { return {}; }

    void viewDidAppear() override { note(u'+'); }
    void viewWillDisappear() override { note(u'-'); }

protected:
    QWidget* makeView() override { return new SizedView(m_size); }

private:
    void note(QChar change) {
        if (m_log)
            m_log->append(change + m_identifier);
    }

    QString m_identifier;
    QString m_title;
    QSize m_size;
    QStringList* m_log;
};

struct PaneSample {
    const char* identifier;
    const char* title;
    QSize size;
};

// Three panes of different sizes, each wider than the toolbar.
inline const std::vector<PaneSample> kThreePanes = {
    {"general", "General", QSize(400, 200)},
    {"advanced", "Advanced", QSize(600, 260)},
    {"about", "About", QSize(340, 120)},
};

// Fake platform services (settings in memory) and an application named "Photo Tool".
class PreferencesWorld : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.install();
        brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
            {QStringLiteral("CFBundleName"), QStringLiteral("Photo Tool")},
            {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.quillmere.tests.preferences")},
        });
    }
    void TearDown() override { brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt); }

    std::unique_ptr<quillmere::PreferencesWindowController>
    makeController(const std::vector<PaneSample>& samples, quillmere::Preferences::Style style,
                   bool animated = true, bool hidesToolbarForSingleItem = true) {
        std::vector<std::unique_ptr<quillmere::PreferencePane>> panes;
        for (const PaneSample& sample : samples)
            panes.push_back(std::make_unique<TestPane>(QString::fromUtf8(sample.identifier),
                                                       QString::fromUtf8(sample.title), sample.size, &m_log));
        return std::make_unique<quillmere::PreferencesWindowController>(std::move(panes), style, animated,
                                                                        hidesToolbarForSingleItem);
    }

    testsupport::FakePlatform m_platform;
    QStringList m_log;
};

} // namespace preferencestest
