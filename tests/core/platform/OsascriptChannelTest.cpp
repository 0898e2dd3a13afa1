#include "platform/posix/OsascriptChannel.h"
#include "platform/posix/NoAutomationPermission.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

using brisquel::OsascriptChannel;
using brisquel::ScriptResult;
using testsupport::TempFolder;

namespace {

const QString kMessage = QStringLiteral("NSAppleScriptErrorMessage");
const QString kNumber = QStringLiteral("NSAppleScriptErrorNumber");

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnvironment() {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

// A stand-in osascript: a shell script with the given body, in the test's own folder.
QString fakeOsascript(const TempFolder& folder, const QByteArray& body) {
    const QString path = folder.write(QStringLiteral("bin/osascript"), "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace

TEST(OsascriptChannel, GivesWhatTheProgramPrintsLessTheFinalLineBreak) {
    TempFolder folder;
    ScopedEnvironment env("QUILLMERE_OSASCRIPT",
                          fakeOsascript(folder, "printf '%s\\n\\n' \"/Scripts/$1 $2\"").toUtf8());
    const ScriptResult result =
        OsascriptChannel().execute(QStringLiteral("tell application id \"x\" to return a"));
    ASSERT_TRUE(result.value.has_value());
    EXPECT_EQ(*result.value, QStringLiteral("/Scripts/-e tell application id \"x\" to return a\n"));
    EXPECT_FALSE(result.errorInfo.has_value());
}

TEST(OsascriptChannel, PassesTheSourceAsOneArgumentUntouched) {
    TempFolder folder;
    ScopedEnvironment env("QUILLMERE_OSASCRIPT",
                          fakeOsascript(folder, "[ $# -eq 2 ] || exit 9\nprintf '%s' \"$2\"").toUtf8());
    const QString source = QStringLiteral("set x to \"$(rm -rf ~)\" & `id` & 'ü' ; \\ \n line two");
    const ScriptResult result = OsascriptChannel().execute(source);
    ASSERT_TRUE(result.value.has_value());
    EXPECT_EQ(*result.value, source);
}

TEST(OsascriptChannel, EmptyOutputIsAnEmptyResult) {
    TempFolder folder;
    ScopedEnvironment env("QUILLMERE_OSASCRIPT", fakeOsascript(folder, "exit 0").toUtf8());
    const ScriptResult result = OsascriptChannel().execute(QStringLiteral("return"));
    ASSERT_TRUE(result.value.has_value());
    EXPECT_TRUE(result.value->isEmpty());
}

TEST(OsascriptChannel, FailureGivesNoValueAndTheErrorText) {
    TempFolder folder;
    ScopedEnvironment env(
        "QUILLMERE_OSASCRIPT",
        fakeOsascript(folder, "echo partial\necho \"execution error: no such property (-1728)\" >&2\nexit 1")
            .toUtf8());
    const ScriptResult result = OsascriptChannel().execute(QStringLiteral("return x"));
    EXPECT_FALSE(result.value.has_value());
    ASSERT_TRUE(result.errorInfo.has_value());
    EXPECT_EQ(result.errorInfo->value(kMessage).toString(),
              QStringLiteral("execution error: no such property (-1728)"));
    EXPECT_EQ(result.errorInfo->value(kNumber).toInt(), 1);
}

TEST(OsascriptChannel, FailureWithoutErrorTextStillSaysWhatHappened) {
    TempFolder folder;
    const QString program = fakeOsascript(folder, "kill -9 $$");
    ScopedEnvironment env("QUILLMERE_OSASCRIPT", program.toUtf8());
    const ScriptResult result = OsascriptChannel().execute(QStringLiteral("return x"));
    EXPECT_FALSE(result.value.has_value());
    ASSERT_TRUE(result.errorInfo.has_value());
    EXPECT_TRUE(result.errorInfo->value(kMessage).toString().contains(program));
    EXPECT_TRUE(result.errorInfo->value(kMessage).toString().contains(QStringLiteral("signal")));
}

TEST(OsascriptChannel, MissingProgramGivesNoValue) {
    TempFolder folder;
    ScopedEnvironment env("QUILLMERE_OSASCRIPT",
                          folder.filePath(QStringLiteral("no/such/osascript")).toUtf8());
    const ScriptResult result = OsascriptChannel().execute(QStringLiteral("return 1"));
    EXPECT_FALSE(result.value.has_value());
    ASSERT_TRUE(result.errorInfo.has_value());
    EXPECT_FALSE(result.errorInfo->value(kMessage).toString().isEmpty());
}

TEST(OsascriptChannel, WithoutTheVariableLooksOnPath) {
    TempFolder folder;
    fakeOsascript(folder, "echo from-path");
    ScopedEnvironment program("QUILLMERE_OSASCRIPT", QByteArray());
    qunsetenv("QUILLMERE_OSASCRIPT");
    {
        ScopedEnvironment path("PATH", folder.filePath(QStringLiteral("bin")).toUtf8());
        const ScriptResult result = OsascriptChannel().execute(QStringLiteral("return 1"));
        ASSERT_TRUE(result.value.has_value());
        EXPECT_EQ(*result.value, QStringLiteral("from-path"));
    }
    {
        ScopedEnvironment path("PATH", folder.filePath(QStringLiteral("empty")).toUtf8());
        const ScriptResult result = OsascriptChannel().execute(QStringLiteral("return 1"));
        EXPECT_FALSE(result.value.has_value());
        ASSERT_TRUE(result.errorInfo.has_value());
        EXPECT_EQ(result.errorInfo->value(kMessage).toString(), QStringLiteral("osascript not found"));
    }
}

TEST(OsascriptChannel, AHungProgramAndItsChildrenAreStoppedAtTheTimeLimit) {
    TempFolder folder;
    // The child sleep keeps the output pipe open: it must be ended too.
    const QString program = fakeOsascript(folder, "echo started\nsleep 30\necho never");
    QElapsedTimer timer;
    timer.start();
    const ScriptResult result =
        OsascriptChannel(program, std::chrono::milliseconds(300)).execute(QStringLiteral("x"));
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_FALSE(result.value.has_value());
    ASSERT_TRUE(result.errorInfo.has_value());
    EXPECT_EQ(result.errorInfo->value(kNumber).toInt(), -1712);
}

TEST(OsascriptChannel, AChildLeftHoldingTheOutputCannotHoldTheCaller) {
    TempFolder folder;
    // The program answers and exits at once, but what it started in the background keeps its
    // output open.
    const QString program = fakeOsascript(folder, "sleep 30 &\necho answered");
    QElapsedTimer timer;
    timer.start();
    const ScriptResult result =
        OsascriptChannel(program, std::chrono::milliseconds(300)).execute(QStringLiteral("x"));
    EXPECT_LT(timer.elapsed(), 10000);
    ASSERT_TRUE(result.value.has_value());
    EXPECT_EQ(*result.value, QStringLiteral("answered"));
}

TEST(OsascriptChannel, AProgramGivenByNameOverridesTheEnvironment) {
    TempFolder folder;
    TempFolder other;
    ScopedEnvironment env("QUILLMERE_OSASCRIPT", fakeOsascript(other, "echo from-env").toUtf8());
    const QString program = fakeOsascript(folder, "echo from-constructor");
    const ScriptResult result = OsascriptChannel(program).execute(QStringLiteral("x"));
    ASSERT_TRUE(result.value.has_value());
    EXPECT_EQ(*result.value, QStringLiteral("from-constructor"));
}

TEST(NoAutomationPermission, PermitsEveryTarget) {
    brisquel::NoAutomationPermission permission;
    EXPECT_EQ(permission.determine(QStringLiteral("com.captureone.captureone16"), true), 0);
    EXPECT_EQ(permission.determine(QString(), false), 0);
}
