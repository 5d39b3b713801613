#include "director/insim/state_report.h"

#include <bit>
#include <cstring>

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kReplaySpeed = 4;
constexpr int kFlags = 8;
constexpr int kInGameCam = 10;
constexpr int kViewPlid = 11;
constexpr int kNumPlayers = 12;
constexpr int kNumConnections = 13;
constexpr int kNumFinished = 14;
constexpr int kRaceInProgress = 15;
constexpr int kQualifyingMinutes = 16;
constexpr int kRaceLaps = 17;
constexpr int kTrack = 20;
constexpr int kWeather = 26;
constexpr int kWind = 27;

}  // namespace

StateReport ReadStateReport(const std::uint8_t* sta, std::uint8_t version) {
  StateReport s;
  std::memcpy(s.raw, sta, sizeof(s.raw));
  s.replaySpeed = std::bit_cast<float>(plat::GetU32(sta + kReplaySpeed));
  s.flags = plat::GetU16(sta + kFlags);
  s.inGameCam = sta[kInGameCam];
  s.viewPlid = sta[kViewPlid];
  s.numPlayers = sta[kNumPlayers];
  s.numConnections = sta[kNumConnections];
  s.numFinished = sta[kNumFinished];
  s.raceInProgress = sta[kRaceInProgress];
  s.qualifyingMinutes = sta[kQualifyingMinutes];
  s.raceLaps = sta[kRaceLaps];
  std::memcpy(s.track, sta + kTrack, kTrackNameSize);
  s.track[kTrackNameSize] = '\0';
  s.weather = sta[kWeather];
  s.wind = sta[kWind];
  s.untimed = version == kInsimV10 && s.raceLaps == kV10RaceLapsUntimed;
  return s;
}

}  // namespace director
