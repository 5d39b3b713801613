// The console front end in-process. The built program's handshakes and its GUI access run end to
// end against the simulator stand-in in tests/e2e.
#include "director/app/console.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <sstream>
#include <streambuf>
#include <thread>

#include "fake_simulator.h"

namespace director {
namespace {

std::string KeyFor(const char* name) { return std::string("Software\\MorvaneConsoleTest") + name; }

std::vector<const char*> WithProgram(std::vector<const char*> args) {
  args.insert(args.begin(), "morvane");
  return args;
}

TEST(ConsoleOptions, OptionsAreTypedIntoTheControls) {
  std::ostringstream err;
  ConsoleControls controls(err);
  controls.FillList(kIdActivateKey, kHotkeyNames, kHotkeyCount);
  controls.FillList(kIdDeactivateKey, kHotkeyNames, kHotkeyCount);
  std::string error;
  const auto apply = [&](std::vector<const char*> args) {
    args = WithProgram(std::move(args));
    return ApplyConsoleOptions(static_cast<int>(args.size()), args.data(), controls, &error);
  };
  ASSERT_EQ(apply({"--insim-port", "1234", "--insim-version", "3", "--password",
                   "abcdefghijklmnopq", "--gui-port", "99", "--enable-gui", "--activate-key",
                   "Ctrl-F12", "--deactivate-key", "Ctrl-F1", "--disable-overlay",
                   "--auto-activate", "--rules", "broadcast", "--reasons", "--web-port", "8080",
                   "--web-bind", "0.0.0.0"}),
            OptionsResult::kRun);
  EXPECT_EQ(controls.GetText(kIdWebPort), "8080");
  EXPECT_EQ(controls.webBind, "0.0.0.0");
  EXPECT_EQ(controls.GetText(kIdInsimPort), "1234");
  EXPECT_FALSE(controls.IsChecked(kIdVersion4));
  EXPECT_EQ(controls.GetText(kIdPassword), "abcdefghijklmn");
  EXPECT_EQ(controls.GetText(kIdGuiPort), "99");
  EXPECT_TRUE(controls.IsChecked(kIdEnableGui));
  EXPECT_EQ(controls.GetSelection(kIdActivateKey), 11);
  EXPECT_EQ(controls.GetSelection(kIdDeactivateKey), 0);
  EXPECT_TRUE(controls.IsChecked(kIdDisableOverlay));
  EXPECT_TRUE(controls.IsChecked(kIdAutoActivate));
  EXPECT_TRUE(controls.IsChecked(kIdBroadcastRules));
  EXPECT_TRUE(controls.printReasons);

  ASSERT_EQ(apply({"--insim-version", "4", "--disable-gui", "--enable-overlay",
                   "--no-auto-activate", "--rules", "classic"}),
            OptionsResult::kRun);
  EXPECT_TRUE(controls.IsChecked(kIdVersion4));
  EXPECT_FALSE(controls.IsChecked(kIdEnableGui));
  EXPECT_FALSE(controls.IsChecked(kIdDisableOverlay));
  EXPECT_FALSE(controls.IsChecked(kIdAutoActivate));
  EXPECT_FALSE(controls.IsChecked(kIdBroadcastRules));

  EXPECT_EQ(apply({"--help"}), OptionsResult::kHelp);
  const struct {
    std::vector<const char*> args;
    const char* error;
  } refused[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"--insim-port"}, "missing value for --insim-port"},
      {{"--insim-version", "5"}, "--insim-version must be 3, 4 or 10"},
      {{"--activate-key", "F6"}, "--activate-key must be one of Ctrl-F1 .. Ctrl-F12"},
      {{"--deactivate-key", "Ctrl-F13"}, "--deactivate-key must be one of Ctrl-F1 .. Ctrl-F12"},
      {{"--rules", "fast"}, "--rules must be classic or broadcast"},
      {{"--rules"}, "missing value for --rules"},
      {{"--web-port"}, "missing value for --web-port"},
      {{"--web-bind", "localhost"}, "--web-bind must be a dotted IPv4 address such as 127.0.0.1"},
      {{"--web-bind", "1.2.3.4.5.6.7.8"}, "--web-bind must be a dotted IPv4 address such as 127.0.0.1"}};
  for (const auto& row : refused) {
    EXPECT_EQ(apply(row.args), OptionsResult::kError) << row.error;
    EXPECT_EQ(error, row.error);
  }
  EXPECT_TRUE(err.str().empty());
}

