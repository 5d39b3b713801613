// The stand-in as a 0.8 simulator: the start order of at most 48 players, the stream of a
// version 10 director cut at every byte (and a byte-counted one told apart by its first packet),
// and the options that make it one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/racesim/insim_server.h"
#include "tools/racesim/options.h"
#include "tools/racesim/wire/insim_numbers.h"
#include "tools/racesim/wire/players.h"
#include "tools/racesim/wire/requests.h"
#include "tools/racesim/wire/texts.h"
#include "tools/racesim/wire/version.h"

namespace racesim {
namespace {

TEST(Insim10, StartOrderKeepsAtMost48Players) {
  std::vector<std::uint8_t> ids;
  for (int i = 1; i <= 50; ++i) ids.push_back(static_cast<std::uint8_t>(i));
  const Bytes reo = Frame10(EncodeReo10(0, ids));
  ASSERT_EQ(reo.size(), 52u);
  EXPECT_EQ(Bytes(reo.begin(), reo.begin() + 6), (Bytes{13, 36, 0, 48, 1, 2}));
  EXPECT_EQ(reo[51], 48);
  std::uint8_t reqI = 0;
  std::vector<std::uint8_t> read;
  ASSERT_TRUE(DecodeReo10(reo.data(), 52, &reqI, &read));
  EXPECT_EQ(read, std::vector<std::uint8_t>(ids.begin(), ids.begin() + 48));
}

// What a director sends first: its introduction, the version request and a text.
std::vector<Bytes> DirectorStart(int version) {
  const bool v10 = version == kInsim10;
  const InitPacket init{
      0, 0, ISF_LOCAL | ISF_MCI, static_cast<std::uint8_t>(v10 ? 10 : 0), 0, 200, "pw", "Morvane"};
  std::vector<Bytes> packets = {EncodeIsi(init), EncodeTiny({1, TINY_VER}),
                                EncodeMsl("^3Morvane: ^2Hello", 0)};
  if (v10) {
    for (Bytes& p : packets) p = Frame10(p);
  }
  return packets;
}

// The packets cut out of the stream when it arrives in two reads split at `cut`.
std::vector<Bytes> CutInTwo(StreamCutter& cutter, const Bytes& stream, std::size_t cut) {
  std::vector<Bytes> out;
  Bytes packet;
  cutter.Feed(stream.data(), static_cast<int>(cut));
  while (cutter.Next(&packet)) out.push_back(packet);
  cutter.Feed(stream.data() + cut, static_cast<int>(stream.size() - cut));
  while (cutter.Next(&packet)) out.push_back(packet);
  return out;
}

TEST(Insim10, StreamsOfBothFramingsAreCutAtEverySplit) {
  for (int version : {kInsim10, kInsim4}) {
    const std::vector<Bytes> packets = DirectorStart(version);
    Bytes stream;
    for (const Bytes& p : packets) stream.insert(stream.end(), p.begin(), p.end());
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
      StreamCutter cutter(kSizeUnit10);
      ASSERT_EQ(CutInTwo(cutter, stream, cut), packets) << version << " cut at " << cut;
      EXPECT_EQ(cutter.ByteCounted(), version == kInsim4);
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

TEST(Insim10, OptionsOfA08Simulator) {
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
