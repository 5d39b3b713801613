#include "director/engine/track_path.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <random>

#include "link/link_core.h"
#include "platform/files.h"
#include "race_test_support.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

using test::CircleCentres;
using test::NodeCentre;
using test::PathFile;

std::unique_ptr<TrackPath> Parse(const std::string& file, PathFileResult* result) {
  auto path = std::make_unique<TrackPath>("BL1");
  *result =
      ParsePathFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), path.get());
  return path;
}

std::uint32_t GetCount(const std::string& file) {
  const std::uint32_t n = glink::GetU32(reinterpret_cast<const std::uint8_t*>(file.data()) + 8);
  return n > 1500 ? 1500 : n;
}

TEST(TrackPathFile, ReadsNodesWholeAndCutsAt1500) {
  std::vector<NodeCentre> centres = CircleCentres(2000);
  centres[3] = {-65536, INT32_MIN};
  PathFileResult result;
  auto path = Parse(PathFile(2000, 1777, centres), &result);
  EXPECT_EQ(result, PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 1500u);
  EXPECT_EQ(path->finishNode, 1777u);  // kept as read
  EXPECT_EQ(path->node(3).centreX, -65536);
  EXPECT_EQ(path->node(3).centreY, INT32_MIN);
  EXPECT_EQ(path->node(1499).centreZ, 1499 * 3);
  // The record is kept byte for byte for the GUI client.
  const std::string file = PathFile(2000, 1777, centres);
  EXPECT_EQ(0, std::memcmp(path->node(1499).bytes, file.data() + 16 + 40 * 1499, 40));
}

TEST(TrackPathFile, WrongVersionsAndShortFilesAreNotUsed) {
  const std::vector<NodeCentre> ten = CircleCentres(10);
  PathFileResult result;
  EXPECT_EQ(Parse(PathFile(10, 2, ten, 1, 0), &result)->nodeCount, 0u);
  EXPECT_EQ(result, PathFileResult::kWrongMagic);
  Parse(PathFile(10, 2, ten, 0, 1), &result);
  EXPECT_EQ(result, PathFileResult::kWrongMagic);
  std::string lower = PathFile(10, 2, ten);
  lower[0] = 'l';
  Parse(lower, &result);
  EXPECT_EQ(result, PathFileResult::kWrongMagic);
  Parse("LFSPT", &result);
  EXPECT_EQ(result, PathFileResult::kWrongMagic);
  Parse("", &result);
  EXPECT_EQ(result, PathFileResult::kWrongMagic);

  // Ends inside the header, or inside the nodes it announces: nothing is taken.
  const std::string whole = PathFile(10, 2, ten);
  auto path = Parse(whole.substr(0, 12), &result);
  EXPECT_EQ(result, PathFileResult::kTruncated);
  path = Parse(whole.substr(0, whole.size() - 1), &result);
  EXPECT_EQ(result, PathFileResult::kTruncated);
  EXPECT_EQ(path->nodeCount, 0u);
  EXPECT_EQ(path->finishNode, 0u);
  // A count of 4000000000 is cut to 1500 before anything is read.
  Parse(PathFile(4000000000u, 2, ten), &result);
  EXPECT_EQ(result, PathFileResult::kTruncated);
  // Extra bytes behind the announced nodes do no harm.
  path = Parse(whole + "tail", &result);
  EXPECT_EQ(result, PathFileResult::kLoaded);
  EXPECT_EQ(path->nodeCount, 10u);
}

TEST(TrackPathFile, DamagedFilesNeverYieldPartialNodes) {
  const std::string whole = PathFile(40, 3, CircleCentres(40));
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string file = whole.substr(0, random() % (whole.size() + 1));
    for (int k = random() % 4; k > 0 && !file.empty(); --k) {
      file[random() % file.size()] = static_cast<char>(random());
    }
    PathFileResult result;
    auto path = Parse(file, &result);
    const std::uint32_t count = result == PathFileResult::kLoaded ? GetCount(file) : 0;
    ASSERT_EQ(path->nodeCount, count);
    if (result == PathFileResult::kLoaded) {
      ASSERT_GE(file.size(), 16u + 40u * count);
    }
  }
}

TEST(TrackPathGeometry, NearestNodeTakesTheLowerIndexOnTies) {
  auto track = test::MakeTrack({{0, 0}, {100, 0}, {200, 0}, {100, 0}, {300, 300}});
  EXPECT_EQ(track->nearestNode(150, 0), 1);  // 1 and 2 both 50 away
  EXPECT_EQ(track->nearestNode(100, 7), 1);  // 1 and 3 are the same point
  EXPECT_EQ(track->nearestNode(290, 310), 4);
  EXPECT_EQ(track->nearestNode(-5, -5), 0);
  // Distances are truncated to whole units before they are compared: 50.80 and 50.16 tie.
  auto cut = test::MakeTrack({{50, 9}, {50, 4}});
  EXPECT_EQ(cut->nearestNode(0, 0), 0);
  EXPECT_EQ(cut->nearestNode(0, -2), 1);  // 51.2 and 50.4
  // No nodes: 0; extreme points do not overflow.
  TrackPath empty("X");
  EXPECT_EQ(empty.nearestNode(5, 5), 0);
  auto far = test::MakeTrack({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}});
  EXPECT_EQ(far->nearestNode(INT32_MAX, INT32_MAX - 10), 1);
  EXPECT_EQ(far->nearestNode(INT32_MIN, 0), 0);
}

