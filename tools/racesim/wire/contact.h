// IS_CON (40 bytes): two cars in contact, sent by the 0.8 simulators to a program that set
// ISF_CON in IS_ISI. 4-5 SpClose (low 12 bits: closing speed, 10 = 1 m/s), 6-7 Time (hundredths,
// looping), then a 16-byte CarContact for A at 8 and B at 24, A the lower PLID: +0 PLID, +1 Info,
// +2 spare, +3 Steer, +4 ThrBrk, +5 CluHan, +6 GearSp, +7 Speed (m/s), +8 Direction, +9 Heading
// (256 a turn), +10 AccelF, +11 AccelR, +12-13 X, +14-15 Y (16 a metre). The stand-in fills the
// fields the director reads and leaves the controls at zero.
#pragma once

#include <cstdint>

#include "tools/racesim/wire/framing.h"

namespace racesim {

struct ContactCar {
  std::uint8_t plid = 0;
  std::uint8_t speed = 0;  // m/s
  std::uint8_t direction = 0;
  std::uint8_t heading = 0;
  std::int16_t x = 0;  // 16 a metre
  std::int16_t y = 0;
};

struct ContactPacket {
  std::uint16_t closingTenths = 0;  // 10 = 1 m/s, at most 4095
  std::uint16_t time = 0;           // hundredths of a second
  ContactCar a;
  ContactCar b;
};

Bytes EncodeContact(const ContactPacket& contact);
bool DecodeContact(const std::uint8_t* p, int size, ContactPacket* contact);

}  // namespace racesim
