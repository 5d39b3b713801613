#include "director/engine/custom_views.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "director/engine/sim_version.h"
#include "platform/files.h"
#include "tests/platform/temp_dir.h"

namespace director {
namespace {

// A program directory with "views\" and a simulator directory with "data\views\" and
// "data\misc\" in a fresh temporary directory.
struct ViewsRig {
  ViewsRig() {
    for (const char* d : {"prog", "prog\\views", "prog\\views\\set", "sim", "sim\\data",
                          "sim\\data\\views", "sim\\data\\misc"}) {
      plat::MakeDirectory(Path(d));
    }
    program = Path("prog") + plat::kPathSep;
    sim = Path("sim") + plat::kPathSep;
    Put("prog\\views\\cvw.ini", "[SourceFolder]\r\n0.5Z=set\r\n");
    for (const char* kind : {"_incar", "_front", "_rear"}) {
      Put(std::string("prog\\views\\set\\XFG") + kind + ".cvw", kind);
    }
    Car(3, "XFG");
    views.SetSimVersion("0.5Z");
  }
  void Car(std::uint8_t plid, const char* code) {
    std::snprintf(players[plid].carName, sizeof players[plid].carName, "%s", code);
  }
  std::string Path(const std::string& relative) { return dir / plat::NativePath(relative); }
  void Put(const std::string& relative, const std::string& bytes) {
    ASSERT_TRUE(plat::PutFile(Path(relative), bytes));
  }
  std::string Get(const std::string& relative) { return plat::GetFile(Path(relative)); }
  // What installCustomView returned ("" for success) and what it wrote to standard output.
  std::string Install(std::uint8_t kind, std::uint8_t plid, std::string* out = nullptr) {
    ::testing::internal::CaptureStdout();
    const char* result = views.installCustomView(kind, plid);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    if (out != nullptr) *out = printed;
    return result == nullptr ? "" : result;
  }

