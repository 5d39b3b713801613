// The camera packet: version 3's "CPP" and version 4's IS_CPP share one 32-byte layout after
// their four header bytes. The director sends it to place the simulator's camera and reads it
// back when the simulator reports where its camera stands. Version 3 switches the view with its
// own "SCC"; version 4 has no view packet of its own and sends an IS_CPP with only InGameCam set.
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

// The 32-byte camera packet of both versions (header written by the sender).
struct CameraPositionRecord {
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t heading = 0;
  std::uint16_t pitch = 0;
  std::uint16_t roll = 0;
  std::uint8_t viewPlid = 0;
  std::uint8_t inGameCam = 0;
  float fov = 0.0f;  // 0: nothing to send
  std::uint16_t time = 0;
  std::uint16_t flags = 0;
};

// Writes the record's 32 bytes with the given first four header bytes.
void WriteCameraRecord(const CameraPositionRecord& rec, const std::uint8_t header[4],
                       std::uint8_t out[kCameraRecordSize]);
// Reads the record of a camera packet of either version (32 bytes).
CameraPositionRecord ReadCameraRecord(const std::uint8_t* p);

// The pitch limit of SendCameraPosition: never past 16000 on one side or 50000 on the other.
std::uint16_t ClampPitch(std::uint16_t pitch);

// Clamps the record's pitch in place, then sends it ("CPP" / IS_CPP with ReqI 1).
void SendCameraPosition(InsimLink& link, CameraPositionRecord& rec);
// Version 3: "SCC" with the view, the car and the extra byte. Version 4: IS_CPP with InGameCam.
void SendViewCamera(InsimLink& link, std::uint8_t view, std::uint8_t plid, std::uint8_t extra);

}  // namespace director
