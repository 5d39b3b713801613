// The 0.8 simulators' "SRPATH" track path files, from byte images laid out by hand: every field
// where it stands, the pit lanes, the caps, and the files that must not be used. (LFSPTH files are
// the track path tests'.)
#include "director/engine/path_file.h"

#include <gtest/gtest.h>

#include <memory>

#include "director/engine/track_path.h"
#include "race_test_support.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Cat;
using test::LE16;
using test::LE32;

// A 44-byte node: flags, three zero bytes, centre X, Y, Z, then direction (0, 1, 0), outer limits
// (-10, 10) and road limits (-6, 6) as floats.
Bytes Node(std::uint8_t flags, std::int32_t x, std::int32_t y, std::int32_t z) {
  return Cat({B({flags, 0, 0, 0}), LE32(static_cast<std::uint32_t>(x)),
              LE32(static_cast<std::uint32_t>(y)), LE32(static_cast<std::uint32_t>(z)),
              LE32(0x00000000), LE32(0x3F800000), LE32(0x00000000),  // direction
              LE32(0xC1200000), LE32(0x41200000),                    // outer limits
              LE32(0xC0C00000), LE32(0x40C00000)});                  // road limits
}

// The header: magic, version, revision, path flags, mini revision, 3 reserved, node counts
// (main, pit lane 0, pit lane 1), 2 reserved, finish node, splits 1-3, pole X, Y, Z, heading.
Bytes Header(std::uint16_t main, std::uint16_t pit0, std::uint16_t pit1, std::uint32_t finish,
             std::uint8_t version = 0, std::uint8_t revision = 252, std::uint8_t mini = 9) {
  return Cat({B({'S', 'R', 'P', 'A', 'T', 'H', version, revision}), LE32(0x04030201),
              B({mini, 0xEE, 0xEE, 0xEE}), LE16(main), LE16(pit0), LE16(pit1), B({0xEE, 0xEE}),
              LE32(finish), LE32(2), LE32(0xFFFFFFFF), LE32(0xFFFFFFFF), LE32(0x00100000),
              LE32(0xFFF00000), LE32(0x00020000), LE32(0x40490FDB)});
}

// Node i of list l (0 main, 1 and 2 the pit lanes): a centre that names both.
std::int32_t NodeX(int l, int i) { return l * 1000000 + i * 7; }
std::int32_t NodeY(int l, int i) { return -l * 1000000 - i * 11; }
std::uint8_t NodeFlags(int l, int i) { return static_cast<std::uint8_t>(l * 64 + i % 64); }

Bytes File(std::uint16_t main, std::uint16_t pit0, std::uint16_t pit1, std::uint32_t finish) {
  Bytes b = Header(main, pit0, pit1, finish);
  const int counts[] = {main, pit0, pit1};
  for (int l = 0; l < 3; ++l) {
    for (int i = 0; i < counts[l]; ++i) {
      const Bytes n = Node(NodeFlags(l, i), NodeX(l, i), NodeY(l, i), i * 3);
      b.insert(b.end(), n.begin(), n.end());
    }
  }
  return b;
}

PathFileResult Parse(const Bytes& file, TrackPath* path) {
  return ParsePathFile(file.data(), file.size(), path);
}

// Every node of a list as File made it: the body kept byte for byte, the centre and flags read.
void ExpectNodes(const PathNode* nodes, std::uint32_t count, int l, const Bytes& file,
                 std::size_t firstAt) {
  for (std::uint32_t i = 0; i < count; ++i) {
    SCOPED_TRACE(testing::Message() << "list " << l << " node " << i);
    const int n = static_cast<int>(i);
    EXPECT_EQ(nodes[i].centreX, NodeX(l, n));
    EXPECT_EQ(nodes[i].centreY, NodeY(l, n));
    EXPECT_EQ(nodes[i].centreZ, n * 3);
    EXPECT_EQ(nodes[i].flags, NodeFlags(l, n));
    EXPECT_EQ(Bytes(nodes[i].bytes, nodes[i].bytes + 40),
              Bytes(file.begin() + static_cast<long>(firstAt + 44 * i + 4),
                    file.begin() + static_cast<long>(firstAt + 44 * i + 44)));
  }
}

