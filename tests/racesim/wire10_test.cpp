// The stand-in as a 0.8 simulator: its version 10 forms byte for byte, the stream of a version 10
// director cut at every byte (and a byte-counted one told apart by its first packet), and the
// options that make it one.
#include "tools/racesim/wire10.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "director/insim/packets.h"
#include "tools/racesim/insim_server.h"
#include "tools/racesim/options.h"

namespace racesim {
namespace {

Bytes Text(const char* text, std::size_t width) {
  Bytes out(width, 0);
  for (std::size_t i = 0; i < width && text[i] != '\0'; ++i)
    out[i] = static_cast<std::uint8_t>(text[i]);
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(Wire10, FramingVersionReplyAndStartOrder) {
  EXPECT_EQ(Frame10({13, 99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}),
            (Bytes{4, 99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0, 0}));
  EXPECT_EQ(Frame10(Bytes(1020, 7))[0], 255);
  EXPECT_TRUE(Frame10(Bytes(1021, 7)).empty());
  EXPECT_EQ(PacketBytes10(113), 452);

  EXPECT_EQ(Frame10(BuildVer10(7, "0.8B", "S3")),
            Cat({Bytes{5, 2, 7, 0}, Text("0.8B", 8), Text("S3", 6), Bytes{10, 0}}));
  std::vector<std::uint8_t> ids;
  for (int i = 1; i <= 50; ++i) ids.push_back(static_cast<std::uint8_t>(i));
  const Bytes reo = Frame10(BuildReo10(0, ids));
  ASSERT_EQ(reo.size(), 52u);
  EXPECT_EQ(Bytes(reo.begin(), reo.begin() + 6), (Bytes{13, 36, 0, 48, 1, 2}));
  EXPECT_EQ(reo[51], 48);
  EXPECT_EQ(Frame10(BuildReo10(0, {9, 4})), Cat({Bytes{13, 36, 0, 2, 9, 4}, Bytes(46, 0)}));
}

TEST(Wire10, FortyCarsInPacketsOfSixteenOnlyTheLastCarMarked) {
  std::vector<CarRecord10> cars(40);
  for (int i = 0; i < 40; ++i) {
    cars[static_cast<std::size_t>(i)].plid = static_cast<std::uint8_t>(i + 1);
    cars[static_cast<std::size_t>(i)].info = 0x80;  // stale marks are cleared
  }
  cars[0] = {0x0102, 3, 1, 1, 0x80, 0x01020304, -1, 65536, 0x3344, 0x5566, 0x7788, -2};
  const std::vector<Bytes> packets = BuildMci10(cars);
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(Frame10(packets[0]).size(), 452u);
  EXPECT_EQ(Frame10(packets[0])[0], 113);
  EXPECT_EQ(Frame10(packets[2])[0], 57);  // 4 + 8 x 28 bytes
  EXPECT_EQ(Bytes(packets[0].begin(), packets[0].begin() + 32),
            (Bytes{0, 38, 0,    16,   0x02, 0x01, 3,    0,    1,    1,   0,
                   0, 4,  3,    2,    1,    0xFF, 0xFF, 0xFF, 0xFF, 0,   0,
                   1, 0,  0x44, 0x33, 0x66, 0x55, 0x88, 0x77, 0xFE, 0xFF}));
  EXPECT_EQ(packets[2][3], 8);
  std::vector<int> marked;
  for (std::size_t p = 0; p < packets.size(); ++p) {
    for (int k = 0; k < packets[p][3]; ++k) {
      if (packets[p][4 + 28 * static_cast<std::size_t>(k) + 6] & 0x80) {
        marked.push_back(packets[p][4 + 28 * static_cast<std::size_t>(k) + 4]);
      }
    }
  }
  EXPECT_EQ(marked, std::vector<int>{40});
  EXPECT_TRUE(BuildMci10({}).empty());
}

// The director's own version 10 packets, cut at every split of the stream; a director that
// introduces itself byte-counted is cut in bytes; a Size of 0 breaks the stream.
TEST(Wire10, StreamsOfBothFramingsAreCut) {
  struct Capture : director::PacketSink {
    void SendPacket(const std::uint8_t* data, int size) override {
      packets.emplace_back(data, data + size);
    }
    std::vector<Bytes> packets;
  };
  for (std::uint8_t version : {director::kInsimV10, director::kInsimV4}) {
    Capture capture;
    director::InsimLink link;
    link.version = version;
    link.sink = &capture;
    director::SendInit(link, "pw");
    director::SendTiny(link, 1, director::TINY_VER);
    director::SendText(link, "Hello", true);
    Bytes stream;
    for (const Bytes& p : capture.packets) stream.insert(stream.end(), p.begin(), p.end());
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
      StreamCutter cutter(kSizeUnit10);
      std::vector<Bytes> out;
      Bytes packet;
      cutter.Feed(stream.data(), static_cast<int>(cut));
      while (cutter.Next(&packet)) out.push_back(packet);
      cutter.Feed(stream.data() + cut, static_cast<int>(stream.size() - cut));
      while (cutter.Next(&packet)) out.push_back(packet);
      ASSERT_EQ(out, capture.packets) << int(version) << " cut at " << cut;
      EXPECT_EQ(cutter.ByteCounted(), version == director::kInsimV4);
      EXPECT_FALSE(cutter.Broken());
    }
  }
  StreamCutter cutter(kSizeUnit10);
  const Bytes data = {1, 3, 0, 0, 0, 3, 0, 0};
  cutter.Feed(data.data(), static_cast<int>(data.size()));
  Bytes packet;
  EXPECT_TRUE(cutter.Next(&packet));
  EXPECT_FALSE(cutter.Next(&packet));
  EXPECT_TRUE(cutter.Broken());
}

TEST(Wire10, OptionsOfA08Simulator) {
  const auto parse = [](std::vector<const char*> args, SimOptions* o, std::string* error) {
    args.insert(args.begin(), "racesim");
    return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
  };
  SimOptions o;
  std::string error;
  ASSERT_EQ(parse({"--cars", "48", "--insim-version", "10"}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.version, 10);
  EXPECT_EQ(o.simVersion, "0.8B");
  EXPECT_EQ(o.race.cars, 48);
  SimOptions given;
  ASSERT_EQ(parse({"--insim-version", "10", "--sim-version", "0.8C24"}, &given, &error),
            ParseResult::kRun);
  EXPECT_EQ(given.simVersion, "0.8C24");
  SimOptions old;
  EXPECT_EQ(parse({"--cars", "41"}, &old, &error), ParseResult::kError);
  EXPECT_EQ(error, "the number of cars must be between 1 and 40");
  SimOptions most;
  EXPECT_EQ(parse({"--insim-version", "10", "--cars", "49"}, &most, &error), ParseResult::kError);
  EXPECT_EQ(parse({"--insim-version", "5"}, &most, &error), ParseResult::kError);
}

}  // namespace
}  // namespace racesim
