#include "web/web_publisher.h"

#include <gtest/gtest.h>

#include <memory>

#include "director/engine/director_state.h"
#include "director/insim/insim_constants.h"

namespace director {
namespace {

struct Publishing {
  RaceState race;
  StateReport state;
  DirectorState director;
  SnapshotBox box;
  WebPublisher publisher{box};
  std::unique_ptr<WebSnapshot> out = std::make_unique<WebSnapshot>();

  void Set(const TrackPath* track, std::int64_t raceNow) {
    publisher.AfterPositions({race, state, director, track, false, false}, raceNow);
    box.Latest(out.get());
  }
};

std::unique_ptr<TrackPath> Track(const char* name, std::uint32_t nodes) {
  auto track = std::make_unique<TrackPath>(name);
  track->nodeCount = nodes;
  return track;
}

TEST(WebPublisher, TheMapIsPublishedOncePerTrackPath) {
  Publishing p;
  p.Set(nullptr, -1);
  EXPECT_EQ(p.box.Track(), nullptr);
  const auto bl1 = Track("BL1", 3);
  p.Set(bl1.get(), -1);
  p.Set(bl1.get(), -1);
  ASSERT_NE(p.box.Track(), nullptr);
  EXPECT_EQ(p.box.Track()->name, "BL1");
  EXPECT_EQ(p.box.Track()->centre.size(), 3u);
  EXPECT_EQ(p.out->trackVersion, 1u);
  const auto as1 = Track("AS1", 5);
  p.Set(as1.get(), -1);
  EXPECT_EQ(p.box.Track()->name, "AS1");
  EXPECT_EQ(p.out->trackVersion, 2u);
  EXPECT_EQ(p.out->seq, 6u) << "four sets and two maps";
}

TEST(WebPublisher, ThePausedClockKeepsItsLastTimeAndALostLinkIsShown) {
  Publishing p;
  p.state.flags = ISS_GAME;
  p.state.replaySpeed = 1.0f;
  p.Set(nullptr, 61000);
  EXPECT_EQ(p.out->clock.raceTimeMs, 61000);
  p.state.flags = ISS_GAME | ISS_PAUSED;
  p.Set(nullptr, -1);
  EXPECT_EQ(p.out->clock.raceTimeMs, 61000);
  p.state.flags = ISS_GAME;
  p.Set(nullptr, -1);
  EXPECT_EQ(p.out->clock.raceTimeMs, -1) << "running again, and no time known";
  EXPECT_TRUE(p.out->connected);
  p.publisher.LinkLost();
  p.box.Latest(p.out.get());
  EXPECT_FALSE(p.out->connected);
}

}  // namespace
}  // namespace director
