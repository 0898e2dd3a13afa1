#include "Preferences/SegmentedControl.h"
#include "Preferences/SegmentedControlStyleViewController.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QApplication>
#include <QHash>
#include <QMouseEvent>
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

class SegmentSizing : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentSizing, AddsThirtySixByTwelve) {
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
    for (int i = 0; i < c.titles.size(); ++i)
        EXPECT_EQ(control->label(i), c.titles[i].first);
}

const SegmentCase kSegmentSizes[] = {
    {"WidestAndTallestFromTwoTitles",
     {{QStringLiteral("Wide"), {64, 15}}, {QStringLiteral("Tall"), {20, 19}}},
     {100, 31},
     {203, 31}},
    {"NoPanes", {}, {36, 12}, {1, 12}},
};

INSTANTIATE_TEST_SUITE_P(Titles, SegmentSizing, ::testing::ValuesIn(kSegmentSizes), CaseName());

TEST(SegmentedControlWidget, ReportsAClickedSegmentAndIgnoresAPressDraggedOff) {
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

// A key pressed with one segment of three selected (-1: none): the segment then selected, also
// the one told as activated.
struct KeyCase {
    const char* name;
    int selected;
    Qt::Key key;
    int chosen;
};

class SegmentKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(SegmentKeys, MoveTheSelectionWithinTheSegments) {
    const KeyCase& c = GetParam();
    quillmere::SegmentedControl control;
    control.setSegmentCount(3);
    control.setSelectedSegment(c.selected);
    QSignalSpy activated(&control, &quillmere::SegmentedControl::segmentActivated);
    QTest::keyClick(&control, c.key);
    EXPECT_EQ(control.selectedSegment(), c.chosen);
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated.first().first().toInt(), c.chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SegmentKeys,
    ::testing::Values(KeyCase{"End", 0, Qt::Key_End, 2}, KeyCase{"Home", 2, Qt::Key_Home, 0},
                      KeyCase{"Left", 1, Qt::Key_Left, 0}, KeyCase{"LeftAtFirst", 0, Qt::Key_Left, 0},
                      KeyCase{"Right", 1, Qt::Key_Right, 2}, KeyCase{"RightAtLast", 2, Qt::Key_Right, 2},
                      KeyCase{"RightFromNone", -1, Qt::Key_Right, 1}),
    CaseName());

TEST(SegmentedControlWidget, ShowsOnlyASegmentThatExists) {
    quillmere::SegmentedControl control;
    control.setSegmentCount(3);
    for (const auto& [asked, shown] :
         {std::pair{2, 2}, std::pair{3, -1}, std::pair{-2, -1}, std::pair{0, 0}}) {
        control.setSelectedSegment(asked);
        EXPECT_EQ(control.selectedSegment(), shown) << asked;
    }
    control.setSegmentCount(1); // the selected segment stays
    EXPECT_EQ(control.selectedSegment(), 0);
    control.setSelectedSegment(0);
    control.setSegmentCount(0);
    EXPECT_EQ(control.selectedSegment(), -1);
}

TEST(SegmentedControlWidget, LightsTheSegmentUnderThePointerUntilItLeaves) {
    quillmere::SegmentedControl control;
    QPalette colours = control.palette();
    colours.setColor(QPalette::Button, Qt::white);
    colours.setColor(QPalette::Midlight, Qt::green);
    control.setPalette(colours);
    control.setSegmentCount(3);
    control.setSegmentWidth(40);
    control.setSegmentHeight(20);
    control.resize(control.sizeHint());
    const auto colourAt = [&](int segment) {
        return QColor(control.grab().toImage().pixel(control.segmentRect(segment).center()));
    };
    const QPointF over = control.segmentRect(1).center();
    QMouseEvent move(QEvent::MouseMove, over, control.mapToGlobal(over), Qt::NoButton, {}, {});
    QApplication::sendEvent(&control, &move);
    EXPECT_EQ(colourAt(1), QColor(Qt::green));
    EXPECT_EQ(colourAt(0), QColor(Qt::white));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&control, &leave);
    EXPECT_EQ(colourAt(1), QColor(Qt::white));
}

} // namespace
