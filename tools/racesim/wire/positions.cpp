#include "tools/racesim/wire/positions.h"

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kCarsAt = 4;
constexpr int kV3TotalAt = 8;
constexpr int kV3FirstAt = 9;
constexpr int kV3CarsAt = 12;
constexpr int kV3NodeBits = 0x1FFF;
constexpr int kV3LapHighBits = 0x700;
constexpr int kV3LapShift = 5;

// X .. AngVel: 20 bytes, the same in both car records.
void WriteMotion(const CarRecord& c, std::uint8_t* out) {
  plat::PutI32(out, c.x);
  plat::PutI32(out + 4, c.y);
  plat::PutI32(out + 8, c.z);
  plat::PutU16(out + 12, c.speed);
  plat::PutU16(out + 14, c.direction);
  plat::PutU16(out + 16, c.heading);
  plat::PutI16(out + 18, c.angVel);
}

void ReadMotion(const std::uint8_t* in, CarRecord* c) {
  c->x = plat::GetI32(in);
  c->y = plat::GetI32(in + 4);
  c->z = plat::GetI32(in + 8);
  c->speed = plat::GetU16(in + 12);
  c->direction = plat::GetU16(in + 14);
  c->heading = plat::GetU16(in + 16);
  c->angVel = plat::GetI16(in + 18);
}

}  // namespace

void WriteCar(const CarRecord& c, std::uint8_t* out) {
  plat::PutU16(out, c.node);
  plat::PutU16(out + 2, c.lap);
  out[4] = c.plid;
  out[5] = c.position;
  out[6] = c.info;
  out[7] = c.spare;
  WriteMotion(c, out + 8);
}

CarRecord ReadCar(const std::uint8_t* in) {
  CarRecord c;
  c.node = plat::GetU16(in);
  c.lap = plat::GetU16(in + 2);
  c.plid = in[4];
  c.position = in[5];
  c.info = in[6];
  c.spare = in[7];
  ReadMotion(in + 8, &c);
  return c;
}

void WriteV3Car(const CarRecord& c, std::uint8_t* out) {
  plat::PutU16(out, static_cast<std::uint16_t>((c.node & kV3NodeBits) |
                                               ((c.lap & kV3LapHighBits) << kV3LapShift)));
  out[2] = static_cast<std::uint8_t>(c.lap & 0xFF);
  out[3] = c.plid;
  WriteMotion(c, out + 4);
}

CarRecord ReadV3Car(const std::uint8_t* in) {
  const std::uint16_t packed = plat::GetU16(in);
  CarRecord c;
  c.node = static_cast<std::uint16_t>(packed & kV3NodeBits);
  c.lap = static_cast<std::uint16_t>(((packed >> kV3LapShift) & kV3LapHighBits) | in[2]);
  c.plid = in[3];
  ReadMotion(in + 4, &c);
  return c;
}

std::vector<Bytes> EncodeMci(const std::vector<CarRecord>& cars, int carsPerPacket) {
  std::vector<Bytes> packets;
  const int total = static_cast<int>(cars.size());
  for (int first = 0; first < total; first += carsPerPacket) {
    const int n = total - first < carsPerPacket ? total - first : carsPerPacket;
    Bytes p = NewPacket(kCarsAt + kCarSize * n, ISP_MCI, 0, static_cast<std::uint8_t>(n));
    for (int k = 0; k < n; ++k) {
      CarRecord c = cars[static_cast<std::size_t>(first + k)];
      c.info = static_cast<std::uint8_t>(c.info & ~CCI_LAST);
      if (first + k == total - 1) c.info = static_cast<std::uint8_t>(c.info | CCI_LAST);
      WriteCar(c, p.data() + kCarsAt + kCarSize * k);
    }
    packets.push_back(p);
  }
  return packets;
}

bool DecodeMci(const std::uint8_t* p, int size, std::vector<CarRecord>* cars) {
  if (size < kCarsAt || p[kTypeAt] != ISP_MCI) return false;
  const int n = p[kByte3At];
  if (size < kCarsAt + kCarSize * n) return false;
  cars->clear();
  for (int k = 0; k < n; ++k) cars->push_back(ReadCar(p + kCarsAt + kCarSize * k));
  return true;
}

std::vector<Bytes> EncodeV3Mci(const std::vector<CarRecord>& cars) {
  std::vector<Bytes> packets;
  const int total = static_cast<int>(cars.size());
  for (int first = 0; first < total; first += kCarsPerMci) {
    Bytes p = NewV3Packet(kV3MciSize, "MCI");
    p[kV3TotalAt] = static_cast<std::uint8_t>(total);
    p[kV3FirstAt] = static_cast<std::uint8_t>(first);
    for (int k = 0; k < kCarsPerMci && first + k < total; ++k) {
      WriteV3Car(cars[static_cast<std::size_t>(first + k)], p.data() + kV3CarsAt + kV3CarSize * k);
    }
    packets.push_back(p);
  }
  return packets;
}

bool DecodeV3Mci(const std::uint8_t* p, int size, int* total, int* first,
                 std::vector<CarRecord>* cars) {
  if (size < kV3MciSize || V3IdOf(p) != V3Id("MCI")) return false;
  *total = p[kV3TotalAt];
  *first = p[kV3FirstAt];
  cars->clear();
  for (int k = 0; k < kCarsPerMci && *first + k < *total; ++k) {
    cars->push_back(ReadV3Car(p + kV3CarsAt + kV3CarSize * k));
  }
  return true;
}

}  // namespace racesim
