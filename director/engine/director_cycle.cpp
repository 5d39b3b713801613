#include "director/engine/director_cycle.h"

#include <cstdio>
#include <cstring>

#include "director/engine/aiming.h"
#include "director/engine/director_math.h"
#include "director/engine/incident_sample.h"

namespace director {

namespace {

constexpr double kBattleWeight = 0.05;
constexpr double kKeptWeight = 0.95;
constexpr std::uint32_t kLiveCameraBonus = 1000;
constexpr std::uint32_t kNoCarAhead = 0xFFFFFFFFu;  // the leader's car ahead counts as -1
// The still shot of the finish line holds 30 m of track: the winner and a car close behind.
constexpr double kLineShotWidth = 30.0 * kWorldUnitsPerMetre;

bool ValidPlayer(std::int32_t id) { return id >= 0 && id < kPlayerCount; }

// The time between two cars: their distance over the speed of the one behind; -1 when it stands.
double GapSeconds(const CompCar& front, const CompCar& back) {
  const CarSample ahead = sampleFromCompCar(front, false);
  const CarSample behind = sampleFromCompCar(back, false);
  const double speed = sampleSpeedMs(behind);
  return speed < 1.0 ? -1.0 : carDistanceMetres(ahead, behind) / speed;
}

}  // namespace

void ResetMissingCar(PlayerRecord& r) {
  r.listed = 0;
  r.lapFigure = 1;
  r.interest = 0;
  r.stopCount = 0;
  r.lapsDone = 0;
  r.totalTime = 0;
  r.bestLap = kNoBestLap;
}

void DirectorCycle::CleanAndSortRaceOrder() {
  RaceOrder& order = race_.raceOrder;
  PlayerTable& players = race_.players;
  int i = 0;
  while (i < order.count) {
    PlayerRecord& r = players[order.ids[i]];
    if (r.updated == 0) {
      ResetMissingCar(r);
      order.ids[i] = order.ids[order.count - 1];
      --order.count;
    } else {
      ++i;
    }
  }
  // A stable sort, largest race distance first: cars at the same distance keep their order,
  // exactly as repeated neighbour swaps on a strictly smaller distance would leave them.
  for (int k = 1; k < order.count; ++k) {
    const std::uint8_t id = order.ids[k];
    const std::uint32_t d = players[id].raceDistance;
    int j = k;
    while (j > 0 && players[order.ids[j - 1]].raceDistance < d) {
      order.ids[j] = order.ids[j - 1];
      --j;
    }
    order.ids[j] = id;
  }
}

void DirectorCycle::RateBattles() {
  RaceOrder& order = race_.raceOrder;
  PlayerTable& players = race_.players;
  for (int i = 0; i < order.count; ++i) players[order.ids[i]].interest = 0;

  for (int i = 0; i + 1 < order.count; ++i) {
    PlayerRecord& a = players[order.ids[i]];
    PlayerRecord& b = players[order.ids[i + 1]];
    // Unsigned wrapping differences taken as signed: a gap that shrank gives a negative trend.
    const std::uint32_t gap = a.raceDistance - b.raceDistance;
    const std::uint32_t before =
        a.distanceHistory[a.historyIndex] - b.distanceHistory[b.historyIndex];
    const std::int32_t g = static_cast<std::int32_t>(gap);
    const std::int32_t trend = static_cast<std::int32_t>(gap - before);
    const std::int32_t byGap = st_.curves.gapCurve(g);
    const std::int32_t byTrend = st_.curves.gapTrendCurve(trend);
    const std::int32_t battle = byGap < byTrend ? byGap : byTrend;
    st_.pairInterest[i] =
        static_cast<std::uint32_t>(battle * kBattleWeight + st_.pairInterest[i] * kKeptWeight);
    a.interest += st_.pairInterest[i];
    b.interest += st_.pairInterest[i];
  }

  for (int i = 1; i < order.count; ++i) players[order.ids[i]].interest >>= 1;
  if (ValidPlayer(st_.followedCar)) {
    PlayerRecord& f = players.records[st_.followedCar];
    f.interest += f.interest / 10;
  }
}

std::uint32_t DirectorCycle::cameraScore(int k, std::uint8_t car, std::int32_t followed,
                                         bool onboard, std::uint32_t now) const {
  const CameraPosition& cam = track_.cameras.cameras[k];
  const PlayerRecord& r = race_.players[car];
  // The broadcast rules hold the live camera on its car while it still frames the car.
  const bool framed = broadcast_ != nullptr && cam.active != 0 && car == followed &&
                    FramedReach(k, car) >= 0;
  if (!cam.coversNode(r.node) && !framed) return 0;
  const std::uint32_t s = r.interest;
  if (cam.active != 0) {
    if (car == followed) {
      const std::int64_t held = static_cast<std::uint32_t>(now - cam.activeSince);
      return static_cast<std::uint32_t>(st_.curves.holdCurve(held)) + s + kLiveCameraBonus;
    }
    if (onboard) return s;
    const int d = AngleDiff(cam.lastHeading, cam.headingTo(r.carSample.x, r.carSample.y));
    // Another car counts only while it is in the live camera's shot.
    return (d >= kInShotHeading || d <= -kInShotHeading) ? 0 : s;
  }
  const int d = AngleDiff(cam.headingTo(r.carSample.x, r.carSample.y),
                          cam.headingTo(r.predictedX, r.predictedY));
  const std::int64_t sweep = st_.curves.sweepCurve(d);
  const std::int64_t v = sweep < static_cast<std::int64_t>(s) ? sweep : s;
  // Cameras that still cover several nodes ahead of the car score highest.
  std::int32_t m = static_cast<std::int32_t>(cam.rangeEnd) - static_cast<std::int32_t>(r.node);
  if (m < 0) m += static_cast<std::int32_t>(track_.nodeCount);
  if (m > kLookAheadNodes) m = kLookAheadNodes;
  return static_cast<std::uint32_t>(m * v / kLookAheadNodes + 1);
}

bool DirectorCycle::chooseOnboardView(int position) {
  const RaceOrder& order = race_.raceOrder;
  if (position < 1 || position > order.count) return false;
  const int i = position - 1;
  const PlayerTable& players = race_.players;
  const std::uint8_t car = order.ids[i];
  const std::uint32_t d = players[car].raceDistance;
  const std::uint32_t ahead = i > 0 ? players[order.ids[i - 1]].raceDistance : kNoCarAhead;
  const std::uint32_t behind = i + 1 < order.count ? players[order.ids[i + 1]].raceDistance : 0;
  const std::uint32_t p = ahead - d;
  const std::uint32_t nb = d - behind;
  std::printf("P=%d, N=%d\n", static_cast<int>(p), static_cast<int>(nb));
  std::fflush(stdout);
  if (p == 0 || nb == 0) return false;

  const std::uint32_t larger = p > nb ? p : nb;
  const std::uint32_t smaller = p < nb ? p : nb;
  std::uint8_t kind;
  if (larger < 4) {
    kind = kViewInCar;  // close on both sides
  } else if (smaller < 4) {
    kind = nb < p ? kViewRear : kViewFront;  // look at the close one
  } else {
    kind = nb >= 8 ? kViewInCar : kViewRear;
  }
  return views_.installCustomView(kind, car) == nullptr;
}

void DirectorCycle::SetActive(int k, bool on, std::uint32_t now) {
  CameraPosition& cam = track_.cameras.cameras[k];
  if (on && cam.active == 0) cam.activeSince = now;
  cam.active = on ? 1 : 0;
}

void DirectorCycle::Announce(InsimLink& link, int position) {
  const char* name = ValidPlayer(st_.chosenCar) ? race_.players.records[st_.chosenCar].name : "";
  announcer_.AnnounceDriver(link, name, static_cast<std::uint8_t>(position));
}

bool DirectorCycle::LevelWithAnother(std::uint8_t car) const {
  const RaceOrder& order = race_.raceOrder;
  const std::uint32_t d = race_.players[car].raceDistance;
  for (int i = 0; i < order.count; ++i) {
    if (order.ids[i] != car && race_.players[order.ids[i]].raceDistance == d) return true;
  }
  return false;
}

void DirectorCycle::EndOfCycleReset() {
  for (int id = 1; id < kPlayerCount; ++id) {
    PlayerRecord& r = race_.players.records[id];
    if (r.updated == 0) ResetMissingCar(r);
  }
  for (PlayerRecord& r : race_.players.records) r.updated = 0;
}

void DirectorCycle::StartPacket(CameraPositionRecord* packet) {
  *packet = CameraPositionRecord{};
  packet->inGameCam = kTvCamera;
  packet->time = kGlideTimeMs;
  packet->flags = kFreeViewFlags;
}

CycleChoice DirectorCycle::ChooseCar() {
  CycleChoice choice;
  const RaceOrder& order = race_.raceOrder;
  std::uint32_t best = 0;
  for (int i = 0; i < order.count; ++i) {
    const std::uint32_t interest = race_.players[order.ids[i]].interest;
    if (interest > best) {
      st_.chosenCar = order.ids[i];
      choice.position = i + 1;
      best = interest;
    }
  }
  return choice;
}

void DirectorCycle::ChooseCamera(std::uint32_t now, CycleChoice* choice, const bool* excluded) {
  const RaceOrder& order = race_.raceOrder;
  std::uint32_t best = 0;
  const bool onboard = st_.sameCarCuts >= kOnboardCuts * st_.onboardInterval;
  for (int k = 0; k < track_.cameras.count; ++k) {
    for (int i = 0; i < order.count; ++i) {
      if (excluded != nullptr && excluded[order.ids[i]]) continue;
      const std::uint32_t s = cameraScore(k, order.ids[i], st_.followedCar, onboard, now);
      if (s > best) {
        best = s;
        st_.chosenCar = order.ids[i];
        choice->camera = k;
        choice->position = i + 1;
      }
    }
  }
}

int DirectorCycle::ManualCount() const {
  // The selection holds 40 ids, whatever count the request gave.
  const ManualSelection& manual = st_.manual;
  return manual.count < kMaxManualCars ? manual.count : kMaxManualCars;
}

std::uint16_t DirectorCycle::GroupCentreNode(int count) const {
  // Summed in 64 bits so that cars far out cannot overflow the sums.
  std::int64_t sx = 0, sy = 0;
  for (int i = 0; i < count; ++i) {
    sx += race_.players[st_.manual.plids[i]].predictedX;
    sy += race_.players[st_.manual.plids[i]].predictedY;
  }
  return track_.nearestNode(static_cast<std::int32_t>(sx / count),
                            static_cast<std::int32_t>(sy / count));
}

int DirectorCycle::CameraReachingFurthest(std::uint16_t g) const {
  // The camera that reaches furthest beyond the node keeps the group longest.
  int chosen = -1;
  std::int32_t reach = 0;
  for (int k = 0; k < track_.cameras.count; ++k) {
    const CameraPosition& cam = track_.cameras.cameras[k];
    if (!cam.coversNode(g)) continue;
    std::int32_t r = static_cast<std::int32_t>(cam.rangeEnd) - g;
    if (r < 0) r += static_cast<std::int32_t>(track_.nodeCount);
    if (r > reach) {
      reach = r;
      chosen = k;
    }
  }
  return chosen;
}

bool DirectorCycle::TakeCamera(int chosen, std::uint32_t now, CameraPositionRecord* packet) {
  for (int k = 0; k < track_.cameras.count; ++k) SetActive(k, k == chosen, now);
  if (chosen == st_.liveCamera) return false;
  st_.liveCamera = chosen;
  packet->time = 0;  // a cut: no glide from the old aim
  return true;
}

void DirectorCycle::ManualOverride(int count, std::uint32_t now, CycleChoice* choice,
                                   CameraPositionRecord* packet) {
  choice->camera = -1;
  if (st_.manual.viewChoice != 0) {
    st_.chosenCar = st_.manual.plids[0];
  } else {
    choice->camera = CameraReachingFurthest(GroupCentreNode(count));
  }
  const bool cut = TakeCamera(choice->camera, now, packet);
  // Taking over is a cut too, even when the live camera stays.
  st_.cut = cut || std::strcmp(st_.reason.text, kReasonManual) != 0 ? 1 : 0;
  reasonText(&st_.reason, kReasonManual);
}

void DirectorCycle::CountSameCarCut(InsimLink& link, int position) {
  ++st_.sameCarCuts;
  if (st_.sameCarCuts == kOnboardCuts * st_.onboardInterval) {
    if (onboardViews_ && chooseOnboardView(position)) {
      Announce(link, position);
    } else {
      --st_.sameCarCuts;  // tried again at the next cut
    }
  }
  if (st_.sameCarCuts > kLongRunCuts * st_.onboardInterval) {
    if (st_.onboardInterval < kMaxOnboardInterval) ++st_.onboardInterval;
    st_.sameCarCuts = 0;
    Announce(link, position);
  }
}

void DirectorCycle::CountLevelCycles() {
  // Side by side, the on-board view shows little of the fight: back to the TV cameras.
  if (ValidPlayer(st_.chosenCar) && LevelWithAnother(static_cast<std::uint8_t>(st_.chosenCar))) {
    if (++st_.levelCycles > kMaxLevelCycles) {
      st_.sameCarCuts = 0;
      st_.onboardInterval = 1;
    }
  } else {
    st_.levelCycles = 0;
  }
}

void DirectorCycle::DirectAutomatically(InsimLink& link, std::uint32_t now, CycleChoice* choice,
                                        CameraPositionRecord* packet) {
  const bool newCar = st_.chosenCar != st_.followedCar;
  if (newCar && report_.RaceWithLaps()) Announce(link, choice->position);
  if (choice->camera == -1) choice->camera = st_.liveCamera;
  const bool cut = TakeCamera(choice->camera, now, packet);
  if (newCar) {
    st_.sameCarCuts = 0;
    st_.onboardInterval = 1;
  } else if (cut) {
    CountSameCarCut(link, choice->position);
  }
  const bool onboard = st_.sameCarCuts >= kOnboardCuts * st_.onboardInterval;
  if (onboard) {
    choice->camera = -1;
    CountLevelCycles();
  }
  st_.cut = cut || newCar ? 1 : 0;
  if (st_.cut == 0) return;
  if (onboard && ValidPlayer(st_.chosenCar)) {
    reasonOnboard(&st_.reason, st_.sameCarCuts, static_cast<std::uint8_t>(st_.chosenCar));
  } else {
    ExplainBattle(choice->position);
  }
}

void DirectorCycle::ExplainBattle(int position) {
  // The closer fight of the car's two: with the car ahead (for its place) or behind (for its own).
  const RaceOrder& order = race_.raceOrder;
  const int i = position - 1;
  if (i < 0 || i >= order.count) return;
  const bool ahead =
      i > 0 && (i + 1 >= order.count || st_.pairInterest[i - 1] >= st_.pairInterest[i]);
  const int front = ahead ? i - 1 : i;
  if (front + 1 >= order.count) {
    reasonBattle(&st_.reason, position, -1.0);
    return;
  }
  const PlayerTable& players = race_.players;
  reasonBattle(
      &st_.reason, front + 1,
      GapSeconds(players[order.ids[front]].carSample, players[order.ids[front + 1]].carSample));
}

void DirectorCycle::BuildPacket(int camera, int manualCount, CameraPositionRecord* packet) {
  if (camera == -1) {
    packet->viewPlid = static_cast<std::uint8_t>(st_.chosenCar);
    packet->inGameCam = kCustomViewCamera;
    packet->flags = 0;
    packet->time = 0;
    packet->fov = 1.0f;
    return;
  }
  CameraPosition& cam = track_.cameras.cameras[camera];
  const ManualSelection& manual = st_.manual;
  if (manualCount == 0 && lineShot_) {
    // Sent without a glide: the picture stands still on the line, where the winner will be.
    const PathNode& line = track_.node(track_.finishNode);
    aimAtPoint(cam, *packet, line.centreX, line.centreY, line.centreZ, kLineShotWidth);
    packet->time = 0;
  } else if (manualCount == 0) {
    // The broadcast rules aim a cut where the car will be at the next set, so that the car is in
    // the middle of the picture when the camera is next aimed, not a set's travel past it.
    const double lead = broadcast_ != nullptr ? kPositionIntervalMs / 1000.0 : 0.0;
    aimAtCar(cam, *packet, static_cast<std::uint8_t>(st_.chosenCar), race_.players, track_, lead);
  } else if (manualCount == 1) {
    aimAtCar(cam, *packet, manual.plids[0], race_.players, track_);
  } else {
    aimAtGroup(cam, *packet, manual.plids, manualCount, race_.players);
  }
}

void DirectorCycle::runDirectorCycle(InsimLink& link, CameraPositionRecord* packet) {
  StartPacket(packet);
  if (race_.raceOrder.count == 0) return;

  std::uint32_t now = clock_.Now();
  // A camera deleted since the last cycle cannot stay live.
  if (st_.liveCamera >= track_.cameras.count) st_.liveCamera = -1;
  CleanAndSortRaceOrder();
  RateBattles();
  Focus focus;
  CycleChoice choice;
  if (broadcast_ != nullptr) {
    // Holds run on the race's time, which a replay or an accelerated race moves faster than the
    // wall clock.
    broadcast_->observe(race_, report_);
    now = broadcast_->now();
    choice = ChooseByBroadcastRules(now, &focus);
  } else {
    choice = ChooseCar();
    ChooseCamera(now, &choice);
  }
  const int manualCount = ManualCount();
  if (manualCount >= 1) {
    ManualOverride(manualCount, now, &choice, packet);
  } else {
    DirectAutomatically(link, now, &choice, packet);
  }
  if (broadcast_ != nullptr && manualCount == 0) {
    // A broadcast cuts to the next car; a glide from the last one would show the road between.
    if (st_.chosenCar != st_.followedCar) packet->time = 0;
    ExplainBroadcastShot(focus, heldAgainst_);
  }
  st_.followedCar = st_.chosenCar;
  BuildPacket(choice.camera, manualCount, packet);
  EndOfCycleReset();
}

}  // namespace director