  plat::TempDir dir;
  std::string program, sim;
  PlayerTable players;
  CustomViews views{players, program, sim};
};

class CustomViewsTest : public ::testing::Test, public ViewsRig {};

TEST_F(CustomViewsTest, CopiesTheViewOfEachKindOverTheSimulatorsFileOncePerChange) {
  std::string out;
  EXPECT_EQ(Install(kViewFront, 3, &out), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_front");
  EXPECT_EQ(out, "\n *** " + Path("prog\\views\\set\\XFG_front.cvw") + " ==> " +
                     Path("sim\\data\\views\\XFG.cvw") + "\n");

  // The same view for the same car is not copied again, not even after the file changed.
  Put("sim\\data\\views\\XFG.cvw", "user");
  EXPECT_EQ(Install(kViewFront, 3, &out), "");
  EXPECT_EQ(out, "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "user");

  // Another kind (any kind but 64, 128 and 255 is a rear view), or a reset, copies again.
  EXPECT_EQ(Install(kViewRear, 3), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_rear");
  Put("sim\\data\\views\\XFG.cvw", "user");
  EXPECT_EQ(Install(7, 3), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_rear");
  Put("sim\\data\\views\\XFG.cvw", "user");
  EXPECT_EQ(Install(kViewReset, 0), "");
  EXPECT_EQ(Install(7, 3), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_rear");

  // A failure is remembered too, until the car changes.
  Car(4, "FZR");
  EXPECT_EQ(Install(kViewInCar, 4), kViewFileNotFoundText);
  Put("prog\\views\\set\\FZR_incar.cvw", "fzr");
  EXPECT_EQ(Install(kViewInCar, 4), kViewFileNotFoundText);
  EXPECT_EQ(Install(kViewInCar, 3), "");
  EXPECT_EQ(Install(kViewInCar, 4), "");
  EXPECT_EQ(Get("sim\\data\\views\\FZR.cvw"), "fzr");
}

TEST_F(CustomViewsTest, AVersionWithoutAFolderIsLookedUpWithoutItsTrailingDigits) {
  views.SetSimVersion("0.5Z28");
  std::string out;
  EXPECT_EQ(Install(kViewInCar, 3, &out), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_incar");
  EXPECT_EQ(out, "LFSversion = 0.5Z28==> 0.5Z\n\n *** " + Path("prog\\views\\set\\XFG_incar.cvw") +
                     " ==> " + Path("sim\\data\\views\\XFG.cvw") + "\n");

  views.SetSimVersion("0.6B12");
  EXPECT_EQ(Install(kViewReset, 0), "");
  EXPECT_EQ(Install(kViewInCar, 3, &out), kNoViewFolderText);
  EXPECT_EQ(out, "LFSversion = 0.6B12==> 0.6B\n");
}

TEST_F(CustomViewsTest, ASwappedSideDriverFallsBackToTheOrdinaryInCarView) {
  players[3].playerFlags = 1;
  EXPECT_EQ(Install(kViewInCar, 3), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_incar");
  Put("prog\\views\\set\\XFG_incarL.cvw", "left");
  players[3].playerFlags = 0x41;  // other flags do not matter, only the side
  EXPECT_EQ(Install(kViewReset, 0), "");
  EXPECT_EQ(Install(kViewInCar, 3), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "left");
  // Only the in-car view has a swapped-side file.
  EXPECT_EQ(Install(kViewFront, 3), "");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_front");
}

TEST_F(CustomViewsTest, BackupAndRestoreBracketTheInstalledViewsOfNewerSimulators) {
  Put("sim\\data\\views\\XFG.cvw", "user xfg");
  Put("sim\\data\\views\\FZR.cvw", "user fzr");
  Put("sim\\data\\views\\ABC.cvw", "not a standard car");
  // Before 0.5V the simulator reads its views from "data\misc\": only the backup directory is made.
  views.SetSimVersion("0.5P");
  Put("prog\\views\\cvw.ini", "[SourceFolder]\r\n0.5P=set\r\n0.5Z=set\r\n");
  views.backupViews();
  EXPECT_TRUE(plat::DirectoryExists(Path("sim\\data\\views.mrv.bak")));
  EXPECT_FALSE(plat::FileExists(Path("sim\\data\\views.mrv.bak\\XFG.cvw")));
  EXPECT_EQ(Install(kViewRear, 3), "");
  EXPECT_EQ(Get("sim\\data\\misc\\XFG.cvw"), "_rear");
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "user xfg");

  views.SetSimVersion("0.5Z");
  views.backupViews();
  views.backupViews();  // an existing backup directory is fine
  EXPECT_EQ(Get("sim\\data\\views.mrv.bak\\XFG.cvw"), "user xfg");
  EXPECT_EQ(Get("sim\\data\\views.mrv.bak\\FZR.cvw"), "user fzr");
  EXPECT_FALSE(plat::FileExists(Path("sim\\data\\views.mrv.bak\\ABC.cvw")));
  EXPECT_EQ(Install(kViewFront, 3), "");
  Put("sim\\data\\views\\FZR.cvw", "changed");
  views.SetSimVersion("0.5P");
  views.restoreViews();  // not before 0.5V
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "_front");
  views.SetSimVersion("0.5Z");
  views.restoreViews();
  EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), "user xfg");
  EXPECT_EQ(Get("sim\\data\\views\\FZR.cvw"), "user fzr");
}

// The 0.8 simulators: "0.8B" has a key of its own or finds the release line's key "0.8", a patch
// release "0.8B24" finds "0.8B" by the stripped digits first; both read from "data\views\" and
// are backed up (they sort after 0.5V as versions, patch and all).
TEST_F(CustomViewsTest, TodaysSimulatorsFindTheirFolderAndUseTheViewsDirectory) {
  plat::MakeDirectory(Path("prog\\views\\line"));
  Put("prog\\views\\line\\XFG_front.cvw", "line");
  Put("prog\\views\\cvw.ini", "[SourceFolder]\r\n0.8B=set\r\n0.8=line\r\n");
  const struct {
    const char* version;
    const char* printed;  // before the copy line
    const char* copied;
  } cases[] = {
      {"0.8B", "", "_front"},
      {"0.8B24", "LFSversion = 0.8B24==> 0.8B\n", "_front"},
      {"0.8C", "LFSversion = 0.8C==> 0.8C\n", "line"},
      {"0.8C3", "LFSversion = 0.8C3==> 0.8C\n", "line"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    views.SetSimVersion(c.version);
    EXPECT_EQ(Install(kViewReset, 0), "");
    std::string out;
    EXPECT_EQ(Install(kViewFront, 3, &out), "");
    EXPECT_EQ(out.substr(0, out.find("\n *** ")), c.printed);
    EXPECT_EQ(Get("sim\\data\\views\\XFG.cvw"), c.copied);
  }
  // Another release line has no folder.
  views.SetSimVersion("0.9A");
  EXPECT_EQ(Install(kViewReset, 0), "");
  EXPECT_EQ(Install(kViewFront, 3), kNoViewFolderText);

  Put("sim\\data\\views\\XFG.cvw", "user xfg");
  views.SetSimVersion("0.8B24");
  views.backupViews();
  EXPECT_EQ(Get("sim\\data\\views.mrv.bak\\XFG.cvw"), "user xfg");
}

// Version 3's player packet carries no car name: the files are named by their suffix alone.
TEST_F(CustomViewsTest, AnEmptyCarCodeNamesTheFilesByTheirSuffixAlone) {
  Car(3, "");
  Put("prog\\views\\set\\_incar.cvw", "any car");
  std::string out;
  EXPECT_EQ(Install(kViewInCar, 3, &out), "");
  EXPECT_EQ(Get("sim\\data\\views\\.cvw"), "any car");
  EXPECT_EQ(out, "\n *** " + Path("prog\\views\\set\\_incar.cvw") + " ==> " +
                     Path("sim\\data\\views\\.cvw") + "\n");
  // Without such a file it is refused like any other missing one.
  EXPECT_EQ(Install(kViewFront, 3), kViewFileNotFoundText);
}

TEST(SimVersions, CompareAsVersionsWithPatchNumbers) {
  const struct {
    const char* a;
    const char* b;
    int order;
  } cases[] = {
      {"0.8B", "0.5V", 1},    {"0.8B24", "0.5V", 1},   {"0.5P", "0.5V", -1},
      {"0.5V", "0.5V", 0},    {"0.5Z28", "0.5V", 1},   {"0.8B24", "0.8B", 1},
      {"0.8B24", "0.8C", -1}, {"0.8B3", "0.8B24", -1}, {"0.10A", "0.9Z", 1},
      {"1.0A", "0.8B", 1},    {"0.6", "0.6A", -1},     {"", "0.5V", -1},
      {"S2 test", "0.5V", 1},  // not a version: byte by byte
  };
  for (const auto& c : cases) {
    const int got = CompareSimVersions(c.a, c.b);
    EXPECT_EQ((got > 0) - (got < 0), c.order) << c.a << " " << c.b;
  }
  char line[9];
  SimReleaseLine("0.8B24", line, sizeof line);
  EXPECT_STREQ(line, "0.8");
  SimReleaseLine("0.10A", line, sizeof line);
  EXPECT_STREQ(line, "0.10");
  SimReleaseLine("S2", line, sizeof line);
  EXPECT_STREQ(line, "");
}

TEST(CustomViewFailures, HaveTheirMessages) {
  const struct {
    const char* what;
    void (*prepare)(ViewsRig&);
    const char* message;
  } cases[] = {
      {"no folder for the version",
       [](ViewsRig& t) { t.Put("prog\\views\\cvw.ini", "[SourceFolder]\n0.5Y=set\n"); },
       kNoViewFolderText},
      {"no configuration file",
       [](ViewsRig& t) { plat::RemoveFile(t.Path("prog\\views\\cvw.ini")); }, kNoViewFolderText},
      {"no source file", [](ViewsRig& t) { t.Car(3, "FOX"); }, kViewFileNotFoundText},
      {"a car code that could leave the folder",
       [](ViewsRig& t) {
         t.Car(3, "../X");
         t.Put("prog\\views\\X_front.cvw", "outside the set");
       },
       kViewFileNotFoundText},
      {"a car code with a separator",
       [](ViewsRig& t) {
         t.Car(3, "X/Y");
         plat::MakeDirectory(t.Path("prog\\views\\set\\X"));
         t.Put("prog\\views\\set\\X\\Y_front.cvw", "below the set");
       },
       kViewFileNotFoundText},
      {"no source folder",
       [](ViewsRig& t) { t.Put("prog\\views\\cvw.ini", "[SourceFolder]\n0.5Z=gone\n"); },
       kViewPathNotFoundText},
      {"no target directory", [](ViewsRig& t) { t.sim = t.Path("nosim") + plat::kPathSep; },
       kViewPathNotFoundText},
      {"simulator directory unknown", [](ViewsRig& t) { t.sim.clear(); }, kViewPathNotFoundText},
      {"the target is a directory",
       [](ViewsRig& t) { plat::MakeDirectory(t.Path("sim\\data\\views\\XFG.cvw")); },
       kViewCopyFailedText},
  };
  for (const auto& c : cases) {
    ViewsRig t;
    c.prepare(t);
    EXPECT_EQ(t.Install(kViewFront, 3), c.message) << c.what;
  }
}

}  // namespace
}  // namespace director
