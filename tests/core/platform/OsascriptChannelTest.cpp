#include "core/platform/posix/OsascriptChannel.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

using namespace Qt::Literals::StringLiterals;
using brisquel::OsascriptChannel;
using brisquel::ScriptResult;
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

// The source reaches the program (the variable's) as one argument, untouched; its output loses the
// final line break only; a failure gives the program's own message and exit status.
TEST(OsascriptChannel, GivesWhatTheProgramPrintsOrWhyItFailed) {
    TempFolder folder;
    const QString hostile = u"set x to \"$(rm -rf ~)\" & `id` & 'ü' ; \\ \n line two\n"_s;
    const QString echo =
        fakeOsascript(folder, "[ $# -eq 2 ] && [ \"$1\" = -e ] || exit 9\nprintf '%s\\n' \"$2\"");
    const testsupport::ScopedEnvironment program("QUILLMERE_OSASCRIPT", echo.toUtf8());
    EXPECT_EQ(OsascriptChannel().execute(hostile).value, hostile);
    const ScriptResult failed =
        OsascriptChannel(fakeOsascript(folder, "echo partial\necho 'execution error: (-1728)' >&2\nexit 1",
                                       u"f/osascript"_s))
            .execute(u"return x"_s);
    EXPECT_FALSE(failed.value);
    EXPECT_EQ(failed.errorInfo.value_or(QVariantMap{}),
              (QVariantMap{{kMessage, u"execution error: (-1728)"_s}, {kNumber, 1}}));
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
