// IS_CON (40 bytes; sent only when IS_ISI asked for it with ISF_CON): contact
// between two cars. At 4 the closing speed (low 12 bits, a tenth of a metre a second each), at 6
// the simulator's looping time stamp (hundredths); then one 16-byte record per car, A at 8 and B
// at 24 (sorted by player id): PLID at +0, Info at +1, the steer at +3, the speed at +7 (m/s),
// the direction of motion at +8 and the heading at +9 (256 a turn, 0 along world y), the
// accelerations at +10 and +11, and X at +12 and Y at +14 (16 a metre).
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

inline constexpr int kConSize = 40;

struct ContactCar {
  std::uint8_t plid = 0;
  std::uint8_t speed = 0;  // m/s
  std::uint8_t direction = 0;
  std::uint8_t heading = 0;
  std::int16_t x = 0;  // 16 a metre
  std::int16_t y = 0;
};

struct CarContact {
  std::uint16_t closingTenths = 0;  // closing speed, 10 = 1 m/s
  std::uint16_t time = 0;           // hundredths of a second, looping
  ContactCar a;
  ContactCar b;
};

CarContact DecodeContact(const std::uint8_t* con);
void EncodeContact(const CarContact& contact, std::uint8_t out[kConSize]);

}  // namespace director
