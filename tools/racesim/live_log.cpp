#include "tools/racesim/live_log.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/racesim/packet_trace.h"
#include "tools/racesim/view_files.h"

namespace racesim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxShotDistance = 600.0;  // metres: further away a car is only a dot
constexpr double kCarLength = 4.5;          // metres
constexpr double kSmallestCarShare = 0.04;  // of the picture's width

std::string Group(std::uint8_t clickId) {
  if (clickId == 1) return "progress";
  if (clickId >= 2 && clickId <= 4) return "driver box";
  if (clickId >= 5 && clickId <= 20) return "standings";
  return "button " + std::to_string(clickId);
}

std::string Trim(const std::string& text) {
  std::size_t a = 0, b = text.size();
  while (a < b && text[a] == ' ') ++a;
  while (b > a && text[b - 1] == ' ') --b;
  return text.substr(a, b - a);
}

}  // namespace

std::string LiveLog::IncidentWords(const RaceEvent& e, const Race& race) const {
  switch (e.incident) {
    case IncidentKind::kSpin:
      return " spins";
    case IncidentKind::kOff:
      return " goes off the road";
    case IncidentKind::kStopped:
      return e.retires ? " stops on track and retires" : " stops on track";
    case IncidentKind::kContact:
      return " touches " + CarName(race, e.other);
    case IncidentKind::kNone:
      break;
  }
  return "";
}

