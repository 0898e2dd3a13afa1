#include "Preferences/SegmentedControl.h"
#include "Preferences/SegmentedControlStyleViewController.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QHash>
#include <QSignalSpy>
#include <QTest>

using namespace preferencestest;
using quillmere::SegmentedControlStyleViewController;

namespace {

struct SegmentCase {
    const char* name;
    QList<QPair<QString, QSizeF>> titles; // each pane's title and its measured size
    QSizeF segmentSize;
    QSize controlSize;
};

void PrintTo(const SegmentCase& c, std::ostream* out) {
    *out << c.name;
}

class SegmentSizing : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentSizing, addsThirtySixByTwelve) {
    const SegmentCase& c = GetParam();
    QHash<QString, QSizeF> measured;
    std::vector<std::unique_ptr<quillmere::PreferencePane>> owned;
    std::vector<quillmere::PreferencePane*> panes;
    for (const auto& [title, size] : c.titles) {
        measured.insert(title, size);
        owned.push_back(std::make_unique<TestPane>(title.toLower(), title, QSize(10, 10)));
        panes.push_back(owned.back().get());
    }
    SegmentedControlStyleViewController controller(
        panes, [&](const QString& title) { return measured.value(title); });

    EXPECT_EQ(controller.segmentSize(), c.segmentSize);
    quillmere::SegmentedControl* control = controller.segmentedControl();
    EXPECT_EQ(control->size(), c.controlSize);
    EXPECT_EQ(control->segmentCount(), c.titles.size());
    for (int i = 0; i < control->segmentCount(); ++i) {
        EXPECT_EQ(control->label(i), c.titles[i].first);
        EXPECT_EQ(control->segmentRect(i).width(), qRound(c.segmentSize.width()));
    }
}

INSTANTIATE_TEST_SUITE_P(Titles, SegmentSizing,
                         ::testing::Values(SegmentCase{"threeTitlesOfFiftyBySixteen",
                                                       {{QStringLiteral("One"), {50, 16}},
                                                        {QStringLiteral("Two"), {50, 16}},
                                                        {QStringLiteral("Six"), {50, 16}}},
                                                       {86, 28},
                                                       {262, 28}},
                                           SegmentCase{"widestAndTallestComeFromDifferentTitles",
                                                       {{QStringLiteral("Wide"), {64, 15}},
                                                        {QStringLiteral("Tall"), {20, 19}}},
                                                       {100, 31},
                                                       {203, 31}},
                                           SegmentCase{"noPanes", {}, {36, 12}, {1, 12}}),
                         CaseName());

TEST(SegmentedControlWidget, reportsAClickedSegmentAndIgnoresAPressDraggedOff) {
    quillmere::SegmentedControl control;
    control.setSegmentCount(3);
    control.setSegmentWidth(40);
    control.setSegmentHeight(20);
    control.resize(control.sizeHint());
    QSignalSpy activated(&control, &quillmere::SegmentedControl::segmentActivated);

    QTest::mouseClick(&control, Qt::LeftButton, {}, control.segmentRect(2).center());
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated.first().first().toInt(), 2);
    EXPECT_EQ(control.selectedSegment(), 2);

    QTest::mousePress(&control, Qt::LeftButton, {}, control.segmentRect(0).center());
    QTest::mouseRelease(&control, Qt::LeftButton, {}, control.segmentRect(1).center());
    EXPECT_EQ(activated.size(), 1);
    EXPECT_EQ(control.selectedSegment(), 2);
}

} // namespace
