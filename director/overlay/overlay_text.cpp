#include "director/overlay/overlay_text.h"

#include <cstdio>
#include <cstring>

namespace director {

namespace {
constexpr std::uint32_t kNoTime = 0xFFFFFFFFu;
}  // namespace

void CutText(char* out, std::size_t size, const char* text, std::size_t maxChars) {
  std::size_t n = 0;
  if (text != nullptr) {
    while (n + 1 < size && n < maxChars && text[n] != '\0') ++n;
    std::memcpy(out, text, n);
  }
  out[n] = '\0';
}

void StripColourDigits(char* text) {
  char* out = text;
  for (const char* in = text; *in != '\0';) {
    if (in[0] == '^' && in[1] >= '0' && in[1] <= '8') {
      in += 2;
    } else {
      *out++ = *in++;
    }
  }
  *out = '\0';
}

void FormatRaceTime(std::uint32_t ms, char* out, std::size_t size) {
  if (ms == 0 || ms == kNoTime) {
    out[0] = '\0';
    return;
  }
  // Rounded to the hundredth; counted wide so the last few milliseconds of the range cannot wrap.
  const auto c = static_cast<unsigned>((std::uint64_t{ms} + 5) / 10);
  const unsigned hours = c / 360000;
  const unsigned minutes = c % 360000 / 6000;
  const unsigned seconds = c % 6000 / 100;
  const unsigned hundredths = c % 100;
  if (hours > 0) {
    std::snprintf(out, size, "%u:%02u:%02u.%02u  ", hours, minutes, seconds, hundredths);
  } else if (minutes > 0) {
    std::snprintf(out, size, "%u:%02u.%02u  ", minutes, seconds, hundredths);
  } else {
    std::snprintf(out, size, "%u.%02u  ", seconds, hundredths);
  }
}

}  // namespace director
