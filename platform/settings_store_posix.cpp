// The settings key as a text file, one value per line:
//
//   InsimPort=u32:32300
//   IPaddress=str:127.0.0.1
//
// Names and strings escape '\' as "\\", line breaks as "\n" and "\r", other control characters as
// "\xHH", and a name also its '=', its outer blanks and a leading '#' or ';' (which would make the
// line a comment), so that every value comes back exactly as it was set. The file may have been
// edited by hand or damaged: lines that cannot be read are skipped (and dropped at the next
// write), the first of two values of one name wins, and nothing in the file can make the reader
// fail or read out of bounds.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/settings_store.h"
#include "platform/text.h"

namespace plat {

namespace {

constexpr const char* kHeader = "# Morvane settings: name=u32:number or name=str:text\n";

// The stored value of a name in any case: value names ignore ASCII case, as in the registry. A
// key holds a handful of values, so a scan will do.
template <typename Map>
auto FindName(Map& values, std::string_view name) {
  auto it = values.begin();
  while (it != values.end() && !SameName(it->first, name)) ++it;
  return it;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendEscaped(std::string* out, std::string_view text, bool isName) {
  static const char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const bool outerBlank = isName && IsBlank(text[i]) && (i == 0 || i + 1 == text.size());
    // A name starting like a comment line would be skipped by the reader and lost.
    const bool commentMark = isName && i == 0 && (c == '#' || c == ';');
    if (c == '\\') {
      *out += "\\\\";
    } else if (c == '\n') {
      *out += "\\n";
    } else if (c == '\r') {
      *out += "\\r";
    } else if (c < 0x20 || c == 0x7F || outerBlank || commentMark || (isName && c == '=')) {
      *out += "\\x";
      *out += kHex[c >> 4];
      *out += kHex[c & 15];
    } else {
      *out += static_cast<char>(c);
    }
  }
}

// Undoes AppendEscaped; false for a broken escape or a NUL, which no C string can hold.
bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\0') return false;
    if (c != '\\') {
      *out += c;
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\':
        c = '\\';
        break;
      case 'n':
        c = '\n';
        break;
      case 'r':
        c = '\r';
        break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        const int hi = HexDigit(text[i + 1]);
        const int lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return false;
        c = static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        return false;
    }
    *out += c;
  }
  return true;
}

// A decimal number of at most 32 bits, nothing else.
bool ParseU32(std::string_view s, std::uint32_t* value) {
  if (s.empty() || s.size() > 10) return false;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (v > 0xFFFFFFFFu) return false;
  *value = static_cast<std::uint32_t>(v);
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Where the key's file lives: $XDG_CONFIG_HOME or ~/.config, then the key's last component.
std::string ConfigDirectory(const std::string& keyPath) {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;  // a relative value is not valid and is ignored
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return std::string();
    base = std::string(home) + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string last = keyPath.substr(keyPath.rfind('\\') + 1);  // npos + 1 == 0
  std::string dir;
  for (char c : last) {
    // Keep the name a plain file name whatever the key says.
    if (c == '/' || c == '\0') c = '_';
    dir += Lower(c);
  }
  if (dir.empty() || dir == "." || dir == "..") return std::string();
  return base + "/" + dir;
}

struct ParsedValue {
  std::string name;
  bool isString;
  std::uint32_t number;
  std::string text;
};

bool ParseLine(std::string_view line, ParsedValue* v) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() == '#' || trimmed.front() == ';') return false;
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  if (!Unescape(TrimBlanks(line.substr(0, eq)), &v->name) || v->name.empty()) return false;
  std::string_view rest = line.substr(eq + 1);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (rest.substr(0, 4) == "u32:") {
    v->isString = false;
    return ParseU32(TrimBlanks(rest.substr(4)), &v->number);
  }
  if (rest.substr(0, 4) == "str:") {
    v->isString = true;
    return Unescape(rest.substr(4), &v->text);
  }
  return false;
}

}  // namespace

SettingsKey::SettingsKey(std::string keyPath) : keyPath_(std::move(keyPath)) {}

SettingsKey::~SettingsKey() { Close(); }

