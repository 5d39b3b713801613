#include "director/insim/packet_camera.h"

#include <bit>

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kX = 4;
constexpr int kY = 8;
constexpr int kZ = 12;
constexpr int kHeading = 16;
constexpr int kPitch = 18;
constexpr int kRoll = 20;
constexpr int kViewPlid = 22;
constexpr int kInGameCam = 23;
constexpr int kFov = 24;
constexpr int kTime = 28;
constexpr int kFlags = 30;

// "SCC": the extra byte, the view, the car.
constexpr int kSccExtra = 4;
constexpr int kSccView = 5;
constexpr int kSccPlid = 6;

constexpr std::uint8_t kReqNone = 0;
constexpr std::uint8_t kReqAsk = 1;

}  // namespace

void WriteCameraRecord(const CameraPositionRecord& rec, const std::uint8_t header[4],
                       std::uint8_t out[kCameraRecordSize]) {
  for (int i = 0; i < 4; ++i) out[i] = header[i];
  plat::PutI32(out + kX, rec.x);
  plat::PutI32(out + kY, rec.y);
  plat::PutI32(out + kZ, rec.z);
  plat::PutU16(out + kHeading, rec.heading);
  plat::PutU16(out + kPitch, rec.pitch);
  plat::PutU16(out + kRoll, rec.roll);
  out[kViewPlid] = rec.viewPlid;
  out[kInGameCam] = rec.inGameCam;
  plat::PutU32(out + kFov, std::bit_cast<std::uint32_t>(rec.fov));
  plat::PutU16(out + kTime, rec.time);
  plat::PutU16(out + kFlags, rec.flags);
}

CameraPositionRecord ReadCameraRecord(const std::uint8_t* p) {
  CameraPositionRecord rec;
  rec.x = plat::GetI32(p + kX);
  rec.y = plat::GetI32(p + kY);
  rec.z = plat::GetI32(p + kZ);
  rec.heading = plat::GetU16(p + kHeading);
  rec.pitch = plat::GetU16(p + kPitch);
  rec.roll = plat::GetU16(p + kRoll);
  rec.viewPlid = p[kViewPlid];
  rec.inGameCam = p[kInGameCam];
  rec.fov = std::bit_cast<float>(plat::GetU32(p + kFov));
  rec.time = plat::GetU16(p + kTime);
  rec.flags = plat::GetU16(p + kFlags);
  return rec;
}

std::uint16_t ClampPitch(std::uint16_t pitch) {
  // Straight up or down makes the simulator's camera flip; keep a few degrees away from both.
  if (pitch > 16000 && pitch < 32768) return 16000;
  if (pitch > 32768 && pitch < 50000) return 50000;
  return pitch;
}

void SendCameraPosition(InsimLink& link, CameraPositionRecord& rec) {
  rec.pitch = ClampPitch(rec.pitch);
  std::uint8_t p[kCameraRecordSize];
  if (link.version == kInsimV3) {
    const std::uint8_t header[4] = {'C', 'P', 'P', 0};
    WriteCameraRecord(rec, header, p);
  } else {
    const std::uint8_t header[4] = {kCameraRecordSize, ISP_CPP, kReqAsk, 0};
    WriteCameraRecord(rec, header, p);
  }
  link.Send(p, kCameraRecordSize);
}

void SendViewCamera(InsimLink& link, std::uint8_t view, std::uint8_t plid, std::uint8_t extra) {
  if (link.version == kInsimV3) {
    std::uint8_t p[kV3RequestSize] = {};
    PutV3Id(p, kV3SCC);
    p[kSccExtra] = extra;
    p[kSccView] = view;
    p[kSccPlid] = plid;
    link.Send(p, kV3RequestSize);
  } else {
    std::uint8_t p[kCameraRecordSize] = {};
    PutHeader(p, kCameraRecordSize, ISP_CPP, kReqNone, 0);
    p[kInGameCam] = view;
    link.Send(p, kCameraRecordSize);
  }
}

}  // namespace director
