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
//
// This is the coordinator: it runs the overlay state (idle, driver box, standings, pauses between
// displays) over the displays' own modules, overlay_progress, overlay_driver and overlay_pages
// with overlay_standings and overlay_rows; the buttons and their texts are in overlay_buttons and
// overlay_text.
#pragma once

#include <cstdint>

#include "director/insim/packets.h"
#include "director/insim/race_state.h"
#include "director/insim/state_report.h"
#include "director/overlay/overlay_buttons.h"
#include "director/overlay/overlay_pass.h"
#include "director/overlay/overlay_state.h"
#include "director/overlay/overlay_text.h"

namespace director {

void OverlayUpdate(OverlayState& overlay, const OverlayContext& ctx, bool active);
// The director follows another driver (or the GUI client asked for one); an empty name with
// position 0 withdraws the announcement and takes a driver box off the screen.
void AnnounceDriver(OverlayState& overlay, const OverlayContext& ctx, const char* name,
                    std::uint8_t position);
// The simulator is back at its front end: remove every button and forget the race entirely, so
// the next race starts with a fresh progress box and no driver left to announce.
void ResetOverlayForNewRace(OverlayState& overlay, const OverlayContext& ctx);

}  // namespace director
