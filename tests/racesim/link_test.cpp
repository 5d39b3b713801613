// The stand-in's end of the link: cutting the director's TCP stream, and the trace of what the
// director sent, decoded from packets made by the director's own senders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "director/insim/packets.h"
#include "tools/racesim/insim_server.h"
#include "tools/racesim/packet_trace.h"

namespace racesim {
namespace {

// The director's senders write into this.
class Capture : public director::PacketSink {
 public:
  void SendPacket(const std::uint8_t* data, int size) override {
    packets.emplace_back(data, data + size);
  }
  std::vector<Bytes> packets;
};

director::InsimLink LinkOf(Capture& capture, int version) {
  director::InsimLink link;
  link.version = static_cast<std::uint8_t>(version);
  link.sink = &capture;
  return link;
}

std::string Json(int version, const Bytes& p) {
  const DecodedPacket d = DecodeDirectorPacket(version, p.data(), static_cast<int>(p.size()));
  return d.type + d.fields;
}

TEST(StreamCutting, PacketsSurviveEverySplitOfTheStream) {
  Capture capture;
  director::InsimLink link = LinkOf(capture, 4);
  director::SendInit(link, "pw");
  director::SendTiny(link, 1, director::TINY_VER);
  director::SendText(link, "Hello", true);
  Bytes stream;
  for (const Bytes& p : capture.packets) stream.insert(stream.end(), p.begin(), p.end());
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    StreamCutter cutter;
    std::vector<Bytes> out;
    Bytes packet;
    cutter.Feed(stream.data(), static_cast<int>(cut));
    while (cutter.Next(&packet)) out.push_back(packet);
    cutter.Feed(stream.data() + cut, static_cast<int>(stream.size() - cut));
    while (cutter.Next(&packet)) out.push_back(packet);
    EXPECT_EQ(out, capture.packets) << "cut at " << cut;
    EXPECT_EQ(cutter.Pending(), 0u);
    EXPECT_FALSE(cutter.Broken());
  }
}

TEST(StreamCutting, ASizeBelowFourBreaksTheStreamForGood) {
  StreamCutter cutter;
  const Bytes data = {4, 3, 0, 0, 3, 3, 0, 0, 4, 3, 0, 0};
  cutter.Feed(data.data(), static_cast<int>(data.size()));
  Bytes packet;
  EXPECT_TRUE(cutter.Next(&packet));
  EXPECT_EQ(packet, (Bytes{4, 3, 0, 0}));
  EXPECT_FALSE(cutter.Next(&packet));
  EXPECT_TRUE(cutter.Broken());
  cutter.Feed(data.data(), 4);
  EXPECT_FALSE(cutter.Next(&packet));
}

TEST(Trace, CameraPacketsOfBothVersions) {
  director::CameraPositionRecord rec;
  rec.x = -65536;
  rec.y = 131072;
  rec.z = 393216;
  rec.heading = 32768;
  rec.pitch = 16001;  // the sender clamps it to 16000
  rec.viewPlid = 3;
  rec.inGameCam = 2;
  rec.fov = 27.5f;
  rec.time = 1500;
  rec.flags = 8;
  Capture capture;
  director::InsimLink v4 = LinkOf(capture, 4);
  director::SendCameraPosition(v4, rec);
  director::InsimLink v3 = LinkOf(capture, 3);
  director::SendCameraPosition(v3, rec);
  const std::string fields =
      ",\"pos\":[-65536,131072,393216],\"heading\":32768,\"pitch\":16000,\"roll\":0,"
      "\"view_plid\":3,\"ingame_cam\":2,\"fov\":27.5,\"time\":1500,\"flags\":8";
  EXPECT_EQ(Json(4, capture.packets[0]), "IS_CPP,\"reqi\":1" + fields);
  EXPECT_EQ(Json(3, capture.packets[1]), "CPP" + fields);
}

// (Texts, introductions, requests and state flags are read back field by field by the
// whole-program tests.)
TEST(Trace, ButtonsViewChangesAndAcknowledgements) {
  std::uint8_t btn[director::kMaxButtonSize];
  const int size = director::BuildButton(btn, "^1 1.  ^7Anna", 5, 99, 15, 151, 80, 12);
  std::uint8_t bfn[director::kBfnSize];
  director::BuildDeleteButton(bfn, 7);
  EXPECT_EQ(Json(4, Bytes(btn, btn + size)),
            "IS_BTN,\"reqi\":1,\"ucid\":0,\"click_id\":5,\"inst\":0,\"style\":99,\"typein\":0,"
            "\"l\":15,\"t\":151,\"w\":80,\"h\":12,\"text\":\"^1 1.  ^7Anna\"");
  EXPECT_EQ(Json(4, Bytes(bfn, bfn + director::kBfnSize)),
            "IS_BFN,\"reqi\":0,\"subt\":0,\"ucid\":0,\"click_id\":7,\"inst\":0");
  Capture capture;
  director::InsimLink v3 = LinkOf(capture, 3);
  director::SendAck(v3, 0xBEEF);
  director::SendViewCamera(v3, 2, 5, 0);
  ASSERT_EQ(capture.packets.size(), 2u);
  EXPECT_EQ(Json(3, capture.packets[0]), "ACK,\"value\":48879");
  EXPECT_EQ(Json(3, capture.packets[1]), "SCC,\"extra\":0,\"view\":2,\"plid\":5");
}

TEST(Trace, UnknownPacketsKeepTheirBytesAndStringsAreEscaped) {
  EXPECT_EQ(Json(4, Bytes{8, 99, 0, 1, 0xAB, 0, 0, 0}),
            "IS_99,\"reqi\":0,\"bytes\":\"0863000\x31"
            "ab000000\"");
  EXPECT_EQ(Json(3, Bytes{'X', 'Y', 'Z', 0, 1, 2, 3, 4}), "XYZ,\"bytes\":\"58595a0001020304\"");
  EXPECT_EQ(JsonString("a\"b\\c\nd\xE9"), "\"a\\\"b\\\\c\\u000ad\\u00e9\"");
  EXPECT_EQ(TinyName(19), "TINY_RST");
  EXPECT_EQ(TinyName(42), "TINY_42");
}

}  // namespace
}  // namespace racesim
