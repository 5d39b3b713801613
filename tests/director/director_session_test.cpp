// The director as the InSim session runs it: car position packets of a close battle go through
// the director core's handlers, and the update step sends the camera packets.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "director/app/director_core.h"
#include "director/insim/session.h"
#include "link/message_queue.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "race_test_support.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

using test::Bytes;

TEST(DirectorSession, CameraPacketsFollowABattleCutGlideAndGoOnBoard) {
  plat::TempDir dir;
  auto put = [&](const std::string& relative, const std::string& bytes) {
    ASSERT_TRUE(plat::PutFile(dir / plat::NativePath(relative), bytes));
  };
  for (const char* d : {"prog", "prog\\pth", "prog\\cam", "prog\\views", "prog\\views\\set", "sim",
                        "sim\\data", "sim\\data\\views"}) {
    plat::MakeDirectory(dir / plat::NativePath(d));
  }
  const std::vector<test::NodeCentre> centres = test::CircleCentres(600);
  put("prog\\pth\\BL1.pth", test::PathFile(600, 0, centres));
  // Twelve cameras 20 m outside the track, each covering 50 nodes.
  std::string cam;
  std::vector<std::int32_t> cameraX;
  for (int k = 0; k < 12; ++k) {
    const test::NodeCentre c = centres[50 * k + 25];
    char line[64];
    std::snprintf(line, sizeof line, " %08X, %08X, %08X,%4d,%4d\r\n",
                  static_cast<unsigned>(c.x / 25 * 26), static_cast<unsigned>(c.y / 25 * 26), 0u,
                  50 * k, 50 * k + 49);
    cam += line;
    cameraX.push_back(c.x / 25 * 26);
  }
  put("prog\\cam\\BL1.cam", cam);
  put("prog\\Morvane.cfg", "[default]\nPath2LFS=" + dir.path() + plat::kPathSep + "sim\n");
  put("prog\\views\\cvw.ini", "[SourceFolder]\n0.6B=set\n");
  put("prog\\views\\set\\XRT_rear.cvw", "rear view");

  Settings settings;
  plat::ManualClock clock(1000);
  glink::MessageQueue toGui, toDirector;
  const std::string program = dir / "prog" + plat::kPathSep;
  auto core = std::make_unique<DirectorCore>(settings, clock, toGui, toDirector, program);
  InsimThread session(settings, clock, toGui, *core);
  test::Capture capture;
  InsimLink link;
  link.sink = &capture;
  link.clock = &clock;
  link.simVersion = "0.6B";

  core->OnThreadStart();
  core->OnGreeted(link);
  const Bytes sta = test::Sta(ISS_GAME | ISS_SHIFTU_NO_OPT | ISS_SHOW_2D, "BL1", 1.0f, 1, 5);
  core->OnState(link, ReadStateReport(sta.data(), link.version));
  ASSERT_EQ(core->CameraCount(), 12);
  for (std::uint8_t plid : {1, 2, 3}) core->OnNewPlayerV4(DecodeNewPlayer(test::Npl(plid, "Driver", "XRT").data()));

  // Car 1 leads car 2 by 2 nodes; car 3 runs alone 200 nodes behind. Ten nodes per set.
  const auto car = [&](std::uint8_t plid, int node, std::uint8_t info) {
    test::Car c;
    c.node = static_cast<std::uint16_t>((node + 600) % 600);
    c.lap = static_cast<std::uint16_t>((node + 600) / 600);
    c.plid = plid;
    c.info = info;
    c.x = centres[c.node].x;
    c.y = centres[c.node].y;
    return c;
  };
  std::vector<CameraPositionRecord> sent;  // the camera packets as they went out
  const auto positions = [&](int n) {
    const Bytes mci = test::Mci({car(3, n - 200, 0), car(2, n, 0), car(1, n + 2, 0x80)});
    ASSERT_TRUE(core->OnCarPositions(DecodeCarPositions(kInsimV4, mci.data())));
    capture.Clear();
    session.UpdateStep(link);
    clock.Advance(200);
    for (const Bytes& p : capture.Packets()) {
      if (p.size() != 32 || p[1] != ISP_CPP) continue;
      CameraPositionRecord c;
      c.x = plat::GetI32(&p[4]);
      c.viewPlid = p[22];
      c.inGameCam = p[23];
      c.fov = std::bit_cast<float>(plat::GetU32(&p[24]));
      c.time = plat::GetU16(&p[28]);
      c.flags = plat::GetU16(&p[30]);
      sent.push_back(c);
    }
  };

  // Inactive, the director decides but shows nothing; with nothing live every set counts as a
  // cut, yet no custom view is copied over the user's files.
  ::testing::internal::CaptureStdout();
  for (int n = 105; n < 205; n += 10) positions(n);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(sent.empty());
  EXPECT_FALSE(plat::FileExists(dir / plat::NativePath("sim\\data\\views\\XRT.cvw")));

  core->control.directorActive = 1;
  core->director.followedCar = -1;  // as the activation does
  ::testing::internal::CaptureStdout();
  for (int set = 0; set < 31; ++set) {
    positions(205 + 10 * set);
    ASSERT_EQ(sent.size(), static_cast<std::size_t>(set + 1));
  }
  const std::string printed = ::testing::internal::GetCapturedStdout();

  // The leader of the battle is followed from the camera covering him: a cut (time 0) whenever
  // he enters another camera's stretch, a glide (1500 ms) otherwise.
  for (int set = 0; set < 30; ++set) {
    const int node = 207 + 10 * set;
    SCOPED_TRACE(node);
    const CameraPositionRecord& p = sent[set];
    EXPECT_EQ(p.inGameCam, 2);
    EXPECT_EQ(p.flags, 8);
    EXPECT_EQ(p.viewPlid, 0);
    EXPECT_EQ(p.x, cameraX[node / 50]);
    EXPECT_EQ(p.time, node % 50 < 10 ? 0 : 1500);
    EXPECT_GE(p.fov, 10.0f);
  }
  // The sixth cut on the same car (node 507): car 2 is 2 nodes behind, so the rear view of his
  // car model is installed and the leader is shown on board.
  const CameraPositionRecord& onboard = sent[30];
  EXPECT_EQ(onboard.inGameCam, 4);
  EXPECT_EQ(onboard.viewPlid, 1);
  EXPECT_EQ(onboard.fov, 1.0f);
  EXPECT_EQ(onboard.time, 0);
  EXPECT_EQ(onboard.flags, 0);
  EXPECT_NE(printed.find("P=-1108, N=2\n"), std::string::npos) << printed;
  EXPECT_EQ(plat::GetFile(dir / plat::NativePath("sim\\data\\views\\XRT.cvw")), "rear view");
}

}  // namespace
}  // namespace director
