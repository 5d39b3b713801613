// Why the director shows what it shows: a short text for every decision, kept with the director's
// state until the next one, printed by the console front end's --reasons and shown to viewers.
//
// The texts: "battle for P3, 0.4 s" (the place two neighbours fight for and the time between
// them; without a time when the car behind stands still), "hold" (the shot is kept although
// another scored higher), "manual" (the GUI client's selection), "on board: sixth cut on #7"
// (the on-board view after that many cuts on one car), "leader at the start", "winner at the
// flag", and the incident and overtake texts of incident_reason.h. Cars are named by their player
// id ("#7"). A text never exceeds kShotReasonSize - 1 characters.
#pragma once

#include <cstdint>

namespace director {

inline constexpr int kShotReasonSize = 48;

struct ShotReason {
  char text[kShotReasonSize] = {};
};

void reasonText(ShotReason* reason, const char* text);
// gapSeconds below 0: no time is shown.
void reasonBattle(ShotReason* reason, int place, double gapSeconds);
void reasonOnboard(ShotReason* reason, int cuts, std::uint8_t plid);

// The console's line for a cut: "cut to #7 (camera 3): battle for P3, 0.4 s", or "(on board)"
// for camera -1; the camera is counted from 1. Ends with a newline.
void formatCutLine(std::int32_t car, int camera, const ShotReason& reason, char* out, int size);

// The fixed texts.
inline constexpr char kReasonHold[] = "hold";
inline constexpr char kReasonManual[] = "manual";
inline constexpr char kReasonLeaderAtStart[] = "leader at the start";
inline constexpr char kReasonWinnerAtFlag[] = "winner at the flag";

}  // namespace director
