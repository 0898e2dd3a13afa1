// The order of update-feed versions, and which texts are versions at all.

#include "VexoUpdater/VersionComparator.h"

#include <QStringList>

#include <gtest/gtest.h>

using quillmere::VersionComparator;

namespace {

QStringList rows(const char* text) {
    return QString::fromUtf8(text).split(QStringLiteral(", "));
}

// Rows "older < newer" and "equal = equal": a number beats a word in the same place, a trailing
// number is a later build.
TEST(VersionComparator, OrdersTheVersionsOfUpdateFeeds) {
    for (const QString& row :
         rows("1.9 < 1.10, 2 < 10, 0.9.3 < 6933, 1.0 < 1.0.1, 1.0 < 1.0.0.1, 1.0.0-beta.9 < 1.0.0, "
              "1.0.0-beta.9 < 1.0.0-beta.10, 1.0b1 < 1.0, 1.0a < 1.0, 1.0alpha < 1.0beta, 1.0b < 1.0beta, "
              "1.0beta2 < 1.0rc1, 1.0b1 < 1.0.1, 1.18.3 < 1.18.3-2, 1.0.0beta < 1.0, "
              "99999999999999999999 < 100000000000000000000, Beta 1 < beta 2, 1.0 = 1.0.0, 1.0 = 1.0.0.0, "
              "007 = 7, 1-0 = 1.0, 1.0beta = 1.0BETA,  = ")) {
        const bool equal = row.contains(QStringLiteral(" = "));
        const QStringList pair = row.split(equal ? QStringLiteral(" = ") : QStringLiteral(" < "));
        EXPECT_EQ(std::clamp(VersionComparator::compare(pair[0], pair[1]), -1, 1), equal ? 0 : -1)
            << row.toStdString();
        EXPECT_EQ(std::clamp(VersionComparator::compare(pair[1], pair[0]), -1, 1), equal ? 0 : 1)
            << row.toStdString();
    }
}

// Full-width digits are not digits of a version.
TEST(VersionComparator, TakesATextAsAVersionOnlyWhenItCanBeCompared) {
    const QString longest(VersionComparator::kMaximumLength, u'1');
    for (const QString& text : rows("1.0, v0.0.31, 1.0 beta 2, 1.0+build_7~rc") + QStringList{longest})
        EXPECT_TRUE(VersionComparator::isVersion(text)) << text.toStdString();
    for (const QString& text :
         rows(", banana,  1.0, 1.0 , 1.0\n, 1.0<script>, 1.0/../2, １.０") + QStringList{longest + u'1'})
        EXPECT_FALSE(VersionComparator::isVersion(text)) << text.toStdString();
}

} // namespace
