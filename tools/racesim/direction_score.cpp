#include "tools/racesim/direction_score.h"

#include <algorithm>
#include <cstdio>

namespace racesim {

namespace {

// "67 %", or "-" without a whole.
std::string Pct(double part, double whole) {
  if (whole <= 0) return "-";
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.0f %%", 100.0 * part / whole);
  return buf;
}

std::string PctJson(double part, double whole) {
  if (whole <= 0) return "null";
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.1f", 100.0 * part / whole);
  return buf;
}

std::string Fixed1(double v) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.1f", v);
  return buf;
}

std::string Count(int part, int whole) {
  return std::to_string(part) + " of " + std::to_string(whole);
}

std::string Member(const char* key, const std::string& value) {
  return std::string(",\"") + key + "\":" + value;
}

}  // namespace

void DirectionFigures::Add(const DirectionFigures& o) {
  races += o.races;
  incidents += o.incidents;
  incidentsSeen += o.incidentsSeen;
  overtakes += o.overtakes;
  overtakesSeen += o.overtakesSeen;
  battleMs += o.battleMs;
  battleSeenMs += o.battleSeenMs;
  screenMs += o.screenMs;
  pitParkedMs += o.pitParkedMs;
  leaderAtStart += o.leaderAtStart;
  winnerAtFlag += o.winnerAtFlag;
  cuts += o.cuts;
  shotsMs.insert(shotsMs.end(), o.shotsMs.begin(), o.shotsMs.end());
  otherShotsMs.insert(otherShotsMs.end(), o.otherShotsMs.begin(), o.otherShotsMs.end());
  pingPongs += o.pingPongs;
}

double DirectionFigures::MedianShotMs() const {
  if (shotsMs.empty()) return 0;
  std::vector<std::uint32_t> sorted = shotsMs;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + static_cast<double>(sorted[n / 2])) / 2;
}

std::uint32_t DirectionFigures::ShortestShotMs() const {
  return shotsMs.empty() ? 0 : *std::min_element(shotsMs.begin(), shotsMs.end());
}

std::uint32_t DirectionFigures::ShortestOtherShotMs() const {
  return otherShotsMs.empty() ? 0 : *std::min_element(otherShotsMs.begin(), otherShotsMs.end());
}

void DirectionScore::BeginRace() {
  if (inRace_) EndRace();
  std::vector<DirectionFigures> races;
  races.swap(races_);
  *this = DirectionScore();
  races_.swap(races);
  inRace_ = true;
}

void DirectionScore::Sample(const ScoreSample& s) {
  if (!inRace_) return;
  const std::uint64_t shown = s.shown != 0 && s.shown < 64 ? std::uint64_t{1} << s.shown : 0;
  const std::uint64_t inPicture = s.inPicture | shown;
  recent_[recentNext_] = {s.raceMs, inPicture};
  recentNext_ = (recentNext_ + 1) % kRecent;
  recentCount_ = std::min(recentCount_ + 1, kRecent);
  inPicture_ = inPicture;

  now_.screenMs += s.dtMs;
  if (s.battling != 0) {
    now_.battleMs += s.dtMs;
    if (Has(s.battling, s.shown)) now_.battleSeenMs += s.dtMs;
  }
  if (Has(s.pitOrParked, s.shown)) now_.pitParkedMs += s.dtMs;
  if (s.raceMs <= kStartWindowMs && Has(inPicture, s.leader)) leaderSeen_ = true;
  if (s.cut) {
    ++now_.cuts;
    if (haveCut_) {
      now_.shotsMs.push_back(s.raceMs - lastCutMs_);
      if (!ShowsRecentIncident(inPicture, s.raceMs)) {
        now_.otherShotsMs.push_back(s.raceMs - lastCutMs_);
      }
    }
    haveCut_ = true;
    lastCutMs_ = s.raceMs;
  }
  if (s.cut && s.shown != 0 && car_ != 0 && s.shown != car_) {
    // A cut from car_ to shown; back to where the last cut came from, and soon: a ping-pong.
    if (cutFrom_ == s.shown && cutTo_ == car_ && s.raceMs - cutMs_ <= kPingPongMs) {
      ++now_.pingPongs;
    }
    // A cut that keeps car_ in the picture has not left it: two cars side by side trade the
    // middle of the picture from one camera to the next.
    const bool left = !Has(inPicture, car_);
    cutFrom_ = left ? car_ : 0;
    cutTo_ = s.shown;
    cutMs_ = s.raceMs;
  }
  if (s.shown != 0) car_ = s.shown;

  for (std::size_t k = 0; k < pending_.size();) {
    const Pending& p = pending_[k];
    const bool inWindow = s.raceMs >= p.fromMs && s.raceMs <= p.untilMs;
    if ((inWindow && Shows(p.truth, inPicture)) || s.raceMs > p.untilMs) {
      Resolve(p, inWindow);
      pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
      ++k;
    }
  }
}

// The director aims its camera at the incident's car, but the car nearest the middle of the
// picture may be a neighbour: a cut counts as one to an incident when the car is in the picture.
bool DirectionScore::ShowsRecentIncident(std::uint64_t inPicture, std::uint32_t raceMs) const {
  for (std::uint8_t plid = 1; plid < 64; ++plid) {
    const std::uint32_t at = incidentAt_[plid];
    if (Has(inPicture, plid) && at != 0 && raceMs + 1 >= at &&
        raceMs + 1 - at <= kIncidentWindowMs) {
      return true;
    }
  }
  return false;
}

