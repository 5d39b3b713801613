// Code shared by both socket implementations.
#include "platform/net.h"

#include "platform/text.h"

namespace plat {

// The classic inet_addr rules, done here rather than by the system so that every build answers the
// same: one to four parts separated by dots, each decimal, octal (leading 0) or hexadecimal (0x);
// the last part fills the bytes that are left ("10.1" is 10.0.0.1); the text may end with a blank
// followed by anything.
bool ParseIPv4(const char* text, std::uint32_t* ip) {
  if (text == nullptr) return false;
  std::uint32_t parts[4] = {};
  int count = 0;
  const char* p = text;
  for (;;) {
    if (count == 4) return false;
    unsigned base = 10;
    if (*p == '0') {
      base = 8;
      ++p;
      if (*p == 'x' || *p == 'X') {
        base = 16;
        ++p;
      }
    } else if (!(*p >= '0' && *p <= '9')) {
      return false;
    }
    // A part is at most 32 bits; anything larger cannot be an address.
    std::uint64_t value = 0;
    bool digits = base == 8;  // the leading 0 itself is a digit
    for (;; ++p) {
      unsigned d;
      if (*p >= '0' && *p <= '9') {
        d = static_cast<unsigned>(*p - '0');
      } else if (base == 16 && *p >= 'a' && *p <= 'f') {
        d = static_cast<unsigned>(*p - 'a' + 10);
      } else if (base == 16 && *p >= 'A' && *p <= 'F') {
        d = static_cast<unsigned>(*p - 'A' + 10);
      } else {
        break;
      }
      if (d >= base) return false;
      value = value * base + d;
      if (value > 0xFFFFFFFFu) return false;
      digits = true;
    }
    if (!digits) return false;  // "0x" alone
    parts[count++] = static_cast<std::uint32_t>(value);
    if (*p == '.') {
      ++p;
      continue;
    }
    if (*p != '\0' && !IsSpace(*p)) return false;
    break;
  }
  std::uint32_t result;
  switch (count) {
    case 1:
      result = parts[0];
      break;
    case 2:
      if (parts[0] > 0xFF || parts[1] > 0xFFFFFF) return false;
      result = parts[0] << 24 | parts[1];
      break;
    case 3:
      if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF) return false;
      result = parts[0] << 24 | parts[1] << 16 | parts[2];
      break;
    default:
      if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFF || parts[3] > 0xFF) return false;
      result = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
      break;
  }
  if (result == 0xFFFFFFFFu) return false;
  if (ip) *ip = result;
  return true;
}

}  // namespace plat
