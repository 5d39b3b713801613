#include "director/app/host.h"

#include <cstring>

#include "platform/text.h"

namespace director {

const char* const kHotkeyNames[kHotkeyCount] = {
    "Ctrl-F1", "Ctrl-F2", "Ctrl-F3", "Ctrl-F4",  "Ctrl-F5",  "Ctrl-F6",
    "Ctrl-F7", "Ctrl-F8", "Ctrl-F9", "Ctrl-F10", "Ctrl-F11", "Ctrl-F12",
};

namespace {

// The settings controls that Start disables and Stop enables again.
constexpr int kSettingsControls[] = {
    kIdInsimPort,   kIdPassword,       kIdEnableGui,     kIdInsimPortLabel, kIdPasswordLabel,
    kIdVersion4,    kIdActivateKey,    kIdDeactivateKey, kIdActivateLabel,  kIdDeactivateLabel,
    kIdHotkeyGroup, kIdDisableOverlay, kIdAutoActivate,  kIdVersion10,      kIdBroadcastRules,
    kIdWebPort,     kIdWebPortLabel,
};

constexpr std::uint32_t kMaxPort = 65535;

}  // namespace

bool ParsePort(const std::string& text, std::uint16_t* port) {
  std::size_t i = 0;
  while (i < text.size() && plat::IsBlank(text[i])) ++i;
  std::uint32_t value = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
    // A port above 65535 would silently become another port; refuse it instead.
    if (value > kMaxPort) return false;
  }
  while (i < text.size() && plat::IsBlank(text[i])) ++i;
  if (digits == 0 || i != text.size()) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

bool ParseWebPort(const std::string& text, std::uint16_t* port) {
  std::size_t i = 0;
  while (i < text.size() && plat::IsBlank(text[i])) ++i;
  if (i == text.size()) {
    *port = 0;
    return true;
  }
  return ParsePort(text, port);
}

DirectorHost::DirectorHost(Settings& settings, DialogControls& controls, LinkWorker& insim,
                           LinkWorker* guiServer, std::string settingsKey, LinkWorker* web)
    : settings_(settings),
      controls_(controls),
      insim_(insim),
      guiServer_(guiServer),
      settingsKey_(std::move(settingsKey)),
      web_(web) {}

void DirectorHost::InitDialog() {
  FillControls();
  if (settings_.autoActivate != 0) ApplySettings(false, true);
}

void DirectorHost::FillControls() {
  settings_ = LoadSettings(settingsKey_);
  controls_.SetText(kIdInsimPort, std::to_string(settings_.insimPort));
  controls_.SetText(kIdGuiPort, std::to_string(settings_.guiPort));
  controls_.SetChecked(kIdEnableGui, settings_.guiAccess != 0);
  controls_.SetChecked(kIdDisableOverlay, settings_.overlayDisabled != 0);
  controls_.SetChecked(kIdAutoActivate, settings_.autoActivate != 0);
  controls_.SetChecked(kIdBroadcastRules, settings_.rules == kRulesBroadcast);
  controls_.SetText(kIdWebPort, settings_.webPort != 0 ? std::to_string(settings_.webPort) : "");
  if (settings_.insimVersion == 4) controls_.SetChecked(kIdVersion4, true);
  if (settings_.insimVersion == 10) controls_.SetChecked(kIdVersion10, true);
  controls_.Enable(kIdGuiPort, settings_.guiAccess != 0);
  controls_.Enable(kIdGuiPortLabel, settings_.guiAccess != 0);
  controls_.FillList(kIdActivateKey, kHotkeyNames, kHotkeyCount);
  controls_.FillList(kIdDeactivateKey, kHotkeyNames, kHotkeyCount);
  controls_.SetSelection(kIdActivateKey, settings_.activateKey);
  controls_.SetSelection(kIdDeactivateKey, settings_.deactivateKey);
}

bool DirectorHost::ApplySettings(bool save, bool start) {
  const bool guiAccess = controls_.IsChecked(kIdEnableGui);
  const bool version4 = controls_.IsChecked(kIdVersion4);
  const bool version10 = controls_.IsChecked(kIdVersion10);
  const bool overlayDisabled = controls_.IsChecked(kIdDisableOverlay);
  const bool autoActivate = controls_.IsChecked(kIdAutoActivate);
  const bool broadcast = controls_.IsChecked(kIdBroadcastRules);
  const int activateKey = controls_.GetSelection(kIdActivateKey);
  const int deactivateKey = controls_.GetSelection(kIdDeactivateKey);
  if (activateKey >= 0 && activateKey < kHotkeyCount) settings_.activateKey = activateKey;
  if (deactivateKey >= 0 && deactivateKey < kHotkeyCount) settings_.deactivateKey = deactivateKey;
  const std::string password = controls_.GetText(kIdPassword);
  std::memset(settings_.password, 0, sizeof(settings_.password));
  std::memcpy(settings_.password, password.data(),
              password.size() < static_cast<std::size_t>(kPasswordChars)
                  ? password.size()
                  : static_cast<std::size_t>(kPasswordChars));

  std::uint16_t insimPort = 0;
  std::uint16_t guiPort = 0;
  const bool insimOk = ParsePort(controls_.GetText(kIdInsimPort), &insimPort) && insimPort != 0;
  // The GUI port only matters with GUI access on; port 0 would listen where no client can find it.
  const bool guiOk =
      !guiAccess || (ParsePort(controls_.GetText(kIdGuiPort), &guiPort) && guiPort != 0);
  std::uint16_t webPort = 0;
  const bool webOk = ParseWebPort(controls_.GetText(kIdWebPort), &webPort);
  if (!insimOk || !guiOk || !webOk) {
    controls_.ShowMessage(kMsgInvalidPorts, kCaption, MessageKind::kWarning);
    return false;
  }

  // Version 10 is its own button beside version 4; neither checked still means version 3.
  settings_.insimVersion = version10 ? 10 : version4 ? 4 : 3;
  settings_.insimPort = insimPort;
  settings_.guiAccess = guiAccess ? 1 : 0;
  settings_.overlayDisabled = overlayDisabled ? 1 : 0;
  settings_.autoActivate = autoActivate ? 1 : 0;
  settings_.rules = broadcast ? kRulesBroadcast : kRulesClassic;
  // Once chosen, the rule set is stored from then on, so going back to classic is kept too.
  if (broadcast) settings_.rulesStored = 1;
  if (guiAccess) settings_.guiPort = guiPort;
  settings_.webPort = webPort;
  if (webPort != 0) settings_.webPortStored = 1;
  if (save) SaveSettings(settings_, settingsKey_);

  if (start) {
    StartWebView();
    const bool viaServer = guiAccess && guiServer_ != nullptr;
    const bool started = viaServer ? guiServer_->StartWorker() : insim_.StartWorker();
    if (!started && web_ != nullptr) web_->StopWorker();
    if (started) {
      controls_.SetText(kIdStartStop, kTextStop);
      EnableSettingsControls(false);
    } else if (const char* reason = (viaServer ? *guiServer_ : insim_).StartFailure();
               reason != nullptr && reason[0] != '\0') {
      controls_.ShowMessage(reason, kCaption, MessageKind::kWarning);
    } else {
      controls_.ShowMessage(viaServer ? kMsgGuiThreadFailed : kMsgInsimThreadFailed, kCaptionError,
                            MessageKind::kError);
    }
  }
  return true;
}

void DirectorHost::EnableSettingsControls(bool enable) {
  for (int id : kSettingsControls) controls_.Enable(id, enable);
  if (settings_.guiAccess != 0) {
    controls_.Enable(kIdGuiPort, enable);
    controls_.Enable(kIdGuiPortLabel, enable);
  }
}

bool DirectorHost::WorkerRunning() const {
  return insim_.WorkerRunning() || (guiServer_ != nullptr && guiServer_->WorkerRunning());
}

void DirectorHost::OnCommand(int id, int notifyCode) {
  if (notifyCode != 0) return;
  if (id == kIdStartStop) {
    if (!WorkerRunning()) {
      ApplySettings(true, true);
      return;
    }
    // The server is stopped only once the InSim thread has ended; either one still running
    // leaves the dialog running so that Stop can be pressed again.
    if (!insim_.StopWorker()) return;
    if (guiServer_ != nullptr && !guiServer_->StopWorker()) return;
    if (web_ != nullptr) web_->StopWorker();
    controls_.SetText(kIdStartStop, kTextStart);
    EnableSettingsControls(true);
  } else if (id == kIdClose) {
    StopWorkers();
    if (ApplySettings(true, false)) controls_.EndDialog();
  } else if (id == kIdEnableGui) {
    const bool on = controls_.IsChecked(kIdEnableGui);
    controls_.Enable(kIdGuiPort, on);
    controls_.Enable(kIdGuiPortLabel, on);
  }
}

void DirectorHost::CloseQuietly() {
  StopWorkers();
  if (PortsValid()) ApplySettings(true, false);
  controls_.EndDialog();
}

bool DirectorHost::PortsValid() {
  std::uint16_t port = 0;
  if (!ParsePort(controls_.GetText(kIdInsimPort), &port) || port == 0) return false;
  if (!ParseWebPort(controls_.GetText(kIdWebPort), &port)) return false;
  if (!controls_.IsChecked(kIdEnableGui)) return true;
  return ParsePort(controls_.GetText(kIdGuiPort), &port) && port != 0;
}

void DirectorHost::OnCancel() {
  StopWorkers();
  controls_.EndDialog();
}

void DirectorHost::StopWorkers() {
  insim_.StopWorker();
  if (guiServer_ != nullptr) guiServer_->StopWorker();
  if (web_ != nullptr) web_->StopWorker();
}

// The web view is an extra: when it cannot start, the user hears why and the director runs on.
void DirectorHost::StartWebView() {
  if (web_ == nullptr || settings_.webPort == 0 || web_->WorkerRunning()) return;
  if (web_->StartWorker()) return;
  const char* reason = web_->StartFailure();
  controls_.ShowMessage(reason != nullptr ? reason : "the web view could not start", kCaption,
                        MessageKind::kWarning);
}

}  // namespace director
