// The stand-in's end of the link: cutting the director's TCP stream, and the trace of what the
// director sent, decoded from packets in the director's forms (the golden images and the codec's
// own encoders).
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "tests/golden/insim_golden.h"
#include "tools/racesim/insim_server.h"
#include "tools/racesim/packet_trace.h"

namespace racesim {
namespace {

template <std::size_t N>
Bytes Image(const std::uint8_t (&image)[N]) {
  return Bytes(image, image + N);
}

std::string Json(int version, const Bytes& p) {
  const DecodedPacket d = DecodeDirectorPacket(version, p.data(), static_cast<int>(p.size()));
  return d.type + d.fields;
}

class CountingListener final : public InsimListener {
 public:
  void OnConnected() override { ++connected; }
  void OnPacket(const std::uint8_t*, int) override {}
  void OnDisconnected(const std::string&) override {}
  int connected = 0;
};

// The simulator sends each position set as several small packets: they must leave at once, not
// wait for the director's acknowledgement of the first.
TEST(Server, TheDirectorsConnectionSendsSmallPacketsAtOnce) {
  InsimServer server;
  std::string error;
  ASSERT_TRUE(server.Open(4, 0, &error)) << error;
  const plat::OwnedSocket director(plat::TcpOpen());
  ASSERT_TRUE(plat::Connect(director.Get(), plat::kLoopback, server.Port()));
  CountingListener listener;
  for (int i = 0; i < 1000 && listener.connected == 0; ++i) server.Poll(listener);
  ASSERT_EQ(listener.connected, 1);
  int noDelay = 0;
  socklen_t size = sizeof noDelay;
  ASSERT_EQ(getsockopt(static_cast<int>(server.ClientSocket()), IPPROTO_TCP, TCP_NODELAY,
                       &noDelay, &size),
            0);
  EXPECT_NE(noDelay, 0);
}

TEST(StreamCutting, PacketsSurviveEverySplitOfTheStream) {
  const std::vector<Bytes> packets = {Image(golden::kIsi4), Image(golden::kTinyVer4),
                                      Image(golden::kMsl4), Image(golden::kBtn4)};
  Bytes stream;
  for (const Bytes& p : packets) stream.insert(stream.end(), p.begin(), p.end());
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    StreamCutter cutter;
    std::vector<Bytes> out;
    Bytes packet;
    cutter.Feed(stream.data(), static_cast<int>(cut));
    while (cutter.Next(&packet)) out.push_back(packet);
    cutter.Feed(stream.data() + cut, static_cast<int>(stream.size() - cut));
    while (cutter.Next(&packet)) out.push_back(packet);
    EXPECT_EQ(out, packets) << "cut at " << cut;
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
  const std::string fields =
      ",\"pos\":[-65536,131072,393216],\"heading\":32768,\"pitch\":16000,\"roll\":0,"
      "\"view_plid\":3,\"ingame_cam\":2,\"fov\":27.5,\"time\":1500,\"flags\":8";
  EXPECT_EQ(Json(4, Image(golden::kCpp4)), "IS_CPP,\"reqi\":1" + fields);
  EXPECT_EQ(Json(3, Image(golden::kCpp3)), "CPP" + fields);
  // Too short for its fields: the bytes are kept.
  EXPECT_EQ(Json(4, Bytes{8, 9, 0, 0, 1, 2, 3, 4}),
            "IS_CPP,\"reqi\":0,\"bytes\":\"0809000001020304\"");
}

TEST(Trace, IntroductionsTextsAndStateFlags) {
  EXPECT_EQ(Json(4, Image(golden::kIsi4)),
            "IS_ISI,\"reqi\":0,\"udpport\":0,\"flags\":36,\"prefix\":0,\"interval\":200,"
            "\"admin\":\"pw\",\"iname\":\"Morvane\"");
  EXPECT_EQ(Json(3, Image(golden::kIsi3)),
            "ISI,\"port\":0,\"flags\":35,\"node_secs\":0,"
            "\"admin\":\"pw\"");
  EXPECT_EQ(Json(4, Image(golden::kTinyGth4)),
            "IS_TINY,\"reqi\":1,\"subt\":8,\"subt_name\":\"TINY_GTH\"");
  EXPECT_EQ(Json(4, Image(golden::kMsl4)),
            "IS_MSL,\"reqi\":0,\"sound\":0,\"msg\":\"^3Morvane: ^2active\"");
  EXPECT_EQ(Json(4, Image(golden::kMst4)), "IS_MST,\"reqi\":0,\"msg\":\"/echo hello\"");
  EXPECT_EQ(Json(3, Image(golden::kMtc3)), "MTC,\"msg\":\"^3Morvane: ^2active\"");
  EXPECT_EQ(Json(4, Image(golden::kSfpShow2d4)), "IS_SFP,\"reqi\":1,\"flag\":128,\"on\":1");
  EXPECT_EQ(Json(3, Image(golden::kSfpShow2d3)), "SFP,\"flag\":128,\"on\":1");
  EXPECT_EQ(Json(4, Image(golden::kSmallRtp4)), "IS_SMALL,\"reqi\":1,\"subt\":6,\"value\":12345");
  EXPECT_EQ(Json(3, Image(golden::kV3RequestNli)), "NLI,\"value\":200");
}

TEST(Trace, ButtonsViewChangesAndAcknowledgements) {
  EXPECT_EQ(Json(4, Image(golden::kBtn4)),
            "IS_BTN,\"reqi\":1,\"ucid\":0,\"click_id\":5,\"inst\":0,\"style\":99,\"typein\":0,"
            "\"l\":15,\"t\":151,\"w\":80,\"h\":12,\"text\":\"^1 1.  ^7Anna\"");
  EXPECT_EQ(Json(4, Image(golden::kBfn4)),
            "IS_BFN,\"reqi\":0,\"subt\":0,\"ucid\":0,\"click_id\":7,\"inst\":0");
  EXPECT_EQ(Json(3, Image(golden::kV3Ack)), "ACK,\"value\":48879");
  EXPECT_EQ(Json(3, Image(golden::kScc3)), "SCC,\"extra\":0,\"view\":2,\"plid\":5");
}

TEST(Trace, UnknownPacketsKeepTheirBytesAndStringsAreEscaped) {
  EXPECT_EQ(Json(4, Bytes{8, 99, 0, 1, 0xAB, 0, 0, 0}),
            "IS_99,\"reqi\":0,\"bytes\":\"0863000\x31"
            "ab000000\"");
  EXPECT_EQ(Json(3, Bytes{'X', 'Y', 'Z', 0, 1, 2, 3, 4}), "XYZ,\"bytes\":\"58595a0001020304\"");
  EXPECT_EQ(Json(3, Bytes{'M', 'T', 'C', 0, 0, 0, 0, 0}), "MTC,\"bytes\":\"4d54430000000000\"");
  EXPECT_EQ(JsonString("a\"b\\c\nd\xE9"), "\"a\\\"b\\\\c\\u000ad\\u00e9\"");
  EXPECT_EQ(TinyName(19), "TINY_RST");
  EXPECT_EQ(TinyName(42), "TINY_42");
}

}  // namespace
}  // namespace racesim
