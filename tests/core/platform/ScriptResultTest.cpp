#include "core/platform/ScriptChannel.h"

#include <gtest/gtest.h>

using brisquel::ScriptResult;

TEST(ScriptResultFileURL, AnAbsolutePathInAnyFileSpecifierFormIsTheFile) {
    const QString odd = QStringLiteral("/tmp/a \"b\" #c%20/ü ✓.scpt");
    const QList<QPair<QString, QString>> cases{
        {QStringLiteral("/Users/me/Scripts/done.scpt"), QStringLiteral("/Users/me/Scripts/done.scpt")},
        {odd, odd},
        {QStringLiteral("file /S/x.scpt"), QStringLiteral("/S/x.scpt")},
        {QStringLiteral("alias /S/x.scpt"), QStringLiteral("/S/x.scpt")},
        {QStringLiteral("POSIX file \"/S/x.scpt\""), QStringLiteral("/S/x.scpt")},
        {QStringLiteral("\"/S/x.scpt\""), QStringLiteral("/S/x.scpt")},
        {QStringLiteral("file:///S/x.scpt"), QStringLiteral("/S/x.scpt")},
        // Anything else names no file.
        {QString(), QString()},
        {QStringLiteral("missing value"), QString()},
        {QStringLiteral("relative/path.scpt"), QString()},
        {QStringLiteral("file Macintosh HD:Users:me:x.scpt"), QString()},
        {QStringLiteral("http://example.com/x.scpt"), QString()},
        {QStringLiteral("file://server/share/x.scpt"), QString()},
        {QStringLiteral(" /leading/space"), QString()}};
    for (const auto& [value, path] : cases) {
        ScriptResult result;
        result.value = value;
        if (path.isEmpty())
            EXPECT_FALSE(result.fileURL()) << qPrintable(value);
        else
            EXPECT_EQ(result.fileURL(), QUrl::fromLocalFile(path)) << qPrintable(value);
    }
    EXPECT_FALSE(ScriptResult{}.fileURL());
}

TEST(ScriptResultDescribe, WritesTheDictionaryFormQuotingOnlyWhatIsNotAPlainWord) {
    const QVariantMap info{{QStringLiteral("NSAppleScriptErrorNumber"), -1728},
                           {QStringLiteral("a"), QStringLiteral("plain_word.1")},
                           {QStringLiteral("b"), QString()},
                           {QStringLiteral("c"), QStringLiteral("say \"hi\"\\\nbye")},
                           {QStringLiteral("key with space"), QStringLiteral("ü")},
                           {QStringLiteral("list"), QVariantList{1, QStringLiteral("two words")}},
                           {QStringLiteral("map"), QVariantMap{{QStringLiteral("k"), true}}}};
    EXPECT_EQ(ScriptResult::describe(info), QStringLiteral("{\n"
                                                           "    NSAppleScriptErrorNumber = -1728;\n"
                                                           "    a = plain_word.1;\n"
                                                           "    b = \"\";\n"
                                                           "    c = \"say \\\"hi\\\"\\\\\\nbye\";\n"
                                                           "    \"key with space\" = \"\u00fc\";\n"
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
