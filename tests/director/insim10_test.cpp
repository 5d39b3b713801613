// InSim version 10: the packets the director sends and reads, byte for byte as the 0.8
// simulators' protocol lays them out (Size counts units of 4 bytes), the stream cut at every byte,
// the position sets of 16 cars a packet, and how the version reply tells the framings apart.
#include <gtest/gtest.h>

#include <string>

#include "director/engine/car_positions.h"
#include "director/insim/director_settings.h"
#include "director/insim/dispatch.h"
#include "director/insim/race_state.h"
#include "director/insim/version_reply.h"
#include "director/overlay/overlay.h"
#include "insim_test_support.h"
#include "race_test_support.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Capture;
using test::Cat;
using test::Padded;
using test::RecordingHandlers;

struct Link10 {
  explicit Link10(std::uint8_t version = kInsimV10) {
    link.version = version;
    link.sink = &capture;
  }
  Capture capture;
  InsimLink link;
};

TEST(Insim10Packets, EverythingSentCountsItsSizeInUnitsOfFour) {
  Link10 f;
  SendInit(f.link, "pw");
  SendTiny(f.link, 1, TINY_VER);
  SendText(f.link, "hi", true);
  SendText(f.link, "/echo x", false);
  CameraPositionRecord rec;
  rec.x = 0x01020304;
  rec.pitch = 16001;  // clamped to 16000 = 0x3E80
  rec.viewPlid = 7;
  rec.inGameCam = 2;
  rec.fov = 30.0f;  // 0x41F00000
  rec.time = 1500;
  SendCameraPosition(f.link, rec);
  SendViewCamera(f.link, 4, 9, 1);
  SendShow2D(f.link, 0);
  SendShiftUNoOpt(f.link);
  SendButton(f.link, "abc", 5, 0x20, 1, 2, 3, 4);
  SendButton(f.link, "abcd", 6, 0, 1, 2, 3, 4);
  SendDeleteButton(f.link, 5);
  SendRequest(f.link, kV3SST, 0);  // version 3 only: nothing
  SendAck(f.link, 1);

  Bytes view(32, 0);
  view[0] = 8;
  view[1] = 9;
  view[23] = 4;
  const std::vector<Bytes> expected = {
      // IS_ISI: 44 bytes = 11 units, InSimVer 10 in byte 8, ISF_LOCAL | ISF_MCI, 200 ms.
      Cat({B({11, 1, 0, 0, 0, 0, 0x24, 0, 10, 0, 200, 0}), Padded("pw", 16),
           Padded("Morvane", 16)}),
      B({1, 3, 1, 1}),
      Cat({B({33, 40, 0, 0}), Padded("^3Morvane: ^2hi", 128)}),  // IS_MSL, 132 bytes
      Cat({B({17, 13, 0, 0}), Padded("/echo x", 64)}),           // IS_MST, 68 bytes
      B({8, 9, 1,    0,    4, 3, 2, 1, 0, 0, 0,    0,    0,    0,    0, 0,
         0, 0, 0x80, 0x3E, 0, 0, 7, 2, 0, 0, 0xF0, 0x41, 0xDC, 0x05, 0, 0}),
      view,
      B({2, 7, 1, 0, 0x80, 0, 0, 0}),
      B({2, 7, 0, 0, 0x40, 0, 1, 0}),
      B({4, 45, 1, 0, 5, 0, 0x20, 0, 1, 2, 3, 4, 'a', 'b', 'c', 0}),
      B({5, 45, 1, 0, 6, 0, 0, 0, 1, 2, 3, 4, 'a', 'b', 'c', 'd', 0, 0, 0, 0}),
      B({2, 42, 0, 0, 0, 5, 0, 0}),
  };
  EXPECT_EQ(f.capture.Packets(), expected);
  for (const Bytes& p : f.capture.Packets()) EXPECT_EQ(p.size(), p[0] * 4u);
}

