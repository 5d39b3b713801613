// What the web view shows at one moment: the standings, the cars on the map, the live shot with
// its reason, the race clock and the live camera. Plain data of fixed size, filled on the InSim
// thread from the race state after every set of car positions and copied to the web thread as a
// whole (snapshot_box.h), so the web thread never touches the director's own state.
//
// Standings: the finishers in result order, then the cars still racing in the simulator's race
// position (or by distance where it has none yet). Gaps and intervals come from the times at the
// lap line (WebTiming); they are unknown (-1) until both cars have crossed it on the same lap.
// Positions are metres in the simulator's world, headings radians (0 along world Y).
#pragma once

#include <cstdint>

#include "director/engine/shot_reason.h"
#include "director/insim/race_state.h"
#include "director/insim/state_report.h"

namespace director {

class TrackPath;
struct DirectorState;

inline constexpr int kWebNameSize = kPlayerNameSize + 1;
inline constexpr std::int32_t kWebUnknown = -1;

enum class WebView : std::uint8_t { kNone, kCamera, kOnboard };

struct WebRow {
  std::uint8_t plid = 0;
  char name[kWebNameSize] = {};  // colour codes included
  char car[kCarNameSize + 1] = {};
  std::uint16_t laps = 0;
  std::uint8_t stops = 0;
  std::int32_t gapMs = kWebUnknown;       // behind the leader
  std::int32_t intervalMs = kWebUnknown;  // behind the car ahead
  std::uint16_t lapsDown = 0;
  bool pitLane = false;
  bool followed = false;
  bool finished = false;
};

struct WebCar {
  std::uint8_t plid = 0;
  float x = 0, y = 0;
  float heading = 0;
  bool followed = false;
};

struct WebShot {
  std::int32_t plid = -1;  // -1: no car
  WebView view = WebView::kNone;
  std::int32_t camera = -1;  // index of the live camera, -1 on board or none
  char reason[kShotReasonSize] = {};
};

struct WebCamera {
  bool live = false;
  float x = 0, y = 0;
  std::uint16_t from = 0, to = 0;  // the path nodes it covers
};

struct WebClock {
  std::int64_t raceTimeMs = kWebUnknown;
  std::uint16_t lapsTotal = 0;  // 0: not a race with laps
  std::int32_t lapsLeft = kWebUnknown;
  bool finished = false;
};

struct WebSnapshot {
  std::uint64_t seq = 0;      // set by the box on publication
  std::int64_t stampMs = 0;   // wall clock when the position set arrived, ms since 1970
  bool connected = false;
  char trackName[kTrackNameSize + 1] = {};
  std::uint32_t trackVersion = 0;  // set by the box: the published track's version
  WebClock clock;
  WebShot shot;
  WebCamera camera;
  bool fromResults = false;  // at least one finisher is listed from the results
  std::uint16_t rowCount = 0;
  WebRow rows[kMaxRaceOrder];
  std::uint16_t carCount = 0;
  WebCar cars[kMaxRaceOrder];
};

// The director's side of a snapshot as it is taken.
struct WebSources {
  const RaceState& race;
  const StateReport& state;
  const DirectorState& director;
  const TrackPath* track;  // null: no path loaded
  bool directorActive;
  bool onboard;  // the director's last shot was an on-board view
};

}  // namespace director
