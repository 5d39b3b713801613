// The record of what the director sent: every packet decoded into a type name and its fields,
// written as one JSON object a line, so that tests and people can read back exactly what
// arrived and when.
//
// A packet line: {"t_ms":..,"race_ms":..,"type":"IS_CPP","size":32,"reqi":1,"pos":[x,y,z],...}
// t_ms counts wall-clock milliseconds since the stand-in started, race_ms is the race clock at
// that moment. Version 4 types are IS_ names ("IS_ISI", "IS_TINY", "IS_CPP", "IS_BTN", ...);
// version 3 types are the packet's own identifier ("ISI", "CPP", "ACK", ...). Camera packets
// carry pos, heading, pitch, roll, view_plid, ingame_cam, fov, time and flags; texts carry msg;
// buttons carry click_id, style, l, t, w, h and text. A packet the stand-in does not know keeps
// its bytes as hex in "bytes".
// Besides packets the trace holds a few events of the stand-in itself, lines with "event"
// instead of "type" (connected, disconnected, probe, race_start, finish, summary, ...). The
// ground truth of the race is one "truth" event each: {"event":"truth","kind":K,"race":N,
// "at_ms":MS,"plid":P} with K "spin", "off", "stopped", "contact", "overtake" (on the road) or
// "pit", "other" for the second car of a contact or an overtake (the car passed) and "retires"
// for a stopped car; at_ms is the race time it happened (race_ms is when it was written).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/racesim/wire/framing.h"

namespace racesim {

struct DecodedPacket {
  std::string type;
  std::string fields;  // JSON members, each starting with a comma: ,"key":value
};

// Decodes one complete packet of the given InSim version (3, 4 or 10; version 10 packets have
// the version 4 layouts) as the director sent it.
DecodedPacket DecodeDirectorPacket(int version, const std::uint8_t* p, int size);

// A JSON string literal: quotes, backslashes and control characters escaped; bytes of 0x80 and
// above become \u00XX (the simulator's texts are single-byte code pages).
std::string JsonString(std::string_view text);
// The name of an IS_TINY subtype (TINY_NONE ...), or TINY_n.
std::string TinyName(std::uint8_t subT);

class TraceWriter {
 public:
  TraceWriter() = default;
  ~TraceWriter();
  TraceWriter(const TraceWriter&) = delete;
  TraceWriter& operator=(const TraceWriter&) = delete;

  // Opens (replaces) the file; false when it cannot be written.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  void Packet(std::uint32_t tMs, std::uint32_t raceMs, const DecodedPacket& packet, int size);
  // fields: JSON members each starting with a comma, or empty.
  void Event(std::uint32_t tMs, std::uint32_t raceMs, const std::string& name,
             const std::string& fields);

 private:
  void Line(const std::string& line);
  std::FILE* file_ = nullptr;
};

}  // namespace racesim