int RunProgram(DirectorApp& app, std::vector<const char*> args, std::ostream& out,
               std::ostream& err) {
  args = WithProgram(std::move(args));
  return RunConsole(static_cast<int>(args.size()), args.data(), app, out, err);
}

TEST(ConsoleProgram, BadPortsExitWithStatus2AndTheMessage) {
  const std::string key = KeyFor("BadPorts");
  plat::SettingsKey(key).DeleteKey();
  auto app = std::make_unique<DirectorApp>(key);
  for (std::vector<const char*> args : {std::vector<const char*>{"--insim-port", "0"},
                                        {"--insim-port", ""},
                                        {"--enable-gui", "--gui-port", "x"},
                                        {"--web-port", "x"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunProgram(*app, args, out, err), 2);
    EXPECT_EQ(err.str(), "please enter valid portnumbers\n");
    EXPECT_FALSE(app->insim.Running());
  }
  std::ostringstream out, err;
  EXPECT_EQ(RunProgram(*app, {"--what"}, out, err), 2);
  EXPECT_EQ(err.str(), "morvane: unknown option --what (see --help)\n");
  std::ostringstream helpOut, helpErr;
  EXPECT_EQ(RunProgram(*app, {"--help"}, helpOut, helpErr), 0);
  EXPECT_NE(helpOut.str().find("--insim-version 3|4"), std::string::npos);
  // Nothing was saved by refused starts.
  plat::SettingsKey stored(key);
  EXPECT_FALSE(stored.OpenRead());
}

// "--insim-version 10" checks the version 10 button alone, as a click would; 4 and 3 clear it.
TEST(ConsoleOptions, Version10IsTypedAsItsOwnButton) {
  std::ostringstream err;
  ConsoleControls controls(err);
  std::string error;
  for (const char* version : {"10", "4", "10", "3"}) {
    std::vector<const char*> args = WithProgram({"--insim-version", version});
    ASSERT_EQ(ApplyConsoleOptions(static_cast<int>(args.size()), args.data(), controls, &error),
              OptionsResult::kRun);
    EXPECT_EQ(controls.IsChecked(kIdVersion10), std::string(version) == "10") << version;
    EXPECT_EQ(controls.IsChecked(kIdVersion4), std::string(version) == "4") << version;
  }
  std::ostringstream help;
  PrintConsoleUsage(help);
  EXPECT_NE(help.str().find("--insim-version 3|4|10"), std::string::npos);
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

// The options reach the session, the program runs until SIGTERM, then stops the thread, saves the
// settings and exits 0.
TEST(ConsoleProgram, RunsUntilSigtermThenClosesAndSaves) {
  const std::string key = KeyFor("Sigterm");
  plat::SettingsKey(key).DeleteKey();
  test::TcpSim sim;
  auto app = std::make_unique<DirectorApp>(key);
  const std::string port = std::to_string(sim.Port());
  LineSignal line;
  std::ostream out(&line);
  std::ostringstream err;
  std::atomic<int> status{-1};
  std::thread program([&] {
    status = RunProgram(
        *app, {"--insim-port", port.c_str(), "--password", "pw", "--activate-key", "Ctrl-F2"}, out,
        err);
  });
  for (int i = 0; i < 500 && !line.sawLine; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(line.sawLine);
  EXPECT_TRUE(sim.Accept());
  EXPECT_EQ(sim.ReadPacket(), test::Cat({test::B({44, 1, 0, 0, 0, 0, 0x24, 0, 0, 0, 200, 0}),
                                         test::Padded("pw", 16), test::Padded("Morvane", 16)}));
  std::raise(SIGTERM);
  program.join();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err.str(), "");
  EXPECT_FALSE(app->insim.Running());

  const Settings stored = LoadSettings(key);
  EXPECT_EQ(std::to_string(stored.insimPort), port);
  EXPECT_EQ(stored.activateKey, 1);
  plat::SettingsKey(key).DeleteKey();
}

}  // namespace
}  // namespace director
