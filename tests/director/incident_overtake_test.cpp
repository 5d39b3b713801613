// Overtakes found by the incident detector: changes of race order on track, and the changes of
// order that are no overtake (pit stops, retirements, the grid, a lap counted at the line).
#include "director/engine/incident_overtake.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "director/engine/incident_detector.h"
#include "director/engine/incident_reason.h"
#include "incident_test_support.h"

namespace director {
namespace {

using test::CarAt;
using test::kStep;

CarSample Placed(std::uint8_t plid, std::uint8_t position, std::uint16_t node,
                 std::uint16_t lap = 1) {
  CarSample c = CarAt(plid, node, 40.0);
  c.position = position;
  c.lap = lap;
  return c;
}

class IncidentOvertakeTest : public ::testing::Test {
 protected:
  IncidentOvertakeTest() : nodes_(test::StraightTrack(200)) {
    detector_->setTrack(test::ViewOf(nodes_));
  }

  int Feed(const std::vector<CarSample>& cars, int n = 1, bool raceRunning = true) {
    return test::FeedRepeatedly(*detector_, cars, n, &now_, raceRunning);
  }
  std::vector<std::string> Overtakes() const {
    std::vector<std::string> out;
    for (int i = detector_->events().count() - 1; i >= 0; --i) {
      const DetectedEvent& e = detector_->events().newest(i);
      if (e.kind != EventKind::kOvertake) continue;
      char text[64] = {};
      formatEventReason(e, nullptr, text, sizeof text);
      out.push_back(text);
    }
    return out;
  }

