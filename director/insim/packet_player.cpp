#include "director/insim/packet_player.h"

#include <cstring>

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kPlid = 3;
constexpr int kUcid = 4;
constexpr int kPlayerType = 5;
constexpr int kFlags = 6;
constexpr int kName = 8;
constexpr int kPlate = 32;
constexpr int kCar = 40;

constexpr int kV3Name = 28;
constexpr int kV3Plid = 95;
constexpr int kV3Index = 96;

// A text field written back whole: all its bytes, even where the text has no zero inside it.
void PutField(std::uint8_t* field, const char* text, int width) {
  std::memcpy(field, text, static_cast<std::size_t>(width));
}

}  // namespace

NewPlayerPacket DecodeNewPlayer(const std::uint8_t* npl) {
  NewPlayerPacket player;
  player.plid = npl[kPlid];
  player.ucid = npl[kUcid];
  player.playerType = npl[kPlayerType];
  player.playerFlags = plat::GetU16(npl + kFlags);
  GetText(player.name, npl + kName, kNplNameSize);
  GetText(player.plate, npl + kPlate, kNplPlateSize);
  GetText(player.car, npl + kCar, kNplCarSize);
  return player;
}

void EncodeNewPlayer(const NewPlayerPacket& player, std::uint8_t out[kNplSize]) {
  std::memset(out, 0, kNplSize);
  PutHeader(out, kNplSize, ISP_NPL, 0, player.plid);
  out[kUcid] = player.ucid;
  out[kPlayerType] = player.playerType;
  plat::PutU16(out + kFlags, player.playerFlags);
  PutField(out + kName, player.name, kNplNameSize);
  PutField(out + kPlate, player.plate, kNplPlateSize);
  PutField(out + kCar, player.car, kNplCarSize);
}

NewPlayerPacketV3 DecodeNewPlayerV3(const std::uint8_t* npl) {
  NewPlayerPacketV3 player;
  player.plid = npl[kV3Plid];
  player.index = npl[kV3Index];
  GetText(player.name, npl + kV3Name, kNplNameSize);
  return player;
}

void EncodeNewPlayerV3(const NewPlayerPacketV3& player, std::uint8_t out[kV3NplSize]) {
  std::memset(out, 0, kV3NplSize);
  PutV3Id(out, kV3NPL);
  PutField(out + kV3Name, player.name, kNplNameSize);
  out[kV3Plid] = player.plid;
  out[kV3Index] = player.index;
}

}  // namespace director
