#include "director/insim/packet_text.h"

#include <cstring>

namespace director {

namespace {

constexpr int kMtcText = 8;
constexpr int kMtcTextField = 64;
constexpr int kMstText = 4;
constexpr int kMstTextField = 64;
constexpr int kMslText = 4;
constexpr int kMslTextField = 128;
constexpr int kV4MsoText = 8;
constexpr int kV3MsoText = 4;

}  // namespace

void SendText(InsimLink& link, const char* text, bool withPrefix) {
  char joined[kMslTextField + 1] = {};
  std::size_t used = 0;
  if (withPrefix) {
    std::memcpy(joined, kMessagePrefix, sizeof(kMessagePrefix) - 1);
    used = sizeof(kMessagePrefix) - 1;
  }
  for (std::size_t i = 0; text != nullptr && text[i] != '\0' && used < kMslTextField; ++i) {
    joined[used++] = text[i];
  }
  if (link.version == kInsimV3) {
    std::uint8_t p[kV3TextSize] = {};
    PutV3Id(p, kV3MTC);
    PutText(p + kMtcText, kMtcTextField, joined);
    link.Send(p, kV3TextSize);
    link.MarkSent();
  } else if (withPrefix) {
    std::uint8_t p[kMslSize] = {};
    PutHeader(p, kMslSize, ISP_MSL, 0, 0);
    PutText(p + kMslText, kMslTextField, joined);
    link.Send(p, kMslSize);
  } else {
    std::uint8_t p[kMstSize] = {};
    PutHeader(p, kMstSize, ISP_MST, 0, 0);
    PutText(p + kMstText, kMstTextField, joined);
    link.Send(p, kMstSize);
  }
}

void ReadMessageText(std::uint8_t version, const std::uint8_t* mso,
                     char out[kMessageTextSize + 1]) {
  GetText(out, mso + (version == kInsimV3 ? kV3MsoText : kV4MsoText), kMessageTextSize);
}

}  // namespace director
