#include "director/engine/track_path.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "platform/files.h"
#include "race_test_support.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

using test::CircleCentres;
using test::PathFile;

// Damaged files at random are the fuzz target's; these are the cases with a known answer.
PathFileResult Parse(const std::string& file, TrackPath* path) {
  return ParsePathFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), path);
}

TEST(TrackPathFile, ReadsNodesWholeAndCutsAt1500) {
  std::vector<test::NodeCentre> centres = CircleCentres(2000);
  centres[3] = {-65536, INT32_MIN};
  const std::string file = PathFile(2000, 1777, centres);
  TrackPath path("BL1");
  EXPECT_EQ(Parse(file, &path), PathFileResult::kLoaded);
  EXPECT_EQ(path.nodeCount, 1500u);
  EXPECT_EQ(path.finishNode, 1777u);  // kept as read
  EXPECT_EQ(path.node(3).centreX, -65536);
  EXPECT_EQ(path.node(3).centreY, INT32_MIN);
  EXPECT_EQ(path.node(1499).centreZ, 1499 * 3);
  // The record is kept byte for byte for the GUI client.
  EXPECT_EQ(0, std::memcmp(path.node(1499).bytes, file.data() + 16 + 40 * 1499, 40));
  // Extra bytes behind the announced nodes do no harm.
  EXPECT_EQ(Parse(PathFile(10, 2, CircleCentres(10)) + "tail", &path), PathFileResult::kLoaded);
  EXPECT_EQ(path.nodeCount, 10u);
}

TEST(TrackPathFile, WrongVersionsAndShortFilesAreNotUsed) {
  const std::vector<test::NodeCentre> ten = CircleCentres(10);
  const std::string whole = PathFile(10, 2, ten);
  std::string lower = whole;
  lower[0] = 'l';
  const struct {
    std::string file;
    PathFileResult result;
  } cases[] = {
      {PathFile(10, 2, ten, 1, 0), PathFileResult::kWrongMagic},
      {PathFile(10, 2, ten, 0, 1), PathFileResult::kWrongMagic},
      {lower, PathFileResult::kWrongMagic},
      {"LFSPT", PathFileResult::kWrongMagic},
      {"", PathFileResult::kWrongMagic},
      {whole.substr(0, 12), PathFileResult::kTruncated},  // inside the header
      {whole.substr(0, whole.size() - 1), PathFileResult::kTruncated},
      {PathFile(4000000000u, 2, ten), PathFileResult::kTruncated},  // cut to 1500, not there
  };
  for (const auto& c : cases) {
    TrackPath path("BL1");
    path.nodeCount = path.finishNode = 7;
    EXPECT_EQ(Parse(c.file, &path), c.result) << c.file.size();
    EXPECT_EQ(path.nodeCount, 0u);
    EXPECT_EQ(path.finishNode, 0u);
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
  EXPECT_EQ(TrackPath("X").nearestNode(5, 5), 0);
  auto far = test::MakeTrack({{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}});
  EXPECT_EQ(far->nearestNode(INT32_MAX, INT32_MAX - 10), 1);
  EXPECT_EQ(far->nearestNode(INT32_MIN, 0), 0);
}

TEST(TrackPathGeometry, TrackNamesMustStayInTheirDirectory) {
  for (const char* name : {"BL1", "AS7R"}) EXPECT_TRUE(UsableTrackName(name)) << name;
  for (const char* name : {"", "..\\x", "../x", "a/b", "C:x"}) {
    EXPECT_FALSE(UsableTrackName(name)) << name;
  }
  EXPECT_STREQ(TrackPath("SO4RX12345").name, "SO4RX12");
}

class TrackPathLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    for (const char* d : {"sim", "sim\\data", "sim\\data\\smx", "sim\\data\\pth", "prog",
                          "prog\\pth", "prog\\cam"}) {
      ASSERT_TRUE(plat::MakeDirectory(dir / plat::NativePath(d)));
    }
  }
  void Put(const std::string& relative, const std::string& bytes) {
    ASSERT_TRUE(plat::PutFile(dir / plat::NativePath(relative), bytes));
  }
  std::string Path(const char* relative) { return dir / plat::NativePath(relative); }
  std::unique_ptr<TrackPath> Load(const char* name) {
    return LoadTrackPath(name, dir / "sim" + plat::kPathSep, dir / "prog" + plat::kPathSep,
                         nullptr);
  }

  plat::TempDir dir;
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
  Put("sim\\data\\smx\\BL1.pth", PathFile(0, 0x6a, {}) + "\x90");
  Put("prog\\cam\\BL1.cam", " 00000000, 00000000, 00000000,   1,   2\r\n");
  EXPECT_EQ(Load("BL1"), nullptr);
}

