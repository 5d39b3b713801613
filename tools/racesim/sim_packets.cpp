#include "tools/racesim/sim_packets.h"

#include <bit>
#include <cstring>

#include "link/message_queue.h"
#include "platform/bytes.h"

namespace racesim {

using director::PutText;
using plat::PutI32;
using plat::PutU16;
using plat::PutU32;

namespace {

Bytes V4(int size, std::uint8_t type, std::uint8_t reqI, std::uint8_t byte3) {
  Bytes p(static_cast<std::size_t>(size), 0);
  p[0] = static_cast<std::uint8_t>(size);
  p[1] = type;
  p[2] = reqI;
  p[3] = byte3;
  return p;
}

Bytes V3(int size, const char* id) {
  Bytes p(static_cast<std::size_t>(size), 0);
  std::memcpy(p.data(), id, 3);
  return p;
}

void PutString(std::uint8_t* field, int size, const std::string& text) {
  PutText(field, size, text.c_str());
}

// A fixed field that needs no terminator (track names, car codes).
void PutChars(std::uint8_t* field, int size, const std::string& text) {
  std::memset(field, 0, static_cast<std::size_t>(size));
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result): the field needs no terminator
  std::memcpy(
      field, text.data(),
      text.size() < static_cast<std::size_t>(size) ? text.size() : static_cast<std::size_t>(size));
}

void WriteState(std::uint8_t* p, const StateReport& s) {
  PutU32(p + 4, std::bit_cast<std::uint32_t>(s.replaySpeed));
  PutU16(p + 8, s.flags);
  p[10] = s.inGameCam;
  p[11] = s.viewPlid;
  p[12] = s.numP;
  p[13] = s.numConns;
  p[14] = s.numFinished;
  p[15] = s.raceInProg;
  p[16] = s.qualMins;
  p[17] = s.raceLaps;
  PutChars(p + 20, 6, s.track);
  p[26] = s.weather;
  p[27] = s.wind;
}

void WriteCompCar(const director::CompCar& c, std::uint8_t* r) {
  PutU16(r, c.node);
  PutU16(r + 2, c.lap);
  r[4] = c.plid;
  r[5] = c.position;
  r[6] = c.info;
  r[7] = c.spare;
  PutI32(r + 8, c.x);
  PutI32(r + 12, c.y);
  PutI32(r + 16, c.z);
  PutU16(r + 20, c.speed);
  PutU16(r + 22, c.direction);
  PutU16(r + 24, c.heading);
  PutU16(r + 26, static_cast<std::uint16_t>(c.angVel));
}

}  // namespace

std::uint8_t EncodeRaceLaps(int laps) {
  if (laps <= 0) return 0;
  if (laps < 100) return static_cast<std::uint8_t>(laps);
  if (laps > 1000) laps = 1000;
  return static_cast<std::uint8_t>((laps + 900) / 10);
}

Bytes BuildVer(std::uint8_t reqI, const char* version, const char* product, std::uint8_t insimVer) {
  Bytes p = V4(kVerSize, director::ISP_VER, reqI, 0);
  PutChars(p.data() + 4, 8, version);
  PutChars(p.data() + 12, 6, product);
  p[18] = insimVer;
  return p;
}

Bytes BuildTiny(std::uint8_t reqI, std::uint8_t subT) {
  return V4(director::kTinySize, director::ISP_TINY, reqI, subT);
}

Bytes BuildSmall(std::uint8_t reqI, std::uint8_t subT, std::uint32_t value) {
  Bytes p = V4(kSmallSize, director::ISP_SMALL, reqI, subT);
  PutU32(p.data() + 4, value);
  return p;
}

Bytes BuildSta(std::uint8_t reqI, const StateReport& state) {
  Bytes p = V4(kStaSize, director::ISP_STA, reqI, 0);
  WriteState(p.data(), state);
  return p;
}

Bytes BuildCpp(std::uint8_t reqI, const director::CameraPositionRecord& camera) {
  Bytes p(director::kCameraRecordSize);
  const std::uint8_t header[4] = {director::kCameraRecordSize, director::ISP_CPP, reqI, 0};
  director::WriteCameraRecord(camera, header, p.data());
  return p;
}

Bytes BuildMso(std::uint8_t userType, std::uint8_t textStart, const std::string& text) {
  Bytes p = V4(kMsoSize, director::ISP_MSO, 0, 0);
  p[6] = userType;
  p[7] = textStart;
  PutString(p.data() + 8, director::kMessageTextSize, text);
  return p;
}

