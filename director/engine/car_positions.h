// Taking a packet of car positions into the race: each car's progress along the track is updated
// and a car seen for the first time joins the race order. Nothing is taken without a track path,
// and then no set is complete either, so the director does not run on positions it could not
// place.
#pragma once

#include "director/insim/packet_cars.h"
#include "director/insim/race_state.h"

namespace director {

class TrackPath;

// True when the packet completes a set of positions (and a track path took them).
bool takeCarPositions(RaceState& race, const TrackPath* track, const CarPositions& positions);

}  // namespace director
