// InSim packets: the records the director exchanges with the simulator, and the senders.
//
// Every sender takes the InsimLink first and builds the version 3 or version 4 form, as the link's
// version says, with explicit little-endian writes at fixed offsets; bytes not named are zero.
// Version 10 packets have the version 4 layouts (IS_ISI says 10 in byte 8): they are built with
// their length in bytes at byte 0, and InsimLink::Send writes the Size byte of the framing
// (FrameSizeByte), so every framing decision sits in one place; PacketBytes is its reverse.
// Sends are fire and forget: a failed send is not reported. In version 3, SendText, SendRequest
// and SendAck set the link's LastSendTick to the current tick afterwards (the keep-alive counts
// from it); the camera, view and 2D senders leave it to their caller.
//
// CameraPositionRecord is a plain struct; WriteCameraRecord is the only place that knows its byte
// layout.
#pragma once

#include <cstdint>

#include "director/insim/insim_constants.h"
#include "director/insim/packet_cars.h"

namespace plat {
class Clock;
}

namespace director {

inline constexpr char kMessagePrefix[] = "^3Morvane: ^2";

// Where the bytes of a packet go: the session's socket, or a capture in tests.
class PacketSink {
 public:
  virtual ~PacketSink() = default;
  virtual void SendPacket(const std::uint8_t* data, int size) = 0;
};

// The Size byte of a TCP packet of the given length: the length itself in version 4, the length
// in units of four bytes in version 10 (the length must then be a multiple of 4).
std::uint8_t FrameSizeByte(std::uint8_t version, int bytes);
// The length in bytes of a TCP packet whose Size byte is sizeByte.
int PacketBytes(std::uint8_t version, std::uint8_t sizeByte);

struct InsimLink {
  std::uint8_t version = 4;               // 3 (UDP), 4 or 10 (TCP)
  PacketSink* sink = nullptr;             // no sink: nothing is sent
  plat::Clock* clock = nullptr;           // version 3: the tick of each send
  std::uint32_t* lastSendTick = nullptr;  // version 3: LastSendTick
  const char* simVersion = nullptr;       // the simulator's version text once it has answered

  // Version 10: the packet goes out padded with zeros to a multiple of 4 bytes, its Size byte
  // counting units of 4 (FrameSizeByte); the other versions send the bytes as they stand.
  void Send(const std::uint8_t* data, int size);
  // Version 3: LastSendTick := now.
  void MarkSent();
};

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

// The pitch limit of SendCameraPosition: never past 16000 on one side or 50000 on the other.
std::uint16_t ClampPitch(std::uint16_t pitch);

// Copies text into a zero-padded field of fieldSize bytes, cut to fieldSize - 1 characters.
void PutText(std::uint8_t* field, int fieldSize, const char* text);

void SendText(InsimLink& link, const char* text, bool withPrefix);
// Clamps the record's pitch in place, then sends it ("CPP" / IS_CPP with ReqI 1).
void SendCameraPosition(InsimLink& link, CameraPositionRecord& rec);
void SendViewCamera(InsimLink& link, std::uint8_t view, std::uint8_t plid, std::uint8_t extra);
void SendShow2D(InsimLink& link, std::uint8_t on);
// Sets ISS_SHIFTU_NO_OPT ("SFP" flag 0x40 on / IS_SFP with ReqI 0).
void SendShiftUNoOpt(InsimLink& link);
// Version 3 only: identifier and a 32-bit value.
void SendRequest(InsimLink& link, std::uint32_t identifier, std::uint32_t value);
// Version 3 only.
void SendAck(InsimLink& link, std::uint16_t value);
// Version 4 only.
void SendTiny(InsimLink& link, std::uint8_t reqI, std::uint8_t subT);
// The first packet of a session: "ISI" / IS_ISI with the admin password (at most 14 characters);
// in version 10 IS_ISI says so in its byte 8.
void SendInit(InsimLink& link, const char* password);

// IS_BTN for the overlay: size 13 + text length rounded up to a multiple of 4, at most 252 (a
// longer text is cut). Returns the size written to out.
int BuildButton(std::uint8_t out[kMaxButtonSize], const char* text, std::uint8_t clickId,
                std::uint8_t style, std::uint8_t left, std::uint8_t top, std::uint8_t width,
                std::uint8_t height);
// IS_BFN deleting one button. Returns its size (8).
int BuildDeleteButton(std::uint8_t out[kBfnSize], std::uint8_t clickId);

}  // namespace director
