#include "director/overlay/overlay_progress.h"

#include <cstdio>

namespace director {

namespace {

constexpr std::uint8_t kProgressStyle = kButtonDark | 3;
// The clock's last seconds count as the final phase already.
constexpr std::uint32_t kFinalSeconds = 50;

void RemoveProgress(OverlayPass& p) {
  p.Remove(kProgressButton);
  p.ov.shownSeconds = kNoSecondsShown;
}

// The time left of a race against the clock; false when nothing is to be sent.
bool ClockText(OverlayPass& p, char* text, std::size_t size) {
  const RaceTime& raceTime = p.ctx.race.raceTime;
  if (raceTime.time == 0) {
    // Until the simulator tells the time again; removed once, not on every pass.
    if (p.ov.shownSeconds != kNoSecondsShown) RemoveProgress(p);
    return false;
  }
  const std::uint32_t seconds = (p.now - raceTime.tick + raceTime.time) / 1000;
  if (seconds == p.ov.shownSeconds) return false;
  p.ov.shownSeconds = seconds;
  const std::uint32_t limit = static_cast<std::uint32_t>(p.RaceLaps() - kMaxLapRaceLaps) * 3600;
  if (seconds < limit) {
    const std::uint32_t left = limit - seconds;
    std::snprintf(text, size, "%02u:%02u:%02u", static_cast<unsigned>(left / 3600),
                  static_cast<unsigned>(left / 60 % 60), static_cast<unsigned>(left % 60));
    p.ov.finalPhase = 0;
  } else {
    std::snprintf(text, size, "00:00:00");
  }
  if (p.ctx.race.resultCount != 0) std::snprintf(text, size, "finished");
  if (seconds + kFinalSeconds > limit) p.ov.finalPhase = 1;
  return true;
}

// total 0: a race against the clock.
void ProgressText(OverlayPass& p, int lap, int total) {
  if (lap == 0) {
    RemoveProgress(p);
    return;
  }
  char text[kOverlayTextSize];
  if (total == lap) {
    std::snprintf(text, sizeof text, "last lap");
    p.ov.finalPhase = 1;
  } else if (total > lap) {
    std::snprintf(text, sizeof text, "%d / %d", total - lap + 1, total);
    p.ov.finalPhase = 0;
  } else if (total != 0) {
    std::snprintf(text, sizeof text, "finished");
    p.ov.finalPhase = 1;
  } else if (!ClockText(p, text, sizeof text)) {
    return;
  }
  p.Button(text, kProgressButton, kProgressStyle, 87, 5, 26, 12);
}

}  // namespace

void ShowProgress(OverlayPass& p) {
  if (!p.InRace()) {
    p.ov.shownLap = 0;
    RemoveProgress(p);
    return;
  }
  const RaceOrder& order = p.Order();
  const std::uint16_t lap =
      order.count > 0 ? static_cast<std::uint16_t>(p.Player(order.ids[0]).lapFigure) : 0;
  if (p.RaceLaps() > kMaxLapRaceLaps) {
    p.ov.shownLap = lap;
    ProgressText(p, lap, 0);
    return;
  }
  if (lap == p.ov.shownLap) return;
  p.ov.shownLap = lap;
  ProgressText(p, lap, p.RaceLaps() < 100 ? p.RaceLaps() : p.RaceLaps() * 10 - 900);
}

void HideProgress(OverlayPass& p) {
  if (p.ov.shownLap == kProgressNotShown) return;
  RemoveProgress(p);
  p.ov.shownLap = kProgressNotShown;
}

}  // namespace director
