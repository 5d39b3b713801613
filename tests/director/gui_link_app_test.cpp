// The director program with GUI access on, as a whole: the console program and the dialog logic
// over the real composition root, a fake simulator and the GUI client library on loopback.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "../link/link_peer.h"
#include "director/app/console.h"
#include "director/app/director_app.h"
#include "fake_simulator.h"
#include "link/link_client.h"
#include "link/link_messages.h"

namespace director {
namespace {

using Calls = std::vector<std::string>;

std::string KeyFor(const char* name) { return std::string("Software\\MorvaneGuiLinkTest") + name; }

std::string BusyPortText(std::uint16_t port) {
  return "GUI port " + std::to_string(port) + " could not be opened: is another program using it?";
}

// A port that another program holds for the whole test.
struct TakenPort {
  TakenPort() {
    socket = plat::TcpOpen();
    EXPECT_TRUE(plat::Bind(socket, plat::kAnyAddress, 0));
    EXPECT_TRUE(plat::Listen(socket, 1));
    port = plat::LocalPort(socket);
  }
  ~TakenPort() { plat::Close(socket); }
  plat::Socket socket;
  std::uint16_t port;
};

// `morvane` with the given options on its own thread, until Finish sends what SIGTERM would.
class ConsoleRun {
 public:
  ConsoleRun(DirectorApp& app, std::vector<std::string> options) : options_(std::move(options)) {
    args_.push_back("morvane");
    for (const std::string& o : options_) args_.push_back(o.c_str());
    thread_ = std::thread([this, &app] {
      status_ = RunConsole(static_cast<int>(args_.size()), args_.data(), app, out_, err_);
    });
  }
  ~ConsoleRun() {
    if (thread_.joinable()) Finish();
  }
  int Finish() {
    gConsoleStopSignal = 1;
    thread_.join();
    return status_;
  }

 private:
  std::vector<std::string> options_;
  std::vector<const char*> args_;
  std::ostringstream out_;
  std::ostringstream err_;
  std::thread thread_;
  int status_ = -1;
};

TEST(GuiLinkInTheDirector, TheSessionRunsOnlyWhileAGuiClientIsConnected) {
  const std::string key = KeyFor("Session");
  plat::SettingsKey(key).DeleteKey();
  test::TcpSim sim;
  auto app = std::make_unique<DirectorApp>(key);
  const std::uint16_t guiPort = test::UnusedPort();
  ConsoleRun run(*app, {"--insim-port", std::to_string(sim.Port()), "--enable-gui", "--gui-port",
                        std::to_string(guiPort)});
  ASSERT_TRUE(linktest::WaitFor([&] { return app->guiServerThread.ListeningPort() == guiPort; }));
  plat::SleepMs(100);
  EXPECT_FALSE(app->insimWorker.WorkerRunning()) << "the session runs without a GUI client";

  linktest::FastClock clock;
  glink::LinkClient client(clock);
  linktest::RecordingModel model;
  client.SetServer(plat::kLoopback, guiPort);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "first client" : "second client");
    ASSERT_TRUE(client.StartLinkClient());
    test::V4Handshake(sim);
    // The session's first record, GLM_VERSION 0, 2, 4, links the client up.
    EXPECT_TRUE(linktest::WaitFor([&] {
      client.DispatchLinkMessages(model);
      return client.LinkVersion() == glink::kLinkVersion;
    }));
    EXPECT_EQ(model.Take(), Calls{});

    // The client's request waits in the queue that the session's request handler reads (this
    // thread only counts it: the server is the one to drop it once the session has ended).
    glink::PostEditMode(client.toDirector(), glink::GLM_SET_EDIT_MODE, true);
    EXPECT_TRUE(linktest::WaitFor([&] { return app->toDirector.pending() == 1; }));

