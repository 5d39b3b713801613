// The settings key in the registry of the current user. Numbers are REG_DWORD, texts REG_SZ.
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstring>
#include <vector>

#include "platform/settings_store.h"

namespace plat {

namespace {

HKEY Key(void* handle) { return static_cast<HKEY>(handle); }

}  // namespace

SettingsKey::SettingsKey(std::string keyPath) : keyPath_(std::move(keyPath)) {}

SettingsKey::~SettingsKey() { Close(); }

std::string SettingsKey::FilePath() const { return std::string(); }

bool SettingsKey::OpenRead() {
  Close();
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
    return false;
  }
  handle_ = h;
  open_ = true;
  return true;
}

bool SettingsKey::OpenWrite() {
  Close();
  HKEY h = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  handle_ = h;
  open_ = true;
  writable_ = true;
  return true;
}

bool SettingsKey::Close() {
  if (handle_ != nullptr) RegCloseKey(Key(handle_));
  handle_ = nullptr;
  open_ = false;
  writable_ = false;
  dirty_ = false;
  return true;
}

bool SettingsKey::GetU32(const char* name, std::uint32_t* value) const {
  if (!open_ || name == nullptr || value == nullptr) return false;
  DWORD type = 0;
  BYTE data[4];
  DWORD size = sizeof data;
  if (RegQueryValueExA(Key(handle_), name, nullptr, &type, data, &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != 4) {
    return false;
  }
  *value = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  return true;
}

bool SettingsKey::GetString(const char* name, char* buf, std::size_t size) const {
  if (!open_ || name == nullptr || buf == nullptr || size == 0) return false;
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExA(Key(handle_), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  // A stored text need not end with its terminator; read it whole and cut it here.
  std::vector<char> data(bytes + 1, '\0');
  DWORD got = bytes;
  if (RegQueryValueExA(Key(handle_), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &got) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  data[got < bytes ? got : bytes] = '\0';
  const std::size_t len = std::strlen(data.data());
  const std::size_t n = len < size - 1 ? len : size - 1;
  std::memcpy(buf, data.data(), n);
  buf[n] = '\0';
  return true;
}

bool SettingsKey::SetU32(const char* name, std::uint32_t value) {
  if (!open_ || !writable_ || name == nullptr || name[0] == '\0') return false;
  const BYTE data[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                        static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  return RegSetValueExA(Key(handle_), name, 0, REG_DWORD, data, sizeof data) == ERROR_SUCCESS;
}

bool SettingsKey::SetString(const char* name, const char* value) {
  if (!open_ || !writable_ || name == nullptr || name[0] == '\0' || value == nullptr) return false;
  const DWORD bytes = static_cast<DWORD>(std::strlen(value) + 1);
  return RegSetValueExA(Key(handle_), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        bytes) == ERROR_SUCCESS;
}

bool SettingsKey::DeleteKey() {
  Close();
  RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, keyPath_.c_str());
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
    RegCloseKey(h);
    return false;
  }
  return true;
}

}  // namespace plat
