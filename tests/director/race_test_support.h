// Helpers of the race state, track path and camera store tests: packets of the race handlers,
// track path files and in-memory tracks, and reading what was posted to a GUI link queue.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "director/engine/track_path.h"
#include "insim_test_support.h"
#include "link/message_queue.h"

namespace director::test {

inline void PutLE16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLE32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline Bytes LE16(std::uint32_t v) { return B({int(v & 0xFF), int((v >> 8) & 0xFF)}); }
inline Bytes LE32(std::uint32_t v) {
  return B({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int((v >> 24) & 0xFF)});
}

// Packets as the dispatch hands them over: a 256-byte buffer, zero beyond the packet.
inline Bytes Packet(const Bytes& head) {
  Bytes p(256, 0);
  std::memcpy(p.data(), head.data(), head.size());
  return p;
}
// A version 4 packet of the size and type, for the player, the rest zero.
inline Bytes Packet(std::uint8_t size, std::uint8_t type, std::uint8_t plid = 0) {
  return Packet(B({size, type, 0, plid}));
}

struct Car {
  std::uint16_t node = 0;
  std::uint16_t lap = 0;
  std::uint8_t plid = 0;
  std::uint8_t info = 0;
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t speed = 0, direction = 0;
};

inline Bytes Mci(const std::vector<Car>& cars, int numC = -1) {
  Bytes p(256, 0);
  p[0] = static_cast<std::uint8_t>(4 + 28 * cars.size());
  p[1] = ISP_MCI;
  p[3] = static_cast<std::uint8_t>(numC < 0 ? static_cast<int>(cars.size()) : numC);
  for (std::size_t i = 0; i < cars.size(); ++i) {
    const std::size_t at = 4 + 28 * i;
    PutLE16(p, at, cars[i].node);
    PutLE16(p, at + 2, cars[i].lap);
    p[at + 4] = cars[i].plid;
    p[at + 6] = cars[i].info;
    PutLE32(p, at + 8, static_cast<std::uint32_t>(cars[i].x));
    PutLE32(p, at + 12, static_cast<std::uint32_t>(cars[i].y));
    PutLE32(p, at + 16, static_cast<std::uint32_t>(cars[i].z));
    PutLE16(p, at + 20, cars[i].speed);
    PutLE16(p, at + 22, cars[i].direction);
  }
  return p;
}

// Version 3 "MCI": total and first car index, then 24-byte records (node in the packed word).
inline Bytes V3Mci(int total, int first, const std::vector<Car>& cars) {
  Bytes p(256, 0);
  std::memcpy(p.data(), "MCI", 3);
  p[8] = static_cast<std::uint8_t>(total);
  p[9] = static_cast<std::uint8_t>(first);
  for (std::size_t i = 0; i < cars.size(); ++i) {
    const std::size_t at = 12 + 24 * i;
    PutLE16(p, at, static_cast<std::uint32_t>(cars[i].node | ((cars[i].lap & 0x700) << 5)));
    p[at + 2] = static_cast<std::uint8_t>(cars[i].lap);
    p[at + 3] = cars[i].plid;
    PutLE32(p, at + 4, static_cast<std::uint32_t>(cars[i].x));
    PutLE32(p, at + 8, static_cast<std::uint32_t>(cars[i].y));
  }
  return p;
}

inline Bytes Npl(std::uint8_t plid, const char* name, const char* car, std::uint16_t flags = 0) {
  Bytes p = Packet(76, ISP_NPL, plid);
  PutLE16(p, 6, flags);
  std::memcpy(p.data() + 8, name, std::strlen(name) < 24 ? std::strlen(name) : 24);
  std::memcpy(p.data() + 40, car, std::strlen(car) < 4 ? std::strlen(car) : 4);
  return p;
}

inline Bytes Lap(std::uint8_t plid, std::uint32_t lapTime, std::uint32_t elapsed,
                 std::uint16_t lapsDone, std::uint8_t stops) {
  Bytes p = Packet(20, ISP_LAP, plid);
  PutLE32(p, 4, lapTime);
  PutLE32(p, 8, elapsed);
  PutLE16(p, 12, lapsDone);
  p[18] = stops;
  return p;
}

inline Bytes Pit(std::uint8_t plid, std::uint8_t stops) {
  Bytes p = Packet(24, ISP_PIT, plid);
  p[10] = stops;
  return p;
}

inline Bytes Res(std::uint8_t resultNum, std::uint8_t confirm, std::uint8_t marker = 0xAB) {
  Bytes p = Packet(84, ISP_RES);
  p[8] = marker;
  p[74] = confirm;
  p[80] = resultNum;
  return p;
}

// An IS_STA with the given flags, replay speed, track and race figures.
inline Bytes Sta(std::uint16_t flags, const char* track, float speed = 1.0f,
                 std::uint8_t raceInProgress = 0, std::uint8_t raceLaps = 0) {
  Bytes p = Packet(28, ISP_STA);
  std::uint32_t bits;
  std::memcpy(&bits, &speed, 4);
  PutLE32(p, 4, bits);
  PutLE16(p, 8, flags);
  p[15] = raceInProgress;
  p[17] = raceLaps;
  std::memcpy(p.data() + 20, track, std::strlen(track) < 6 ? std::strlen(track) : 6);
  return p;
}

struct NodeCentre {
  std::int32_t x, y;
};

// Centres of n nodes on a circle of the given radius (world units) around the origin.
inline std::vector<NodeCentre> CircleCentres(int n, double radius = 500.0 * 65536) {
  std::vector<NodeCentre> c;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * 3.14159265358979 * i / n;
    c.push_back({static_cast<std::int32_t>(radius * std::cos(a)),
                 static_cast<std::int32_t>(radius * std::sin(a))});
  }
  return c;
}

