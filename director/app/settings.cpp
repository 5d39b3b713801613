#include "director/app/settings.h"

#include <cstring>

#include "platform/net.h"

namespace director {

namespace {

template <typename T>
void ReadValue(const plat::SettingsKey& key, const char* name, T* field) {
  std::uint32_t value = 0;
  if (key.GetU32(name, &value)) *field = static_cast<T>(value);
}

void ReadHotkey(const plat::SettingsKey& key, const char* name, std::int32_t* field) {
  std::uint32_t value = 0;
  if (!key.GetU32(name, &value)) return;
  const auto index = static_cast<std::int32_t>(value);
  if (index >= 0 && index < kHotkeyCount) *field = index;
}

void ReadWebSettings(const plat::SettingsKey& key, Settings* settings) {
  std::uint32_t port = 0;
  if (key.GetU32(kValueWebPort, &port)) {
    settings->webPortStored = 1;
    if (port <= 65535) settings->webPort = static_cast<std::uint16_t>(port);
  }
  char bind[kWebBindSize] = {};
  std::uint32_t ip = 0;
  if (key.GetString(kValueWebBind, bind, sizeof bind)) {
    settings->webBindStored = 1;
    if (plat::ParseIPv4(bind, &ip)) std::memcpy(settings->webBind, bind, sizeof bind);
  }
}

bool WriteWebSettings(plat::SettingsKey& key, const Settings& settings) {
  bool ok = true;
  if (settings.webPort != 0 || settings.webPortStored != 0)
    ok = key.SetU32(kValueWebPort, settings.webPort) && ok;
  if (std::strcmp(settings.webBind, Settings{}.webBind) != 0 || settings.webBindStored != 0)
    ok = key.SetString(kValueWebBind, settings.webBind) && ok;
  return ok;
}

}  // namespace

Settings LoadSettings(const std::string& keyPath) {
  Settings settings;
  plat::SettingsKey key(keyPath);
  if (!key.OpenRead()) return settings;
  ReadValue(key, kValueInsimPort, &settings.insimPort);
  ReadValue(key, kValueInsimVersion, &settings.insimVersion);
  ReadValue(key, kValueGuiPort, &settings.guiPort);
  ReadValue(key, kValueEnableGui, &settings.guiAccess);
  ReadHotkey(key, kValueFKeyA, &settings.activateKey);
  ReadHotkey(key, kValueFKeyB, &settings.deactivateKey);
  ReadValue(key, kValueDisableOverlay, &settings.overlayDisabled);
  ReadValue(key, kValueAutoActivate, &settings.autoActivate);
  std::uint32_t rules = 0;
  if (key.GetU32(kValueRules, &rules)) {
    settings.rulesStored = 1;
    settings.rules = rules == kRulesBroadcast ? kRulesBroadcast : kRulesClassic;
  }
  ReadWebSettings(key, &settings);
  key.Close();
  return settings;
}

bool SaveSettings(const Settings& settings, const std::string& keyPath) {
  plat::SettingsKey key(keyPath);
  if (!key.OpenWrite()) return false;
  bool ok = key.SetU32(kValueInsimPort, settings.insimPort);
  ok = key.SetU32(kValueInsimVersion, settings.insimVersion) && ok;
  if (settings.guiAccess != 0) ok = key.SetU32(kValueGuiPort, settings.guiPort) && ok;
  ok = key.SetU32(kValueEnableGui, settings.guiAccess) && ok;
  ok = key.SetU32(kValueFKeyA, static_cast<std::uint32_t>(settings.activateKey)) && ok;
  ok = key.SetU32(kValueFKeyB, static_cast<std::uint32_t>(settings.deactivateKey)) && ok;
  ok = key.SetU32(kValueDisableOverlay, settings.overlayDisabled) && ok;
  ok = key.SetU32(kValueAutoActivate, settings.autoActivate) && ok;
  if (settings.rules != kRulesClassic || settings.rulesStored != 0) {
    ok = key.SetU32(kValueRules, settings.rules) && ok;
  }
  ok = WriteWebSettings(key, settings) && ok;
  return key.Close() && ok;
}

}  // namespace director
