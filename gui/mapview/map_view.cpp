#include "gui/mapview/map_view.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/thread.h"

namespace gui {

namespace {

constexpr int kCarRadius = 3;
constexpr int kPickHalf = 5;    // half the side of the picking box, pixels
constexpr int kTextMargin = 2;  // car list and race clock keep this far from the edges
constexpr int kClockLength = 8;
constexpr double kFitMargin = 1.1;
constexpr std::int32_t kNoScale = 100;  // replaces a zero scale of a flat track

int ClampToInt(std::int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

std::int32_t ClampScale(std::int64_t v) {
  if (v < 1) return 1;
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

// Lines through the edge points of consecutive nodes, one polyline per stretch of one colour.
// A node that has not arrived breaks the line, so nothing is drawn to or from it.
class EdgeRun {
 public:
  EdgeRun(Canvas& canvas, Colour pen) : canvas_(canvas), pen_(pen) {}

  void to(const Point& p) {
    if (count_ == kCapacity) flush();
    points_[count_++] = p;
  }
  void gap() {
    flush();
    count_ = 0;
  }
  void setPen(Colour pen) {
    if (pen == pen_) return;
    flush();
    pen_ = pen;
  }
  Colour pen() const { return pen_; }
  // Draws what is pending and keeps the last point as the start of the next stretch.
  void flush() {
    if (count_ >= 2) {
      canvas_.setPen(pen_);
      canvas_.polyline(points_, count_);
    }
    if (count_ > 0) {
      points_[0] = points_[count_ - 1];
      count_ = 1;
    }
  }

 private:
  static constexpr int kCapacity = kMaxNodes + 1;
  Canvas& canvas_;
  Colour pen_;
  Point points_[kCapacity];
  int count_ = 0;
};

}  // namespace

Point toScreen(const MapTrack& track, std::int32_t x, std::int32_t y) {
  std::int32_t scale = track.scale > 0 ? track.scale : 1;
  Point p;
  p.x = ClampToInt(static_cast<std::int64_t>(x / scale) + track.offsetX);
  p.y = ClampToInt(static_cast<std::int64_t>(track.offsetY) - y / scale);
  return p;
}

glink::PickRect toWorldRect(const MapTrack& track, int x1, int y1, int x2, int y2) {
  // Products wrap at 32 bits, like the fixed-point values themselves.
  auto world = [&](std::int64_t pixels) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pixels * track.scale));
  };
  glink::PickRect r;
  r.left = world(static_cast<std::int64_t>(x1) - track.offsetX);
  r.top = world(static_cast<std::int64_t>(track.offsetY) - y1);
  r.right = world(static_cast<std::int64_t>(x2) - track.offsetX);
  r.bottom = world(static_cast<std::int64_t>(track.offsetY) - y2);
  return r;
}

void fitView(const ClientModel& model, MapTrack& track, int width, int height) {
  if (width <= 0 || height <= 0) {
    width = 100;
    height = 100;
  }
  if (track.zoom != kZoomFit && model.cars.count > 0 && !model.editMode) {
    std::int64_t span = static_cast<std::int64_t>(track.zoom) * 65536;
    std::int64_t sx = span / width;
    std::int64_t sy = span / height;
    std::int32_t scale = ClampScale(sx > sy ? sx : sy);
    std::int64_t sumX = 0, sumY = 0;
    int focus = 0;
    for (int i = 0; i < model.cars.count; ++i) {
      const glink::CarEntry& car = model.cars.entries[i];
      if (!(car.flags & glink::kCarFocus)) continue;
      sumX += car.x;
      sumY += car.y;
      ++focus;
    }
    if (focus > 0) {
      std::int64_t meanX = sumX / focus;
      std::int64_t meanY = sumY / focus;
      track.scale = scale;
      track.offsetX = ClampToInt(width / 2 - meanX / scale);
      track.offsetY = ClampToInt(meanY / scale + height / 2);
      track.viewValid = false;
      return;
    }
  }
  double sx =
      static_cast<double>(static_cast<std::int64_t>(track.right) - track.left) * kFitMargin / width;
  double sy = static_cast<double>(static_cast<std::int64_t>(track.top) - track.bottom) *
              kFitMargin / height;
  std::int64_t ix = static_cast<std::int64_t>(sx);
  std::int64_t iy = static_cast<std::int64_t>(sy);
  if (ix == 0) ix = kNoScale;
  if (iy == 0) iy = kNoScale;
  std::int32_t scale = ClampScale(ix > iy ? ix : iy);
  track.scale = scale;
  std::int64_t twice = 2 * static_cast<std::int64_t>(scale);
  track.offsetX =
      ClampToInt(width / 2 - (static_cast<std::int64_t>(track.left) + track.right) / twice);
  track.offsetY =
      ClampToInt((static_cast<std::int64_t>(track.top) + track.bottom) / twice + height / 2);
  track.viewValid = track.zoom == kZoomFit;
}

