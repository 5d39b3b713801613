#include "director/overlay/overlay.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/bytes.h"
#include "platform/thread.h"

namespace director {

namespace {

// Button layout, in the simulator's 200 x 200 button grid.
constexpr std::uint8_t kDark = 32;
constexpr std::uint8_t kLeft = 64;
constexpr std::uint8_t kRight = 128;
constexpr std::uint8_t kProgressStyle = kDark | 3;
constexpr std::uint8_t kPositionStyle = kDark | 1;
constexpr std::uint8_t kNameStyle = kLeft | kDark | 3;
constexpr std::uint8_t kPositionButton = 2;
constexpr std::uint8_t kPositionAgainButton = 3;  // drawn over button 2
constexpr std::uint8_t kDriverNameButton = 4;
constexpr std::uint8_t kFirstNameRow = 5;
constexpr std::uint8_t kFirstValueRow = 13;
constexpr std::uint8_t kRowHeight = 12;
constexpr std::uint8_t kRowWidth = 80;

// Timing of the displays, in ms.
constexpr std::uint32_t kDriverDelay = 3000;  // quiet time after the last announcement
constexpr std::uint32_t kDriverShown = 6000;
constexpr std::uint32_t kPause = 1000;  // between two displays
constexpr std::uint32_t kFirstSlotPage = 9000;
constexpr std::uint32_t kPageStepPerSlot = 1000;
constexpr std::uint32_t kLastPage = 4000;
constexpr std::uint32_t kLastPageHurried = 1000;
constexpr std::uint32_t kLongFirstSlot = 10000;

constexpr int kDriverNameBytes = 30;
constexpr std::uint32_t kNoTime = 0xFFFFFFFFu;
constexpr int kMaxLapRaceLaps = 190;  // above: a race against the clock of RaceLaps - 190 hours
constexpr std::uint32_t kFinalSeconds = 50;
// Lap positions further than this past the leader's belong to cars the leader is lapping.
constexpr int kLapPositionSlack = 5;
// The first eight cars within this many nodes come over the line in a bunch: their standings
// can be built row by row as they cross.
constexpr std::uint32_t kBunchNodes = 100;
constexpr std::uint32_t kHalfBunchNodes = 50;
constexpr std::uint8_t kMaxEarlyShows = 3;

void CopyCut(char* out, std::size_t size, const char* text, std::size_t maxChars) {
  std::size_t n = 0;
  if (text != nullptr) {
    while (n + 1 < size && n < maxChars && text[n] != '\0') ++n;
    std::memcpy(out, text, n);
  }
  out[n] = '\0';
}

// One pass of the overlay over its state and context, at one tick.
class Pass {
 public:
  Pass(OverlayState& s, const OverlayContext& c) : s_(s), c_(c), now_(c.clock.Now()) {}

  void Update() {
    ShowProgress();
    switch (s_.state) {
      case kOverlayIdle:
        if (DriverBoxDue()) {
          ShowDriverBox();
        } else if (StartStandings()) {
          s_.pageStart = 0;
          s_.state = kOverlayStandings;
        }
        break;
      case kOverlayDriverBox:
        if (now_ - s_.driverTick > kDriverShown) {
          RemoveDriverBox();
          s_.driverPosition = 0;
          StartPause();
        }
        break;
      case kOverlayStandings:
        UpdateStandings();
        break;
      case kOverlayPausing:
        if (now_ - s_.pauseStart > kPause) s_.state = kOverlayIdle;
        break;
      case kOverlayStartPause:
        StartPause();
        break;
      case 5:
      case 6:
        break;
      default:
        s_.state = kOverlayIdle;
        break;
    }
  }

  void Reset() {
    if (s_.shownLap != kProgressNotShown) {
      RemoveProgress();
      s_.shownLap = kProgressNotShown;
    }
    if (s_.state == kOverlayDriverBox) RemoveDriverBox();
    if (s_.state == kOverlayStandings) RemoveAllRows();
    s_.driverPosition = 0;
    for (OverlaySnapshotRow& row : s_.snapshot) row = OverlaySnapshotRow{};
    std::memset(s_.standingsOrder, 0, sizeof s_.standingsOrder);
    s_.standingsCount = 0;
    s_.snapshotRows = 0;
    s_.rowsDone = 0;
    s_.state = kOverlayIdle;
    s_.fullSnapshot = 0;
    s_.showStops = 0;
    s_.earlyShows = 0;
    s_.showingResults = 0;
    c_.race.stopsChangeCount = 0;
    c_.race.standingsChanged = 0;
  }

