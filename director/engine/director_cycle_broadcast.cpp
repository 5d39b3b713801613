// The broadcast rule set's steps of the director cycle: the rules say which car must be shown
// (or which cars must not), the classic scoring weighs the battles, and the camera is chosen as
// a broadcast crew would: a camera stays on its car while it still frames it, even a little
// beyond the range it is meant for, and a new shot is taken from the camera that will keep the
// car longest (the one the car drives towards rather than the one it is leaving). For the last
// seconds before the winner takes the flag it holds a still picture of the line.
#include <cmath>

#include "director/engine/director_cycle.h"
#include "director/engine/director_math.h"

namespace director {

int DirectorCycle::FramedReachAt(int k, std::int32_t node, double x, double y, double z) const {
  const CameraPosition& cam = track_.cameras.cameras[k];
  const std::int32_t n = static_cast<std::int32_t>(track_.nodeCount);
  if (n <= 0 || node < 0 || node >= n) return -1;
  const std::int32_t length = (cam.rangeEnd - cam.rangeStart + n) % n + 1;
  const std::int32_t margin = length / 2;
  const std::int32_t from = ((cam.rangeStart - margin) % n + n) % n;
  const std::int32_t at = (node - from + n) % n;
  const std::int32_t span = length + 2 * margin;
  if (span < n && at >= span) return -1;
  const double dx = (x - cam.x) / kWorldUnitsPerMetre;
  const double dy = (y - cam.y) / kWorldUnitsPerMetre;
  const double dz = (z - cam.z) / kWorldUnitsPerMetre;
  if (std::sqrt(dx * dx + dy * dy + dz * dz) > kFramedMetres) return -1;
  return span < n ? span - 1 - at : n;
}

int DirectorCycle::FramedReach(int k, std::uint8_t car) const {
  const PlayerRecord& r = race_.players[car];
  return FramedReachAt(k, r.node, r.carSample.x, r.carSample.y, r.carSample.z);
}

int DirectorCycle::LineCamera() const {
  // The live camera stays if it frames the line; otherwise the nearest camera whose own range
  // holds the line, for the largest picture of the winner.
  const std::uint32_t finish = track_.finishNode;
  if (finish >= track_.nodeCount) return -1;
  const PathNode& line = track_.node(finish);
  const int live = st_.liveCamera;
  const int f = static_cast<int>(finish);
  if (live >= 0 && live < track_.cameras.count &&
      FramedReachAt(live, f, line.centreX, line.centreY, line.centreZ) >= 0) {
    return live;
  }
  int best = -1;
  double nearest = 0.0;
  for (int k = 0; k < track_.cameras.count; ++k) {
    const CameraPosition& cam = track_.cameras.cameras[k];
    if (!cam.coversNode(static_cast<std::uint16_t>(finish)) ||
        FramedReachAt(k, f, line.centreX, line.centreY, line.centreZ) < 0) {
      continue;
    }
    const double dx = static_cast<double>(line.centreX) - cam.x;
    const double dy = static_cast<double>(line.centreY) - cam.y;
    const double d = dx * dx + dy * dy;
    if (best < 0 || d < nearest) {
      best = k;
      nearest = d;
    }
  }
  return best;
}

CycleChoice DirectorCycle::CameraFor(std::uint8_t car) const {
  CycleChoice choice;
  const RaceOrder& order = race_.raceOrder;
  for (int i = 0; i < order.count; ++i) {
    if (order.ids[i] == car) choice.position = i + 1;
  }
  // The live camera keeps a car it frames (its own car) or covers (a car in the same picture:
  // the director turns to it without a change of camera).
  const int live = st_.liveCamera;
  if (live >= 0 && live < track_.cameras.count && FramedReach(live, car) >= 0 &&
      (car == st_.followedCar || track_.cameras.cameras[live].coversNode(race_.players[car].node))) {
    choice.camera = live;
    return choice;
  }
  int best = -1;
  for (int k = 0; k < track_.cameras.count; ++k) {
    const int reach = FramedReach(k, car);
    if (reach > best) {
      best = reach;
      choice.camera = k;
    }
  }
  return choice;
}

bool DirectorCycle::FramedByAny(std::uint8_t car) const {
  for (int k = 0; k < track_.cameras.count; ++k) {
    if (FramedReach(k, car) >= 0) return true;
  }
  return false;
}

void DirectorCycle::ChooseBroadcastCar(std::uint32_t now) {
  // The followed car, while its camera frames it, is worth its interest and the classic hold on
  // the live camera; any other car its interest, where some camera frames it.
  const RaceOrder& order = race_.raceOrder;
  const bool* excluded = broadcast_->excluded();
  const int live = st_.liveCamera;
  const bool onboard = st_.sameCarCuts >= kOnboardCuts * st_.onboardInterval;
  std::uint32_t best = 0;
  for (int i = 0; i < order.count; ++i) {
    const std::uint8_t car = order.ids[i];
    if (excluded[car]) continue;
    std::uint32_t s = 0;
    if (car == st_.followedCar && live >= 0 && live < track_.cameras.count) {
      s = cameraScore(live, car, st_.followedCar, onboard, now);
    }
    const std::uint32_t interest = race_.players[car].interest;
    if (s == 0 && interest > best && FramedByAny(car)) s = interest;
    if (s > best) {
      best = s;
      st_.chosenCar = car;
    }
  }
}

CycleChoice DirectorCycle::ChooseByBroadcastRules(std::uint32_t now, Focus* focus) {
  *focus = broadcast_->focus(race_, report_, st_.followedCar);
  broadcast_->quieten(race_);
  heldAgainst_ = false;
  lineShot_ = false;
  if (focus->car < 0 || focus->hold) {
    ChooseBroadcastCar(now);
    if (focus->car < 0) {
      // Without a car worth showing the last one chosen stays, as in the classic rules.
      if (st_.chosenCar <= 0 || st_.chosenCar >= kPlayerCount) return CycleChoice();
      return CameraFor(static_cast<std::uint8_t>(st_.chosenCar));
    }
    heldAgainst_ = st_.chosenCar != focus->car;
  }
  // A car the scoring could not see at all (interest 0 everywhere) is still shown: the live
  // camera follows it when none of the cameras frames it.
  st_.chosenCar = focus->car;
  CycleChoice choice = CameraFor(static_cast<std::uint8_t>(focus->car));
  const int line = focus->line ? LineCamera() : -1;
  if (line >= 0) {
    choice.camera = line;
    lineShot_ = true;
  }
  return choice;
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
