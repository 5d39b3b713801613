// The GUI client's requests, carried out on the InSim thread once per pass of the receive loop.
//
// HandleGuiRequests takes every record waiting in ToDirectorQueue in arrival order and releases
// it: picking a camera on the map (and opening its edit dialog), deleting and editing a camera,
// following cars by hand (with an on-board view and the overlay's driver announcement), switching
// edit mode and sending the track's nodes in batches of 32. Camera changes put the simulator's
// view on the camera at once. Requests that need the track are dropped while none is loaded, and
// so is every record that is too short for its type, names a camera that does not exist or has a
// type the director does not take: any bytes are safe. A hand-picked selection keeps at most 40
// cars (a larger count is cut to 40); a view choice without a car ends the selection.
// A node request whose batch does not fit in ToGuiQueue yet stays waiting, with the requests
// behind it, until a later pass: nodes are never dropped for want of room.
#pragma once

#include "director/control/live_control.h"
#include "director/insim/packets.h"
#include "link/message_queue.h"

namespace director {

void HandleGuiRequests(InsimLink& link, glink::MessageQueue& toDirector, LiveControl& control);

}  // namespace director
