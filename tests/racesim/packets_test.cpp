// The packets the stand-in sends, byte for byte, read back with the director's own readers.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "director/insim/dispatch.h"
#include "director/insim/packets.h"
#include "platform/bytes.h"
#include "tools/racesim/packet_trace.h"
#include "tools/racesim/sim_packets.h"

namespace racesim {
namespace {

using director::CompCar;

std::vector<CompCar> Cars(int n) {
  std::vector<CompCar> cars(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    CompCar& c = cars[static_cast<std::size_t>(i)];
    c.node = static_cast<std::uint16_t>(100 + i);
    c.lap = static_cast<std::uint16_t>(1 + i % 3);
    c.plid = c.position = static_cast<std::uint8_t>(i + 1);
    c.x = -1000 * i;
    c.y = 2000 * i;
    c.z = 65536;
    c.speed = static_cast<std::uint16_t>(10000 + i);
    c.direction = 0x8000;
    c.heading = 0x8100;
    c.angVel = -5;
  }
  return cars;
}

// What both versions carry of a car.
auto Carried(const CompCar& c) {
  return std::tuple(c.node, c.lap, c.plid, c.x, c.y, c.z, c.speed, c.direction, c.heading,
                    c.angVel);
}

std::string Text(const Bytes& p, int at) { return FieldText(p.data() + at, 24); }

TEST(PositionPackets, Version4SetsOfEightWithOnlyTheLastRecordMarked) {
  for (int n : {8, 12}) {
    const std::vector<CompCar> cars = Cars(n);
    const std::vector<Bytes> packets = BuildMci(cars);
    ASSERT_EQ(packets.size(), static_cast<std::size_t>((n + 7) / 8));
    int k = 0;
    for (const Bytes& p : packets) {
      const int count = std::min(8, n - k);
      EXPECT_EQ(p.size(), 4u + 28u * static_cast<unsigned>(count));
      EXPECT_EQ(p[0], p.size());
      EXPECT_EQ(p[1], director::ISP_MCI);
      EXPECT_EQ(p[3], count);
      for (int r = 0; r < count; ++r, ++k) {
        const CompCar c = director::ReadCompCar(p.data() + 4 + 28 * r);
        EXPECT_EQ(Carried(c), Carried(cars[static_cast<std::size_t>(k)]));
        EXPECT_EQ(c.position, k + 1);
        EXPECT_EQ(c.info, k == n - 1 ? director::CCI_LAST : 0) << n << " cars, car " << k;
      }
    }
  }
}

TEST(PositionPackets, Version3TotalFirstAndPackedRecords) {
  std::vector<CompCar> cars = Cars(10);
  cars[9].node = 5;
  cars[9].lap = 0x702;
  const std::vector<Bytes> packets = BuildV3Mci(cars);
  ASSERT_EQ(packets.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(packets[i].size(), 204u);
    EXPECT_EQ(plat::GetU32(packets[i].data()), director::kV3MCI);
    EXPECT_EQ(packets[i][8], 10);
    EXPECT_EQ(packets[i][9], 8 * i);
  }
  // The tenth car: node 5 and lap 0x702 pack into the word 0xE005 and the byte 0x02.
  const std::uint8_t* r = packets[1].data() + 12 + 24;
  EXPECT_EQ(plat::GetU16(r), 0xE005);
  EXPECT_EQ(r[2], 0x02);
  EXPECT_EQ(Carried(director::ConvertV3Car(r)), Carried(cars[9]));
  EXPECT_EQ(Carried(director::ConvertV3Car(packets[0].data() + 12)), Carried(cars[0]));
  // Records beyond the cars are empty, which the director skips.
  EXPECT_EQ(Bytes(packets[1].begin() + 12 + 48, packets[1].end()), Bytes(204 - 60, 0));
}

TEST(StatePacket, ByteImageOfBothVersions) {
  StateReport s;
  s.flags = 0x00C9;
  s.inGameCam = 2;
  s.viewPlid = 7;
  s.numP = 12;
  s.numFinished = 3;
  s.raceInProg = 1;
  s.raceLaps = 5;
  s.track = "RS1";
  const Bytes v4 = BuildSta(1, s);
  const Bytes expected = {28, 5, 1, 0, 0x00, 0x00, 0x80, 0x3F, 0xC9, 0x00, 2, 7, 12, 1,
                          3,  1, 0, 5, 0,    0,    'R',  'S',  '1',  0,    0, 0, 0,  0};
  EXPECT_EQ(v4, expected);
  const Bytes v3 = BuildV3Sta(s);
  EXPECT_EQ(plat::GetU32(v3.data()), director::kV3STA);
  EXPECT_EQ(Bytes(v3.begin() + 4, v3.end()), Bytes(expected.begin() + 4, expected.end()));
}

TEST(RacePackets, FieldsWhereTheDirectorReadsThem) {
  const PlayerInfo player{9, 1, "^1Speedy", "XRG", "RS 9"};
  ResultInfo r;
  r.player = player;
  r.totalMs = 300000;
  r.lapsDone = 5;
  r.resultNum = 39;
  const Bytes npl = BuildNpl(1, player, 12), lap = BuildLap(9, 61234, 190000, 3, 1),
              spx = BuildSpx(9, 20000, 80000, 2, 1), pit = BuildPit(9, 2, 1), res = BuildRes(r);
  const auto u16 = [](const Bytes& p, int at) { return plat::GetU16(p.data() + at); };
  const auto u32 = [](const Bytes& p, int at) { return plat::GetU32(p.data() + at); };
  // Size (twice), type, ReqI or PLID, then the fields where the director reads them.
  using director::ISP_LAP, director::ISP_NPL, director::ISP_PIT, director::ISP_RES,
      director::ISP_SPX;
  EXPECT_EQ(std::tuple(npl.size(), npl[0], npl[1], npl[2], npl[3], u16(npl, 6)),
            std::tuple(76u, 76, ISP_NPL, 1, 9, 1));
  EXPECT_EQ(std::tuple(lap.size(), lap[0], lap[1], lap[3], u32(lap, 4), u32(lap, 8), u16(lap, 12),
                       lap[18]),
            std::tuple(20u, 20, ISP_LAP, 9, 61234u, 190000u, 3, 1));
  EXPECT_EQ(std::tuple(spx.size(), spx[0], spx[1], spx[3], u32(spx, 8), spx[14]),
            std::tuple(16u, 16, ISP_SPX, 9, 80000u, 1));
  EXPECT_EQ(std::tuple(pit.size(), pit[0], pit[1], pit[3], pit[10]),
            std::tuple(24u, 24, ISP_PIT, 9, 1));
  EXPECT_EQ(std::tuple(res.size(), res[0], res[1], u32(res, 64), res[74], res[80]),
            std::tuple(84u, 84, ISP_RES, 300000u, CONF_CONFIRMED, 39));
  EXPECT_EQ(Text(npl, 8), "^1Speedy");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(npl.data() + 40), 4), std::string("XRG", 4));
  EXPECT_EQ(Text(res, 28), "^1Speedy");
  EXPECT_EQ(BuildSmall(1, director::SMALL_RTP, 12345),
            (Bytes{8, director::ISP_SMALL, 1, director::SMALL_RTP, 0x39, 0x30, 0, 0}));
  EXPECT_EQ(BuildVer(1, "0.7F", "S3", 4),
            (Bytes{20, 2, 1, 0, '0', '.', '7', 'F', 0, 0, 0, 0, 'S', '3', 0, 0, 0, 0, 4, 0}));
  const Bytes mso = BuildMso(0, 0, "activate Morvane");
  ASSERT_EQ(mso.size(), 136u);
  EXPECT_EQ(FieldText(mso.data() + 8, 128), "activate Morvane");
}