// An SRPATH file of n main nodes and two pit lane nodes, finish at node 1.
std::string SrPathFile(std::uint16_t n) {
  test::Bytes b(56 + 44 * (n + 2u), 0);
  std::memcpy(b.data(), "SRPATH", 6);
  b[7] = 252;
  test::PutLE16(b, 16, n);
  test::PutLE16(b, 18, 2);
  test::PutLE32(b, 24, 1);
  for (std::size_t i = 0; i < n + 2u; ++i) test::PutLE32(b, 56 + 44 * i + 4, 65536u * i);
  return std::string(b.begin(), b.end());
}

TEST_F(TrackPathLoad, TheSimulatorsDataPthComesBetweenItsSmxAndTheProgramsOwn) {
  Put("sim\\data\\pth\\AS1.pth", SrPathFile(294));
  Put("prog\\pth\\AS1.pth", PathFile(300, 10, CircleCentres(300)));
  Put("prog\\cam\\AS1.cam", " 00000000, 00000000, 00000000,   1,   2\r\n");
  auto as1 = Load("AS1");
  ASSERT_NE(as1, nullptr);
  EXPECT_EQ(as1->nodeCount, 294u);
  EXPECT_EQ(as1->pitLanes[0].nodeCount, 2u);
  EXPECT_EQ(as1->cameras.count, 1);
  // An older file in the simulator's data\smx still comes first.
  Put("sim\\data\\smx\\AS1.pth", PathFile(600, 10, CircleCentres(600)));
  EXPECT_EQ(Load("AS1")->nodeCount, 600u);
  // A wrong file in data\pth is not passed over for the program's own.
  ASSERT_TRUE(plat::RemoveFile(Path("sim\\data\\smx\\AS1.pth")));
  std::string newer = SrPathFile(294);
  newer[7] = static_cast<char>(253);
  Put("sim\\data\\pth\\AS1.pth", newer);
  EXPECT_EQ(Load("AS1"), nullptr);
}

TEST_F(TrackPathLoad, ADiagnosticLineNamesTheFilesTriedOrWhyTheOneFoundIsNotUsed) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Load("KY3"), nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "pth file for KY3 not found: tried " + Path("sim\\data\\smx\\KY3.pth") + ", " +
                Path("sim\\data\\pth\\KY3.pth") + " and " + Path("prog\\pth\\KY3.pth") + "\n");

  const struct {
    std::string file;
    const char* why;
  } unused[] = {
      {PathFile(10, 2, CircleCentres(10), 0, 1), "not a known track path format"},
      {SrPathFile(40).substr(0, 100), "cut short"},
      {SrPathFile(40).replace(6, 1, 1, '\x01'), "an SRPATH version or revision not known here"},
      {SrPathFile(1), "its finish node is not one of its nodes"},
      {PathFile(0, 0, {}), "it has no nodes"},
  };
  for (const auto& u : unused) {
    Put("sim\\data\\pth\\KY3.pth", u.file);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(Load("KY3"), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "pth file " + Path("sim\\data\\pth\\KY3.pth") + " not used: " + u.why + "\n");
  }
  // A track that loads says nothing.
  Put("sim\\data\\pth\\KY3.pth", SrPathFile(40));
  ::testing::internal::CaptureStdout();
  EXPECT_NE(Load("KY3"), nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

}  // namespace
}  // namespace director
