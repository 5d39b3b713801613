// The stand-in's own encoding of InSim version 10, as a 0.8 simulator speaks it.
//
// Version 10 keeps the byte layouts of version 4 for most packets and changes the framing: Size
// counts units of 4 bytes, so every packet is a whole number of units (up to 1020 bytes). The
// stand-in builds its packets in their byte-counted form and Frame10 writes the framing, in one
// place. What else differs is built here: IS_VER says InSim 10 (and the simulator's version, e.g.
// "0.8B"), IS_MCI carries up to 16 cars a packet (a set of up to 48 players spans several, the
// last car of the set flagged CCI_LAST), IS_REO lists 48 player ids in 52 bytes, and the race
// time of SMALL_RTP counts milliseconds. Nothing of the director is used here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace racesim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int kInsim10 = 10;
inline constexpr int kSizeUnit10 = 4;
inline constexpr int kCarsPerMci10 = 16;
inline constexpr int kReoIds10 = 48;
inline constexpr char kSimVersion10[] = "0.8B";

// The car record of IS_MCI (28 bytes, the same in versions 4 and 10).
struct CarRecord10 {
  std::uint16_t node = 0;
  std::uint16_t lap = 0;
  std::uint8_t plid = 0;
  std::uint8_t position = 0;
  std::uint8_t info = 0;  // the set's last car gets 0x80 (CCI_LAST) here
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t speed = 0;
  std::uint16_t direction = 0;
  std::uint16_t heading = 0;
  std::int16_t angVel = 0;
};

// The packet in the version 10 framing: zeros up to a whole number of units, Size = bytes / 4.
// Empty for a packet of more than 1020 bytes, which cannot be framed.
Bytes Frame10(const Bytes& packet);
// The length in bytes of a version 10 packet whose Size byte is sizeByte.
inline int PacketBytes10(std::uint8_t sizeByte) { return sizeByte * kSizeUnit10; }

// IS_VER (20 bytes) with InSimVer 10.
Bytes BuildVer10(std::uint8_t reqI, const std::string& version, const std::string& product);
// IS_MCI packets of up to 16 cars for one set.
std::vector<Bytes> BuildMci10(const std::vector<CarRecord10>& cars);
// IS_REO (52 bytes): the players' ids in start order, at most 48.
Bytes BuildReo10(std::uint8_t reqI, const std::vector<std::uint8_t>& plids);

}  // namespace racesim
