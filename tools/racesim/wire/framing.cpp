#include "tools/racesim/wire/framing.h"

#include <cstring>

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

Bytes NewPacket(int size, std::uint8_t type, std::uint8_t reqI, std::uint8_t byte3) {
  Bytes p(static_cast<std::size_t>(size), 0);
  p[kSizeAt] = static_cast<std::uint8_t>(size);
  p[kTypeAt] = type;
  p[kReqIAt] = reqI;
  p[kByte3At] = byte3;
  return p;
}

Bytes NewV3Packet(int size, const char (&id)[4]) {
  Bytes p(static_cast<std::size_t>(size), 0);
  std::memcpy(p.data(), id, 3);
  return p;
}

std::uint32_t V3IdOf(const std::uint8_t* p) { return plat::GetU32(p); }

std::uint16_t V3AckWord(const Bytes& packet) {
  return packet.size() < 2 ? 0 : plat::GetU16(packet.data() + packet.size() - 2);
}

void PutV3AckWord(Bytes& packet, std::uint16_t word) {
  if (packet.size() >= 2) plat::PutU16(packet.data() + packet.size() - 2, word);
}

Bytes Frame10(const Bytes& packet) {
  if (packet.empty() || packet.size() > static_cast<std::size_t>(kMaxPacket10)) return {};
  Bytes framed = packet;
  framed.resize((packet.size() + kSizeUnit10 - 1) / kSizeUnit10 * kSizeUnit10, 0);
  framed[kSizeAt] = static_cast<std::uint8_t>(framed.size() / kSizeUnit10);
  return framed;
}

int PacketBytes10(std::uint8_t sizeByte) { return sizeByte * kSizeUnit10; }

void PutText(std::uint8_t* field, int width, const std::string& text) {
  std::memset(field, 0, static_cast<std::size_t>(width));
  const char* s = text.c_str();
  for (int i = 0; i < width - 1 && s[i] != '\0'; ++i) field[i] = static_cast<std::uint8_t>(s[i]);
}

void PutChars(std::uint8_t* field, int width, const std::string& text) {
  const std::size_t n =
      text.size() < static_cast<std::size_t>(width) ? text.size() : static_cast<std::size_t>(width);
  std::memset(field, 0, static_cast<std::size_t>(width));
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result): the field needs no terminator
  std::memcpy(field, text.data(), n);
}

std::string FieldText(const std::uint8_t* field, int width) {
  std::string text;
  for (int i = 0; i < width && field[i] != 0; ++i) text += static_cast<char>(field[i]);
  return text;
}

}  // namespace racesim
