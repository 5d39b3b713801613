// The progress box (button 1): laps still to be started ("7 / 10"), "last lap", "finished", or
// the time left in a race against the clock ("00:59:57"). It lives apart from the other displays:
// refreshed first in every active pass, sent again only when its lap figure or race second
// changes, and removed on every pass outside a race. It also keeps the final phase (last lap,
// finished, or the clock nearly run out), during which no new standings begin.
#pragma once

#include "director/overlay/overlay_pass.h"

namespace director {

// The box of the current race, from the lap figure of the first car of raceOrder.
void ShowProgress(OverlayPass& p);
// Takes the box off the screen, if it is there, until the next ShowProgress.
void HideProgress(OverlayPass& p);

}  // namespace director
