// How well the direction caught the race, race by race: what was on screen against the ground
// truth of what happened.
//
// The live log hands over, while the director drives the camera in a race, one sample a position
// set (the car in the picture, whether the director cut to it, the leader, the cars in a battle and
// the cars in the pit lane or parked), the ground truth as it happens (incidents, overtakes on
// track) and the winner's flag. The figures of a race:
// - incidents seen: an incident's car (either car of a contact) in the picture in a sample within
//   2 s from its start (anywhere in the picture: a viewer sees a spin beside the car followed);
// - overtakes seen: either car in the picture in a sample within 1 s before or after the pass;
// - battles seen: of the screen time while some pair of neighbours ran under 1 s apart, the share
//   showing a car of such a pair;
// - pit or parked: the share of screen time on a car in the pit lane or parked (outside an
//   incident);
// - leader at start: the leader in the picture in some sample of the first 10 s of race time;
// - winner at flag: the winner in the picture when it crosses the line (also beside the car
//   followed, as the winner and the second are when they finish side by side);
// The screen time, battles, pit lane and parked cars, shots and ping-pongs go by the car the
// picture follows (the one nearest its middle).
// - cuts a minute of screen time, the shots' median and shortest length (a shot from one cut to
//   the next; the shortest also of those that did not end in a cut to a car whose incident began
//   within 2 s), and ping-pongs: a cut from car A to car B that leaves A out of the picture, and
//   a cut back to A within 5 s (a new car drifting into the same shot is no cut).
// Times are race time; shares are weighted by the screen time each sample stands for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace racesim {

struct ScoreSample {
  std::uint32_t raceMs = 0;
  std::uint32_t dtMs = 0;    // screen time the sample stands for
  std::uint8_t shown = 0;    // player id the picture follows, 0 none
  std::uint64_t inPicture = 0;  // bit n: player id n is in the picture (with shown)
  bool cut = false;          // the director cut to this shot
  std::uint8_t leader = 0;   // player id
  std::uint64_t battling = 0;     // bit n: player id n is in a battle
  std::uint64_t pitOrParked = 0;  // bit n: player id n is in the pit lane or parked
};

enum class TruthKind { kIncident, kOvertake };

struct TruthRecord {
  TruthKind kind = TruthKind::kIncident;
  std::uint32_t raceMs = 0;
  std::uint8_t plid = 0;
  std::uint8_t other = 0;  // the other car of a contact or the car passed; 0 none
};

struct DirectionFigures {
  int races = 0;
  int incidents = 0, incidentsSeen = 0;
  int overtakes = 0, overtakesSeen = 0;
  std::uint32_t battleMs = 0, battleSeenMs = 0;
  std::uint32_t screenMs = 0, pitParkedMs = 0;
  int leaderAtStart = 0, winnerAtFlag = 0;  // races
  int cuts = 0;
  std::vector<std::uint32_t> shotsMs;
  // The shots that did not end in a cut to a picture with a car whose incident began in the last
  // 2 s: a cut to an incident may come at any time, every other shot should last.
  std::vector<std::uint32_t> otherShotsMs;
  int pingPongs = 0;

  void Add(const DirectionFigures& other);
  // The shots' median and shortest length, ms; 0 without a shot.
  double MedianShotMs() const;
  std::uint32_t ShortestShotMs() const;
  std::uint32_t ShortestOtherShotMs() const;
};

class DirectionScore {
 public:
  static constexpr std::uint32_t kIncidentWindowMs = 2000;
  static constexpr std::uint32_t kOvertakeWindowMs = 1000;
  static constexpr std::uint32_t kStartWindowMs = 10000;
  static constexpr std::uint32_t kPingPongMs = 5000;

  // A race begins (a race still open ends first).
  void BeginRace();
  bool InRace() const { return inRace_; }
  void Sample(const ScoreSample& s);
  void Truth(const TruthRecord& t);
  // The winner crosses the line.
  void Flag(std::uint8_t winner);
  // The race's figures are final; pending truth that was not seen stays unseen.
  void EndRace();

  const std::vector<DirectionFigures>& Races() const { return races_; }
  DirectionFigures Total() const;

 private:
  struct Pending {
    TruthRecord truth;
    std::uint32_t fromMs = 0, untilMs = 0;
  };
  struct Seen {
    std::uint32_t raceMs = 0;
    std::uint64_t inPicture = 0;
  };
  static bool Has(std::uint64_t cars, std::uint8_t plid) {
    return plid != 0 && plid < 64 && (cars >> plid & 1u) != 0;
  }
  static bool Shows(const TruthRecord& t, std::uint64_t inPicture) {
    return Has(inPicture, t.plid) || Has(inPicture, t.other);
  }
  void Resolve(const Pending& p, bool seen);
  bool ShowsRecentIncident(std::uint64_t inPicture, std::uint32_t raceMs) const;

  bool inRace_ = false;
  DirectionFigures now_;
  std::vector<DirectionFigures> races_;
  std::vector<Pending> pending_;
  static constexpr int kRecent = 64;  // samples kept for truth that comes after them
  Seen recent_[kRecent] = {};
  int recentCount_ = 0, recentNext_ = 0;
  std::uint64_t inPicture_ = 0;
  bool leaderSeen_ = false, flagSeen_ = false;
  bool haveCut_ = false;
  std::uint32_t lastCutMs_ = 0;
  std::uint32_t incidentAt_[64] = {};  // race time + 1 of each car's last incident, 0 none
  std::uint8_t car_ = 0;                 // the last car in the picture
  std::uint8_t cutFrom_ = 0, cutTo_ = 0;  // the last cut from one car to another
  std::uint32_t cutMs_ = 0;
};

// The figures as summary lines (each starting with its 16-column label) and as JSON members
// (each starting with a comma).
std::string DirectionText(const DirectionFigures& f);
std::string DirectionJson(const DirectionFigures& f);

}  // namespace racesim
