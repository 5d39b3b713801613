#include "director/app/host.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "director/app/director_app.h"
#include "fake_simulator.h"  // Windows Sockets for the test program
#include "platform/files.h"
#include "platform/net.h"

namespace director {
namespace {

using Strings = std::vector<std::string>;

class FakeDialog final : public DialogControls {
 public:
  std::string GetText(int id) override { return texts[id]; }
  void SetText(int id, const std::string& text) override { texts[id] = text; }
  bool IsChecked(int id) override { return checked[id]; }
  void SetChecked(int id, bool on) override { checked[id] = on; }
  void Enable(int id, bool on) override { enabled[id] = on; }
  void FillList(int id, const char* const* entries, int count) override {
    lists[id].assign(entries, entries + count);
  }
  void SetSelection(int id, int index) override { selection[id] = index; }
  int GetSelection(int id) override { return selection.count(id) ? selection[id] : -1; }
  void ShowMessage(const char* text, const char* caption, MessageKind kind) override {
    messages.push_back(std::string(caption) + "|" + text +
                       (kind == MessageKind::kWarning ? "|warning" : "|plain"));
  }
  void EndDialog() override { ended = true; }
  bool Enabled(int id) { return !enabled.count(id) || enabled[id]; }

  std::map<int, std::string> texts;
  std::map<int, bool> checked;
  std::map<int, bool> enabled;
  std::map<int, int> selection;
  std::map<int, Strings> lists;
  Strings messages;
  bool ended = false;
};

class FakeWorker final : public LinkWorker {
 public:
  bool StartWorker() override {
    starts++;
    running = running || startResult;
    return startResult;
  }
  bool StopWorker() override {
    stops++;
    if (running && stopResult) running = false;
    return !running;
  }
  bool WorkerRunning() const override { return running; }
  const char* StartFailure() const override { return failure.c_str(); }
  std::string failure;
  bool startResult = true;
  bool stopResult = true;
  bool running = false;
  int starts = 0;
  int stops = 0;
};

// Every test works on a settings key of its own and removes it afterwards.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key = std::string("Software\\MorvaneHostTest") +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    plat::SettingsKey(key).DeleteKey();
  }
  void TearDown() override { plat::SettingsKey(key).DeleteKey(); }

  void Store(const char* name, std::uint32_t value) {
    plat::SettingsKey k(key);
    ASSERT_TRUE(k.OpenWrite());
    ASSERT_TRUE(k.SetU32(name, value));
    ASSERT_TRUE(k.Close());
  }
  // The stored value, or -1 when there is none.
  std::int64_t Stored(const char* name) {
    plat::SettingsKey k(key);
    std::uint32_t value = 0;
    if (!k.OpenRead()) return -1;
    const bool found = k.GetU32(name, &value);
    k.Close();
    return found ? static_cast<std::int64_t>(value) : -1;
  }
  DirectorHost Host(LinkWorker* guiServer = nullptr) {
    return DirectorHost(settings, dialog, insim, guiServer, key);
  }

  std::string key;
  Settings settings;
  FakeDialog dialog;
  FakeWorker insim;
  FakeWorker server;
};

const std::vector<int> kSettingsIds = {1000, 1005, 1007, 1009, 1010, 1012, 1014,
                                       1015, 1016, 1017, 1018, 1019, 1021};

TEST_F(HostTest, FreshUserSeesTheDefaults) {
  DirectorHost host = Host();
  host.InitDialog();
  EXPECT_EQ(dialog.texts[1000], "32300");
  EXPECT_EQ(dialog.texts[1001], "32301");
  for (int id : {1007, 1011, 1019, 1021}) EXPECT_FALSE(dialog.checked[id]) << id;
  EXPECT_TRUE(dialog.checked[1012]);
  EXPECT_EQ(dialog.selection[1014], 5);
  EXPECT_EQ(dialog.selection[1015], 6);
  EXPECT_FALSE(dialog.Enabled(1001));
  EXPECT_FALSE(dialog.Enabled(1008));
  Strings keys;
  for (int i = 1; i <= 12; ++i) keys.push_back("Ctrl-F" + std::to_string(i));
  EXPECT_EQ(dialog.lists[1014], keys);
  EXPECT_EQ(dialog.lists[1015], keys);
  EXPECT_EQ(insim.starts, 0);
  EXPECT_TRUE(dialog.messages.empty());
}

