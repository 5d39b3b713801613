#include "gui/dialogs/dialog_placement.h"

namespace gui {

namespace {

int Inside(int at, int size, int low, int high) {
  if (at + size > high) at = high - size;
  if (at < low) at = low;
  return at;
}

}  // namespace

ScreenPoint CentreOn(const ScreenRect& owner, int width, int height, const ScreenRect& workArea) {
  ScreenPoint p;
  p.x = Inside(owner.left + (owner.right - owner.left - width) / 2, width, workArea.left,
               workArea.right);
  p.y = Inside(owner.top + (owner.bottom - owner.top - height) / 2, height, workArea.top,
               workArea.bottom);
  return p;
}

}  // namespace gui
