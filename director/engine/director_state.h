// The director's own state between cycles: which car it follows, which camera is live, the
// on-board rhythm and the GUI client's manual selection. Initial values as the program starts.
// The director cycle reads and writes it; the race start, activation and edit mode reset parts
// of it. InSim thread only.
#pragma once

#include <cstdint>

#include "director/engine/score_curve.h"
#include "director/engine/shot_reason.h"
#include "director/insim/race_state.h"

namespace director {

inline constexpr int kMaxManualCars = 40;

// The GUI client's choice of cars (count 0: automatic direction) and of an on-board view.
struct ManualSelection {
  std::uint8_t viewChoice = 0;  // 0 or a custom view kind: 64 in-car, 128 front, 192 rear
  std::uint8_t count = 0;
  std::uint8_t plids[kMaxManualCars] = {};
};

struct DirectorState {
  std::uint32_t pairInterest[kMaxRaceOrder] = {};  // smoothed battle value per pair position
  std::int32_t chosenCar = -1;
  std::int32_t followedCar = -1;
  std::int32_t liveCamera = -1;
  std::uint8_t sameCarCuts = 0;
  std::uint8_t onboardInterval = 1;
  std::uint8_t levelCycles = 0;
  ManualSelection manual;
  ScoreCurves curves;  // built when the InSim thread starts
  ShotReason reason;   // why the current shot was chosen
  std::uint8_t cut = 0;  // the last cycle cut to another camera, car or view
};

}  // namespace director
