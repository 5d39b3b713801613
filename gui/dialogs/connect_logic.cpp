#include "gui/dialogs/connect_logic.h"

#include <cstring>

#include "platform/net.h"
#include "platform/settings_store.h"
#include "platform/text.h"

namespace gui {

namespace {

constexpr const char* kIpValue = "IPaddress";
constexpr const char* kPortValue = "Portnumber";
constexpr const char* kRemoteValue = "RemoteConnect";

void CopyIp(char* out, const char* text) {
  std::size_t n = strnlen(text, kIpTextSize - 1);
  std::memcpy(out, text, n);
  out[n] = '\0';
}

}  // namespace

bool ParseUnsigned(const char* text, std::uint32_t* value) {
  if (text == nullptr) return false;
  while (plat::IsBlank(*text)) ++text;
  if (*text < '0' || *text > '9') return false;
  std::uint64_t v = 0;
  while (*text >= '0' && *text <= '9') {
    v = v * 10 + static_cast<std::uint64_t>(*text - '0');
    if (v > 0xFFFFFFFFu) return false;
    ++text;
  }
  while (plat::IsBlank(*text)) ++text;
  if (*text != '\0') return false;
  *value = static_cast<std::uint32_t>(v);
  return true;
}

ConnectValues LoadConnectValues(plat::SettingsKey& key) {
  ConnectValues v;
  if (!key.OpenRead()) return v;
  char ip[kIpTextSize];
  if (key.GetString(kIpValue, ip, sizeof ip)) CopyIp(v.ip, ip);
  key.GetU32(kPortValue, &v.port);
  key.GetU32(kRemoteValue, &v.remote);
  key.Close();
  return v;
}

bool StoreConnectValues(plat::SettingsKey& key, const ConnectValues& values) {
  if (!key.OpenWrite()) return false;
  bool ok = key.SetString(kIpValue, values.ip);
  ok = key.SetU32(kPortValue, values.port) && ok;
  ok = key.SetU32(kRemoteValue, values.remote) && ok;
  return key.Close() && ok;
}

ConnectCheck CheckConnect(bool remoteChecked, const char* ipText, const char* portText) {
  ConnectCheck c;
  c.values.remote = remoteChecked ? 1 : 0;
  CopyIp(c.values.ip, ipText != nullptr ? ipText : "");
  if (remoteChecked) {
    if (c.values.ip[0] == '\0') {
      c.message = kMsgEnterIp;
      return c;
    }
    if (!plat::ParseIPv4(c.values.ip, &c.address)) {
      c.message = kMsgBadIp;
      return c;
    }
  } else {
    c.address = plat::kLoopback;
  }
  if (!ParseUnsigned(portText, &c.values.port)) {
    c.message = kMsgBadPort;
    return c;
  }
  c.port = static_cast<std::uint16_t>(c.values.port);
  return c;
}

}  // namespace gui