TEST(SrPathFile, MainNodesAndPitLanesAreReadFieldByField) {
  // Three main nodes, two in pit lane 0, none in pit lane 1.
  const Bytes file = Cat({Header(3, 2, 0, 1), Node(0x81, 100, -200, 300), Node(0, 65536, 0, 0),
                          Node(2, -1, 2147483647, -5), Node(7, 9, 8, 7), Node(1, -65536, 5, 6)});
  ASSERT_EQ(file.size(), 56u + 5u * 44u);
  auto path = std::make_unique<TrackPath>("AS1");
  ASSERT_EQ(Parse(file, path.get()), PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 3u);
  EXPECT_EQ(path->finishNode, 1u);
  const PathNode& first = path->node(0);
  EXPECT_EQ((std::vector<std::int32_t>{first.centreX, first.centreY, first.centreZ}),
            (std::vector<std::int32_t>{100, -200, 300}));
  EXPECT_EQ(first.flags, 0x81);
  EXPECT_EQ(Bytes(first.bytes, first.bytes + 40), Bytes(file.begin() + 60, file.begin() + 100));
  EXPECT_EQ(path->node(2).centreY, 2147483647);
  EXPECT_EQ(path->node(2).centreZ, -5);
  ASSERT_EQ(path->pitLanes[0].nodeCount, 2u);
  EXPECT_EQ(path->pitLanes[0].nodes[0].centreX, 9);
  EXPECT_EQ(path->pitLanes[0].nodes[0].flags, 7);
  EXPECT_EQ(path->pitLanes[0].nodes[1].centreX, -65536);
  EXPECT_EQ(Bytes(path->pitLanes[0].nodes[1].bytes, path->pitLanes[0].nodes[1].bytes + 40),
            Bytes(file.begin() + 56 + 4 * 44 + 4, file.end()));
  EXPECT_EQ(path->pitLanes[1].nodeCount, 0u);
  EXPECT_EQ(path->nearestNode(60000, 0), 1);  // the main nodes only

  // With a second pit lane, behind the first.
  const Bytes both = File(4, 2, 3, 3);
  ASSERT_EQ(Parse(both, path.get()), PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 4u);
  EXPECT_EQ(path->finishNode, 3u);
  ExpectNodes(path->nodes, 4, 0, both, 56);
  ASSERT_EQ(path->pitLanes[0].nodeCount, 2u);
  ExpectNodes(path->pitLanes[0].nodes, 2, 1, both, 56 + 4 * 44);
  ASSERT_EQ(path->pitLanes[1].nodeCount, 3u);
  ExpectNodes(path->pitLanes[1].nodes, 3, 2, both, 56 + 6 * 44);

  // An LFSPTH file read into the same path leaves no pit lane and no node flags behind.
  const std::string old = test::PathFile(2, 1, test::CircleCentres(2));
  ASSERT_EQ(
      ParsePathFile(reinterpret_cast<const std::uint8_t*>(old.data()), old.size(), path.get()),
      PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 2u);
  EXPECT_EQ(path->node(0).flags, 0);
  EXPECT_EQ(path->pitLanes[0].nodeCount + path->pitLanes[1].nodeCount, 0u);
}

TEST(SrPathFile, AFileShapedLikeTheRealAs1Loads) {
  const Bytes file = File(294, 157, 0, 279);
  ASSERT_EQ(file.size(), 19900u);
  auto path = std::make_unique<TrackPath>("AS1");
  ASSERT_EQ(Parse(file, path.get()), PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 294u);
  EXPECT_EQ(path->finishNode, 279u);
  EXPECT_EQ(path->pitLanes[0].nodeCount, 157u);
  EXPECT_EQ(path->pitLanes[1].nodeCount, 0u);
  ExpectNodes(path->nodes, 294, 0, file, 56);
  ExpectNodes(path->pitLanes[0].nodes, 157, 1, file, 56 + 294 * 44);
  // Bytes after the last node do no harm, as in LFSPTH files.
  Bytes longer = file;
  longer.push_back(0x5A);
  EXPECT_EQ(Parse(longer, path.get()), PathFileResult::kLoaded);
}

