#include "Preferences/Localization.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <gtest/gtest.h>

using quillmere::Preferences::Localization;
using Word = Localization::Word;

namespace {

// The user's languages in order and the current locale, and the table entry they pick.
TEST(TitleWordLookup, PicksTheFirstLanguageWithAnEntry) {
    const std::tuple<QStringList, const char*, const char*> rows[] = {
        {{QStringLiteral("zh-Hant-TW")}, "", "zh-TW"},
        {{QStringLiteral("zh-Hant")}, "", "zh-CN"},
        {{QStringLiteral("de_DE.UTF-8")}, "", "de"}, // a POSIX name with its character set
        {{QStringLiteral("eo")}, "", "en"},          // a language without an entry
        {{QStringLiteral("C"), QStringLiteral("fr-CA"), QStringLiteral("de")}, "", "fr"},
        {{QStringLiteral("C"), QStringLiteral("*")}, "ja_JP", "ja"}, // no code: the locale
        {{QStringLiteral("POSIX")}, "POSIX", "en"}};
    for (const auto& [languages, currentLocale, key] : rows) {
        const QString locale = QString::fromUtf8(currentLocale);
        EXPECT_EQ(Localization::tableKey(languages, locale), QString::fromUtf8(key));
        EXPECT_EQ(Localization::localized(Word::preferences, languages, locale),
                  Localization::table(Word::preferences).value(QString::fromUtf8(key)));
    }
}

} // namespace