Bytes BuildNpl(std::uint8_t reqI, const PlayerInfo& player, std::uint8_t numP) {
  Bytes p = V4(kNplSize, director::ISP_NPL, reqI, player.plid);
  PutU16(p.data() + 6, player.flags);
  PutString(p.data() + 8, 24, player.name);
  PutChars(p.data() + 32, 8, player.plate);
  PutChars(p.data() + 40, 4, player.car);
  p[73] = numP;
  return p;
}

Bytes BuildRst(std::uint8_t reqI, std::uint8_t raceLaps, std::uint8_t numP,
               const std::string& track, std::uint16_t numNodes, std::uint16_t finish,
               std::uint16_t split1, std::uint16_t split2) {
  Bytes p = V4(kRstSize, director::ISP_RST, reqI, 0);
  p[4] = raceLaps;
  p[6] = numP;
  PutChars(p.data() + 8, 6, track);
  PutU16(p.data() + 18, numNodes);
  PutU16(p.data() + 20, finish);
  PutU16(p.data() + 22, split1);
  PutU16(p.data() + 24, split2);
  PutU16(p.data() + 26, 0xFFFF);  // no third split
  return p;
}

Bytes BuildLap(std::uint8_t plid, std::uint32_t lapMs, std::uint32_t elapsedMs,
               std::uint16_t lapsDone, std::uint8_t stops) {
  Bytes p = V4(kLapSize, director::ISP_LAP, 0, plid);
  PutU32(p.data() + 4, lapMs);
  PutU32(p.data() + 8, elapsedMs);
  PutU16(p.data() + 12, lapsDone);
  p[18] = stops;
  return p;
}

Bytes BuildSpx(std::uint8_t plid, std::uint32_t splitMs, std::uint32_t elapsedMs,
               std::uint8_t split, std::uint8_t stops) {
  Bytes p = V4(kSpxSize, director::ISP_SPX, 0, plid);
  PutU32(p.data() + 4, splitMs);
  PutU32(p.data() + 8, elapsedMs);
  p[12] = split;
  p[14] = stops;
  return p;
}

Bytes BuildPit(std::uint8_t plid, std::uint16_t lapsDone, std::uint8_t stops) {
  Bytes p = V4(kPitSize, director::ISP_PIT, 0, plid);
  PutU16(p.data() + 4, lapsDone);
  p[10] = stops;
  return p;
}

Bytes BuildRes(const ResultInfo& r) {
  Bytes p = V4(kResSize, director::ISP_RES, 0, r.player.plid);
  PutString(p.data() + 4, 24, "racesim");
  PutString(p.data() + 28, 24, r.player.name);
  PutChars(p.data() + 52, 8, r.player.plate);
  PutChars(p.data() + 60, 4, r.player.car);
  PutU32(p.data() + 64, r.totalMs);
  PutU32(p.data() + 68, r.bestLapMs);
  p[73] = r.stops;
  p[74] = r.confirm;
  PutU16(p.data() + 76, r.lapsDone);
  PutU16(p.data() + 78, r.player.flags);
  p[80] = r.resultNum;
  p[81] = r.numRes;
  return p;
}

std::vector<Bytes> BuildMci(const std::vector<director::CompCar>& cars) {
  std::vector<Bytes> packets;
  const int total = static_cast<int>(cars.size());
  for (int first = 0; first < total; first += director::kMaxCarsPerPacket) {
    const int n =
        total - first < director::kMaxCarsPerPacket ? total - first : director::kMaxCarsPerPacket;
    Bytes p =
        V4(4 + director::kCompCarSize * n, director::ISP_MCI, 0, static_cast<std::uint8_t>(n));
    for (int k = 0; k < n; ++k) {
      director::CompCar c = cars[static_cast<std::size_t>(first + k)];
      c.info = static_cast<std::uint8_t>(c.info & ~director::CCI_LAST);
      if (first + k == total - 1) c.info |= director::CCI_LAST;
      WriteCompCar(c, p.data() + 4 + director::kCompCarSize * k);
    }
    packets.push_back(p);
  }
  return packets;
}

Bytes BuildV3Ver(const char* version, const char* product) {
  Bytes p = V3(kVerSize, "VER");
  PutChars(p.data() + 4, 8, version);
  PutChars(p.data() + 12, 6, product);
  PutU16(p.data() + 18, 3);
  return p;
}

Bytes BuildV3Sta(const StateReport& state) {
  Bytes p = V3(kStaSize, "STA");
  WriteState(p.data(), state);
  return p;
}

