#include "director/overlay/overlay_standings.h"

#include <cstring>
#include <utility>

namespace director {

namespace {

// Lap positions further than this past the leader's belong to cars the leader is lapping.
constexpr int kLapPositionSlack = 5;
// The first eight cars within this many nodes come over the line in a bunch: their standings
// can be built row by row as they cross.
constexpr std::uint32_t kBunchNodes = 100;
constexpr std::uint32_t kHalfBunchNodes = 50;
constexpr std::uint8_t kMaxEarlyShows = 3;

enum class Begin { kNo, kYes, kSnapshot };

bool BeginResults(OverlayPass& p) {
  p.ov.fullSnapshot = 0;
  p.ctx.race.stopsChangeCount = 0;
  p.ov.showStops = 0;
  p.ov.earlyShows = 0;
  p.ov.showingResults = 1;
  return true;
}

// Whether the leader of the standings has a lap to show: one not shown yet, and complete in all
// figures of both him and the first car of raceOrder.
bool LeaderLapToShow(const OverlayPass& p) {
  const std::uint8_t a = p.ov.standingsOrder[0];
  const PlayerRecord& leader = p.Player(a);
  const int laps = leader.lapsDone;
  const OverlaySnapshotRow& shown = p.ov.snapshot[0];
  if (a == shown.plid && laps == shown.laps && leader.totalTime == shown.time) return false;
  const PlayerRecord& first = p.Player(p.Order().ids[0]);
  return first.lapsDone == laps && first.lapFigure == laps + 1 && leader.lapFigure == laps + 1;
}

// A bunch at the line is shown progressively, a few times in a row, while no stops changed.
Begin BeginInBunch(OverlayPass& p) {
  const RaceOrder& order = p.Order();
  const std::uint8_t f = order.ids[0];
  const PlayerRecord& first = p.Player(f);
  const int lastOfBunch = order.count - 1 < kRowsPerPage - 1 ? order.count - 1 : kRowsPerPage - 1;
  const PlayerRecord& eighth = p.Player(order.ids[lastOfBunch]);
  const std::uint32_t spread = first.raceDistance - eighth.raceDistance;
  if (spread >= kBunchNodes) return Begin::kSnapshot;
  if (spread >= kHalfBunchNodes && eighth.lapsDone != first.lapsDone) return Begin::kNo;
  const bool fewStops = p.ctx.race.stopsChangeCount <= 1;
  if (p.ov.fullSnapshot != 0) {
    if (!fewStops) return Begin::kSnapshot;
    p.ov.snapshot[0] = {f, static_cast<std::uint16_t>(first.lapsDone), first.totalTime};
    p.ov.fullSnapshot = 0;
    return Begin::kNo;
  }
  if (!fewStops || p.ov.earlyShows >= kMaxEarlyShows) return Begin::kSnapshot;
  ++p.ov.earlyShows;
  p.ov.showStops = 0;
  p.ov.fullSnapshot = 0;
  p.ov.showingResults = 0;
  return Begin::kYes;
}

// Whether every car at the line has its lap reported, so a complete snapshot can be taken.
bool LapReportsComplete(const OverlayPass& p) {
  const RaceOrder& order = p.Order();
  const std::uint8_t f = order.ids[0];
  const int laps = p.Player(f).lapsDone;
  const int leaderPosition = p.Player(f).lapPosition;
  for (int i = 0; i < order.count; ++i) {
    if (order.ids[i] == f) continue;
    const PlayerRecord& x = p.Player(order.ids[i]);
    const bool atLeadersLap = x.lapFigure == laps || x.lapsDone + 1 == laps;
    if (atLeadersLap && x.lapPosition > leaderPosition + kLapPositionSlack) return false;
    if (x.lapFigure == laps + 1 && x.lapsDone + 1 == laps) return false;
  }
  return true;
}

// Mode A: every car's figures at once; a car further round its lap than the leader is counted
// a lap further on.
bool TakeSnapshot(OverlayPass& p) {
  const RaceOrder& order = p.Order();
  const int leaderPosition = p.Player(order.ids[0]).lapPosition;
  for (int i = 0; i < order.count; ++i) {
    TakeRow(p, i);
    if (p.Player(p.ov.standingsOrder[i]).lapPosition > leaderPosition + kLapPositionSlack) {
      ++p.ov.snapshot[i].laps;
    }
  }
  p.ov.snapshotRows = order.count;
  if (p.ov.showStops != 0) {
    p.ov.showStops = 0;
  } else if (p.ctx.race.stopsChangeCount > 1) {
    p.ov.showStops = 1;
    p.ctx.race.stopsChangeCount = 0;
  }
  p.ov.fullSnapshot = 1;
  p.ov.earlyShows = 0;
  p.ov.showingResults = 0;
  return true;
}

}  // namespace

bool NeedsSort(const OverlayPass& p) {
  return p.ctx.race.standingsChanged != 0 ||
         (p.ov.standingsCount != 0 && p.ov.standingsCount != p.Order().count);
}

void SortStandings(OverlayPass& p) {
  const int count = p.Order().count;
  std::uint8_t* ids = p.ov.standingsOrder;
  std::memcpy(ids, p.Order().ids, static_cast<std::size_t>(count));
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (int i = 0; i + 1 < count; ++i) {
      const PlayerRecord& a = p.Player(ids[i]);
      const PlayerRecord& b = p.Player(ids[i + 1]);
      if (a.lapsDone < b.lapsDone || (a.lapsDone == b.lapsDone && a.totalTime > b.totalTime)) {
        std::swap(ids[i], ids[i + 1]);
        swapped = true;
      }
    }
  }
  p.ov.standingsCount = static_cast<std::uint16_t>(count);
  p.ctx.race.standingsChanged = 0;
}

void TakeRow(OverlayPass& p, int i) {
  const std::uint8_t plid = p.ov.standingsOrder[i];
  p.ov.snapshot[i] = {plid, p.Player(plid).lapsDone, p.Player(plid).totalTime};
}

bool StartStandings(OverlayPass& p) {
  if (!p.InRace()) return false;
  if (p.ctx.race.resultCount > 0) return BeginResults(p);
  if (p.Order().count < 2 || p.ov.finalPhase != 0) return false;
  if (NeedsSort(p)) SortStandings(p);
  if (!LeaderLapToShow(p)) return false;
  const Begin bunch = BeginInBunch(p);
  if (bunch != Begin::kSnapshot) return bunch == Begin::kYes;
  return LapReportsComplete(p) && TakeSnapshot(p);
}

void ClearStandings(OverlayPass& p) {
  for (OverlaySnapshotRow& row : p.ov.snapshot) row = OverlaySnapshotRow{};
  std::memset(p.ov.standingsOrder, 0, sizeof p.ov.standingsOrder);
  p.ov.standingsCount = 0;
  p.ov.snapshotRows = 0;
  p.ov.rowsDone = 0;
  p.ov.fullSnapshot = 0;
  p.ov.showStops = 0;
  p.ov.earlyShows = 0;
  p.ov.showingResults = 0;
  p.ctx.race.stopsChangeCount = 0;
  p.ctx.race.standingsChanged = 0;
}

}  // namespace director
