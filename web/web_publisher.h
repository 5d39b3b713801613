// The InSim thread's side of the web view: after every set of car positions it takes a snapshot
// and publishes it, and it publishes the track map whenever another track path is current. Its
// snapshot buffer is made once, so a cycle allocates nothing but on a change of track.
#pragma once

#include <cstdint>
#include <memory>

#include "director/engine/track_path.h"
#include "web/snapshot_box.h"
#include "web/web_snapshot.h"
#include "web/web_timing.h"

namespace director {

class WebPublisher {
 public:
  explicit WebPublisher(SnapshotBox& box)
      : box_(box), snapshot_(std::make_unique<WebSnapshot>()), timing_(std::make_unique<WebTiming>()) {}

  // raceNowMs: the race clock now, -1 when there is none. The simulator's clock is not read
  // while it is paused or a replay runs at another speed; the view keeps the last time it had
  // then, rather than showing no clock.
  void AfterPositions(const WebSources& src, std::int64_t raceNowMs);
  // The link to the simulator ended.
  void LinkLost() { box_.Disconnected(); }

 private:
  void FollowTrack(const TrackPath* track);

  SnapshotBox& box_;
  std::unique_ptr<WebSnapshot> snapshot_;
  std::unique_ptr<WebTiming> timing_;
  const TrackPath* track_ = nullptr;
  std::uint32_t trackNodes_ = 0;
  std::int64_t lastRaceNow_ = -1;
  char trackName_[kTrackNameBuffer] = {};  // with the address and the count, tells a new path from the old
};

}  // namespace director
