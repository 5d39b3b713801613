#include "web/web_publisher.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "director/engine/track_path.h"
#include "web/web_take.h"
#include "web/web_track.h"

namespace director {

namespace {

// The stamp lets a viewer measure how late its updates arrive; nothing is decided by it.
std::int64_t WallClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void WebPublisher::FollowTrack(const TrackPath* track) {
  const std::uint32_t nodes = track != nullptr ? track->nodeCount : 0;
  const char* name = track != nullptr ? track->name : "";
  if (track == track_ && nodes == trackNodes_ && std::strcmp(name, trackName_) == 0) return;
  track_ = track;
  trackNodes_ = nodes;
  std::snprintf(trackName_, sizeof trackName_, "%s", name);
  if (track != nullptr && nodes > 0) box_.PublishTrack(TakeWebTrack(*track));
}

void WebPublisher::AfterPositions(const WebSources& src, std::int64_t raceNowMs) {
  FollowTrack(src.track);
  const bool held = !src.state.NormalSpeed() && src.state.InGameOrReplay();
  if (raceNowMs < 0 && held) raceNowMs = lastRaceNow_;
  lastRaceNow_ = raceNowMs;
  TakeWebSnapshot(src, raceNowMs, WallClockMs(), *timing_, snapshot_.get());
  box_.Publish(*snapshot_);
}

}  // namespace director
