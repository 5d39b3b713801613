#include "director/insim/packets.h"

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

struct LinkFixture {
  explicit LinkFixture(std::uint8_t version) {
    link.version = version;
    link.sink = &capture;
    link.clock = &clock;
    link.lastSendTick = &lastSendTick;
  }
  Bytes Only() {
    auto packets = capture.Packets();
    EXPECT_EQ(packets.size(), 1u);
    return packets.empty() ? Bytes() : packets[0];
  }
  Capture capture;
  plat::ManualClock clock{5000};
  std::uint32_t lastSendTick = 0;
  InsimLink link;
};

CameraPositionRecord SampleRecord() {
  CameraPositionRecord rec;
  rec.x = 0x01020304;
  rec.y = -2;
  rec.z = 65536;
  rec.heading = 0x1122;
  rec.pitch = 0x3344;
  rec.roll = 0x5566;
  rec.viewPlid = 7;
  rec.inGameCam = 2;
  rec.fov = 30.0f;  // 0x41F00000
  rec.time = 1500;
  rec.flags = 8;
  return rec;
}

const Bytes kSampleBody =
    B({0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x22, 0x11,
       0x44, 0x33, 0x66, 0x55, 7,    2,    0x00, 0x00, 0xF0, 0x41, 0xDC, 0x05, 8,    0});

TEST(InsimPackets, InitPacketsCarryFlagsIntervalPasswordAndName) {
  LinkFixture v3(3);
  SendInit(v3.link, "secretpassword-toolong");
  EXPECT_EQ(v3.Only(), Cat({Padded("ISI", 4), B({0, 0, 0x23, 0}), Padded("secretpassword", 16)}));

  // The password field keeps at most 14 characters and a zero at 15 and 16.
  LinkFixture v4(4);
  SendInit(v4.link, "abcdefghijklmnopq");
  EXPECT_EQ(v4.Only(), Cat({B({44, 1, 0, 0, 0, 0, 0x24, 0, 0, 0, 200, 0}),
                            Padded("abcdefghijklmn", 16), Padded("Morvane", 16)}));
}

TEST(InsimPackets, RequestsAndAcksAreEightByteVersion3Packets) {
  LinkFixture v3(3);
  SendRequest(v3.link, kV3NLI, 200);
  SendRequest(v3.link, kV3NPL, 0x01020304);
  SendAck(v3.link, 0xBEEF);
  auto packets = v3.capture.Packets();
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0], Cat({Padded("NLI", 4), B({200, 0, 0, 0})}));
  EXPECT_EQ(packets[1], Cat({Padded("NPL", 4), B({4, 3, 2, 1})}));
  EXPECT_EQ(packets[2], Cat({Padded("ACK", 4), B({0xEF, 0xBE, 0, 0})}));

  // Neither form exists in version 4; IS_TINY does not exist in version 3.
  LinkFixture v4(4);
  SendRequest(v4.link, kV3SST, 0);
  SendAck(v4.link, 1);
  SendTiny(v3.link, 1, TINY_VER);
  EXPECT_TRUE(v4.capture.Packets().empty());
  EXPECT_EQ(v3.capture.Packets().size(), 3u);
}

TEST(InsimPackets, TinyPackets) {
  LinkFixture v4(4);
  SendTiny(v4.link, 1, TINY_VER);
  SendTiny(v4.link, 0, TINY_NONE);
  SendTiny(v4.link, 1, TINY_RST);
  EXPECT_EQ(v4.capture.Packets(),
            (std::vector<Bytes>{B({4, 3, 1, 1}), B({4, 3, 0, 0}), B({4, 3, 1, 19})}));
}

// The short forms are checked byte for byte in the session's handshakes (greeting, "/ctrlf").
TEST(InsimPackets, TextFormsAndTheirCuts) {
  // 13 prefix characters + 114 = 127: whole in IS_MSL, cut at 63 in "MTC".
  const std::string text(114, 'x');
  const std::string joined = std::string(kMessagePrefix) + text;
  LinkFixture longV3(3);
  SendText(longV3.link, text.c_str(), true);
  EXPECT_EQ(longV3.Only(),
            Cat({Padded("MTC", 4), B({0, 0, 0, 0}), Padded(joined.substr(0, 63).c_str(), 64)}));
  LinkFixture longV4(4);
  SendText(longV4.link, text.c_str(), true);
  SendText(longV4.link, (text + "yz").c_str(), true);
  const auto packets = longV4.capture.Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0], Cat({B({132, 40, 0, 0}), Padded(joined.c_str(), 128)}));
  EXPECT_EQ(packets[1], packets[0]);  // 129 characters: the last two are cut
  // IS_MST holds 63 characters and its zero.
  LinkFixture mst(4);
  SendText(mst.link, std::string(70, 'm').c_str(), false);
  EXPECT_EQ(mst.Only(), Cat({B({68, 13, 0, 0}), Padded(std::string(63, 'm').c_str(), 64)}));
}

TEST(InsimPackets, CameraPositionInBothVersions) {
  LinkFixture v3(3);
  CameraPositionRecord rec = SampleRecord();
  SendCameraPosition(v3.link, rec);
  EXPECT_EQ(v3.Only(), Cat({Padded("CPP", 4), kSampleBody}));

  LinkFixture v4(4);
  SendCameraPosition(v4.link, rec);
  EXPECT_EQ(v4.Only(), Cat({B({32, 9, 1, 0}), kSampleBody}));
}

