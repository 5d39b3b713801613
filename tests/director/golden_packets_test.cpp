// The director's packet modules against the hand-written byte images of the protocol: what it
// sends must be those bytes exactly, and what it reads must decode to the fields their comments
// name. racesim's own codec is checked against the same images, so the two programs agree because
// each agrees with the protocol, not because they share code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "director/insim/packets.h"
#include "director/insim/version_reply.h"
#include "insim_test_support.h"
#include "tests/golden/insim_golden.h"

namespace director {
namespace {

using test::Bytes;

template <std::size_t N>
Bytes Image(const std::uint8_t (&image)[N]) {
  return Bytes(image, image + N);
}

// What one send puts on the wire in the given version.
struct Wire {
  explicit Wire(std::uint8_t version) {
    link.version = version;
    link.sink = &capture;
    link.clock = &clock;
    link.lastSendTick = &tick;
  }
  Bytes Sent() {
    const auto packets = capture.Packets();
    EXPECT_EQ(packets.size(), 1u);
    return packets.empty() ? Bytes() : packets.back();
  }
  test::Capture capture;
  plat::ManualClock clock{1};
  std::uint32_t tick = 0;
  InsimLink link;
};

CameraPositionRecord GoldenCamera() {
  CameraPositionRecord c;
  c.x = -65536;
  c.y = 131072;
  c.z = 393216;
  c.heading = 32768;
  c.pitch = 16000;
  c.viewPlid = 3;
  c.inGameCam = 2;
  c.fov = 27.5f;
  c.time = 1500;
  c.flags = ISS_SHIFTU;
  return c;
}

TEST(GoldenPackets, InitAndRequestsAreTheProtocolsBytes) {
  for (auto [version, image] :
       {std::pair{kInsimV4, Image(golden::kIsi4)}, std::pair{kInsimV10, Image(golden::kIsi10)},
        std::pair{kInsimV3, Image(golden::kIsi3)}}) {
    Wire w(version);
    SendInit(w.link, "pw");
    EXPECT_EQ(w.Sent(), image) << int{version};
  }
  // Contact reports are asked for in version 10 only.
  for (auto [version, image] : {std::pair{kInsimV10, Image(golden::kIsi10Contacts)},
                                std::pair{kInsimV4, Image(golden::kIsi4)}}) {
    Wire w(version);
    SendInit(w.link, "pw", true);
    EXPECT_EQ(w.Sent(), image) << int{version};
  }
  const std::pair<std::uint32_t, std::uint32_t> requests[] = {
      {kV3VER, 0}, {kV3NLI, 200}, {kV3SST, 0}, {kV3SCP, 0}, {kV3NPL, 3}, {kV3ISC, 0}};
  const Bytes images[] = {Image(golden::kV3RequestVer), Image(golden::kV3RequestNli),
                          Image(golden::kV3RequestSst), Image(golden::kV3RequestScp),
                          Image(golden::kV3RequestNpl), Image(golden::kV3RequestIsc)};
  for (std::size_t i = 0; i < std::size(requests); ++i) {
    Wire w(kInsimV3);
    SendRequest(w.link, requests[i].first, requests[i].second);
    EXPECT_EQ(w.Sent(), images[i]) << i;
  }
  Wire ack(kInsimV3);
  SendAck(ack.link, 0xBEEF);
  EXPECT_EQ(ack.Sent(), Image(golden::kV3Ack));

  const std::pair<std::uint8_t, std::uint8_t> tinies[] = {
      {0, TINY_NONE}, {1, TINY_VER}, {0, TINY_CLOSE}, {1, TINY_SCP}, {1, TINY_SST}, {1, TINY_NPL}};
  const Bytes tinyImages[] = {Image(golden::kTinyNone4),  Image(golden::kTinyVer4),
                              Image(golden::kTinyClose4), Image(golden::kTinyScp4),
                              Image(golden::kTinySst4),   Image(golden::kTinyNpl4)};
  for (std::size_t i = 0; i < std::size(tinies); ++i) {
    Wire w(kInsimV4);
    SendTiny(w.link, tinies[i].first, tinies[i].second);
    EXPECT_EQ(w.Sent(), tinyImages[i]) << i;
  }
  Wire gtm(kInsimV10);
  SendTiny(gtm.link, 1, TINY_GTM);
  EXPECT_EQ(gtm.Sent(), Image(golden::kTinyGtm10));
}

TEST(GoldenPackets, StateFlagsCameraAndViewsAreTheProtocolsBytes) {
  Wire show4(kInsimV4), show3(kInsimV3), shift4(kInsimV4), off10(kInsimV10);
  SendShow2D(show4.link, 1);
  SendShow2D(show3.link, 1);
  SendShiftUNoOpt(shift4.link);
  SendShow2D(off10.link, 0);
  EXPECT_EQ(show4.Sent(), Image(golden::kSfpShow2d4));
  EXPECT_EQ(show3.Sent(), Image(golden::kSfpShow2d3));
  EXPECT_EQ(shift4.Sent(), Image(golden::kSfpShiftUNoOpt4));
  EXPECT_EQ(off10.Sent(), Image(golden::kSfpShow2dOff10));

  for (auto [version, image] :
       {std::pair{kInsimV4, Image(golden::kCpp4)}, std::pair{kInsimV10, Image(golden::kCpp10)},
        std::pair{kInsimV3, Image(golden::kCpp3)}}) {
    Wire w(version);
    CameraPositionRecord c = GoldenCamera();
    SendCameraPosition(w.link, c);
    EXPECT_EQ(w.Sent(), image) << int{version};
  }
  Wire view4(kInsimV4), view3(kInsimV3);
  SendViewCamera(view4.link, 4, 0, 0);
  SendViewCamera(view3.link, 2, 5, 0);
  EXPECT_EQ(view4.Sent(), Image(golden::kCppView4));
  EXPECT_EQ(view3.Sent(), Image(golden::kScc3));
}

TEST(GoldenPackets, TextsAndButtonsAreTheProtocolsBytes) {
  Wire mst4(kInsimV4), mst10(kInsimV10), msl4(kInsimV4), msl10(kInsimV10), mtc3(kInsimV3);
  SendText(mst4.link, "/echo hello", false);
  SendText(mst10.link, "/echo hello", false);
  SendText(msl4.link, "active", true);
  SendText(msl10.link, "active", true);
  SendText(mtc3.link, "active", true);
  EXPECT_EQ(mst4.Sent(), Image(golden::kMst4));
  EXPECT_EQ(mst10.Sent(), Image(golden::kMst10));
  EXPECT_EQ(msl4.Sent(), Image(golden::kMsl4));
  EXPECT_EQ(msl10.Sent(), Image(golden::kMsl10));
  EXPECT_EQ(mtc3.Sent(), Image(golden::kMtc3));

  std::uint8_t out[kMaxButtonSize];
  int size = BuildButton(out, "^1 1.  ^7Anna", 5, 99, 15, 151, 80, 12);
  EXPECT_EQ(Bytes(out, out + size), Image(golden::kBtn4));
  size = BuildButton(out, "", 2, 0, 0, 0, 10, 5);
  EXPECT_EQ(Bytes(out, out + size), Image(golden::kBtnEmpty4));
  size = BuildDeleteButton(out, 7);
  EXPECT_EQ(Bytes(out, out + size), Image(golden::kBfn4));
  // Version 10 buttons go through the link, which writes the Size byte in units.
  Wire btn10(kInsimV10), bfn10(kInsimV10);
  btn10.link.Send(out, BuildButton(out, "^1 1.  ^7Anna", 5, 99, 15, 151, 80, 12));
  bfn10.link.Send(out, BuildDeleteButton(out, 7));
  EXPECT_EQ(btn10.Sent(), Image(golden::kBtn10));
  EXPECT_EQ(bfn10.Sent(), Image(golden::kBfn10));
}

TEST(GoldenPackets, StateAndTimeDecodeToTheirFields) {
  for (auto [version, image] :
       {std::pair{kInsimV4, golden::kSta4}, std::pair{kInsimV10, golden::kSta10},
        std::pair{kInsimV3, golden::kSta3}}) {
    const StateReport s = ReadStateReport(image, version);
    EXPECT_EQ(s.replaySpeed, 0.5f);
    EXPECT_EQ(s.flags, ISS_REPLAY | ISS_SHOW_2D);
    EXPECT_EQ(s.inGameCam, 2);
    EXPECT_EQ(s.viewPlid, 7);
    EXPECT_EQ(s.numPlayers, 12);
    EXPECT_EQ(s.numConnections, 1);
    EXPECT_EQ(s.numFinished, 3);
    EXPECT_TRUE(s.RaceWithLaps());
    EXPECT_EQ(s.raceLaps, 5);
    EXPECT_STREQ(s.track, "RS1");
    EXPECT_EQ(s.weather, 1);
    EXPECT_EQ(s.wind, 2);
  }
  EXPECT_EQ(ReadRaceTime(kInsimV4, golden::kSmallRtp4), 12345u);
  EXPECT_EQ(ReadRaceTime(kInsimV10, golden::kSmallRtp10), 12345u);  // 123456 ms in hundredths
}

TEST(GoldenPackets, CameraAndMessagesDecodeToTheirFields) {
  for (const std::uint8_t* image : {golden::kCpp4, golden::kCpp10, golden::kCpp3}) {
    const CameraPositionRecord c = ReadCameraRecord(image);
    const CameraPositionRecord want = GoldenCamera();
    std::uint8_t a[kCameraRecordSize], b[kCameraRecordSize];
    const std::uint8_t header[4] = {};
    WriteCameraRecord(c, header, a);
    WriteCameraRecord(want, header, b);
    EXPECT_EQ(Bytes(a, a + kCameraRecordSize), Bytes(b, b + kCameraRecordSize));
  }
  char text[kMessageTextSize + 1];
  ReadMessageText(kInsimV4, golden::kMso4, text);
  EXPECT_STREQ(text, "^7Host ^7: ^8hi");
  ReadMessageText(kInsimV10, golden::kMso10, text);
  EXPECT_STREQ(text, "activate Morvane");
  ReadMessageText(kInsimV3, golden::kMso3, text);
  EXPECT_STREQ(text, "activate Morvane");
}

TEST(GoldenPackets, PlayersLapsSplitsAndStopsDecodeAndEncodeBack) {
  for (const std::uint8_t* image : {golden::kNpl4, golden::kNpl10}) {
    const NewPlayerPacket n = DecodeNewPlayer(image);
    EXPECT_EQ(n.plid, 9);
    EXPECT_EQ(n.playerFlags, 1);
    EXPECT_STREQ(n.name, "^1Speedy");
    EXPECT_STREQ(n.plate, "RS 9");
    EXPECT_STREQ(n.car, "XRG");
  }
  std::uint8_t npl[kNplSize];
  EncodeNewPlayer(DecodeNewPlayer(golden::kNpl4), npl);
  npl[2] = golden::kNpl4[2];  // ReqI is the asker's, not the player's
  EXPECT_EQ(Bytes(npl, npl + 44), Bytes(golden::kNpl4, golden::kNpl4 + 44));

  const NewPlayerPacketV3 v3 = DecodeNewPlayerV3(golden::kNpl3);
  EXPECT_EQ(v3.plid, 9);
  EXPECT_EQ(v3.index, 3);
  EXPECT_STREQ(v3.name, "^1Speedy");
  EXPECT_EQ(ReadAckWord(*FindV3Packet(kV3NPL), golden::kNpl3), 0x1234);

  for (const std::uint8_t* image : {golden::kLap4, golden::kLap10}) {
    const LapDone l = DecodeLap(image);
    EXPECT_EQ(l.plid, 9);
    EXPECT_EQ(l.lapTime, 61234u);
    EXPECT_EQ(l.elapsed, 190000u);
    EXPECT_EQ(l.lapsDone, 3);
    EXPECT_EQ(l.stops, 1);
  }
  const LapDoneV3 lap3 = DecodeLapV3(golden::kLap3);
  EXPECT_EQ(lap3.plid, 9);
  EXPECT_EQ(ReadAckWord(*FindV3Packet(kV3LAP), golden::kLap3), 0xBEEF);

  for (const std::uint8_t* image : {golden::kSpx4, golden::kSpx10}) {
    const SplitPassed s = DecodeSplit(image);
    EXPECT_EQ(s.plid, 9);
    EXPECT_EQ(s.splitTime, 20000u);
    EXPECT_EQ(s.elapsed, 80000u);
    EXPECT_EQ(s.split, 2);
    EXPECT_EQ(s.stops, 1);
  }
  for (const std::uint8_t* image : {golden::kPit4, golden::kPit10}) {
    const PitStop p = DecodePit(image);
    EXPECT_EQ(p.plid, 9);
    EXPECT_EQ(p.lapsDone, 2);
    EXPECT_EQ(p.stops, 1);
  }
  const PitLaneChange enter = DecodePitLane(golden::kPla4);
  EXPECT_EQ(enter.plid, 9);
  EXPECT_TRUE(enter.inPitLane());
  EXPECT_FALSE(DecodePitLane(golden::kPla10).inPitLane());
  std::uint8_t pla[kPlaSize];
  EncodePitLane(enter, pla);
  EXPECT_EQ(Bytes(pla, pla + kPlaSize), Image(golden::kPla4));

  const RaceFlag flag = DecodeRaceFlag(golden::kFlg4);
  EXPECT_EQ((std::vector<int>{flag.plid, flag.on, flag.flag, flag.carBehind}),
            (std::vector<int>{9, 1, FLG_YELLOW, 4}));
  EXPECT_EQ(DecodeCarReset(golden::kCrs4).plid, 9);

  const CarContact con = DecodeContact(golden::kCon10);
  EXPECT_EQ((std::vector<int>{con.closingTenths, con.time, con.a.plid, con.a.speed,
                              con.a.direction, con.a.heading, con.a.x, con.a.y}),
            (std::vector<int>{70, 12345, 9, 40, 64, 60, -16, 32}));
  EXPECT_EQ((std::vector<int>{con.b.plid, con.b.speed, con.b.heading, con.b.x, con.b.y}),
            (std::vector<int>{12, 33, 70, 16, 48}));
  std::uint8_t conBytes[kConSize];
  EncodeContact(con, conBytes);
  Wire con10(kInsimV10);
  con10.link.Send(conBytes, kConSize);
  EXPECT_EQ(con10.Sent(), Image(golden::kCon10));

  std::uint8_t lap[kLapSize], spx[kSpxSize], pit[kPitSize];
  EncodeLap(DecodeLap(golden::kLap4), lap);
  EncodeSplit(DecodeSplit(golden::kSpx4), spx);
  EncodePit(DecodePit(golden::kPit4), pit);
  EXPECT_EQ(Bytes(lap, lap + kLapSize), Image(golden::kLap4));
  EXPECT_EQ(Bytes(spx, spx + kSpxSize), Image(golden::kSpx4));
  EXPECT_EQ(Bytes(pit, pit + kPitSize), Image(golden::kPit4));
}

TEST(GoldenPackets, ResultsPositionsAndVersionRepliesDecode) {
  for (const std::uint8_t* image : {golden::kRes4, golden::kRes10}) {
    const ResultPacket r = DecodeResult(image);
    EXPECT_EQ(r.plid, 9);
    EXPECT_STREQ(r.playerName, "^1Speedy");
    EXPECT_EQ(r.totalTime, 300000u);
    EXPECT_EQ(r.bestLap, 61234u);
    EXPECT_EQ(r.confirm, 2);  // CONF_CONFIRMED
    EXPECT_EQ(r.lapsDone, 5);
  }
  std::uint8_t res[kResSize];
  EncodeResult(DecodeResult(golden::kRes4), res);
  EXPECT_EQ(Bytes(res, res + kResSize), Image(golden::kRes4));

  for (auto [version, image] :
       {std::pair{kInsimV4, golden::kMci4}, std::pair{kInsimV3, golden::kMci3}}) {
    const CarPositions cars = DecodeCarPositions(version, image);
    ASSERT_EQ(cars.count, 3) << int{version};
    EXPECT_EQ(cars.cars[0].plid, 1);
    EXPECT_EQ(cars.cars[0].x, 0x01020304);
    EXPECT_EQ(cars.cars[1].plid, 4);
    EXPECT_EQ(cars.cars[1].y, 131072);
    EXPECT_EQ(cars.cars[2].plid, 9);
    EXPECT_TRUE(cars.completesSet);
  }

  const VersionReply v4 = FindVersionReply(kInsimV4, golden::kVer4, sizeof golden::kVer4);
  EXPECT_EQ(v4.at, 0);
  EXPECT_EQ(v4.fit, ReplyFit::kFits);
  EXPECT_STREQ(v4.simVersion, "0.7F");
  const VersionReply v10 = FindVersionReply(kInsimV10, golden::kVer10, sizeof golden::kVer10);
  EXPECT_EQ(v10.at, 0);
  EXPECT_EQ(v10.insimVer, 10);
  EXPECT_STREQ(v10.simVersion, "0.8B");
  EXPECT_EQ(FindVersionReply(kInsimV4, golden::kVer10, sizeof golden::kVer10).fit,
            ReplyFit::kNewerFraming);
}

}  // namespace
}  // namespace director
