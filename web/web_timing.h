// The times at the lap line behind the web view's gaps: for every player, the race time at which
// it completed each of its last kTimedLaps laps. A lap report changes a player's lap count and
// total time together, and snapshots are taken after every set of positions, so each completed
// lap is seen; a lap count that goes down (a new race, a new player in the slot) forgets the
// player's times.
//
// The gap of a car is taken at the last line it crossed, against the leader's time at that same
// line; the car is laps down when the leader had already completed later laps by then.
#pragma once

#include <cstdint>

#include "director/insim/race_state.h"

namespace director {

inline constexpr int kTimedLaps = 8;

class WebTiming {
 public:
  // Notes the laps completed since the last call.
  void Update(const PlayerTable& players, const RaceOrder& order);
  // The race time (ms) at which the player completed the lap, or -1 when it is not known.
  std::int64_t TimeAt(std::uint8_t plid, std::uint16_t lap) const;
  // Gap of car behind leader, in ms, with the laps it is down; false when the leader's time at
  // the car's last line is not known (or the car has not completed a lap).
  bool Gap(std::uint8_t leader, std::uint8_t car, std::int32_t* gapMs,
           std::uint16_t* lapsDown) const;
  void Reset();

 private:
  struct Crossing {
    std::uint16_t lap = 0;  // 0: empty
    std::uint32_t time = 0;
  };
  struct History {
    std::uint16_t lastLap = 0;
    Crossing laps[kTimedLaps];
  };
  History players_[kPlayerCount];
};

}  // namespace director
