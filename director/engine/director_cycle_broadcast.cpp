// The broadcast rule set's steps of the director cycle: the rules say which car must be shown
// (or which cars must not), and the classic scoring finds the camera for it.
#include "director/engine/director_cycle.h"

namespace director {

CycleChoice DirectorCycle::CameraFor(std::uint8_t car, std::uint32_t now) const {
  CycleChoice choice;
  const RaceOrder& order = race_.raceOrder;
  for (int i = 0; i < order.count; ++i) {
    if (order.ids[i] == car) choice.position = i + 1;
  }
  const bool onboard = st_.sameCarCuts >= kOnboardCuts * st_.onboardInterval;
  std::uint32_t best = 0;
  for (int k = 0; k < track_.cameras.count; ++k) {
    const std::uint32_t s = cameraScore(k, car, st_.followedCar, onboard, now);
    if (s > best) {
      best = s;
      choice.camera = k;
    }
  }
  return choice;
}

CycleChoice DirectorCycle::ChooseByBroadcastRules(std::uint32_t now, Focus* focus) {
  broadcast_->observe(race_, report_);
  *focus = broadcast_->focus(race_, report_, st_.followedCar);
  broadcast_->quieten(race_);
  heldAgainst_ = false;
  if (focus->car < 0 || focus->hold) {
    CycleChoice choice = ChooseCar();
    ChooseCamera(now, &choice, broadcast_->excluded());
    if (focus->car < 0) return choice;
    heldAgainst_ = st_.chosenCar != focus->car;
  }
  // A car the scoring could not see at all (interest 0 everywhere) is still shown: the live
  // camera follows it when none of the cameras covers it.
  st_.chosenCar = focus->car;
  return CameraFor(static_cast<std::uint8_t>(focus->car), now);
}

void DirectorCycle::ExplainBroadcastShot(const Focus& focus, bool heldAgainst) {
  if (focus.hold) {
    if (heldAgainst) reasonText(&st_.reason, kReasonHold);
  } else if (focus.reason.text[0] != '\0') {
    st_.reason = focus.reason;
  }
  broadcast_->noteShot(st_.chosenCar, st_.cut != 0);
}

}  // namespace director
