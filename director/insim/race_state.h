// What the director knows about the race, built from the simulator's packets.
//
// RaceState holds the PlayerTable (256 PlayerRecords indexed by player id, alive for the whole
// program run), raceOrder (the cars on track in order of their first position report; the
// director sorts it later), the ResultTable, the RaceTime, the simulator's camera position and the
// flags the overlay and the edit mode read. RaceTracker holds the handlers of the race packets of
// both InSim versions and the operations on that state; it tells the GUI client about names
// (GLM_PLAYER_LABEL), the simulator's camera (GLM_VIEW_POS) and the race clock (GLM_RACE_CLOCK)
// through a GuiPost, so nothing is queued while GUI access is off. Everything runs on the InSim
// thread; handlers are given packets in buffers that hold at least the packet's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "director/insim/packets.h"
#include "link/gui_post.h"

namespace plat {
class Clock;
}

namespace director {

inline constexpr int kPlayerCount = 256;
inline constexpr int kPlayerNameSize = 24;
inline constexpr int kCarNameSize = 4;
inline constexpr int kDistanceHistorySize = 16;
inline constexpr std::uint32_t kNoBestLap = 0xFFFFFFFFu;
inline constexpr int kMaxResults = 40;
inline constexpr int kMaxRaceOrder = 255;
inline constexpr int kAliasTextSize = 24;  // nickname and replacement name: 23 characters read
// "Number" in "alias.ini" is bounded, so a mistyped count cannot keep the InSim thread reading
// the file for hours; a race grid never needs more.
inline constexpr int kMaxAliases = 1000;
inline constexpr char kAliasFileName[] = "alias.ini";
inline constexpr char kStopSuffixFormat[] = " (%d)";

// One player slot. The director's fields (car sample to interest) are kept by the car progress
// update and the director cycle; the rest by the race handlers.
class PlayerRecord {
 public:
  virtual ~PlayerRecord() = default;

  char name[kPlayerNameSize + 1] = {};  // colour codes included; empty: no player known
  char carName[kCarNameSize + 1] = {};
  std::uint16_t playerFlags = 0;
  std::uint8_t v3Lap[kV3LapSize] = {};  // the last version 3 "LAP" packet, whole

  CompCar carSample;
  CompCar previousSample;
  std::uint16_t node = 0;
  std::uint16_t lapPosition = 0;
  std::int32_t lapFigure = 1;
  std::uint32_t raceDistance = 0;

  std::uint8_t stopCount = 0;
  std::uint16_t lapsDone = 0;
  std::uint32_t totalTime = 0;
  std::uint32_t bestLap = kNoBestLap;

  std::uint32_t distanceHistory[kDistanceHistorySize] = {};
  std::uint8_t historyIndex = 0;
  std::int32_t predictedX = 0, predictedY = 0, predictedZ = 0;
  std::uint32_t interest = 0;

  std::uint8_t inPitLane = 0;  // between IS_PLA's entry and exit (versions 4 and 10)
  std::uint8_t updated = 0;    // a car sample arrived since the director's last cycle
  std::uint8_t listed = 0;     // the player id is in raceOrder
};

struct PlayerTable {
  PlayerRecord records[kPlayerCount];

  PlayerRecord& operator[](std::uint8_t plid) { return records[plid]; }
  const PlayerRecord& operator[](std::uint8_t plid) const { return records[plid]; }
};

// The player ids of the cars on track. The race handlers append; the director cleans and sorts.
struct RaceOrder {
  std::uint8_t ids[kMaxRaceOrder] = {};
  std::uint8_t count = 0;

  // False when all 255 places are taken (the car is then left unlisted and tried again later).
  bool Append(std::uint8_t plid);
};

struct ResultTable {
  ResultPacket entries[kMaxResults];  // by ResultNum
};

struct RaceTime {
  std::uint32_t time = 0;  // ms; 0: no race time
  std::uint32_t tick = 0;  // when it was taken
};

struct SimCameraPosition {
  std::int32_t x = 0, y = 0, z = 0;
};

struct AliasEntry {
  char nickname[kAliasTextSize + 1] = {};
  char realName[kAliasTextSize + 1] = {};
};

// Nickname -> replacement name, loaded from "alias.ini" for one connection attempt. The entry
// read last is looked at first.
struct AliasTable {
  std::vector<AliasEntry> entries;

  // The replacement of the first entry whose nickname equals name exactly, or null.
  const char* Find(const char* name) const;
};

struct RaceState {
  PlayerTable players;
  RaceOrder raceOrder;
  ResultTable results;
  std::uint8_t resultCount = 0;
  RaceTime raceTime;
  std::uint8_t standingsChanged = 0;
  std::uint8_t stopsChangeCount = 0;
  SimCameraPosition viewPosition;
  std::uint8_t raceStarted = 0;
  AliasTable aliases;
};

// Removes every colour code (a "^" and the character after it) in place; a "^" at the very end
// goes alone.
void ColourStrip(char* text);

// The player's name without colour codes, with " (n)" for n stops when withStops is set; cut to
// size - 1 characters.
void DisplayName(const PlayerRecord& record, bool withStops, char* out, std::size_t size);

class RaceTracker {
 public:
  RaceTracker(RaceState& race, const StateReport& state, glink::GuiPost& gui, plat::Clock& clock)
      : race_(race), state_(state), gui_(gui), clock_(clock) {}

  // Keeps where the simulator's camera stands.
  void CameraPosition(const CameraPositionRecord& camera);
  void NewPlayerV4(const NewPlayerPacket& player);
  // Also asks for the next player, so a walk that starts at index 0 visits every player.
  void NewPlayerV3(InsimLink& link, const NewPlayerPacketV3& player);
  void LapV4(const LapDone& lap);
  void LapV3(const LapDoneV3& lap);
  void Split(const SplitPassed& split);
  void Pit(const PitStop& stop);
  void PitLane(const PitLaneChange& change) {
    race_.players[change.plid].inPitLane = change.inPitLane() ? 1 : 0;
  }
  void Result(const ResultPacket& res);

  // A race start, in two halves around the director's own reset (followed car, overlay):
  // BeginRace clears ResultCount and the race fields and sets the race-started flag;
  // FinishRaceStart zeroes the race time, clears the GUI's labels and clock and asks the
  // simulator for every player.
  void BeginRace();
  void FinishRaceStart(InsimLink& link);

  // For all 256 records: name emptied, stop count 0, lap figure 1, laps done 0, best lap none,
  // total time 0.
  void ClearRaceFields();
  void UpdateStops(std::uint8_t plid, std::uint8_t stops);
  // Taken only at normal speed (not paused, replay speed exactly 1.0).
  void UpdateRaceTime(std::uint32_t ms);

  // "alias.ini" in the program directory, section "AliasNames".
  void LoadAliasTable(const std::string& programDirectory);
  void ClearAliasTable() { race_.aliases.entries.clear(); }

 private:
  void PostLabel(std::uint8_t plid, bool withStops);

  RaceState& race_;
  const StateReport& state_;
  glink::GuiPost& gui_;
  plat::Clock& clock_;
};

}  // namespace director
