// The per-user settings store: key "Software\Morvane" of the current user.
//
// On Windows this is the registry (HKEY_CURRENT_USER); elsewhere a small text file
// $XDG_CONFIG_HOME/morvane/settings (or ~/.config/morvane/settings) holding the same named 32-bit
// and string values. Both programs keep their values under the one key.
//
// Open a key for reading or for writing, get or set values, Close. A value that was never stored
// is reported as missing, so the caller keeps its default. Writes become visible at Close; the
// file is replaced atomically (temporary file, then rename), so a crash or a full disk leaves the
// previous settings intact. Failures are reported by the result and are never fatal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace plat {

inline constexpr const char* kSettingsKey = "Software\\Morvane";

class SettingsKey {
 public:
  // keyPath is the registry path under the current user; POSIX derives the file from its last
  // component ("Software\Morvane" -> morvane/settings, "Software\MorvaneTest" ->
  // morvanetest/settings), so tests can use a key of their own.
  explicit SettingsKey(std::string keyPath = kSettingsKey);
  ~SettingsKey();
  SettingsKey(const SettingsKey&) = delete;
  SettingsKey& operator=(const SettingsKey&) = delete;

  // Opens an existing key for reading; false when there is none.
  bool OpenRead();
  // Creates or opens the key for writing; false when that is impossible.
  bool OpenWrite();
  // Writes pending changes (POSIX) and closes; false when they could not be written.
  bool Close();

  // False when the key is not open or the value is missing or of the other type.
  bool GetU32(const char* name, std::uint32_t* value) const;
  // Copies at most size - 1 characters and a terminator; false when missing.
  bool GetString(const char* name, char* buf, std::size_t size) const;
  bool SetU32(const char* name, std::uint32_t value);
  bool SetString(const char* name, const char* value);

  // Removes the whole key with its values (tests, uninstall); true when it is gone.
  bool DeleteKey();

  // The POSIX file behind the key (empty on Windows); for tests and messages.
  std::string FilePath() const;

 private:
  std::string keyPath_;
  bool open_ = false;
  bool writable_ = false;
  bool dirty_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;  // the open HKEY
#endif
  struct Value {
    bool isString = false;
    std::uint32_t number = 0;
    std::string text;
  };
  std::map<std::string, Value> values_;  // POSIX: the file's contents while open
};

}  // namespace plat
