#include "director/insim/dispatch.h"

#include <cstring>

#include "platform/bytes.h"

namespace director {

namespace {

// Every packet goes to its handler in a buffer of this size, zero beyond the packet, so that a
// handler reading its fixed offsets never reads past what arrived.
constexpr int kPacketBuffer = 256;
constexpr int kV10PacketBuffer = kV10MaxPacketSize + 4;
constexpr std::uint32_t kMsPerRaceTimeUnit = 10;
constexpr int kV4MessageOffset = 8;
constexpr int kV3MessageOffset = 4;

// The version 3 packets the director reads, with their assumed sizes and ACK word offsets.
constexpr V3PacketInfo kV3Packets[] = {
    {V3Id("STA"), 28, -1},   {V3Id("MCI"), 204, -1},  {V3Id("MSO"), 132, -1}, {V3Id("CPP"), 32, -1},
    {V3Id("SCH"), 8, -1},    {V3Id("LAP"), 92, 90},   {V3Id("NPL"), 100, 98}, {V3Id("RST"), 20, 18},
    {V3Id("PEN"), 12, 10},   {V3Id("FLG"), 12, 10},   {V3Id("PFL"), 12, 10},  {V3Id("SP1"), 12, 10},
    {V3Id("SP2"), 12, 10},   {V3Id("SP3"), 12, 10},   {V3Id("REN"), 8, 6},    {V3Id("CLR"), 8, 6},
    {V3Id("PSF"), 16, 14},   {V3Id("PIT"), 28, 26},   {V3Id("CNL"), 56, 54},  {V3Id("NCN"), 60, 58},
    {V3Id("PLP"), 60, 58},   {V3Id("PLL"), 60, 58},   {V3Id("REO"), 64, 62},  {V3Id("CPR"), 88, 86},
    {V3Id("TOC"), 104, 102}, {V3Id("RES"), 108, 106},
};

void HandMessage(InsimLink& link, SessionHandlers& handlers, const std::uint8_t* field) {
  char text[kMessageTextSize + 1];
  std::memcpy(text, field, kMessageTextSize);
  text[kMessageTextSize] = '\0';
  handlers.OnMessageText(link, text);
}

}  // namespace

const V3PacketInfo* FindV3Packet(std::uint32_t identifier) {
  for (const V3PacketInfo& info : kV3Packets) {
    if (info.identifier == identifier) return &info;
  }
  return nullptr;
}

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
      // Version 10 answers TINY_GTM in milliseconds; the race time is handed on in hundredths.
      if (p[3] == SMALL_RTP) {
        const std::uint32_t time = plat::GetU32(p + 4);
        handlers.OnRaceTime(link, v10 ? time / kMsPerRaceTimeUnit : time);
      }
      break;
    case ISP_STA:
      handlers.OnState(link, p);
      break;
    case ISP_CPP:
      handlers.OnCameraPosition(p);
      break;
    case ISP_MSO:
      HandMessage(link, handlers, p + kV4MessageOffset);
      break;
    case ISP_RST:
      handlers.OnRaceStart(link);
      break;
    case ISP_NPL:
      handlers.OnNewPlayerV4(p);
      break;
    case ISP_LAP:
      handlers.OnLapV4(p);
      break;
    case ISP_SPX:
      handlers.OnSplit(p);
      break;
    case ISP_PIT:
      handlers.OnPit(p);
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
        handlers.OnState(link, p);
        break;
      case kV3MSO:
        HandMessage(link, handlers, p + kV3MessageOffset);
        break;
      case kV3CPP:
        handlers.OnCameraPosition(p);
        break;
      case kV3LAP:
        handlers.OnLapV3(p);
        break;
      case kV3NPL:
        handlers.OnNewPlayerV3(link, p);
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
    if (info->ackAt >= 0) SendAck(link, plat::GetU16(p + info->ackAt));
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
