// An INI reader that answers as GetPrivateProfileString and GetPrivateProfileInt do, so a
// configuration file written for the Windows build means the same here.
//
// The rules, line by line: blanks around a line are ignored; "[name]" opens a section (text after
// the last ']' is ignored, a line without ']' is ignored altogether); anything else is a key, with
// its value after the first '=' (a key without '=' has no value and gives the default). Lines
// before the first section belong to a nameless one. There are no comment lines as such: "; x=1"
// is simply a key named "; x". Lookups trim the names asked for, ignore ASCII case, search only
// the first section of a name and take the first key of a name in it.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace plat {

namespace {

// Blanks as the Windows reader knows them; 0x1A is the old end-of-file mark.
bool IsLineBlank(char c) { return IsSpace(c) || c == 0x1A; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsLineBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsLineBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Text is compared and copied as C strings: a NUL byte ends it.
std::string_view UpToNul(std::string_view s) {
  const std::size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

// Finds the value of key in the first section named section. False when the file, the section,
// the key or the key's '=' is missing.
bool FindValue(std::string_view text, std::string_view section, std::string_view key,
               std::string_view* value) {
  if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0) text.remove_prefix(3);
  bool inSection = section.empty();  // the nameless section before the first header
  bool seenSection = inSection;
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Lines end at '\n'; a file without any '\n' from here on is cut at '\r' instead.
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.find('\r', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close == std::string_view::npos) continue;
      if (seenSection) return false;  // only the first section of that name counts
      inSection = SameName(UpToNul(Trim(line.substr(1, close - 1))), section);
      seenSection = inSection;
      continue;
    }
    if (!inSection) continue;
    const std::size_t eq = line.find('=');
    const std::string_view name = UpToNul(Trim(line.substr(0, eq)));
    if (!SameName(name, key)) continue;
    if (eq == std::string_view::npos) return false;
    *value = UpToNul(Trim(line.substr(eq + 1)));
    return true;
  }
  return false;
}

// Matching single or double quotes around a value are dropped.
std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

std::size_t CopyCut(std::string_view v, char* buf, std::size_t size) {
  const std::size_t n = v.size() < size - 1 ? v.size() : size - 1;
  if (n > 0) std::memcpy(buf, v.data(), n);
  buf[n] = '\0';
  return n;
}

// The integer rules of the Windows reader: blanks, an optional sign, an optional base prefix
// ("0x", "0o", "0b"), then digits as far as they go; the result wraps at 32 bits.
std::uint32_t ParseProfileInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  unsigned base = 10;
  if (i + 1 < s.size() && s[i] == '0') {
    if (s[i + 1] == 'x') base = 16;
    if (s[i + 1] == 'o') base = 8;
    if (s[i + 1] == 'b') base = 2;
    if (base != 10) i += 2;
  }
  std::uint32_t total = 0;
  for (; i < s.size(); ++i) {
    unsigned digit;
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'z') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'Z') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      break;
    }
    if (digit >= base) break;
    total = total * base + digit;
  }
  return negative ? 0u - total : total;
}

}  // namespace

std::size_t ProfileGetString(const char* section, const char* key, const char* def, char* buf,
                             std::size_t size, const char* path) {
  if (buf == nullptr || size == 0) return 0;
  std::string text;
  std::string_view value;
  if (section != nullptr && key != nullptr && path != nullptr && ReadTextFile(path, &text) &&
      FindValue(text, Trim(section), Trim(key), &value)) {
    return CopyCut(Unquote(value), buf, size);
  }
  // The default loses its trailing spaces and, like a value, its quotes.
  std::string_view d = def != nullptr ? def : "";
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  return CopyCut(Unquote(d), buf, size);
}

unsigned ProfileGetInt(const char* section, const char* key, int def, const char* path) {
  // The Windows reader looks at no more than the first 29 characters of the value.
  char buf[30];
  if (ProfileGetString(section, key, "", buf, sizeof buf, path) == 0) {
    return static_cast<unsigned>(def);
  }
  return ParseProfileInteger(buf);
}

}  // namespace plat
