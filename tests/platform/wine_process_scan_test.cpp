// Discovery of a simulator run under Wine, against a made-up /proc tree and Wine prefix.
#ifndef _WIN32

#include "platform/wine_process_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/sim_discovery.h"
#include "temp_dir.h"

namespace plat {
namespace {

namespace fs = std::filesystem;

class WineScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(t_.ok());
    root_ = fs::canonical(t_.path()).string();
    proc_ = root_ + "/proc";
    fs::create_directories(proc_);
    MakePrefix(root_ + "/pfx");
    fs::create_directories(root_ + "/pfx/drive_c/games/live for speed");
  }

  // A Wine prefix whose drive c: is its drive_c folder, as Wine lays it out.
  void MakePrefix(const std::string& prefix) {
    fs::create_directories(prefix + "/drive_c");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
  }

  void Process(int pid, const std::string& cmdline, const std::string& environ = "",
               const std::string& cwd = "") {
    const std::string dir = proc_ + "/" + std::to_string(pid);
    fs::create_directories(dir);
    ASSERT_TRUE(PutFile(dir + "/cmdline", cmdline));
    if (!environ.empty()) {
      ASSERT_TRUE(PutFile(dir + "/environ", environ));
    }
    if (!cwd.empty()) fs::create_directory_symlink(cwd, dir + "/cwd");
  }

  std::string Find(const std::string& fallback = "") {
    std::string dir = "<none>";
    if (!FindWineProgramDirectory(proc_, fallback, "LFS.exe", &dir)) return "<none>";
    return dir;
  }

  std::string Env(const std::string& prefix) {
    return std::string("HOME=/nowhere\0WINEPREFIX=", 25) + prefix + std::string("\0", 1);
  }

  TempDir t_;
  std::string root_, proc_;
};

TEST_F(WineScanTest, SkipsOtherProcessesAndTakesTheLowestMatchingId) {
  std::string none;
  EXPECT_FALSE(FindWineProgramDirectory(root_ + "/noproc", "", "LFS.exe", &none));
  EXPECT_EQ(Find(), "<none>");
  fs::create_directories(proc_ + "/self");
  fs::create_directories(proc_ + "/77");  // no cmdline: gone or not ours
  Process(5, std::string("/bin/bash\0-c\0LFS.exe\0", 21));
  Process(6, std::string("C:\\windows\\explorer.exe\0", 24), Env(root_ + "/pfx"));
  Process(7, std::string("C:\\Games\\NotLFS.exe\0", 20), Env(root_ + "/pfx"));
  Process(8, std::string("C:\\Games\\LFS.exe.bak\0", 21), Env(root_ + "/pfx"));
  Process(9, std::string("C:\\Missing\\LFS.exe\0", 19), Env(root_ + "/pfx"));
  fs::create_directories(root_ + "/pfx/drive_c/second");
  fs::create_directories(root_ + "/pfx/drive_c/first");
  Process(100, std::string("C:\\second\\lfs.EXE\0", 18), Env(root_ + "/pfx"));
  Process(20, std::string("c:/FIRST/LFS.exe\0", 17), Env(root_ + "/pfx"));
  EXPECT_EQ(Find(), root_ + "/pfx/drive_c/first/") << "20 comes before 100";
}

TEST_F(WineScanTest, PrefixFromHomeOrTheFallback) {
  MakePrefix(root_ + "/home/.wine");
  fs::create_directories(root_ + "/home/.wine/drive_c/LFS");
  Process(10, std::string("C:\\LFS\\LFS.exe\0", 15), "HOME=" + root_ + "/home" + '\0');
  EXPECT_EQ(Find(), root_ + "/home/.wine/drive_c/LFS/");

  fs::remove_all(proc_ + "/10");
  Process(11, std::string("C:\\LFS\\LFS.exe\0", 15));  // environment not readable
  EXPECT_EQ(Find(), "<none>");
  EXPECT_EQ(Find(root_ + "/home/.wine"), root_ + "/home/.wine/drive_c/LFS/");
}

TEST_F(WineScanTest, StartedByNameFromItsOwnDirectoryOrByUnixPath) {
  const std::string dir = root_ + "/pfx/drive_c/games/live for speed";
  Process(30, std::string("wine\0LFS.exe\0", 13), Env(root_ + "/pfx"), dir);
  EXPECT_EQ(Find(), dir + "/");

  fs::remove_all(proc_ + "/30");
  Process(31, std::string("/usr/bin/wine64\0", 16) + dir + "/LFS.exe" + '\0');
  EXPECT_EQ(Find(), dir + "/");

  fs::remove_all(proc_ + "/31");
  // An NT path, mapped through the prefix without regard to case.
  Process(32, std::string("\\??\\C:\\Games\\Live For Speed\\LFS.exe\0-arg\0\0", 42),
          Env(root_ + "/pfx"));
  EXPECT_EQ(Find(), dir + "/");
}

}  // namespace
}  // namespace plat

#endif  // !_WIN32
