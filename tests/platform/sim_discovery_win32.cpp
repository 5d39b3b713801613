// Discovery through the window title, with a window of our own in the simulator's name: its
// process is this test program, so the directory found is the program's own.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/sim_discovery.h"

namespace plat {
namespace {

TEST(SimDiscovery, FindsTheProgramBehindTheWindowTitle) {
  std::string dir = "unchanged";
  // Another test run may hold such a window; only a clean start can expect nothing.
  if (FindWindowA(nullptr, "Live for Speed") == nullptr) {
    EXPECT_FALSE(FindRunningSimulator(&dir));
  }
  HWND w = CreateWindowExA(0, "STATIC", "Live for Speed", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  if (w == nullptr) GTEST_SKIP() << "no window system here";
  dir.clear();
  EXPECT_TRUE(FindRunningSimulator(&dir));
  EXPECT_EQ(dir, ProgramDirectory());
  DestroyWindow(w);
}

}  // namespace
}  // namespace plat

#endif  // _WIN32
