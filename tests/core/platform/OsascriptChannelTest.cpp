#include "core/platform/posix/OsascriptChannel.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

using namespace Qt::Literals::StringLiterals;
using brisquel::OsascriptChannel;
using brisquel::ScriptResult;
using testsupport::ScopedEnvironment;
using testsupport::TempFolder;

namespace {

const QString kMessage = u"NSAppleScriptErrorMessage"_s;
const QString kNumber = u"NSAppleScriptErrorNumber"_s;

// A stand-in osascript: a shell script with the given body at <folder>/<relative>.
QString fakeOsascript(const TempFolder& folder, const QByteArray& body,
                      const QString& relative = u"bin/osascript"_s) {
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
    const QString hostile = u"set x to \"$(rm -rf ~)\" & `id` & 'ü' ; \\ \n line two"_s;
    const QList<Case> cases{
        {"only the final line break goes", "printf '%s\\n\\n' \"/Scripts/$1 $2\"", u"return \"x\""_s,
         u"/Scripts/-e return \"x\"\n"_s},
        {"the source is one argument, untouched", "[ $# -eq 2 ] || exit 9\nprintf '%s' \"$2\"", hostile,
         hostile},
        {"no output", "exit 0", u"return"_s, QString()},
        {"non-zero exit", "echo partial\necho \"execution error: no such property (-1728)\" >&2\nexit 1",
         u"return x"_s, std::nullopt, u"execution error: no such property (-1728)"_s, 1},
        {"killed without a word", "kill -9 $$", u"return x"_s, std::nullopt, u"signal"_s}};
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

// The constructor's program, then the variable's (one that does not exist is a failure, never the
// search path's), then the search path's.
TEST(OsascriptChannel, FindsTheProgramByConstructorThenVariableThenPath) {
    TempFolder folder;
    fakeOsascript(folder, "echo from-path");
    const QString fromVariable = fakeOsascript(folder, "echo from-variable", u"env/osascript"_s);
    const QString fromConstructor = fakeOsascript(folder, "echo from-constructor", u"c/osascript"_s);
    const ScopedEnvironment path("PATH", folder.filePath(u"bin"_s).toUtf8());
    std::optional<ScopedEnvironment> program{std::in_place, "QUILLMERE_OSASCRIPT", fromVariable.toUtf8()};
    EXPECT_EQ(OsascriptChannel().execute(u"x"_s).value, u"from-variable"_s);
    EXPECT_EQ(OsascriptChannel(fromConstructor).execute(u"x"_s).value, u"from-constructor"_s);
    program.emplace("QUILLMERE_OSASCRIPT", folder.filePath(u"no/osascript"_s).toUtf8());
    EXPECT_TRUE(OsascriptChannel().execute(u"x"_s).errorInfo);
    program.emplace("QUILLMERE_OSASCRIPT", QByteArray());
    EXPECT_EQ(OsascriptChannel().execute(u"x"_s).value, u"from-path"_s);
    const ScopedEnvironment emptyPath("PATH", folder.filePath(u"empty"_s).toUtf8());
    const ScriptResult notFound = OsascriptChannel().execute(u"x"_s);
    EXPECT_FALSE(notFound.value);
    EXPECT_EQ(notFound.errorInfo.value_or(QVariantMap{}).value(kMessage), QVariant(u"osascript not found"_s));
}

TEST(OsascriptChannel, NeitherAHungProgramNorAChildHoldingItsOutputHoldsTheCaller) {
    TempFolder folder;
    QElapsedTimer timer;
    timer.start();
    // The child sleep keeps the output open: it must be ended with the program.
    const ScriptResult hung = OsascriptChannel(fakeOsascript(folder, "echo started\nsleep 30\necho never"),
                                               std::chrono::milliseconds(300))
                                  .execute(u"x"_s);
    EXPECT_FALSE(hung.value);
    ASSERT_TRUE(hung.errorInfo);
    EXPECT_EQ(hung.errorInfo->value(kNumber).toInt(), -1712);
    // The program answers and exits at once; what it left in the background still holds the output.
    const ScriptResult answered =
        OsascriptChannel(fakeOsascript(folder, "sleep 30 &\necho answered"), std::chrono::milliseconds(300))
            .execute(u"x"_s);
    EXPECT_EQ(answered.value, u"answered"_s);
    EXPECT_LT(timer.elapsed(), 20000);
}
