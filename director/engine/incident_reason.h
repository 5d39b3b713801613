// The short text that says why the director looks at an event, for its decision log and the GUI:
// "incident: #12 spun", "incident: #12 off the track", "incident: #12 stopped",
// "incident: #12 and #7 in contact", "overtake: #4 passes #9 for P5", and from the simulator's
// packets "incident: #12 reset" and "incident: yellow flag for #12".
//
// The numbers are the cars' numbers from the caller's table indexed by player id (256 entries), or
// the player ids themselves when there is no table. The text is cut to fit the buffer and always
// ends with a NUL when the buffer has room for one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "director/engine/incident_event.h"

namespace director {

// Returns the length of the whole text (as snprintf does, so a result >= size means it was cut).
int formatEventReason(const DetectedEvent& event, const std::uint16_t* carNumbers, char* out,
                      std::size_t size);

}  // namespace director
