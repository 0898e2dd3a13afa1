#include "Preferences/Localization.h"

#include <QLocale>
#include <QRegularExpression>

#include <optional>

namespace quillmere::Preferences {

namespace {

struct Entry {
    const char16_t* identifier;
    const char16_t* preferences;
    const char16_t* preferencesEllipsized;
};

// The ellipsis is U+2026, except in Korean (three full stops) and traditional Chinese (U+22EF, the
// midline ellipsis), as each language writes it.
constexpr Entry kEntries[] = {
    {u"ar", u"تفضيلات", u"تفضيلات…"},
    {u"ca", u"Preferències", u"Preferències…"},
    {u"cs", u"Předvolby", u"Předvolby…"},
    {u"da", u"Indstillinger", u"Indstillinger…"},
    {u"de", u"Einstellungen", u"Einstellungen…"},
    {u"el", u"Προτιμήσεις", u"Προτιμήσεις…"},
    {u"en", u"Preferences", u"Preferences…"},
    {u"en-AU", u"Preferences", u"Preferences…"},
    {u"en-GB", u"Preferences", u"Preferences…"},
    {u"es", u"Preferencias", u"Preferencias…"},
    {u"es-419", u"Preferencias", u"Preferencias…"},
    {u"fi", u"Asetukset", u"Asetukset…"},
    {u"fr", u"Préférences", u"Préférences…"},
    {u"fr-CA", u"Préférences", u"Préférences…"},
    {u"he", u"העדפות", u"העדפות…"},
    {u"hi", u"प्राथमिकता", u"प्राथमिकता…"},
    {u"hr", u"Postavke", u"Postavke…"},
    {u"hu", u"Beállítások", u"Beállítások…"},
    {u"id", u"Preferensi", u"Preferensi…"},
    {u"it", u"Preferenze", u"Preferenze…"},
    {u"ja", u"環境設定", u"環境設定…"},
    {u"ko", u"환경설정", u"환경설정..."},
    {u"ms", u"Keutamaan", u"Keutamaan…"},
    {u"nl", u"Voorkeuren", u"Voorkeuren…"},
    {u"no", u"Valg", u"Valg…"},
    {u"pl", u"Preferencje", u"Preferencje…"},
    {u"pt", u"Preferências", u"Preferências…"},
    {u"pt-PT", u"Preferências", u"Preferências…"},
    {u"ro", u"Preferințe", u"Preferințe…"},
    {u"ru", u"Настройки", u"Настройки…"},
    {u"sk", u"Nastavenia", u"Nastavenia…"},
    {u"sv", u"Inställningar", u"Inställningar…"},
    {u"th", u"การตั้งค่า", u"การตั้งค่า…"},
    {u"tr", u"Tercihler", u"Tercihler…"},
    {u"uk", u"Параметри", u"Параметри…"},
    {u"vi", u"Tùy chọn", u"Tùy chọn…"},
    {u"zh-CN", u"偏好设置", u"偏好设置…"},
    {u"zh-HK", u"偏好設定", u"偏好設定⋯"},
    {u"zh-TW", u"偏好設定", u"偏好設定⋯"},
};

const QString kDefaultKey = QStringLiteral("en");

QHash<QString, QString> buildTable(Localization::Word word) {
    QHash<QString, QString> table;
    for (const Entry& entry : kEntries) {
        table.insert(QString::fromUtf16(entry.identifier),
                     QString::fromUtf16(word == Localization::Word::preferences
                                            ? entry.preferences
                                            : entry.preferencesEllipsized));
    }
    return table;
}

bool isAsciiLetters(const QString& text) {
    for (const QChar c : text) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) {
            return false;
        }
    }
    return !text.isEmpty();
}

bool isDigits(const QString& text) {
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return !text.isEmpty();
}

struct LocaleCodes {
    QString language;
    QString region;
};

// The language and region codes of an identifier: "zh-Hant-TW", "pt_BR", "en_GB.UTF-8@euro",
// "sr-Latn". The language code is the first part when it is two to eight letters (as a locale
// identifier's language subtag is); "C", "POSIX", "*" and "" have none. The region is the first
// later part of two letters or three digits, before any variant.
std::optional<LocaleCodes> localeCodes(const QString& identifier) {
    QString name = identifier;
    // POSIX names carry a character set and a modifier after the locale proper.
    name = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    const QStringList parts = name.split(QRegularExpression(QStringLiteral("[-_]")));
    if (parts.isEmpty()) {
        return std::nullopt;
    }
    const QString& language = parts.first();
    if (language.size() < 2 || language.size() > 8 || !isAsciiLetters(language) ||
        language.compare(QLatin1String("POSIX"), Qt::CaseInsensitive) == 0) {
        return std::nullopt;
    }
    LocaleCodes codes{language.toLower(), {}};
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if ((part.size() == 2 && isAsciiLetters(part)) || (part.size() == 3 && isDigits(part))) {
            codes.region = part.toUpper();
            break;
        }
        // A script (four letters) may stand between the language and the region; anything else
        // (a variant, an extension) ends the search.
        if (!(part.size() == 4 && isAsciiLetters(part))) {
            break;
        }
    }
    return codes;
}

} // namespace

const QHash<QString, QString>& Localization::table(Word word) {
    // Built once, on first use; C++ guarantees the once-only initialisation.
    static const QHash<QString, QString> preferences = buildTable(Word::preferences);
    static const QHash<QString, QString> ellipsized = buildTable(Word::preferencesEllipsized);
    return word == Word::preferences ? preferences : ellipsized;
}

QString Localization::tableKey(const QStringList& preferredLanguages, const QString& currentLocale) {
    std::optional<LocaleCodes> codes;
    for (const QString& language : preferredLanguages) {
        codes = localeCodes(language);
        if (codes) {
            break;
        }
    }
    if (!codes) {
        codes = localeCodes(currentLocale);
    }
    if (!codes) {
        return kDefaultKey;
    }
    const QHash<QString, QString>& words = table(Word::preferences);
    if (codes->language == QLatin1String("zh")) {
        if (codes->region == QLatin1String("HK") || codes->region == QLatin1String("TW")) {
            return QStringLiteral("zh-") + codes->region;
        }
        return QStringLiteral("zh-CN");
    }
    return words.contains(codes->language) ? codes->language : kDefaultKey;
}

QString Localization::localized(Word word, const QStringList& preferredLanguages,
                                const QString& currentLocale) {
    return table(word).value(tableKey(preferredLanguages, currentLocale));
}

QString Localization::localized(Word word) {
    const QLocale system = QLocale::system();
    return localized(word, system.uiLanguages(), system.name());
}

} // namespace quillmere::Preferences