void DirectionScore::Truth(const TruthRecord& t) {
  if (!inRace_) return;
  Pending p;
  p.truth = t;
  if (t.kind == TruthKind::kIncident) {
    ++now_.incidents;
    for (std::uint8_t car : {t.plid, t.other})
      if (car != 0 && car < 64) incidentAt_[car] = t.raceMs + 1;
    p.fromMs = t.raceMs;
    p.untilMs = t.raceMs + kIncidentWindowMs;
  } else {
    ++now_.overtakes;
    p.fromMs = t.raceMs > kOvertakeWindowMs ? t.raceMs - kOvertakeWindowMs : 0;
    p.untilMs = t.raceMs + kOvertakeWindowMs;
  }
  // Samples that came before the truth was known.
  for (int k = 0; k < recentCount_; ++k) {
    const Seen& seen = recent_[k];
    if (seen.raceMs >= p.fromMs && seen.raceMs <= p.untilMs && Shows(t, seen.inPicture)) {
      Resolve(p, true);
      return;
    }
  }
  pending_.push_back(p);
}

void DirectionScore::Resolve(const Pending& p, bool seen) {
  if (!seen) return;
  if (p.truth.kind == TruthKind::kIncident) {
    ++now_.incidentsSeen;
  } else {
    ++now_.overtakesSeen;
  }
}

void DirectionScore::Flag(std::uint8_t winner) {
  if (inRace_) flagSeen_ = Has(inPicture_, winner);
}

void DirectionScore::EndRace() {
  if (!inRace_) return;
  pending_.clear();
  now_.races = 1;
  now_.leaderAtStart = leaderSeen_ ? 1 : 0;
  now_.winnerAtFlag = flagSeen_ ? 1 : 0;
  races_.push_back(now_);
  inRace_ = false;
}

DirectionFigures DirectionScore::Total() const {
  DirectionFigures total;
  for (const DirectionFigures& f : races_) total.Add(f);
  return total;
}

std::string DirectionText(const DirectionFigures& f) {
  const auto races = [&](int n) {
    if (f.races == 1) return std::string(n == 1 ? "yes" : "no");
    return Pct(n, f.races) + " (" + Count(n, f.races) + " races)";
  };
  const double minutes = f.screenMs / 60000.0;
  std::string t;
  t += "incidents seen  " + Pct(f.incidentsSeen, f.incidents) + " (" +
       Count(f.incidentsSeen, f.incidents) + " on screen within 2 s)\n";
  t += "overtakes seen  " + Pct(f.overtakesSeen, f.overtakes) + " (" +
       Count(f.overtakesSeen, f.overtakes) + " on screen as they happened)\n";
  t += "battles seen    " + Pct(f.battleSeenMs, f.battleMs) + " (" +
       Fixed1(f.battleSeenMs / 1000.0) + " s of " + Fixed1(f.battleMs / 1000.0) +
       " s of battle)\n";
  t += "pit or parked   " + Pct(f.pitParkedMs, f.screenMs) + " of the screen time\n";
  t += "leader at start " + races(f.leaderAtStart) + "\n";
  t += "winner at flag  " + races(f.winnerAtFlag) + "\n";
  t += "cuts a minute   " + (minutes > 0 ? Fixed1(f.cuts / minutes) : std::string("-")) +
       " /min\n";
  t += "shots           median " + Fixed1(f.MedianShotMs() / 1000.0) + " s, shortest " +
       Fixed1(f.ShortestShotMs() / 1000.0) + " s\n";
  t += "ping-pongs      " + std::to_string(f.pingPongs) + "\n";
  return t;
}

std::string DirectionJson(const DirectionFigures& f) {
  const double minutes = f.screenMs / 60000.0;
  std::string j;
  j += Member("races", std::to_string(f.races));
  j += Member("incidents", std::to_string(f.incidents));
  j += Member("incidents_seen", std::to_string(f.incidentsSeen));
  j += Member("incidents_seen_pct", PctJson(f.incidentsSeen, f.incidents));
  j += Member("overtakes", std::to_string(f.overtakes));
  j += Member("overtakes_seen", std::to_string(f.overtakesSeen));
  j += Member("overtakes_seen_pct", PctJson(f.overtakesSeen, f.overtakes));
  j += Member("battle_ms", std::to_string(f.battleMs));
  j += Member("battle_seen_ms", std::to_string(f.battleSeenMs));
  j += Member("battle_seen_pct", PctJson(f.battleSeenMs, f.battleMs));
  j += Member("screen_ms", std::to_string(f.screenMs));
  j += Member("pit_parked_ms", std::to_string(f.pitParkedMs));
  j += Member("pit_parked_pct", PctJson(f.pitParkedMs, f.screenMs));
  j += Member("leader_at_start", std::to_string(f.leaderAtStart));
  j += Member("winner_at_flag", std::to_string(f.winnerAtFlag));
  j += Member("cuts", std::to_string(f.cuts));
  j += Member("cuts_per_min", minutes > 0 ? Fixed1(f.cuts / minutes) : "null");
  j += Member("shots", std::to_string(f.shotsMs.size()));
  j += Member("median_shot_s", f.shotsMs.empty() ? "null" : Fixed1(f.MedianShotMs() / 1000.0));
  j += Member("shortest_shot_s",
              f.shotsMs.empty() ? "null" : Fixed1(f.ShortestShotMs() / 1000.0));
  j += Member("shortest_other_shot_s",
              f.otherShotsMs.empty() ? "null" : Fixed1(f.ShortestOtherShotMs() / 1000.0));
  j += Member("ping_pongs", std::to_string(f.pingPongs));
  return j;
}

}  // namespace racesim
