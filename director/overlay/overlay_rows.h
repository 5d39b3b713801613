// The rows of the standings board: eight slots per page, each a name button ("  ^3N.  ^7Name",
// dark, left-aligned) with a value button on top (right-aligned in OverlayColour): the gap to
// the first ("+1.50  "), the laps behind ("-1 Lap  "), the pit stops ("2 Stops  "), or for the
// first the lap he is on, his race time or, against the clock, his laps. Results rows come from
// the decoded results; live rows from the snapshot.
#pragma once

#include "director/overlay/overlay_pass.h"

namespace director {

// Draws row i of the current standings when it lies on the page on screen, and notes when that
// slot was drawn. Drawing a page's first slot clears the rest of the page.
void DrawRow(OverlayPass& p, int i);
void RemoveAllRows(const OverlayPass& p);

}  // namespace director
