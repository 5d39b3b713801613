// The Connect dialog without its window: the remembered values ("IPaddress", "Portnumber",
// "RemoteConnect" under the settings key), the check of what the user typed, and the address and
// port the link then uses.
//
// The port is any unsigned 32-bit number as typed and stored; the link uses its low 16 bits.
// Without "remote" the typed address is only remembered and the link goes to 127.0.0.1.
#pragma once

#include <cstdint>

namespace plat {
class SettingsKey;
}

namespace gui {

inline constexpr int kIpTextSize = 50;  // the IP field holds up to 49 characters
inline constexpr std::uint32_t kDefaultGuiPort = 32301;

struct ConnectValues {
  char ip[kIpTextSize] = "127.0.0.1";
  std::uint32_t port = kDefaultGuiPort;
  std::uint32_t remote = 0;
};

// Defaults, overridden by the values found under the key; a missing key or value keeps them.
ConnectValues LoadConnectValues(plat::SettingsKey& key);
// Writes the three values; false when the key cannot be written (not reported to the user).
bool StoreConnectValues(plat::SettingsKey& key, const ConnectValues& values);

struct ConnectCheck {
  const char* message = nullptr;  // null when the input is good; otherwise what to tell the user
  ConnectValues values;           // what to store
  std::uint32_t address = 0;      // IPv4, host byte order
  std::uint16_t port = 0;
};
// The OK button's check of the three fields.
ConnectCheck CheckConnect(bool remoteChecked, const char* ipText, const char* portText);

// An unsigned decimal number (blanks around it allowed) as the dialog fields take it; false for
// anything else, and for a value beyond 32 bits.
bool ParseUnsigned(const char* text, std::uint32_t* value);

inline constexpr const char* kMsgEnterIp = "enter an ip address";
inline constexpr const char* kMsgBadIp = "no valid ip address";
inline constexpr const char* kMsgBadPort = "no valid portnumber";
inline constexpr const char* kMsgThreadFailed =
    "Communication Thread konnte nicht gestartet werden";
inline constexpr const char* kCaptionMorvane = "Morvane";
inline constexpr const char* kCaptionError = "Error";

}  // namespace gui
