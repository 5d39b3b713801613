// The standings board on screen, one pass at a time: rows are drawn as the standings give them
// and the board pages on its own. A full page turns once slot r has been seen for 9 - r seconds;
// the last page of live standings goes after 4 s per slot (1 s once the first slot has been up
// for 10 s), while the last page of the results stays until the overlay's reset. Results that
// arrive during live standings take the board over from their first row.
#pragma once

#include "director/overlay/overlay_pass.h"

namespace director {

// One pass of the board (overlay state "standings shown"); true when it has ended and left the
// screen empty.
bool ShowStandings(OverlayPass& p);

}  // namespace director
