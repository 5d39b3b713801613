// The broadcast overlay: InSim buttons on the simulator's local screen (UCID 0) that decorate a
// directed race like a television broadcast.
//
// Button 1 is the progress box (laps to go, "last lap", "finished", or the time left in a race
// against the clock); buttons 2, 3 and 4 the driver box, the position and name of a driver the
// director has just started to follow, shown about 3 s after his last announcement for about 6 s;
// buttons 5 to 20 the standings board, eight rows per page (position and name, with the gap, laps
// behind or pit stops right-aligned on top), shown when the leader completes a lap and, at the end,
// the results. OverlayUpdate runs one pass per update step while the director is active; with
// active false it removes every button and forgets the race's displays. A pass sends only what
// changed. Buttons exist only over TCP (InSim versions 4 and 10): over version 3 nothing is ever
// sent, though the state still follows. Time comes from the context's clock; only the InSim thread
// calls this.
#pragma once

#include <cstddef>
#include <cstdint>

#include "director/insim/packets.h"
#include "director/insim/race_state.h"
#include "director/insim/state_report.h"
#include "director/overlay/overlay_state.h"

namespace plat {
class Clock;
}

namespace director {

// Button texts of the overlay never come near this (names have at most 31 characters).
inline constexpr std::size_t kOverlayTextSize = 64;
inline constexpr std::uint8_t kProgressButton = 1;

// What a pass reads besides its own state.
struct OverlayContext {
  InsimLink& link;
  plat::Clock& clock;
  RaceState& race;           // players, raceOrder, results, race time, standings flags
  const StateReport& state;  // race in progress and race laps
  std::uint8_t colour;       // OverlayColour: colour of the right-aligned value texts, 0..7
};

// IS_BTN with ReqI 1, UCID 0, Inst 0, TypeIn 0; IS_BFN deleting one button. Version 4 only.
void SendButton(InsimLink& link, const char* text, std::uint8_t clickId, std::uint8_t style,
                std::uint8_t left, std::uint8_t top, std::uint8_t width, std::uint8_t height);
void SendDeleteButton(InsimLink& link, std::uint8_t clickId);

// Removes every "^" followed by a digit 0 to 8, with the digit; other "^" sequences stay.
void StripColourDigits(char* text);
// "h:mm:ss.cc  ", "m:ss.cc  " or "s.cc  " rounded to the hundredth; empty for 0 and for all bits
// set (no time). out holds at least 24 bytes.
void FormatRaceTime(std::uint32_t ms, char* out, std::size_t size);

void OverlayUpdate(OverlayState& overlay, const OverlayContext& ctx, bool active);
// The director follows another driver (or the GUI client asked for one); an empty name with
// position 0 withdraws the announcement and takes a driver box off the screen.
void AnnounceDriver(OverlayState& overlay, const OverlayContext& ctx, const char* name,
                    std::uint8_t position);
// The simulator is back at its front end: remove every button and forget the race entirely, so
// the next race starts with a fresh progress box and no driver left to announce.
void ResetOverlayForNewRace(OverlayState& overlay, const OverlayContext& ctx);

}  // namespace director
