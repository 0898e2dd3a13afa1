#include "core/platform/ScriptChannel.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using brisquel::ScriptResult;

TEST(ScriptResultFileURL, AnAbsolutePathInAnyFileSpecifierFormIsTheFile) {
    const QString odd = u"/tmp/a \"b\" #c%20/ü ✓.scpt"_s;
    const QList<QPair<QString, QString>> cases{
        {u"/Users/me/Scripts/done.scpt"_s, u"/Users/me/Scripts/done.scpt"_s},
        {odd, odd},
        {u"file /S/x.scpt"_s, u"/S/x.scpt"_s},
        {u"alias /S/x.scpt"_s, u"/S/x.scpt"_s},
        {u"POSIX file \"/S/x.scpt\""_s, u"/S/x.scpt"_s},
        {u"\"/S/x.scpt\""_s, u"/S/x.scpt"_s},
        {u"file:///S/x.scpt"_s, u"/S/x.scpt"_s},
        // Anything else names no file.
        {QString(), QString()},
        {u"missing value"_s, QString()},
        {u"relative/path.scpt"_s, QString()},
        {u"file Macintosh HD:Users:me:x.scpt"_s, QString()},
        {u"http://example.com/x.scpt"_s, QString()},
        {u"file://server/share/x.scpt"_s, QString()},
        {u" /leading/space"_s, QString()}};
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

// The dictionary form the system prints, quoting only what is not a plain word.
TEST(ScriptResultDescribe, WritesTheDictionaryFormQuotingOnlyWhatIsNotAPlainWord) {
    const QVariantMap info{{u"NSAppleScriptErrorNumber"_s, -1728},
                           {u"a"_s, u"plain_word.1"_s},
                           {u"c"_s, u"say \"hi\"\\\n"_s},
                           {u"key with space"_s, u""_s},
                           {u"list"_s, QVariantList{1, QVariantMap{{u"k"_s, true}}}}};
    EXPECT_EQ(ScriptResult::describe(info),
              u"{\n    NSAppleScriptErrorNumber = -1728;\n    a = plain_word.1;\n"
              "    c = \"say \\\"hi\\\"\\\\\\n\";\n    \"key with space\" = \"\";\n"
              "    list = (\n        1,\n        {\n            k = 1;\n        }\n    );\n}"_s);
}
