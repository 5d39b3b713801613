#include "gui/mapview/gdi_canvas_win32.h"

#include <vector>

namespace gui {

GdiCanvas::GdiCanvas(HDC dc, int width, int height) : dc_(dc), width_(width), height_(height) {
  SetBkMode(dc_, TRANSPARENT);
  oldFont_ = SelectObject(dc_, GetStockObject(ANSI_FIXED_FONT));
  oldBrush_ = SelectObject(dc_, GetStockObject(WHITE_BRUSH));
}

GdiCanvas::~GdiCanvas() {
  if (oldPen_ != nullptr) SelectObject(dc_, oldPen_);
  if (pen_ != nullptr) DeleteObject(pen_);
  SelectObject(dc_, oldBrush_);
  SelectObject(dc_, oldFont_);
}

void GdiCanvas::clear() {
  RECT r = {0, 0, width_, height_};
  FillRect(dc_, &r, GetSysColorBrush(COLOR_WINDOW));
}

void GdiCanvas::setPen(Colour colour, bool dotted) {
  HPEN pen = CreatePen(dotted ? PS_DOT : PS_SOLID, 1, RGB(colour.r, colour.g, colour.b));
  if (pen == nullptr) return;  // keep drawing with the previous pen
  HGDIOBJ previous = SelectObject(dc_, pen);
  if (oldPen_ == nullptr) oldPen_ = previous;
  if (pen_ != nullptr) DeleteObject(pen_);
  pen_ = pen;
}

void GdiCanvas::line(int x1, int y1, int x2, int y2) {
  MoveToEx(dc_, x1, y1, nullptr);
  LineTo(dc_, x2, y2);
}

void GdiCanvas::polyline(const Point* points, int count) {
  if (count < 2) return;
  std::vector<POINT> p(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    p[static_cast<std::size_t>(i)].x = points[i].x;
    p[static_cast<std::size_t>(i)].y = points[i].y;
  }
  Polyline(dc_, p.data(), count);
}

void GdiCanvas::ellipse(int x1, int y1, int x2, int y2) { Ellipse(dc_, x1, y1, x2, y2); }

void GdiCanvas::text(int x, int y, const char* text, int length, Colour colour, TextAlign align) {
  SetTextColor(dc_, RGB(colour.r, colour.g, colour.b));
  SetTextAlign(dc_, align == TextAlign::kRight ? (TA_RIGHT | TA_TOP) : (TA_LEFT | TA_TOP));
  TextOutA(dc_, x, y, text, length);
}

TextMetrics GdiCanvas::metrics() {
  TEXTMETRICA tm = {};
  TextMetrics m;
  if (GetTextMetricsA(dc_, &tm)) {
    m.lineHeight = tm.tmHeight;
    m.maxCharWidth = tm.tmMaxCharWidth;
  }
  return m;
}

}  // namespace gui
