// The numbers of the InSim protocol that the director speaks, in all its versions.
//
// Version 4 and version 10 packets start with Size and Type (an ISP_ number): version 4 counts
// Size in bytes, version 10 (the 0.8 simulators; the framing dates from InSim 9) in units of four
// bytes. Version 3 packets start with a four-byte identifier, three capital letters and a zero,
// compared as one little-endian 32-bit value (V3Id). Subtypes, state flags and car flags carry
// their published names.
#pragma once

#include <cstdint>

namespace director {

// The InSim versions the director speaks: 3 over UDP, 4 and 10 over TCP.
inline constexpr std::uint8_t kInsimV3 = 3;
inline constexpr std::uint8_t kInsimV4 = 4;
inline constexpr std::uint8_t kInsimV10 = 10;
// From InSim 9 on, the Size byte counts units of four bytes (packets of up to 1020 bytes).
inline constexpr int kV10SizeUnit = 4;
inline constexpr int kV10MaxPacketSize = 255 * kV10SizeUnit;

// Version 4 packet types.
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
inline constexpr std::uint8_t ISP_LAP = 24;
inline constexpr std::uint8_t ISP_SPX = 25;
inline constexpr std::uint8_t ISP_PIT = 26;
inline constexpr std::uint8_t ISP_PLA = 28;
inline constexpr std::uint8_t ISP_TOC = 31;
inline constexpr std::uint8_t ISP_FLG = 32;
inline constexpr std::uint8_t ISP_RES = 35;
inline constexpr std::uint8_t ISP_MCI = 38;
inline constexpr std::uint8_t ISP_MSL = 40;
inline constexpr std::uint8_t ISP_CRS = 41;
inline constexpr std::uint8_t ISP_BFN = 42;
inline constexpr std::uint8_t ISP_BTN = 45;
inline constexpr std::uint8_t ISP_CON = 50;

// IS_TINY subtypes.
inline constexpr std::uint8_t TINY_NONE = 0;
inline constexpr std::uint8_t TINY_VER = 1;
inline constexpr std::uint8_t TINY_CLOSE = 2;
inline constexpr std::uint8_t TINY_SCP = 6;
inline constexpr std::uint8_t TINY_SST = 7;
inline constexpr std::uint8_t TINY_GTH = 8;
// Version 10 name of subtype 8: its SMALL_RTP reply counts milliseconds, not hundredths.
inline constexpr std::uint8_t TINY_GTM = 8;
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
// Contact between cars (IS_CON); the director asks for it only in version 10.
inline constexpr std::uint16_t ISF_CON = 512;
// The version 3 init flags byte.
inline constexpr std::uint8_t kV3InitFlags = 0x23;

// Version 3 identifiers: "ABC" then a zero byte, read as a little-endian 32-bit value.
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
inline constexpr std::uint32_t kV3STA = V3Id("STA");
inline constexpr std::uint32_t kV3MCI = V3Id("MCI");
inline constexpr std::uint32_t kV3MSO = V3Id("MSO");
inline constexpr std::uint32_t kV3SCH = V3Id("SCH");
inline constexpr std::uint32_t kV3LAP = V3Id("LAP");
inline constexpr std::uint32_t kV3RST = V3Id("RST");

// Sizes of the packets the director builds.
inline constexpr int kV3InitSize = 24;
inline constexpr int kV3RequestSize = 8;
inline constexpr int kV3TextSize = 72;
inline constexpr int kV4InitSize = 44;
inline constexpr int kTinySize = 4;
inline constexpr int kMstSize = 68;
inline constexpr int kMslSize = 132;
inline constexpr int kSfpSize = 8;
inline constexpr int kBfnSize = 8;
inline constexpr int kMaxButtonSize = 252;
inline constexpr int kCameraRecordSize = 32;

// Packets read.
inline constexpr int kStaSize = 28;
inline constexpr int kV3LapSize = 92;
inline constexpr int kMessageTextSize = 128;

// IS_VER: 20 bytes in both TCP versions; its Size byte says the framing (20 or 5) and byte 18
// the InSim version of the simulator.
inline constexpr int kVerSize = 20;
inline constexpr int kVerTextOffset = 4;
inline constexpr int kVerTextSize = 8;
inline constexpr int kVerInsimVerOffset = 18;
// IS_ISI byte 8: the InSim version the program speaks (0 in version 4).
inline constexpr int kInitInsimVerOffset = 8;

}  // namespace director