  void Announce(const char* name, std::uint8_t position) {
    s_.driverTick = now_;
    char cut[kOverlayNameSize];
    CopyCut(cut, sizeof cut, name, sizeof cut - 1);
    if (std::strcmp(cut, s_.driverName) != 0 || position == 0) {
      if (s_.state == kOverlayDriverBox) {
        s_.state = kOverlayStartPause;
        RemoveDriverBox();
      }
      std::memcpy(s_.driverName, cut, sizeof cut);
    }
    s_.driverPosition = position;
  }

 private:
  bool InRace() const { return c_.state.RaceWithLaps(); }
  int RaceLaps() const { return c_.state.raceLaps; }
  PlayerRecord& Player(std::uint8_t plid) const { return c_.race.players[plid]; }
  const RaceOrder& Order() const { return c_.race.raceOrder; }
  void Button(const char* text, std::uint8_t id, std::uint8_t style, std::uint8_t left,
              std::uint8_t top, std::uint8_t width, std::uint8_t height) const {
    SendButton(c_.link, text, id, style, left, top, width, height);
  }
  void Remove(std::uint8_t id) const { SendDeleteButton(c_.link, id); }

  void StartPause() {
    s_.pauseStart = now_;
    s_.state = kOverlayPausing;
  }

  // --- Progress box ---

  void RemoveProgress() {
    Remove(kProgressButton);
    s_.shownSeconds = kNoSecondsShown;
  }

  void ShowProgress() {
    if (!InRace()) {
      s_.shownLap = 0;
      RemoveProgress();
      return;
    }
    const std::uint16_t lap =
        Order().count > 0 ? static_cast<std::uint16_t>(Player(Order().ids[0]).lapFigure) : 0;
    if (RaceLaps() > kMaxLapRaceLaps) {
      s_.shownLap = lap;
      ProgressText(lap, 0);
      return;
    }
    if (lap == s_.shownLap) return;
    s_.shownLap = lap;
    ProgressText(lap, RaceLaps() < 100 ? RaceLaps() : RaceLaps() * 10 - 900);
  }

  // total 0: a race against the clock.
  void ProgressText(int lap, int total) {
    if (lap == 0) {
      RemoveProgress();
      return;
    }
    char text[kOverlayTextSize];
    if (total == lap) {
      std::snprintf(text, sizeof text, "last lap");
      s_.finalPhase = 1;
    } else if (total > lap) {
      std::snprintf(text, sizeof text, "%d / %d", total - lap + 1, total);
      s_.finalPhase = 0;
    } else if (total != 0) {
      std::snprintf(text, sizeof text, "finished");
      s_.finalPhase = 1;
    } else if (!ClockText(text, sizeof text)) {
      return;
    }
    Button(text, kProgressButton, kProgressStyle, 87, 5, 26, 12);
  }

  // False when nothing is to be sent.
  bool ClockText(char* text, std::size_t size) {
    const RaceTime& raceTime = c_.race.raceTime;
    if (raceTime.time == 0) {
      // Until the simulator tells the time again; removed once, not on every pass.
      if (s_.shownSeconds != kNoSecondsShown) RemoveProgress();
      return false;
    }
    const std::uint32_t seconds = (now_ - raceTime.tick + raceTime.time) / 1000;
    if (seconds == s_.shownSeconds) return false;
    s_.shownSeconds = seconds;
    const std::uint32_t limit = static_cast<std::uint32_t>(RaceLaps() - kMaxLapRaceLaps) * 3600;
    if (seconds < limit) {
      const std::uint32_t left = limit - seconds;
      std::snprintf(text, size, "%02u:%02u:%02u", static_cast<unsigned>(left / 3600),
                    static_cast<unsigned>(left / 60 % 60), static_cast<unsigned>(left % 60));
      s_.finalPhase = 0;
    } else {
      std::snprintf(text, size, "00:00:00");
    }
    if (c_.race.resultCount != 0) std::snprintf(text, size, "finished");
    if (seconds + kFinalSeconds > limit) s_.finalPhase = 1;
    return true;
  }