TEST(InsimPackets, PitchIsClampedInTheCallersRecord) {
  const struct {
    std::uint16_t in, out;
  } cases[] = {{0, 0},         {16000, 16000}, {16001, 16000}, {32767, 16000}, {32768, 32768},
               {32769, 50000}, {49999, 50000}, {50000, 50000}, {65535, 65535}};
  for (const auto& c : cases) {
    LinkFixture v4(4);
    CameraPositionRecord rec = SampleRecord();
    rec.pitch = c.in;
    SendCameraPosition(v4.link, rec);
    EXPECT_EQ(rec.pitch, c.out) << c.in;
    const Bytes p = v4.Only();
    EXPECT_EQ(p[18] | (p[19] << 8), c.out) << c.in;
  }
}

TEST(InsimPackets, ViewCameraAndStateFlags) {
  LinkFixture v3(3);
  SendViewCamera(v3.link, 2, 17, 5);
  SendShow2D(v3.link, 1);
  SendShiftUNoOpt(v3.link);
  auto packets = v3.capture.Packets();
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0], Cat({Padded("SCC", 4), B({5, 2, 17, 0})}));
  EXPECT_EQ(packets[1], Cat({Padded("SFP", 4), B({0x80, 0, 1, 0})}));
  EXPECT_EQ(packets[2], Cat({Padded("SFP", 4), B({0x40, 0, 1, 0})}));

  LinkFixture v4(4);
  SendViewCamera(v4.link, 2, 17, 5);
  SendShow2D(v4.link, 0);
  SendShiftUNoOpt(v4.link);
  packets = v4.capture.Packets();
  ASSERT_EQ(packets.size(), 3u);
  Bytes view(32, 0);
  view[0] = 32;
  view[1] = 9;
  view[23] = 2;
  EXPECT_EQ(packets[0], view);
  EXPECT_EQ(packets[1], B({8, 7, 1, 0, 0x80, 0, 0, 0}));
  EXPECT_EQ(packets[2], B({8, 7, 0, 0, 0x40, 0, 1, 0}));
}

TEST(InsimPackets, LastSendTickIsSetByVersion3TextRequestAndAckOnly) {
  LinkFixture v3(3);
  CameraPositionRecord rec = SampleRecord();
  SendCameraPosition(v3.link, rec);
  SendViewCamera(v3.link, 2, 1, 0);
  SendShow2D(v3.link, 0);
  EXPECT_EQ(v3.lastSendTick, 0u);
  SendText(v3.link, "x", false);
  EXPECT_EQ(v3.lastSendTick, 5000u);
  v3.clock.Advance(10);
  SendRequest(v3.link, kV3SST, 0);
  EXPECT_EQ(v3.lastSendTick, 5010u);
  v3.clock.Advance(10);
  SendAck(v3.link, 0);
  EXPECT_EQ(v3.lastSendTick, 5020u);

  LinkFixture v4(4);
  SendText(v4.link, "x", true);
  SendTiny(v4.link, 0, TINY_NONE);
  EXPECT_EQ(v4.lastSendTick, 0u);
}

TEST(InsimPackets, ButtonSizesRoundUpToFourBytes) {
  std::uint8_t out[kMaxButtonSize];
  EXPECT_EQ(BuildButton(out, "", 1, 35, 87, 5, 26, 12), 16);
  EXPECT_EQ(Bytes(out, out + 16), B({16, 45, 1, 0, 1, 0, 35, 0, 87, 5, 26, 12, 0, 0, 0, 0}));
  EXPECT_EQ(BuildButton(out, "abc", 4, 99, 22, 178, 60, 12), 16);
  EXPECT_EQ(Bytes(out, out + 16),
            B({16, 45, 1, 0, 4, 0, 99, 0, 22, 178, 60, 12, 'a', 'b', 'c', 0}));
  EXPECT_EQ(BuildButton(out, "abcd", 2, 33, 10, 178, 12, 12), 20);
  EXPECT_EQ(Bytes(out + 12, out + 20), B({'a', 'b', 'c', 'd', 0, 0, 0, 0}));
  // The longest button is 252 bytes: 239 characters and the zero.
  const std::string huge(400, 'h');
  EXPECT_EQ(BuildButton(out, huge.c_str(), 5, 0, 0, 0, 0, 0), 252);
  EXPECT_EQ(out[0], 252);
  EXPECT_EQ(out[250], 'h');
  EXPECT_EQ(out[251], 0);

  std::uint8_t del[kBfnSize];
  EXPECT_EQ(BuildDeleteButton(del, 13), 8);
  EXPECT_EQ(Bytes(del, del + 8), B({8, 42, 0, 0, 0, 13, 0, 0}));
}

// Every field of a car record, widened to int so that a mismatch prints readably.
std::vector<int> Fields(const CompCar& c) {
  return {c.node, c.lap, c.plid,  c.position,  c.info,    c.spare, c.x,
          c.y,    c.z,   c.speed, c.direction, c.heading, c.angVel};
}

TEST(InsimPackets, CarRecordsOfBothVersions) {
  const Bytes v3 = B({0x05, 0xE0, 0x02, 9,    1,    0,    0,    0,    2,    0,    0,    0,
                      0xFD, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xFF, 0xFF});
  EXPECT_EQ(Fields(ConvertV3Car(v3.data())),
            (std::vector<int>{5, 0x702, 9, 0, 0, 0, 1, 2, -3, 0x1234, 0x5678, 0x9ABC, -1}));
  const Bytes v4 =
      B({0x10, 0x00, 0x03, 0x00, 4,    2,    0x80, 7,    1,    0,    0,    0,    2,    0,
         0,    0,    0xFD, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0x00, 0x80});
  EXPECT_EQ(Fields(ReadCompCar(v4.data())),
            (std::vector<int>{16, 3, 4, 2, CCI_LAST, 7, 1, 2, -3, 0x1234, 0x5678, 0x9ABC, -32768}));
}

}  // namespace
}  // namespace director