TEST_F(HostTest, InvalidInsimPortIsRefusedAndNothingApplied) {
  DirectorHost host = Host();
  host.InitDialog();
  for (const char* text : {"", "0", "abc", "12a", "65536", "99999999999"}) {
    dialog.messages.clear();
    dialog.texts[1000] = text;
    dialog.checked[1012] = false;
    host.OnCommand(1002, 0);
    EXPECT_EQ(dialog.messages, Strings{"Morvane|please enter valid portnumbers|warning"}) << text;
    EXPECT_EQ(settings.insimPort, 32300) << text;
    EXPECT_EQ(settings.insimVersion, 4) << text;
  }
  EXPECT_EQ(insim.starts, 0);
  EXPECT_EQ(Stored("InsimPort"), -1);
  // Close with bad ports does not end the dialog either.
  host.OnCommand(1003, 0);
  EXPECT_FALSE(dialog.ended);
}

TEST_F(HostTest, GuiPortIsCheckedOnlyWithGuiAccess) {
  DirectorHost host = Host();
  host.InitDialog();
  dialog.texts[1001] = "";
  dialog.texts[1000] = " 4000 ";
  EXPECT_TRUE(host.ApplySettings(true, false));
  EXPECT_TRUE(dialog.messages.empty());
  EXPECT_EQ(settings.insimPort, 4000);
  EXPECT_EQ(settings.guiPort, 32301);
  EXPECT_EQ(Stored("GUI-Port"), -1);
  EXPECT_EQ(Stored("EnableGUI"), 0);

  dialog.checked[1007] = true;
  for (const char* refused : {"", "0"}) {
    dialog.texts[1001] = refused;
    EXPECT_FALSE(host.ApplySettings(true, false)) << refused;
  }
  EXPECT_EQ(dialog.messages.size(), 2u);
  dialog.texts[1001] = "5000";
  EXPECT_TRUE(host.ApplySettings(true, false));
  EXPECT_EQ(settings.guiPort, 5000);
  EXPECT_EQ(Stored("GUI-Port"), 5000);
}

// Stored values fill the dialog; with automatic activation on, the link starts at once, in the
// stored version 3 and without writing anything.
TEST_F(HostTest, StoredAutoActivationStartsVersion3UntilVersion4IsClicked) {
  Store("InsimVersion", 3);
  Store("InsimPort", 1234);
  Store("FKeyA", 11);
  Store("FKeyB", 40);  // no such list entry: the default stays
  Store("AutoActivate", 1);
  DirectorHost host = Host();
  host.InitDialog();
  EXPECT_FALSE(dialog.checked[1011]);
  EXPECT_FALSE(dialog.checked[1012]);
  EXPECT_TRUE(dialog.checked[1021]);
  EXPECT_EQ(dialog.texts[1000], "1234");
  EXPECT_EQ(dialog.selection[1014], 11);
  EXPECT_EQ(dialog.selection[1015], 6);
  EXPECT_EQ(insim.starts, 1);
  EXPECT_EQ(dialog.texts[1002], "Stop");
  EXPECT_EQ(settings.insimVersion, 3);
  EXPECT_EQ(settings.insimPort, 1234);
  EXPECT_EQ(settings.autoActivate, 1);
  EXPECT_EQ(Stored("EnableGUI"), -1);
  host.OnCommand(1002, 0);  // stop
  dialog.checked[1012] = true;
  host.OnCommand(1002, 0);
  EXPECT_EQ(settings.insimVersion, 4);
  EXPECT_EQ(Stored("InsimVersion"), 4);
}

