// A setting declared once: how a stored value reads as a boolean when another program wrote it,
// what an absent key reads as, a write that fails, and the observation of its changes.

#include "VexoExtensions/Setting.h"

#include "core/platform/Platform.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

using brisquel::vexo::Setting;
using brisquel::vexo::UserDefaults;

namespace {

const QString kDomain = QStringLiteral("com.example.setting-tests");
const QString kKey = QStringLiteral("includeBetaReleases");

struct Written {
    const char* name;
    const char* type; // integer, real, boolean or string; null: nothing written
    const char* text;
    bool reads;
};

void PrintTo(const Written& written, std::ostream* os) {
    *os << written.name;
}

class BooleanWrittenByAnotherProgram : public ::testing::TestWithParam<Written> {};

// Each value is written by a program of its own into a domain on disk, the way another tool
// (defaults write, a studio's script) would, and read back through the declared setting.
TEST_P(BooleanWrittenByAnotherProgram, readsAsThePlatformReadsABoolean) {
    testsupport::TempFolder folder;
    if (GetParam().type) {
        const int status =
            QProcess::execute(QStringLiteral(PREFERENCES_TEST_WRITER),
                              {QStringLiteral("--set"), folder.path(), kDomain, kKey,
                               QString::fromUtf8(GetParam().type), QString::fromUtf8(GetParam().text)});
        ASSERT_EQ(status, 0);
    }
    const auto defaults = brisquel::Platform::native({.preferencesFolder = folder.path(),
                                                      .log = std::make_shared<testsupport::RecordingLog>()})
                              .preferences->open(kDomain);
    for (const bool absentValue : {false, true}) {
        const Setting<bool> setting(kKey, absentValue, [defaults] { return defaults; });
        EXPECT_EQ(setting.read(), GetParam().type ? GetParam().reads : absentValue) << absentValue;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, BooleanWrittenByAnotherProgram,
    ::testing::Values(Written{"absent", nullptr, "", false}, Written{"booleanTrue", "boolean", "true", true},
                      Written{"booleanFalse", "boolean", "false", false},
                      Written{"integerOne", "integer", "1", true},
                      Written{"integerZero", "integer", "0", false},
                      Written{"integerNegative", "integer", "-7", true},
                      Written{"realHalf", "real", "0.5", true}, Written{"realZero", "real", "0", false},
                      Written{"textYES", "string", "YES", true}, Written{"textyes", "string", "yes", true},
                      Written{"textTrue", "string", "True", true}, Written{"textNO", "string", "NO", false},
                      Written{"textFalse", "string", "false", false}, Written{"textOne", "string", "1", true},
                      Written{"textZero", "string", "0", false}, Written{"textZeros", "string", "000", false},
                      Written{"textSpacesSignZerosSeven", "string", " \t+007", true},
                      Written{"textMinusZeroThenT", "string", "-0t", true},
                      Written{"textLineBreakFirst", "string", "\n1", false},
                      Written{"textEmpty", "string", "", false}, Written{"textWord", "string", "on", false},
                      Written{"textNoBreakSpaceThenY", "string", "\u00a0y", true}),
    [](const ::testing::TestParamInfo<Written>& row) { return std::string(row.param.name); });

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
