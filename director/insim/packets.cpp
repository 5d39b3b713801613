#include "director/insim/packets.h"

#include <bit>
#include <cstring>

#include "link/message_queue.h"
#include "platform/bytes.h"
#include "platform/thread.h"

namespace director {

using plat::PutI32;
using plat::PutU16;
using plat::PutU32;

namespace {

constexpr int kPasswordChars = 14;
constexpr int kPasswordField = 16;
constexpr int kMtcTextOffset = 8;
constexpr int kMtcTextField = 64;
constexpr int kMstTextField = 64;
constexpr int kMslTextField = 128;
constexpr std::uint8_t kReqNone = 0;
constexpr std::uint8_t kReqAsk = 1;
constexpr std::uint16_t kInitInterval = 200;
constexpr char kProgramName[] = "Morvane";
constexpr int kButtonHeader = 12;

void PutId(std::uint8_t* p, std::uint32_t identifier) { PutU32(p, identifier); }

void PutHeader(std::uint8_t* p, int size, std::uint8_t type, std::uint8_t reqI,
               std::uint8_t byte3) {
  p[0] = static_cast<std::uint8_t>(size);
  p[1] = type;
  p[2] = reqI;
  p[3] = byte3;
}

// One state flag switched on or off: version 3 "SFP", version 4 IS_SFP.
void SendStateFlag(InsimLink& link, std::uint16_t flag, std::uint8_t on, std::uint8_t reqI) {
  std::uint8_t p[kSfpSize] = {};
  if (link.version == 3) {
    PutId(p, kV3SFP);
  } else {
    PutHeader(p, kSfpSize, ISP_SFP, reqI, 0);
  }
  PutU16(p + 4, flag);
  p[6] = on;
  link.Send(p, kSfpSize);
}

}  // namespace

std::uint8_t FrameSizeByte(std::uint8_t version, int bytes) {
  return static_cast<std::uint8_t>(version == kInsimV10 ? bytes / kV10SizeUnit : bytes);
}

int PacketBytes(std::uint8_t version, std::uint8_t sizeByte) {
  return version == kInsimV10 ? sizeByte * kV10SizeUnit : sizeByte;
}

void InsimLink::Send(const std::uint8_t* data, int size) {
  if (sink == nullptr) return;
  if (version != kInsimV10 || size < 4 || size > kV10MaxPacketSize) {
    sink->SendPacket(data, size);
    return;
  }
  // The simulator cuts the stream by Size * 4: a packet that is not a whole number of units would
  // shift every packet after it.
  std::uint8_t framed[kV10MaxPacketSize] = {};  // the padding stays zero
  const int padded = (size + kV10SizeUnit - 1) / kV10SizeUnit * kV10SizeUnit;
  std::memcpy(framed, data, static_cast<std::size_t>(size));
  framed[0] = FrameSizeByte(version, padded);
  sink->SendPacket(framed, padded);
}

void InsimLink::MarkSent() {
  if (version == 3 && clock != nullptr && lastSendTick != nullptr) *lastSendTick = clock->Now();
}

void WriteCameraRecord(const CameraPositionRecord& rec, const std::uint8_t header[4],
                       std::uint8_t out[kCameraRecordSize]) {
  std::memcpy(out, header, 4);
  PutI32(out + 4, rec.x);
  PutI32(out + 8, rec.y);
  PutI32(out + 12, rec.z);
  PutU16(out + 16, rec.heading);
  PutU16(out + 18, rec.pitch);
  PutU16(out + 20, rec.roll);
  out[22] = rec.viewPlid;
  out[23] = rec.inGameCam;
  PutU32(out + 24, std::bit_cast<std::uint32_t>(rec.fov));
  PutU16(out + 28, rec.time);
  PutU16(out + 30, rec.flags);
}

std::uint16_t ClampPitch(std::uint16_t pitch) {
  // Straight up or down makes the simulator's camera flip; keep a few degrees away from both.
  if (pitch > 16000 && pitch < 32768) return 16000;
  if (pitch > 32768 && pitch < 50000) return 50000;
  return pitch;
}

void PutText(std::uint8_t* field, int fieldSize, const char* text) {
  std::memset(field, 0, static_cast<std::size_t>(fieldSize));
  if (text == nullptr) return;
  for (int i = 0; i < fieldSize - 1 && text[i] != '\0'; ++i) {
    field[i] = static_cast<std::uint8_t>(text[i]);
  }
}

void SendText(InsimLink& link, const char* text, bool withPrefix) {
  // Prefix and text are joined first, so the cut takes the end of the text, never the prefix.
  char joined[kMslTextField + 1] = {};
  std::size_t used = 0;
  if (withPrefix) {
    std::memcpy(joined, kMessagePrefix, sizeof(kMessagePrefix) - 1);
    used = sizeof(kMessagePrefix) - 1;
  }
  for (std::size_t i = 0; text != nullptr && text[i] != '\0' && used < kMslTextField; ++i) {
    joined[used++] = text[i];
  }
  if (link.version == 3) {
    std::uint8_t p[kV3TextSize] = {};
    PutId(p, kV3MTC);
    PutText(p + kMtcTextOffset, kMtcTextField, joined);
    link.Send(p, kV3TextSize);
    link.MarkSent();
  } else if (withPrefix) {
    std::uint8_t p[kMslSize] = {};
    PutHeader(p, kMslSize, ISP_MSL, kReqNone, 0);
    PutText(p + 4, kMslTextField, joined);
    link.Send(p, kMslSize);
  } else {
    std::uint8_t p[kMstSize] = {};
    PutHeader(p, kMstSize, ISP_MST, kReqNone, 0);
    PutText(p + 4, kMstTextField, joined);
    link.Send(p, kMstSize);
  }
}

void SendCameraPosition(InsimLink& link, CameraPositionRecord& rec) {
  rec.pitch = ClampPitch(rec.pitch);
  std::uint8_t p[kCameraRecordSize];
  if (link.version == 3) {
    const std::uint8_t header[4] = {'C', 'P', 'P', 0};
    WriteCameraRecord(rec, header, p);
  } else {
    const std::uint8_t header[4] = {kCameraRecordSize, ISP_CPP, kReqAsk, 0};
    WriteCameraRecord(rec, header, p);
  }
  link.Send(p, kCameraRecordSize);
}

void SendViewCamera(InsimLink& link, std::uint8_t view, std::uint8_t plid, std::uint8_t extra) {
  if (link.version == 3) {
    std::uint8_t p[kV3RequestSize] = {};
    PutId(p, kV3SCC);
    p[4] = extra;
    p[5] = view;
    p[6] = plid;
    link.Send(p, kV3RequestSize);
  } else {
    // Version 4 has no view packet of its own: a camera packet with only InGameCam set.
    std::uint8_t p[kCameraRecordSize] = {};
    PutHeader(p, kCameraRecordSize, ISP_CPP, kReqNone, 0);
    p[23] = view;
    link.Send(p, kCameraRecordSize);
  }
}

void SendShow2D(InsimLink& link, std::uint8_t on) { SendStateFlag(link, ISS_SHOW_2D, on, kReqAsk); }

void SendShiftUNoOpt(InsimLink& link) { SendStateFlag(link, ISS_SHIFTU_NO_OPT, 1, kReqNone); }

void SendRequest(InsimLink& link, std::uint32_t identifier, std::uint32_t value) {
  if (link.version != 3) return;
  std::uint8_t p[kV3RequestSize] = {};
  PutId(p, identifier);
  PutU32(p + 4, value);
  link.Send(p, kV3RequestSize);
  link.MarkSent();
}

void SendAck(InsimLink& link, std::uint16_t value) { SendRequest(link, kV3ACK, value); }

void SendTiny(InsimLink& link, std::uint8_t reqI, std::uint8_t subT) {
  if (link.version == 3) return;
  std::uint8_t p[kTinySize];
  PutHeader(p, kTinySize, ISP_TINY, reqI, subT);
  link.Send(p, kTinySize);
}

void SendInit(InsimLink& link, const char* password) {
  char pass[kPasswordChars + 1] = {};
  for (int i = 0; password != nullptr && i < kPasswordChars && password[i] != '\0'; ++i) {
    pass[i] = password[i];
  }
  if (link.version == 3) {
    std::uint8_t p[kV3InitSize] = {};
    PutId(p, kV3ISI);
    p[6] = kV3InitFlags;
    PutText(p + 8, kPasswordField, pass);
    link.Send(p, kV3InitSize);
  } else {
    std::uint8_t p[kV4InitSize] = {};
    PutHeader(p, kV4InitSize, ISP_ISI, kReqNone, 0);
    PutU16(p + 6, ISF_LOCAL | ISF_MCI);
    if (link.version == kInsimV10) p[kInitInsimVerOffset] = kInsimV10;
    PutU16(p + 10, kInitInterval);
    PutText(p + 12, kPasswordField, pass);
    PutText(p + 28, 16, kProgramName);
    link.Send(p, kV4InitSize);
  }
}

int BuildButton(std::uint8_t out[kMaxButtonSize], const char* text, std::uint8_t clickId,
                std::uint8_t style, std::uint8_t left, std::uint8_t top, std::uint8_t width,
                std::uint8_t height) {
  constexpr int kMaxText = kMaxButtonSize - kButtonHeader - 1;
  int length = 0;
  while (text != nullptr && length < kMaxText && text[length] != '\0') ++length;
  const int size = (kButtonHeader + length + 1 + 3) & ~3;
  std::memset(out, 0, static_cast<std::size_t>(size));
  PutHeader(out, size, ISP_BTN, kReqAsk, 0);
  out[4] = clickId;
  out[6] = style;
  out[8] = left;
  out[9] = top;
  out[10] = width;
  out[11] = height;
  if (length > 0) std::memcpy(out + kButtonHeader, text, static_cast<std::size_t>(length));
  return size;
}

int BuildDeleteButton(std::uint8_t out[kBfnSize], std::uint8_t clickId) {
  std::memset(out, 0, kBfnSize);
  PutHeader(out, kBfnSize, ISP_BFN, kReqNone, BFN_DEL_BTN);
  out[5] = clickId;
  return kBfnSize;
}

}  // namespace director