TEST_F(HostTest, PasswordIsUsedButNeverStored) {
  DirectorHost host = Host();
  host.InitDialog();
  dialog.texts[1005] = "verysecretpassword";
  host.OnCommand(1002, 0);
  EXPECT_STREQ(settings.password, "verysecretpass");  // 14 characters
  host.OnCommand(1002, 0);
  host.OnCommand(1003, 0);
  EXPECT_TRUE(dialog.ended);
  char text[64];
  plat::SettingsKey k(key);
  ASSERT_TRUE(k.OpenRead());
  EXPECT_FALSE(k.GetString("Password", text, sizeof(text)));
  k.Close();
  std::string file;
  if (!k.FilePath().empty() && plat::ReadTextFile(k.FilePath(), &file)) {
    EXPECT_EQ(file.find("verysecret"), std::string::npos);
    EXPECT_NE(file.find("InsimPort"), std::string::npos);
  }
  // A new start has an empty password field.
  FakeDialog fresh;
  Settings again;
  DirectorHost(again, fresh, insim, nullptr, key).InitDialog();
  EXPECT_EQ(fresh.texts[1005], "");
  EXPECT_STREQ(again.password, "");
}

TEST_F(HostTest, StartAndStopSwitchButtonAndControls) {
  DirectorHost host = Host();
  host.InitDialog();
  dialog.selection[1014] = 2;
  host.OnCommand(1002, 0);
  EXPECT_EQ(insim.starts, 1);
  EXPECT_EQ(dialog.texts[1002], "Stop");
  for (int id : kSettingsIds) EXPECT_FALSE(dialog.Enabled(id)) << id;
  EXPECT_EQ(settings.activateKey, 2);
  EXPECT_EQ(Stored("FKeyA"), 2);

  // A thread that does not end in time leaves everything as it is.
  insim.stopResult = false;
  host.OnCommand(1002, 0);
  EXPECT_EQ(dialog.texts[1002], "Stop");
  EXPECT_FALSE(dialog.Enabled(1000));
  insim.stopResult = true;
  host.OnCommand(1002, 0);
  EXPECT_EQ(dialog.texts[1002], "Start");
  for (int id : kSettingsIds) EXPECT_TRUE(dialog.Enabled(id)) << id;
  EXPECT_FALSE(dialog.Enabled(1001));         // GUI access is off
  EXPECT_EQ(dialog.enabled.count(1011), 0u);  // never touched: it stays disabled

  // Only plain clicks count.
  host.OnCommand(1002, 1);
  EXPECT_EQ(insim.starts, 1);
}

TEST_F(HostTest, GuiAccessStartsTheServerWhichOwnsTheInsimThread) {
  DirectorHost host = Host(&server);
  host.InitDialog();
  dialog.checked[1007] = true;
  host.OnCommand(1007, 0);
  EXPECT_TRUE(dialog.Enabled(1001));
  EXPECT_TRUE(dialog.Enabled(1008));
  host.OnCommand(1002, 0);
  EXPECT_EQ(server.starts, 1);
  EXPECT_EQ(insim.starts, 0);
  EXPECT_FALSE(dialog.Enabled(1001));
  EXPECT_FALSE(dialog.Enabled(1008));

  // Stop: the InSim thread first; the server only when that succeeded.
  insim.running = true;
  insim.stopResult = false;
  host.OnCommand(1002, 0);
  EXPECT_EQ(server.stops, 0);
  EXPECT_EQ(dialog.texts[1002], "Stop");
  insim.stopResult = true;
  host.OnCommand(1002, 0);
  EXPECT_EQ(server.stops, 1);
  EXPECT_EQ(dialog.texts[1002], "Start");
  EXPECT_TRUE(dialog.Enabled(1001));

  // Without a server the InSim thread is started directly.
  FakeDialog other;
  FakeWorker thread;
  Settings s;
  DirectorHost direct(s, other, thread, nullptr, key);
  direct.InitDialog();
  other.checked[1007] = true;
  direct.OnCommand(1002, 0);
  EXPECT_EQ(thread.starts, 1);
}

