#include "web/web_timing.h"

namespace director {

void WebTiming::Update(const PlayerTable& players, const RaceOrder& order) {
  for (int i = 0; i < order.count; ++i) {
    const std::uint8_t plid = order.ids[i];
    const PlayerRecord& record = players[plid];
    History& h = players_[plid];
    if (record.lapsDone < h.lastLap) h = History{};
    if (record.lapsDone == h.lastLap || record.lapsDone == 0) continue;
    h.lastLap = record.lapsDone;
    h.laps[record.lapsDone % kTimedLaps] = Crossing{record.lapsDone, record.totalTime};
  }
}

std::int64_t WebTiming::TimeAt(std::uint8_t plid, std::uint16_t lap) const {
  if (lap == 0) return -1;
  const Crossing& c = players_[plid].laps[lap % kTimedLaps];
  return c.lap == lap ? static_cast<std::int64_t>(c.time) : -1;
}

bool WebTiming::Gap(std::uint8_t leader, std::uint8_t car, std::int32_t* gapMs,
                    std::uint16_t* lapsDown) const {
  const std::uint16_t lap = players_[car].lastLap;
  const std::int64_t mine = TimeAt(car, lap);
  const std::int64_t theirs = TimeAt(leader, lap);
  if (mine < 0 || theirs < 0) return false;
  std::uint16_t down = 0;
  for (std::uint16_t later = lap + 1; later <= players_[leader].lastLap; ++later) {
    const std::int64_t t = TimeAt(leader, later);
    if (t < 0 || t > mine) break;
    ++down;
  }
  *gapMs = static_cast<std::int32_t>(mine - theirs);
  *lapsDown = down;
  return true;
}

void WebTiming::Reset() {
  for (History& h : players_) h = History{};
}

}  // namespace director
