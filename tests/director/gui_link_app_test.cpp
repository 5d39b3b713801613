// The dialog logic over the real composition root when the GUI port cannot be opened. (The
// console program with GUI access runs end to end against the simulator stand-in in tests/e2e.)
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "director/app/director_app.h"
#include "fake_simulator.h"  // starts Windows Sockets for the test program
#include "platform/net.h"

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
