#include "platform/ScriptChannel.h"

#include <gtest/gtest.h>

using brisquel::ScriptResult;

namespace {

ScriptResult withValue(const QString& value) {
    ScriptResult result;
    result.value = value;
    return result;
}

} // namespace

TEST(ScriptResultFileURL, AnAbsolutePathIsTheFile) {
    EXPECT_EQ(withValue(QStringLiteral("/Users/me/Scripts/done.scpt")).fileURL(),
              QUrl::fromLocalFile(QStringLiteral("/Users/me/Scripts/done.scpt")));
}

TEST(ScriptResultFileURL, PathsKeepSpacesQuotesAndNonAscii) {
    const QString path = QStringLiteral("/tmp/a \"b\" #c%20/ü ✓.scpt");
    const std::optional<QUrl> url = withValue(path).fileURL();
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->toLocalFile(), path);
}

TEST(ScriptResultFileURL, AcceptsTheFileSpecifierForms) {
    const QUrl expected = QUrl::fromLocalFile(QStringLiteral("/S/x.scpt"));
    EXPECT_EQ(withValue(QStringLiteral("file /S/x.scpt")).fileURL(), expected);
    EXPECT_EQ(withValue(QStringLiteral("alias /S/x.scpt")).fileURL(), expected);
    EXPECT_EQ(withValue(QStringLiteral("POSIX file \"/S/x.scpt\"")).fileURL(), expected);
    EXPECT_EQ(withValue(QStringLiteral("\"/S/x.scpt\"")).fileURL(), expected);
    EXPECT_EQ(withValue(QStringLiteral("file:///S/x.scpt")).fileURL(), expected);
}

TEST(ScriptResultFileURL, AnythingElseIsNoFile) {
    EXPECT_FALSE(ScriptResult{}.fileURL().has_value());
    EXPECT_FALSE(withValue(QString()).fileURL().has_value());
    EXPECT_FALSE(withValue(QStringLiteral("missing value")).fileURL().has_value());
    EXPECT_FALSE(withValue(QStringLiteral("relative/path.scpt")).fileURL().has_value());
    EXPECT_FALSE(withValue(QStringLiteral("file Macintosh HD:Users:me:x.scpt")).fileURL().has_value());
    EXPECT_FALSE(withValue(QStringLiteral("http://example.com/x.scpt")).fileURL().has_value());
    EXPECT_FALSE(withValue(QStringLiteral("file://server/share/x.scpt")).fileURL().has_value());
    EXPECT_FALSE(withValue(QStringLiteral(" /leading/space")).fileURL().has_value());
}

TEST(ScriptResultDescribe, WritesTheDictionaryForm) {
    const QVariantMap info{{QStringLiteral("NSAppleScriptErrorMessage"), QStringLiteral("Can't get x.")},
                           {QStringLiteral("NSAppleScriptErrorNumber"), -1728}};
    EXPECT_EQ(ScriptResult::describe(info),
              QStringLiteral("{\n"
                             "    NSAppleScriptErrorMessage = \"Can't get x.\";\n"
                             "    NSAppleScriptErrorNumber = -1728;\n"
                             "}"));
}

TEST(ScriptResultDescribe, QuotesOnlyWhatIsNotAPlainWord) {
    const QVariantMap info{{QStringLiteral("a"), QStringLiteral("plain_word.1")},
                           {QStringLiteral("b"), QString()},
                           {QStringLiteral("c"), QStringLiteral("say \"hi\"\\\nbye")},
                           {QStringLiteral("key with space"), QStringLiteral("ü")}};
    EXPECT_EQ(ScriptResult::describe(info), QStringLiteral("{\n"
                                                           "    a = plain_word.1;\n"
                                                           "    b = \"\";\n"
                                                           "    c = \"say \\\"hi\\\"\\\\\\nbye\";\n"
                                                           "    \"key with space\" = \"\u00fc\";\n"
                                                           "}"));
}

TEST(ScriptResultDescribe, NestsDictionariesAndLists) {
    const QVariantMap info{{QStringLiteral("list"), QVariantList{1, QStringLiteral("two words")}},
                           {QStringLiteral("map"), QVariantMap{{QStringLiteral("k"), true}}}};
    EXPECT_EQ(ScriptResult::describe(info), QStringLiteral("{\n"
                                                           "    list = (\n"
                                                           "        1,\n"
                                                           "        \"two words\"\n"
                                                           "    );\n"
                                                           "    map = {\n"
                                                           "        k = 1;\n"
                                                           "    };\n"
                                                           "}"));
    EXPECT_EQ(ScriptResult::describe({}), QStringLiteral("{\n}"));
}