  // --- Driver box ---

  bool DriverBoxDue() const {
    return s_.driverPosition != 0 && now_ - s_.driverTick > kDriverDelay;
  }

  void ShowDriverBox() {
    char name[kDriverNameBytes + 1];
    CopyCut(name, sizeof name, s_.driverName, kDriverNameBytes);
    StripColourDigits(name);
    char position[kOverlayTextSize];
    char nameText[kOverlayTextSize];
    std::snprintf(position, sizeof position, "%d", s_.driverPosition);
    std::snprintf(nameText, sizeof nameText, " %s", name);
    Button(position, kPositionButton, kPositionStyle, 10, 178, 12, 12);
    Button(nameText, kDriverNameButton, kNameStyle, 22, 178, 60, 12);
    Button(position, kPositionAgainButton, kPositionStyle, 10, 178, 12, 12);
    s_.driverTick = now_;
    s_.state = kOverlayDriverBox;
  }

  void RemoveDriverBox() {
    Remove(kPositionButton);
    Remove(kPositionAgainButton);
    Remove(kDriverNameButton);
  }

  // --- Standings ---

  // After a lap packet; also when cars joined or left since the last sort, so that the order
  // never holds fewer (or more) cars than the rows that are drawn from it.
  bool NeedsSort() const {
    return c_.race.standingsChanged != 0 ||
           (s_.standingsCount != 0 && s_.standingsCount != Order().count);
  }

  // More laps first; on the same lap the smaller total time.
  void SortStandings() {
    const int count = Order().count;
    std::memcpy(s_.standingsOrder, Order().ids, static_cast<std::size_t>(count));
    bool swapped = true;
    while (swapped) {
      swapped = false;
      for (int i = 0; i + 1 < count; ++i) {
        const PlayerRecord& a = Player(s_.standingsOrder[i]);
        const PlayerRecord& b = Player(s_.standingsOrder[i + 1]);
        if (a.lapsDone < b.lapsDone || (a.lapsDone == b.lapsDone && a.totalTime > b.totalTime)) {
          std::swap(s_.standingsOrder[i], s_.standingsOrder[i + 1]);
          swapped = true;
        }
      }
    }
    s_.standingsCount = static_cast<std::uint16_t>(count);
    c_.race.standingsChanged = 0;
  }

  void TakeRow(int i) {
    const std::uint8_t plid = s_.standingsOrder[i];
    s_.snapshot[i] = {plid, Player(plid).lapsDone, Player(plid).totalTime};
  }

