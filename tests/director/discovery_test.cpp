#include "director/insim/discovery.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

int gFinderCalls = 0;
std::string gFound;

bool FakeFinder(std::string* dir) {
  ++gFinderCalls;
  if (gFound.empty()) return false;
  *dir = gFound;
  return true;
}

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.ok());
    program = dir.path() + plat::kPathSep;
    gFinderCalls = 0;
    gFound.clear();
  }
  void Config(const std::string& text) { ASSERT_TRUE(plat::PutFile(dir / "Morvane.cfg", text)); }
  SimulatorConfig Discover() {
    SimulatorConfig c;
    c.simulatorDirectory = "stale";
    DiscoverSimulator(program, &c, &FakeFinder);
    return c;
  }

  plat::TempDir dir;
  std::string program;
};

TEST_F(DiscoveryTest, ConfiguredPathGetsExactlyOneTrailingSeparator) {
  const std::string sep(1, plat::kPathSep);
  Config("[default]\nPath2LFS=" + dir.path() + sep + "Sim\n");
  EXPECT_EQ(Discover().simulatorDirectory, dir.path() + sep + "Sim" + sep);
  Config("[default]\nPath2LFS=" + dir.path() + sep + "Sim" + sep + "\n");
  EXPECT_EQ(Discover().simulatorDirectory, dir.path() + sep + "Sim" + sep);
  EXPECT_EQ(gFinderCalls, 0);  // a configured path is not searched

  // At the length limit the separator still fits: the value is cut to make room for it.
  const std::string longPath(300, 'a');
  Config("[default]\nPath2LFS=" + longPath + "\n");
  const std::string got = Discover().simulatorDirectory;
  EXPECT_EQ(got.size(), kMaxSimulatorDirectory);
  EXPECT_EQ(got, std::string(258, 'a') + sep);
}

TEST_F(DiscoveryTest, WithoutAPathTheRunningSimulatorIsSearched) {
  const std::string sep(1, plat::kPathSep);
  gFound = "/games/lfs" + sep;
  EXPECT_EQ(Discover().simulatorDirectory, "/games/lfs" + sep);
  EXPECT_EQ(gFinderCalls, 1);
  Config("[default]\nPath2LFS=\n");
  gFound.clear();
  EXPECT_EQ(Discover().simulatorDirectory, "");  // nothing found: empty, not stale
  EXPECT_EQ(gFinderCalls, 2);
}

TEST_F(DiscoveryTest, DelayAndColourAreReadOnEveryAttempt) {
  SimulatorConfig none = Discover();  // no file at all: the defaults
  EXPECT_EQ(none.activationDelay, 200u);
  EXPECT_EQ(none.overlayColour, 6);

  Config("[default]\r\nPath2LFS=C\r\n[Activate]\r\nDelay=500\r\n[Output]\r\nColorT=7\r\n");
  SimulatorConfig c = Discover();
  EXPECT_EQ(c.activationDelay, 500u);  // also with the path set
  EXPECT_EQ(c.overlayColour, 7);

  Config("[Activate]\nDelay=0\n[Output]\nColorT=9\n");
  c = Discover();
  EXPECT_EQ(c.activationDelay, 0u);
  EXPECT_EQ(c.overlayColour, 6);
  Config("[Output]\nColorT=-1\n");
  c = Discover();
  EXPECT_EQ(c.overlayColour, 6);  // above 7 as an unsigned number
  EXPECT_EQ(c.activationDelay, 200u);
}

}  // namespace
}  // namespace director
