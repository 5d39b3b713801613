#include "director/engine/sim_version.h"

#include <cstdio>
#include <cstring>

namespace director {

namespace {

struct Parts {
  long major = 0, minor = 0;
  char letter = '\0';  // none: before 'A'
  long patch = -1;     // none: before patch 0
};

// Digits at *p as a number; false when there is none (or too many to be a version).
bool Number(const char** p, long* out) {
  long value = 0;
  int digits = 0;
  for (; **p >= '0' && **p <= '9'; ++*p, ++digits) {
    if (digits == 6) return false;
    value = value * 10 + (**p - '0');
  }
  *out = value;
  return digits > 0;
}

bool Parse(const char* text, Parts* parts) {
  const char* p = text;
  if (!Number(&p, &parts->major) || *p++ != '.' || !Number(&p, &parts->minor)) return false;
  if (*p >= 'A' && *p <= 'Z') parts->letter = *p++;
  if (*p != '\0' && !Number(&p, &parts->patch)) return false;
  return *p == '\0';
}

int Order(long a, long b) { return a < b ? -1 : a > b ? 1 : 0; }

}  // namespace

int CompareSimVersions(const char* a, const char* b) {
  Parts x, y;
  if (!Parse(a, &x) || !Parse(b, &y)) return std::strcmp(a, b);
  if (int c = Order(x.major, y.major); c != 0) return c;
  if (int c = Order(x.minor, y.minor); c != 0) return c;
  if (int c = Order(x.letter, y.letter); c != 0) return c;
  return Order(x.patch, y.patch);
}

void SimReleaseLine(const char* version, char* out, std::size_t size) {
  if (size == 0) return;
  Parts parts;
  if (!Parse(version, &parts)) {
    out[0] = '\0';
    return;
  }
  std::snprintf(out, size, "%ld.%ld", parts.major, parts.minor);
}

}  // namespace director
