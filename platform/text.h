// Character tests and name comparison over plain ASCII, the same on every platform and in every
// locale (the C library's versions follow the locale and take only unsigned char values).
//
// IsBlank is a space or a tab; IsSpace also takes the line breaks, vertical tab and form feed, as
// isspace does in the "C" locale. Lower changes only 'A' to 'Z'. SameName compares two names of
// equal length without regard to ASCII case, as Windows compares registry value names and profile
// sections and keys; bytes above 127 must match exactly.
#pragma once

#include <string_view>

namespace plat {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsSpace(char c) {
  return IsBlank(c) || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b);

}  // namespace plat
