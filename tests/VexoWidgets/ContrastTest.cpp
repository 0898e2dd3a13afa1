// The windows of the libraries, in the light and the dark palette: every text they show reaches
// the minimum contrast against what it is drawn on, captions and warnings included.

#include "ContactForm/ContactFormViewController.h"
#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/UpdatesViewController.h"
#include "VexoWidgets/Appearance.h"
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
    Readability() : m_saved(QApplication::palette()) {
        platform.install();
        brisquel::vexo::MainBundle::setInfoDictionary(
            QVariantMap{{QStringLiteral("CFBundleName"), QStringLiteral("Quillmere")},
                        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.contrast-tests")},
                        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0")},
                        {QStringLiteral("CFBundleVersion"), QStringLiteral("1")}});
        QApplication::setPalette(GetParam().dark ? darkPalette() : QApplication::style()->standardPalette());
    }
    ~Readability() override {
        QApplication::setPalette(m_saved);
        brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
    }

    testsupport::FakePlatform platform;

private:
    QPalette m_saved;
};

// The contrast of a widget's text against what it is drawn on: a push button's text on the
// button, any other text on the window.
double contrastOf(const QWidget* widget) {
    const QPalette& palette = widget->palette();
    if (qobject_cast<const QPushButton*>(widget)) {
        return contrastRatio(palette.color(QPalette::Active, QPalette::ButtonText),
                             palette.color(QPalette::Active, QPalette::Button));
    }
    return contrastRatio(palette.color(QPalette::Active, widget->foregroundRole()),
                         palette.color(QPalette::Active, QPalette::Window));
}

TEST_P(Readability, EveryTextReachesTheMinimumContrast) {
    std::unique_ptr<UpdatesViewController> pane;
    std::unique_ptr<QWidget> form;
    QWidget* window = nullptr;
    if (GetParam().pane) {
        pane = std::make_unique<UpdatesViewController>();
        window = pane->view();
    } else {
        form = std::make_unique<ContactFormViewController>();
        window = form.get();
    }
    window->ensurePolished();
    int texts = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QLabel*>(widget) && !qobject_cast<QAbstractButton*>(widget)) {
            continue;
        }
        ++texts;
        EXPECT_GE(contrastOf(widget), kMinimumTextContrast) << widget->objectName().toStdString();
    }
    EXPECT_GE(texts, 6);
}

INSTANTIATE_TEST_SUITE_P(Windows, Readability,
                         ::testing::Values(Look{"paneLight", false, true}, Look{"paneDark", true, true},
                                           Look{"formLight", false, false}, Look{"formDark", true, false}),
                         [](const ::testing::TestParamInfo<Look>& row) {
                             return std::string(row.param.name);
                         });

} // namespace
