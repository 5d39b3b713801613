// The numbers of InSim as the simulator publishes them, for the stand-in's side of the link: the
// versions, the packet types of versions 4 and 10, the TINY/SMALL/BFN subtypes, the flags and the
// packet sizes. Version 3 packets have no type byte: they begin with a four-byte identifier, three
// capital letters and a zero, read as one little-endian 32-bit word (V3Id).
//
// These are the stand-in's own: it plays the simulator, so a wrong number in the director must
// not be mirrored here.
#pragma once

#include <cstdint>

namespace racesim {

// The versions: 3 over UDP, 4 and 10 over TCP.
inline constexpr int kInsim3 = 3;
inline constexpr int kInsim4 = 4;
inline constexpr int kInsim10 = 10;

// Version 4 and 10 packet types (ISP_).
inline constexpr std::uint8_t ISP_ISI = 1;
inline constexpr std::uint8_t ISP_VER = 2;
inline constexpr std::uint8_t ISP_TINY = 3;
inline constexpr std::uint8_t ISP_SMALL = 4;
inline constexpr std::uint8_t ISP_STA = 5;
inline constexpr std::uint8_t ISP_SFP = 7;
inline constexpr std::uint8_t ISP_CPP = 9;
inline constexpr std::uint8_t ISP_MSO = 11;
inline constexpr std::uint8_t ISP_MST = 13;
inline constexpr std::uint8_t ISP_RST = 17;
inline constexpr std::uint8_t ISP_NPL = 21;
inline constexpr std::uint8_t ISP_PLL = 23;
inline constexpr std::uint8_t ISP_LAP = 24;
inline constexpr std::uint8_t ISP_SPX = 25;
inline constexpr std::uint8_t ISP_PIT = 26;
inline constexpr std::uint8_t ISP_PLA = 28;
inline constexpr std::uint8_t ISP_RES = 35;
inline constexpr std::uint8_t ISP_REO = 36;
inline constexpr std::uint8_t ISP_MCI = 38;
inline constexpr std::uint8_t ISP_MSL = 40;
inline constexpr std::uint8_t ISP_BFN = 42;
inline constexpr std::uint8_t ISP_BTN = 45;
inline constexpr std::uint8_t ISP_CON = 50;

// IS_TINY subtypes.
inline constexpr std::uint8_t TINY_NONE = 0;
inline constexpr std::uint8_t TINY_VER = 1;
inline constexpr std::uint8_t TINY_CLOSE = 2;
inline constexpr std::uint8_t TINY_SCP = 6;
inline constexpr std::uint8_t TINY_SST = 7;
// TINY_GTH; version 10 calls it TINY_GTM and answers in milliseconds instead of hundredths.
inline constexpr std::uint8_t TINY_GTH = 8;
inline constexpr std::uint8_t TINY_NPL = 14;
inline constexpr std::uint8_t TINY_RST = 19;

// IS_SMALL subtypes.
inline constexpr std::uint8_t SMALL_RTP = 6;

// IS_BFN subtypes.
inline constexpr std::uint8_t BFN_DEL_BTN = 0;

// State flags (IS_STA Flags, IS_SFP Flag, IS_CPP Flags).
inline constexpr std::uint16_t ISS_GAME = 1;
inline constexpr std::uint16_t ISS_REPLAY = 2;
inline constexpr std::uint16_t ISS_PAUSED = 4;
inline constexpr std::uint16_t ISS_SHIFTU = 8;
inline constexpr std::uint16_t ISS_SHIFTU_NO_OPT = 0x40;
inline constexpr std::uint16_t ISS_SHOW_2D = 0x80;
inline constexpr std::uint16_t ISS_MPSPEEDUP = 1024;

// IS_ISI flags.
inline constexpr std::uint16_t ISF_LOCAL = 4;
inline constexpr std::uint16_t ISF_MCI = 32;
inline constexpr std::uint16_t ISF_CON = 512;

// CompCar Info: the last car of a set.
inline constexpr std::uint8_t CCI_LAST = 0x80;
// IS_RES Confirm: the result is final.
inline constexpr std::uint8_t CONF_CONFIRMED = 0x02;

// Version 10 counts Size in units of 4 bytes, so a packet holds at most 255 units.
inline constexpr int kSizeUnit10 = 4;
inline constexpr int kMaxPacket10 = 255 * kSizeUnit10;

// Cars per position packet, and player ids in IS_REO, as each version carries them.
inline constexpr int kCarsPerMci = 8;
inline constexpr int kCarsPerMci10 = 16;
inline constexpr int kReoIds10 = 48;

// Packet sizes in bytes (version 10 pads them to whole units when it frames them).
inline constexpr int kTinySize = 4;
inline constexpr int kSmallSize = 8;
inline constexpr int kVerSize = 20;
inline constexpr int kIsiSize = 44;
inline constexpr int kStaSize = 28;
inline constexpr int kSfpSize = 8;
inline constexpr int kCppSize = 32;
inline constexpr int kMsoSize = 136;
inline constexpr int kMstSize = 68;
inline constexpr int kMslSize = 132;
inline constexpr int kNplSize = 76;
inline constexpr int kRstSize = 28;
inline constexpr int kLapSize = 20;
inline constexpr int kSpxSize = 16;
inline constexpr int kPitSize = 24;
inline constexpr int kPlaSize = 8;
inline constexpr int kConSize = 40;
inline constexpr int kResSize = 84;
inline constexpr int kReoSize10 = 4 + kReoIds10;
inline constexpr int kBfnSize = 8;
inline constexpr int kBtnHeaderSize = 12;
inline constexpr int kMaxBtnSize = 252;
inline constexpr int kCarSize = 28;
inline constexpr int kMessageTextSize = 128;

// Version 3 sizes.
inline constexpr int kV3IsiSize = 24;
inline constexpr int kV3RequestSize = 8;
inline constexpr int kV3VerSize = 20;
inline constexpr int kV3StaSize = 28;
inline constexpr int kV3MtcSize = 72;
inline constexpr int kV3MsoSize = 132;
inline constexpr int kV3NplSize = 100;
inline constexpr int kV3RstSize = 20;
inline constexpr int kV3LapSize = 92;
inline constexpr int kV3SplitSize = 12;
inline constexpr int kV3PitSize = 28;
inline constexpr int kV3ResSize = 108;
inline constexpr int kV3MciSize = 204;
inline constexpr int kV3CarSize = 24;

// A version 3 identifier: "ABC" and a zero byte as a little-endian 32-bit word.
constexpr std::uint32_t V3Id(const char (&name)[4]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(name[0])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(name[1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(name[2])) << 16);
}

inline constexpr std::uint32_t kV3ISI = V3Id("ISI");
inline constexpr std::uint32_t kV3VER = V3Id("VER");
inline constexpr std::uint32_t kV3NLI = V3Id("NLI");
inline constexpr std::uint32_t kV3SST = V3Id("SST");
inline constexpr std::uint32_t kV3SCP = V3Id("SCP");
inline constexpr std::uint32_t kV3NPL = V3Id("NPL");
inline constexpr std::uint32_t kV3ISC = V3Id("ISC");
inline constexpr std::uint32_t kV3ACK = V3Id("ACK");
inline constexpr std::uint32_t kV3MTC = V3Id("MTC");
inline constexpr std::uint32_t kV3CPP = V3Id("CPP");
inline constexpr std::uint32_t kV3SCC = V3Id("SCC");
inline constexpr std::uint32_t kV3SFP = V3Id("SFP");

}  // namespace racesim
