#include "director/overlay/overlay_buttons.h"

namespace director {

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

}  // namespace director