void FormatRaceClock(std::uint32_t t, char out[9]) {
  char text[32];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", static_cast<unsigned>(t / 3600000),
                static_cast<unsigned>((t / 1000 % 3600) / 60),
                static_cast<unsigned>(t / 1000 % 60));
  std::memcpy(out, text, kClockLength);
  out[kClockLength] = '\0';
}

void MapView::paintMap(Canvas& canvas, int width, int height) {
  canvas.clear();
  MapTrack* track = model_.track.get();
  if (track != nullptr && track->nodesReceived > 0) {
    if (!track->viewValid || track->zoom != kZoomFit) fitView(model_, *track, width, height);
    drawTrackMap(canvas, *track);
    if (model_.raceTime != 0) {
      std::uint32_t t = model_.raceTime + (model_.clock().Now() - model_.raceTimeTick);
      char clock[kClockLength + 1];
      FormatRaceClock(t, clock);
      canvas.text(width - kTextMargin, kTextMargin, clock, kClockLength, kBlack, TextAlign::kRight);
    }
  }
  if (band_.active()) {
    const Point corners[5] = {{band_.startX, band_.startY},
                              {band_.currentX, band_.startY},
                              {band_.currentX, band_.currentY},
                              {band_.startX, band_.currentY},
                              {band_.startX, band_.startY}};
    canvas.setPen(kBandGrey, true);
    canvas.polyline(corners, 5);
  }
}

void MapView::drawTrackMap(Canvas& canvas, MapTrack& track) {
  drawRoadEdges(canvas, track);
  drawCars(canvas, track, false);
  if (model_.editMode) {
    canvas.setPen(kGrey);
    drawCross(canvas, track, 0);
    const MapCameraList& list = track.cameras;
    if (list.count > 0) {
      canvas.setPen(kBlack);
      for (int i = 0; i < list.count; ++i) {
        if (i == list.selected) continue;
        Point p = toScreen(track, list.entries[i].x, list.entries[i].y);
        canvas.line(p.x - 3, p.y - 3, p.x + 4, p.y + 4);
        canvas.line(p.x + 3, p.y - 3, p.x - 4, p.y + 4);
      }
      if (const MapCamera* cam = list.current()) {
        canvas.setPen(kDarkRed);
        Point p = toScreen(track, cam->x, cam->y);
        canvas.line(p.x - 3, p.y - 3, p.x + 4, p.y + 4);
        canvas.line(p.x + 3, p.y - 3, p.x - 4, p.y + 4);
        drawCross(canvas, track, cam->startNode);
        drawCross(canvas, track, cam->endNode);
      }
    }
    canvas.setPen(kDarkRed);
    Point v = toScreen(track, model_.viewX, model_.viewY);
    canvas.ellipse(v.x - kCarRadius, v.y - kCarRadius, v.x + kCarRadius, v.y + kCarRadius);
  } else {
    canvas.setPen(kGrey);
    drawCross(canvas, track, track.finishNode);
    drawCarList(canvas);
  }
  drawCars(canvas, track, true);
}

