#include "web/web_take.h"

#include <algorithm>
#include <cstring>

#include "director/engine/director_math.h"
#include "director/engine/director_state.h"
#include "director/engine/track_path.h"

namespace director {

namespace {

constexpr float kHeadingToRadians = 6.283185307f / 65536.0f;
constexpr std::uint8_t kTimedRaceStart = 191;

void CopyText(char* out, std::size_t size, const char* text) {
  const std::size_t n = strnlen(text, size - 1);
  std::memcpy(out, text, n);
  out[n] = '\0';
}

bool ValidCar(std::int32_t plid) { return plid > 0 && plid < kPlayerCount; }

bool Listed(const WebSnapshot& s, std::uint8_t plid) {
  for (int i = 0; i < s.rowCount; ++i)
    if (s.rows[i].plid == plid) return true;
  return false;
}

// The finishers in result order, each with its gap to the winner from the results.
void AddFinishers(const RaceState& race, WebSnapshot* out) {
  const ResultPacket* winner = nullptr;
  for (int n = 0; n < race.resultCount && n < kMaxResults; ++n) {
    const ResultPacket& res = race.results.entries[n];
    if (res.plid == 0 || Listed(*out, res.plid)) continue;
    if (winner == nullptr) winner = &res;
    WebRow& row = out->rows[out->rowCount++];
    row.plid = res.plid;
    CopyText(row.name, sizeof row.name, res.playerName);
    CopyText(row.car, sizeof row.car, res.car);
    row.laps = res.lapsDone;
    row.stops = res.numStops;
    row.finished = true;
    if (res.lapsDone < winner->lapsDone) {
      row.lapsDown = static_cast<std::uint16_t>(winner->lapsDone - res.lapsDone);
    } else {
      row.gapMs = static_cast<std::int32_t>(res.totalTime - winner->totalTime);
    }
  }
  out->fromResults = out->rowCount > 0;
}

// The simulator's race position first (0, not known yet, last), then the distance run.
bool RunsAhead(const PlayerTable& players, std::uint8_t a, std::uint8_t b) {
  const std::uint8_t pa = players[a].carSample.position, pb = players[b].carSample.position;
  if (pa != pb) return pb == 0 || (pa != 0 && pa < pb);
  if (players[a].raceDistance != players[b].raceDistance)
    return players[a].raceDistance > players[b].raceDistance;
  return a < b;
}

void AddRacing(const RaceState& race, const WebTiming& timing, WebSnapshot* out) {
  std::uint8_t ids[kMaxRaceOrder];
  int count = 0;
  for (int i = 0; i < race.raceOrder.count; ++i)
    if (!Listed(*out, race.raceOrder.ids[i])) ids[count++] = race.raceOrder.ids[i];
  std::sort(ids, ids + count,
            [&](std::uint8_t a, std::uint8_t b) { return RunsAhead(race.players, a, b); });
  for (int i = 0; i < count && out->rowCount < kMaxRaceOrder; ++i) {
    const PlayerRecord& record = race.players[ids[i]];
    WebRow& row = out->rows[out->rowCount++];
    row.plid = ids[i];
    CopyText(row.name, sizeof row.name, record.name);
    CopyText(row.car, sizeof row.car, record.carName);
    row.laps = record.lapsDone;
    row.stops = record.stopCount;
    row.pitLane = record.inPitLane != 0;
  }
  if (out->rowCount == 0) return;
  const std::uint8_t leader = out->rows[0].plid;
  for (int i = out->rowCount - count; i < out->rowCount; ++i) {
    WebRow& row = out->rows[i];
    if (i == 0) continue;
    if (!timing.Gap(leader, row.plid, &row.gapMs, &row.lapsDown)) row.gapMs = kWebUnknown;
    if (row.lapsDown != 0) row.gapMs = kWebUnknown;
  }
}

// The interval is the difference of two gaps at the same lap line: only between cars that are
// not laps down.
void FillIntervals(WebSnapshot* out) {
  for (int i = 1; i < out->rowCount; ++i) {
    const WebRow& ahead = out->rows[i - 1];
    WebRow& row = out->rows[i];
    const std::int32_t aheadGap = i == 1 ? 0 : ahead.gapMs;
    if (row.gapMs >= 0 && aheadGap >= 0 && row.lapsDown == 0 && ahead.lapsDown == 0 &&
        row.laps == ahead.laps)
      row.intervalMs = row.gapMs - aheadGap;
  }
}

void AddCars(const RaceState& race, std::int32_t followed, WebSnapshot* out) {
  for (int i = 0; i < race.raceOrder.count; ++i) {
    const std::uint8_t plid = race.raceOrder.ids[i];
    const CompCar& sample = race.players[plid].carSample;
    WebCar& car = out->cars[out->carCount++];
    car.plid = plid;
    car.x = static_cast<float>(sample.x / kWorldUnitsPerMetre);
    car.y = static_cast<float>(sample.y / kWorldUnitsPerMetre);
    car.heading = static_cast<float>(sample.heading) * kHeadingToRadians;
    car.followed = plid == followed;
  }
}

void AddShot(const WebSources& src, WebSnapshot* out) {
  WebShot& shot = out->shot;
  if (!src.directorActive || !ValidCar(src.director.followedCar)) {
    shot.plid = src.state.viewPlid != 0 ? src.state.viewPlid : -1;
    return;
  }
  shot.plid = src.director.followedCar;
  CopyText(shot.reason, sizeof shot.reason, src.director.reason.text);
  const int live = src.director.liveCamera;
  if (src.onboard || src.track == nullptr || live < 0 || live >= src.track->cameras.count) {
    shot.view = WebView::kOnboard;
    return;
  }
  shot.view = WebView::kCamera;
  shot.camera = live;
  const CameraPosition& cam = src.track->cameras.cameras[live];
  out->camera.live = true;
  out->camera.x = static_cast<float>(cam.x / kWorldUnitsPerMetre);
  out->camera.y = static_cast<float>(cam.y / kWorldUnitsPerMetre);
  out->camera.from = cam.rangeStart;
  out->camera.to = cam.rangeEnd;
}

void AddClock(const WebSources& src, std::int64_t raceNowMs, WebSnapshot* out) {
  WebClock& clock = out->clock;
  clock.raceTimeMs = raceNowMs;
  clock.lapsTotal = RaceLapCount(src.state.raceLaps, src.state.untimed);
  if (clock.lapsTotal == 0 || out->rowCount == 0) return;
  const int done = out->rows[0].laps;
  clock.lapsLeft = done >= clock.lapsTotal ? 0 : clock.lapsTotal - done;
  clock.finished = out->fromResults;
}

}  // namespace

std::uint16_t RaceLapCount(std::uint8_t raceLaps, bool untimed) {
  if (untimed || raceLaps >= kTimedRaceStart) return 0;
  if (raceLaps < 100) return raceLaps;
  return static_cast<std::uint16_t>((raceLaps - 100) * 10 + 100);
}

void TakeWebSnapshot(const WebSources& src, std::int64_t raceNowMs, std::int64_t stampMs,
                     WebTiming& timing, WebSnapshot* out) {
  const std::uint64_t seq = out->seq;
  const std::uint32_t trackVersion = out->trackVersion;
  *out = WebSnapshot{};
  out->seq = seq;
  out->trackVersion = trackVersion;
  out->stampMs = stampMs;
  out->connected = true;
  CopyText(out->trackName, sizeof out->trackName, src.state.track);
  timing.Update(src.race.players, src.race.raceOrder);
  AddFinishers(src.race, out);
  AddRacing(src.race, timing, out);
  FillIntervals(out);
  AddShot(src, out);
  AddCars(src.race, out->shot.plid, out);
  for (int i = 0; i < out->rowCount; ++i) out->rows[i].followed = out->rows[i].plid == out->shot.plid;
  AddClock(src, raceNowMs, out);
}

}  // namespace director
