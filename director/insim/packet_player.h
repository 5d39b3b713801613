// A player joining the race. Version 4's IS_NPL (76 bytes; version 10's is longer, with the same
// front): PLID at byte 3, the connection at 4, the player type at 5, the player flags at 6, the
// name at 8 (24 bytes), the number plate at 32 (8) and the car at 40 (4). Version 3's "NPL"
// (100 bytes): the name at 28, the player's id at 95 and the index of the player in the
// simulator's list at 96 (the director asks for the next one until the list ends).
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

inline constexpr int kNplSize = 76;
inline constexpr int kNplNameSize = 24;
inline constexpr int kNplPlateSize = 8;
inline constexpr int kNplCarSize = 4;
inline constexpr int kV3NplSize = 100;

struct NewPlayerPacket {
  std::uint8_t plid = 0;
  std::uint8_t ucid = 0;
  std::uint8_t playerType = 0;
  std::uint16_t playerFlags = 0;
  char name[kNplNameSize + 1] = {};  // colour codes included
  char plate[kNplPlateSize + 1] = {};
  char car[kNplCarSize + 1] = {};
};

NewPlayerPacket DecodeNewPlayer(const std::uint8_t* npl);
// The version 4 form (kNplSize bytes; the fields after the car are zero).
void EncodeNewPlayer(const NewPlayerPacket& player, std::uint8_t out[kNplSize]);

struct NewPlayerPacketV3 {
  std::uint8_t plid = 0;
  std::uint8_t index = 0;
  char name[kNplNameSize + 1] = {};
};

NewPlayerPacketV3 DecodeNewPlayerV3(const std::uint8_t* npl);
// The version 3 form (kV3NplSize bytes; the fields the director does not read are zero).
void EncodeNewPlayerV3(const NewPlayerPacketV3& player, std::uint8_t out[kV3NplSize]);

}  // namespace director