std::string SettingsKey::FilePath() const {
  const std::string dir = ConfigDirectory(keyPath_);
  return dir.empty() ? std::string() : dir + "/settings";
}

bool SettingsKey::OpenRead() {
  Close();
  const std::string path = FilePath();
  std::string raw;
  if (path.empty() || !ReadTextFile(path, &raw)) return false;
  std::size_t pos = 0;
  while (pos < raw.size()) {
    std::size_t end = raw.find('\n', pos);
    if (end == std::string::npos) end = raw.size();
    ParsedValue v;
    if (ParseLine(std::string_view(raw).substr(pos, end - pos), &v) &&
        FindName(values_, v.name) == values_.end()) {
      Value& stored = values_[v.name];
      stored.isString = v.isString;
      stored.number = v.number;
      stored.text = v.isString ? std::move(v.text) : std::string();
    }
    pos = end + 1;
  }
  open_ = true;
  return true;
}

bool SettingsKey::OpenWrite() {
  Close();
  const std::string path = FilePath();
  if (path.empty()) return false;
  // The configuration directory itself may be missing on a fresh account: make every level.
  const std::string dir = path.substr(0, path.rfind('/'));
  for (std::size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
    const std::string level = dir.substr(0, slash);
    if (!DirectoryExists(level) && !MakeDirectory(level)) return false;
    if (slash == std::string::npos) break;
  }
  if (FileExists(path)) {
    // Existing values are kept; a file that exists but cannot be read must not be overwritten
    // with only the new values.
    if (!OpenRead()) return false;
  } else {
    open_ = true;
  }
  writable_ = true;
  return true;
}

bool SettingsKey::Close() {
  bool ok = true;
  // A key opened for writing exists afterwards, values or not, as a registry key would.
  if (open_ && writable_ && (dirty_ || !FileExists(FilePath()))) {
    std::string out = kHeader;
    for (const auto& [name, value] : values_) {
      AppendEscaped(&out, name, true);
      if (value.isString) {
        out += "=str:";
        AppendEscaped(&out, value.text, false);
      } else {
        out += "=u32:" + std::to_string(value.number);
      }
      out += '\n';
    }
    ok = WriteFileAtomic(FilePath(), out);
  }
  open_ = false;
  writable_ = false;
  dirty_ = false;
  values_.clear();
  return ok;
}

bool SettingsKey::GetU32(const char* name, std::uint32_t* value) const {
  if (!open_ || name == nullptr || value == nullptr) return false;
  const auto it = FindName(values_, name);
  if (it == values_.end() || it->second.isString) return false;
  *value = it->second.number;
  return true;
}

bool SettingsKey::GetString(const char* name, char* buf, std::size_t size) const {
  if (!open_ || name == nullptr || buf == nullptr || size == 0) return false;
  const auto it = FindName(values_, name);
  if (it == values_.end() || !it->second.isString) return false;
  const std::string& text = it->second.text;
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return true;
}

bool SettingsKey::SetU32(const char* name, std::uint32_t value) {
  if (!open_ || !writable_ || name == nullptr || name[0] == '\0') return false;
  // An existing value keeps the spelling of its name, as in the registry.
  auto it = FindName(values_, name);
  Value& v = it != values_.end() ? it->second : values_[name];
  v.isString = false;
  v.number = value;
  v.text.clear();
  dirty_ = true;
  return true;
}

bool SettingsKey::SetString(const char* name, const char* value) {
  if (!open_ || !writable_ || name == nullptr || name[0] == '\0' || value == nullptr) return false;
  auto it = FindName(values_, name);
  Value& v = it != values_.end() ? it->second : values_[name];
  v.isString = true;
  v.number = 0;
  v.text = value;
  dirty_ = true;
  return true;
}

bool SettingsKey::DeleteKey() {
  // Pending changes of an open key are dropped, not written.
  open_ = false;
  writable_ = false;
  dirty_ = false;
  values_.clear();
  const std::string path = FilePath();
  if (path.empty()) return false;
  if (unlink(path.c_str()) != 0 && errno != ENOENT) return false;
  // The directory goes too when nothing else lives in it.
  rmdir(path.substr(0, path.rfind('/')).c_str());
  return !FileExists(path);
}

}  // namespace plat
