#include "director/app/close_relay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <thread>

#include "director/app/console.h"
#include "director/app/host.h"
#include "platform/settings_store.h"

namespace director {
namespace {

// The dialog side as the Win32 dialog runs it: a posted close is taken on the "dialog thread",
// which runs the Close path and reports it finished.
class FakeDialogThread final : public CloseTarget {
 public:
  explicit FakeDialogThread(CloseRelay& relay) : relay_(relay) {}
  ~FakeDialogThread() override {
    if (thread_.joinable()) thread_.join();
  }
  void PostClose() override {
    ++posts;
    if (!finish) return;
    thread_ = std::thread([this] {
      if (!relay_.TakeClose()) return;
      ++closes;
      relay_.CloseFinished();
    });
  }

  bool finish = true;  // false: the dialog never gets to run the close
  std::atomic<int> posts{0};
  std::atomic<int> closes{0};

 private:
  CloseRelay& relay_;
  std::thread thread_;
};

TEST(CloseRelay, ARequestRunsTheClosePathOnceOnTheDialogsThreadAndWaitsForIt) {
  {
    CloseRelay relay;
    FakeDialogThread dialog(relay);
    relay.DialogOpened(dialog);
    EXPECT_TRUE(relay.RequestClose(5000));
    EXPECT_EQ(dialog.closes, 1);
    // Ctrl+C pressed again, then the console closed: nothing is posted or run a second time.
    EXPECT_TRUE(relay.RequestClose(5000));
    EXPECT_FALSE(relay.TakeClose());
    EXPECT_EQ(dialog.posts, 1);
  }
  {
    // Asked for before the dialog was up: posted as it opens.
    CloseRelay relay;
    FakeDialogThread dialog(relay);
    std::thread handler([&] { EXPECT_TRUE(relay.RequestClose(5000)); });
    while (!relay.RequestClose(0) && dialog.posts == 0) {
      relay.DialogOpened(dialog);
    }
    handler.join();
    EXPECT_EQ(dialog.posts, 1);
    EXPECT_EQ(dialog.closes, 1);
  }
}

TEST(CloseRelay, TheWaitIsBoundedAndEndsAtOnceOnceTheDialogHasEnded) {
  CloseRelay relay;
  FakeDialogThread dialog(relay);
  dialog.finish = false;
  relay.DialogOpened(dialog);
  EXPECT_FALSE(relay.RequestClose(20)) << "a dialog that never closes must not hold the handler";
  EXPECT_EQ(dialog.posts, 1);
  // The dialog ended by its own Close (or Cancel): nothing left to run or to wait for.
  relay.DialogEnded();
  EXPECT_TRUE(relay.RequestClose(60000));
  EXPECT_FALSE(relay.TakeClose());
  EXPECT_EQ(dialog.posts, 1);

  CloseRelay ended;
  ended.DialogEnded();
  FakeDialogThread late(ended);
  ended.DialogOpened(late);
  EXPECT_TRUE(ended.RequestClose(60000));
  EXPECT_EQ(late.posts, 0);
}

class CountingWorker final : public LinkWorker {
 public:
  bool StartWorker() override { return running = true; }
  bool StopWorker() override {
    ++stops;
    running = false;
    return true;
  }
  bool WorkerRunning() const override { return running; }
  bool running = false;
  int stops = 0;
};

// The Close path for Ctrl+C and the console's end: both threads stopped, the settings saved as
// Close saves them, no message box that nobody could answer, and the dialog ends in every case.
TEST(CloseQuietly, StopsBothThreadsSavesValidSettingsAndAlwaysEnds) {
  const std::string key = "Software\\MorvaneCloseQuietlyTest";
  struct Case {
    const char* insimPort;
    bool guiAccess;
    const char* guiPort;
    bool saved;
  };
  const Case cases[] = {
      {"31000", false, "", true},
      {"31000", true, "31001", true},
      {"0", false, "", false},
      {"31000", true, "port", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.insimPort) + " " + c.guiPort);
    plat::SettingsKey(key).DeleteKey();
    std::ostringstream err;
    ConsoleControls controls(err);
    Settings settings;
    CountingWorker insim, server;
    DirectorHost host(settings, controls, insim, &server, key);
    host.FillControls();
    controls.SetText(kIdInsimPort, c.insimPort);
    controls.SetChecked(kIdEnableGui, c.guiAccess);
    controls.SetText(kIdGuiPort, c.guiPort);
    insim.running = server.running = true;
    host.CloseQuietly();
    EXPECT_EQ(insim.stops, 1);
    EXPECT_EQ(server.stops, 1);
    EXPECT_TRUE(controls.Ended());
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(LoadSettings(key).insimPort, c.saved ? 31000 : Settings{}.insimPort);
  }
  plat::SettingsKey(key).DeleteKey();
}

}  // namespace
}  // namespace director
