// The text packets, encoded and decoded side by side.
//
// From the simulator: IS_MSO (136: 4 UCID, 5 PLID, 6 UserType, 7 TextStart, 8-135 Msg) and "MSO"
// (132: 4-131 text). From the director: IS_MST (68: 4-67 Msg, taken as typed by the local user),
// IS_MSL (132: 3 Sound, 4-131 Msg, shown on the local screen) and "MTC" (72: 4-7 zero,
// 8-71 text). Every text is zero-terminated in its field.
#pragma once

#include <cstdint>
#include <string>

#include "tools/racesim/wire/framing.h"

namespace racesim {

// IS_MSO UserType: a system message, or a chat line of a user (TextStart: where its text begins).
inline constexpr std::uint8_t MSO_SYSTEM = 0;
inline constexpr std::uint8_t MSO_USER = 1;

struct MsoPacket {
  std::uint8_t ucid = 0;
  std::uint8_t plid = 0;
  std::uint8_t userType = MSO_SYSTEM;
  std::uint8_t textStart = 0;
  std::string text;
};

Bytes EncodeMso(const MsoPacket& mso);
bool DecodeMso(const std::uint8_t* p, int size, MsoPacket* mso);
Bytes EncodeV3Mso(const std::string& text);
bool DecodeV3Mso(const std::uint8_t* p, int size, std::string* text);

// IS_MST and IS_MSL: the text is read up to the end of the packet, whatever its size.
Bytes EncodeMst(const std::string& text);
Bytes EncodeMsl(const std::string& text, std::uint8_t sound);
bool DecodeMst(const std::uint8_t* p, int size, std::string* text);
bool DecodeMsl(const std::uint8_t* p, int size, std::string* text, std::uint8_t* sound);
Bytes EncodeV3Mtc(const std::string& text);
bool DecodeV3Mtc(const std::uint8_t* p, int size, std::string* text);

}  // namespace racesim
