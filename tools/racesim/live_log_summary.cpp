// The summary at the end of a run: how the director was connected and kept the link, what was
// raced, and how it was directed (cuts, screen time per car, on-board shots, the overlay,
// messages, and once a race has run how it caught the race: direction_score.h), then what was
// never seen. The same figures go to the trace as JSON members; the direction's as "direction"
// (all races together) and "direction_races" (one object a race).
#include <algorithm>
#include <cstdio>

#include "tools/racesim/live_log.h"

namespace racesim {

namespace {

constexpr char kIndent[] = "                ";
constexpr int kScreenTimeColumns = 4;

std::string Percent(std::uint32_t part, std::uint32_t whole) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%.0f%%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return buf;
}

// " (a 1, b 2)" of a count per name, or nothing when there is none.
std::string CountsInBrackets(const std::map<std::string, int>& counts) {
  if (counts.empty()) return "";
  std::string text = " (";
  bool first = true;
  for (const auto& [name, n] : counts) {
    text += (first ? "" : ", ") + name + " " + std::to_string(n);
    first = false;
  }
  return text + ")";
}

std::string JsonMember(const char* key, long long value) {
  return std::string(",\"") + key + "\":" + std::to_string(value);
}

}  // namespace

std::string LiveLog::Summary(const SummaryFacts& facts, const Race* race) {
  score_.EndRace();
  out_ << "\n=== Summary ===\n";
  PrintLinkSummary(facts);
  PrintRaceSummary(facts, race);
  out_ << "cuts            " << cuts_ << "\n";
  out_ << "cars shown      " << screenMs_.size();
  if (race != nullptr) out_ << " of " << race->Cars().size();
  out_ << "\n";
  PrintScreenTime(race);
  out_ << "on-board shots  " << onboard_ << CountsInBrackets(onboardKinds_) << "\n";
  out_ << "overlay         " << overlayDisplays_ << " displays"
       << CountsInBrackets(displaysByGroup_) << ", " << buttonPackets_ << " button packets\n";
  out_ << "messages        " << messages_.size() << "\n";
  if (race != nullptr && facts.raceRan && !score_.Races().empty()) {
    out_ << DirectionText(score_.Total());
  }
  PrintNotSeen();
  out_.flush();
  return SummaryJson(facts, race);
}

void LiveLog::PrintLinkSummary(const SummaryFacts& facts) {
  out_ << "connection      " << facts.connection << "\n";
  if (facts.keepAliveProbes > 0) {
    out_ << "keep-alive      " << facts.keepAliveAnswered << " of " << facts.keepAliveProbes
         << " probes answered\n";
  }
  if (facts.acksExpected > 0) {
    out_ << "acknowledgements " << facts.acksReceived << " of " << facts.acksExpected
         << " packets acknowledged (" << facts.acksMissing << " missing)\n";
  }
}

void LiveLog::PrintRaceSummary(const SummaryFacts& facts, const Race* race) {
  out_ << "track           " << facts.track << "\n";
  if (facts.pathComplaint) out_ << kIndent << "the director said \"could not load pth file\"\n";
  if (race == nullptr || !facts.raceRan) return;
  const std::vector<int> classified = race->Classification();
  out_ << "race            " << race->Cars().size() << " cars, " << race->Laps() << " laps, "
       << overtakes_ << " overtakes, " << pitStops_ << " pit stops, " << mistakes_ << " mistakes\n";
  if (!classified.empty()) {
    out_ << "winner          " << CarName(*race, classified.front()) << "\n";
  }
}

