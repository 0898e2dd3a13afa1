#include "VexoExtensions/MainBundle.h"

#include "tests/support/TempFolder.h"

#include <QDir>
#include <array>

#include <gtest/gtest.h>

using brisquel::vexo::findResourceBundle;

namespace {

const QString kBundle = QStringLiteral("VexoWidgets_VexoUpdater.bundle");

// Which of the resources, library and application folders hold it, and the one found (-1: none).
TEST(BundleLookup, PrefersResourcesThenLibraryThenApplication) {
    const std::vector<std::pair<std::array<bool, 3>, int>> rows = {{{true, true, true}, 0},
                                                                   {{false, true, true}, 1},
                                                                   {{true, false, true}, 0},
                                                                   {{false, false, true}, 2},
                                                                   {{false, false, false}, -1}};
    for (const auto& [present, expected] : rows) {
        testsupport::TempFolder root;
        QStringList candidates{QString()};
        for (const char* name : {"share/quillmere", "lib", "bin"}) {
            candidates << root.filePath(QString::fromUtf8(name));
            QDir().mkpath(candidates.back());
            if (present[static_cast<size_t>(candidates.size() - 2)])
                QDir().mkpath(candidates.back() + QLatin1Char('/') + kBundle);
        }
        const std::optional<QString> found = findResourceBundle(kBundle, candidates);
        EXPECT_EQ(found,
                  expected < 0
                      ? std::nullopt
                      : std::optional(QDir::cleanPath(candidates[expected + 1] + QLatin1Char('/') + kBundle)))
            << expected;
    }
}

} // namespace
