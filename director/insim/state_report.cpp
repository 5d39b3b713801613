#include "director/insim/state_report.h"

#include <bit>
#include <cstring>

#include "platform/bytes.h"

namespace director {

StateReport ReadStateReport(const std::uint8_t* sta, std::uint8_t version) {
  StateReport s;
  std::memcpy(s.raw, sta, sizeof(s.raw));
  s.replaySpeed = std::bit_cast<float>(plat::GetU32(sta + 4));
  s.flags = plat::GetU16(sta + 8);
  s.inGameCam = sta[10];
  s.viewPlid = sta[11];
  s.numPlayers = sta[12];
  s.numConnections = sta[13];
  s.numFinished = sta[14];
  s.raceInProgress = sta[15];
  s.qualifyingMinutes = sta[16];
  s.raceLaps = sta[17];
  std::memcpy(s.track, sta + 20, kTrackNameSize);
  s.track[kTrackNameSize] = '\0';
  s.weather = sta[26];
  s.wind = sta[27];
  s.untimed = version == kInsimV10 && s.raceLaps == kV10RaceLapsUntimed;
  return s;
}

}  // namespace director