// A ".pth" file: the header with the declared count, then one 40-byte record per centre (z and
// the floats filled with recognisable values).
inline std::string PathFile(std::uint32_t declaredCount, std::uint32_t finish,
                            const std::vector<NodeCentre>& centres, std::uint8_t version = 0,
                            std::uint8_t revision = 0) {
  Bytes b(16 + 40 * centres.size(), 0);
  std::memcpy(b.data(), "LFSPTH", 6);
  b[6] = version;
  b[7] = revision;
  PutLE32(b, 8, declaredCount);
  PutLE32(b, 12, finish);
  for (std::size_t i = 0; i < centres.size(); ++i) {
    const std::size_t at = 16 + 40 * i;
    PutLE32(b, at, static_cast<std::uint32_t>(centres[i].x));
    PutLE32(b, at + 4, static_cast<std::uint32_t>(centres[i].y));
    PutLE32(b, at + 8, static_cast<std::uint32_t>(i * 3));
    for (std::size_t k = 12; k < 40; ++k) b[at + k] = static_cast<std::uint8_t>(i + k);
  }
  return std::string(b.begin(), b.end());
}

// A track path in memory with the given centres (at most 1500) and finish node.
inline std::unique_ptr<TrackPath> MakeTrack(const std::vector<NodeCentre>& centres,
                                            std::uint32_t finish = 0, glink::GuiPost* gui = nullptr,
                                            const char* name = "BL1") {
  auto track = std::make_unique<TrackPath>(name, gui);
  for (std::size_t i = 0; i < centres.size(); ++i) {
    track->nodes[i].centreX = centres[i].x;
    track->nodes[i].centreY = centres[i].y;
  }
  track->nodeCount = static_cast<std::uint32_t>(centres.size());
  track->finishNode = finish;
  return track;
}

// Every record waiting in the queue, each cut to its size.
inline std::vector<Bytes> Drain(glink::MessageQueue& q) {
  std::vector<Bytes> out;
  std::uint8_t slot[glink::kSlotSize];
  while (q.take(slot)) out.emplace_back(slot, slot + glink::RecordSize(slot));
  return out;
}

// A GUI link record: size, type and payload.
inline Bytes Record(std::uint8_t type, const Bytes& payload) {
  return Cat({LE16(static_cast<std::uint32_t>(3 + payload.size())), B({type}), payload});
}

}  // namespace director::test
