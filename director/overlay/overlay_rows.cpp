#include "director/overlay/overlay_rows.h"

#include <cstdio>

#include "director/overlay/overlay_text.h"

namespace director {

namespace {

constexpr std::uint8_t kRowHeight = 12;
constexpr std::uint8_t kRowWidth = 80;

// What a row shows besides its position.
struct RowFigures {
  char name[kOverlayNameSize] = {};
  std::int64_t gap = 0;
  int lapsBehind = 0;
  char value[kOverlayTextSize] = {};
};

// False past the results table.
bool ResultFigures(const OverlayPass& p, int i, RowFigures& row) {
  if (i >= kMaxResults) return false;
  const ResultPacket& entry = p.ctx.race.results.entries[i];
  const ResultPacket& winner = p.ctx.race.results.entries[0];
  CutText(row.name, sizeof row.name, entry.playerName, kPlayerNameSize);
  row.gap = std::int64_t{entry.totalTime} - winner.totalTime;
  row.lapsBehind = winner.lapsDone - entry.lapsDone;
  if (i == 0 && p.RaceLaps() > kMaxLapRaceLaps) {
    std::snprintf(row.value, sizeof row.value, "%d Laps  ", winner.lapsDone);
  } else if (i == 0) {
    FormatRaceTime(winner.totalTime, row.value, sizeof row.value);
  }
  return true;
}

void LiveFigures(const OverlayPass& p, int i, RowFigures& row) {
  const OverlaySnapshotRow& shot = p.ov.snapshot[i];
  const PlayerRecord& player = p.Player(shot.plid);
  CutText(row.name, sizeof row.name, player.name, kPlayerNameSize);
  row.gap = std::int64_t{shot.time} - p.ov.snapshot[0].time;
  row.lapsBehind = p.ov.snapshot[0].laps - shot.laps;
  if (p.ov.showStops != 0) {
    const int stops = player.stopCount;
    if (stops == 1) {
      std::snprintf(row.value, sizeof row.value, "1 Stop    ");
    } else {
      std::snprintf(row.value, sizeof row.value, "%d Stops  ", stops);
    }
  } else if (i == 0) {
    std::snprintf(row.value, sizeof row.value, "Lap   %d  ", player.lapsDone + 1);
  }
}

// The value of a row behind the first: laps behind, or the gap.
void BehindText(RowFigures& row) {
  if (row.lapsBehind > 0) {
    std::snprintf(row.value, sizeof row.value, "-%d Lap%s  ", row.lapsBehind,
                  row.lapsBehind == 1 ? "" : "s");
    return;
  }
  // A car can only be behind; a figure that says otherwise shows as level.
  char time[24];
  FormatRaceTime(row.gap > 0 ? static_cast<std::uint32_t>(row.gap) : 0, time, sizeof time);
  std::snprintf(row.value, sizeof row.value, "+%s", time);
}

void DrawSlot(const OverlayPass& p, int slot, int position, char* name, const char* value) {
  if (slot == 0) {
    for (int id = kFirstRowNameButton + 1; id < kFirstRowValueButton; ++id) p.Remove(id);
    for (int id = kFirstRowValueButton + 1; id < kFirstRowValueButton + kRowsPerPage; ++id) {
      p.Remove(id);
    }
  }
  StripColourDigits(name);
  char text[kOverlayTextSize];
  std::snprintf(text, sizeof text, "  ^%c%d.  ^7%s", position == 1 ? '1' : '3', position, name);
  const auto left = static_cast<std::uint8_t>(slot < 4 ? 15 : 105);
  const auto top = static_cast<std::uint8_t>(151 + kRowHeight * (slot % 4));
  p.Button(text, static_cast<std::uint8_t>(kFirstRowNameButton + slot), kOverlayNameStyle, left,
           top, kRowWidth, kRowHeight);
  p.Button(value, static_cast<std::uint8_t>(kFirstRowValueButton + slot),
           static_cast<std::uint8_t>((p.ctx.colour & 7) | kButtonRight), left, top, kRowWidth,
           kRowHeight);
}

}  // namespace

void DrawRow(OverlayPass& p, int i) {
  if (i < p.ov.pageStart || i >= p.ov.pageStart + kRowsPerPage) return;
  const int slot = i - p.ov.pageStart;
  p.ov.rowTicks[slot] = p.now;
  const bool results = p.ctx.race.resultCount > 0;
  RowFigures row;
  if (results) {
    if (!ResultFigures(p, i, row)) return;
  } else {
    LiveFigures(p, i, row);
  }
  if (i != 0 && (results || p.ov.showStops == 0)) BehindText(row);
  DrawSlot(p, slot, i + 1, row.name, row.value);
}

void RemoveAllRows(const OverlayPass& p) {
  for (int id = kFirstRowNameButton; id < kFirstRowValueButton + kRowsPerPage; ++id) {
    p.Remove(id);
  }
}

}  // namespace director
