#include "VexoExtensions/DateUtilities.h"

#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {
QDateTime local(int y, int m, int d, int h = 12, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}
QDateTime utc(int year) {
    return QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC);
}
} // namespace

// Each difference of a date from another: positive when later, whole units only, 0 for an invalid date.
TEST(DateDifferences, CountWholeUnitsFromTheSecondDate) {
    using Difference = qint64 (*)(const QDateTime&, const QDateTime&);
    const QDateTime start = local(2024, 6, 1, 10, 0, 0);
    const std::vector<std::tuple<Difference, QDateTime, QDateTime, qint64>> cases = {
        {days, start, start.addDays(-1), 1},
        {days, local(2024, 3, 15, 12), local(2024, 3, 14, 13), 0}, // 23 hours: no whole day
        {years, local(2024, 2, 28), local(2020, 2, 29), 3},
        {months, local(2024, 3, 31), local(2024, 1, 31), 2},
        {months, local(2024, 1, 1), local(2024, 3, 1), -2},
        {weeks, local(2024, 3, 22), local(2024, 3, 1), 3},
        {hours, start.addSecs(3 * 3600 + 59), start, 3},
        {minutes, start.addSecs(-125), start, -2},
        {seconds, start.addMSecs(1999), start, 1},
        {seconds, utc(2200), utc(1900), 9'467'107'200}, // far beyond 32 bits
        {seconds, QDateTime(), start, 0},
    };
    for (const auto& [difference, date, from, expected] : cases)
        EXPECT_EQ(difference(date, from), expected) << date.toString().toStdString();
}

TEST(DateFormatterTest, FormatsWithAnIcuPatternAndRefusesABadOne) {
    const DateFormatter formatter(QStringLiteral("yyyy-MM-dd HH:mm"), QLocale(QLocale::English));
    EXPECT_EQ(formatter.string(local(2024, 3, 5, 7, 9)), QStringLiteral("2024-03-05 07:09"));
    EXPECT_EQ(formatter.string(QDateTime()), QString());
    const DateFormatter german(QStringLiteral("EEEE"), QLocale(QLocale::German));
    EXPECT_EQ(german.string(local(2024, 3, 4)), QStringLiteral("Montag"));
    EXPECT_THROW(DateFormatter(QStringLiteral("yyyy jj")), std::invalid_argument);
}
