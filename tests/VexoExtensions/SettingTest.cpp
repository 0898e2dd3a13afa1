// A setting declared once: how a stored value reads as a boolean when another program wrote it,
// what an absent key reads as, a write that fails, and the observation of its changes.

#include "VexoExtensions/Setting.h"

#include "tests/support/FakePlatform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using brisquel::vexo::Setting;
using brisquel::vexo::UserDefaults;

namespace {

const QString kDomain = QStringLiteral("com.example.setting-tests");
const QString kKey = QStringLiteral("includeBetaReleases");

struct Stored {
    const char* name;
    QVariant value; // none: nothing stored
    bool reads;
};

void PrintTo(const Stored& stored, std::ostream* os) {
    *os << stored.name;
}

class StoredBoolean : public ::testing::TestWithParam<Stored> {};

// Each value as another program (defaults write, a studio's script) may have stored it, read
// through the declared setting.
TEST_P(StoredBoolean, ReadsAsThePlatformReadsABoolean) {
    const auto defaults = std::make_shared<testsupport::MemoryDefaults>(kDomain);
    if (GetParam().value.isValid())
        defaults->m_values.insert(kKey, GetParam().value);
    for (const bool absentValue : {false, true}) {
        const Setting<bool> setting(kKey, absentValue, [defaults] { return defaults; });
        EXPECT_EQ(setting.read(), GetParam().value.isValid() ? GetParam().reads : absentValue) << absentValue;
    }
}

Stored text(const char* name, const char* value, bool reads) {
    return {name, QString::fromUtf8(value), reads};
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredBoolean,
    ::testing::Values(
        Stored{"Absent", {}, false}, Stored{"BooleanTrue", true, true}, Stored{"BooleanFalse", false, false},
        Stored{"IntegerOne", qint64(1), true}, Stored{"IntegerZero", qint64(0), false},
        Stored{"IntegerNegative", qint64(-7), true}, Stored{"RealHalf", 0.5, true},
        Stored{"RealZero", 0.0, false}, text("TextYES", "YES", true), text("Textyes", "yes", true),
        text("TextTrue", "True", true), text("TextNO", "NO", false), text("TextFalse", "false", false),
        text("TextOne", "1", true), text("TextZero", "0", false), text("TextZeros", "000", false),
        text("TextSpacesSignZerosSeven", " \t+007", true), text("TextMinusZeroThenT", "-0t", true),
        text("TextLineBreakFirst", "\n1", false), text("TextEmpty", "", false), text("TextWord", "on", false),
        text("TextNoBreakSpaceThenY", "\u00a0y", true)),
    [](const ::testing::TestParamInfo<Stored>& row) { return std::string(row.param.name); });

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

class SettingObservation : public ::testing::Test {
protected:
    void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }

    std::shared_ptr<testsupport::MemoryDefaults> defaults =
        std::make_shared<testsupport::MemoryDefaults>(kDomain);
    Setting<bool> setting{kKey, false, [this] { return defaults; }};
    QList<bool> told;
};

TEST_F(SettingObservation, AWriteThroughASettingIsToldAtOnceAndItsLaterNoticeChangesNothing) {
    const auto observation = setting.observe([this](bool value) { told.append(value); }, /*initial=*/true);
    EXPECT_EQ(told, QList<bool>{false});
    // Another declaration of the same key in the same domain is the same setting.
    const Setting<bool> same(kKey, true, [this] { return defaults; });
    ASSERT_TRUE(same.write(true));
    EXPECT_EQ(told, (QList<bool>{false, true}));
    settle();
    EXPECT_EQ(told, (QList<bool>{false, true}));
}

TEST_F(SettingObservation, AnotherWriterIsToldWhenTheDomainTellsAndOnlyWhenTheValueChanged) {
    const auto observation = setting.observe([this](bool value) { told.append(value); });
    ASSERT_TRUE(defaults->write(QStringLiteral("other"), 1));
    ASSERT_TRUE(defaults->write(kKey, false)); // written, but it reads as before
    settle();
    EXPECT_TRUE(told.isEmpty());
    ASSERT_TRUE(defaults->write(kKey, QStringLiteral("YES")));
    EXPECT_TRUE(told.isEmpty()); // not before the domain tells
    settle();
    EXPECT_EQ(told, QList<bool>{true});
}

TEST_F(SettingObservation, EndingTheObservationEndsTheCallsAndAFailedWriteTellsNothing) {
    auto observation = setting.observe([this](bool value) { told.append(value); });
    defaults->m_failWrites = true;
    EXPECT_FALSE(setting.write(true));
    defaults->m_failWrites = false;
    observation.reset();
    EXPECT_EQ(defaults->liveObservations(), 0);
    ASSERT_TRUE(setting.write(true));
    settle();
    EXPECT_TRUE(told.isEmpty());
}

} // namespace
