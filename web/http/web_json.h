// The web view's JSON: a snapshot as GET /state and the events send it, the track map as
// GET /track. Unknown figures are null. Texts from the simulator (names, cars, the track) are
// bytes of its Latin-1 code page with colour codes; they are carried over into UTF-8 character
// for character, colour codes left for the page to render.
#pragma once

#include <string>

#include "web/web_snapshot.h"
#include "web/web_track.h"

namespace director {

std::string StateJson(const WebSnapshot& snapshot);
std::string TrackJson(const WebTrack& track);

// Latin-1 bytes to UTF-8 (control characters below 0x20 are dropped).
std::string Latin1ToUtf8(const char* text);

}  // namespace director
