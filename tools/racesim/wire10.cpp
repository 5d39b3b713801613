#include "tools/racesim/wire10.h"

#include <algorithm>
#include <cstring>

namespace racesim {

namespace {

constexpr std::uint8_t kTypeVer = 2;
constexpr std::uint8_t kTypeReo = 36;
constexpr std::uint8_t kTypeMci = 38;
constexpr std::uint8_t kCciLast = 0x80;
constexpr int kVerBytes = 20;
constexpr int kReoBytes = 4 + kReoIds10;
constexpr int kCarBytes = 28;
constexpr int kMaxBytes = 255 * kSizeUnit10;

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutText(std::uint8_t* field, std::size_t width, const std::string& text) {
  // A fixed-width field: the text cut to the width, the rest left as the zeros it holds.
  std::copy_n(text.begin(), text.size() < width ? text.size() : width, field);
}

void WriteCar(const CarRecord10& c, std::uint8_t* p) {
  Put16(p, c.node);
  Put16(p + 2, c.lap);
  p[4] = c.plid;
  p[5] = c.position;
  p[6] = c.info;
  Put32(p + 8, static_cast<std::uint32_t>(c.x));
  Put32(p + 12, static_cast<std::uint32_t>(c.y));
  Put32(p + 16, static_cast<std::uint32_t>(c.z));
  Put16(p + 20, c.speed);
  Put16(p + 22, c.direction);
  Put16(p + 24, c.heading);
  Put16(p + 26, static_cast<std::uint16_t>(c.angVel));
}

}  // namespace

Bytes Frame10(const Bytes& packet) {
  if (packet.empty() || packet.size() > static_cast<std::size_t>(kMaxBytes)) return {};
  Bytes framed = packet;
  framed.resize((packet.size() + kSizeUnit10 - 1) / kSizeUnit10 * kSizeUnit10, 0);
  framed[0] = static_cast<std::uint8_t>(framed.size() / kSizeUnit10);
  return framed;
}

Bytes BuildVer10(std::uint8_t reqI, const std::string& version, const std::string& product) {
  Bytes p(kVerBytes, 0);
  p[1] = kTypeVer;
  p[2] = reqI;
  PutText(p.data() + 4, 8, version);
  PutText(p.data() + 12, 6, product);
  p[18] = kInsim10;
  return p;
}

std::vector<Bytes> BuildMci10(const std::vector<CarRecord10>& cars) {
  std::vector<Bytes> packets;
  const std::size_t total = cars.size();
  for (std::size_t first = 0; first < total; first += kCarsPerMci10) {
    const std::size_t n = total - first < kCarsPerMci10 ? total - first : kCarsPerMci10;
    Bytes p(4 + kCarBytes * n, 0);
    p[1] = kTypeMci;
    p[3] = static_cast<std::uint8_t>(n);
    for (std::size_t k = 0; k < n; ++k) {
      CarRecord10 c = cars[first + k];
      c.info = static_cast<std::uint8_t>(c.info & ~kCciLast);
      if (first + k + 1 == total) c.info = static_cast<std::uint8_t>(c.info | kCciLast);
      WriteCar(c, p.data() + 4 + kCarBytes * k);
    }
    packets.push_back(p);
  }
  return packets;
}

Bytes BuildReo10(std::uint8_t reqI, const std::vector<std::uint8_t>& plids) {
  Bytes p(kReoBytes, 0);
  p[1] = kTypeReo;
  p[2] = reqI;
  const std::size_t n = plids.size() < kReoIds10 ? plids.size() : kReoIds10;
  p[3] = static_cast<std::uint8_t>(n);
  for (std::size_t i = 0; i < n; ++i) p[4 + i] = plids[i];
  return p;
}

}  // namespace racesim
