// One pass of the overlay: its state, what it reads besides (the context) and the one tick the
// whole pass runs at. Every display works on a pass; only the InSim thread makes them.
#pragma once

#include <cstdint>

#include "director/insim/packets.h"
#include "director/insim/race_state.h"
#include "director/insim/state_report.h"
#include "director/overlay/overlay_buttons.h"
#include "director/overlay/overlay_state.h"

namespace plat {
class Clock;
}

namespace director {

// RaceLaps above this: a race against the clock of RaceLaps - 190 hours.
inline constexpr int kMaxLapRaceLaps = 190;

// What a pass reads besides its own state.
struct OverlayContext {
  InsimLink& link;
  plat::Clock& clock;
  RaceState& race;           // players, raceOrder, results, race time, standings flags
  const StateReport& state;  // race in progress and race laps
  std::uint8_t colour;       // OverlayColour: colour of the right-aligned value texts, 0..7
};

struct OverlayPass {
  OverlayState& ov;
  const OverlayContext& ctx;
  std::uint32_t now;  // the context's clock, read once when the pass began

  bool InRace() const { return ctx.state.RaceWithLaps(); }
  int RaceLaps() const { return ctx.state.raceLaps; }
  PlayerRecord& Player(std::uint8_t plid) const { return ctx.race.players[plid]; }
  const RaceOrder& Order() const { return ctx.race.raceOrder; }
  void Button(const char* text, std::uint8_t id, std::uint8_t style, std::uint8_t left,
              std::uint8_t top, std::uint8_t width, std::uint8_t height) const {
    SendButton(ctx.link, text, id, style, left, top, width, height);
  }
  void Remove(std::uint8_t id) const { SendDeleteButton(ctx.link, id); }
};

}  // namespace director
