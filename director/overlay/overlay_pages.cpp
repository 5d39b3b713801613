#include "director/overlay/overlay_pages.h"

#include "director/overlay/overlay_rows.h"
#include "director/overlay/overlay_standings.h"

namespace director {

namespace {

// How long the slots of a page are to be seen, in ms.
constexpr std::uint32_t kFirstSlotPage = 9000;
constexpr std::uint32_t kPageStepPerSlot = 1000;
constexpr std::uint32_t kLastPage = 4000;
constexpr std::uint32_t kLastPageHurried = 1000;
constexpr std::uint32_t kLongFirstSlot = 10000;

void ClearBoard(OverlayPass& p) {
  RemoveAllRows(p);
  p.ov.pageStart = 0;
  p.ov.rowsDone = 0;
}

// A full page has been read: the first slot for 9 s, each later one for 1 s less.
bool PageSeen(const OverlayPass& p) {
  for (int r = 0; r < kRowsPerPage; ++r) {
    if (p.now - p.ov.rowTicks[r] < kFirstSlotPage - kPageStepPerSlot * r) return false;
  }
  return true;
}

// The last page of live standings: every slot drawn on it has been seen long enough.
bool LastPageSeen(const OverlayPass& p) {
  const std::uint32_t limit =
      p.now - p.ov.rowTicks[0] > kLongFirstSlot ? kLastPageHurried : kLastPage;
  for (int r = 0; r < kRowsPerPage && p.ov.pageStart + r < p.ov.rowsDone; ++r) {
    if (p.now - p.ov.rowTicks[r] < limit) return false;
  }
  return true;
}

void DrawPage(OverlayPass& p) {
  for (int i = p.ov.pageStart; i < p.ov.pageStart + kRowsPerPage && i < p.ov.rowsDone; ++i) {
    DrawRow(p, i);
  }
}

// Mode B: the cars that have finished the leader's lap, one row each as it comes; rows whose car
// changed place are taken and drawn again.
void ShowProgressiveRows(OverlayPass& p) {
  const std::uint8_t* order = p.ov.standingsOrder;
  int k = 0;
  while (k < p.ov.standingsCount && p.Player(order[k]).lapsDone == p.Player(order[0]).lapsDone) {
    ++k;
  }
  if (p.ov.rowsDone > k) ClearBoard(p);
  // Redrawing the page's first slot clears the rest of the page, which is then redrawn too.
  bool pageCleared = false;
  for (int i = 0; i < p.ov.rowsDone; ++i) {
    const bool onPage = i >= p.ov.pageStart && i < p.ov.pageStart + kRowsPerPage;
    if (p.ov.snapshot[i].plid == order[i] && !(pageCleared && onPage)) continue;
    TakeRow(p, i);
    DrawRow(p, i);
    if (i == p.ov.pageStart) pageCleared = true;
  }
  while (p.ov.rowsDone < k) {
    TakeRow(p, p.ov.rowsDone);
    DrawRow(p, p.ov.rowsDone);
    ++p.ov.rowsDone;
  }
}

// Mode A: every row of the snapshot.
void ShowSnapshotRows(OverlayPass& p) {
  while (p.ov.rowsDone < p.ov.snapshotRows) {
    DrawRow(p, p.ov.rowsDone);
    ++p.ov.rowsDone;
  }
}

void ShowLiveStandings(OverlayPass& p) {
  if (p.ov.pageStart % kRowsPerPage != 0) {
    // The page turned on the last pass: the next page is drawn now.
    p.ov.pageStart = static_cast<std::uint8_t>(p.ov.pageStart + kRowsPerPage - 1);
    DrawPage(p);
    return;
  }
  if (p.ov.fullSnapshot == 0) {
    ShowProgressiveRows(p);
  } else {
    ShowSnapshotRows(p);
  }
  if (p.ov.rowsDone >= p.ov.pageStart + kRowsPerPage) {
    if (PageSeen(p)) {
      RemoveAllRows(p);
      ++p.ov.pageStart;  // the turn is pending for the next pass
    }
    return;
  }
  if (LastPageSeen(p) && p.ov.rowsDone != 0) ClearBoard(p);
}

void ShowResults(OverlayPass& p) {
  while (p.ov.rowsDone < p.ctx.race.resultCount) {
    DrawRow(p, p.ov.rowsDone);
    ++p.ov.rowsDone;
  }
  if (p.ov.rowsDone >= p.ov.pageStart + kRowsPerPage && PageSeen(p)) {
    p.ov.pageStart = static_cast<std::uint8_t>(p.ov.pageStart + kRowsPerPage);
    DrawPage(p);
  }
}

}  // namespace

bool ShowStandings(OverlayPass& p) {
  if (NeedsSort(p)) SortStandings(p);
  if (p.ctx.race.resultCount > 0) {
    if (p.ov.showingResults == 0) {
      // Results that arrive during live standings get their own display from the first row.
      ClearBoard(p);
      p.ov.showingResults = 1;
    }
    ShowResults(p);
  } else if (p.ov.showingResults != 0) {
    // The results went away (a new connection): their display ends.
    ClearBoard(p);
    p.ov.showingResults = 0;
  } else {
    ShowLiveStandings(p);
  }
  return p.ov.rowsDone == 0;
}

}  // namespace director
