#include "director/insim/packet_v3.h"

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kRequestValue = 4;

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

}  // namespace

const V3PacketInfo* FindV3Packet(std::uint32_t identifier) {
  for (const V3PacketInfo& info : kV3Packets) {
    if (info.identifier == identifier) return &info;
  }
  return nullptr;
}

std::uint16_t ReadAckWord(const V3PacketInfo& info, const std::uint8_t* packet) {
  return info.ackAt < 0 ? 0 : plat::GetU16(packet + info.ackAt);
}

void SendRequest(InsimLink& link, std::uint32_t identifier, std::uint32_t value) {
  if (link.version != kInsimV3) return;
  std::uint8_t p[kV3RequestSize] = {};
  PutV3Id(p, identifier);
  plat::PutU32(p + kRequestValue, value);
  link.Send(p, kV3RequestSize);
  link.MarkSent();
}

void SendAck(InsimLink& link, std::uint16_t value) { SendRequest(link, kV3ACK, value); }

}  // namespace director
