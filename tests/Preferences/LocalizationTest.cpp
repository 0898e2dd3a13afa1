#include "Preferences/Localization.h"
#include "Preferences/PreferencePane.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QJsonValue>
#include <QSet>

#include <gtest/gtest.h>

using preferencestest::CaseName;
using quillmere::Preferences::Localization;
using quillmere::Preferences::PaneIdentifier;
using Word = Localization::Word;

namespace {

struct LookupCase {
    const char* name;
    QStringList preferredLanguages;
    QString currentLocale;
    QString key;
};

void PrintTo(const LookupCase& c, std::ostream* out) {
    *out << c.name;
}

class TitleWordLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(TitleWordLookup, picksFirstLanguage) {
    const LookupCase& c = GetParam();
    EXPECT_EQ(Localization::tableKey(c.preferredLanguages, c.currentLocale), c.key);
    EXPECT_EQ(Localization::localized(Word::preferences, c.preferredLanguages, c.currentLocale),
              Localization::table(Word::preferences).value(c.key));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, TitleWordLookup,
    ::testing::Values(
        LookupCase{"traditionalChineseInTaiwanGetsZhTW",
                   {QStringLiteral("zh-Hant-TW")},
                   {},
                   QStringLiteral("zh-TW")},
        LookupCase{"chineseInHongKongGetsZhHK", {QStringLiteral("zh-Hant-HK")}, {}, QStringLiteral("zh-HK")},
        LookupCase{"simplifiedChineseWithoutRegionGetsZhCN",
                   {QStringLiteral("zh-Hans")},
                   {},
                   QStringLiteral("zh-CN")},
        LookupCase{"hantWithoutRegionGetsZhCN", {QStringLiteral("zh-Hant")}, {}, QStringLiteral("zh-CN")},
        LookupCase{"chineseInSingaporeGetsZhCN", {QStringLiteral("zh_SG")}, {}, QStringLiteral("zh-CN")},
        LookupCase{"brazilianPortugueseGetsPt", {QStringLiteral("pt-BR")}, {}, QStringLiteral("pt")},
        LookupCase{"portugueseInPortugalGetsPtNotPtPT", {QStringLiteral("pt-PT")}, {}, QStringLiteral("pt")},
        LookupCase{"britishEnglishGetsEn", {QStringLiteral("en-GB")}, {}, QStringLiteral("en")},
        LookupCase{"posixNameWithCharsetIsRead", {QStringLiteral("de_DE.UTF-8")}, {}, QStringLiteral("de")},
        LookupCase{"languageWithoutEntryGetsEn", {QStringLiteral("eo")}, {}, QStringLiteral("en")},
        LookupCase{"firstLanguageWithCodeWins",
                   {QStringLiteral("C"), QStringLiteral("fr-CA"), QStringLiteral("de")},
                   {},
                   QStringLiteral("fr")},
        LookupCase{"noLanguageCodeUsesCurrentLocale",
                   {QStringLiteral("C"), QStringLiteral("*")},
                   QStringLiteral("ja_JP"),
                   QStringLiteral("ja")},
        LookupCase{"noCodeAnywhereGetsEn", {}, QStringLiteral("C"), QStringLiteral("en")},
        LookupCase{
            "posixLocaleGetsEn", {QStringLiteral("POSIX")}, QStringLiteral("POSIX"), QStringLiteral("en")}),
    CaseName());

TEST(TitleWordTables, holdThirtyNineLanguagesInBothWords) {
    EXPECT_EQ(Localization::table(Word::preferences).size(), 39);
    EXPECT_EQ(QSet<QString>(Localization::table(Word::preferences).keyBegin(),
                            Localization::table(Word::preferences).keyEnd()),
              QSet<QString>(Localization::table(Word::preferencesEllipsized).keyBegin(),
                            Localization::table(Word::preferencesEllipsized).keyEnd()));
}

TEST(TitleWordTables, writeEachLanguagesOwnEllipsis) {
    const auto& ellipsized = Localization::table(Word::preferencesEllipsized);
    EXPECT_EQ(ellipsized.value(QStringLiteral("ko")), QStringLiteral("환경설정..."));
    EXPECT_EQ(ellipsized.value(QStringLiteral("zh-TW")), QString::fromUtf16(u"偏好設定\u22EF"));
    EXPECT_EQ(ellipsized.value(QStringLiteral("zh-HK")), QString::fromUtf16(u"偏好設定\u22EF"));
    EXPECT_EQ(ellipsized.value(QStringLiteral("en")), QString::fromUtf16(u"Preferences\u2026"));
    // Every other entry is its title word and U+2026.
    const auto& words = Localization::table(Word::preferences);
    for (auto it = words.cbegin(); it != words.cend(); ++it) {
        if (it.key() == QLatin1String("ko") || it.key().startsWith(QLatin1String("zh-H")) ||
            it.key() == QLatin1String("zh-TW")) {
            continue;
        }
        EXPECT_EQ(ellipsized.value(it.key()), it.value() + QChar(0x2026)) << it.key().toStdString();
    }
}

TEST(PaneIdentifierValue, isEqualHashedAndCodedByItsText) {
    const PaneIdentifier updates(QStringLiteral("updates"));
    EXPECT_EQ(updates, PaneIdentifier(QStringLiteral("updates")));
    EXPECT_FALSE(updates == PaneIdentifier(QStringLiteral("Updates")));
    EXPECT_EQ(qHash(updates), qHash(PaneIdentifier(QStringLiteral("updates"))));
    EXPECT_EQ(QSet<PaneIdentifier>({updates, PaneIdentifier(QStringLiteral("updates"))}).size(), 1);
    EXPECT_EQ(updates.toJson(), QJsonValue(QStringLiteral("updates")));
    EXPECT_EQ(PaneIdentifier::fromJson(updates.toJson()), updates);
    EXPECT_FALSE(PaneIdentifier::fromJson(QJsonValue(3)).has_value());
    EXPECT_EQ(PaneIdentifier::fromToolbarItemIdentifier(updates.asToolbarItemIdentifier()), updates);
}

} // namespace