TEST(SrPathFile, ListsLongerThan1500AreCutAndTheNextListStillFound) {
  // The main path is cut as LFSPTH always cut it, its finish node kept as read; the pit lanes
  // lie behind all 1600 main nodes.
  const Bytes file = File(1600, 1501, 2, 1550);
  auto path = std::make_unique<TrackPath>("BL1");
  ASSERT_EQ(Parse(file, path.get()), PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 1500u);
  EXPECT_EQ(path->finishNode, 1550u);
  EXPECT_EQ(path->node(1499).centreX, NodeX(0, 1499));
  ASSERT_EQ(path->pitLanes[0].nodeCount, 1500u);
  ExpectNodes(path->pitLanes[0].nodes, 1500, 1, file, 56 + 1600 * 44);
  ASSERT_EQ(path->pitLanes[1].nodeCount, 2u);
  ExpectNodes(path->pitLanes[1].nodes, 2, 2, file, 56 + 3101 * 44);
}

TEST(SrPathFile, DamagedUnknownAndHostileFilesAreNotUsed) {
  const Bytes good = File(3, 2, 1, 2);
  std::vector<std::pair<Bytes, PathFileResult>> cases;
  // Cut at every length: inside the magic it is no known format, after it a short file.
  for (std::size_t n = 0; n < good.size(); ++n) {
    cases.emplace_back(Bytes(good.begin(), good.begin() + static_cast<long>(n)),
                       n < 6 ? PathFileResult::kWrongMagic : PathFileResult::kTruncated);
  }
  const auto header = [&](std::uint16_t m, std::uint16_t p0, std::uint16_t p1, std::uint32_t f) {
    Bytes b = good;
    const Bytes h = Header(m, p0, p1, f);
    std::copy(h.begin(), h.end(), b.begin());
    return b;
  };
  // Counts that reach past the end of the file.
  cases.emplace_back(header(4, 2, 1, 2), PathFileResult::kTruncated);
  cases.emplace_back(header(3, 2, 2, 2), PathFileResult::kTruncated);
  cases.emplace_back(header(3, 65535, 65535, 2), PathFileResult::kTruncated);
  cases.emplace_back(header(65535, 0, 0, 2), PathFileResult::kTruncated);
  // A finish node that is not a main node (a pit lane node is not one either).
  cases.emplace_back(header(3, 2, 1, 3), PathFileResult::kFinishOutOfRange);
  cases.emplace_back(header(3, 2, 1, 0xFFFFFFFF), PathFileResult::kFinishOutOfRange);
  cases.emplace_back(File(0, 2, 0, 0), PathFileResult::kFinishOutOfRange);
  // Versions and revisions beyond those known.
  const struct {
    std::uint8_t version, revision, mini;
    PathFileResult result;
  } revisions[] = {{1, 252, 9, PathFileResult::kUnknownRevision},
                   {0, 253, 0, PathFileResult::kUnknownRevision},
                   {0, 255, 0, PathFileResult::kUnknownRevision},
                   {0, 0, 10, PathFileResult::kUnknownRevision},
                   {0, 0, 0, PathFileResult::kLoaded},
                   {0, 252, 9, PathFileResult::kLoaded}};
  for (const auto& r : revisions) {
    Bytes b = good;
    b[6] = r.version;
    b[7] = r.revision;
    b[12] = r.mini;
    cases.emplace_back(b, r.result);
  }
  Bytes lower = good;
  lower[1] = 'r';
  cases.emplace_back(lower, PathFileResult::kWrongMagic);

  auto path = std::make_unique<TrackPath>("AS1");
  for (const auto& [file, result] : cases) {
    SCOPED_TRACE(testing::Message() << file.size() << " bytes");
    ASSERT_EQ(Parse(good, path.get()), PathFileResult::kLoaded);  // something to clear
    EXPECT_EQ(Parse(file, path.get()), result);
    if (result == PathFileResult::kLoaded) continue;
    EXPECT_EQ(path->nodeCount, 0u);
    EXPECT_EQ(path->finishNode, 0u);
    EXPECT_EQ(path->pitLanes[0].nodeCount, 0u);
    EXPECT_EQ(path->pitLanes[1].nodeCount, 0u);
  }
}

}  // namespace
}  // namespace director