TEST_F(HostTest, ThreadFailuresAreReportedAndTheDialogStaysStopped) {
  DirectorHost host = Host(&server);
  host.InitDialog();
  insim.startResult = false;
  host.OnCommand(1002, 0);
  server.startResult = false;
  dialog.checked[1007] = true;
  host.OnCommand(1002, 0);
  EXPECT_EQ(dialog.messages, (Strings{"Error|Insim Thread konnte nicht gestartet werden|plain",
                                      "Error|GUI Thread konnte nicht gestartet werden|plain"}));
  EXPECT_NE(dialog.texts[1002], "Stop");
  EXPECT_TRUE(dialog.Enabled(1000));
}

// The real composition root: a GUI port that another program holds is a warning with the reason,
// and the dialog stays stopped until the port is free.
TEST_F(HostTest, TakenGuiPortIsAWarningAndTheDialogStaysStopped) {
  const plat::Socket taken = plat::TcpOpen();
  ASSERT_TRUE(plat::Bind(taken, plat::kAnyAddress, 0));
  ASSERT_TRUE(plat::Listen(taken, 1));
  const std::string port = std::to_string(plat::LocalPort(taken));
  auto app = std::make_unique<DirectorApp>(key);
  DirectorHost host = app->MakeHost(dialog);
  host.InitDialog();
  dialog.checked[kIdEnableGui] = true;
  dialog.texts[kIdGuiPort] = port;

  host.OnCommand(kIdStartStop, 0);
  EXPECT_EQ(dialog.messages, Strings{"Morvane|GUI port " + port +
                                     " could not be opened: is another program using it?|warning"});
  EXPECT_NE(dialog.texts[kIdStartStop], kTextStop);
  EXPECT_TRUE(dialog.Enabled(kIdInsimPort)) << "the settings were locked";
  EXPECT_FALSE(host.WorkerRunning());

  plat::Close(taken);
  host.OnCommand(kIdStartStop, 0);
  EXPECT_EQ(dialog.messages.size(), 1u);
  EXPECT_EQ(dialog.texts[kIdStartStop], kTextStop);
  EXPECT_TRUE(host.WorkerRunning());
  host.OnCommand(kIdStartStop, 0);
  EXPECT_EQ(dialog.texts[kIdStartStop], kTextStart);
  EXPECT_FALSE(host.WorkerRunning());
}

TEST_F(HostTest, CloseStopsSavesAndEndsCancelDoesNotSave) {
  DirectorHost host = Host(&server);
  host.InitDialog();
  host.OnCommand(1002, 0);
  host.OnCommand(1003, 0);
  EXPECT_FALSE(insim.running);
  EXPECT_EQ(server.stops, 1);
  EXPECT_TRUE(dialog.ended);
  EXPECT_EQ(Stored("InsimPort"), 32300);

  FakeDialog other;
  Settings s;
  DirectorHost cancel(s, other, insim, &server, key);
  cancel.InitDialog();
  cancel.OnCommand(1002, 0);
  // Start saved; Cancel must not save again.
  plat::SettingsKey(key).DeleteKey();
  cancel.OnCancel();
  EXPECT_TRUE(other.ended);
  EXPECT_FALSE(insim.running);
  EXPECT_EQ(Stored("InsimPort"), -1);
}