  // Whether a standings display begins (results, progressive or from a complete snapshot).
  bool StartStandings() {
    if (!InRace()) return false;
    RaceState& race = c_.race;
    if (race.resultCount > 0) {
      s_.fullSnapshot = 0;
      race.stopsChangeCount = 0;
      s_.showStops = 0;
      s_.earlyShows = 0;
      s_.showingResults = 1;
      return true;
    }
    const RaceOrder& order = Order();
    if (order.count < 2 || s_.finalPhase != 0) return false;
    if (NeedsSort()) SortStandings();

    // Nothing new since the last snapshot?
    const std::uint8_t a = s_.standingsOrder[0];
    const PlayerRecord& leaderA = Player(a);
    const int laps = leaderA.lapsDone;
    if (a == s_.snapshot[0].plid && laps == s_.snapshot[0].laps &&
        leaderA.totalTime == s_.snapshot[0].time) {
      return false;
    }
    // The leader's lap must be complete in all figures.
    const std::uint8_t f = order.ids[0];
    const PlayerRecord& first = Player(f);
    if (first.lapsDone != laps || first.lapFigure != laps + 1 || leaderA.lapFigure != laps + 1) {
      return false;
    }

    const int kIndex = order.count - 1 < kRowsPerPage - 1 ? order.count - 1 : kRowsPerPage - 1;
    const PlayerRecord& eighth = Player(order.ids[kIndex]);
    const std::uint32_t spread = first.raceDistance - eighth.raceDistance;
    if (spread < kBunchNodes) {
      if (spread >= kHalfBunchNodes && eighth.lapsDone != first.lapsDone) return false;
      if (s_.fullSnapshot != 0) {
        if (race.stopsChangeCount <= 1) {
          s_.snapshot[0] = {f, static_cast<std::uint16_t>(laps), first.totalTime};
          s_.fullSnapshot = 0;
          return false;
        }
      } else if (race.stopsChangeCount <= 1 && s_.earlyShows < kMaxEarlyShows) {
        ++s_.earlyShows;
        s_.showStops = 0;
        s_.fullSnapshot = 0;
        s_.showingResults = 0;
        return true;
      }
    }

    // A complete snapshot, once every car at the line has its lap reported.
    const int leaderPosition = first.lapPosition;
    for (int i = 0; i < order.count; ++i) {
      if (order.ids[i] == f) continue;
      const PlayerRecord& x = Player(order.ids[i]);
      const bool atLeadersLap = x.lapFigure == laps || x.lapsDone + 1 == laps;
      if (atLeadersLap && x.lapPosition > leaderPosition + kLapPositionSlack) return false;
      if (x.lapFigure == laps + 1 && x.lapsDone + 1 == laps) return false;
    }
    for (int i = 0; i < order.count; ++i) {
      TakeRow(i);
      if (Player(s_.standingsOrder[i]).lapPosition > leaderPosition + kLapPositionSlack) {
        ++s_.snapshot[i].laps;
      }
    }
    s_.snapshotRows = order.count;
    if (s_.showStops != 0) {
      s_.showStops = 0;
    } else if (race.stopsChangeCount > 1) {
      s_.showStops = 1;
      race.stopsChangeCount = 0;
    }
    s_.fullSnapshot = 1;
    s_.earlyShows = 0;
    s_.showingResults = 0;
    return true;
  }

  void UpdateStandings() {
    if (NeedsSort()) SortStandings();
    if (c_.race.resultCount > 0) {
      if (s_.showingResults == 0) {
        // Results that arrive during live standings get their own display from the first row.
        RemoveAllRows();
        s_.pageStart = 0;
        s_.rowsDone = 0;
        s_.showingResults = 1;
      }
      ShowResults();
    } else if (s_.showingResults != 0) {
      // The results went away (a new connection): their display ends.
      RemoveAllRows();
      s_.pageStart = 0;
      s_.rowsDone = 0;
      s_.showingResults = 0;
    } else {
      ShowLiveStandings();
    }
    if (s_.rowsDone == 0) StartPause();
  }

  void ShowLiveStandings() {
    if (s_.pageStart % kRowsPerPage != 0) {
      s_.pageStart = static_cast<std::uint8_t>(s_.pageStart + kRowsPerPage - 1);
      DrawPage();
      return;
    }
    if (s_.fullSnapshot == 0) {
      // Progressive: the cars that have finished the leader's lap, one row each as it comes.
      int k = 0;
      while (k < s_.standingsCount &&
             Player(s_.standingsOrder[k]).lapsDone == Player(s_.standingsOrder[0]).lapsDone) {
        ++k;
      }
      if (s_.rowsDone > k) {
        RemoveAllRows();
        s_.pageStart = 0;
        s_.rowsDone = 0;
      }
      // Redrawing the page's first slot clears the rest of the page, which is then redrawn too.
      bool pageCleared = false;
      for (int i = 0; i < s_.rowsDone; ++i) {
        const bool onPage = i >= s_.pageStart && i < s_.pageStart + kRowsPerPage;
        if (s_.snapshot[i].plid == s_.standingsOrder[i] && !(pageCleared && onPage)) continue;
        TakeRow(i);
        DrawRow(i);
        if (i == s_.pageStart) pageCleared = true;
      }
      while (s_.rowsDone < k) {
        TakeRow(s_.rowsDone);
        DrawRow(s_.rowsDone);
        ++s_.rowsDone;
      }
    } else {
      while (s_.rowsDone < s_.snapshotRows) {
        DrawRow(s_.rowsDone);
        ++s_.rowsDone;
      }
    }

    if (s_.rowsDone >= s_.pageStart + kRowsPerPage) {
      if (PageSeen()) {
        RemoveAllRows();
        ++s_.pageStart;  // the turn is pending for the next pass
      }
      return;
    }
    const std::uint32_t limit =
        now_ - s_.rowTicks[0] > kLongFirstSlot ? kLastPageHurried : kLastPage;
    bool seen = true;
    for (int r = 0; r < kRowsPerPage && s_.pageStart + r < s_.rowsDone; ++r) {
      if (now_ - s_.rowTicks[r] < limit) seen = false;
    }
    if (seen && s_.rowsDone != 0) {
      RemoveAllRows();
      s_.pageStart = 0;
      s_.rowsDone = 0;
    }
  }

