// The order of update-feed versions, and which texts are versions at all.

#include "VexoUpdater/VersionComparator.h"

#include <QStringList>

#include <gtest/gtest.h>

using quillmere::VersionComparator;

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList rows(const char* text) {
    return QString::fromUtf8(text).split(u", "_s);
}

// Rows "older < newer": a number beats a word in the same place, a trailing number is a later build.
TEST(VersionComparator, OrdersTheVersionsOfUpdateFeeds) {
    for (const QString& row :
         rows("1.9 < 1.10, 2 < 10, 0.9.3 < 6933, 1.0 < 1.0.1, 1.0 < 1.0.0.1, 1.0.0-beta.9 < 1.0.0, "
              "1.0.0-beta.9 < 1.0.0-beta.10, 1.0b1 < 1.0, 1.0a < 1.0, 1.0alpha < 1.0beta, 1.0b < 1.0beta, "
              "1.0beta2 < 1.0rc1, 1.0b1 < 1.0.1, 1.18.3 < 1.18.3-2, 1.0.0beta < 1.0, "
              "99999999999999999999 < 100000000000000000000, Beta 1 < beta 2")) {
        const QStringList pair = row.split(u" < "_s);
        EXPECT_LT(VersionComparator::compare(pair[0], pair[1]), 0) << row.toStdString();
        EXPECT_GT(VersionComparator::compare(pair[1], pair[0]), 0) << row.toStdString();
    }
    for (const QString& row :
         rows("1.0 = 1.0.0, 1.0 = 1.0.0.0, 007 = 7, 1-0 = 1.0, 1.0beta = 1.0BETA,  = ")) {
        const QStringList pair = row.split(u" = "_s);
        EXPECT_EQ(VersionComparator::compare(pair[0], pair[1]), 0) << row.toStdString();
        EXPECT_EQ(VersionComparator::compare(pair[1], pair[0]), 0) << row.toStdString();
    }
}

// Full-width digits are not digits of a version.
TEST(VersionComparator, TakesATextAsAVersionOnlyWhenItCanBeCompared) {
    const std::string longest(VersionComparator::kMaximumLength, '1');
    for (const QString& text : rows("1.0, v0.0.31, 1.0 beta 2, 1.0+build_7~rc"))
        EXPECT_TRUE(VersionComparator::isVersion(text)) << text.toStdString();
    EXPECT_TRUE(VersionComparator::isVersion(longest));
    for (const QString& text : rows(", banana,  1.0, 1.0 , 1.0\n, 1.0<script>, 1.0/../2, １.０"))
        EXPECT_FALSE(VersionComparator::isVersion(text)) << text.toStdString();
    EXPECT_FALSE(VersionComparator::isVersion(longest + '1'));
}

} // namespace
