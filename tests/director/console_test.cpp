#include "director/app/console.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <sstream>
#include <streambuf>
#include <thread>

#include "fake_simulator.h"
#include "platform/net.h"

namespace director {
namespace {

std::string KeyFor(const char* name) { return std::string("Software\\MorvaneConsoleTest") + name; }

OptionsResult Apply(std::vector<const char*> args, ConsoleControls& controls, std::string* error) {
  args.insert(args.begin(), "morvane");
  return ApplyConsoleOptions(static_cast<int>(args.size()), args.data(), controls, error);
}

TEST(ConsoleOptions, OptionsAreTypedIntoTheControls) {
  std::ostringstream err;
  ConsoleControls controls(err);
  Settings settings;
  struct NoWorker : LinkWorker {
    bool StartWorker() override { return true; }
    bool StopWorker() override { return true; }
    bool WorkerRunning() const override { return false; }
  } worker;
  const std::string key = KeyFor("Options");
  plat::SettingsKey(key).DeleteKey();
  DirectorHost host(settings, controls, worker, nullptr, key);
  host.FillControls();
  std::string error;
  ASSERT_EQ(
      Apply({"--insim-port", "1234", "--insim-version", "3", "--password", "abcdefghijklmnopq",
             "--gui-port", "99", "--enable-gui", "--activate-key", "Ctrl-F12", "--deactivate-key",
             "Ctrl-F1", "--disable-overlay", "--auto-activate"},
            controls, &error),
      OptionsResult::kRun);
  EXPECT_EQ(controls.GetText(kIdInsimPort), "1234");
  EXPECT_FALSE(controls.IsChecked(kIdVersion4));
  EXPECT_EQ(controls.GetText(kIdPassword), "abcdefghijklmn");
  EXPECT_EQ(controls.GetText(kIdGuiPort), "99");
  EXPECT_TRUE(controls.IsChecked(kIdEnableGui));
  EXPECT_EQ(controls.GetSelection(kIdActivateKey), 11);
  EXPECT_EQ(controls.GetSelection(kIdDeactivateKey), 0);
  EXPECT_TRUE(controls.IsChecked(kIdDisableOverlay));
  EXPECT_TRUE(controls.IsChecked(kIdAutoActivate));

  ASSERT_EQ(
      Apply({"--insim-version", "4", "--disable-gui", "--enable-overlay", "--no-auto-activate"},
            controls, &error),
      OptionsResult::kRun);
  EXPECT_TRUE(controls.IsChecked(kIdVersion4));
  EXPECT_FALSE(controls.IsChecked(kIdEnableGui));
  EXPECT_FALSE(controls.IsChecked(kIdDisableOverlay));
  EXPECT_FALSE(controls.IsChecked(kIdAutoActivate));

  EXPECT_EQ(Apply({"--help"}, controls, &error), OptionsResult::kHelp);
  EXPECT_EQ(Apply({"--bogus"}, controls, &error), OptionsResult::kError);
  EXPECT_EQ(error, "unknown option --bogus");
  EXPECT_EQ(Apply({"--insim-port"}, controls, &error), OptionsResult::kError);
  EXPECT_EQ(error, "missing value for --insim-port");
  EXPECT_EQ(Apply({"--insim-version", "5"}, controls, &error), OptionsResult::kError);
  EXPECT_EQ(Apply({"--activate-key", "F6"}, controls, &error), OptionsResult::kError);
  EXPECT_EQ(Apply({"--deactivate-key", "Ctrl-F13"}, controls, &error), OptionsResult::kError);
  EXPECT_TRUE(err.str().empty());
}

int RunProgram(DirectorApp& app, std::vector<const char*> args, std::ostream& out,
               std::ostream& err) {
  args.insert(args.begin(), "morvane");
  return RunConsole(static_cast<int>(args.size()), args.data(), app, out, err);
}

TEST(ConsoleProgram, BadPortsExitWithStatus2AndTheMessage) {
  const std::string key = KeyFor("BadPorts");
  plat::SettingsKey(key).DeleteKey();
  auto app = std::make_unique<DirectorApp>(key);
  for (std::vector<const char*> args : {std::vector<const char*>{"--insim-port", "0"},
                                        {"--insim-port", ""},
                                        {"--enable-gui", "--gui-port", "x"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunProgram(*app, args, out, err), 2);
    EXPECT_EQ(err.str(), "please enter valid portnumbers\n");
    EXPECT_FALSE(app->insim.Running());
  }
  std::ostringstream out, err;
  EXPECT_EQ(RunProgram(*app, {"--what"}, out, err), 2);
  EXPECT_NE(err.str().find("unknown option --what"), std::string::npos);
  std::ostringstream helpOut, helpErr;
  EXPECT_EQ(RunProgram(*app, {"--help"}, helpOut, helpErr), 0);
  EXPECT_NE(helpOut.str().find("--insim-version 3|4"), std::string::npos);
  // Nothing was saved by refused starts.
  plat::SettingsKey stored(key);
  EXPECT_FALSE(stored.OpenRead());
}

// Tells the test thread when the program has printed its running line (the signal handlers are
// in place by then).
class LineSignal final : public std::streambuf {
 public:
  std::atomic<bool> sawLine{false};

 protected:
  int overflow(int c) override {
    if (c == '\n') sawLine = true;
    return c;
  }
};

// The console program in a thread of its own, ended by SIGTERM like the real one.
class ProgramRun {
 public:
  ProgramRun(DirectorApp& app, std::vector<const char*> args) : out_(&signal_) {
    thread_ = std::thread([this, &app, args] { status_ = RunProgram(app, args, out_, err_); });
    for (int i = 0; i < 500 && !signal_.sawLine; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~ProgramRun() {
    if (thread_.joinable()) Finish();
  }
  bool Running() const { return signal_.sawLine; }
  int Finish() {
    std::raise(SIGTERM);
    thread_.join();
    return status_;
  }
  std::string Errors() const { return err_.str(); }

 private:
  LineSignal signal_;
  std::ostream out_;
  std::ostringstream err_;
  std::thread thread_;
  std::atomic<int> status_{-1};
};

// With nothing but the port given, the program speaks InSim 4 over TCP: the handshake in order,
// keep-alive answers, TINY_CLOSE on SIGTERM; with --insim-version 3 the same over UDP.
TEST(ConsoleProgram, HandshakesWithTheSimulatorInBothVersions) {
  const std::string key = KeyFor("Handshake");
  plat::SettingsKey(key).DeleteKey();
  {
    test::TcpSim sim;
    auto app = std::make_unique<DirectorApp>(key);
    const std::string port = std::to_string(sim.Port());
    ProgramRun run(*app, {"--insim-port", port.c_str()});
    ASSERT_TRUE(run.Running());
    ASSERT_TRUE(sim.Accept());
    EXPECT_EQ(sim.ReadPacket(), test::Cat({test::B({44, 1, 0, 0, 0, 0, 0x24, 0, 0, 0, 200, 0}),
                                           test::Bytes(16, 0), test::Padded("Morvane", 16)}));
    EXPECT_EQ(sim.ReadPacket(), test::B({4, 3, 1, 1}));
    sim.Send(test::VersionReply());
    EXPECT_EQ(sim.ReadPacket(),
              test::Cat({test::B({132, 40, 0, 0}),
                         test::Padded("^3Morvane: ^2Hello LFS, I am your Morvane", 128)}));
    EXPECT_EQ(sim.ReadPacket(), test::Cat({test::B({68, 13, 0, 0}),
                                           test::Padded("/ctrlf 6 /echo activate Morvane", 64)}));
    EXPECT_EQ(sim.ReadPacket(), test::Cat({test::B({68, 13, 0, 0}),
                                           test::Padded("/ctrlf 7 /echo deactivate Morvane", 64)}));
    EXPECT_EQ(sim.ReadPacket(), test::B({4, 3, 1, 7}));
    sim.Send(test::B({4, 3, 0, 0}));
    EXPECT_EQ(sim.ReadPacket(), test::B({4, 3, 0, 0}));
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_EQ(sim.ReadPacket(), test::B({4, 3, 0, 2}));
    EXPECT_EQ(run.Errors(), "");
  }
  {
    test::UdpSim sim;
    auto app = std::make_unique<DirectorApp>(key);
    const std::string port = std::to_string(sim.Port());
    ProgramRun run(*app, {"--insim-port", port.c_str(), "--insim-version", "3"});
    ASSERT_TRUE(run.Running());
    EXPECT_EQ(sim.Read(),
              test::Cat({test::Padded("ISI", 4), test::B({0, 0, 0x23, 0}), test::Bytes(16, 0)}));
    EXPECT_EQ(sim.Read(), test::Cat({test::Padded("VER", 4), test::B({0, 0, 0, 0})}));
    sim.Send(test::Cat({test::Padded("VER", 4), test::Padded("0.5V", 8), test::B({3, 0, 0, 0})}));
    EXPECT_EQ(sim.Read(), test::Cat({test::Padded("NLI", 4), test::B({200, 0, 0, 0})}));
    EXPECT_EQ(sim.Read().size(), 72u);
    EXPECT_EQ(sim.Read(), test::Cat({test::Padded("SST", 4), test::B({0, 0, 0, 0})}));
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_EQ(sim.Read(), test::Cat({test::Padded("ISC", 4), test::B({0, 0, 0, 0})}));
    // Version 3 was stored for the next start.
    EXPECT_EQ(LoadSettings(key).insimVersion, 3);
  }
  plat::SettingsKey(key).DeleteKey();
}

// With GUI access the director connects to the simulator only while a GUI client is there, and
// the client's first frame is GLM_VERSION.
TEST(ConsoleProgram, GuiAccessRunsTheSessionPerClient) {
  const std::string key = KeyFor("Gui");
  plat::SettingsKey(key).DeleteKey();
  test::TcpSim sim;
  auto app = std::make_unique<DirectorApp>(key);
  const std::uint16_t guiPort = test::UnusedPort();
  const std::string simPort = std::to_string(sim.Port());
  const std::string guiText = std::to_string(guiPort);
  ProgramRun run(*app,
                 {"--insim-port", simPort.c_str(), "--enable-gui", "--gui-port", guiText.c_str()});
  ASSERT_TRUE(run.Running());
  const plat::Socket client = plat::TcpOpen();
  ASSERT_TRUE(plat::Connect(client, plat::kLoopback, guiPort));
  ASSERT_TRUE(sim.Accept());
  EXPECT_EQ(sim.ReadPacket().size(), 44u);
  std::uint8_t frame[10] = {};
  int got = 0;
  while (got < 10 && plat::PollReadable(client, test::kWaitMs) == 1) {
    const int n = plat::Recv(client, frame + got, 10 - got);
    if (n <= 0) break;
    got += n;
  }
  EXPECT_EQ(test::Bytes(frame, frame + got), test::B({0x4D, 0x72, 0x56, 0x00, 6, 0, 19, 0, 2, 4}));
  EXPECT_EQ(run.Finish(), 0);
  plat::Close(client);
  EXPECT_EQ(LoadSettings(key).guiPort, guiPort);
  plat::SettingsKey(key).DeleteKey();
}

TEST(ConsoleProgram, RunsUntilSigtermThenClosesAndSaves) {
  const std::string key = KeyFor("Sigterm");
  plat::SettingsKey(key).DeleteKey();
  auto app = std::make_unique<DirectorApp>(key);
  // A port where nobody listens: the director keeps retrying until it is stopped.
  const std::string port = std::to_string(test::UnusedPort());
  ProgramRun run(*app,
                 {"--insim-port", port.c_str(), "--password", "pw", "--activate-key", "Ctrl-F2"});
  ASSERT_TRUE(run.Running());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(run.Finish(), 0);
  EXPECT_EQ(run.Errors(), "");
  EXPECT_FALSE(app->insim.Running());

  const Settings stored = LoadSettings(key);
  EXPECT_EQ(std::to_string(stored.insimPort), port);
  EXPECT_EQ(stored.activateKey, 1);
  EXPECT_STREQ(stored.password, "");
  plat::SettingsKey(key).DeleteKey();
}

}  // namespace
}  // namespace director