std::string StripColours(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '^') {
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

// How far ahead the director aims a gliding camera (its prediction horizon).
constexpr double kGlideLeadSeconds = 0.8;

namespace {

// Where car i stands in the camera's picture: its angle off the middle (radians) and its
// distance (metres); false when it is behind the camera, outside the field of view or too far.
bool InPicture(const SimCamera& camera, const Race& race, int i, double* off, double* dist) {
  // The inverse of the director's heading: 16384 + atan2(dy, dx) in units of 32768 per pi.
  const double view = (camera.heading - 16384.0) * kPi / 32768.0;
  const double half = std::max(1.0, static_cast<double>(camera.fov)) * 0.5 * kPi / 180.0;
  const double cx = camera.x / kWorldPerMetre, cy = camera.y / kWorldPerMetre;
  Pose p = race.Where(i);
  if (camera.glideMs > 0) {
    // The simulator glides the view to each new aim, so the picture trails the command; the
    // director therefore aims where a car will be when the view gets there, and that is where
    // the car is seen.
    const double lead = race.Cars()[static_cast<std::size_t>(i)].speed * kGlideLeadSeconds;
    p.x += p.dx * lead;
    p.y += p.dy * lead;
  }
  const double dx = p.x - cx, dy = p.y - cy;
  *dist = std::hypot(dx, dy);
  if (*dist > kMaxShotDistance) return false;
  double a = std::atan2(dy, dx) - view;
  while (a > kPi) a -= 2 * kPi;
  while (a < -kPi) a += 2 * kPi;
  *off = std::fabs(a);
  return *dist <= 2.0 || *off <= half * 1.1;
}

}  // namespace

int CarInPicture(const SimCamera& camera, const Race& race) {
  int best = -1;
  double bestOff = 0, bestDist = 0;
  for (int i = 0; i < static_cast<int>(race.Cars().size()); ++i) {
    double off = 0, dist = 0;
    if (!InPicture(camera, race, i, &off, &dist)) continue;
    if (best < 0 || off < bestOff - 1e-9 || (std::fabs(off - bestOff) <= 1e-9 && dist < bestDist)) {
      best = i;
      bestOff = off;
      bestDist = dist;
    }
  }
  return best;
}

std::uint64_t CarsInPicture(const SimCamera& camera, const Race& race) {
  const double half = std::max(1.0, static_cast<double>(camera.fov)) * 0.5 * kPi / 180.0;
  // A car narrower than this share of the picture is a speck, not a car a viewer watches.
  const double farthest = kCarLength / (2.0 * std::tan(half) * kSmallestCarShare);
  std::uint64_t cars = 0;
  for (int i = 0; i < static_cast<int>(race.Cars().size()); ++i) {
    double off = 0, dist = 0;
    const std::uint8_t plid = race.Cars()[static_cast<std::size_t>(i)].plid;
    if (plid < 64 && InPicture(camera, race, i, &off, &dist) && dist <= farthest) {
      cars |= std::uint64_t{1} << plid;
    }
  }
  return cars;
}

void LiveLog::Print(const std::string& kind, const std::string& text) {
  if (quiet_) return;
  char stamp[32];
  const std::uint32_t tenths = timeMs_ / 100;
  std::snprintf(stamp, sizeof(stamp), "[%2u:%02u.%u] %-9s ", tenths / 600, (tenths / 10) % 60,
                tenths % 10, kind.c_str());
  out_ << stamp << text << std::endl;
}

void LiveLog::Note(const std::string& kind, const std::string& text) { Print(kind, text); }

std::string LiveLog::CarName(const Race& race, int car) const {
  if (car < 0) return "no car in the picture";
  const Car& c = race.Cars()[static_cast<std::size_t>(car)];
  return "#" + std::to_string(c.plid) + " " + StripColours(c.driver.name) + " (P" +
         std::to_string(c.position) + ")";
}

std::string LiveLog::ShotName(const SimCamera& camera) const {
  if (camera.mode == CameraMode::kFree) {
    for (std::size_t k = 0; k < cameras_.size(); ++k) {
      const CameraSpot& c = cameras_[k];
      if (std::abs(static_cast<long long>(c.x) - camera.x) < 65536 &&
          std::abs(static_cast<long long>(c.y) - camera.y) < 65536 &&
          std::abs(static_cast<long long>(c.z) - camera.z) < 65536) {
        return "cam " + std::to_string(k + 1);
      }
    }
    char buf[64];
    std::snprintf(buf, sizeof(buf), "free camera at (%.0f, %.0f)", camera.x / kWorldPerMetre,
                  camera.y / kWorldPerMetre);
    return buf;
  }
  if (camera.mode == CameraMode::kCar) {
    if (camera.inGameCam == 4) return "on-board #" + std::to_string(camera.viewPlid);
    if (camera.inGameCam == 2) return "TV camera on #" + std::to_string(camera.viewPlid);
    return "view " + std::to_string(camera.inGameCam) + " on #" + std::to_string(camera.viewPlid);
  }
  return "simulator's own cameras";
}

void LiveLog::Observe(const SimCamera& camera, const Race& race, std::uint32_t dtMs,
                      bool raceRunning) {
  int car = -1;
  inPicture_ = 0;
  if (camera.mode == CameraMode::kFree) {
    car = CarInPicture(camera, race);
    inPicture_ = CarsInPicture(camera, race);
  } else {
    for (int i = 0; i < static_cast<int>(race.Cars().size()); ++i) {
      if (race.Cars()[static_cast<std::size_t>(i)].plid == camera.viewPlid) car = i;
    }
  }
  const std::string shot = ShotName(camera);
  bool cut = false;
  if (shot != shot_) {
    std::string text = shot + " -> " + CarName(race, car);
    if (camera.directed) {
      ++cuts_;
      cut = true;
      if (camera.mode == CameraMode::kCar && camera.inGameCam == 4 && car >= 0) {
        ++onboard_;
        const std::string kind =
            simDir_.empty()
                ? std::string("unknown")
                : InstalledViewKind(simDir_, simVersion_,
                                    race.Cars()[static_cast<std::size_t>(car)].driver.car);
        ++onboardKinds_[kind];
        text += ", custom view file: " + kind;
      } else if (camera.mode == CameraMode::kFree) {
        char fov[32];
        std::snprintf(fov, sizeof(fov), ", fov %.0f", static_cast<double>(camera.fov));
        text += fov;
      }
    }
    Print(camera.directed ? "cut" : "camera", text);
    shot_ = shot;
    shownCar_ = car;
    candidate_ = -1;
  } else if (car != shownCar_) {
    if (candidate_ == car) {
      shownCar_ = car;
      candidate_ = -1;
      Print("follow", shot + " now on " + CarName(race, car));
    } else {
      candidate_ = car;
    }
  } else {
    candidate_ = -1;
  }
  if (raceRunning && camera.directed) {
    directedMs_ += dtMs;
    if (shownCar_ >= 0) {
      screenMs_[race.Cars()[static_cast<std::size_t>(shownCar_)].plid] += dtMs;
    } else {
      noCarMs_ += dtMs;
    }
    if (race.Started() && score_.InRace()) ScoreSampleOf(race, dtMs, cut);
  }
}

void LiveLog::OnButton(std::uint8_t clickId, const std::string& rawText) {
  ++buttonPackets_;
  const std::string group = Group(clickId);
  bool groupShown = false;
  for (const auto& [id, t] : buttons_) groupShown = groupShown || Group(id) == group;
  if (!groupShown) {
    ++overlayDisplays_;
    ++displaysByGroup_[group];
  }
  const std::string text = Trim(StripColours(rawText));
  const auto old = buttons_.find(clickId);
  const bool changed = old == buttons_.end() || old->second != text;
  buttons_[clickId] = text;
  if (!changed) return;
  if (group == "progress") {
    Print("overlay", "progress: " + text);
  } else if (group == "driver box") {
    if (clickId == 4) Print("overlay", "driver box: P" + buttons_[2] + " " + text);
  } else if (group == "standings") {
    if (clickId >= 13)
      Print("overlay",
            "standings: " + buttons_[static_cast<std::uint8_t>(clickId - 8)] + "  " + text);
  } else {
    Print("overlay", group + ": " + text);
  }
}

void LiveLog::OnDeleteButton(std::uint8_t clickId) {
  if (buttons_.erase(clickId) == 0) return;
  const std::string group = Group(clickId);
  for (const auto& [id, t] : buttons_) {
    if (Group(id) == group) return;
  }
  Print("overlay", group + " removed");
}

void LiveLog::OnText(const std::string& kind, const std::string& text) {
  const std::string plain = StripColours(text);
  messages_.push_back(plain);
  Print(kind, plain);
}

void LiveLog::OnRaceEvent(const RaceEvent& e, const Race& race) {
  const std::string who = CarName(race, e.car);
  Truth(e, race);
  switch (e.kind) {
    case RaceEventKind::kOvertake:
      ++overtakes_;
      if (!e.otherInPits) {
        Print("race", who + " passes " + CarName(race, e.other));
      }
      break;
    case RaceEventKind::kPitStop:
      ++pitStops_;
      Print("race", who + " stops in the pits (stop " + std::to_string(e.stops) + ")");
      break;
    case RaceEventKind::kMistake:
      ++mistakes_;
      Print("race", who + " runs wide");
      break;
    case RaceEventKind::kLap:
      if (e.position == 1 && !race.Cars()[static_cast<std::size_t>(e.car)].finished) {
        const int next = e.lapsDone + 1;
        Print("race", who + (next == race.Laps() ? " starts the last lap"
                                                 : " leads into lap " + std::to_string(next) +
                                                       " of " + std::to_string(race.Laps())));
      }
      break;
    case RaceEventKind::kFinish:
      if (e.position == 1) score_.Flag(race.Cars()[static_cast<std::size_t>(e.car)].plid);
      Print("race", e.position == 1 ? "chequered flag: " + who + " wins" : who + " finishes");
      break;
    case RaceEventKind::kIncident:
      Print("race", who + IncidentWords(e, race));
      break;
    case RaceEventKind::kSplit:
      break;
  }
}

}  // namespace racesim
