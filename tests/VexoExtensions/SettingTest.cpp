#include "VexoExtensions/Setting.h"

#include "tests/support/FakePlatform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using brisquel::vexo::Setting;
using brisquel::vexo::UserDefaults;

namespace {

const QString kDomain = QStringLiteral("com.example.setting-tests");
const QString kKey = QStringLiteral("includeBetaReleases");

// A value as another program may have stored it reads as the platform reads a boolean.
TEST(SettingRead, AStoredValueReadsAsThePlatformReadsABoolean) {
    const auto text = [](const char* value) { return QVariant(QString::fromUtf8(value)); };
    const std::vector<std::pair<QVariant, bool>> rows = {
        {true, true},           {false, false},          {qint64(1), true},
        {qint64(0), false},     {qint64(-7), true},      {0.5, true},
        {0.0, false},           {text("YES"), true},     {text("yes"), true},
        {text("True"), true},   {text("NO"), false},     {quint64(2), true},
        {text("000"), false},   {text(" \t+007"), true}, {text("-0t"), true},
        {text("\n1"), false},   {text(""), false},       {text("on"), false},
        {text("\u00a0y"), true}};
    for (const auto& [value, reads] : rows) {
        const auto defaults = std::make_shared<testsupport::MemoryDefaults>(kDomain);
        defaults->m_values.insert(kKey, value);
        const Setting<bool> setting(kKey, !reads, [defaults] { return defaults; });
        EXPECT_EQ(setting.read(), reads) << value.toString().toStdString();
    }
    const auto empty = std::make_shared<testsupport::MemoryDefaults>(kDomain);
    for (const bool declared : {false, true})
        EXPECT_EQ(Setting<bool>(kKey, declared, [empty] { return empty; }).read(), declared);
}

TEST(SettingRead, AValueOfAnotherTypeReadsAsNothingAndANullDomainAsTheDeclaredValue) {
    const auto defaults = std::make_shared<testsupport::MemoryDefaults>(kDomain);
    defaults->m_values.insert(kKey, QByteArray("YES"));
    defaults->m_values.insert(QStringLiteral("version"), 3);
    EXPECT_FALSE(Setting<bool>(kKey, true, [defaults] { return defaults; }).read());
    EXPECT_EQ(
        Setting<QString>(QStringLiteral("version"), QStringLiteral("x"), [defaults] { return defaults; })
            .read(),
        QString());
    const Setting<bool> unreachable(kKey, true, [] { return std::shared_ptr<UserDefaults>(); });
    EXPECT_TRUE(unreachable.read());
    const brisquel::vexo::Result refused = unreachable.write(false);
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.message().contains(kKey));
}

TEST(SettingObservation, ToldOfEachChangeOnceAndNothingAfterItEnds) {
    const auto defaults = std::make_shared<testsupport::MemoryDefaults>(kDomain);
    const Setting<bool> setting(kKey, false, [defaults] { return defaults; });
    const auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    };
    QList<bool> told;
    auto observation = setting.observe([&](bool value) { told.append(value); }, /*initial=*/true);
    EXPECT_EQ(told, QList<bool>{false});
    // Another declaration of the key is the same setting: told at once, and the later notice is no news.
    ASSERT_TRUE(Setting<bool>(kKey, true, [defaults] { return defaults; }).write(true));
    EXPECT_EQ(told, (QList<bool>{false, true}));
    // Another writer: told when the domain tells, and only when the value changed.
    ASSERT_TRUE(defaults->write(QStringLiteral("other"), 1));
    ASSERT_TRUE(defaults->write(kKey, QStringLiteral("YES")));
    settle();
    ASSERT_TRUE(defaults->write(kKey, 0));
    EXPECT_EQ(told, (QList<bool>{false, true}));
    settle();
    EXPECT_EQ(told, (QList<bool>{false, true, false}));
    defaults->m_failWrites = true;
    EXPECT_FALSE(setting.write(true));
    defaults->m_failWrites = false;
    observation.reset();
    EXPECT_EQ(defaults->liveObservations(), 0);
    ASSERT_TRUE(setting.write(true));
    settle();
    EXPECT_EQ(told, (QList<bool>{false, true, false}));
}

} // namespace
