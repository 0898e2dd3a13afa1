#include "ContactForm/ContactFormViewController.h"
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

using namespace quillmere;

namespace {

// In the light and the dark palette, every text of the libraries' windows reaches the minimum
// contrast against what it is drawn on: a push button's text the button, any other the window.
TEST(Readability, EveryTextReachesTheMinimumContrast) {
    testsupport::FakePlatform platform;
    platform.install();
    const QPalette saved = QApplication::palette();
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        UpdatesViewController pane;
        ContactFormViewController form;
        for (QWidget* window : {pane.view(), static_cast<QWidget*>(&form)}) {
            window->ensurePolished();
            int texts = 0;
            for (QWidget* widget : window->findChildren<QWidget*>()) {
                if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget))
                    continue;
                ++texts;
                const bool button = qobject_cast<const QPushButton*>(widget);
                const QPalette& p = widget->palette();
                const QColor text =
                    p.color(QPalette::Active, button ? QPalette::ButtonText : widget->foregroundRole());
                const QColor ground = p.color(QPalette::Active, button ? QPalette::Button : QPalette::Window);
                EXPECT_GE(contrastRatio(text, ground), kMinimumTextContrast)
                    << widget->objectName().toStdString();
            }
            EXPECT_GE(texts, 6) << dark;
        }
    }
    QApplication::setPalette(saved);
}

// A colour made readable moves (toward black on light, white on dark) no further than it must.
TEST(Appearance, ContrastRatiosAndReadableColours) {
    for (const QColor background : {QColor(Qt::white), QColor(0x2d, 0x2f, 0x33)}) {
        const double ratio = contrastRatio(readableOn(QColor(0x88, 0x88, 0x88), background), background);
        EXPECT_GE(ratio, kMinimumTextContrast) << background.name().toStdString();
        EXPECT_LT(ratio, kMinimumTextContrast + 0.1) << background.name().toStdString();
    }
    EXPECT_EQ(readableOn(QColor(0x10, 0x20, 0x30), Qt::white), QColor(0x10, 0x20, 0x30));
    EXPECT_DOUBLE_EQ(contrastRatio(Qt::black, Qt::white), 21.0);
    EXPECT_NEAR(contrastRatio(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.01);
}

// Captions and warnings take their colours from the parent's palette, and follow it when it changes.
TEST(TextStyles, FollowTheParentsPalette) {
    for (const TextStyle style : {TextStyle::Caption, TextStyle::Warning}) {
        QWidget parent;
        auto* label = new QLabel(&parent);
        applyTextStyle(label, style);
        for (const QPalette& palette : {QApplication::style()->standardPalette(), darkPalette()}) {
            parent.setPalette(palette);
            EXPECT_GE(
                contrastRatio(label->palette().color(QPalette::WindowText), palette.color(QPalette::Window)),
                kMinimumTextContrast);
        }
    }
}

} // namespace