Bytes BuildV3Cpp(const director::CameraPositionRecord& camera) {
  Bytes p(director::kCameraRecordSize);
  const std::uint8_t header[4] = {'C', 'P', 'P', 0};
  director::WriteCameraRecord(camera, header, p.data());
  return p;
}

Bytes BuildV3Mso(const std::string& text) {
  Bytes p = V3(kV3MsoSize, "MSO");
  PutString(p.data() + 4, director::kMessageTextSize, text);
  return p;
}

Bytes BuildV3Npl(const PlayerInfo& player, std::uint8_t index, std::uint16_t ack) {
  Bytes p = V3(kV3NplSize, "NPL");
  PutU16(p.data() + 4, player.flags);
  PutString(p.data() + 28, 24, player.name);
  PutChars(p.data() + 52, 8, player.plate);
  PutChars(p.data() + 60, 4, player.car);
  p[95] = player.plid;
  p[96] = index;
  PutU16(p.data() + 98, ack);
  return p;
}

Bytes BuildV3Rst(std::uint8_t raceLaps, std::uint8_t numP, const std::string& track,
                 std::uint16_t ack) {
  Bytes p = V3(kV3RstSize, "RST");
  p[4] = raceLaps;
  p[6] = numP;
  PutChars(p.data() + 8, 6, track);
  PutU16(p.data() + 18, ack);
  return p;
}

Bytes BuildV3Lap(std::uint8_t plid, std::uint32_t lapMs, std::uint32_t elapsedMs,
                 std::uint16_t lapsDone, std::uint8_t stops, std::uint16_t ack) {
  Bytes p = V3(kV3LapSize, "LAP");
  PutU32(p.data() + 4, lapMs);
  PutU32(p.data() + 8, elapsedMs);
  PutU16(p.data() + 12, lapsDone);
  p[18] = stops;
  p[89] = plid;
  PutU16(p.data() + 90, ack);
  return p;
}

Bytes BuildV3Split(std::uint8_t plid, std::uint8_t split, std::uint32_t splitMs,
                   std::uint16_t ack) {
  Bytes p = V3(kV3SplitSize, split == 1 ? "SP1" : split == 2 ? "SP2" : "SP3");
  PutU32(p.data() + 4, splitMs);
  p[9] = plid;
  PutU16(p.data() + 10, ack);
  return p;
}

Bytes BuildV3Pit(std::uint8_t plid, std::uint8_t stops, std::uint16_t ack) {
  Bytes p = V3(kV3PitSize, "PIT");
  p[4] = plid;
  p[5] = stops;
  PutU16(p.data() + 26, ack);
  return p;
}

Bytes BuildV3Res(const ResultInfo& r, std::uint16_t ack) {
  Bytes p = V3(kV3ResSize, "RES");
  PutString(p.data() + 4, 24, r.player.name);
  PutChars(p.data() + 28, 4, r.player.car);
  PutU32(p.data() + 32, r.totalMs);
  PutU32(p.data() + 36, r.bestLapMs);
  PutU16(p.data() + 40, r.lapsDone);
  p[42] = r.stops;
  p[43] = r.confirm;
  p[44] = r.resultNum;
  p[45] = r.player.plid;
  PutU16(p.data() + 106, ack);
  return p;
}

void WriteV3Car(const director::CompCar& c, std::uint8_t* out) {
  PutU16(out, static_cast<std::uint16_t>((c.node & 0x1FFF) | ((c.lap & 0x700) << 5)));
  out[2] = static_cast<std::uint8_t>(c.lap & 0xFF);
  out[3] = c.plid;
  PutI32(out + 4, c.x);
  PutI32(out + 8, c.y);
  PutI32(out + 12, c.z);
  PutU16(out + 16, c.speed);
  PutU16(out + 18, c.direction);
  PutU16(out + 20, c.heading);
  PutU16(out + 22, static_cast<std::uint16_t>(c.angVel));
}

std::vector<Bytes> BuildV3Mci(const std::vector<director::CompCar>& cars) {
  std::vector<Bytes> packets;
  const int total = static_cast<int>(cars.size());
  for (int first = 0; first < total; first += director::kMaxCarsPerPacket) {
    Bytes p = V3(kV3MciSize, "MCI");
    p[8] = static_cast<std::uint8_t>(total);
    p[9] = static_cast<std::uint8_t>(first);
    for (int k = 0; k < director::kMaxCarsPerPacket && first + k < total; ++k) {
      WriteV3Car(cars[static_cast<std::size_t>(first + k)],
                 p.data() + 12 + director::kV3CarSize * k);
    }
    packets.push_back(p);
  }
  return packets;
}

}  // namespace racesim
