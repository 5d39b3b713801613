#include "director/insim/dispatch.h"

#include <gtest/gtest.h>

#include <string>

#include "insim_test_support.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Capture;
using test::Cat;
using test::Padded;
using test::RecordingHandlers;

// A version 4 packet of the given size and type, its bytes 3.. numbered from 0x40 on.
Bytes V4(int size, int type, int byte3 = 0) {
  Bytes p(static_cast<std::size_t>(size));
  p[0] = static_cast<std::uint8_t>(size);
  p[1] = static_cast<std::uint8_t>(type);
  p[2] = 0;
  p[3] = static_cast<std::uint8_t>(byte3);
  for (int i = 4; i < size; ++i)
    p[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x40 + i);
  return p;
}

// A version 3 packet: identifier and size bytes numbered from 4 on; the ACK word, where there is
// one, is the packet's last two bytes.
Bytes V3(const char (&id)[4], int size) {
  Bytes p = Padded(id, static_cast<std::size_t>(size));
  for (int i = 4; i < size; ++i) p[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  return p;
}

struct Fixture {
  explicit Fixture(std::uint8_t version) {
    link.version = version;
    link.sink = &capture;
  }
  Capture capture;
  RecordingHandlers handlers;
  InsimLink link;
};

Bytes Head(const Bytes& b, std::size_t n) {
  return Bytes(b.begin(), b.begin() + static_cast<long>(n));
}

// One packet of every kind the version 4 dispatch knows, and one it does not.
Bytes V4Stream() {
  Bytes mso = V4(136, ISP_MSO);
  std::memcpy(mso.data() + 8, "hello\0", 6);
  Bytes small = V4(8, ISP_SMALL, SMALL_RTP);
  small[4] = 4;
  small[5] = 3;
  small[6] = 2;
  small[7] = 1;
  return Cat({V4(4, ISP_TINY, TINY_NONE), V4(4, ISP_TINY, TINY_SST), small, V4(8, ISP_SMALL, 1),
              V4(28, ISP_STA), V4(32, ISP_CPP), mso, V4(16, ISP_RST), V4(76, ISP_NPL),
              V4(20, ISP_LAP), V4(16, ISP_SPX), V4(24, ISP_PIT), V4(8, ISP_TOC), V4(84, ISP_RES),
              V4(32, ISP_MCI, 1), V4(12, 99)});
}

const std::vector<std::string> kV4StreamCalls = {
    "RaceTime", "State", "CameraPosition", "MessageText", "RaceStart", "NewPlayerV4", "LapV4",
    "Split",    "Pit",   "Result",         "CarPositions"};

// The stream in two reads split at every byte (split at the end: one read), and byte by byte:
// every packet reaches its handler whole, TINY_NONE is answered with TINY_NONE (the other TINY is
// ignored) and IS_TOC asks for the players.
TEST(InsimDispatch, Version4PacketsGoToTheirHandlersWhereverTheReadsEnd) {
  const Bytes stream = V4Stream();
  const auto check = [](Fixture& f, bool complete, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_TRUE(complete);
    EXPECT_EQ(f.handlers.Names(), kV4StreamCalls);
    EXPECT_EQ(f.capture.Packets(), (std::vector<Bytes>{B({4, 3, 0, 0}), B({4, 3, 1, 14})}));
    const auto calls = f.handlers.Calls();
    if (calls.size() != kV4StreamCalls.size()) return;
    EXPECT_EQ(calls[0].bytes, B({4, 3, 2, 1}));  // UVal 0x01020304
    EXPECT_EQ(calls[1].bytes, V4(28, ISP_STA));
    EXPECT_EQ(calls[2].bytes, Head(V4(32, ISP_CPP), 16));
    EXPECT_EQ(std::string(calls[3].bytes.begin(), calls[3].bytes.end()), "hello");
    EXPECT_EQ(calls[5].bytes, Head(V4(76, ISP_NPL), 44));
    EXPECT_EQ(calls[9].bytes, V4(84, ISP_RES));
  };
  for (std::size_t split = 0; split <= stream.size(); ++split) {
    Fixture f(4);
    f.handlers.completesSet = true;
    V4StreamCutter cutter;
    bool complete = false;
    std::memcpy(cutter.FreeSpace(), stream.data(), split);
    ASSERT_TRUE(cutter.Received(static_cast<int>(split), f.link, f.handlers, &complete));
    ASSERT_LE(cutter.Kept(), 135) << split;
    std::memcpy(cutter.FreeSpace(), stream.data() + split, stream.size() - split);
    ASSERT_TRUE(
        cutter.Received(static_cast<int>(stream.size() - split), f.link, f.handlers, &complete));
    EXPECT_EQ(cutter.Kept(), 0) << split;
    check(f, complete, "split at " + std::to_string(split));
  }
  Fixture f(4);
  f.handlers.completesSet = true;
  V4StreamCutter cutter;
  bool complete = false;
  for (std::uint8_t byte : stream) {
    *cutter.FreeSpace() = byte;
    ASSERT_TRUE(cutter.Received(1, f.link, f.handlers, &complete));
  }
  check(f, complete, "byte by byte");
}

// The packets only the broadcast rules use: yellow flags, car resets and contact, decoded.
TEST(InsimDispatch, FlagsResetsAndContactsReachTheirHandlers) {
  struct Handlers : RecordingHandlers {
    void OnRaceFlag(const RaceFlag& f) override { flags.push_back({f.plid, f.on, f.flag}); }
    void OnCarReset(const CarReset& r) override { resets.push_back(r.plid); }
    void OnContact(const CarContact& c) override {
      contacts.push_back({c.a.plid, c.b.plid, c.closingTenths});
    }
    std::vector<std::vector<int>> flags;
    std::vector<int> resets;
    std::vector<std::vector<int>> contacts;
  } handlers;
  Fixture f(4);
  const Bytes flg = B({8, ISP_FLG, 0, 7, 1, FLG_YELLOW, 3, 0});
  const Bytes crs = B({4, ISP_CRS, 0, 5});
  DispatchV4Packet(f.link, handlers, flg.data(), 8);
  DispatchV4Packet(f.link, handlers, crs.data(), 4);
  EXPECT_EQ(handlers.flags, (std::vector<std::vector<int>>{{7, 1, FLG_YELLOW}}));
  EXPECT_EQ(handlers.resets, std::vector<int>{5});
  // Version 10 counts the size in units; the closing speed's reserved high bits are dropped.
  Fixture f10(kInsimV10);
  Bytes con(kConSize, 0);
  con[0] = kConSize / 4;
  con[1] = ISP_CON;
  con[4] = 0x2C;  // 0xF12C: 300, 30 m/s
  con[5] = 0xF1;
  con[8] = 3;
  con[24] = 8;
  DispatchV4Packet(f10.link, handlers, con.data(), kConSize);
  EXPECT_EQ(handlers.contacts, (std::vector<std::vector<int>>{{3, 8, 300}}));
}

TEST(InsimDispatch, ShortPacketsReachHandlersZeroPadded) {
  Fixture f(4);
  DispatchV4Packet(f.link, f.handlers, V4(8, ISP_NPL).data(), 8);
  const auto calls = f.handlers.Calls();
  ASSERT_EQ(calls.size(), 1u);
  Bytes expected = Cat({V4(8, ISP_NPL), Bytes(36, 0)});
  expected[0] = kNplSize;  // the handler gets the decoded record, recorded in its full form
  EXPECT_EQ(calls[0].bytes, expected);

  // A message field of 128 characters without its zero is still a terminated text.
  Fixture g(4);
  Bytes mso(136, 'a');
  mso[0] = 136;
  mso[1] = ISP_MSO;
  DispatchV4Packet(g.link, g.handlers, mso.data(), 136);
  EXPECT_EQ(g.handlers.Calls().at(0).bytes.size(), 128u);
}

TEST(InsimDispatch, Version4SizeBelowFourStopsTheStream) {
  Fixture f(4);
  V4StreamCutter cutter;
  const Bytes stream = Cat({V4(16, ISP_RST), B({2, 3, 0, 0}), V4(16, ISP_RST)});
  std::memcpy(cutter.FreeSpace(), stream.data(), stream.size());
  bool complete = false;
  EXPECT_FALSE(cutter.Received(static_cast<int>(stream.size()), f.link, f.handlers, &complete));
  EXPECT_EQ(f.handlers.Names(), std::vector<std::string>{"RaceStart"});
}

// Every version 3 identifier with its assumed size and ACK offset: the packet is acknowledged
// with the word at that offset (and only then), and a "RST" behind it is found where the size
// says.
TEST(InsimDispatch, Version3TableSizesAndAcks) {
  const struct {
    const char* id;
    int size;
    int ackAt;
  } table[] = {{"STA", 28, -1},   {"MCI", 204, -1}, {"MSO", 132, -1}, {"CPP", 32, -1},
               {"SCH", 8, -1},    {"LAP", 92, 90},  {"NPL", 100, 98}, {"RST", 20, 18},
               {"PEN", 12, 10},   {"FLG", 12, 10},  {"PFL", 12, 10},  {"SP1", 12, 10},
               {"SP2", 12, 10},   {"SP3", 12, 10},  {"REN", 8, 6},    {"CLR", 8, 6},
               {"PSF", 16, 14},   {"PIT", 28, 26},  {"CNL", 56, 54},  {"NCN", 60, 58},
               {"PLP", 60, 58},   {"PLL", 60, 58},  {"REO", 64, 62},  {"CPR", 88, 86},
               {"TOC", 104, 102}, {"RES", 108, 106}};
  for (const auto& row : table) {
    Fixture f(3);
    Bytes packet = Padded(row.id, static_cast<std::size_t>(row.size));
    if (row.ackAt >= 0) {
      packet[static_cast<std::size_t>(row.ackAt)] = 0x5A;
      packet[static_cast<std::size_t>(row.ackAt) + 1] = 0xA5;
    }
    const Bytes datagram = Cat({packet, V3("RST", 20)});
    WalkV3Datagram(f.link, f.handlers, datagram.data(), static_cast<int>(datagram.size()));
    const auto names = f.handlers.Names();
    ASSERT_FALSE(names.empty()) << row.id;
    EXPECT_EQ(names.back(), "RaceStart") << row.id;
    std::vector<Bytes> expected;
    if (row.ackAt >= 0) expected.push_back(Cat({Padded("ACK", 4), B({0x5A, 0xA5, 0, 0})}));
    expected.push_back(Cat({Padded("ACK", 4), B({18, 19, 0, 0})}));
    EXPECT_EQ(f.capture.Packets(), expected) << row.id;
  }
  EXPECT_EQ(FindV3Packet(V3Id("VER")), nullptr);
  EXPECT_EQ(FindV3Packet(V3Id("XYZ")), nullptr);
}

// Handlers run before the packet's ACK: the "NPL" handler's own request comes first.
class V3Handlers : public RecordingHandlers {
 public:
  void OnNewPlayerV3(InsimLink& link, const NewPlayerPacketV3& p) override {
    RecordingHandlers::OnNewPlayerV3(link, p);
    SendRequest(link, kV3NPL, p.index + 1u);
  }
};

TEST(InsimDispatch, Version3DatagramWalk) {
  Fixture f(3);
  V3Handlers handlers;
  handlers.completesSet = true;
  Bytes mso = V3("MSO", 132);
  std::memcpy(mso.data() + 4, "^1hi\0", 5);
  const Bytes datagram = Cat({V3("STA", 28), V3("NPL", 100), mso, V3("CPP", 32), V3("LAP", 92),
                              V3("MCI", 204), V3("XYZ", 8), V3("RST", 20)});
  EXPECT_TRUE(WalkV3Datagram(f.link, handlers, datagram.data(), static_cast<int>(datagram.size())));
  EXPECT_EQ(handlers.Names(),
            (std::vector<std::string>{"State", "NewPlayerV3", "MessageText", "CameraPosition",
                                      "LapV3", "CarPositions"}));
  const auto calls = handlers.Calls();
  EXPECT_EQ(calls[0].bytes, V3("STA", 28));
  // The "NPL" handler gets the fields the director reads: name, player and index.
  Bytes npl = Padded("NPL", 100);
  for (std::size_t i = 28; i < 52; ++i) npl[i] = static_cast<std::uint8_t>(i);
  npl[95] = 95;
  npl[96] = 96;
  EXPECT_EQ(calls[1].bytes, npl);
  EXPECT_EQ(std::string(calls[2].bytes.begin(), calls[2].bytes.end()), "^1hi");
  EXPECT_EQ(calls[4].bytes, V3("LAP", 92));
  EXPECT_EQ(calls[5].bytes, B({8}));  // the cars handed on
  EXPECT_EQ(f.capture.Packets(), (std::vector<Bytes>{Cat({Padded("NPL", 4), B({97, 0, 0, 0})}),
                                                     Cat({Padded("ACK", 4), B({98, 99, 0, 0})}),
                                                     Cat({Padded("ACK", 4), B({90, 91, 0, 0})})}));

  // No set completed: no update.
  Fixture g(3);
  const Bytes mci = V3("MCI", 204);
  EXPECT_FALSE(WalkV3Datagram(g.link, g.handlers, mci.data(), 204));
}

TEST(InsimDispatch, Version3TruncatedPacketIsReadAsZerosAndEndsTheWalk) {
  Fixture f(3);
  const Bytes lap = Head(V3("LAP", 92), 50);
  WalkV3Datagram(f.link, f.handlers, lap.data(), 50);
  const auto calls = f.handlers.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].bytes, Cat({lap, Bytes(42, 0)}));
  EXPECT_EQ(f.capture.Packets(), (std::vector<Bytes>{Cat({Padded("ACK", 4), B({0, 0, 0, 0})})}));

  // Fewer than four bytes are no packet.
  Fixture g(3);
  const Bytes tail = B({'R', 'S', 'T'});
  WalkV3Datagram(g.link, g.handlers, tail.data(), 3);
  EXPECT_TRUE(g.handlers.Calls().empty());
}

}  // namespace
}  // namespace director
