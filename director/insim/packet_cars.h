// IS_MCI, the car positions, in its three forms: version 3's "MCI" (204 bytes, up to 8 24-byte
// records after a total and a first index), version 4's IS_MCI (up to 8 28-byte CompCar records)
// and version 10's (up to 16). A set of positions may span several packets; CarPositions says
// whether this packet completes it. Only the cars that have a place on the track (node or lap not
// 0) are handed on.
#pragma once

#include <cstdint>

namespace director {

inline constexpr int kCompCarSize = 28;
inline constexpr int kV3CarSize = 24;
inline constexpr int kMaxCarsPerPacket = 8;
inline constexpr int kV10MaxCarsPerPacket = 16;

// CompCar Info bit: the last record of a set.
inline constexpr std::uint8_t CCI_LAST = 0x80;

// The car record in its version 4 form.
struct CompCar {
  std::uint16_t node = 0;
  std::uint16_t lap = 0;
  std::uint8_t plid = 0;
  std::uint8_t position = 0;
  std::uint8_t info = 0;
  std::uint8_t spare = 0;
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t speed = 0;
  std::uint16_t direction = 0;
  std::uint16_t heading = 0;
  std::int16_t angVel = 0;
};

// Reads a 28-byte version 4 record.
CompCar ReadCompCar(const std::uint8_t* p);
// Writes one (the reverse of ReadCompCar).
void WriteCompCar(const CompCar& car, std::uint8_t* p);
// Converts a 24-byte version 3 record: node and an 11-bit lap from the packed word and lap byte.
CompCar ConvertV3Car(const std::uint8_t* p);

struct CarPositions {
  std::uint8_t count = 0;  // cars with a place on the track, in packet order
  CompCar cars[kV10MaxCarsPerPacket];
  bool completesSet = false;
};

// The packet in the form of the InSim version in use, with at least its full size readable.
// Version 4 and 10: a set ends with a record flagged CCI_LAST or a packet of fewer than the most
// records; version 3: with the packet that holds the total's last car.
CarPositions DecodeCarPositions(std::uint8_t version, const std::uint8_t* mci);

}  // namespace director
