// The driver box (buttons 2, 4 and 3, in that order): the race position and name of the driver
// the director has just started to follow. It is shown once the announcements have been quiet
// for 3 s, stays about 6 s, and is taken off at once when another driver is announced meanwhile.
#pragma once

#include <cstdint>

#include "director/overlay/overlay_pass.h"

namespace director {

// A new announcement; an empty name with position 0 withdraws it.
void TakeAnnouncement(OverlayPass& p, const char* name, std::uint8_t position);
// Whether an announced driver waits to be shown.
bool DriverBoxDue(const OverlayPass& p);
// Shows him: the overlay state becomes "driver box shown".
void ShowDriverBox(OverlayPass& p);
// Whether the box on screen has been seen long enough.
bool DriverBoxOver(const OverlayPass& p);
// Takes the box off and forgets the driver: he is shown once.
void EndDriverBox(OverlayPass& p);
void RemoveDriverBox(const OverlayPass& p);

}  // namespace director
