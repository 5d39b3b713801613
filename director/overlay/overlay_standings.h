// The standings behind the board: the standings order (more laps first, then the smaller total
// time), the snapshot of the figures each row shows, and the decision that a board begins when
// the leader completes a lap. A board is the results once they have arrived; otherwise either
// progressive (mode B: a bunch of cars crossing the line, one row each as it comes) or built
// from a complete snapshot of every car's figures (mode A), which shows pit stops instead of gaps
// once stop counts have changed.
#pragma once

#include "director/overlay/overlay_pass.h"

namespace director {

// After a lap report; also when cars joined or left since the last sort, so that the order never
// holds fewer (or more) cars than the rows that are drawn from it.
bool NeedsSort(const OverlayPass& p);
void SortStandings(OverlayPass& p);
// Snapshot row i := the figures of the car at place i of the standings order.
void TakeRow(OverlayPass& p, int i);
// Whether a board begins (results, progressive or from a complete snapshot).
bool StartStandings(OverlayPass& p);
// Forgets the order, the snapshot and the board's mode, for the overlay's reset.
void ClearStandings(OverlayPass& p);

}  // namespace director