  void ShowResults() {
    while (s_.rowsDone < c_.race.resultCount) {
      DrawRow(s_.rowsDone);
      ++s_.rowsDone;
    }
    if (s_.rowsDone >= s_.pageStart + kRowsPerPage && PageSeen()) {
      s_.pageStart = static_cast<std::uint8_t>(s_.pageStart + kRowsPerPage);
      DrawPage();
    }
  }

  // A full page has been read: the first slot for 9 s, each later one for 1 s less.
  bool PageSeen() const {
    for (int r = 0; r < kRowsPerPage; ++r) {
      if (now_ - s_.rowTicks[r] < kFirstSlotPage - kPageStepPerSlot * r) return false;
    }
    return true;
  }

  void DrawPage() {
    for (int i = s_.pageStart; i < s_.pageStart + kRowsPerPage && i < s_.rowsDone; ++i) {
      DrawRow(i);
    }
  }

  void DrawRow(int i) {
    if (i < s_.pageStart || i >= s_.pageStart + kRowsPerPage) return;
    const int slot = i - s_.pageStart;
    s_.rowTicks[slot] = now_;
    const bool results = c_.race.resultCount > 0;
    char name[kOverlayNameSize];
    std::int64_t gap = 0;
    int lapsBehind = 0;
    char value[kOverlayTextSize] = {};
    if (results) {
      if (i >= kMaxResults) return;
      const ResultPacket& entry = c_.race.results.entries[i];
      const ResultPacket& winner = c_.race.results.entries[0];
      CopyCut(name, sizeof name, entry.playerName, kPlayerNameSize);
      gap = std::int64_t{entry.totalTime} - winner.totalTime;
      lapsBehind = winner.lapsDone - entry.lapsDone;
      if (i == 0 && RaceLaps() > kMaxLapRaceLaps) {
        std::snprintf(value, sizeof value, "%d Laps  ", winner.lapsDone);
      } else if (i == 0) {
        FormatRaceTime(winner.totalTime, value, sizeof value);
      }
    } else {
      const OverlaySnapshotRow& row = s_.snapshot[i];
      CopyCut(name, sizeof name, Player(row.plid).name, kPlayerNameSize);
      gap = std::int64_t{row.time} - s_.snapshot[0].time;
      lapsBehind = s_.snapshot[0].laps - row.laps;
      if (s_.showStops != 0) {
        const int stops = Player(row.plid).stopCount;
        if (stops == 1) {
          std::snprintf(value, sizeof value, "1 Stop    ");
        } else {
          std::snprintf(value, sizeof value, "%d Stops  ", stops);
        }
      } else if (i == 0) {
        std::snprintf(value, sizeof value, "Lap   %d  ", Player(row.plid).lapsDone + 1);
      }
    }
    if (i != 0 && (results || s_.showStops == 0)) {
      if (lapsBehind > 0) {
        std::snprintf(value, sizeof value, "-%d Lap%s  ", lapsBehind, lapsBehind == 1 ? "" : "s");
      } else {
        // A car can only be behind; a figure that says otherwise shows as level.
        char time[24];
        FormatRaceTime(gap > 0 ? static_cast<std::uint32_t>(gap) : 0, time, sizeof time);
        std::snprintf(value, sizeof value, "+%s", time);
      }
    }
    DrawSlot(slot, i + 1, name, value);
  }