TEST(Insim10Packets, APacketThatIsNoWholeNumberOfUnitsIsPadded) {
  Link10 f;
  const Bytes odd = B({13, 99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  f.link.Send(odd.data(), static_cast<int>(odd.size()));
  const Bytes aligned = B({8, 99, 1, 2, 3, 4, 5, 6});
  f.link.Send(aligned.data(), static_cast<int>(aligned.size()));
  EXPECT_EQ(f.capture.Packets(),
            (std::vector<Bytes>{B({4, 99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 0, 0}),
                                B({2, 99, 1, 2, 3, 4, 5, 6})}));
  EXPECT_EQ(FrameSizeByte(kInsimV4, 44), 44);
  EXPECT_EQ(FrameSizeByte(kInsimV10, 1020), 255);
  EXPECT_EQ(PacketBytes(kInsimV4, 255), 255);
  EXPECT_EQ(PacketBytes(kInsimV10, 255), 1020);
  // Buttons stay off over UDP.
  Link10 v3(kInsimV3);
  SendButton(v3.link, "abc", 5, 0, 1, 2, 3, 4);
  SendDeleteButton(v3.link, 5);
  EXPECT_TRUE(v3.capture.Packets().empty());
}

// A version 10 packet of the given length and type: Size = bytes / 4, bytes 4.. numbered.
Bytes W(int bytes, int type, int byte3 = 0) {
  Bytes p(static_cast<std::size_t>(bytes));
  p[0] = static_cast<std::uint8_t>(bytes / 4);
  p[1] = static_cast<std::uint8_t>(type);
  p[3] = static_cast<std::uint8_t>(byte3);
  for (int i = 4; i < bytes; ++i) p[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  return p;
}

// What a 0.8 simulator sends, in its framing: every packet the director reads, and the packets
// whose layouts grew in version 10 (skipped by their Size).
Bytes V10Stream() {
  Bytes rtp = B({2, 4, 1, 6, 0x40, 0xE2, 0x01, 0x00});       // SMALL_RTP 123456 ms
  Bytes mso = B({3, 11, 0, 0, 0, 0, 1, 0, 'h', 'i', 0, 0});  // 12 bytes: variable size
  Bytes npl = W(76, ISP_NPL, 5);
  npl[70] = 0x03;  // the racer flags of version 10
  Bytes mci = W(4 + 16 * 28, ISP_MCI, 16);
  return Cat({B({1, 3, 0, 0}),
              B({1, 3, 0, 8}),
              rtp,
              W(28, ISP_STA),
              W(32, ISP_CPP),
              mso,
              W(28, ISP_RST),
              W(52, 36),
              W(24, 37, 3),
              npl,
              W(44, 50),
              W(28, 51),
              W(20, 52),
              W(20, 63),
              W(20, ISP_LAP),
              W(16, ISP_SPX),
              W(24, ISP_PIT),
              W(8, ISP_TOC),
              W(84, ISP_RES),
              mci});
}

// Two reads split at every byte, and byte by byte: each packet reaches its handler whole, the
// larger packets of version 10 (IS_REO 52, IS_NLP, IS_CON 44, IS_OBH 28, IS_HLV 20, IS_CSC) are
// skipped, the race time is handed on in hundredths, TINY_NONE and IS_TOC are answered.
TEST(Insim10Dispatch, PacketsGoToTheirHandlersWhereverTheReadsEnd) {
  const Bytes stream = V10Stream();
  const auto run = [&](const std::vector<std::size_t>& cuts, const std::string& where) {
    SCOPED_TRACE(where);
    Link10 f;
    RecordingHandlers handlers;
    handlers.completesSet = true;
    V4StreamCutter cutter;
    bool complete = false;
    std::size_t from = 0;
    for (std::size_t to : cuts) {
      std::memcpy(cutter.FreeSpace(), stream.data() + from, to - from);
      ASSERT_TRUE(cutter.Received(static_cast<int>(to - from), f.link, handlers, &complete));
      from = to;
    }
    EXPECT_EQ(cutter.Kept(), 0);
    EXPECT_TRUE(complete);
    EXPECT_EQ(handlers.Names(),
              (std::vector<std::string>{"RaceTime", "State", "CameraPosition", "MessageText",
                                        "RaceStart", "NewPlayerV4", "LapV4", "Split", "Pit",
                                        "Result", "CarPositions"}));
    EXPECT_EQ(f.capture.Packets(), (std::vector<Bytes>{B({1, 3, 0, 0}), B({1, 3, 1, 14})}));
    const auto calls = handlers.Calls();
    if (calls.size() != 11) return;
    EXPECT_EQ(calls[0].bytes, B({0x39, 0x30, 0, 0}));  // 12345 hundredths
    EXPECT_EQ(calls[1].bytes, W(28, ISP_STA));
    EXPECT_EQ(std::string(calls[3].bytes.begin(), calls[3].bytes.end()), "hi");
    Bytes npl = W(76, ISP_NPL, 5);
    npl[0] = kNplSize;  // the decoded record, recorded in its version 4 form
    EXPECT_EQ(calls[5].bytes, Bytes(npl.begin(), npl.begin() + 44));
    Bytes res = W(84, ISP_RES);
    res[0] = kResSize;  // the handler gets the decoded record, recorded in its version 4 form
    EXPECT_EQ(calls[9].bytes, res);
    EXPECT_EQ(calls[10].bytes, B({16}));  // the cars handed on
  };
  for (std::size_t split = 0; split <= stream.size(); ++split) {
    run({split, stream.size()}, "split at " + std::to_string(split));
    if (HasFatalFailure()) return;
  }
  std::vector<std::size_t> each;
  for (std::size_t i = 1; i <= stream.size(); ++i) each.push_back(i);
  run(each, "byte by byte");
}

TEST(Insim10Dispatch, AZeroSizeByteCannotBeCut) {
  Link10 f;
  RecordingHandlers handlers;
  V4StreamCutter cutter;
  bool complete = false;
  const Bytes stream = Cat({W(8, ISP_TOC), B({0, 3, 0, 0})});
  std::memcpy(cutter.FreeSpace(), stream.data(), stream.size());
  EXPECT_FALSE(cutter.Received(static_cast<int>(stream.size()), f.link, handlers, &complete));
  EXPECT_EQ(f.capture.Packets(), (std::vector<Bytes>{B({1, 3, 1, 14})}));
}

// An IS_MCI of version 10 in the buffer the dispatch hands over.
Bytes Mci10(const std::vector<test::Car>& cars, int numC = -1) {
  Bytes p(kV10MaxPacketSize + 4, 0);
  p[0] = static_cast<std::uint8_t>(1 + 7 * cars.size());
  p[1] = ISP_MCI;
  p[3] = static_cast<std::uint8_t>(numC < 0 ? static_cast<int>(cars.size()) : numC);
  for (std::size_t i = 0; i < cars.size(); ++i) {
    const std::size_t at = 4 + 28 * i;
    test::PutLE16(p, at, cars[i].node);
    test::PutLE16(p, at + 2, cars[i].lap);
    p[at + 4] = cars[i].plid;
    p[at + 6] = cars[i].info;
  }
  return p;
}

struct Tracker10 {
  Settings settings;
  plat::ManualClock clock{5000};
  glink::MessageQueue toGui;
  glink::GuiPost gui{toGui, settings.guiAccess};
  RaceState race;
  StateReport state;
  RaceTracker tracker{race, state, gui, clock};
  std::unique_ptr<TrackPath> track = test::MakeTrack(test::CircleCentres(600), 100);
};

bool Take(Tracker10& f, const TrackPath* track, std::uint8_t version, const Bytes& mci) {
  return takeCarPositions(f.race, track, DecodeCarPositions(version, mci.data()));
}

std::vector<test::Car> Cars(int first, int count) {
  std::vector<test::Car> cars;
  for (int i = first; i < first + count; ++i) {
    cars.push_back({static_cast<std::uint16_t>(100 + i), 1, static_cast<std::uint8_t>(i)});
  }
  return cars;
}

TEST(Insim10RaceState, FortyCarsSpanThreePacketsAndTheLastCarEndsTheSet) {
  Tracker10 f;
  std::vector<test::Car> last = Cars(33, 8);
  last[7].info = CCI_LAST;
  last[2].info = 4 | 8;  // outside the path, retired: still a car on track
  EXPECT_FALSE(Take(f, f.track.get(), kInsimV10, Mci10(Cars(1, 16))));
  EXPECT_FALSE(Take(f, f.track.get(), kInsimV10, Mci10(Cars(17, 16))));
  EXPECT_TRUE(Take(f, f.track.get(), kInsimV10, Mci10(last)));
  ASSERT_EQ(f.race.raceOrder.count, 40);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(f.race.raceOrder.ids[i], i + 1);
  EXPECT_EQ(f.race.players[35].node, 135);
  EXPECT_EQ(f.race.players[40].node, 140);

  // Sixteen cars end a set when the sixteenth has the flag; a count above 16 reads 16 records and
  // never completes a set by itself; without a track nothing is taken.
  std::vector<test::Car> sixteen = Cars(41, 16);
  sixteen[15].info = CCI_LAST;
  EXPECT_TRUE(Take(f, f.track.get(), kInsimV10, Mci10(sixteen)));
  sixteen[15].info = 0;
  EXPECT_FALSE(Take(f, f.track.get(), kInsimV10, Mci10(sixteen, 30)));
  EXPECT_EQ(f.race.raceOrder.count, 56);
  EXPECT_FALSE(Take(f, nullptr, kInsimV10, Mci10(Cars(60, 2))));
  EXPECT_EQ(f.race.players[60].listed, 0);
  // Version 4 reads no more than 8 of the same packet.
  EXPECT_FALSE(Take(f, f.track.get(), kInsimV4, Mci10(Cars(70, 16))));
  EXPECT_EQ(f.race.players[77].listed, 1);
  EXPECT_EQ(f.race.players[78].listed, 0);
}

// RaceLaps 255 is an untimed race in version 10 (no laps to count, no clock to run down); in
// version 4 the byte keeps its meaning of hours (255 - 190).
TEST(Insim10RaceState, RaceLaps255IsAnUntimedRace) {
  Bytes sta = test::Sta(ISS_GAME, "BL1", 1.0f, 1, 255);
  EXPECT_FALSE(ReadStateReport(sta.data(), kInsimV10).RaceWithLaps());
  EXPECT_TRUE(ReadStateReport(sta.data(), kInsimV4).RaceWithLaps());
  sta[17] = 5;
  EXPECT_TRUE(ReadStateReport(sta.data(), kInsimV10).RaceWithLaps());
  EXPECT_EQ(ReadStateReport(sta.data(), kInsimV10).raceLaps, 5);
}

Bytes Ver(int sizeByte, const char* version, int insimVer) {
  return Cat({B({sizeByte, ISP_VER, 1, 0}), Padded(version, 8), Padded("S3", 6), B({insimVer, 0})});
}

TEST(Insim10VersionReply, EachFramingIsToldFromTheReply) {
  const struct {
    std::uint8_t version;
    Bytes read;
    ReplyFit fit;
    int at, end, sizeByte, insimVer;
    const char* text;
  } cases[] = {
      // Version 4: a byte-counted reply of an old simulator, alone or with a packet behind it.
      {4, Ver(20, "0.6Z", 8), ReplyFit::kFits, 0, 20, 20, 8, "0.6Z"},
      {4, Cat({Ver(20, "0.6Z", 5), B({4, 3, 0, 0})}), ReplyFit::kFits, 0, 20, 20, 5, "0.6Z"},
      {4, Cat({B({4, 3, 0, 0}), Ver(20, "0.5Z", 4)}), ReplyFit::kFits, 4, 24, 20, 4, "0.5Z"},
      // Version 4: a byte-counted reply fits whatever InSim version it names (a newer simulator
      // serving an older program); the newer framing does not.
      {4, Ver(20, "0.7F", 9), ReplyFit::kFits, 0, 20, 20, 9, "0.7F"},
      {4, Ver(5, "0.8B", 10), ReplyFit::kNewerFraming, 0, 5, 5, 10, "0.8B"},
      {4, Cat({B({1, 3, 0, 0}), Ver(5, "0.8B", 10)}), ReplyFit::kNewerFraming, -1, 0, 5, 10,
       "0.8B"},
      // Nothing that looks like a reply: the session goes on as before.
      {4, B({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), ReplyFit::kFits, -1, 0, 0, 0, ""},
      // Version 10: its own reply, with a packet behind it; an old simulator's reply.
      {10, Cat({Ver(5, "0.8B", 10), B({1, 3, 0, 0})}), ReplyFit::kFits, 0, 20, 5, 10, "0.8B"},
      {10, Ver(20, "0.6Z", 8), ReplyFit::kOlderFraming, -1, 0, 20, 8, "0.6Z"},
  };
  for (const auto& c : cases) {
    const VersionReply r = FindVersionReply(c.version, c.read.data(), int(c.read.size()));
    SCOPED_TRACE(std::to_string(c.version) + " " + std::to_string(c.read[0]) + " " + c.text);
    EXPECT_EQ(r.fit, c.fit);
    EXPECT_EQ(r.at, c.at);
    if (c.at >= 0) {
      EXPECT_EQ(r.end, c.end);
    }
    EXPECT_EQ(r.sizeByte, c.sizeByte);
    EXPECT_EQ(r.insimVer, c.insimVer);
    EXPECT_STREQ(r.simVersion, c.text);
  }
  // A read that ends before byte 18 leaves the InSim version unknown.
  const Bytes cut = B({5, ISP_VER, 1, 0, '0', '.', '8', 'B', 0, 0, 0, 0});
  const VersionReply r = FindVersionReply(4, cut.data(), int(cut.size()));
  EXPECT_EQ(r.fit, ReplyFit::kNewerFraming);
  EXPECT_EQ(r.insimVer, 0);

  char line[256];
  DescribeUnfitReply(FindVersionReply(4, Ver(5, "0.8B", 10).data(), 20), line, sizeof line);
  EXPECT_STREQ(line,
               "InSim: the simulator (version 0.8B, InSim 10) answered in the form of InSim 9 "
               "and later (Size byte 5): choose InSim V10 (--insim-version 10)\n");
  DescribeUnfitReply(FindVersionReply(10, Ver(20, "0.6Z", 8).data(), 20), line, sizeof line);
  EXPECT_STREQ(line,
               "InSim: the simulator (version 0.6Z, InSim 8) answered in the byte-counted form "
               "of older versions (Size byte 20): choose InSim V4 (--insim-version 4)\n");
}

}  // namespace
}  // namespace director
