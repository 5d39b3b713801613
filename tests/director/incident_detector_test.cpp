// The incident detector fed with synthetic position sets: what each check must find, and the
// racing it must leave alone.
#include "director/engine/incident_detector.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "director/engine/incident_reason.h"
#include "incident_test_support.h"

namespace director {
namespace {

using test::AngleUnits;
using test::CarAt;
using test::FeedRepeatedly;
using test::kStep;
using test::YawUnits;

class IncidentDetectorTest : public ::testing::Test {
 protected:
  IncidentDetectorTest() : nodes_(test::StraightTrack(200)) {
    detector_->setTrack(test::ViewOf(nodes_));
  }

  int Feed(const std::vector<CarSample>& cars, int n = 1, bool raceRunning = true) {
    return FeedRepeatedly(*detector_, cars, n, &now_, raceRunning);
  }
  int Count(EventKind kind) const {
    int n = 0;
    for (int i = 0; i < detector_->events().count(); ++i) {
      if (detector_->events().newest(i).kind == kind) ++n;
    }
    return n;
  }
  std::string NewestReason() const {
    char text[64] = {};
    formatEventReason(detector_->events().newest(0), nullptr, text, sizeof text);
    return text;
  }

  std::vector<TrackLimitNode> nodes_;
  std::unique_ptr<IncidentDetector> detector_ = std::make_unique<IncidentDetector>();
  std::uint32_t now_ = 100000;
};

CarSample Sideways(std::uint8_t plid, std::uint16_t node, double speedMs, double slipDeg) {
  CarSample c = CarAt(plid, node, speedMs);
  c.direction = AngleUnits(20.0);
  c.heading = AngleUnits(20.0 + slipDeg);
  return c;
}

TEST_F(IncidentDetectorTest, SpinIsHeadingFarFromTheDirectionOfTravelReportedOnce) {
  EXPECT_EQ(Feed({CarAt(12, 10, 30.0)}, 3), 0);
  EXPECT_EQ(Feed({Sideways(12, 11, 25.0, -100.0)}), 1);
  EXPECT_EQ(NewestReason(), "incident: #12 spun");
  EXPECT_EQ(detector_->events().newest(0).startMs, now_ - kStep);
  // Still sideways, then backwards, then briefly straight again within the event's life: one spin.
  EXPECT_EQ(Feed({Sideways(12, 11, 20.0, -170.0)}, 4), 0);
  EXPECT_EQ(Feed({Sideways(12, 11, 15.0, 0.0)}), 0);
  EXPECT_EQ(Feed({Sideways(12, 11, 12.0, 120.0)}, 4), 0);
  EXPECT_EQ(Count(EventKind::kSpin), 1);
}

TEST_F(IncidentDetectorTest, SpinIsAlsoAYawRateNoCorneringGives) {
  CarSample c = CarAt(5, 10, 20.0);
  c.angVel = YawUnits(-300.0);
  EXPECT_EQ(Feed({c}), 1);
  EXPECT_EQ(Count(EventKind::kSpin), 1);
}

TEST_F(IncidentDetectorTest, FastCarInACornerAndSlowCarTurningAreNoSpin) {
  CarSample corner = Sideways(1, 10, 50.0, 12.0);  // drifting a little through a fast corner
  corner.angVel = YawUnits(-40.0);
  CarSample hairpin = Sideways(2, 40, 12.0, 25.0);  // 12 m/s round a 10 m hairpin: 69 deg/s
  hairpin.angVel = YawUnits(120.0);
  CarSample tight = Sideways(3, 80, 7.0, 30.0);  // 7 m/s with 2.5 g of grip: up to 205 deg/s
  tight.angVel = YawUnits(200.0);
  CarSample crawling = Sideways(4, 120, 4.0, 90.0);  // turning round slowly
  crawling.angVel = YawUnits(300.0);
  EXPECT_EQ(Feed({corner, hairpin, tight, crawling}, 25), 0);
}

TEST_F(IncidentDetectorTest, ASecondSpinAfterTheFirstFadedIsReportedAgain) {
  EXPECT_EQ(Feed({Sideways(12, 11, 25.0, 90.0)}, 3), 1);
  Feed({CarAt(12, 12, 25.0)}, 30);  // 6 s of driving on
  EXPECT_EQ(Feed({Sideways(12, 40, 25.0, 90.0)}), 1);
  EXPECT_EQ(Count(EventKind::kSpin), 2);
}

TEST_F(IncidentDetectorTest, OffIsBeyondTheRoadEdgeOfTheNearestNode) {
  EXPECT_EQ(Feed({CarAt(3, 20, 30.0, 2.0, 6.9)}, 3), 0);  // wheels on the grass, centre near
  EXPECT_EQ(Feed({CarAt(3, 20, 30.0, 2.0, -6.9)}, 3), 0);
  EXPECT_EQ(Feed({CarAt(3, 20, 30.0, 2.0, 7.5)}), 1);
  EXPECT_EQ(NewestReason(), "incident: #3 off the track");
  EXPECT_EQ(Feed({CarAt(3, 21, 30.0, 0.0, 9.0)}, 5), 0);
  EXPECT_EQ(Count(EventKind::kOff), 1);
}

TEST_F(IncidentDetectorTest, TheEdgesOfTheNearestNodeCountNotThoseOfTheCarsNode) {
  for (std::uint32_t i = 60; i <= 70; ++i) {  // a run-off area paved as road
    nodes_[i].leftEdge = -10.0f;
    nodes_[i].rightEdge = 10.0f;
  }
  CarSample onTheWideRoad = CarAt(4, 61, 30.0, 0.0, 8.0);
  onTheWideRoad.node = 58;  // the simulator's node for a car may lag a few behind
  EXPECT_EQ(Feed({onTheWideRoad}, 2), 0);
  CarSample offTheNarrowRoad = CarAt(5, 56, 30.0, 0.0, 8.0);
  offTheNarrowRoad.node = 60;
  EXPECT_EQ(Feed({offTheNarrowRoad}), 1);
}

TEST_F(IncidentDetectorTest, NoOffsInThePitLaneOrWhereThePathHasNoLimits) {
  CarSample pitting = CarAt(3, 20, 15.0, 0.0, -20.0);
  pitting.inPitLane = true;
  EXPECT_EQ(Feed({pitting}, 5), 0);
  const auto noLimits = test::StraightTrack(200, 0.0f, 0.0f);
  detector_->setTrack(test::ViewOf(noLimits));
  EXPECT_EQ(Feed({CarAt(4, 20, 30.0, 0.0, 30.0)}, 5), 0);
  detector_->setTrack(TrackLimitsView());
  EXPECT_EQ(Feed({CarAt(4, 20, 30.0, 0.0, 30.0)}, 5), 0);
}

TEST_F(IncidentDetectorTest, StoppedIsCrawlingForASecondAfterTheStart) {
  const std::vector<CarSample> grid = {CarAt(1, 190, 0.0), CarAt(2, 188, 0.0, 0.0, 3.0)};
  EXPECT_EQ(Feed(grid, 20, false), 0);  // waiting for the lights
  EXPECT_EQ(Feed(grid, 10, true), 0);   // lights out, not yet rolling
  Feed({CarAt(1, 192, 10.0), CarAt(2, 190, 9.0)}, 2);
  Feed({CarAt(1, 195, 25.0), CarAt(2, 193, 2.5)}, 5);  // car 2 crawls for 800 ms
  EXPECT_EQ(Count(EventKind::kStopped), 0);
  EXPECT_EQ(Feed({CarAt(1, 198, 30.0), CarAt(2, 193, 0.0)}), 1);  // now for 1000 ms
  EXPECT_EQ(NewestReason(), "incident: #2 stopped");
  EXPECT_EQ(Feed({CarAt(1, 5, 30.0), CarAt(2, 193, 0.0)}, 40), 0);  // parked: still one
}

TEST_F(IncidentDetectorTest, StoppedInThePitLaneOrBeforeTheStartIsNoIncident) {
  Feed({CarAt(1, 10, 20.0)}, 2);
  CarSample pitStop = CarAt(1, 10, 0.0, 0.0, -15.0);
  pitStop.inPitLane = true;
  EXPECT_EQ(Feed({pitStop}, 30), 0);
  // A race that ends and starts again puts cars back on the grid.
  Feed({CarAt(1, 10, 0.0)}, 10, false);
  EXPECT_EQ(Feed({CarAt(1, 10, 0.0)}, 10, true), 0);
  EXPECT_EQ(Count(EventKind::kStopped), 0);
}

TEST_F(IncidentDetectorTest, ContactIsASuddenSpeedLossNextToAnotherCar) {
  Feed({CarAt(12, 50, 40.0), CarAt(7, 50, 40.0, 4.0, 1.0)}, 3);
  EXPECT_EQ(Feed({CarAt(12, 51, 30.0), CarAt(7, 51, 41.0, 4.0, 1.5)}), 1);
  EXPECT_EQ(NewestReason(), "incident: #12 and #7 in contact");
  // Both slowed by the hit in the next set: the same contact.
  EXPECT_EQ(Feed({CarAt(12, 51, 20.0), CarAt(7, 52, 30.0, 1.0, 2.0)}), 0);
  EXPECT_EQ(Count(EventKind::kContact), 1);
}

TEST_F(IncidentDetectorTest, CarsThrownApartByTheHitAreInContact) {
  Feed({CarAt(3, 50, 40.0), CarAt(8, 50, 40.0, 0.0, 3.5)}, 2);  // side by side
  EXPECT_EQ(Feed({CarAt(3, 51, 28.0, 0.0, -2.0), CarAt(8, 51, 40.0, 0.0, 5.0)}), 1);
  EXPECT_EQ(NewestReason(), "incident: #3 and #8 in contact");
}

TEST_F(IncidentDetectorTest, CarsNoseToTailOrBrakingTogetherAreNoContact) {
  std::vector<CarSample> train;
  for (int i = 0; i < 6; ++i) {
    train.push_back(CarAt(static_cast<std::uint8_t>(i + 1), 50, 45.0, -4.0 * i));  // 4 m apart
  }
  EXPECT_EQ(Feed(train, 20), 0);
  for (double speed = 45.0; speed > 15.0; speed -= 6.0) {  // 3 g of braking, all together
    for (CarSample& c : train) c.speed = test::SpeedUnits(speed);
    EXPECT_EQ(Feed(train), 0);
  }
}

TEST_F(IncidentDetectorTest, ASuddenSpeedLossWithNobodyNearIsNoContact) {
  Feed({CarAt(1, 50, 40.0), CarAt(2, 50, 40.0, -12.0)}, 2);
  EXPECT_EQ(Feed({CarAt(1, 50, 20.0), CarAt(2, 50, 40.0, -6.0)}), 0);
  EXPECT_EQ(Count(EventKind::kContact), 0);
}

TEST_F(IncidentDetectorTest, ACarBackAfterAGapIsNotComparedAcrossIt) {
  Feed({CarAt(1, 50, 40.0), CarAt(2, 50, 40.0, 3.0)}, 2);
  Feed({CarAt(2, 51, 40.0)}, 2);  // car 1 missing from two sets
  EXPECT_EQ(Feed({CarAt(1, 52, 0.0, 0.0, 0.0), CarAt(2, 52, 40.0, 3.0)}), 0);
  // A lagging car's figures are not trusted.
  CarSample lagging = Sideways(3, 80, 30.0, 150.0);
  lagging.lagging = true;
  EXPECT_EQ(Feed({lagging}, 3), 0);
}

TEST_F(IncidentDetectorTest, ResetForgetsCarsAndEvents) {
  EXPECT_EQ(Feed({Sideways(12, 11, 25.0, 100.0)}), 1);
  detector_->reset();
  EXPECT_EQ(detector_->events().count(), 0);
  EXPECT_EQ(Feed({Sideways(12, 11, 25.0, 100.0)}), 1);
}

TEST_F(IncidentDetectorTest, ARepeatedPlayerIdCountsOnce) {
  const std::vector<CarSample> twice = {Sideways(9, 11, 25.0, 100.0), Sideways(9, 11, 25.0, 100.0)};
  EXPECT_EQ(Feed(twice), 1);
}

TEST(IncidentSample, ComesFromTheCarRecordInItsOwnUnits) {
  CompCar car;
  car.node = 321;
  car.lap = 4;
  car.plid = 17;
  car.position = 3;
  car.info = 0x20;
  car.x = -5;
  car.y = 6;
  car.z = 7;
  car.speed = 16384;
  car.direction = 100;
  car.heading = 65000;
  car.angVel = -8192;
  const CarSample s = sampleFromCompCar(car, true);
  EXPECT_EQ(s.plid, 17);
  EXPECT_EQ(s.node, 321);
  EXPECT_EQ(s.lap, 4);
  EXPECT_EQ(s.position, 3);
  EXPECT_EQ(s.x, -5);
  EXPECT_EQ(s.y, 6);
  EXPECT_EQ(s.z, 7);
  EXPECT_TRUE(s.inPitLane);
  EXPECT_TRUE(s.onTrack);
  EXPECT_TRUE(s.lagging);
  EXPECT_DOUBLE_EQ(sampleSpeedMs(s), 50.0);
  EXPECT_DOUBLE_EQ(sampleYawDegPerSecond(s), 180.0);
  EXPECT_NEAR(slipAngleDegrees(s), (636.0) * 360.0 / 65536.0, 1e-9);  // the short way round
  car.info = 0x40;
  EXPECT_FALSE(sampleFromCompCar(car, false).lagging);
  EXPECT_FALSE(sampleFromCompCar(car, false).inPitLane);
}

}  // namespace
}  // namespace director