// Version 10 is a button of its own (1022) beside version 4, stored as 10; it is disabled while
// running like the other settings. Any other stored value keeps its meaning: only 4 checks the
// version 4 button, so starting makes it version 3.
TEST_F(HostTest, Version10IsItsOwnButtonAndStoredValue) {
  Store("InsimVersion", 10);
  DirectorHost host = Host();
  host.InitDialog();
  EXPECT_TRUE(dialog.checked[1022]);
  EXPECT_FALSE(dialog.checked[1012]);
  host.OnCommand(1002, 0);
  EXPECT_EQ(settings.insimVersion, 10);
  EXPECT_EQ(Stored("InsimVersion"), 10);
  EXPECT_FALSE(dialog.Enabled(1022));
  host.OnCommand(1002, 0);
  EXPECT_TRUE(dialog.Enabled(1022));
  dialog.checked[1022] = false;  // the radio group: a click on version 4 unchecks version 10
  dialog.checked[1012] = true;
  host.OnCommand(1002, 0);
  EXPECT_EQ(Stored("InsimVersion"), 4);
  host.OnCommand(1002, 0);

  for (std::uint32_t stored : {5u, 9u, 0u}) {
    Store("InsimVersion", stored);
    FakeDialog fresh;
    Settings again;
    DirectorHost other(again, fresh, insim, nullptr, key);
    other.InitDialog();
    EXPECT_FALSE(fresh.checked[1012]) << stored;
    EXPECT_FALSE(fresh.checked[1022]) << stored;
    EXPECT_TRUE(other.ApplySettings(true, false));
    EXPECT_EQ(again.insimVersion, 3) << stored;
  }
}

// The broadcast rules are a check box of their own (1023), stored as "Rules" 1; a user who never
// chose a rule set keeps the stored values of before (no "Rules" at all).
TEST_F(HostTest, BroadcastRulesAreACheckBoxStoredOnceChosen) {
  DirectorHost host = Host();
  host.InitDialog();
  EXPECT_FALSE(dialog.checked[1023]);
  host.OnCommand(1002, 0);
  EXPECT_EQ(settings.rules, kRulesClassic);
  EXPECT_EQ(Stored("Rules"), -1);
  EXPECT_FALSE(dialog.Enabled(1023));
  host.OnCommand(1002, 0);
  dialog.checked[1023] = true;
  host.OnCommand(1002, 0);
  EXPECT_EQ(settings.rules, kRulesBroadcast);
  EXPECT_EQ(Stored("Rules"), 1);
  host.OnCommand(1002, 0);
  dialog.checked[1023] = false;
  host.OnCommand(1002, 0);
  EXPECT_EQ(Stored("Rules"), 0);
  host.OnCommand(1002, 0);

  for (std::uint32_t stored : {1u, 2u}) {
    Store("Rules", stored);
    FakeDialog fresh;
    Settings again;
    DirectorHost other(again, fresh, insim, nullptr, key);
    other.InitDialog();
    EXPECT_EQ(fresh.checked[1023], stored == 1) << stored;
  }
}

TEST_F(HostTest, AWebPortRunsTheWebViewBesideTheLinkAndItsFailureIsOnlyAWarning) {
  FakeWorker web;
  DirectorHost host(settings, dialog, insim, nullptr, key, &web);
  host.InitDialog();
  EXPECT_EQ(dialog.texts[1024], "") << "off by default";
  host.OnCommand(1002, 0);
  EXPECT_EQ(web.starts, 0);
  EXPECT_EQ(Stored("WebPort"), -1) << "a user who never set it keeps the stored values of before";
  host.OnCommand(1002, 0);

  dialog.texts[1024] = " 8080 ";
  host.OnCommand(1002, 0);
  EXPECT_TRUE(web.running);
  EXPECT_TRUE(insim.running);
  EXPECT_EQ(settings.webPort, 8080);
  EXPECT_EQ(Stored("WebPort"), 8080);
  EXPECT_FALSE(dialog.Enabled(1024));
  host.OnCommand(1002, 0);
  EXPECT_FALSE(web.running);
  EXPECT_TRUE(dialog.Enabled(1024));

  dialog.texts[1024] = "80a";
  host.OnCommand(1002, 0);
  EXPECT_EQ(dialog.messages.back(), "Morvane|please enter valid portnumbers|warning");
  EXPECT_FALSE(insim.running);

  web.startResult = false;
  web.failure = "the web view could not listen on 127.0.0.1:8080";
  dialog.texts[1024] = "8080";
  host.OnCommand(1002, 0);
  EXPECT_EQ(dialog.messages.back(), "Morvane|the web view could not listen on 127.0.0.1:8080|warning");
  EXPECT_TRUE(insim.running) << "the director runs without its web view";
  host.OnCommand(1002, 0);

  web.startResult = true;
  insim.startResult = false;
  host.OnCommand(1002, 0);
  EXPECT_FALSE(web.running) << "no web view for a director that did not start";
  insim.startResult = true;

  dialog.texts[1024] = "";
  host.OnCommand(1002, 0);
  EXPECT_EQ(Stored("WebPort"), 0) << "switched off again, and kept so";
  host.OnCommand(1002, 0);
  dialog.texts[1024] = "9000";
  host.OnCommand(1002, 0);
  EXPECT_TRUE(web.running);
  host.OnCommand(kIdClose, 0);
  EXPECT_FALSE(web.running);
  EXPECT_TRUE(dialog.ended);
}