void MapView::drawRoadEdges(Canvas& canvas, const MapTrack& track) {
  const std::uint32_t n = track.nodeCount;
  if (n == 0) return;
  const MapCamera* range = model_.editMode ? track.cameras.current() : nullptr;
  const Colour startPen = range != nullptr && range->endNode < range->startNode ? kDarkRed : kGrey;
  for (int side = 0; side < 2; ++side) {
    auto point = [&](std::uint32_t i) {
      const NodeEdges& e = track.edges[i];
      return side == 0 ? toScreen(track, e.roadLeftX, e.roadLeftY)
                       : toScreen(track, e.roadRightX, e.roadRightY);
    };
    EdgeRun run(canvas, startPen);
    if (track.hasNode(n - 1)) run.to(point(n - 1));
    for (std::uint32_t i = 0; i < n; ++i) {
      if (track.hasNode(i)) {
        run.to(point(i));
      } else {
        run.gap();
      }
      if (range != nullptr) {
        if (i == range->startNode) run.setPen(kDarkRed);
        if (i == range->endNode) run.setPen(kGrey);
      }
    }
    run.flush();
  }
}

void MapView::drawCars(Canvas& canvas, const MapTrack& track, bool focus) {
  bool penSet = false;
  for (int i = 0; i < model_.cars.count; ++i) {
    const glink::CarEntry& car = model_.cars.entries[i];
    if (((car.flags & glink::kCarFocus) != 0) != focus) continue;
    if (!penSet) {
      canvas.setPen(focus ? kDarkRed : kGrey);
      penSet = true;
    }
    Point p = toScreen(track, car.x, car.y);
    canvas.ellipse(p.x - kCarRadius, p.y - kCarRadius, p.x + kCarRadius, p.y + kCarRadius);
  }
}

void MapView::drawCross(Canvas& canvas, const MapTrack& track, std::uint32_t node) {
  if (!track.hasNode(node)) return;
  const NodeEdges& e = track.edges[node];
  Point a = toScreen(track, e.outerRightX, e.outerRightY);
  Point b = toScreen(track, e.outerLeftX, e.outerLeftY);
  canvas.line(a.x, a.y, b.x, b.y);
}

void MapView::drawCarList(Canvas& canvas) {
  listMetrics_ = canvas.metrics();
  for (int i = 0; i < model_.cars.count; ++i) {
    const glink::CarEntry& car = model_.cars.entries[i];
    char line[48];
    int length = std::snprintf(line, sizeof line, "%2d. %s", i + 1, model_.label(car.plid));
    if (length < 0) continue;
    if (length >= static_cast<int>(sizeof line)) length = sizeof line - 1;
    canvas.text(kTextMargin, i * listMetrics_.lineHeight + kTextMargin, line, length,
                (car.flags & glink::kCarFocus) ? kRed : kBlack);
  }
}

int MapView::carListHit(int x, int y) const {
  const int h = listMetrics_.lineHeight;
  const int w = listMetrics_.maxCharWidth;
  for (int i = 0; i < model_.cars.count; ++i) {
    int length = static_cast<int>(std::strlen(model_.label(model_.cars.entries[i].plid)));
    if (x > kTextMargin && x < (length + 4) * w + kTextMargin && y > i * h + kTextMargin &&
        y < (i + 1) * h + kTextMargin) {
      return i;
    }
  }
  return -1;
}

