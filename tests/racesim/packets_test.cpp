// The stand-in's packets beyond the golden images: position sets split over packets with only the
// set's last car marked, the version 3 packing of node and lap, the words the director is to
// acknowledge, texts cut to their fields, and the laps of long races.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bytes.h"
#include "tools/racesim/wire/buttons.h"
#include "tools/racesim/wire/insim_numbers.h"
#include "tools/racesim/wire/players.h"
#include "tools/racesim/wire/positions.h"
#include "tools/racesim/wire/race_events.h"
#include "tools/racesim/wire/state.h"
#include "tools/racesim/wire/texts.h"

namespace racesim {
namespace {

std::vector<CarRecord> Cars(int n) {
  std::vector<CarRecord> cars(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    CarRecord& c = cars[static_cast<std::size_t>(i)];
    c.node = static_cast<std::uint16_t>(100 + i);
    c.lap = static_cast<std::uint16_t>(1 + i % 3);
    c.plid = c.position = static_cast<std::uint8_t>(i + 1);
    c.info = CCI_LAST;  // a stale mark is cleared
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

TEST(PositionPackets, SetsSplitByVersionWithOnlyTheLastCarMarked) {
  const struct {
    int cars, perPacket;
  } cases[] = {{8, kCarsPerMci}, {12, kCarsPerMci}, {40, kCarsPerMci10}, {48, kCarsPerMci10}};
  for (const auto& c : cases) {
    const std::vector<CarRecord> cars = Cars(c.cars);
    const std::vector<Bytes> packets = EncodeMci(cars, c.perPacket);
    ASSERT_EQ(packets.size(), static_cast<std::size_t>((c.cars + c.perPacket - 1) / c.perPacket));
    std::vector<CarRecord> all;
    for (const Bytes& p : packets) {
      std::vector<CarRecord> some;
      ASSERT_TRUE(DecodeMci(p.data(), static_cast<int>(p.size()), &some));
      EXPECT_EQ(p.size(), 4u + 28u * some.size());
      EXPECT_LE(some.size(), static_cast<std::size_t>(c.perPacket));
      all.insert(all.end(), some.begin(), some.end());
    }
    ASSERT_EQ(all.size(), cars.size());
    for (std::size_t k = 0; k < all.size(); ++k) {
      CarRecord expected = cars[k];
      expected.info = k + 1 == all.size() ? CCI_LAST : 0;
      EXPECT_EQ(all[k], expected) << c.cars << " cars, car " << k;
    }
  }
  EXPECT_TRUE(EncodeMci({}, kCarsPerMci).empty());
}

TEST(PositionPackets, Version3TotalFirstAndPackedRecords) {
  std::vector<CarRecord> cars = Cars(10);
  cars[9].node = 0x1FFF;
  cars[9].lap = 0x7FF;
  const std::vector<Bytes> packets = EncodeV3Mci(cars);
  ASSERT_EQ(packets.size(), 2u);
  std::vector<CarRecord> all;
  for (std::size_t i = 0; i < 2; ++i) {
    int total = 0, first = 0;
    std::vector<CarRecord> some;
    ASSERT_TRUE(DecodeV3Mci(packets[i].data(), 204, &total, &first, &some));
    EXPECT_EQ(total, 10);
    EXPECT_EQ(first, static_cast<int>(8 * i));
    all.insert(all.end(), some.begin(), some.end());
  }
  ASSERT_EQ(all.size(), 10u);
  EXPECT_EQ(plat::GetU16(packets[1].data() + 12 + 24), 0xFFFF);  // all 13 + 3 bits
  for (std::size_t k = 0; k < 10; ++k) {
    CarRecord expected = cars[k];
    expected.position = expected.info = 0;  // not carried
    EXPECT_EQ(all[k], expected) << k;
  }
  // Records beyond the cars are empty, which the director skips.
  EXPECT_EQ(Bytes(packets[1].begin() + 12 + 48, packets[1].end()), Bytes(204 - 60, 0));
}

TEST(Version3Packets, TheWordToAcknowledgeEndsEachPacketThatAsksForOne) {
  const PlayerInfo player{4, 0, "Eva", "FXO", ""};
  ResultInfo result;
  result.player = player;
  const struct {
    Bytes packet;
    std::size_t size;
    std::uint16_t ack;
  } cases[] = {
      {EncodeV3Npl(player, 3, 0x1234), 100, 0x1234},
      {EncodeV3Rst({0, 5, 12, "RS1"}, 0x0102), 20, 0x0102},
      {EncodeV3Lap({4, 1, 2, 3, 0}, 0xBEEF), 92, 0xBEEF},
      {EncodeV3Split({4, 100, 0, 1, 0}, 7), 12, 7},
      {EncodeV3Split({4, 100, 0, 3, 0}, 8), 12, 8},
      {EncodeV3Pit({4, 0, 1}, 9), 28, 9},
      {EncodeV3Res(result, 0xFFFF), 108, 0xFFFF},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.packet.size(), c.size);
    EXPECT_EQ(V3AckWord(c.packet), c.ack);
  }
  EXPECT_EQ(std::string(cases[4].packet.begin(), cases[4].packet.begin() + 4),
            std::string("SP3\0", 4));
}

TEST(TextFields, TextsAreCutToTheirFieldsWithATerminator) {
  const std::string longName(30, 'n');
  NplPacket npl{0, {1, 0, longName, "LONGCAR", "PLATE1234"}, 1};
  const Bytes p = EncodeNpl(npl);
  NplPacket read;
  ASSERT_TRUE(DecodeNpl(p.data(), static_cast<int>(p.size()), &read));
  EXPECT_EQ(read.player.name, std::string(23, 'n'));
  EXPECT_EQ(p[8 + 23], 0);
  // Codes fill their fields without a terminator.
  EXPECT_EQ(read.player.car, "LONG");
  EXPECT_EQ(read.player.plate, "PLATE123");
  EXPECT_EQ(p[73], 1);  // NumP follows untouched

  const Bytes mso = EncodeMso({0, 0, MSO_SYSTEM, 0, std::string(200, 'x')});
  ASSERT_EQ(mso.size(), 136u);
  EXPECT_EQ(FieldText(mso.data() + 8, 128), std::string(127, 'x'));

  ButtonPacket longest;
  longest.text = std::string(300, 'b');
  const Bytes btn = EncodeBtn(longest);
  ASSERT_EQ(btn.size(), 252u);
  ButtonPacket back;
  ASSERT_TRUE(DecodeBtn(btn.data(), 252, &back));
  EXPECT_EQ(back.text, std::string(239, 'b'));
  EXPECT_EQ(ButtonSize(0), 16);
  EXPECT_EQ(ButtonSize(3), 16);
  EXPECT_EQ(ButtonSize(4), 20);
}

TEST(TextFields, Version10FramingPadsToWholeUnits) {
  EXPECT_EQ(Frame10({13, 99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}),
            (Bytes{4, 99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0, 0}));
  EXPECT_EQ(Frame10(Bytes(1020, 7))[0], 255);
  EXPECT_TRUE(Frame10(Bytes(1021, 7)).empty());
  EXPECT_TRUE(Frame10({}).empty());
  EXPECT_EQ(PacketBytes10(113), 452);
}

TEST(RacePackets, RaceLapsEncoding) {
  const int laps[][2] = {{0, 0},     {1, 1},      {99, 99},   {100, 100},
                         {300, 120}, {1000, 190}, {2000, 190}};
  for (const auto& l : laps) EXPECT_EQ(EncodeRaceLaps(l[0]), l[1]) << l[0];
}

}  // namespace
}  // namespace racesim
