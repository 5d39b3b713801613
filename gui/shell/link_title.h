// The main window's title tells where the link to the director stands.
//
// While the link is stopped the title is the program's own ("Morvane GUI"); otherwise the state
// follows it after " - ": connecting, no director answering, connected (linked: its version was
// accepted), waiting for the director (a connection stands but the director says nothing, as when
// it serves another client and keeps this one in its backlog), or how the last connection ended
// while the link tries again. A fresh connection counts as connecting for its first
// kWaitingShownAfterMs, so a director that answers at once never shows as waiting.
#pragma once

#include <cstdint>
#include <string>

#include "link/link_client.h"

namespace gui {

inline constexpr std::uint32_t kWaitingShownAfterMs = 1000;

struct LinkStatus {
  glink::LinkPhase phase = glink::LinkPhase::kStopped;
  bool linked = false;   // the connection's GLM_VERSION was accepted
  std::uint32_t ip = 0;  // host byte order
  std::uint16_t port = 0;
  std::uint32_t msInPhase = 0;
};

// The status of link as the window thread sees it at tick now.
LinkStatus StatusOf(const glink::LinkClient& link, std::uint32_t now);

// While linked, a shot reason from the director follows the address: "... - connected to
// 127.0.0.1:32301 - battle for P3, 0.4 s".
std::string LinkTitle(const char* appTitle, const LinkStatus& status,
                      const char* shotReason = nullptr);

}  // namespace gui
