#include "director/overlay/overlay_driver.h"

#include <cstdio>
#include <cstring>

#include "director/overlay/overlay_text.h"

namespace director {

namespace {

constexpr std::uint8_t kPositionStyle = kButtonDark | 1;
constexpr std::uint32_t kDriverDelay = 3000;  // quiet time after the last announcement, ms
constexpr std::uint32_t kDriverShown = 6000;
constexpr int kDriverNameBytes = 30;

}  // namespace

void TakeAnnouncement(OverlayPass& p, const char* name, std::uint8_t position) {
  p.ov.driverTick = p.now;
  char cut[kOverlayNameSize];
  CutText(cut, sizeof cut, name, sizeof cut - 1);
  if (std::strcmp(cut, p.ov.driverName) != 0 || position == 0) {
    if (p.ov.state == kOverlayDriverBox) {
      p.ov.state = kOverlayStartPause;
      RemoveDriverBox(p);
    }
    std::memcpy(p.ov.driverName, cut, sizeof cut);
  }
  p.ov.driverPosition = position;
}

bool DriverBoxDue(const OverlayPass& p) {
  return p.ov.driverPosition != 0 && p.now - p.ov.driverTick > kDriverDelay;
}

void ShowDriverBox(OverlayPass& p) {
  char name[kDriverNameBytes + 1];
  CutText(name, sizeof name, p.ov.driverName, kDriverNameBytes);
  StripColourDigits(name);
  char position[kOverlayTextSize];
  char nameText[kOverlayTextSize];
  std::snprintf(position, sizeof position, "%d", p.ov.driverPosition);
  std::snprintf(nameText, sizeof nameText, " %s", name);
  p.Button(position, kDriverPositionButton, kPositionStyle, 10, 178, 12, 12);
  p.Button(nameText, kDriverNameButton, kOverlayNameStyle, 22, 178, 60, 12);
  p.Button(position, kDriverPositionAgainButton, kPositionStyle, 10, 178, 12, 12);
  p.ov.driverTick = p.now;
  p.ov.state = kOverlayDriverBox;
}

bool DriverBoxOver(const OverlayPass& p) { return p.now - p.ov.driverTick > kDriverShown; }

void EndDriverBox(OverlayPass& p) {
  RemoveDriverBox(p);
  p.ov.driverPosition = 0;
}

void RemoveDriverBox(const OverlayPass& p) {
  p.Remove(kDriverPositionButton);
  p.Remove(kDriverPositionAgainButton);
  p.Remove(kDriverNameButton);
}

}  // namespace director
