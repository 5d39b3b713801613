// The car positions: IS_MCI (versions 4 and 10) and "MCI" (version 3), encoded and decoded side
// by side. A set of positions spans as many packets as its cars need; in versions 4 and 10 the
// last car of the set carries CCI_LAST, in version 3 every packet names the set's car count.
//
// IS_MCI: 3 NumC, then NumC car records of 28 bytes (8 a packet in version 4, 16 in version 10):
// 0-1 Node, 2-3 Lap, 4 PLID, 5 Position, 6 Info, 7 spare, 8-11 X, 12-15 Y, 16-19 Z,
// 20-21 Speed, 22-23 Direction, 24-25 Heading, 26-27 AngVel (i16).
// "MCI" (204): 8 number of cars in the set, 9 index of this packet's first car, from 12 eight car
// records of 24 bytes (unused ones zero): 0-1 the node in the low 13 bits and the lap's top
// 3 bits above it, 2 the lap's low byte, 3 player id, 4-23 X .. AngVel as in bytes 8-27 above.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/racesim/wire/framing.h"

namespace racesim {

// CompCar Speed: 32768 is 100 m/s.
inline constexpr double kSpeedPerMs = 327.68;

struct CarRecord {
  std::uint16_t node = 0;
  std::uint16_t lap = 0;
  std::uint8_t plid = 0;
  std::uint8_t position = 0;
  std::uint8_t info = 0;
  std::uint8_t spare = 0;
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t speed = 0;  // kSpeedPerMs a metre a second
  std::uint16_t direction = 0;
  std::uint16_t heading = 0;
  std::int16_t angVel = 0;

  bool operator==(const CarRecord&) const = default;
};

// The set in packets of carsPerPacket (kCarsPerMci or kCarsPerMci10); Info's CCI_LAST is set on
// the set's last car and cleared on the others.
std::vector<Bytes> EncodeMci(const std::vector<CarRecord>& cars, int carsPerPacket);
// The car records of one packet, in either version 4 or 10 (NumC of them).
bool DecodeMci(const std::uint8_t* p, int size, std::vector<CarRecord>* cars);

std::vector<Bytes> EncodeV3Mci(const std::vector<CarRecord>& cars);
// The packet's records that belong to the set (Position, Info and spare are not carried).
bool DecodeV3Mci(const std::uint8_t* p, int size, int* total, int* first,
                 std::vector<CarRecord>* cars);

void WriteCar(const CarRecord& car, std::uint8_t* out);
CarRecord ReadCar(const std::uint8_t* in);
void WriteV3Car(const CarRecord& car, std::uint8_t* out);
CarRecord ReadV3Car(const std::uint8_t* in);

}  // namespace racesim
