#include "gui/shell/link_title.h"

#include <cstdio>

namespace gui {

LinkStatus StatusOf(const glink::LinkClient& link, std::uint32_t now) {
  LinkStatus s;
  s.phase = link.Phase();
  s.linked = link.LinkVersion() == glink::kLinkVersion;
  s.ip = link.ServerIp();
  s.port = link.ServerPort();
  s.msInPhase = now - link.PhaseSince();
  return s;
}

std::string LinkTitle(const char* appTitle, const LinkStatus& status, const char* shotReason) {
  using glink::LinkPhase;
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", (status.ip >> 24) & 0xFFu,
                (status.ip >> 16) & 0xFFu, (status.ip >> 8) & 0xFFu, status.ip & 0xFFu,
                static_cast<unsigned>(status.port));
  const std::string address = text;
  std::string title = appTitle;
  switch (status.phase) {
    case LinkPhase::kStopped:
      break;
    case LinkPhase::kConnecting:
      return title + " - connecting to " + address;
    case LinkPhase::kNoDirector:
      return title + " - no director at " + address + ", trying again";
    case LinkPhase::kConnected:
      if (status.linked) {
        title += " - connected to " + address;
        if (shotReason != nullptr && shotReason[0] != '\0')
          title += std::string(" - ") + shotReason;
        return title;
      }
      if (status.msInPhase < kWaitingShownAfterMs) return title + " - connecting to " + address;
      return title + " - waiting for the director at " + address;
    case LinkPhase::kClosedByDirector:
      return title + " - the director closed the link, reconnecting to " + address;
    case LinkPhase::kBroken:
      return title + " - the link to " + address + " broke off, reconnecting";
  }
  return title;
}

}  // namespace gui
