// The introduction of a session: the program's init packet (IS_ISI, "ISI") and the simulator's
// version reply (IS_VER, "VER"), encoded and decoded side by side.
//
// IS_ISI (44 bytes): 4-5 UDPPort, 6-7 Flags, 8 InSimVer (10 from a version 10 program, 0 before),
// 9 Prefix, 10-11 Interval (ms between position packets), 12-27 Admin, 28-43 IName.
// "ISI" (24 bytes): 4-5 reply port, 6 flags, 7 node seconds, 8-23 admin password.
// IS_VER (20 bytes): 4-11 Version, 12-17 Product, 18 InSimVer, 19 spare.
// "VER" (20 bytes): 4-11 version, 12-17 product, 18-19 InSim version as a 16-bit word (3).
#pragma once

#include <cstdint>
#include <string>

#include "tools/racesim/wire/framing.h"

namespace racesim {

// The version a 0.8 simulator reports.
inline constexpr char kSimVersion10[] = "0.8B";

struct InitPacket {
  std::uint8_t reqI = 0;  // non-zero: the version reply is asked for at once
  std::uint16_t udpPort = 0;
  std::uint16_t flags = 0;
  std::uint8_t insimVer = 0;
  std::uint8_t prefix = 0;
  std::uint16_t interval = 0;
  std::string admin;  // at most 15 characters
  std::string name;   // at most 15 characters
};

struct V3InitPacket {
  std::uint16_t replyPort = 0;
  std::uint8_t flags = 0;
  std::uint8_t nodeSeconds = 0;
  std::string admin;
};

struct VersionPacket {
  std::uint8_t reqI = 0;
  std::string version;  // 8 characters at most, e.g. "0.7F"
  std::string product;  // 6 characters at most, e.g. "S3"
  int insimVer = 0;
};

Bytes EncodeIsi(const InitPacket& init);
bool DecodeIsi(const std::uint8_t* p, int size, InitPacket* init);
Bytes EncodeV3Isi(const V3InitPacket& init);
bool DecodeV3Isi(const std::uint8_t* p, int size, V3InitPacket* init);

// Versions 4 and 10 (insimVer says which; Frame10 frames the version 10 reply).
Bytes EncodeVer(const VersionPacket& version);
bool DecodeVer(const std::uint8_t* p, int size, VersionPacket* version);
Bytes EncodeV3Ver(const VersionPacket& version);
bool DecodeV3Ver(const std::uint8_t* p, int size, VersionPacket* version);

}  // namespace racesim
