#include "director/insim/packet_cars.h"

#include "director/insim/insim_constants.h"
#include "platform/bytes.h"

namespace director {

using plat::GetI32;
using plat::GetU16;

namespace {

// CompCar.
constexpr int kNodeAt = 0;
constexpr int kLapAt = 2;
constexpr int kPlidAt = 4;
constexpr int kPositionAt = 5;
constexpr int kInfoAt = 6;
constexpr int kSpareAt = 7;
constexpr int kXAt = 8;
constexpr int kYAt = 12;
constexpr int kZAt = 16;
constexpr int kSpeedAt = 20;
constexpr int kDirectionAt = 22;
constexpr int kHeadingAt = 24;
constexpr int kAngVelAt = 26;

// The version 3 record: a packed node-and-lap word, the lap's low byte, then the same fields
// four bytes earlier than CompCar's.
constexpr int kV3PackedAt = 0;
constexpr int kV3LapAt = 2;
constexpr int kV3PlidAt = 3;
constexpr int kV3Shift = 4;

// IS_MCI: NumC at 3, records from 4. "MCI": total at 8, first index at 9, records from 12.
constexpr int kNumCAt = 3;
constexpr int kCarsAt = 4;
constexpr int kV3TotalAt = 8;
constexpr int kV3FirstAt = 9;
constexpr int kV3CarsAt = 12;

CarPositions DecodeV4(const std::uint8_t* mci, int maxCars) {
  CarPositions out;
  int n = mci[kNumCAt];
  if (n > maxCars) n = maxCars;
  bool last = false;
  for (int i = 0; i < n; ++i) {
    const CompCar car = ReadCompCar(mci + kCarsAt + i * kCompCarSize);
    if ((car.info & CCI_LAST) != 0) last = true;
    if (car.node != 0 || car.lap != 0) out.cars[out.count++] = car;
  }
  out.completesSet = last || n < maxCars;
  return out;
}

CarPositions DecodeV3(const std::uint8_t* mci) {
  CarPositions out;
  const int total = mci[kV3TotalAt];
  const int first = mci[kV3FirstAt];
  int n = static_cast<std::uint8_t>(total - first);
  if (n > kMaxCarsPerPacket) n = kMaxCarsPerPacket;
  for (int i = 0; i < n; ++i) {
    const std::uint8_t* p = mci + kV3CarsAt + i * kV3CarSize;
    if (GetU16(p + kV3PackedAt) != 0 || p[kV3LapAt] != 0) out.cars[out.count++] = ConvertV3Car(p);
  }
  out.completesSet = total - first <= kMaxCarsPerPacket;
  return out;
}

}  // namespace

CompCar ReadCompCar(const std::uint8_t* p) {
  CompCar car;
  car.node = GetU16(p + kNodeAt);
  car.lap = GetU16(p + kLapAt);
  car.plid = p[kPlidAt];
  car.position = p[kPositionAt];
  car.info = p[kInfoAt];
  car.spare = p[kSpareAt];
  car.x = GetI32(p + kXAt);
  car.y = GetI32(p + kYAt);
  car.z = GetI32(p + kZAt);
  car.speed = GetU16(p + kSpeedAt);
  car.direction = GetU16(p + kDirectionAt);
  car.heading = GetU16(p + kHeadingAt);
  car.angVel = plat::GetI16(p + kAngVelAt);
  return car;
}

void WriteCompCar(const CompCar& car, std::uint8_t* p) {
  plat::PutU16(p + kNodeAt, car.node);
  plat::PutU16(p + kLapAt, car.lap);
  p[kPlidAt] = car.plid;
  p[kPositionAt] = car.position;
  p[kInfoAt] = car.info;
  p[kSpareAt] = car.spare;
  plat::PutI32(p + kXAt, car.x);
  plat::PutI32(p + kYAt, car.y);
  plat::PutI32(p + kZAt, car.z);
  plat::PutU16(p + kSpeedAt, car.speed);
  plat::PutU16(p + kDirectionAt, car.direction);
  plat::PutU16(p + kHeadingAt, car.heading);
  plat::PutI16(p + kAngVelAt, car.angVel);
}

CompCar ConvertV3Car(const std::uint8_t* p) {
  // The version 3 record packs the node into 13 bits and puts the lap's top 3 bits above it.
  const std::uint16_t packed = GetU16(p + kV3PackedAt);
  CompCar car;
  car.node = packed & 0x1FFF;
  car.lap = static_cast<std::uint16_t>(((packed >> 5) & 0x700) | p[kV3LapAt]);
  car.plid = p[kV3PlidAt];
  car.x = GetI32(p + kXAt - kV3Shift);
  car.y = GetI32(p + kYAt - kV3Shift);
  car.z = GetI32(p + kZAt - kV3Shift);
  car.speed = GetU16(p + kSpeedAt - kV3Shift);
  car.direction = GetU16(p + kDirectionAt - kV3Shift);
  car.heading = GetU16(p + kHeadingAt - kV3Shift);
  car.angVel = plat::GetI16(p + kAngVelAt - kV3Shift);
  return car;
}

CarPositions DecodeCarPositions(std::uint8_t version, const std::uint8_t* mci) {
  if (version == kInsimV3) return DecodeV3(mci);
  return DecodeV4(mci, version == kInsimV10 ? kV10MaxCarsPerPacket : kMaxCarsPerPacket);
}

}  // namespace director
