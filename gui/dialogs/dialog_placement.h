// Where a dialog opens: centred on the window that owns it, and moved back inside the screen's
// work area where centring would put part of it outside (a main window near an edge).
#pragma once

namespace gui {

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct ScreenPoint {
  int x = 0, y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

// The top left corner for a dialog of width x height centred on owner, kept inside workArea (its
// top left corner wins when the dialog is larger than the work area).
ScreenPoint CentreOn(const ScreenRect& owner, int width, int height, const ScreenRect& workArea);

}  // namespace gui
