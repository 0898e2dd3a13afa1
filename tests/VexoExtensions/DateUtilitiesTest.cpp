#include "VexoExtensions/DateUtilities.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace brisquel::vexo;

namespace {
QDateTime local(int y, int m, int d, int h = 12, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}
} // namespace

TEST(DateDifferences, DaysPositiveWhenLater) {
    const QDateTime now = local(2024, 3, 15);
    EXPECT_EQ(days(now, now.addDays(-1)), 1);
    EXPECT_EQ(days(now, now.addDays(1)), -1);
    EXPECT_EQ(days(local(2024, 3, 15, 12), local(2024, 3, 14, 13)), 0); // 23 hours: no whole day
}

TEST(DateDifferences, CalendarUnitsWeeksOfTheMonth) {
    EXPECT_EQ(years(local(2024, 2, 29), local(2020, 2, 29)), 4);
    EXPECT_EQ(years(local(2024, 2, 28), local(2020, 2, 29)), 3);
    EXPECT_EQ(months(local(2024, 3, 31), local(2024, 1, 31)), 2);
    EXPECT_EQ(months(local(2024, 1, 1), local(2024, 3, 1)), -2);
    EXPECT_EQ(weeks(local(2024, 3, 22), local(2024, 3, 1)), 3);
    EXPECT_EQ(weeks(local(2024, 3, 1), local(2024, 3, 22)), -3);
}

TEST(DateDifferences, ElapsedUnits) {
    const QDateTime start = local(2024, 6, 1, 10, 0, 0);
    EXPECT_EQ(hours(start.addSecs(3 * 3600 + 59), start), 3);
    EXPECT_EQ(minutes(start.addSecs(-125), start), -2);
    EXPECT_EQ(seconds(start.addMSecs(1999), start), 1);
    // Spans far beyond 32 bits of seconds still count.
    EXPECT_EQ(seconds(local(2200, 1, 1), local(1900, 1, 1)),
              local(2200, 1, 1).toSecsSinceEpoch() - local(1900, 1, 1).toSecsSinceEpoch());
}

TEST(DateDifferences, InvalidDatesGiveZero) {
    EXPECT_EQ(days(QDateTime(), local(2024, 1, 1)), 0);
    EXPECT_EQ(years(local(2024, 1, 1), QDateTime()), 0);
}

TEST(DateFormatterTest, FormatsWithAnIcuPatternAndRefusesABadOne) {
    const DateFormatter formatter(QStringLiteral("yyyy-MM-dd HH:mm"), QLocale(QLocale::English));
    EXPECT_EQ(formatter.string(local(2024, 3, 5, 7, 9)), QStringLiteral("2024-03-05 07:09"));
    EXPECT_EQ(formatter.string(QDateTime()), QString());
    const DateFormatter german(QStringLiteral("EEEE"), QLocale(QLocale::German));
    EXPECT_EQ(german.string(local(2024, 3, 4)), QStringLiteral("Montag"));
    EXPECT_THROW(DateFormatter(QStringLiteral("yyyy jj")), std::invalid_argument);
}

TEST(DateFormatterTest, StringForNowIsTheCurrentTime) {
    const DateFormatter formatter(QStringLiteral("yyyy-MM-dd HH:mm:ss"), QLocale(QLocale::English));
    const QString before = formatter.string(QDateTime::currentDateTime());
    const QString text = formatter.stringForNow();
    EXPECT_TRUE(text == before || text == formatter.string(QDateTime::currentDateTime()))
        << text.toStdString();
}
