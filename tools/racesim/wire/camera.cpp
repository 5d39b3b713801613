#include "tools/racesim/wire/camera.h"

#include <bit>

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kXAt = 4;
constexpr int kYAt = 8;
constexpr int kZAt = 12;
constexpr int kHeadingAt = 16;
constexpr int kPitchAt = 18;
constexpr int kRollAt = 20;
constexpr int kViewPlidAt = 22;
constexpr int kInGameCamAt = 23;
constexpr int kFovAt = 24;
constexpr int kTimeAt = 28;
constexpr int kFlagsAt = 30;

void WriteCamera(std::uint8_t* p, const CameraRecord& c) {
  plat::PutI32(p + kXAt, c.x);
  plat::PutI32(p + kYAt, c.y);
  plat::PutI32(p + kZAt, c.z);
  plat::PutU16(p + kHeadingAt, c.heading);
  plat::PutU16(p + kPitchAt, c.pitch);
  plat::PutU16(p + kRollAt, c.roll);
  p[kViewPlidAt] = c.viewPlid;
  p[kInGameCamAt] = c.inGameCam;
  plat::PutU32(p + kFovAt, std::bit_cast<std::uint32_t>(c.fov));
  plat::PutU16(p + kTimeAt, c.time);
  plat::PutU16(p + kFlagsAt, c.flags);
}

}  // namespace

Bytes EncodeCpp(std::uint8_t reqI, const CameraRecord& camera) {
  Bytes p = NewPacket(kCppSize, ISP_CPP, reqI, 0);
  WriteCamera(p.data(), camera);
  return p;
}

Bytes EncodeV3Cpp(const CameraRecord& camera) {
  Bytes p = NewV3Packet(kCppSize, "CPP");
  WriteCamera(p.data(), camera);
  return p;
}

bool DecodeCpp(const std::uint8_t* p, int size, CameraRecord* c) {
  if (size < kCppSize) return false;
  c->x = plat::GetI32(p + kXAt);
  c->y = plat::GetI32(p + kYAt);
  c->z = plat::GetI32(p + kZAt);
  c->heading = plat::GetU16(p + kHeadingAt);
  c->pitch = plat::GetU16(p + kPitchAt);
  c->roll = plat::GetU16(p + kRollAt);
  c->viewPlid = p[kViewPlidAt];
  c->inGameCam = p[kInGameCamAt];
  c->fov = std::bit_cast<float>(plat::GetU32(p + kFovAt));
  c->time = plat::GetU16(p + kTimeAt);
  c->flags = plat::GetU16(p + kFlagsAt);
  return true;
}

}  // namespace racesim
