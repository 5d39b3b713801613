// The frame of every packet and its text fields, shared by the packet modules.
//
// Versions 4 and 10: byte 0 Size, 1 Type, 2 ReqI, 3 a byte of the packet's own (Zero, SubT, PLID,
// NumC, ...). The stand-in builds its packets with Size in bytes; Frame10 turns one into the
// version 10 framing (zeros up to a whole number of 4-byte units, Size counting units), in one
// place. Version 3: bytes 0-3 are the identifier and the size is fixed by it.
//
// Text fields are fixed widths: PutText writes a zero-terminated text (cut to width - 1), PutChars
// a code that fills its field without a terminator (track names, car codes, plates, versions).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace racesim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int kSizeAt = 0;
inline constexpr int kTypeAt = 1;
inline constexpr int kReqIAt = 2;
inline constexpr int kByte3At = 3;  // Zero, SubT, PLID, NumC, ... as the packet says

// A zeroed version 4 packet of size bytes with its four header bytes.
Bytes NewPacket(int size, std::uint8_t type, std::uint8_t reqI, std::uint8_t byte3);
// A zeroed version 3 packet of size bytes starting with its identifier.
Bytes NewV3Packet(int size, const char (&id)[4]);
// The identifier of a version 3 packet (at least 4 bytes).
std::uint32_t V3IdOf(const std::uint8_t* p);
// The 16-bit word a version 3 packet asks to have acknowledged: its last two bytes.
std::uint16_t V3AckWord(const Bytes& packet);
void PutV3AckWord(Bytes& packet, std::uint16_t word);

// The packet in the version 10 framing. Empty for a packet of more than 1020 bytes, which cannot
// be framed.
Bytes Frame10(const Bytes& packet);
// The length in bytes of a version 10 packet whose Size byte is sizeByte.
int PacketBytes10(std::uint8_t sizeByte);

void PutText(std::uint8_t* field, int width, const std::string& text);
void PutChars(std::uint8_t* field, int width, const std::string& text);
// The text of a zero-terminated (or full) fixed field.
std::string FieldText(const std::uint8_t* field, int width);

}  // namespace racesim
