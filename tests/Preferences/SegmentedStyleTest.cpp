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

// A segment is the widest and the tallest title measured, plus 36 × 12.
TEST(SegmentSizing, AddsThirtySixByTwelve) {
    const QHash<QString, QSizeF> measured{{QStringLiteral("Wide"), {64, 15}},
                                          {QStringLiteral("Tall"), {20, 19}}};
    const auto measure = [&](const QString& title) { return measured.value(title); };
    TestPane wide(QStringLiteral("wide"), QStringLiteral("Wide"), QSize(10, 10));
    TestPane tall(QStringLiteral("tall"), QStringLiteral("Tall"), QSize(10, 10));
    SegmentedControlStyleViewController two({&wide, &tall}, measure);
    EXPECT_EQ(two.segmentSize(), QSizeF(100, 31));
    EXPECT_EQ(two.segmentedControl()->size(), QSize(203, 31));
    EXPECT_EQ(QStringList({two.segmentedControl()->label(0), two.segmentedControl()->label(1)}),
              QStringList({QStringLiteral("Wide"), QStringLiteral("Tall")}));
    SegmentedControlStyleViewController none({}, measure);
    EXPECT_EQ(none.segmentSize(), QSizeF(36, 12));
    EXPECT_EQ(none.segmentedControl()->size(), QSize(1, 12));
}

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

// A key pressed with one segment of three selected (-1: none): the segment selected and activated.
TEST(SegmentedControlWidget, KeysMoveTheSelectionWithinTheSegments) {
    const std::tuple<int, Qt::Key, int> rows[] = {
        {0, Qt::Key_End, 2},   {2, Qt::Key_Home, 0},  {1, Qt::Key_Left, 0},  {0, Qt::Key_Left, 0},
        {1, Qt::Key_Right, 2}, {2, Qt::Key_Right, 2}, {-1, Qt::Key_Right, 1}};
    for (const auto& [selected, key, chosen] : rows) {
        quillmere::SegmentedControl control;
        control.setSegmentCount(3);
        control.setSelectedSegment(selected);
        QSignalSpy activated(&control, &quillmere::SegmentedControl::segmentActivated);
        QTest::keyClick(&control, key);
        EXPECT_EQ(control.selectedSegment(), chosen) << selected << " " << key;
        ASSERT_EQ(activated.size(), 1);
        EXPECT_EQ(activated.first().first().toInt(), chosen);
    }
}

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