void LiveLog::PrintScreenTime(const Race* race) {
  if (directedMs_ == 0) return;
  // Most screen time first; equal times by player id.
  std::vector<std::pair<std::uint32_t, std::uint8_t>> shown;
  for (const auto& [plid, ms] : screenMs_) shown.push_back({ms, plid});
  std::sort(shown.begin(), shown.end(), [](auto& a, auto& b) {
    return a.first > b.first || (a.first == b.first && a.second < b.second);
  });
  out_ << "screen time     ";
  int column = 0;
  for (const auto& [ms, plid] : shown) {
    if (column > 0 && column % kScreenTimeColumns == 0) out_ << "\n" << kIndent;
    ++column;
    out_ << PlayerName(race, plid) << " " << Percent(ms, directedMs_) << "   ";
  }
  if (noCarMs_ > 0) {
    out_ << "\n" << kIndent << "no car in the picture " << Percent(noCarMs_, directedMs_);
  }
  out_ << "\n";
}

std::string LiveLog::PlayerName(const Race* race, std::uint8_t plid) const {
  if (race != nullptr) {
    for (const Car& c : race->Cars()) {
      if (c.plid == plid) return "#" + std::to_string(plid) + " " + StripColours(c.driver.name);
    }
  }
  return "#" + std::to_string(plid);
}

void LiveLog::PrintNotSeen() {
  std::vector<std::string> missing;
  if (cuts_ == 0) missing.push_back("camera direction (no camera packet from the director)");
  if (onboard_ == 0) {
    missing.push_back(cuts_ == 0 ? "on-board shots"
                                 : "on-board shots (the director goes on board after six camera "
                                   "changes on the same car; no car held its focus that long)");
  }
  if (buttonPackets_ == 0) missing.push_back("the overlay (no buttons)");
  bool activated = false;
  for (const std::string& m : messages_) {
    activated = activated || m.find(": active") != std::string::npos;
  }
  if (!activated) missing.push_back("activation (the director never said \"active\")");
  if (missing.empty()) return;
  out_ << "not seen        ";
  for (std::size_t i = 0; i < missing.size(); ++i) {
    out_ << (i == 0 ? "" : std::string("\n") + kIndent) << missing[i];
  }
  out_ << "\n";
}

std::string LiveLog::SummaryJson(const SummaryFacts& facts, const Race* race) const {
  std::string json = JsonMember("cuts", cuts_);
  json += JsonMember("cars_shown", static_cast<long long>(screenMs_.size()));
  json += JsonMember("directed_ms", directedMs_);
  json += ",\"screen_ms\":{";
  bool first = true;
  for (const auto& [plid, ms] : screenMs_) {
    json += (first ? "\"" : ",\"") + std::to_string(plid) + "\":" + std::to_string(ms);
    first = false;
  }
  json += "}";
  json += JsonMember("onboard", onboard_);
  json += JsonMember("overlay_displays", overlayDisplays_);
  json += JsonMember("button_packets", buttonPackets_);
  json += JsonMember("messages", static_cast<long long>(messages_.size()));
  json += JsonMember("overtakes", overtakes_);
  json += JsonMember("pit_stops", pitStops_);
  json += JsonMember("keepalive_probes", facts.keepAliveProbes);
  json += JsonMember("keepalive_answered", facts.keepAliveAnswered);
  json += JsonMember("acks_expected", facts.acksExpected);
  json += JsonMember("acks_received", facts.acksReceived);
  json += JsonMember("acks_missing", facts.acksMissing);
  json += std::string(",\"path_complaint\":") + (facts.pathComplaint ? "true" : "false");
  if (race == nullptr) return json;
  if (facts.raceRan && !score_.Races().empty()) {
    json += ",\"direction\":{" + DirectionJson(score_.Total()).substr(1) + "}";
    json += ",\"direction_races\":[";
    for (std::size_t i = 0; i < score_.Races().size(); ++i) {
      json += (i == 0 ? "{" : ",{") + DirectionJson(score_.Races()[i]).substr(1) + "}";
    }
    json += "]";
  }
  json += ",\"results\":[";
  const std::vector<int> classified = race->Classification();
  for (std::size_t i = 0; i < classified.size(); ++i) {
    json += (i == 0 ? "" : ",") +
            std::to_string(race->Cars()[static_cast<std::size_t>(classified[i])].plid);
  }
  return json + "]";
}

}  // namespace racesim
