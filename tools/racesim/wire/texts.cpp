#include "tools/racesim/wire/texts.h"

#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kMsoUcidAt = 4;
constexpr int kMsoPlidAt = 5;
constexpr int kMsoUserTypeAt = 6;
constexpr int kMsoTextStartAt = 7;
constexpr int kMsoTextAt = 8;
constexpr int kV3MsoTextAt = 4;
constexpr int kTypedTextAt = 4;  // IS_MST, IS_MSL
constexpr int kMstTextWidth = 64;
constexpr int kMtcTextAt = 8;
constexpr int kMtcTextWidth = 64;

}  // namespace

Bytes EncodeMso(const MsoPacket& mso) {
  Bytes p = NewPacket(kMsoSize, ISP_MSO, 0, 0);
  p[kMsoUcidAt] = mso.ucid;
  p[kMsoPlidAt] = mso.plid;
  p[kMsoUserTypeAt] = mso.userType;
  p[kMsoTextStartAt] = mso.textStart;
  PutText(p.data() + kMsoTextAt, kMessageTextSize, mso.text);
  return p;
}

bool DecodeMso(const std::uint8_t* p, int size, MsoPacket* mso) {
  if (size < kMsoSize || p[kTypeAt] != ISP_MSO) return false;
  mso->ucid = p[kMsoUcidAt];
  mso->plid = p[kMsoPlidAt];
  mso->userType = p[kMsoUserTypeAt];
  mso->textStart = p[kMsoTextStartAt];
  mso->text = FieldText(p + kMsoTextAt, kMessageTextSize);
  return true;
}

Bytes EncodeV3Mso(const std::string& text) {
  Bytes p = NewV3Packet(kV3MsoSize, "MSO");
  PutText(p.data() + kV3MsoTextAt, kMessageTextSize, text);
  return p;
}

bool DecodeV3Mso(const std::uint8_t* p, int size, std::string* text) {
  if (size < kV3MsoSize || V3IdOf(p) != V3Id("MSO")) return false;
  *text = FieldText(p + kV3MsoTextAt, kMessageTextSize);
  return true;
}

Bytes EncodeMst(const std::string& text) {
  Bytes p = NewPacket(kMstSize, ISP_MST, 0, 0);
  PutText(p.data() + kTypedTextAt, kMstTextWidth, text);
  return p;
}

Bytes EncodeMsl(const std::string& text, std::uint8_t sound) {
  Bytes p = NewPacket(kMslSize, ISP_MSL, 0, sound);
  PutText(p.data() + kTypedTextAt, kMessageTextSize, text);
  return p;
}

bool DecodeMst(const std::uint8_t* p, int size, std::string* text) {
  if (size < kTypedTextAt || p[kTypeAt] != ISP_MST) return false;
  *text = FieldText(p + kTypedTextAt, size - kTypedTextAt);
  return true;
}

bool DecodeMsl(const std::uint8_t* p, int size, std::string* text, std::uint8_t* sound) {
  if (size < kTypedTextAt || p[kTypeAt] != ISP_MSL) return false;
  *text = FieldText(p + kTypedTextAt, size - kTypedTextAt);
  *sound = p[kByte3At];
  return true;
}

Bytes EncodeV3Mtc(const std::string& text) {
  Bytes p = NewV3Packet(kV3MtcSize, "MTC");
  PutText(p.data() + kMtcTextAt, kMtcTextWidth, text);
  return p;
}

bool DecodeV3Mtc(const std::uint8_t* p, int size, std::string* text) {
  if (size < kV3MtcSize || V3IdOf(p) != kV3MTC) return false;
  *text = FieldText(p + kMtcTextAt, kMtcTextWidth);
  return true;
}

}  // namespace racesim
