#include "director/insim/dispatch.h"

#include <cstring>

#include "platform/bytes.h"

namespace director {

namespace {

// Every packet goes to its handler in a buffer of this size, zero beyond the packet, so that a
// handler reading its fixed offsets never reads past what arrived.
constexpr int kPacketBuffer = 256;
constexpr int kV10PacketBuffer = kV10MaxPacketSize + 4;

void HandMessage(InsimLink& link, SessionHandlers& handlers, const std::uint8_t* mso) {
  char text[kMessageTextSize + 1];
  ReadMessageText(link.version, mso, text);
  handlers.OnMessageText(link, text);
}

}  // namespace

bool DispatchV4Packet(InsimLink& link, SessionHandlers& handlers, const std::uint8_t* packet,
                      int size) {
  const bool v10 = link.version == kInsimV10;
  std::uint8_t p[kV10PacketBuffer];
  const int limit = v10 ? kV10PacketBuffer : kPacketBuffer;
  if (size > limit) size = limit;
  std::memcpy(p, packet, static_cast<std::size_t>(size));
  std::memset(p + size, 0, static_cast<std::size_t>(limit - size));
  switch (p[1]) {
    case ISP_TINY:
      if (p[3] == TINY_NONE) SendTiny(link, 0, TINY_NONE);
      break;
    case ISP_SMALL:
      if (p[3] == SMALL_RTP) handlers.OnRaceTime(link, ReadRaceTime(link.version, p));
      break;
    case ISP_STA:
      handlers.OnState(link, ReadStateReport(p, link.version));
      break;
    case ISP_CPP:
      handlers.OnCameraPosition(ReadCameraRecord(p));
      break;
    case ISP_MSO:
      HandMessage(link, handlers, p);
      break;
    case ISP_RST:
      handlers.OnRaceStart(link);
      break;
    case ISP_NPL:
      handlers.OnNewPlayerV4(DecodeNewPlayer(p));
      break;
    case ISP_LAP:
      handlers.OnLapV4(DecodeLap(p));
      break;
    case ISP_SPX:
      handlers.OnSplit(DecodeSplit(p));
      break;
    case ISP_PIT:
      handlers.OnPit(DecodePit(p));
      break;
    case ISP_PLA:
      handlers.OnPitLane(DecodePitLane(p));
      break;
    case ISP_FLG:
      handlers.OnRaceFlag(DecodeRaceFlag(p));
      break;
    case ISP_CRS:
      handlers.OnCarReset(DecodeCarReset(p));
      break;
    case ISP_CON:
      handlers.OnContact(DecodeContact(p));
      break;
    case ISP_TOC:
      SendTiny(link, 1, TINY_NPL);
      break;
    case ISP_RES:
      handlers.OnResult(DecodeResult(p));
      break;
    case ISP_MCI:
      return handlers.OnCarPositions(DecodeCarPositions(link.version, p));
    default:
      break;
  }
  return false;
}

bool WalkV3Datagram(InsimLink& link, SessionHandlers& handlers, const std::uint8_t* data,
                    int length) {
  bool setComplete = false;
  int pos = 0;
  while (length - pos >= 4) {
    const V3PacketInfo* info = FindV3Packet(plat::GetU32(data + pos));
    if (info == nullptr) break;
    // A packet cut short by the end of the datagram is read as zeros beyond it; nothing can
    // follow it.
    std::uint8_t p[kPacketBuffer] = {};
    const int available = length - pos < info->size ? length - pos : info->size;
    std::memcpy(p, data + pos, static_cast<std::size_t>(available));
    switch (info->identifier) {
      case kV3STA:
        handlers.OnState(link, ReadStateReport(p, kInsimV3));
        break;
      case kV3MSO:
        HandMessage(link, handlers, p);
        break;
      case kV3CPP:
        handlers.OnCameraPosition(ReadCameraRecord(p));
        break;
      case kV3LAP:
        handlers.OnLapV3(DecodeLapV3(p));
        break;
      case kV3NPL:
        handlers.OnNewPlayerV3(link, DecodeNewPlayerV3(p));
        break;
      case kV3RST:
        handlers.OnRaceStart(link);
        break;
      case kV3MCI:
        if (handlers.OnCarPositions(DecodeCarPositions(kInsimV3, p))) setComplete = true;
        break;
      default:
        break;
    }
    if (info->ackAt >= 0) SendAck(link, ReadAckWord(*info, p));
    pos += info->size;
  }
  return setComplete;
}

bool V4StreamCutter::Received(int count, InsimLink& link, SessionHandlers& handlers,
                              bool* setComplete) {
  const int total = kept_ + count;
  int pos = 0;
  bool ok = true;
  while (total - pos >= 4) {
    const int size = PacketBytes(link.version, buffer_[pos]);
    if (size < 4) {
      ok = false;
      break;
    }
    if (size > total - pos) break;
    if (DispatchV4Packet(link, handlers, buffer_ + pos, size)) *setComplete = true;
    pos += size;
  }
  KeepAfter(pos, total);
  return ok;
}

void V4StreamCutter::KeepAfter(int start, int end) {
  if (start > 0 && end > start) {
    std::memmove(buffer_, buffer_ + start, static_cast<std::size_t>(end - start));
  }
  kept_ = end > start ? end - start : 0;
}

}  // namespace director