  void DrawSlot(int slot, int position, char* name, const char* value) {
    if (slot == 0) {
      for (int id = kFirstNameRow + 1; id < kFirstValueRow; ++id) Remove(id);
      for (int id = kFirstValueRow + 1; id < kFirstValueRow + kRowsPerPage; ++id) Remove(id);
    }
    StripColourDigits(name);
    char text[kOverlayTextSize];
    std::snprintf(text, sizeof text, "  ^%c%d.  ^7%s", position == 1 ? '1' : '3', position, name);
    const auto left = static_cast<std::uint8_t>(slot < 4 ? 15 : 105);
    const auto top = static_cast<std::uint8_t>(151 + kRowHeight * (slot % 4));
    Button(text, static_cast<std::uint8_t>(kFirstNameRow + slot), kNameStyle, left, top, kRowWidth,
           kRowHeight);
    Button(value, static_cast<std::uint8_t>(kFirstValueRow + slot),
           static_cast<std::uint8_t>((c_.colour & 7) | kRight), left, top, kRowWidth, kRowHeight);
  }

  void RemoveAllRows() {
    for (int id = kFirstNameRow; id < kFirstValueRow + kRowsPerPage; ++id) Remove(id);
  }

  OverlayState& s_;
  const OverlayContext& c_;
  const std::uint32_t now_;
};

}  // namespace

void SendButton(InsimLink& link, const char* text, std::uint8_t clickId, std::uint8_t style,
                std::uint8_t left, std::uint8_t top, std::uint8_t width, std::uint8_t height) {
  if (link.version == kInsimV3) return;  // buttons exist over TCP only
  std::uint8_t packet[kMaxButtonSize];
  const int size = BuildButton(packet, text, clickId, style, left, top, width, height);
  link.Send(packet, size);
}

void SendDeleteButton(InsimLink& link, std::uint8_t clickId) {
  if (link.version == kInsimV3) return;  // buttons exist over TCP only
  std::uint8_t packet[kBfnSize];
  link.Send(packet, BuildDeleteButton(packet, clickId));
}

void StripColourDigits(char* text) {
  char* out = text;
  for (const char* in = text; *in != '\0';) {
    if (in[0] == '^' && in[1] >= '0' && in[1] <= '8') {
      in += 2;
    } else {
      *out++ = *in++;
    }
  }
  *out = '\0';
}

void FormatRaceTime(std::uint32_t ms, char* out, std::size_t size) {
  if (ms == 0 || ms == kNoTime) {
    out[0] = '\0';
    return;
  }
  // Rounded to the hundredth; counted wide so the last few milliseconds of the range cannot wrap.
  const auto c = static_cast<unsigned>((std::uint64_t{ms} + 5) / 10);
  const unsigned hours = c / 360000;
  const unsigned minutes = c % 360000 / 6000;
  const unsigned seconds = c % 6000 / 100;
  const unsigned hundredths = c % 100;
  if (hours > 0) {
    std::snprintf(out, size, "%u:%02u:%02u.%02u  ", hours, minutes, seconds, hundredths);
  } else if (minutes > 0) {
    std::snprintf(out, size, "%u:%02u.%02u  ", minutes, seconds, hundredths);
  } else {
    std::snprintf(out, size, "%u.%02u  ", seconds, hundredths);
  }
}

void OverlayUpdate(OverlayState& overlay, const OverlayContext& ctx, bool active) {
  Pass pass(overlay, ctx);
  if (active) {
    pass.Update();
  } else {
    pass.Reset();
  }
}

void AnnounceDriver(OverlayState& overlay, const OverlayContext& ctx, const char* name,
                    std::uint8_t position) {
  Pass(overlay, ctx).Announce(name, position);
}

void ResetOverlayForNewRace(OverlayState& overlay, const OverlayContext& ctx) {
  Pass(overlay, ctx).Reset();
  overlay = OverlayState{};
}

}  // namespace director
