// The tool's text fitting, at the boundaries a terminal's width makes: each row one call.
#include "cli/TerminalText.h"
#include "cli/TextTable.h"

#include <gtest/gtest.h>

using namespace brisquel::cli;
using namespace brisquel::cli::TerminalText;
using namespace Qt::Literals::StringLiterals;

namespace {

struct FitRow {
    const char* name;
    QString (*fit)(const QString&, qsizetype);
    const char* text;
    qsizetype columns;
    const char* shown;
};

class TerminalTextFitting : public ::testing::TestWithParam<FitRow> {};

TEST_P(TerminalTextFitting, Shows) {
    EXPECT_EQ(GetParam().fit(QString::fromUtf8(GetParam().text), GetParam().columns),
              QString::fromUtf8(GetParam().shown));
}

QString wrappedText(const QString& text, qsizetype columns) {
    return wrapped(text, columns, 2).join(u'|');
}
QString table(const QString& cell, qsizetype columns) {
    TextTable table({{u"N"_s}, {u"DESCRIPTION"_s, TextTable::Fit::Wrap}});
    table.addRow({u"a"_s, cell});
    return table.render(columns);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TerminalTextFitting,
    ::testing::Values(FitRow{"MiddleExact", elidedMiddle, "abcdefgh", 8, "abcdefgh"},
                      FitRow{"MiddleWide", elidedMiddle, "日本語の名前", 7, "日…前"},
                      FitRow{"MiddleNothing", elidedMiddle, "abc", 0, ""},
                      FitRow{"PathFromSeparator", elidedPath, "/Users/me/Scripts/done.scpt", 12,
                             "…/done.scpt"},
                      FitRow{"PathInsideName", elidedPath, "/Users/me/LongFolderName/", 8, "…erName/"},
                      FitRow{"PathExact", elidedPath, "/a/b.scpt", 9, "/a/b.scpt"},
                      FitRow{"WrapExact", wrappedText, "one two", 7, "one two"},
                      FitRow{"WrapLongWord", wrappedText, "abcdefghij", 4, "abcd|efg…"},
                      // The description wraps to exactly the width; the name stays whole.
                      FitRow{"TableWraps", table, "one two three four five six seven eight nine", 30,
                             "N  DESCRIPTION\na  one two three four five six\n   seven eight nine\n"},
                      // A cell exactly as wide as its column is shown as it is, spaces and all.
                      FitRow{"TableExactCell", table, "two  spaces", 80, "N  DESCRIPTION\na  two  spaces\n"}),
    [](const auto& row) { return std::string(row.param.name); });

// A word of a megabyte, as a hostile dictionary may hold, is cut to a screenful in one pass.
TEST(TerminalTextWidth, AWordOfAMegabyte) {
    const QString word(1 << 20, QLatin1Char('x'));
    const QStringList lines = wrapped(word, 80, 12);
    EXPECT_TRUE(lines.size() == 12 && lines.last().endsWith(u"…"_s)) << lines.size();
    EXPECT_EQ(elidedMiddle(word, 80).size(), 80);
    TextTable table(
        {{u"NAME"_s}, {u"DESCRIPTION"_s, TextTable::Fit::Wrap}, {u"PATH"_s, TextTable::Fit::ElidePath}});
    table.addRow({word, word + u" end"_s, u"/"_s + word});
    const QStringList shown = table.render(80).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_LT(shown.size(), 60);
    for (const QString& line : shown)
        EXPECT_LE(line.size(), 80);
}

} // namespace
