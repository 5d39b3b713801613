// The stand-in's codec against the hand-written byte images of tests/golden: every encoder gives
// the image byte for byte, and every decoder reads the image back to the fields it was written
// from. The version 10 images are the version 4 forms in the version 10 framing.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "tests/golden/insim_golden.h"
#include "tools/racesim/wire/buttons.h"
#include "tools/racesim/wire/camera.h"
#include "tools/racesim/wire/contact.h"
#include "tools/racesim/wire/insim_numbers.h"
#include "tools/racesim/wire/players.h"
#include "tools/racesim/wire/positions.h"
#include "tools/racesim/wire/race_events.h"
#include "tools/racesim/wire/requests.h"
#include "tools/racesim/wire/state.h"
#include "tools/racesim/wire/texts.h"
#include "tools/racesim/wire/version.h"

namespace racesim {
namespace {

template <std::size_t N>
Bytes Image(const std::uint8_t (&image)[N]) {
  return Bytes(image, image + N);
}

template <std::size_t N>
int Size(const std::uint8_t (&)[N]) {
  return static_cast<int>(N);
}

const PlayerInfo kSpeedy{9, 1, "^1Speedy", "XRG", "RS 9"};

ResultInfo SpeedyResult() {
  ResultInfo r;
  r.player = kSpeedy;
  r.totalMs = 300000;
  r.bestLapMs = 61234;
  r.stops = 1;
  r.lapsDone = 5;
  r.resultNum = 0;
  r.numRes = 12;
  return r;
}

TEST(GoldenIntroduction, InitPacketsOfAllThreeVersions) {
  const InitPacket init{0, 0, ISF_LOCAL | ISF_MCI, 0, 0, 200, "pw", "Morvane"};
  EXPECT_EQ(EncodeIsi(init), Image(golden::kIsi4));
  InitPacket init10 = init;
  init10.insimVer = kInsim10;
  EXPECT_EQ(Frame10(EncodeIsi(init10)), Image(golden::kIsi10));
  EXPECT_EQ(EncodeV3Isi({0, 0x23, 0, "pw"}), Image(golden::kIsi3));

  InitPacket read;
  ASSERT_TRUE(DecodeIsi(golden::kIsi10, Size(golden::kIsi10), &read));
  EXPECT_EQ(read.insimVer, 10);
  EXPECT_EQ(read.interval, 200);
  EXPECT_EQ(read.flags, ISF_LOCAL | ISF_MCI);
  EXPECT_EQ(read.admin, "pw");
  EXPECT_EQ(read.name, "Morvane");
  EXPECT_EQ(read.reqI, 0);
  ASSERT_TRUE(DecodeIsi(golden::kIsi10Contacts, Size(golden::kIsi10Contacts), &read));
  EXPECT_EQ(read.flags, ISF_LOCAL | ISF_MCI | ISF_CON);
  V3InitPacket read3;
  ASSERT_TRUE(DecodeV3Isi(golden::kIsi3, Size(golden::kIsi3), &read3));
  EXPECT_EQ(read3.flags, 0x23);
  EXPECT_EQ(read3.replyPort, 0);
  EXPECT_EQ(read3.admin, "pw");
  EXPECT_FALSE(DecodeV3Isi(golden::kIsi3, 23, &read3));
}

TEST(GoldenIntroduction, VersionRepliesOfAllThreeVersions) {
  EXPECT_EQ(EncodeVer({1, "0.7F", "S3", kInsim4}), Image(golden::kVer4));
  EXPECT_EQ(Frame10(EncodeVer({7, "0.8B", "S3", kInsim10})), Image(golden::kVer10));
  EXPECT_EQ(EncodeV3Ver({0, "0.5V", "S2", kInsim3}), Image(golden::kVerReply3));

  VersionPacket v;
  ASSERT_TRUE(DecodeVer(golden::kVer10, Size(golden::kVer10), &v));
  EXPECT_EQ(v.reqI, 7);
  EXPECT_EQ(v.version, "0.8B");
  EXPECT_EQ(v.product, "S3");
  EXPECT_EQ(v.insimVer, 10);
  ASSERT_TRUE(DecodeV3Ver(golden::kVerReply3, Size(golden::kVerReply3), &v));
  EXPECT_EQ(v.version, "0.5V");
  EXPECT_EQ(v.product, "S2");
  EXPECT_EQ(v.insimVer, 3);
}

TEST(GoldenRequests, Version3RequestsAndAcknowledgements) {
  const struct {
    Bytes image;
    std::uint32_t id, value;
  } cases[] = {
      {Image(golden::kV3RequestVer), kV3VER, 0}, {Image(golden::kV3RequestNli), kV3NLI, 200},
      {Image(golden::kV3RequestSst), kV3SST, 0}, {Image(golden::kV3RequestScp), kV3SCP, 0},
      {Image(golden::kV3RequestNpl), kV3NPL, 3}, {Image(golden::kV3RequestIsc), kV3ISC, 0},
      {Image(golden::kV3Ack), kV3ACK, 0xBEEF},   {Image(golden::kV3AckKeepAlive), kV3ACK, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeV3Request({c.id, c.value}), c.image) << c.value;
    V3Request read;
    ASSERT_TRUE(DecodeV3Request(c.image.data(), 8, &read));
    EXPECT_EQ(read.id, c.id);
    EXPECT_EQ(read.value, c.value);
  }
}

TEST(GoldenRequests, TinyAndSmallPackets) {
  const struct {
    Bytes image;
    std::uint8_t reqI, subT;
    bool framed10;
  } tinies[] = {
      {Image(golden::kTinyNone4), 0, TINY_NONE, false},
      {Image(golden::kTinyVer4), 1, TINY_VER, false},
      {Image(golden::kTinyClose4), 0, TINY_CLOSE, false},
      {Image(golden::kTinyScp4), 1, TINY_SCP, false},
      {Image(golden::kTinySst4), 1, TINY_SST, false},
      {Image(golden::kTinyGth4), 1, TINY_GTH, false},
      {Image(golden::kTinyNpl4), 1, TINY_NPL, false},
      {Image(golden::kTinyRst4), 1, TINY_RST, false},
      {Image(golden::kTinyNone10), 0, TINY_NONE, true},
      {Image(golden::kTinyVer10), 1, TINY_VER, true},
      {Image(golden::kTinyGtm10), 1, TINY_GTH, true},
  };
  for (const auto& t : tinies) {
    const Bytes encoded = EncodeTiny({t.reqI, t.subT});
    EXPECT_EQ(t.framed10 ? Frame10(encoded) : encoded, t.image) << int(t.subT);
    TinyPacket read;
    ASSERT_TRUE(DecodeTiny(t.image.data(), 4, &read));
    EXPECT_EQ(read.reqI, t.reqI);
    EXPECT_EQ(read.subT, t.subT);
  }
  EXPECT_EQ(EncodeSmall({1, SMALL_RTP, 12345}), Image(golden::kSmallRtp4));
  EXPECT_EQ(Frame10(EncodeSmall({1, SMALL_RTP, 123456})), Image(golden::kSmallRtp10));
  SmallPacket small;
  ASSERT_TRUE(DecodeSmall(golden::kSmallRtp10, 8, &small));
  EXPECT_EQ(small.subT, SMALL_RTP);
  EXPECT_EQ(small.value, 123456u);
}

TEST(GoldenState, StateReportAndStateFlags) {
  StateReport s;
  s.replaySpeed = 0.5f;
  s.flags = ISS_REPLAY | ISS_SHOW_2D;
  s.inGameCam = 2;
  s.viewPlid = 7;
  s.numP = 12;
  s.numConns = 1;
  s.numFinished = 3;
  s.raceInProg = 1;
  s.raceLaps = 5;
  s.track = "RS1";
  s.weather = 1;
  s.wind = 2;
  EXPECT_EQ(EncodeSta(1, s), Image(golden::kSta4));
  EXPECT_EQ(Frame10(EncodeSta(1, s)), Image(golden::kSta10));
  EXPECT_EQ(EncodeV3Sta(s), Image(golden::kSta3));
  StateReport read;
  ASSERT_TRUE(DecodeSta(golden::kSta3, Size(golden::kSta3), &read));
  EXPECT_EQ(read, s);

  EXPECT_EQ(EncodeSfp({1, ISS_SHOW_2D, 1}), Image(golden::kSfpShow2d4));
  EXPECT_EQ(EncodeSfp({0, ISS_SHIFTU_NO_OPT, 1}), Image(golden::kSfpShiftUNoOpt4));
  EXPECT_EQ(Frame10(EncodeSfp({1, ISS_SHOW_2D, 0})), Image(golden::kSfpShow2dOff10));
  EXPECT_EQ(EncodeV3Sfp({0, ISS_SHOW_2D, 1}), Image(golden::kSfpShow2d3));
  StateFlagPacket flag;
  ASSERT_TRUE(DecodeSfp(golden::kSfpShiftUNoOpt4, 8, &flag));
  EXPECT_EQ(flag.flag, ISS_SHIFTU_NO_OPT);
  EXPECT_EQ(flag.on, 1);
  ASSERT_TRUE(DecodeV3Sfp(golden::kSfpShow2d3, 8, &flag));
  EXPECT_EQ(flag.flag, ISS_SHOW_2D);
}

TEST(GoldenCamera, CameraPacketsViewChangeAndScc) {
  CameraRecord c;
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
  EXPECT_EQ(EncodeCpp(1, c), Image(golden::kCpp4));
  EXPECT_EQ(Frame10(EncodeCpp(1, c)), Image(golden::kCpp10));
  EXPECT_EQ(EncodeV3Cpp(c), Image(golden::kCpp3));
  CameraRecord view;
  view.inGameCam = 4;
  EXPECT_EQ(EncodeCpp(0, view), Image(golden::kCppView4));

  CameraRecord read;
  ASSERT_TRUE(DecodeCpp(golden::kCpp3, Size(golden::kCpp3), &read));
  EXPECT_EQ(std::vector<long long>({read.x, read.y, read.z, read.heading, read.pitch, read.roll,
                                    read.viewPlid, read.inGameCam, read.time, read.flags}),
            std::vector<long long>({-65536, 131072, 393216, 32768, 16000, 0, 3, 2, 1500, 8}));
  EXPECT_EQ(read.fov, 27.5f);
  EXPECT_FALSE(DecodeCpp(golden::kCpp3, 31, &read));

  EXPECT_EQ(EncodeV3Scc({0, 2, 5}), Image(golden::kScc3));
  ViewChange change;
  ASSERT_TRUE(DecodeV3Scc(golden::kScc3, 8, &change));
  EXPECT_EQ(change.view, 2);
  EXPECT_EQ(change.plid, 5);
}

TEST(GoldenTexts, DirectorTextsAndSimulatorMessages) {
  EXPECT_EQ(EncodeMst("/echo hello"), Image(golden::kMst4));
  EXPECT_EQ(Frame10(EncodeMst("/echo hello")), Image(golden::kMst10));
  EXPECT_EQ(EncodeMsl("^3Morvane: ^2active", 0), Image(golden::kMsl4));
  EXPECT_EQ(Frame10(EncodeMsl("^3Morvane: ^2active", 0)), Image(golden::kMsl10));
  EXPECT_EQ(EncodeV3Mtc("^3Morvane: ^2active"), Image(golden::kMtc3));
  std::string text;
  std::uint8_t sound = 9;
  ASSERT_TRUE(DecodeMst(golden::kMst10, Size(golden::kMst10), &text));
  EXPECT_EQ(text, "/echo hello");
  ASSERT_TRUE(DecodeMsl(golden::kMsl4, Size(golden::kMsl4), &text, &sound));
  EXPECT_EQ(text, "^3Morvane: ^2active");
  EXPECT_EQ(sound, 0);
  ASSERT_TRUE(DecodeV3Mtc(golden::kMtc3, Size(golden::kMtc3), &text));
  EXPECT_EQ(text, "^3Morvane: ^2active");

  EXPECT_EQ(EncodeMso({0, 0, MSO_USER, 13, "^7Host ^7: ^8hi"}), Image(golden::kMso4));
  EXPECT_EQ(Frame10(EncodeMso({0, 0, MSO_SYSTEM, 0, "activate Morvane"})), Image(golden::kMso10));
  EXPECT_EQ(EncodeV3Mso("activate Morvane"), Image(golden::kMso3));
  MsoPacket mso;
  ASSERT_TRUE(DecodeMso(golden::kMso4, Size(golden::kMso4), &mso));
  EXPECT_EQ(mso.userType, MSO_USER);
  EXPECT_EQ(mso.textStart, 13);
  EXPECT_EQ(mso.text.substr(mso.textStart), "hi");
  ASSERT_TRUE(DecodeV3Mso(golden::kMso3, Size(golden::kMso3), &text));
  EXPECT_EQ(text, "activate Morvane");
}

TEST(GoldenButtons, ButtonsAndDeletion) {
  const ButtonPacket anna{1, 0, 5, 0, 99, 0, 15, 151, 80, 12, "^1 1.  ^7Anna"};
  EXPECT_EQ(EncodeBtn(anna), Image(golden::kBtn4));
  EXPECT_EQ(Frame10(EncodeBtn(anna)), Image(golden::kBtn10));
  EXPECT_EQ(EncodeBtn({1, 0, 2, 0, 0, 0, 0, 0, 10, 5, ""}), Image(golden::kBtnEmpty4));
  ButtonPacket read;
  ASSERT_TRUE(DecodeBtn(golden::kBtn10, Size(golden::kBtn10), &read));
  EXPECT_EQ(std::vector<int>({read.reqI, read.ucid, read.clickId, read.inst, read.style,
                              read.typeIn, read.left, read.top, read.width, read.height}),
            std::vector<int>({1, 0, 5, 0, 99, 0, 15, 151, 80, 12}));
  EXPECT_EQ(read.text, "^1 1.  ^7Anna");

  EXPECT_EQ(EncodeBfn({0, BFN_DEL_BTN, 0, 7, 0}), Image(golden::kBfn4));
  EXPECT_EQ(Frame10(EncodeBfn({0, BFN_DEL_BTN, 0, 7, 0})), Image(golden::kBfn10));
  ButtonFunction bfn;
  ASSERT_TRUE(DecodeBfn(golden::kBfn4, 8, &bfn));
  EXPECT_EQ(bfn.subT, BFN_DEL_BTN);
  EXPECT_EQ(bfn.clickId, 7);
}

TEST(GoldenPlayers, NewPlayerOfAllThreeVersions) {
  EXPECT_EQ(EncodeNpl({1, kSpeedy, 12}), Image(golden::kNpl4));
  EXPECT_EQ(Frame10(EncodeNpl({1, kSpeedy, 12})), Image(golden::kNpl10));
  EXPECT_EQ(EncodeV3Npl(kSpeedy, 3, 0x1234), Image(golden::kNpl3));
  NplPacket npl;
  ASSERT_TRUE(DecodeNpl(golden::kNpl4, Size(golden::kNpl4), &npl));
  EXPECT_EQ(std::vector<int>({npl.reqI, npl.player.plid, npl.player.flags, npl.numP}),
            std::vector<int>({1, 9, 1, 12}));
  EXPECT_EQ(npl.player.name + "|" + npl.player.car + "|" + npl.player.plate, "^1Speedy|XRG|RS 9");
  PlayerInfo player;
  std::uint8_t index = 0;
  ASSERT_TRUE(DecodeV3Npl(golden::kNpl3, Size(golden::kNpl3), &player, &index));
  EXPECT_EQ(std::vector<int>({player.plid, player.flags, index}), std::vector<int>({9, 1, 3}));
  EXPECT_EQ(player.name + "|" + player.car + "|" + player.plate, "^1Speedy|XRG|RS 9");
  EXPECT_EQ(V3AckWord(Image(golden::kNpl3)), 0x1234);
}

TEST(GoldenPlayers, ResultsAndStartOrder) {
  EXPECT_EQ(EncodeRes(SpeedyResult()), Image(golden::kRes4));
  EXPECT_EQ(Frame10(EncodeRes(SpeedyResult())), Image(golden::kRes10));
  EXPECT_EQ(EncodeV3Res(SpeedyResult(), 0xFFFF), Image(golden::kRes3));
  ResultInfo r;
  ASSERT_TRUE(DecodeRes(golden::kRes4, Size(golden::kRes4), &r));
  EXPECT_EQ(std::vector<long long>({r.player.plid, r.totalMs, r.bestLapMs, r.stops, r.confirm,
                                    r.lapsDone, r.player.flags, r.resultNum, r.numRes}),
            std::vector<long long>({9, 300000, 61234, 1, CONF_CONFIRMED, 5, 1, 0, 12}));
  EXPECT_EQ(r.userName + "|" + r.player.name + "|" + r.player.plate + "|" + r.player.car,
            "racesim|^1Speedy|RS 9|XRG");
  ASSERT_TRUE(DecodeV3Res(golden::kRes3, Size(golden::kRes3), &r));
  EXPECT_EQ(std::vector<long long>({r.player.plid, r.totalMs, r.bestLapMs, r.stops, r.confirm,
                                    r.lapsDone, r.resultNum}),
            std::vector<long long>({9, 300000, 61234, 1, CONF_CONFIRMED, 5, 0}));
  EXPECT_EQ(r.player.name + "|" + r.player.car, "^1Speedy|XRG");

  EXPECT_EQ(Frame10(EncodeReo10(0, {9, 4, 1})), Image(golden::kReo10));
  std::uint8_t reqI = 1;
  std::vector<std::uint8_t> order;
  ASSERT_TRUE(DecodeReo10(golden::kReo10, Size(golden::kReo10), &reqI, &order));
  EXPECT_EQ(reqI, 0);
  EXPECT_EQ(order, (std::vector<std::uint8_t>{9, 4, 1}));
}

TEST(GoldenRace, RaceStartLapsSplitsAndPitStops) {
  const RaceStart start{1, 5, 12, "RS1", 600, 17, 217, 417, 0xFFFF};
  EXPECT_EQ(EncodeRst(start), Image(golden::kRst4));
  EXPECT_EQ(Frame10(EncodeRst(start)), Image(golden::kRst10));
  EXPECT_EQ(EncodeV3Rst(start, 0x0102), Image(golden::kRst3));
  RaceStart rst;
  ASSERT_TRUE(DecodeRst(golden::kRst4, Size(golden::kRst4), &rst));
  EXPECT_EQ(std::vector<int>({rst.reqI, rst.raceLaps, rst.numP, rst.numNodes, rst.finish,
                              rst.split1, rst.split2, rst.split3}),
            std::vector<int>({1, 5, 12, 600, 17, 217, 417, 0xFFFF}));
  EXPECT_EQ(rst.track, "RS1");
  ASSERT_TRUE(DecodeV3Rst(golden::kRst3, Size(golden::kRst3), &rst));
  EXPECT_EQ(std::vector<int>({rst.raceLaps, rst.numP}), std::vector<int>({5, 12}));

  const LapPacket lap{9, 61234, 190000, 3, 1};
  EXPECT_EQ(EncodeLap(lap), Image(golden::kLap4));
  EXPECT_EQ(Frame10(EncodeLap(lap)), Image(golden::kLap10));
  EXPECT_EQ(EncodeV3Lap(lap, 0xBEEF), Image(golden::kLap3));
  LapPacket readLap;
  ASSERT_TRUE(DecodeV3Lap(golden::kLap3, Size(golden::kLap3), &readLap));
  EXPECT_EQ(std::vector<long long>(
                {readLap.plid, readLap.lapMs, readLap.elapsedMs, readLap.lapsDone, readLap.stops}),
            std::vector<long long>({9, 61234, 190000, 3, 1}));

  const SplitPacket split{9, 20000, 80000, 2, 1};
  EXPECT_EQ(EncodeSpx(split), Image(golden::kSpx4));
  EXPECT_EQ(Frame10(EncodeSpx(split)), Image(golden::kSpx10));
  EXPECT_EQ(EncodeV3Split(split, 8), Image(golden::kSp2V3));
  EXPECT_EQ(EncodeV3Split({4, 1000, 0, 1, 0}, 7), Image(golden::kSp1V3));
  SplitPacket readSplit;
  ASSERT_TRUE(DecodeSpx(golden::kSpx10, Size(golden::kSpx10), &readSplit));
  EXPECT_EQ(std::vector<long long>({readSplit.plid, readSplit.splitMs, readSplit.elapsedMs,
                                    readSplit.split, readSplit.stops}),
            std::vector<long long>({9, 20000, 80000, 2, 1}));
  ASSERT_TRUE(DecodeV3Split(golden::kSp1V3, Size(golden::kSp1V3), &readSplit));
  EXPECT_EQ(std::vector<long long>({readSplit.plid, readSplit.splitMs, readSplit.split}),
            std::vector<long long>({4, 1000, 1}));

  EXPECT_EQ(EncodePit({9, 2, 1}), Image(golden::kPit4));
  EXPECT_EQ(Frame10(EncodePit({9, 2, 1})), Image(golden::kPit10));
  EXPECT_EQ(EncodeV3Pit({9, 0, 1}, 9), Image(golden::kPit3));
  PitPacket pit;
  ASSERT_TRUE(DecodePit(golden::kPit4, Size(golden::kPit4), &pit));
  EXPECT_EQ(std::vector<int>({pit.plid, pit.lapsDone, pit.stops}), std::vector<int>({9, 2, 1}));
  EXPECT_EQ(V3AckWord(Image(golden::kPit3)), 9);

  EXPECT_EQ(EncodePitLane({9, PITLANE_ENTER}), Image(golden::kPla4));
  EXPECT_EQ(Frame10(EncodePitLane({9, PITLANE_EXIT})), Image(golden::kPla10));
  PitLanePacket lane;
  ASSERT_TRUE(DecodePitLane(golden::kPla4, Size(golden::kPla4), &lane));
  EXPECT_EQ(std::vector<int>({lane.plid, lane.fact}), std::vector<int>({9, PITLANE_ENTER}));

  const ContactPacket con{70, 12345, {9, 40, 64, 60, -16, 32}, {12, 33, 64, 70, 16, 48}};
  EXPECT_EQ(Frame10(EncodeContact(con)), Image(golden::kCon10));
  ContactPacket readCon;
  ASSERT_TRUE(DecodeContact(golden::kCon10, Size(golden::kCon10), &readCon));
  EXPECT_EQ(std::vector<int>({readCon.closingTenths, readCon.time, readCon.a.plid, readCon.a.x,
                              readCon.b.plid, readCon.b.speed, readCon.b.heading, readCon.b.y}),
            std::vector<int>({70, 12345, 9, -16, 12, 33, 70, 48}));
}

// The three cars of the images; version 3 puts car 1 on lap 0x702 at node 5 to show the packing.
std::vector<CarRecord> ThreeCars() {
  std::vector<CarRecord> cars(3);
  cars[0] = {258, 3, 1, 1, 0, 0, 0x01020304, -1, 65536, 0x3344, 0x5566, 0x7788, -2};
  cars[1] = {200, 2, 4, 2, 0, 0, -65536, 131072, 0, 10000, 0x8000, 0x8100, 5};
  cars[2] = {100, 2, 9, 3, 0, 0, 1000, 0, 0, 0, 0, 0, 0};
  return cars;
}

TEST(GoldenPositions, CarRecordsOfAllThreeVersions) {
  std::vector<CarRecord> cars = ThreeCars();
  ASSERT_EQ(EncodeMci(cars, kCarsPerMci), std::vector<Bytes>{Image(golden::kMci4)});
  std::vector<CarRecord> read;
  ASSERT_TRUE(DecodeMci(golden::kMci4, Size(golden::kMci4), &read));
  cars[2].info = CCI_LAST;
  EXPECT_EQ(read, cars);

  std::vector<CarRecord> v3 = ThreeCars();
  v3[0].node = 5;
  v3[0].lap = 0x702;
  ASSERT_EQ(EncodeV3Mci(v3), std::vector<Bytes>{Image(golden::kMci3)});
  int total = 0, first = -1;
  ASSERT_TRUE(DecodeV3Mci(golden::kMci3, Size(golden::kMci3), &total, &first, &read));
  EXPECT_EQ(total, 3);
  EXPECT_EQ(first, 0);
  for (CarRecord& c : v3) c.position = 0;  // not carried in version 3
  EXPECT_EQ(read, v3);

  std::vector<CarRecord> sixteen;
  for (int k = 1; k <= 16; ++k) {
    const auto b = static_cast<std::uint8_t>(k);
    sixteen.push_back({b, 1, b, b, 0, 0, k * 65536, 0, 0, static_cast<std::uint16_t>(k * 256),
                       0x4000, 0x4000, static_cast<std::int16_t>(-k)});
  }
  const std::vector<Bytes> packets = EncodeMci(sixteen, kCarsPerMci10);
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(Frame10(packets[0]), Image(golden::kMci10));
  ASSERT_TRUE(DecodeMci(golden::kMci10, Size(golden::kMci10), &read));
  sixteen.back().info = CCI_LAST;
  EXPECT_EQ(read, sixteen);
}

}  // namespace
}  // namespace racesim
