#include "VexoExtensions/DateUtilities.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <mutex>
#include <stdexcept>
#include <string>

namespace brisquel::vexo {

namespace {

// The difference in a calendar field, or 0 when the calendar has none (as for a span too large
// for the engine's 32-bit field arithmetic).
qint64 fieldDifference(const QDateTime& date, const QDateTime& from, UCalendarDateFields field) {
    if (!date.isValid() || !from.isValid())
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(icu::Locale::getDefault(), status));
    if (U_FAILURE(status) || !calendar)
        return 0;
    calendar->setTime(static_cast<UDate>(from.toMSecsSinceEpoch()), status);
    const int32_t difference =
        calendar->fieldDifference(static_cast<UDate>(date.toMSecsSinceEpoch()), field, status);
    return U_FAILURE(status) ? 0 : difference;
}

qint64 elapsed(const QDateTime& date, const QDateTime& from, qint64 unitMilliseconds) {
    if (!date.isValid() || !from.isValid())
        return 0;
    // Truncates towards zero, like a count of whole units in either direction.
    return (date.toMSecsSinceEpoch() - from.toMSecsSinceEpoch()) / unitMilliseconds;
}

icu::UnicodeString toIcu(const QString& text) {
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

} // namespace

qint64 years(const QDateTime& date, const QDateTime& from) {
    return fieldDifference(date, from, UCAL_YEAR);
}
qint64 months(const QDateTime& date, const QDateTime& from) {
    return fieldDifference(date, from, UCAL_MONTH);
}
qint64 weeks(const QDateTime& date, const QDateTime& from) {
    return fieldDifference(date, from, UCAL_WEEK_OF_MONTH);
}
qint64 days(const QDateTime& date, const QDateTime& from) {
    return fieldDifference(date, from, UCAL_DATE);
}
qint64 hours(const QDateTime& date, const QDateTime& from) {
    return elapsed(date, from, qint64{3600} * 1000);
}
qint64 minutes(const QDateTime& date, const QDateTime& from) {
    return elapsed(date, from, qint64{60} * 1000);
}
qint64 seconds(const QDateTime& date, const QDateTime& from) {
    return elapsed(date, from, 1000);
}

struct DateFormatter::Format {
    // ICU formats are not safe for concurrent use; the formatter may be shared between copies.
    std::mutex mutex;
    std::unique_ptr<icu::SimpleDateFormat> format;
};

DateFormatter::DateFormatter(const QString& dateFormat, const QLocale& locale)
    : m_dateFormat(dateFormat), m_locale(locale) {
    auto format = std::make_shared<Format>();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale icuLocale = icu::Locale::forLanguageTag(locale.bcp47Name().toStdString(), status);
    if (U_FAILURE(status))
        icuLocale = icu::Locale::getDefault();
    status = U_ZERO_ERROR;
    format->format = std::make_unique<icu::SimpleDateFormat>(toIcu(dateFormat), icuLocale, status);
    if (U_FAILURE(status))
        throw std::invalid_argument("invalid date format \"" + dateFormat.toStdString() +
                                    "\": " + u_errorName(status));
    m_format = std::move(format);
    // The engine reads the pattern only when it formats: try it once, so that a bad pattern is
    // refused here rather than giving empty texts later.
    if (!formatted(0))
        throw std::invalid_argument("invalid date format \"" + dateFormat.toStdString() + "\"");
}

std::optional<QString> DateFormatter::formatted(double milliseconds) const {
    std::lock_guard lock(m_format->mutex);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(m_format->format->getCalendar()->clone());
    calendar->setTime(milliseconds, status);
    icu::UnicodeString text;
    m_format->format->format(*calendar, text, nullptr, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

DateFormatter::~DateFormatter() = default;
DateFormatter::DateFormatter(const DateFormatter& other) = default;
DateFormatter& DateFormatter::operator=(const DateFormatter& other) = default;

QString DateFormatter::string(const QDateTime& date) const {
    if (!date.isValid())
        return {};
    return formatted(static_cast<double>(date.toMSecsSinceEpoch())).value_or(QString());
}

QString DateFormatter::stringForNow() const {
    return string(QDateTime::currentDateTime());
}

} // namespace brisquel::vexo