  std::vector<TrackLimitNode> nodes_;
  std::unique_ptr<IncidentDetector> detector_ = std::make_unique<IncidentDetector>();
  std::uint32_t now_ = 5000;
};

TEST_F(IncidentOvertakeTest, ASwapOfRacePositionsIsAnOvertakeForThePlaceTaken) {
  Feed({Placed(1, 4, 60), Placed(9, 5, 50), Placed(4, 6, 49)}, 3);
  EXPECT_EQ(Feed({Placed(1, 4, 61), Placed(9, 6, 51), Placed(4, 5, 52)}), 1);
  EXPECT_EQ(Feed({Placed(1, 4, 62), Placed(9, 6, 52), Placed(4, 5, 53)}, 10), 0);
  EXPECT_EQ(Overtakes(), std::vector<std::string>{"overtake: #4 passes #9 for P5"});
}

TEST_F(IncidentOvertakeTest, PassingTwoCarsAtOnceNamesTheOneNowBehind) {
  Feed({Placed(1, 1, 60), Placed(2, 2, 59), Placed(3, 3, 58)}, 2);
  Feed({Placed(1, 2, 61), Placed(2, 3, 60), Placed(3, 1, 62)});
  EXPECT_EQ(Overtakes(), std::vector<std::string>{"overtake: #3 passes #1 for P1"});
}

TEST_F(IncidentOvertakeTest, PositionsChangedThroughThePitLaneAreNoOvertake) {
  Feed({Placed(9, 5, 50), Placed(4, 6, 40)}, 2);
  CarSample pitting = Placed(9, 6, 50);
  pitting.inPitLane = true;
  EXPECT_EQ(Feed({pitting, Placed(4, 5, 52)}, 5), 0);
  // Out of the pit lane, the order settles: still the pit stop's doing.
  Feed({Placed(9, 5, 55), Placed(4, 6, 54)});
  Feed({Placed(9, 6, 56), Placed(4, 5, 57)}, 5);
  EXPECT_TRUE(Overtakes().empty());
  // Later, a pass on track counts again.
  Feed({Placed(9, 6, 58), Placed(4, 5, 59)}, 10);
  EXPECT_EQ(Feed({Placed(9, 5, 62), Placed(4, 6, 61)}), 1);
  EXPECT_EQ(Overtakes(), std::vector<std::string>{"overtake: #9 passes #4 for P5"});
}

TEST_F(IncidentOvertakeTest, ACarRetiringMovesTheOthersUpWithoutAnOvertake) {
  Feed({Placed(1, 1, 90), Placed(2, 2, 80), Placed(3, 3, 70)}, 2);
  EXPECT_EQ(Feed({Placed(2, 1, 81), Placed(3, 2, 71)}, 3), 0);  // car 1 gone
  CarSample parked = Placed(2, 2, 82);
  parked.onTrack = false;  // listed, but out of the race
  EXPECT_EQ(Feed({parked, Placed(3, 1, 72)}, 3), 0);
  EXPECT_TRUE(Overtakes().empty());
}

TEST_F(IncidentOvertakeTest, NoOvertakesBeforeTheStart) {
  Feed({Placed(1, 1, 10), Placed(2, 2, 9)}, 2, false);
  EXPECT_EQ(Feed({Placed(1, 2, 10), Placed(2, 1, 11)}, 2, false), 0);
}

TEST_F(IncidentOvertakeTest, WithoutRacePositionsTheProgressAlongThePathDecides) {
  Feed({Placed(1, 0, 100), Placed(2, 0, 50), Placed(3, 0, 48)}, 2);
  EXPECT_EQ(Feed({Placed(1, 0, 101), Placed(2, 0, 51), Placed(3, 0, 52)}), 1);
  EXPECT_EQ(Overtakes(), std::vector<std::string>{"overtake: #3 passes #2 for P2"});
}

TEST_F(IncidentOvertakeTest, LappingAndALapCountedAtTheLineAreNoOvertake) {
  // The leader a lap up goes by a backmarker: no change of race order.
  Feed({Placed(1, 0, 40, 3), Placed(2, 0, 42, 2)}, 2);
  EXPECT_EQ(Feed({Placed(1, 0, 44, 3), Placed(2, 0, 43, 2)}, 2), 0);
  // A car at the finish node before its lap is counted seems a lap behind for one set.
  Feed({Placed(3, 0, 198, 4), Placed(4, 0, 196, 4)}, 2);
  EXPECT_EQ(Feed({Placed(3, 0, 0, 4), Placed(4, 0, 198, 4)}), 0);
  EXPECT_EQ(Feed({Placed(3, 0, 1, 5), Placed(4, 0, 199, 4)}), 0);
  EXPECT_TRUE(Overtakes().empty());
}

TEST_F(IncidentOvertakeTest, PassingBackIsAnotherOvertakeButNotTheSameOneTwice) {
  Feed({Placed(1, 1, 60), Placed(2, 2, 59)}, 2);
  EXPECT_EQ(Feed({Placed(1, 2, 61), Placed(2, 1, 62)}), 1);
  EXPECT_EQ(Feed({Placed(1, 1, 64), Placed(2, 2, 63)}), 1);
  EXPECT_EQ(Feed({Placed(1, 2, 65), Placed(2, 1, 66)}), 0);  // 2 over 1 is still live
  Feed({Placed(1, 2, 67), Placed(2, 1, 68)}, 20);
  Feed({Placed(1, 1, 70), Placed(2, 2, 69)});
  EXPECT_EQ(Feed({Placed(1, 2, 71), Placed(2, 1, 72)}), 1);  // 4 s on: a new one
  EXPECT_EQ(Overtakes(), (std::vector<std::string>{
                             "overtake: #2 passes #1 for P1", "overtake: #1 passes #2 for P1",
                             "overtake: #1 passes #2 for P1", "overtake: #2 passes #1 for P1"}));
}

TEST(IncidentOrderPasses, AtMostOnePassPerCarAndNoMoreThanTheCapacity) {
  OrderSample cars[3];
  for (int i = 0; i < 3; ++i) {
    cars[i].plid = static_cast<std::uint8_t>(i + 1);
    cars[i].hasPrevious = true;
    cars[i].eligible = true;
    cars[i].previousPosition = static_cast<std::uint8_t>(i + 1);
    cars[i].position = static_cast<std::uint8_t>(3 - i);  // the order turned round
  }
  OrderPass passes[3];
  ASSERT_EQ(findPasses(cars, 3, 0, passes, 3), 2);
  EXPECT_EQ(passes[0].passer, 2);
  EXPECT_EQ(passes[0].passed, 1);
  EXPECT_EQ(passes[0].position, 2);
  EXPECT_EQ(passes[1].passer, 3);
  EXPECT_EQ(passes[1].passed, 2);
  EXPECT_EQ(passes[1].position, 1);
  EXPECT_EQ(findPasses(cars, 3, 0, passes, 1), 1);
  cars[2].eligible = false;
  EXPECT_EQ(findPasses(cars, 3, 0, passes, 3), 1);
}

}  // namespace
}  // namespace director
