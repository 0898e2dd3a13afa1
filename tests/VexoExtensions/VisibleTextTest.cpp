#include "VexoExtensions/VisibleText.h"

#include <gtest/gtest.h>

using brisquel::vexo::jsonWithVisibleEscapes;
using brisquel::vexo::visibleText;

// Each kind of character a terminal would act on or not show, and what is printed instead; what
// shows as itself stays.
TEST(VisibleText, EscapesWhatWouldNotShowAsItself) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral(u"Grüße 📷 a b"), QStringLiteral(u"Grüße 📷 a b")},
        {QStringLiteral("a\nb\tc\rd\\"), QStringLiteral("a\\nb\\tc\\rd\\\\")},
        {QStringLiteral("\x1b[31mred"), QStringLiteral("\\u001b[31mred")},
        {QStringLiteral(u"\u0085\u007f"), QStringLiteral("\\u0085\\u007f")},        // C1 control, DEL
        {QStringLiteral(u"abc\u202Egpj.exe"), QStringLiteral("abc\\u202egpj.exe")}, // bidi override
        {QStringLiteral(u"a\u200Bb\uFEFF"), QStringLiteral("a\\u200bb\\ufeff")},    // zero width, BOM
        {QStringLiteral(u"\u3164\u2028\u00A0"), QStringLiteral("\\u3164\\u2028\\u00a0")},
        {QStringLiteral(u"\u0378"), QStringLiteral("\\u0378")},         // unassigned
        {QStringLiteral(u"\U000E0001"), QStringLiteral("\\U000e0001")}, // a tag beyond the BMP
        {QStringLiteral(u"x\xD800"), QStringLiteral("x\\ud800")},       // a lone surrogate at the end
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(visibleText(text), shown) << shown.toStdString();
}

TEST(VisibleText, JsonKeepsItsMeaningAndLosesWhatATerminalActsOn) {
    EXPECT_EQ(jsonWithVisibleEscapes("{\"a\":\"x\xe2\x80\xae\xc2\x85 \xc3\xbc\"}"),
              QByteArray("{\"a\":\"x\\u202e\\u0085 \xc3\xbc\"}"));
    EXPECT_EQ(jsonWithVisibleEscapes("[\"\xf3\xa0\x80\x81\"]"), QByteArray("[\"\\udb40\\udc01\"]"));
}
