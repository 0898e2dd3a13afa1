#pragma once

#include "VexoExtensions/Export.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <memory>
#include <optional>

// Date differences in calendar units and a date formatter, on ICU's calendar and formats (the
// engine behind the platform's own calendar and date formatter).
namespace brisquel::vexo {

// The difference from `from` to `date` in one unit of the user's current calendar (the calendar
// of ICU's default locale, taken from the environment, in the system's time zone): whole units that fit,
// positive when date is later, 0 when either date is invalid or the calendar gives no answer. Days, months
// and years are calendar units (a day across a daylight-saving change is still one day); hours, minutes and
// seconds are elapsed time. weeks() is the calendar's week-of-month field difference.
//     days(QDateTime(d.addDays(1), t), QDateTime(d, t)) == 1
BRISQUEL_EXPORT qint64 years(const QDateTime& date, const QDateTime& from);
BRISQUEL_EXPORT qint64 months(const QDateTime& date, const QDateTime& from);
BRISQUEL_EXPORT qint64 weeks(const QDateTime& date, const QDateTime& from);
BRISQUEL_EXPORT qint64 days(const QDateTime& date, const QDateTime& from);
BRISQUEL_EXPORT qint64 hours(const QDateTime& date, const QDateTime& from);
BRISQUEL_EXPORT qint64 minutes(const QDateTime& date, const QDateTime& from);
BRISQUEL_EXPORT qint64 seconds(const QDateTime& date, const QDateTime& from);

// Formats dates with an ICU date pattern ("yyyy-MM-dd HH:mm:ss", "EEEE d MMMM"), in a locale and
// the system's time zone.
class BRISQUEL_EXPORT DateFormatter {
public:
    // Throws std::invalid_argument for a pattern ICU does not accept.
    explicit DateFormatter(const QString& dateFormat, const QLocale& locale = QLocale());
    ~DateFormatter();
    DateFormatter(const DateFormatter& other);
    DateFormatter& operator=(const DateFormatter& other);

    QString dateFormat() const { return m_dateFormat; }
    QLocale locale() const { return m_locale; }

    // The text for date; empty for an invalid date.
    QString string(const QDateTime& date) const;
    // The text for the current date and time.
    QString stringForNow() const;

private:
    struct Format;
    std::optional<QString> formatted(double milliseconds) const;
    QString m_dateFormat;
    QLocale m_locale;
    std::shared_ptr<Format> m_format;
};

} // namespace brisquel::vexo
