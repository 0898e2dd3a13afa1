#include "core/platform/posix/PosixLog.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(PosixLogTest, LinesHaveThePlatformShapeAndKeepTextLiterally) {
    const QString text = QStringLiteral("## Getting URL for %s %n %d {} %%");
    const QString line = brisquel::PosixLog::formatSystemLine(text);
    const QRegularExpression shape(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} [^\\[]+\\[\\d+:\\d+\\] (.*)$"));
    const auto match = shape.match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    EXPECT_EQ(match.captured(1), text);

    // Writing it (with directives that would crash a printf) must be harmless.
    brisquel::PosixLog log;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    log.system(text);
    log.standardOutput(text);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(err.find("%s %n %d {} %%\n"), std::string::npos);
    EXPECT_EQ(out, text.toStdString() + "\n");
}