    // The client leaves: the session closes its simulator link, and the request is dropped with it.
    EXPECT_TRUE(client.StopLinkClient(model));
    EXPECT_EQ(model.Take(), Calls{"track  0 0"});
    bool closed = false;
    for (test::Bytes p = sim.ReadPacket(); !p.empty(); p = sim.ReadPacket()) {
      closed = closed || p == test::B({4, 3, 0, 2});  // TINY_CLOSE
    }
    EXPECT_TRUE(closed);
    EXPECT_TRUE(sim.ClosedByPeer());
    EXPECT_TRUE(linktest::WaitFor([&] { return !app->insimWorker.WorkerRunning(); }));
    EXPECT_TRUE(linktest::WaitFor([&] { return app->toDirector.pending() == 0; }));
  }
  EXPECT_EQ(run.Finish(), kExitOk);
  EXPECT_FALSE(app->guiServerThread.Running());
  plat::SettingsKey(key).DeleteKey();
}

TEST(GuiLinkInTheDirector, ConsoleReportsATakenGuiPortAndEndsWithStatus1) {
  const std::string key = KeyFor("ConsoleBusy");
  plat::SettingsKey(key).DeleteKey();
  TakenPort taken;
  auto app = std::make_unique<DirectorApp>(key);
  const std::string port = std::to_string(taken.port);
  const char* args[] = {"morvane", "--enable-gui", "--gui-port", port.c_str()};
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunConsole(4, args, *app, out, err), kExitFailure);
  EXPECT_EQ(err.str(), BusyPortText(taken.port) + "\n");
  EXPECT_EQ(out.str(), "") << "the program said it started";
  EXPECT_FALSE(app->guiServerThread.Running());
  plat::SettingsKey(key).DeleteKey();
}

// The dialog's controls in memory, with every message box written down.
class RecordingControls final : public DialogControls {
 public:
  std::string GetText(int id) override { return texts[id]; }
  void SetText(int id, const std::string& text) override { texts[id] = text; }
  bool IsChecked(int id) override { return checked[id]; }
  void SetChecked(int id, bool on) override { checked[id] = on; }
  void Enable(int id, bool on) override { enabled[id] = on; }
  void FillList(int, const char* const*, int) override {}
  void SetSelection(int id, int index) override { selection[id] = index; }
  int GetSelection(int id) override { return selection[id]; }
  void ShowMessage(const char* text, const char* caption, MessageKind kind) override {
    messages.push_back(std::string(text) + " | " + caption +
                       (kind == MessageKind::kWarning ? " | warning" : " | error"));
  }
  void EndDialog() override {}

  std::map<int, std::string> texts;
  std::map<int, bool> checked;
  std::map<int, bool> enabled;
  std::map<int, int> selection;
  Calls messages;
};

TEST(GuiLinkInTheDirector, DialogShowsATakenGuiPortAsAWarningAndStaysStopped) {
  const std::string key = KeyFor("DialogBusy");
  plat::SettingsKey(key).DeleteKey();
  auto taken = std::make_unique<TakenPort>();
  const std::uint16_t port = taken->port;
  auto app = std::make_unique<DirectorApp>(key);
  RecordingControls controls;
  DirectorHost host = app->MakeHost(controls);
  host.InitDialog();
  controls.SetChecked(kIdEnableGui, true);
  controls.SetText(kIdGuiPort, std::to_string(port));
  controls.enabled[kIdInsimPort] = true;

  host.OnCommand(kIdStartStop, 0);
  EXPECT_EQ(controls.messages, Calls{BusyPortText(port) + " | Morvane | warning"});
  EXPECT_NE(controls.texts[kIdStartStop], kTextStop);
  EXPECT_TRUE(controls.enabled[kIdInsimPort]) << "the settings were locked";
  EXPECT_FALSE(host.WorkerRunning());

  taken.reset();
  host.OnCommand(kIdStartStop, 0);
  EXPECT_EQ(controls.messages.size(), 1u);
  EXPECT_EQ(controls.texts[kIdStartStop], kTextStop);
  EXPECT_TRUE(host.WorkerRunning());
  host.OnCommand(kIdStartStop, 0);
  EXPECT_EQ(controls.texts[kIdStartStop], kTextStart);
  EXPECT_FALSE(host.WorkerRunning());
  plat::SettingsKey(key).DeleteKey();
}

}  // namespace
}  // namespace director
