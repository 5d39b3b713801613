#include "director/app/console.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <sstream>
#include <streambuf>
#include <thread>

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
  ASSERT_EQ(Apply({"--insim-port", "1234", "--insim-version", "3", "--password",
                   "abcdefghijklmnopq", "--gui-port", "99", "--enable-gui", "--activate-key",
                   "Ctrl-F12", "--deactivate-key", "Ctrl-F1", "--disable-overlay",
                   "--auto-activate"},
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

  ASSERT_EQ(Apply({"--insim-version", "4", "--disable-gui", "--enable-overlay",
                   "--no-auto-activate"},
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

int RunProgram(DirectorApp& app, std::vector<const char*> args, std::ostream& out, std::ostream& err) {
  args.insert(args.begin(), "morvane");
  return RunConsole(static_cast<int>(args.size()), args.data(), app, out, err);
}

TEST(ConsoleProgram, BadPortsExitWithStatus2AndTheMessage) {
  const std::string key = KeyFor("BadPorts");
  plat::SettingsKey(key).DeleteKey();
  auto app = std::make_unique<DirectorApp>(key);
  for (std::vector<const char*> args :
       {std::vector<const char*>{"--insim-port", "0"}, {"--insim-port", ""},
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

TEST(ConsoleProgram, RunsUntilSigtermThenClosesAndSaves) {
  const std::string key = KeyFor("Sigterm");
  plat::SettingsKey(key).DeleteKey();
  plat::NetStartup();
  auto app = std::make_unique<DirectorApp>(key);
  LineSignal signal;
  std::ostream out(&signal);
  std::ostringstream err;
  // A port where nobody listens: the director keeps retrying until it is stopped.
  const plat::Socket s = plat::TcpOpen();
  plat::Bind(s, plat::kLoopback, 0);
  const std::string port = std::to_string(plat::LocalPort(s));
  plat::Close(s);

  std::atomic<int> status{-1};
  std::thread program([&] {
    status = RunProgram(*app, {"--insim-port", port.c_str(), "--password", "pw", "--activate-key",
                        "Ctrl-F2"},
                 out, err);
  });
  for (int i = 0; i < 500 && !signal.sawLine; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(signal.sawLine.load());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::raise(SIGTERM);
  program.join();
  EXPECT_EQ(status.load(), 0);
  EXPECT_EQ(err.str(), "");
  EXPECT_FALSE(app->insim.Running());

  const Settings stored = LoadSettings(key);
  EXPECT_EQ(std::to_string(stored.insimPort), port);
  EXPECT_EQ(stored.activateKey, 1);
  EXPECT_STREQ(stored.password, "");
  plat::SettingsKey(key).DeleteKey();
  plat::NetCleanup();
}

}  // namespace
}  // namespace director