void MapView::onMapButtonDown(int x, int y) {
  MapTrack* track = model_.track.get();
  if (track == nullptr) return;
  if (model_.editMode) {
    glink::PostPickCamera(
        model_.toDirector(), glink::GLM_PICK_CAMERA,
        toWorldRect(*track, x - kPickHalf, y - kPickHalf, x + kPickHalf, y + kPickHalf));
    return;
  }
  band_.startX = band_.currentX = x;
  band_.startY = band_.currentY = y;
  pressedCount_ = 0;
  for (int i = 0; pickRadius_ > 0 && i < model_.cars.count && i < kMaxCars; ++i) {
    const glink::CarEntry& car = model_.cars.entries[i];
    pressed_[pressedCount_++] = PressedCar{car.plid, toScreen(*track, car.x, car.y)};
  }
  int hit = carListHit(x, y);
  pressedOnList_ = hit >= 0;
  if (hit >= 0) {
    std::uint8_t plid = model_.cars.entries[hit].plid;
    glink::PostFollowCars(model_.toDirector(), glink::kViewNone, 1, &plid);
    actions_.takeManualControl();
  }
}

void MapView::onMapMouseMove(int x, int y) {
  if (!band_.active()) return;
  band_.currentX = x;
  band_.currentY = y;
  actions_.invalidateMap();
}

void MapView::onMapButtonUp() {
  if (!band_.active()) return;
  if (MapTrack* track = model_.track.get()) {
    const bool click = band_.startX == band_.currentX && band_.startY == band_.currentY;
    const int clickX = band_.startX;
    const int clickY = band_.startY;
    if (band_.startX == band_.currentX) {
      band_.startX -= kPickHalf;
      band_.currentX += kPickHalf;
    }
    if (band_.startY == band_.currentY) {
      band_.startY -= kPickHalf;
      band_.currentY += kPickHalf;
    }
    glink::PickRect r =
        toWorldRect(*track, band_.startX, band_.startY, band_.currentX, band_.currentY);
    std::uint8_t plids[kMaxCars];
    int n = 0;
    for (int i = 0; i < model_.cars.count; ++i) {
      const glink::CarEntry& car = model_.cars.entries[i];
      if (r.left <= car.x && car.x <= r.right && r.bottom <= car.y && car.y <= r.top) {
        plids[n++] = car.plid;
      }
    }
    if (n == 0 && click && !pressedOnList_) {
      const int nearest = nearestCar(*track, clickX, clickY);
      if (nearest >= 0) plids[n++] = model_.cars.entries[nearest].plid;
    }
    if (n > 0) {
      glink::PostFollowCars(model_.toDirector(), glink::kViewNone, n, plids);
      actions_.takeManualControl();
    }
  }
  band_ = RubberBand{};
  actions_.invalidateMap();
}

int MapView::nearestCar(const MapTrack& track, int x, int y) const {
  auto distance2 = [x, y](Point p) {
    const std::int64_t dx = static_cast<std::int64_t>(p.x) - x;
    const std::int64_t dy = static_cast<std::int64_t>(p.y) - y;
    return dx * dx + dy * dy;
  };
  const std::int64_t limit = static_cast<std::int64_t>(pickRadius_) * pickRadius_;
  int best = -1;
  std::int64_t bestDistance = 0;
  for (int i = 0; i < model_.cars.count; ++i) {
    const glink::CarEntry& car = model_.cars.entries[i];
    std::int64_t d = distance2(toScreen(track, car.x, car.y));
    for (int j = 0; j < pressedCount_; ++j) {
      if (pressed_[j].plid == car.plid && distance2(pressed_[j].at) < d) {
        d = distance2(pressed_[j].at);
      }
    }
    if (d <= limit && (best < 0 || d < bestDistance)) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

void MapView::onMapDoubleClick(int x, int y) {
  MapTrack* track = model_.track.get();
  if (track == nullptr || !model_.editMode) return;
  glink::PostPickCamera(
      model_.toDirector(), glink::GLM_PICK_CAMERA_EDIT,
      toWorldRect(*track, x - kPickHalf, y - kPickHalf, x + kPickHalf, y + kPickHalf));
}

}  // namespace gui