TEST_F(HostTest, TheWebAddressIsStoredTextAndOnlyDottedIpv4IsTaken) {
  {
    plat::SettingsKey k(key);
    ASSERT_TRUE(k.OpenWrite());
    ASSERT_TRUE(k.SetString("WebBind", "0.0.0.0"));
    ASSERT_TRUE(k.Close());
  }
  EXPECT_STREQ(LoadSettings(key).webBind, "0.0.0.0");
  {
    plat::SettingsKey k(key);
    ASSERT_TRUE(k.OpenWrite());
    ASSERT_TRUE(k.SetString("WebBind", "example.com"));
    ASSERT_TRUE(k.Close());
  }
  Settings loaded = LoadSettings(key);
  EXPECT_STREQ(loaded.webBind, "127.0.0.1");
  ASSERT_TRUE(SaveSettings(loaded, key));
  plat::SettingsKey k(key);
  char text[32] = {};
  ASSERT_TRUE(k.OpenRead());
  ASSERT_TRUE(k.GetString("WebBind", text, sizeof text));
  EXPECT_STREQ(text, "127.0.0.1") << "a stored address is written back, repaired";
  k.Close();

  plat::SettingsKey(key).DeleteKey();
  ASSERT_TRUE(SaveSettings(Settings{}, key));
  plat::SettingsKey fresh(key);
  ASSERT_TRUE(fresh.OpenRead());
  EXPECT_FALSE(fresh.GetString("WebBind", text, sizeof text)) << "the default is not written";
  fresh.Close();
}

TEST(HostPorts, ParsePort) {
  const struct {
    const char* text;
    int port;  // -1: refused
  } cases[] = {{"32300", 32300}, {"  7 ", 7},  {"65535", 65535}, {"0", 0},
               {"", -1},         {"  ", -1},   {"-1", -1},       {"+5", -1},
               {"1 2", -1},      {"0x10", -1}, {"65536", -1},    {"4294967296", -1}};
  for (const auto& c : cases) {
    std::uint16_t port = 1;
    EXPECT_EQ(ParsePort(c.text, &port), c.port >= 0) << c.text;
    EXPECT_EQ(port, c.port >= 0 ? c.port : 1) << c.text;  // untouched when refused
  }
}

TEST(HostPorts, AnEmptyWebPortIsOff) {
  std::uint16_t port = 1;
  EXPECT_TRUE(ParseWebPort("", &port));
  EXPECT_EQ(port, 0);
  port = 1;
  EXPECT_TRUE(ParseWebPort("   ", &port));
  EXPECT_EQ(port, 0);
  EXPECT_TRUE(ParseWebPort(" 8080", &port));
  EXPECT_EQ(port, 8080);
  EXPECT_FALSE(ParseWebPort("80 80", &port));
  EXPECT_FALSE(ParseWebPort("65536", &port));
}

}  // namespace
}  // namespace director