TEST(TrackPathGeometry, TrackNamesMustStayInTheirDirectory) {
  EXPECT_TRUE(UsableTrackName("BL1"));
  EXPECT_TRUE(UsableTrackName("AS7R"));
  EXPECT_FALSE(UsableTrackName(""));
  EXPECT_FALSE(UsableTrackName("..\\x"));
  EXPECT_FALSE(UsableTrackName("../x"));
  EXPECT_FALSE(UsableTrackName("a/b"));
  EXPECT_FALSE(UsableTrackName("C:x"));
  TrackPath longName("SO4RX12345");
  EXPECT_STREQ(longName.name, "SO4RX12");
}

class TrackPathLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    sim = dir / "sim" + plat::kPathSep;
    program = dir / "prog" + plat::kPathSep;
    for (const char* d : {"sim", "sim\\data", "sim\\data\\smx", "prog", "prog\\pth", "prog\\cam"}) {
      ASSERT_TRUE(plat::MakeDirectory(dir / plat::NativePath(d)));
    }
  }
  void Put(const std::string& relative, const std::string& bytes) {
    ASSERT_TRUE(plat::PutFile(dir / plat::NativePath(relative), bytes));
  }
  std::unique_ptr<TrackPath> Load(const char* name) {
    return LoadTrackPath(name, sim, program, nullptr);
  }

  plat::TempDir dir;
  std::string sim, program;
};

TEST_F(TrackPathLoad, SimulatorFileFirstThenTheProgramsOwn) {
  Put("sim\\data\\smx\\BL1.pth", PathFile(600, 10, CircleCentres(600)));
  Put("prog\\pth\\BL1.pth", PathFile(300, 10, CircleCentres(300)));
  Put("prog\\pth\\FE2.pth", PathFile(400, 11, CircleCentres(400)));
  Put("prog\\cam\\BL1.cam", " 00000000, 00000000, 00000000,   1,   2\r\n");
  Put("prog\\cam\\FE2.cam", " 00000000, 00000000, 00000000,   1,   2\r\n 1, 1, 1, 3, 4\r\n");

  auto bl1 = Load("BL1");
  ASSERT_NE(bl1, nullptr);
  EXPECT_EQ(bl1->nodeCount, 600u);
  EXPECT_STREQ(bl1->name, "BL1");
  EXPECT_EQ(bl1->cameras.count, 1);
  EXPECT_EQ(bl1->cameras.trackPath, bl1.get());

  auto fe2 = Load("FE2");  // only next to the program
  ASSERT_NE(fe2, nullptr);
  EXPECT_EQ(fe2->nodeCount, 400u);
  EXPECT_EQ(fe2->finishNode, 11u);
  EXPECT_EQ(fe2->cameras.count, 2);

  EXPECT_EQ(Load("KY3"), nullptr);  // nowhere
}

TEST_F(TrackPathLoad, AWrongFileInTheFirstPlaceIsNotPassedOver) {
  Put("sim\\data\\smx\\BL1.pth", PathFile(600, 10, CircleCentres(600), 1));
  Put("prog\\pth\\BL1.pth", PathFile(300, 10, CircleCentres(300)));
  EXPECT_EQ(Load("BL1"), nullptr);
  // A file cut short counts as no track either.
  const std::string whole = PathFile(600, 10, CircleCentres(600));
  Put("sim\\data\\smx\\BL1.pth", whole.substr(0, 16 + 40 * 300 + 7));
  EXPECT_EQ(Load("BL1"), nullptr);
  Put("sim\\data\\smx\\BL1.pth", whole);
  EXPECT_NE(Load("BL1"), nullptr);
  // A complete file that announces no nodes is no track: there is nothing to direct by.
  const std::uint8_t noNodes[] = {'L', 'F', 'S', 'P', 'T', 'H', 0,    0,    0,
                                  0,   0,   0,   0,   0x11, 0, 0x6a, 0x90};
  Put("sim\\data\\smx\\BL1.pth", std::string(noNodes, noNodes + sizeof(noNodes)));
  Put("prog\\cam\\BL1.cam", " 00000000, 00000000, 00000000,   1,   2\r\n");
  EXPECT_EQ(Load("BL1"), nullptr);
}

}  // namespace
}  // namespace director
