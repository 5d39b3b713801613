#include "director/insim/packet_contact.h"

#include <cstring>

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kSpClose = 4;
constexpr int kTime = 6;
constexpr int kCarA = 8;
constexpr int kCarB = 24;
constexpr std::uint16_t kClosingMask = 0x0FFF;  // the high 4 bits are reserved

// Offsets within a car's record.
constexpr int kCarPlid = 0;
constexpr int kCarSpeed = 7;
constexpr int kCarDirection = 8;
constexpr int kCarHeading = 9;
constexpr int kCarX = 12;
constexpr int kCarY = 14;

ContactCar DecodeCar(const std::uint8_t* c) {
  ContactCar d;
  d.plid = c[kCarPlid];
  d.speed = c[kCarSpeed];
  d.direction = c[kCarDirection];
  d.heading = c[kCarHeading];
  d.x = plat::GetI16(c + kCarX);
  d.y = plat::GetI16(c + kCarY);
  return d;
}

void EncodeCar(const ContactCar& car, std::uint8_t* c) {
  c[kCarPlid] = car.plid;
  c[kCarSpeed] = car.speed;
  c[kCarDirection] = car.direction;
  c[kCarHeading] = car.heading;
  plat::PutI16(c + kCarX, car.x);
  plat::PutI16(c + kCarY, car.y);
}

}  // namespace

CarContact DecodeContact(const std::uint8_t* con) {
  CarContact d;
  d.closingTenths = static_cast<std::uint16_t>(plat::GetU16(con + kSpClose) & kClosingMask);
  d.time = plat::GetU16(con + kTime);
  d.a = DecodeCar(con + kCarA);
  d.b = DecodeCar(con + kCarB);
  return d;
}

void EncodeContact(const CarContact& contact, std::uint8_t out[kConSize]) {
  std::memset(out, 0, kConSize);
  PutHeader(out, kConSize, ISP_CON, 0, 0);
  plat::PutU16(out + kSpClose, static_cast<std::uint16_t>(contact.closingTenths & kClosingMask));
  plat::PutU16(out + kTime, contact.time);
  EncodeCar(contact.a, out + kCarA);
  EncodeCar(contact.b, out + kCarB);
}

}  // namespace director
