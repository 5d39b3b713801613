// The map's Canvas over a GDI device context: 1-pixel pens made on demand and released with the
// canvas, the white default brush for circles, the stock fixed-pitch ANSI font with a transparent
// background, and COLOR_WINDOW as the background.
#pragma once

// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
// clang-format on

#include "gui/mapview/canvas.h"

namespace gui {

class GdiCanvas final : public Canvas {
 public:
  // Draws into dc, whose surface is width x height pixels.
  GdiCanvas(HDC dc, int width, int height);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  void clear() override;
  void setPen(Colour colour, bool dotted) override;
  void line(int x1, int y1, int x2, int y2) override;
  void polyline(const Point* points, int count) override;
  void ellipse(int x1, int y1, int x2, int y2) override;
  void text(int x, int y, const char* text, int length, Colour colour, TextAlign align) override;
  TextMetrics metrics() override;

 private:
  HDC dc_;
  int width_, height_;
  HPEN pen_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
};

}  // namespace gui
