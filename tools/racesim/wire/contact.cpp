#include "tools/racesim/wire/contact.h"

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kSpCloseAt = 4;
constexpr int kTimeAt = 6;
constexpr int kCarAAt = 8;
constexpr int kCarBAt = 24;
constexpr std::uint16_t kClosingBits = 0x0FFF;

constexpr int kPlidAt = 0;
constexpr int kSpeedAt = 7;
constexpr int kDirectionAt = 8;
constexpr int kHeadingAt = 9;
constexpr int kXAt = 12;
constexpr int kYAt = 14;

void PutCar(const ContactCar& car, std::uint8_t* c) {
  c[kPlidAt] = car.plid;
  c[kSpeedAt] = car.speed;
  c[kDirectionAt] = car.direction;
  c[kHeadingAt] = car.heading;
  plat::PutI16(c + kXAt, car.x);
  plat::PutI16(c + kYAt, car.y);
}

ContactCar GetCar(const std::uint8_t* c) {
  ContactCar car;
  car.plid = c[kPlidAt];
  car.speed = c[kSpeedAt];
  car.direction = c[kDirectionAt];
  car.heading = c[kHeadingAt];
  car.x = plat::GetI16(c + kXAt);
  car.y = plat::GetI16(c + kYAt);
  return car;
}

}  // namespace

Bytes EncodeContact(const ContactPacket& contact) {
  Bytes p = NewPacket(kConSize, ISP_CON, 0, 0);
  const std::uint16_t closing =
      contact.closingTenths > kClosingBits ? kClosingBits : contact.closingTenths;
  plat::PutU16(p.data() + kSpCloseAt, closing);
  plat::PutU16(p.data() + kTimeAt, contact.time);
  PutCar(contact.a, p.data() + kCarAAt);
  PutCar(contact.b, p.data() + kCarBAt);
  return p;
}

bool DecodeContact(const std::uint8_t* p, int size, ContactPacket* contact) {
  if (size < kConSize || p[kTypeAt] != ISP_CON) return false;
  contact->closingTenths = static_cast<std::uint16_t>(plat::GetU16(p + kSpCloseAt) & kClosingBits);
  contact->time = plat::GetU16(p + kTimeAt);
  contact->a = GetCar(p + kCarAAt);
  contact->b = GetCar(p + kCarBAt);
  return true;
}

}  // namespace racesim
