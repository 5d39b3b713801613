// Every InSim packet the director builds or reads, one module each: the framing and the link
// (packet_link), init (packet_init), the version reply (version_reply), TINY and SMALL
// (packet_tiny), version 3 requests and ACKs (packet_v3), the state report (state_report) and its
// flags (packet_state_flag), the camera (packet_camera), texts (packet_text), buttons
// (packet_buttons), players (packet_player), laps, splits and pit stops (packet_race_events),
// contact (packet_contact), results (packet_result) and car positions (packet_cars). Each module
// holds its packet's byte layout and nothing else does.
#pragma once

#include "director/insim/insim_constants.h"
#include "director/insim/packet_buttons.h"
#include "director/insim/packet_camera.h"
#include "director/insim/packet_cars.h"
#include "director/insim/packet_contact.h"
#include "director/insim/packet_init.h"
#include "director/insim/packet_link.h"
#include "director/insim/packet_player.h"
#include "director/insim/packet_race_events.h"
#include "director/insim/packet_result.h"
#include "director/insim/packet_state_flag.h"
#include "director/insim/packet_text.h"
#include "director/insim/packet_tiny.h"
#include "director/insim/packet_v3.h"
#include "director/insim/state_report.h"
