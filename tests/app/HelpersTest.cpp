// The small helpers behind the windows: the URL transformer, the choose button's fit, the label
// for outside text, and plain tooltips.

#include "tests/app/AppWorld.h"

#include "VexoWidgets/Appearance.h"
#include "app/AppHeaderView.h"
#include "app/ChooseButton.h"
#include "app/PlainText.h"
#include "app/URLTransformer.h"
#include "app/WrappingLabel.h"

#include <QDir>
#include <QListWidget>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quillmere;
using namespace Qt::StringLiterals;

namespace {

using apptest::PrintTo;

TEST(PathText, FileUrlsAndPathTextsTurnIntoEachOtherAndNothingElseDoes) {
    URLTransformer::registerTransformers();
    const auto transformer = ValueTransformer::forName(u"URLTransformer"_s);
    ASSERT_NE(transformer, nullptr);
    const QString path = u"/tmp/café x.scpt"_s;
    EXPECT_EQ(transformer->transformedValue(QUrl(u"file:///tmp/caf%C3%A9%20x.scpt"_s)), path);
    EXPECT_EQ(transformer->reverseTransformedValue(u"x/../y.scpt"_s).toUrl().toLocalFile(),
              QDir::currentPath() + u"/x/../y.scpt"_s);
    // Each direction takes only its own kind, and no empty text.
    for (const QVariant& value : {QVariant(42), QVariant(QString()), QVariant(QUrl::fromLocalFile(path))}) {
        EXPECT_FALSE(transformer->reverseTransformedValue(value).isValid()) << value.typeName();
    }
    EXPECT_FALSE(transformer->transformedValue(path).isValid());
}

// On the application's theme, the pale accent of the fault (#308CC6 on #EFEFEF is 3.2:1) and a dark
// one, the row's text colours and a running copy's sidebar row in every state reach AA contrast.
TEST(Readability, EveryTextColourReachesTheAaContrastOnLightAndDarkThemes) {
    QPalette pale = QApplication::palette();
    pale.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    pale.setColor(QPalette::Highlight, QColor(0x30, 0x8c, 0xc6));
    for (const QPalette& palette : {QApplication::palette(), pale, darkPalette()}) {
        QListWidget list;
        list.setPalette(withReadableSelection(palette));
        const QColor window = palette.color(QPalette::Active, QPalette::Window);
        for (const QColor& text : {accentColor(&list), primaryTextColor(&list), secondaryTextColor(&list),
                                   warningTextColor(&list)}) {
            EXPECT_GE(contrastRatio(text, window), kMinimumTextContrast) << text.name().toStdString();
        }
        auto* item = new QListWidgetItem(u"Capture One 23"_s, &list);
        item->setData(AppHeaderView::kRunningRole, true);
        list.setCurrentRow(0);
        list.show();
        for (const int state : {0, 1, 2, 3}) {
            const bool focused = state >= 2;
            if (state == 2) {
                list.activateWindow();
                list.setFocus();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
            }
            QStyleOptionViewItem option;
            option.initFrom(&list);
            option.widget = &list;
            option.state |= state % 2 == 1 ? QStyle::State_Selected : QStyle::State_None;
            const AppHeaderView::Look look = AppHeaderView().look(option, list.model()->index(0, 0));
            EXPECT_EQ(look.focusRing, focused);
            EXPECT_GE(contrastRatio(look.nameColor, look.background), kMinimumTextContrast) << state;
            EXPECT_GE(contrastRatio(look.captionColor, look.background), kMinimumTextContrast) << state;
            EXPECT_GE(contrastRatio(look.badgeColor, look.badgeFillColor), kMinimumTextContrast) << state;
        }
    }
}

TEST(ChooseButtonFit, AtItsSizeHintTheWholeNameShowsAndNarrowerItIsShortenedInTheMiddle) {
    ChooseButton button;
    for (const QString& name : {u"Choose a script"_s, u"W"_s, u"Export Done.scpt"_s, u"il1.scpt"_s}) {
        button.setText(name);
        button.resize(button.sizeHint());
        EXPECT_EQ(button.displayedText(), name) << name.toStdString();
        button.resize(button.minimumSizeHint());
        EXPECT_LE(button.fontMetrics().horizontalAdvance(button.displayedText()),
                  button.width() - 2 * ChooseButton::kHorizontalInset);
    }
    button.setText(u"A rather long name of a script file.scpt"_s);
    button.resize(button.minimumSizeHint());
    EXPECT_TRUE(button.displayedText().contains(QChar(0x2026))) << button.displayedText().toStdString();
    EXPECT_TRUE(button.displayedText().endsWith(u"t"_s));
}

struct LongText {
    const char* name;
    QString text;
};

class TextOfAnyLength : public ::testing::TestWithParam<LongText> {};

// Shown in a few lines at a cost that does not grow with the length.
TEST_P(TextOfAnyLength, ShowsInAFewLinesAndATooltipOfReadableSize) {
    const QString& text = GetParam().text;
    WrappingLabel label(text);
    label.setMaximumLineCount(4);
    label.resize(300, label.heightForWidth(300));
    label.show();
    const QStringList lines = label.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(label.isElided() && lines.last().endsWith(QChar(0x2026)));
    for (const QString& line : lines) {
        EXPECT_LE(label.fontMetrics().horizontalAdvance(line), label.width());
    }
    const QString tip = apptest::shownText(label.toolTip());
    EXPECT_LE(tip.size(), 2 * kMaximumToolTipCharacters);
    EXPECT_TRUE(tip.startsWith(text.left(20)) && tip.endsWith(text.right(20)));

    const QString shortened = shortenedForDisplay(text);
    EXPECT_TRUE(shortened.size() <= 200 && shortened.size() >= 198);
    EXPECT_TRUE(shortened.startsWith(text.left(98)) && shortened.endsWith(text.right(98)));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextOfAnyLength,
    ::testing::Values(LongText{"OneWordOfAMegabyte", QString(1 << 20, QLatin1Char('x'))},
                      LongText{"WordsOfAMegabyte", u"word "_s.repeated(1 << 18) + u"end"_s},
                      LongText{"ManyLines", u"line\n"_s.repeated(100000) + u"end"_s},
                      LongText{"SurrogatePairs", QString::fromUtf8("\xF0\x9F\x93\xB7").repeated(300000)}),
    [](const ::testing::TestParamInfo<LongText>& text) { return std::string(text.param.name); });

// Shortening and breaking start one character past their limits.
TEST(OutsideText, ShorteningAndBreakingStartJustPastTheirLimits) {
    EXPECT_EQ(shortenedForDisplay(u"abcde"_s, 5), u"abcde"_s);
    EXPECT_EQ(shortenedForDisplay(u"abcdef"_s, 5), u"ab\u2026ef"_s);
    EXPECT_FALSE(plainToolTip(QString(kLongLine, u'x')).contains(u"<br>"_s));
    EXPECT_EQ(plainToolTip(QString(kLongLine + 1, u'x')).count(u"<br>"_s), kLongLine / kBrokenLine);
    EXPECT_EQ(menuItemText(u"Rock\n& Roll\tDone"_s), u"Rock && Roll Done"_s);
}

// A small font draws "_" below its descent: the line keeps room for it, whatever the size.
TEST(OutsideText, AnUnderscoreIsDrawnInsideItsLabelAtEverySize) {
    for (const qreal points : {6.0, 7.0, 7.65, 8.0, 9.0, 11.0}) {
        WrappingLabel label(u"__"_s);
        QFont font = label.font();
        font.setPointSizeF(points);
        label.setFont(font);
        label.setTextColor(Qt::black);
        label.resize(label.sizeHint());
        const QImage image = label.grab().toImage();
        QImage blank = image;
        blank.fill(image.pixelColor(image.width() - 1, 0));
        EXPECT_NE(image, blank) << points;
    }
}

TEST(OutsideText, TooltipsShowMarkupAsItStands) {
    for (const QString& text : {u"<b>Export</b>.scpt"_s, u"a & b\n<i>c</i>"_s, u"%1 %2 <br>"_s}) {
        EXPECT_EQ(apptest::shownText(plainToolTip(text)), text);
    }
    EXPECT_TRUE(plainToolTip(QString()).isEmpty());
}

} // namespace
