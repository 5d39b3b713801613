#include "director/insim/race_state.h"

#include <cstdio>
#include <cstring>

#include "platform/profile.h"
#include "platform/thread.h"

namespace director {

namespace {

constexpr std::uint8_t kResultRejected = CONF_PENALTY_DT | CONF_PENALTY_SG | CONF_DID_NOT_PIT;
constexpr char kAliasSection[] = "AliasNames";

}  // namespace

bool RaceOrder::Append(std::uint8_t plid) {
  if (count >= kMaxRaceOrder) return false;
  ids[count++] = plid;
  return true;
}

const char* AliasTable::Find(const char* name) const {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (std::strcmp(it->nickname, name) == 0) return it->realName;
  }
  return nullptr;
}

void ColourStrip(char* text) {
  char* p = std::strchr(text, '^');
  while (p != nullptr) {
    const std::size_t remove = p[1] == '\0' ? 1 : 2;
    std::memmove(p, p + remove, std::strlen(p + remove) + 1);
    p = std::strchr(p, '^');
  }
}

void DisplayName(const PlayerRecord& record, bool withStops, char* out, std::size_t size) {
  if (size == 0) return;
  char name[kPlayerNameSize + 1];
  std::memcpy(name, record.name, sizeof(name));
  ColourStrip(name);
  if (withStops) {
    std::snprintf(out, size, "%s (%d)", name, static_cast<int>(record.stopCount));
  } else {
    std::snprintf(out, size, "%s", name);
  }
}

void RaceTracker::CameraPosition(const CameraPositionRecord& camera) {
  if (camera.x != race_.viewPosition.x || camera.y != race_.viewPosition.y) {
    gui_.ViewPos(camera.x, camera.y);
  }
  race_.viewPosition = {camera.x, camera.y, camera.z};
}

void RaceTracker::PostLabel(std::uint8_t plid, bool withStops) {
  if (!gui_.On()) return;
  char label[kPlayerNameSize + 16];
  DisplayName(race_.players[plid], withStops, label, sizeof(label));
  gui_.PlayerLabel(plid, label);
}

void RaceTracker::NewPlayerV4(const NewPlayerPacket& player) {
  char name[kPlayerNameSize + 1];
  std::memcpy(name, player.name, sizeof(name));
  if (const char* real = race_.aliases.Find(name)) {
    std::snprintf(name, sizeof(name), "%s", real);
  }
  PlayerRecord& record = race_.players[player.plid];
  if (std::strcmp(record.name, name) == 0 && std::strcmp(record.carName, player.car) == 0) return;
  std::memcpy(record.name, name, sizeof(record.name));
  std::memcpy(record.carName, player.car, sizeof(record.carName));
  record.playerFlags = player.playerFlags;
  PostLabel(player.plid, record.stopCount != 0);
}

void RaceTracker::NewPlayerV3(InsimLink& link, const NewPlayerPacketV3& player) {
  PlayerRecord& record = race_.players[player.plid];
  if (std::strcmp(record.name, player.name) != 0) {
    std::memcpy(record.name, player.name, sizeof(record.name));
    PostLabel(player.plid, false);
  }
  SendRequest(link, kV3NPL, static_cast<std::uint32_t>(player.index) + 1);
}

void RaceTracker::LapV4(const LapDone& lap) {
  UpdateStops(lap.plid, lap.stops);
  UpdateRaceTime(lap.elapsed);
  PlayerRecord& record = race_.players[lap.plid];
  record.lapsDone = lap.lapsDone;
  record.totalTime = lap.elapsed;
  if (lap.lapTime < record.bestLap) record.bestLap = lap.lapTime;
  race_.standingsChanged = 1;
}

void RaceTracker::LapV3(const LapDoneV3& lap) {
  std::memcpy(race_.players[lap.plid].v3Lap, lap.bytes, kV3LapSize);
}

void RaceTracker::Split(const SplitPassed& split) {
  UpdateStops(split.plid, split.stops);
  UpdateRaceTime(split.elapsed);
}

void RaceTracker::Pit(const PitStop& stop) { UpdateStops(stop.plid, stop.stops); }

void RaceTracker::Result(const ResultPacket& res) {
  const std::uint8_t number = res.resultNum;
  if (number >= kMaxResults || (res.confirm & kResultRejected) != 0) return;
  race_.results.entries[number] = res;
  race_.resultCount = static_cast<std::uint8_t>(number + 1);
}

void RaceTracker::BeginRace() {
  race_.resultCount = 0;
  race_.raceStarted = 1;
  ClearRaceFields();
}

void RaceTracker::FinishRaceStart(InsimLink& link) {
  race_.raceTime.time = 0;
  gui_.PlayerLabelClear();
  gui_.RaceClock(0);
  if (link.version == 3) {
    SendRequest(link, kV3NPL, 0);
  } else {
    SendTiny(link, 1, TINY_NPL);
  }
}

void RaceTracker::ClearRaceFields() {
  for (PlayerRecord& record : race_.players.records) {
    record.name[0] = '\0';
    record.stopCount = 0;
    record.lapFigure = 1;
    record.lapsDone = 0;
    record.bestLap = kNoBestLap;
    record.totalTime = 0;
    record.inPitLane = 0;
  }
}

void RaceTracker::UpdateStops(std::uint8_t plid, std::uint8_t stops) {
  PlayerRecord& record = race_.players[plid];
  if (record.stopCount == stops) return;
  record.stopCount = stops;
  if (race_.stopsChangeCount < 255) ++race_.stopsChangeCount;
  if (record.name[0] != '\0') PostLabel(plid, true);
}

void RaceTracker::UpdateRaceTime(std::uint32_t ms) {
  if (!state_.NormalSpeed()) return;
  race_.raceTime = {ms, clock_.Now()};
  gui_.RaceClock(ms);
}

void RaceTracker::LoadAliasTable(const std::string& programDirectory) {
  ClearAliasTable();
  const std::string file = programDirectory + kAliasFileName;
  const int count = static_cast<int>(plat::ProfileGetInt(kAliasSection, "Number", 0, file.c_str()));
  for (int i = 1; i <= count && i <= kMaxAliases; ++i) {
    char key[32];
    AliasEntry entry;
    std::snprintf(key, sizeof(key), "nickname%d", i);
    plat::ProfileGetString(kAliasSection, key, "", entry.nickname, kAliasTextSize, file.c_str());
    std::snprintf(key, sizeof(key), "realname%d", i);
    plat::ProfileGetString(kAliasSection, key, "", entry.realName, kAliasTextSize, file.c_str());
    if (entry.nickname[0] != '\0' && entry.realName[0] != '\0') {
      race_.aliases.entries.push_back(entry);
    }
  }
}

}  // namespace director
