#include "core/platform/posix/OsascriptChannel.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

using brisquel::OsascriptChannel;
using brisquel::ScriptResult;
using testsupport::ScopedEnvironment;
using testsupport::TempFolder;

namespace {

const QString kMessage = QStringLiteral("NSAppleScriptErrorMessage");
const QString kNumber = QStringLiteral("NSAppleScriptErrorNumber");

// A stand-in osascript: a shell script with the given body at <folder>/<relative>.
QString fakeOsascript(const TempFolder& folder, const QByteArray& body,
                      const QString& relative = QStringLiteral("bin/osascript")) {
    QString path = folder.write(relative, "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace

TEST(OsascriptChannel, GivesWhatTheProgramPrintsOrWhyItFailed) {
    struct Case {
        const char* name;
        QByteArray body;
        QString source;
        std::optional<QString> value;
        QString message = {}; // for a failure: a part of the error message
        int number = 0;
    };
    const QString hostile = QStringLiteral("set x to \"$(rm -rf ~)\" & `id` & 'ü' ; \\ \n line two");
    const QList<Case> cases{{"only the final line break goes", "printf '%s\\n\\n' \"/Scripts/$1 $2\"",
                             QStringLiteral("return \"x\""), QStringLiteral("/Scripts/-e return \"x\"\n")},
                            {"the source is one argument, untouched",
                             "[ $# -eq 2 ] || exit 9\nprintf '%s' \"$2\"", hostile, hostile},
                            {"no output", "exit 0", QStringLiteral("return"), QString()},
                            {"non-zero exit",
                             "echo partial\necho \"execution error: no such property (-1728)\" >&2\nexit 1",
                             QStringLiteral("return x"), std::nullopt,
                             QStringLiteral("execution error: no such property (-1728)"), 1},
                            {"killed without a word", "kill -9 $$", QStringLiteral("return x"), std::nullopt,
                             QStringLiteral("signal")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const QString program = fakeOsascript(folder, c.body);
        const ScriptResult result = OsascriptChannel(program).execute(c.source);
        EXPECT_EQ(result.value, c.value);
        EXPECT_EQ(result.errorInfo.has_value(), !c.value.has_value());
        if (c.value)
            continue;
        ASSERT_TRUE(result.errorInfo);
        const QString message = result.errorInfo->value(kMessage).toString();
        EXPECT_TRUE(message.contains(c.message)) << qPrintable(message);
        if (c.number != 0)
            EXPECT_EQ(result.errorInfo->value(kNumber).toInt(), c.number);
        else
            EXPECT_TRUE(message.contains(program)) << qPrintable(message);
    }
}

TEST(OsascriptChannel, FindsTheProgramByConstructorThenVariableThenPath) {
    TempFolder folder;
    fakeOsascript(folder, "echo from-path");
    const QString fromVariable = fakeOsascript(folder, "echo from-variable", QStringLiteral("env/osascript"));
    const QString fromConstructor =
        fakeOsascript(folder, "echo from-constructor", QStringLiteral("c/osascript"));
    const ScopedEnvironment path("PATH", folder.filePath(QStringLiteral("bin")).toUtf8());
    {
        const ScopedEnvironment program("QUILLMERE_OSASCRIPT", fromVariable.toUtf8());
        EXPECT_EQ(OsascriptChannel().execute(QStringLiteral("x")).value, QStringLiteral("from-variable"));
        EXPECT_EQ(OsascriptChannel(fromConstructor).execute(QStringLiteral("x")).value,
                  QStringLiteral("from-constructor"));
    }
    {
        const ScopedEnvironment program("QUILLMERE_OSASCRIPT",
                                        folder.filePath(QStringLiteral("no/osascript")).toUtf8());
        const ScriptResult missing = OsascriptChannel().execute(QStringLiteral("x"));
        EXPECT_FALSE(missing.value);
        ASSERT_TRUE(missing.errorInfo);
        EXPECT_FALSE(missing.errorInfo->value(kMessage).toString().isEmpty());
    }
    const ScopedEnvironment program("QUILLMERE_OSASCRIPT", QByteArray());
    EXPECT_EQ(OsascriptChannel().execute(QStringLiteral("x")).value, QStringLiteral("from-path"));
    const ScopedEnvironment emptyPath("PATH", folder.filePath(QStringLiteral("empty")).toUtf8());
    const ScriptResult notFound = OsascriptChannel().execute(QStringLiteral("x"));
    EXPECT_FALSE(notFound.value);
    ASSERT_TRUE(notFound.errorInfo);
    EXPECT_EQ(notFound.errorInfo->value(kMessage).toString(), QStringLiteral("osascript not found"));
}

TEST(OsascriptChannel, NeitherAHungProgramNorAChildHoldingItsOutputHoldsTheCaller) {
    TempFolder folder;
    QElapsedTimer timer;
    timer.start();
    // The child sleep keeps the output open: it must be ended with the program.
    const ScriptResult hung = OsascriptChannel(fakeOsascript(folder, "echo started\nsleep 30\necho never"),
                                               std::chrono::milliseconds(300))
                                  .execute(QStringLiteral("x"));
    EXPECT_FALSE(hung.value);
    ASSERT_TRUE(hung.errorInfo);
    EXPECT_EQ(hung.errorInfo->value(kNumber).toInt(), -1712);
    // The program answers and exits at once; what it left in the background still holds the output.
    const ScriptResult answered =
        OsascriptChannel(fakeOsascript(folder, "sleep 30 &\necho answered"), std::chrono::milliseconds(300))
            .execute(QStringLiteral("x"));
    EXPECT_EQ(answered.value, QStringLiteral("answered"));
    EXPECT_LT(timer.elapsed(), 20000);
}
