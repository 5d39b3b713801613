#include "director/insim/packet_link.h"

#include <cstring>

#include "platform/bytes.h"
#include "platform/thread.h"

namespace director {

std::uint8_t FrameSizeByte(std::uint8_t version, int bytes) {
  return static_cast<std::uint8_t>(version == kInsimV10 ? bytes / kV10SizeUnit : bytes);
}

int PacketBytes(std::uint8_t version, std::uint8_t sizeByte) {
  return version == kInsimV10 ? sizeByte * kV10SizeUnit : sizeByte;
}

void InsimLink::Send(const std::uint8_t* data, int size) {
  if (sink == nullptr) return;
  if (version != kInsimV10 || size < 4 || size > kV10MaxPacketSize) {
    sink->SendPacket(data, size);
    return;
  }
  // The simulator cuts the stream by Size * 4: a packet that is not a whole number of units would
  // shift every packet after it.
  std::uint8_t framed[kV10MaxPacketSize] = {};  // the padding stays zero
  const int padded = (size + kV10SizeUnit - 1) / kV10SizeUnit * kV10SizeUnit;
  std::memcpy(framed, data, static_cast<std::size_t>(size));
  framed[0] = FrameSizeByte(version, padded);
  sink->SendPacket(framed, padded);
}

void InsimLink::MarkSent() {
  if (version == 3 && clock != nullptr && lastSendTick != nullptr) *lastSendTick = clock->Now();
}

void PutHeader(std::uint8_t* p, int size, std::uint8_t type, std::uint8_t reqI,
               std::uint8_t byte3) {
  p[0] = static_cast<std::uint8_t>(size);
  p[1] = type;
  p[2] = reqI;
  p[3] = byte3;
}

void PutV3Id(std::uint8_t* p, std::uint32_t identifier) { plat::PutU32(p, identifier); }

void PutText(std::uint8_t* field, int fieldSize, const char* text) {
  std::memset(field, 0, static_cast<std::size_t>(fieldSize));
  if (text == nullptr) return;
  for (int i = 0; i < fieldSize - 1 && text[i] != '\0'; ++i) {
    field[i] = static_cast<std::uint8_t>(text[i]);
  }
}

void GetText(char* out, const std::uint8_t* field, int width) {
  std::memcpy(out, field, static_cast<std::size_t>(width));
  out[width] = '\0';
}

}  // namespace director
