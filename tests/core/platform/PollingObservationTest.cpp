#include "core/platform/PollingObservation.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using brisquel::PollingObservation;
using namespace std::chrono_literals;

namespace {

// A seen change is told once and the looking goes on; lookNow looks at once, whatever the pace.
TEST(PollingObservation, ASeenChangeIsToldOnceAndTheLookingGoesOn) {
    int looks = 0;
    int told = 0;
    PollingObservation observation([&] { return ++looks == 3; }, [&] { ++told; }, 1ms);
    ASSERT_TRUE(QTest::qWaitFor([&] { return looks >= 6; }, 10000));
    EXPECT_EQ(told, 1);
    PollingObservation slow([&] { return true; }, [&] { ++told; }, std::chrono::hours(1));
    slow.lookNow();
    EXPECT_EQ(told, 2);
}

TEST(PollingObservation, TheOneToldMayEndTheObservation) {
    int told = 0;
    std::unique_ptr<PollingObservation> observation;
    const auto end = [&] {
        ++told;
        observation.reset();
    };
    observation = std::make_unique<PollingObservation>([] { return true; }, end, 1ms);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !observation; }, 10000));
    // A later look, from a timer of the ended observation, would tell again.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(told, 1);
}

} // namespace