TEST(RacePackets, Version3SizesAndAckWordsMatchTheDirectorsTable) {
  const PlayerInfo player{4, 0, "Eva", "FXO", ""};
  ResultInfo result;
  result.player = player;
  const Bytes npl = BuildV3Npl(player, 3, 0x1234);
  EXPECT_EQ(Text(npl, 28), "Eva");
  EXPECT_EQ(npl[95], 4);
  EXPECT_EQ(npl[96], 3);
  EXPECT_EQ(BuildV3Lap(4, 1, 2, 3, 0, 1)[89], 4);
  const struct {
    Bytes packet;
    int ack;  // -1: none asked for
  } cases[] = {
      {npl, 0x1234},
      {BuildV3Rst(5, 12, "RS1", 0x0102), 0x0102},
      {BuildV3Lap(4, 1, 2, 3, 0, 0xBEEF), 0xBEEF},
      {BuildV3Split(4, 1, 100, 7), 7},
      {BuildV3Split(4, 2, 100, 8), 8},
      {BuildV3Pit(4, 1, 9), 9},
      {BuildV3Res(result, 0xFFFF), 0xFFFF},
      {BuildV3Sta(StateReport{}), -1},
      {BuildV3Mso("x"), -1},
      {BuildV3Mci(Cars(1))[0], -1},
  };
  for (const auto& c : cases) {
    const director::V3PacketInfo* info = director::FindV3Packet(plat::GetU32(c.packet.data()));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->size, c.packet.size());
    if (c.ack < 0) {
      EXPECT_EQ(info->ackAt, -1);
    } else {
      ASSERT_EQ(info->ackAt, static_cast<int>(c.packet.size()) - 2);
      EXPECT_EQ(plat::GetU16(c.packet.data() + info->ackAt), c.ack);
    }
  }
}

TEST(RacePackets, RaceLapsEncoding) {
  const int laps[][2] = {{0, 0}, {1, 1}, {99, 99}, {100, 100}, {300, 120}, {1000, 190}};
  for (const auto& l : laps) EXPECT_EQ(EncodeRaceLaps(l[0]), l[1]) << l[0];
}

}  // namespace
}  // namespace racesim
