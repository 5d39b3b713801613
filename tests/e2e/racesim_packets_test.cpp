// The packets the stand-in sends, byte for byte, read back with the director's own readers.
#include <gtest/gtest.h>

#include <bit>

#include "director/insim/dispatch.h"
#include "director/insim/packets.h"
#include "link/link_core.h"
#include "tools/racesim/sim_packets.h"

namespace racesim {
namespace {

using director::CompCar;

std::vector<CompCar> Cars(int n) {
  std::vector<CompCar> cars;
  for (int i = 0; i < n; ++i) {
    CompCar c;
    c.node = static_cast<std::uint16_t>(100 + i);
    c.lap = static_cast<std::uint16_t>(1 + i % 3);
    c.plid = static_cast<std::uint8_t>(i + 1);
    c.position = static_cast<std::uint8_t>(i + 1);
    c.x = -1000 * i;
    c.y = 2000 * i;
    c.z = 65536;
    c.speed = static_cast<std::uint16_t>(10000 + i);
    c.direction = 0x8000;
    c.heading = 0x8100;
    c.angVel = -5;
    cars.push_back(c);
  }
  return cars;
}

void ExpectSameCar(const CompCar& a, const CompCar& b) {
  EXPECT_EQ(a.node, b.node);
  EXPECT_EQ(a.lap, b.lap);
  EXPECT_EQ(a.plid, b.plid);
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
  EXPECT_EQ(a.speed, b.speed);
  EXPECT_EQ(a.direction, b.direction);
  EXPECT_EQ(a.heading, b.heading);
  EXPECT_EQ(a.angVel, b.angVel);
}

TEST(PositionPackets, Version4SetsOfEightWithTheLastRecordMarked) {
  const std::vector<CompCar> cars = Cars(12);
  const std::vector<Bytes> packets = BuildMci(cars);
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].size(), 4u + 8 * 28);
  EXPECT_EQ(packets[1].size(), 4u + 4 * 28);
  EXPECT_EQ(packets[0][0], 228);
  EXPECT_EQ(packets[0][1], director::ISP_MCI);
  EXPECT_EQ(packets[0][3], 8);
  EXPECT_EQ(packets[1][0], 116);
  EXPECT_EQ(packets[1][3], 4);
  int marked = 0;
  for (int p = 0; p < 2; ++p) {
    for (int k = 0; k < packets[static_cast<std::size_t>(p)][3]; ++k) {
      const CompCar c =
          director::ReadCompCar(packets[static_cast<std::size_t>(p)].data() + 4 + 28 * k);
      ExpectSameCar(c, cars[static_cast<std::size_t>(p * 8 + k)]);
      EXPECT_EQ(c.position, p * 8 + k + 1);
      if (c.info & director::CCI_LAST) {
        ++marked;
        EXPECT_EQ(c.plid, 12);
      }
    }
  }
  EXPECT_EQ(marked, 1);
  // Exactly eight cars: one full packet, and it completes the set by its mark.
  const std::vector<Bytes> eight = BuildMci(Cars(8));
  ASSERT_EQ(eight.size(), 1u);
  EXPECT_EQ(eight[0][3], 8);
  EXPECT_EQ(eight[0][4 + 7 * 28 + 6], director::CCI_LAST);
  EXPECT_EQ(eight[0][4 + 6 * 28 + 6], 0);
}

TEST(PositionPackets, Version3TotalFirstAndPackedRecords) {
  std::vector<CompCar> cars = Cars(10);
  cars[9].node = 5;
  cars[9].lap = 0x702;
  const std::vector<Bytes> packets = BuildV3Mci(cars);
  ASSERT_EQ(packets.size(), 2u);
  for (const Bytes& p : packets) {
    EXPECT_EQ(p.size(), 204u);
    EXPECT_EQ(glink::GetU32(p.data()), director::kV3MCI);
    EXPECT_EQ(p[8], 10);
  }
  EXPECT_EQ(packets[0][9], 0);
  EXPECT_EQ(packets[1][9], 8);
  // The tenth car: node 5 and lap 0x702 pack into the word 0xE005 and the byte 0x02.
  const std::uint8_t* r = packets[1].data() + 12 + 24;
  EXPECT_EQ(glink::GetU16(r), 0xE005);
  EXPECT_EQ(r[2], 0x02);
  ExpectSameCar(director::ConvertV3Car(r), cars[9]);
  ExpectSameCar(director::ConvertV3Car(packets[0].data() + 12), cars[0]);
  // Records beyond the cars are empty, which the director skips.
  EXPECT_EQ(glink::GetU16(packets[1].data() + 12 + 2 * 24), 0);
  EXPECT_EQ(packets[1][12 + 2 * 24 + 2], 0);
}

TEST(StatePacket, ByteImageOfBothVersions) {
  StateReport s;
  s.replaySpeed = 1.0f;
  s.flags = 0x00C9;
  s.inGameCam = 2;
  s.viewPlid = 7;
  s.numP = 12;
  s.numConns = 1;
  s.numFinished = 3;
  s.raceInProg = 1;
  s.raceLaps = 5;
  s.track = "RS1";
  const Bytes v4 = BuildSta(1, s);
  const Bytes expected = {28, 5, 1, 0, 0x00, 0x00, 0x80, 0x3F, 0xC9, 0x00, 2, 7, 12, 1,
                          3,  1, 0, 5, 0,    0,    'R',  'S',  '1',  0,    0, 0, 0,  0};
  EXPECT_EQ(v4, expected);
  Bytes v3 = BuildV3Sta(s);
  EXPECT_EQ(std::vector<std::uint8_t>(v3.begin() + 4, v3.end()),
            std::vector<std::uint8_t>(expected.begin() + 4, expected.end()));
  EXPECT_EQ(glink::GetU32(v3.data()), director::kV3STA);
}

