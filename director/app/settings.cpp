#include "director/app/settings.h"

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
  return key.Close() && ok;
}

}  // namespace director
