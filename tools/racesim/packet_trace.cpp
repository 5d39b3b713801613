#include "tools/racesim/packet_trace.h"

#include <cstring>

#include "tools/racesim/wire/buttons.h"
#include "tools/racesim/wire/camera.h"
#include "tools/racesim/wire/insim_numbers.h"
#include "tools/racesim/wire/requests.h"
#include "tools/racesim/wire/texts.h"
#include "tools/racesim/wire/version.h"

namespace racesim {

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

std::string BytesMember(const std::uint8_t* p, int size) {
  return Member("bytes", "\"" + Hex(p, size) + "\"");
}

// The camera fields, common to both versions.
std::string CameraFields(const CameraRecord& c) {
  std::string f;
  f += Member("pos", "[" + Num(c.x) + "," + Num(c.y) + "," + Num(c.z) + "]");
  f += Member("heading", c.heading);
  f += Member("pitch", c.pitch);
  f += Member("roll", c.roll);
  f += Member("view_plid", c.viewPlid);
  f += Member("ingame_cam", c.inGameCam);
  f += Member("fov", FloatJson(c.fov));
  f += Member("time", c.time);
  f += Member("flags", c.flags);
  return f;
}

// Each returns false when the packet is too short for its fields.
bool IsiFields(const std::uint8_t* p, int size, std::string* f) {
  InitPacket init;
  if (!DecodeIsi(p, size, &init)) return false;
  *f += Member("udpport", init.udpPort);
  *f += Member("flags", init.flags);
  *f += Member("prefix", init.prefix);
  *f += Member("interval", init.interval);
  *f += Member("admin", JsonString(init.admin));
  *f += Member("iname", JsonString(init.name));
  return true;
}

bool SmallFields(const std::uint8_t* p, int size, std::string* f) {
  SmallPacket small;
  if (!DecodeSmall(p, size, &small)) return false;
  *f += Member("subt", small.subT);
  *f += Member("value", small.value);
  return true;
}

bool FlagFields(const StateFlagPacket& flag, std::string* f) {
  *f += Member("flag", flag.flag);
  *f += Member("on", flag.on);
  return true;
}

bool BfnFields(const std::uint8_t* p, int size, std::string* f) {
  ButtonFunction b;
  if (!DecodeBfn(p, size, &b)) return false;
  *f += Member("subt", b.subT);
  *f += Member("ucid", b.ucid);
  *f += Member("click_id", b.clickId);
  *f += Member("inst", b.inst);
  return true;
}

bool BtnFields(const std::uint8_t* p, int size, std::string* f) {
  ButtonPacket b;
  if (!DecodeBtn(p, size, &b)) return false;
  *f += Member("ucid", b.ucid);
  *f += Member("click_id", b.clickId);
  *f += Member("inst", b.inst);
  *f += Member("style", b.style);
  *f += Member("typein", b.typeIn);
  *f += Member("l", b.left);
  *f += Member("t", b.top);
  *f += Member("w", b.width);
  *f += Member("h", b.height);
  *f += Member("text", JsonString(b.text));
  return true;
}

std::string TypeName4(std::uint8_t type) {
  switch (type) {
    case ISP_ISI:
      return "IS_ISI";
    case ISP_TINY:
      return "IS_TINY";
    case ISP_SMALL:
      return "IS_SMALL";
    case ISP_SFP:
      return "IS_SFP";
    case ISP_CPP:
      return "IS_CPP";
    case ISP_MST:
      return "IS_MST";
    case ISP_MSL:
      return "IS_MSL";
    case ISP_BFN:
      return "IS_BFN";
    case ISP_BTN:
      return "IS_BTN";
    default:
      return "IS_" + std::to_string(type);
  }
}

// The fields of a version 4 packet; false for a type not known or a packet too short for it.
bool Fields4(const std::uint8_t* p, int size, std::string* f) {
  std::string text;
  std::uint8_t sound = 0;
  TinyPacket tiny;
  StateFlagPacket flag;
  CameraRecord camera;
  switch (p[kTypeAt]) {
    case ISP_ISI:
      return IsiFields(p, size, f);
    case ISP_TINY:
      DecodeTiny(p, size, &tiny);
      *f += Member("subt", tiny.subT) + Member("subt_name", JsonString(TinyName(tiny.subT)));
      return true;
    case ISP_SMALL:
      return SmallFields(p, size, f);
    case ISP_SFP:
      return DecodeSfp(p, size, &flag) && FlagFields(flag, f);
    case ISP_CPP:
      if (!DecodeCpp(p, size, &camera)) return false;
      *f += CameraFields(camera);
      return true;
    case ISP_MST:
      DecodeMst(p, size, &text);
      *f += Member("msg", JsonString(text));
      return true;
    case ISP_MSL:
      DecodeMsl(p, size, &text, &sound);
      *f += Member("sound", sound) + Member("msg", JsonString(text));
      return true;
    case ISP_BFN:
      return BfnFields(p, size, f);
    case ISP_BTN:
      return BtnFields(p, size, f);
    default:
      return false;
  }
}

DecodedPacket DecodeV4(const std::uint8_t* p, int size) {
  DecodedPacket d;
  d.type = TypeName4(p[kTypeAt]);
  d.fields = Member("reqi", p[kReqIAt]);
  if (!Fields4(p, size, &d.fields)) d.fields += BytesMember(p, size);
  return d;
}

bool IsV3Request(std::uint32_t id) {
  return id == kV3VER || id == kV3NLI || id == kV3SST || id == kV3SCP || id == kV3NPL ||
         id == kV3ISC || id == kV3ACK;
}

// The fields of a version 3 packet; false for an identifier not known or a packet too short.
bool Fields3(const std::uint8_t* p, int size, std::string* f) {
  const std::uint32_t id = V3IdOf(p);
  V3InitPacket init;
  V3Request request;
  std::string text;
  CameraRecord camera;
  ViewChange view;
  StateFlagPacket flag;
  if (id == kV3ISI && DecodeV3Isi(p, size, &init)) {
    *f += Member("port", init.replyPort) + Member("flags", init.flags) +
          Member("node_secs", init.nodeSeconds) + Member("admin", JsonString(init.admin));
  } else if (IsV3Request(id) && DecodeV3Request(p, size, &request)) {
    *f += Member("value", request.value);
  } else if (DecodeV3Mtc(p, size, &text)) {
    *f += Member("msg", JsonString(text));
  } else if (id == kV3CPP && DecodeCpp(p, size, &camera)) {
    *f += CameraFields(camera);
  } else if (DecodeV3Scc(p, size, &view)) {
    *f += Member("extra", view.extra) + Member("view", view.view) + Member("plid", view.plid);
  } else if (DecodeV3Sfp(p, size, &flag)) {
    FlagFields(flag, f);
  } else {
    return false;
  }
  return true;
}

DecodedPacket DecodeV3(const std::uint8_t* p, int size) {
  DecodedPacket d;
  d.type = FieldText(p, 4);
  if (!Fields3(p, size, &d.fields)) {
    if (d.type.empty()) d.type = "?";
    d.fields += BytesMember(p, size);
  }
  return d;
}

}  // namespace

std::string TinyName(std::uint8_t subT) {
  switch (subT) {
    case TINY_NONE:
      return "TINY_NONE";
    case TINY_VER:
      return "TINY_VER";
    case TINY_CLOSE:
      return "TINY_CLOSE";
    case TINY_SCP:
      return "TINY_SCP";
    case TINY_SST:
      return "TINY_SST";
    case TINY_GTH:
      return "TINY_GTH";
    case TINY_NPL:
      return "TINY_NPL";
    case TINY_RST:
      return "TINY_RST";
    default:
      return "TINY_" + std::to_string(subT);
  }
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