TEST(RacePackets, FieldsWhereTheDirectorReadsThem) {
  PlayerInfo player{9, 1, "^1Speedy", "XRG", "RS 9"};
  const Bytes npl = BuildNpl(1, player, 12);
  ASSERT_EQ(npl.size(), 76u);
  EXPECT_EQ(npl[1], director::ISP_NPL);
  EXPECT_EQ(npl[2], 1);
  EXPECT_EQ(npl[3], 9);
  EXPECT_EQ(glink::GetU16(npl.data() + 6), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(npl.data() + 8)), "^1Speedy");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(npl.data() + 40), 3), "XRG");

  const Bytes lap = BuildLap(9, 61234, 190000, 3, 1);
  ASSERT_EQ(lap.size(), 20u);
  EXPECT_EQ(lap[1], director::ISP_LAP);
  EXPECT_EQ(lap[3], 9);
  EXPECT_EQ(glink::GetU32(lap.data() + 4), 61234u);
  EXPECT_EQ(glink::GetU32(lap.data() + 8), 190000u);
  EXPECT_EQ(glink::GetU16(lap.data() + 12), 3);
  EXPECT_EQ(lap[18], 1);

  const Bytes spx = BuildSpx(9, 20000, 80000, 2, 1);
  ASSERT_EQ(spx.size(), 16u);
  EXPECT_EQ(glink::GetU32(spx.data() + 8), 80000u);
  EXPECT_EQ(spx[12], 2);
  EXPECT_EQ(spx[14], 1);

  const Bytes pit = BuildPit(9, 2, 1);
  ASSERT_EQ(pit.size(), 24u);
  EXPECT_EQ(pit[3], 9);
  EXPECT_EQ(pit[10], 1);

  ResultInfo r;
  r.player = player;
  r.totalMs = 300000;
  r.bestLapMs = 59000;
  r.lapsDone = 5;
  r.resultNum = 39;
  r.numRes = 40;
  const Bytes res = BuildRes(r);
  ASSERT_EQ(res.size(), 84u);
  EXPECT_EQ(res[1], director::ISP_RES);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(res.data() + 28)), "^1Speedy");
  EXPECT_EQ(glink::GetU32(res.data() + 64), 300000u);
  EXPECT_EQ(res[74], CONF_CONFIRMED);
  EXPECT_EQ(glink::GetU16(res.data() + 76), 5);
  EXPECT_EQ(res[80], 39);

  const Bytes rtp = BuildSmall(1, director::SMALL_RTP, 12345);
  EXPECT_EQ(rtp, (Bytes{8, director::ISP_SMALL, 1, director::SMALL_RTP, 0x39, 0x30, 0, 0}));
  const Bytes ver = BuildVer(1, "0.7F", "S3", 4);
  EXPECT_EQ(ver, (Bytes{20, 2, 1, 0, '0', '.', '7', 'F', 0, 0, 0, 0, 'S', '3', 0, 0, 0, 0, 4, 0}));
  const Bytes mso = BuildMso(0, 0, "activate Morvane");
  ASSERT_EQ(mso.size(), 136u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(mso.data() + 8)), "activate Morvane");
}

TEST(RacePackets, Version3SizesAndAckWordsMatchTheDirectorsTable) {
  PlayerInfo player{4, 0, "Eva", "FXO", ""};
  ResultInfo result;
  result.player = player;
  const struct {
    Bytes packet;
    std::uint16_t ack;
  } cases[] = {
      {BuildV3Npl(player, 3, 0x1234), 0x1234},
      {BuildV3Rst(5, 12, "RS1", 0x0102), 0x0102},
      {BuildV3Lap(4, 1, 2, 3, 0, 0xBEEF), 0xBEEF},
      {BuildV3Split(4, 1, 100, 7), 7},
      {BuildV3Split(4, 2, 100, 8), 8},
      {BuildV3Pit(4, 1, 9), 9},
      {BuildV3Res(result, 0xFFFF), 0xFFFF},
  };
  for (const auto& c : cases) {
    const director::V3PacketInfo* info = director::FindV3Packet(glink::GetU32(c.packet.data()));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->size, c.packet.size());
    ASSERT_EQ(info->ackAt, static_cast<int>(c.packet.size()) - 2);
    EXPECT_EQ(glink::GetU16(c.packet.data() + info->ackAt), c.ack);
  }
  const Bytes npl = BuildV3Npl(player, 3, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(npl.data() + 28)), "Eva");
  EXPECT_EQ(npl[95], 4);
  EXPECT_EQ(npl[96], 3);
  EXPECT_EQ(BuildV3Lap(4, 1, 2, 3, 0, 1)[89], 4);
  for (const Bytes& p : {BuildV3Sta(StateReport{}), BuildV3Mso("x"), BuildV3Mci(Cars(1))[0]}) {
    const director::V3PacketInfo* info = director::FindV3Packet(glink::GetU32(p.data()));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->size, p.size());
    EXPECT_EQ(info->ackAt, -1);
  }
}

TEST(RacePackets, RaceLapsEncoding) {
  EXPECT_EQ(EncodeRaceLaps(0), 0);
  EXPECT_EQ(EncodeRaceLaps(1), 1);
  EXPECT_EQ(EncodeRaceLaps(99), 99);
  EXPECT_EQ(EncodeRaceLaps(100), 100);
  EXPECT_EQ(EncodeRaceLaps(300), 120);
  EXPECT_EQ(EncodeRaceLaps(1000), 190);
}

}  // namespace
}  // namespace racesim
