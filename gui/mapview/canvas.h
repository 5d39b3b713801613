// The few drawing operations the track map needs. The program draws with GDI into a memory
// bitmap; tests record the calls and check geometry and colours.
//
// Lines follow GDI's rule: a line's end point itself is not drawn. Ellipses are outlined with the
// current pen and filled white. Text is drawn in the fixed-pitch font with a transparent
// background; its metrics come from the canvas.
#pragma once

#include <cstdint>

namespace gui {

struct Colour {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Colour&) const = default;
};

inline constexpr Colour kGrey{192, 192, 192};
inline constexpr Colour kDarkRed{192, 0, 0};
inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kRed{255, 0, 0};
inline constexpr Colour kBandGrey{64, 64, 64};

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

struct TextMetrics {
  int lineHeight = 0;
  int maxCharWidth = 0;
};

enum class TextAlign { kLeft, kRight };

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Fills the whole surface with the window background colour.
  virtual void clear() = 0;
  // A 1-pixel pen, solid or dotted, for the following lines and ellipses.
  virtual void setPen(Colour colour, bool dotted = false) = 0;
  virtual void line(int x1, int y1, int x2, int y2) = 0;
  // Lines through count points (count >= 2).
  virtual void polyline(const Point* points, int count) = 0;
  // The ellipse inside the box (x1, y1)-(x2, y2).
  virtual void ellipse(int x1, int y1, int x2, int y2) = 0;
  // length characters of text; with kRight the text ends at x.
  virtual void text(int x, int y, const char* text, int length, Colour colour,
                    TextAlign align = TextAlign::kLeft) = 0;
  virtual TextMetrics metrics() = 0;
};

}  // namespace gui
