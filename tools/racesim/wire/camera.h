// The camera packet of both versions (IS_CPP, "CPP"; 32 bytes, the same fields from byte 4),
// encoded and decoded side by side. The director sends it to set the camera (ReqI 1), or with
// only InGameCam set to change the view (ReqI 0); the simulator answers TINY_SCP / "SCP" with it.
//
// 4-15 Pos X, Y, Z (i32, 65536 = 1 m), 16-17 H, 18-19 P, 20-21 R, 22 ViewPLID, 23 InGameCam,
// 24-27 FOV (float, degrees), 28-29 Time (ms), 30-31 Flags (ISS_SHIFTU: the free camera).
#pragma once

#include <cstdint>

#include "tools/racesim/wire/framing.h"

namespace racesim {

struct CameraRecord {
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t heading = 0;
  std::uint16_t pitch = 0;
  std::uint16_t roll = 0;
  std::uint8_t viewPlid = 0;
  std::uint8_t inGameCam = 0;
  float fov = 0.0f;
  std::uint16_t time = 0;
  std::uint16_t flags = 0;
};

Bytes EncodeCpp(std::uint8_t reqI, const CameraRecord& camera);
Bytes EncodeV3Cpp(const CameraRecord& camera);
// Either version: the fields from byte 4 on.
bool DecodeCpp(const std::uint8_t* p, int size, CameraRecord* camera);

}  // namespace racesim
