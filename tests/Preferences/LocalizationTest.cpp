#include "Preferences/Localization.h"
#include "Preferences/PreferencePane.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QJsonValue>

#include <gtest/gtest.h>

using preferencestest::CaseName;
using quillmere::Preferences::Localization;
using quillmere::Preferences::PaneIdentifier;
using Word = Localization::Word;

namespace {

// The user's languages in order and the current locale, and the table entry they pick.
struct LookupCase {
    const char* name;
    QStringList preferredLanguages;
    const char* currentLocale;
    const char* key;
};

class TitleWordLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(TitleWordLookup, PicksTheFirstLanguageWithAnEntry) {
    const LookupCase& c = GetParam();
    const QString locale = QString::fromUtf8(c.currentLocale);
    EXPECT_EQ(Localization::tableKey(c.preferredLanguages, locale), QString::fromUtf8(c.key));
    EXPECT_EQ(Localization::localized(Word::preferences, c.preferredLanguages, locale),
              Localization::table(Word::preferences).value(QString::fromUtf8(c.key)));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TitleWordLookup,
    ::testing::Values(LookupCase{"HantInTaiwan", {QStringLiteral("zh-Hant-TW")}, "", "zh-TW"},
                      LookupCase{"HantWithoutRegion", {QStringLiteral("zh-Hant")}, "", "zh-CN"},
                      LookupCase{"PosixNameWithCharset", {QStringLiteral("de_DE.UTF-8")}, "", "de"},
                      LookupCase{"LanguageWithoutEntry", {QStringLiteral("eo")}, "", "en"},
                      LookupCase{"FirstWithCodeWins",
                                 {QStringLiteral("C"), QStringLiteral("fr-CA"), QStringLiteral("de")},
                                 "",
                                 "fr"},
                      LookupCase{
                          "NoCodeUsesTheLocale", {QStringLiteral("C"), QStringLiteral("*")}, "ja_JP", "ja"},
                      LookupCase{"PosixLocale", {QStringLiteral("POSIX")}, "POSIX", "en"}),
    CaseName());

TEST(PaneIdentifierValue, IsItsTextAndReadsOnlyATextFromJson) {
    const PaneIdentifier updates(QStringLiteral("updates"));
    EXPECT_EQ(PaneIdentifier::fromJson(updates.toJson()), updates);
    EXPECT_FALSE(PaneIdentifier::fromJson(QJsonValue(3)).has_value());
}

} // namespace
