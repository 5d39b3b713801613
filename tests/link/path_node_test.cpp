#include "link/path_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "link/link_messages.h"
#include "link_peer.h"

namespace glink {
namespace {

// One node, every field a different bit pattern, written out by hand little-endian.
const linktest::Bytes& NodeImage() {
  static const linktest::Bytes image = linktest::Hex(
      "0000FFFF 78563412 FFFFFF7F"  // centre X -1 m, Y 0x12345678, Z the largest
      "00000000 0000803F 00000080"  // direction 0, 1, -0
      "0000F0C0 0000F040"           // outer limits -7.5, 7.5
      "000050C0 DB0F4940");         // road limits -3.25, 3.14159274
  return image;
}

TEST(PathNodeTest, EveryFieldIsReadAtItsOffset) {
  ASSERT_EQ(NodeImage().size(), static_cast<std::size_t>(kPathNodeSize));
  const PathNode n = ReadPathNode(NodeImage().data());
  EXPECT_EQ(n.x, -65536);
  EXPECT_EQ(n.y, 0x12345678);
  EXPECT_EQ(n.z, 0x7FFFFFFF);
  EXPECT_EQ(n.dirX, 0.0f);
  EXPECT_EQ(n.dirY, 1.0f);
  EXPECT_EQ(n.dirZ, 0.0f);
  EXPECT_TRUE(std::signbit(n.dirZ));
  EXPECT_EQ(n.outerLeft, -7.5f);
  EXPECT_EQ(n.outerRight, 7.5f);
  EXPECT_EQ(n.roadLeft, -3.25f);
  EXPECT_EQ(n.roadRight, 3.14159274f);
}

// The director forwards the node's bytes in GLM_TRACK_NODE; the client decodes what arrives.
TEST(PathNodeTest, ANodeForwardedOverTheLinkDecodesTheSame) {
  std::uint8_t slot[kSlotSize] = {};
  WriteTrackNode(slot, "BL1", 7, NodeImage().data());
  TrackNodeMsg msg;
  ASSERT_TRUE(ReadTrackNode(slot, &msg));
  EXPECT_EQ(std::memcmp(msg.node, NodeImage().data(), kPathNodeSize), 0);
  const PathNode sent = ReadPathNode(NodeImage().data());
  const PathNode got = ReadPathNode(msg.node);
  EXPECT_EQ(std::memcmp(&got, &sent, sizeof got), 0);
}

}  // namespace
}  // namespace glink
