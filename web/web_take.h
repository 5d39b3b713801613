// Fills a WebSnapshot from the director's state on the InSim thread (see web_snapshot.h for what
// it holds). Reads only; the timing is the web view's own memory of the lap line.
#pragma once

#include <cstdint>

#include "web/web_snapshot.h"
#include "web/web_timing.h"

namespace director {

// raceNowMs: the race clock as it stands now (-1: none). stampMs: wall clock, ms since 1970.
void TakeWebSnapshot(const WebSources& src, std::int64_t raceNowMs, std::int64_t stampMs,
                     WebTiming& timing, WebSnapshot* out);

// Laps of a race from the state report's RaceLaps byte: 1-99 as they are, 100-190 in tens from
// 100; 0 for practice, a timed race (191 and up) or an untimed one.
std::uint16_t RaceLapCount(std::uint8_t raceLaps, bool untimed);

}  // namespace director
