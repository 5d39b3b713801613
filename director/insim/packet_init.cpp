#include "director/insim/packet_init.h"

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kPasswordChars = 14;
constexpr int kPasswordField = 16;
constexpr int kV3Flags = 6;
constexpr int kV3Password = 8;
constexpr int kFlags = 6;
constexpr int kInterval = 10;
constexpr int kPassword = 12;
constexpr int kName = 28;
constexpr int kNameField = 16;
constexpr char kProgramName[] = "Morvane";

}  // namespace

void SendInit(InsimLink& link, const char* password, bool contacts) {
  char pass[kPasswordChars + 1] = {};
  for (int i = 0; password != nullptr && i < kPasswordChars && password[i] != '\0'; ++i) {
    pass[i] = password[i];
  }
  if (link.version == kInsimV3) {
    std::uint8_t p[kV3InitSize] = {};
    PutV3Id(p, kV3ISI);
    p[kV3Flags] = kV3InitFlags;
    PutText(p + kV3Password, kPasswordField, pass);
    link.Send(p, kV3InitSize);
  } else {
    std::uint8_t p[kV4InitSize] = {};
    PutHeader(p, kV4InitSize, ISP_ISI, 0, 0);
    const bool v10 = link.version == kInsimV10;
    const auto flags =
        static_cast<std::uint16_t>(ISF_LOCAL | ISF_MCI | (v10 && contacts ? ISF_CON : 0));
    plat::PutU16(p + kFlags, flags);
    if (v10) p[kInitInsimVerOffset] = kInsimV10;
    plat::PutU16(p + kInterval, kPositionIntervalMs);
    PutText(p + kPassword, kPasswordField, pass);
    PutText(p + kName, kNameField, kProgramName);
    link.Send(p, kV4InitSize);
  }
}

}  // namespace director
