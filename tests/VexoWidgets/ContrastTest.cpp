#include "ContactForm/ContactFormViewController.h"
#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/UpdatesViewController.h"
#include "VexoWidgets/Appearance.h"
#include "VexoWidgets/TextStyles.h"
#include "tests/support/FakePlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace quillmere;

namespace {

struct Look {
    const char* name;
    bool dark;
    bool pane; // else the feedback form
};

void PrintTo(const Look& row, std::ostream* os) {
    *os << row.name;
}

class Readability : public ::testing::TestWithParam<Look> {
protected:
    void SetUp() override {
        platform.install();
        brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
            {QStringLiteral("CFBundleName"), QStringLiteral("Quillmere")},
            {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.contrast-tests")}});
        QApplication::setPalette(GetParam().dark ? darkPalette() : QApplication::style()->standardPalette());
    }
    void TearDown() override {
        QApplication::setPalette(m_saved);
        brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
    }

    testsupport::FakePlatform platform;

private:
    QPalette m_saved = QApplication::palette();
};

// In the light and the dark palette, every text of the libraries' windows reaches the minimum
// contrast against what it is drawn on: a push button's text the button, any other the window.
TEST_P(Readability, EveryTextReachesTheMinimumContrast) {
    UpdatesViewController pane;
    std::unique_ptr<QWidget> form(GetParam().pane ? nullptr : new ContactFormViewController);
    QWidget* window = GetParam().pane ? pane.view() : form.get();
    window->ensurePolished();
    int texts = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const QPalette& palette = widget->palette();
        const bool button = qobject_cast<const QPushButton*>(widget);
        if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget))
            continue;
        ++texts;
        EXPECT_GE(
            contrastRatio(
                palette.color(QPalette::Active, button ? QPalette::ButtonText : widget->foregroundRole()),
                palette.color(QPalette::Active, button ? QPalette::Button : QPalette::Window)),
            kMinimumTextContrast)
            << widget->objectName().toStdString();
    }
    EXPECT_GE(texts, 6);
}

// A colour made readable moves toward black on a light background, toward white on a dark one,
// no further than it must; one readable already stays.
TEST(Appearance, ContrastRatiosAndReadableColours) {
    for (const QColor background : {QColor(Qt::white), QColor(0x2d, 0x2f, 0x33)}) {
        const double ratio = contrastRatio(readableOn(QColor(0x88, 0x88, 0x88), background), background);
        EXPECT_GE(ratio, kMinimumTextContrast) << background.name().toStdString();
        EXPECT_LT(ratio, kMinimumTextContrast + 0.1) << background.name().toStdString();
    }
    EXPECT_EQ(readableOn(QColor(0x10, 0x20, 0x30), Qt::white), QColor(0x10, 0x20, 0x30));
    EXPECT_DOUBLE_EQ(contrastRatio(Qt::black, Qt::white), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(Qt::white, Qt::black), 21.0);
    EXPECT_NEAR(contrastRatio(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
}

// A caption takes the secondary colour, a warning the warning colour, of the palette its parent
// has, and follows it when it changes.
TEST(TextStyles, FollowTheParentsPalette) {
    QWidget parent;
    auto* caption = new QLabel(&parent);
    auto* warning = new QLabel(&parent);
    applyTextStyle(caption, TextStyle::Caption);
    applyTextStyle(warning, TextStyle::Warning);
    for (const QPalette& palette : {QApplication::style()->standardPalette(), darkPalette()}) {
        parent.setPalette(palette);
        const QColor text = palette.color(QPalette::WindowText);
        const QColor background = palette.color(QPalette::Window);
        EXPECT_EQ(caption->palette().color(QPalette::WindowText), secondaryTextColor(text, background));
        EXPECT_EQ(warning->palette().color(QPalette::WindowText), warningTextColor(background));
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, Readability,
                         ::testing::Values(Look{"PaneLight", false, true}, Look{"PaneDark", true, true},
                                           Look{"FormLight", false, false}, Look{"FormDark", true, false}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
