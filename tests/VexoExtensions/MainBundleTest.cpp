#include "VexoExtensions/MainBundle.h"

#include "tests/support/TempFolder.h"

#include <QDir>
#include <array>

#include <gtest/gtest.h>

using brisquel::vexo::findResourceBundle;

namespace {

const QString kBundle = QStringLiteral("VexoWidgets_VexoUpdater.bundle");

// Which of the resources, library and application folders hold it, and the one found (-1: none); an
// empty candidate is passed over.
TEST(BundleLookup, PrefersResourcesThenLibraryThenApplication) {
    const std::pair<std::array<bool, 3>, int> rows[] = {{{true, true, true}, 0},
                                                        {{false, true, true}, 1},
                                                        {{false, false, true}, 2},
                                                        {{false, false, false}, -1}};
    for (const auto& [present, expected] : rows) {
        testsupport::TempFolder root;
        QStringList candidates{QString()};
        for (size_t i = 0; i < present.size(); ++i) {
            candidates << root.filePath(QString::number(i));
            QDir().mkpath(present[i] ? candidates.back() + QLatin1Char('/') + kBundle : candidates.back());
        }
        const QString bundle =
            expected < 0 ? QString() : candidates[expected + 1] + QLatin1Char('/') + kBundle;
        EXPECT_EQ(findResourceBundle(kBundle, candidates).value_or(QString()), QDir::cleanPath(bundle))
            << expected;
    }
}

} // namespace
