#include "director/overlay/overlay.h"

#include "director/overlay/overlay_driver.h"
#include "director/overlay/overlay_pages.h"
#include "director/overlay/overlay_progress.h"
#include "director/overlay/overlay_rows.h"
#include "director/overlay/overlay_standings.h"
#include "platform/thread.h"

namespace director {

namespace {

constexpr std::uint32_t kPause = 1000;  // ms between two displays

OverlayPass MakePass(OverlayState& overlay, const OverlayContext& ctx) {
  return {overlay, ctx, ctx.clock.Now()};
}

void StartPause(OverlayPass& p) {
  p.ov.pauseStart = p.now;
  p.ov.state = kOverlayPausing;
}

// Idle: the driver box first, else the standings when the leader has completed a lap.
void StartDisplay(OverlayPass& p) {
  if (DriverBoxDue(p)) {
    ShowDriverBox(p);
  } else if (StartStandings(p)) {
    p.ov.pageStart = 0;
    p.ov.state = kOverlayStandings;
  }
}

void Update(OverlayPass& p) {
  ShowProgress(p);
  switch (p.ov.state) {
    case kOverlayIdle:
      StartDisplay(p);
      break;
    case kOverlayDriverBox:
      if (DriverBoxOver(p)) {
        EndDriverBox(p);
        StartPause(p);
      }
      break;
    case kOverlayStandings:
      if (ShowStandings(p)) StartPause(p);
      break;
    case kOverlayPausing:
      if (p.now - p.ov.pauseStart > kPause) p.ov.state = kOverlayIdle;
      break;
    case kOverlayStartPause:
      StartPause(p);
      break;
    case 5:  // held as they are
    case 6:
      break;
    default:
      p.ov.state = kOverlayIdle;
      break;
  }
}

void Reset(OverlayPass& p) {
  HideProgress(p);
  if (p.ov.state == kOverlayDriverBox) RemoveDriverBox(p);
  if (p.ov.state == kOverlayStandings) RemoveAllRows(p);
  p.ov.driverPosition = 0;
  ClearStandings(p);
  p.ov.state = kOverlayIdle;
}

}  // namespace

void OverlayUpdate(OverlayState& overlay, const OverlayContext& ctx, bool active) {
  OverlayPass pass = MakePass(overlay, ctx);
  if (active) {
    Update(pass);
  } else {
    Reset(pass);
  }
}

void AnnounceDriver(OverlayState& overlay, const OverlayContext& ctx, const char* name,
                    std::uint8_t position) {
  OverlayPass pass = MakePass(overlay, ctx);
  TakeAnnouncement(pass, name, position);
}

void ResetOverlayForNewRace(OverlayState& overlay, const OverlayContext& ctx) {
  OverlayPass pass = MakePass(overlay, ctx);
  Reset(pass);
  overlay = OverlayState{};
}

}  // namespace director
