#include "tools/racesim/packet_trace.h"

#include <bit>
#include <cstring>

#include "director/insim/insim_constants.h"
#include "link/message_queue.h"
#include "platform/bytes.h"

namespace racesim {

using plat::GetI32;
using plat::GetU16;
using plat::GetU32;

namespace {

std::string Num(long long v) { return std::to_string(v); }

std::string Member(const char* key, const std::string& json) {
  return std::string(",\"") + key + "\":" + json;
}
std::string Member(const char* key, long long v) { return Member(key, Num(v)); }

std::string FloatJson(float v) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%.6g", static_cast<double>(v));
  return buf;
}

std::string Hex(const std::uint8_t* p, int size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < size; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

// The 28 bytes from offset 4 of a camera packet, common to both versions.
std::string CameraFields(const std::uint8_t* p) {
  std::string f;
  f += Member(
      "pos", "[" + Num(GetI32(p + 4)) + "," + Num(GetI32(p + 8)) + "," + Num(GetI32(p + 12)) + "]");
  f += Member("heading", GetU16(p + 16));
  f += Member("pitch", GetU16(p + 18));
  f += Member("roll", GetU16(p + 20));
  f += Member("view_plid", p[22]);
  f += Member("ingame_cam", p[23]);
  f += Member("fov", FloatJson(std::bit_cast<float>(GetU32(p + 24))));
  f += Member("time", GetU16(p + 28));
  f += Member("flags", GetU16(p + 30));
  return f;
}

DecodedPacket DecodeV4(const std::uint8_t* p, int size) {
  DecodedPacket d;
  std::string& f = d.fields;
  f += Member("reqi", p[2]);
  switch (p[1]) {
    case director::ISP_ISI:
      d.type = "IS_ISI";
      if (size < director::kV4InitSize) break;
      f += Member("udpport", GetU16(p + 4));
      f += Member("flags", GetU16(p + 6));
      f += Member("prefix", p[9]);
      f += Member("interval", GetU16(p + 10));
      f += Member("admin", JsonString(FieldText(p + 12, 16)));
      f += Member("iname", JsonString(FieldText(p + 28, 16)));
      return d;
    case director::ISP_TINY:
      d.type = "IS_TINY";
      f += Member("subt", p[3]);
      f += Member("subt_name", JsonString(TinyName(p[3])));
      return d;
    case director::ISP_SMALL:
      d.type = "IS_SMALL";
      if (size < 8) break;
      f += Member("subt", p[3]);
      f += Member("value", GetU32(p + 4));
      return d;
    case director::ISP_SFP:
      d.type = "IS_SFP";
      if (size < director::kSfpSize) break;
      f += Member("flag", GetU16(p + 4));
      f += Member("on", p[6]);
      return d;
    case director::ISP_CPP:
      d.type = "IS_CPP";
      if (size < director::kCameraRecordSize) break;
      f += CameraFields(p);
      return d;
    case director::ISP_MST:
      d.type = "IS_MST";
      f += Member("msg", JsonString(FieldText(p + 4, size - 4)));
      return d;
    case director::ISP_MSL:
      d.type = "IS_MSL";
      f += Member("sound", p[3]);
      f += Member("msg", JsonString(FieldText(p + 4, size - 4)));
      return d;
    case director::ISP_BFN:
      d.type = "IS_BFN";
      if (size < director::kBfnSize) break;
      f += Member("subt", p[3]);
      f += Member("ucid", p[4]);
      f += Member("click_id", p[5]);
      f += Member("inst", p[6]);
      return d;
    case director::ISP_BTN:
      d.type = "IS_BTN";
      if (size < 12) break;
      f += Member("ucid", p[3]);
      f += Member("click_id", p[4]);
      f += Member("inst", p[5]);
      f += Member("style", p[6]);
      f += Member("typein", p[7]);
      f += Member("l", p[8]);
      f += Member("t", p[9]);
      f += Member("w", p[10]);
      f += Member("h", p[11]);
      f += Member("text", JsonString(FieldText(p + 12, size - 12)));
      return d;
    default:
      d.type = "IS_" + std::to_string(p[1]);
      break;
  }
  if (d.type.empty()) d.type = "IS_" + std::to_string(p[1]);
  d.fields += Member("bytes", "\"" + Hex(p, size) + "\"");
  return d;
}

DecodedPacket DecodeV3(const std::uint8_t* p, int size) {
  DecodedPacket d;
  std::string& f = d.fields;
  d.type = FieldText(p, 4);
  const std::uint32_t id = GetU32(p);
  if (id == director::kV3ISI && size >= director::kV3InitSize) {
    f += Member("port", GetU16(p + 4));
    f += Member("flags", p[6]);
    f += Member("node_secs", p[7]);
    f += Member("admin", JsonString(FieldText(p + 8, 16)));
  } else if ((id == director::kV3VER || id == director::kV3NLI || id == director::kV3SST ||
              id == director::kV3SCP || id == director::kV3NPL || id == director::kV3ISC ||
              id == director::kV3ACK) &&
             size >= director::kV3RequestSize) {
    f += Member("value", GetU32(p + 4));
  } else if (id == director::kV3MTC && size >= director::kV3TextSize) {
    f += Member("msg", JsonString(FieldText(p + 8, 64)));
  } else if (id == director::kV3CPP && size >= director::kCameraRecordSize) {
    f += CameraFields(p);
  } else if (id == director::kV3SCC && size >= director::kV3RequestSize) {
    f += Member("extra", p[4]);
    f += Member("view", p[5]);
    f += Member("plid", p[6]);
  } else if (id == director::kV3SFP && size >= director::kV3RequestSize) {
    f += Member("flag", GetU16(p + 4));
    f += Member("on", p[6]);
  } else {
    if (d.type.empty()) d.type = "?";
    f += Member("bytes", "\"" + Hex(p, size) + "\"");
  }
  return d;
}

}  // namespace

std::string TinyName(std::uint8_t subT) {
  switch (subT) {
    case director::TINY_NONE:
      return "TINY_NONE";
    case director::TINY_VER:
      return "TINY_VER";
    case director::TINY_CLOSE:
      return "TINY_CLOSE";
    case director::TINY_SCP:
      return "TINY_SCP";
    case director::TINY_SST:
      return "TINY_SST";
    case director::TINY_GTH:
      return "TINY_GTH";
    case director::TINY_NPL:
      return "TINY_NPL";
    case director::TINY_RST:
      return "TINY_RST";
    default:
      return "TINY_" + std::to_string(subT);
  }
}

std::string FieldText(const std::uint8_t* field, int size) {
  std::string text;
  for (int i = 0; i < size && field[i] != 0; ++i) text += static_cast<char>(field[i]);
  return text;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\u%04x", c);
      out += buf;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

DecodedPacket DecodeDirectorPacket(int version, const std::uint8_t* p, int size) {
  if (size < 4) return DecodedPacket{"?", ",\"bytes\":\"" + Hex(p, size) + "\""};
  return version == 3 ? DecodeV3(p, size) : DecodeV4(p, size);
}

TraceWriter::~TraceWriter() {
  if (file_ != nullptr) std::fclose(file_);
}

bool TraceWriter::Open(const std::string& path) {
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void TraceWriter::Line(const std::string& line) {
  if (file_ == nullptr) return;
  std::fputs(line.c_str(), file_);
  std::fputc('\n', file_);
  // Tests read the trace while the stand-in runs: every line is on disk once written.
  std::fflush(file_);
}

void TraceWriter::Packet(std::uint32_t tMs, std::uint32_t raceMs, const DecodedPacket& packet,
                         int size) {
  Line("{\"t_ms\":" + Num(tMs) + ",\"race_ms\":" + Num(raceMs) +
       ",\"type\":" + JsonString(packet.type) + ",\"size\":" + Num(size) + packet.fields + "}");
}

void TraceWriter::Event(std::uint32_t tMs, std::uint32_t raceMs, const std::string& name,
                        const std::string& fields) {
  Line("{\"t_ms\":" + Num(tMs) + ",\"race_ms\":" + Num(raceMs) + ",\"event\":" + JsonString(name) +
       fields + "}");
}

}  // namespace racesim
