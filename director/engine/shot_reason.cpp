#include "director/engine/shot_reason.h"

#include <cstdio>

namespace director {

namespace {

// Ordinals as a commentator says them, up to the most cuts the on-board rhythm counts.
constexpr const char* kOrdinals[] = {
    "zeroth",     "first",     "second",    "third",       "fourth",     "fifth",      "sixth",
    "seventh",    "eighth",    "ninth",     "tenth",       "eleventh",   "twelfth",    "thirteenth",
    "fourteenth", "fifteenth", "sixteenth", "seventeenth", "eighteenth", "nineteenth", "twentieth"};

}  // namespace

void reasonText(ShotReason* reason, const char* text) {
  std::snprintf(reason->text, sizeof reason->text, "%s", text);
}

void reasonBattle(ShotReason* reason, int place, double gapSeconds) {
  if (gapSeconds < 0) {
    std::snprintf(reason->text, sizeof reason->text, "battle for P%d", place);
  } else {
    std::snprintf(reason->text, sizeof reason->text, "battle for P%d, %.1f s", place, gapSeconds);
  }
}

void reasonOnboard(ShotReason* reason, int cuts, std::uint8_t plid) {
  const int n = static_cast<int>(sizeof kOrdinals / sizeof kOrdinals[0]);
  if (cuts >= 0 && cuts < n) {
    std::snprintf(reason->text, sizeof reason->text, "on board: %s cut on #%d", kOrdinals[cuts],
                  static_cast<int>(plid));
  } else {
    std::snprintf(reason->text, sizeof reason->text, "on board: cut %d on #%d", cuts,
                  static_cast<int>(plid));
  }
}

void formatCutLine(std::int32_t car, int camera, const ShotReason& reason, char* out, int size) {
  if (size <= 0) return;
  const auto n = static_cast<std::size_t>(size);
  if (camera < 0) {
    std::snprintf(out, n, "cut to #%d (on board): %s\n", static_cast<int>(car), reason.text);
  } else {
    std::snprintf(out, n, "cut to #%d (camera %d): %s\n", static_cast<int>(car), camera + 1,
                  reason.text);
  }
}

}  // namespace director
