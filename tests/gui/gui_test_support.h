// Shared helpers of the GUI client tests: path node bytes, records taken from the outgoing queue,
// a canvas that records what is drawn, and fake menus and toolbar with the resource's initial
// states.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gui/mapview/canvas.h"
#include "gui/model/client_model.h"
#include "gui/resources/resource_ids.h"
#include "gui/shell/command_states.h"
#include "link/link_core.h"

namespace gui::testing {

using Bytes = std::vector<std::uint8_t>;

struct NodeSpec {
  std::int32_t x = 0, y = 0;
  float dirX = 0, dirY = 1;
  float outerLeft = -8, outerRight = 8, roadLeft = -5, roadRight = 5;
};

inline void PutF32(std::uint8_t* p, float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  glink::PutU32(p, bits);
}

inline glink::TrackNodeMsg NodeMsg(const char* track, std::uint32_t index, const NodeSpec& n) {
  glink::TrackNodeMsg m;
  std::strncpy(m.name, track, glink::kTrackNameLength);
  m.index = index;
  glink::PutI32(m.node + 0, n.x);
  glink::PutI32(m.node + 4, n.y);
  glink::PutI32(m.node + 8, 0);
  PutF32(m.node + 12, n.dirX);
  PutF32(m.node + 16, n.dirY);
  PutF32(m.node + 20, 0);
  PutF32(m.node + 24, n.outerLeft);
  PutF32(m.node + 28, n.outerRight);
  PutF32(m.node + 32, n.roadLeft);
  PutF32(m.node + 36, n.roadRight);
  return m;
}

inline glink::TrackMsg TrackNamed(const char* name, std::uint32_t nodes, std::uint32_t finish = 0) {
  glink::TrackMsg t;
  std::strncpy(t.name, name, glink::kTrackNameLength);
  t.nodeCount = nodes;
  t.finishNode = finish;
  return t;
}

inline glink::CameraMsg Camera(std::uint16_t index, std::uint16_t positionNode, std::int32_t x = 0,
                               std::int32_t y = 0, std::uint16_t start = 0, std::uint16_t end = 0) {
  glink::CameraMsg c;
  c.index = index;
  c.x = x;
  c.y = y;
  c.z = 65536;
  c.startNode = start;
  c.endNode = end;
  c.positionNode = positionNode;
  return c;
}

inline glink::CarEntry Car(std::uint8_t plid, std::int32_t x, std::int32_t y, bool focus = false) {
  glink::CarEntry c;
  c.plid = plid;
  c.flags = focus ? glink::kCarFocus : 0;
  c.x = x;
  c.y = y;
  return c;
}

inline glink::CarTableMsg Cars(std::initializer_list<glink::CarEntry> cars) {
  glink::CarTableMsg m;
  for (const glink::CarEntry& c : cars) m.cars[m.count++] = c;
  return m;
}

// Every record waiting in the outgoing queue, each cut to its size, oldest first.
inline std::vector<Bytes> Drain(glink::MessageQueue& q) {
  std::vector<Bytes> out;
  while (const std::uint8_t* r = q.peek()) {
    out.emplace_back(r, r + glink::RecordSize(r));
    q.release();
  }
  return out;
}

inline Bytes Le32(std::int32_t v) {
  std::uint8_t b[4];
  glink::PutI32(b, v);
  return Bytes(b, b + 4);
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// One drawing call as the canvas saw it.
struct DrawOp {
  enum Kind { kClear, kPolyline, kLine, kEllipse, kText } kind = kClear;
  Colour colour;
  bool dotted = false;
  std::vector<Point> points;  // polyline and line points, ellipse box corners, text position
  std::string text;
  TextAlign align = TextAlign::kLeft;
};

struct Segment {
  Point from, to;
  Colour colour;
};

class RecordingCanvas : public Canvas {
 public:
  void clear() override { ops.push_back(Op(DrawOp::kClear, {})); }
  void setPen(Colour c, bool dotted) override {
    pen_ = c;
    dotted_ = dotted;
  }
  void line(int x1, int y1, int x2, int y2) override {
    ops.push_back(Op(DrawOp::kLine, {{x1, y1}, {x2, y2}}));
  }
  void polyline(const Point* p, int n) override {
    ops.push_back(Op(DrawOp::kPolyline, std::vector<Point>(p, p + n)));
  }
  void ellipse(int x1, int y1, int x2, int y2) override {
    ops.push_back(Op(DrawOp::kEllipse, {{x1, y1}, {x2, y2}}));
  }
  void text(int x, int y, const char* s, int n, Colour c, TextAlign align) override {
    DrawOp op = Op(DrawOp::kText, {{x, y}});
    op.colour = c;
    op.dotted = false;
    op.text.assign(s, static_cast<std::size_t>(n));
    op.align = align;
    ops.push_back(op);
  }
  TextMetrics metrics() override { return {kLineHeight, kCharWidth}; }

  // The polylines' segments in drawing order.
  std::vector<Segment> segments() const {
    std::vector<Segment> out;
    for (const DrawOp& op : ops) {
      if (op.kind != DrawOp::kPolyline) continue;
      for (std::size_t i = 1; i < op.points.size(); ++i) {
        out.push_back({op.points[i - 1], op.points[i], op.colour});
      }
    }
    return out;
  }
  std::vector<DrawOp> of(DrawOp::Kind kind) const {
    std::vector<DrawOp> out;
    for (const DrawOp& op : ops) {
      if (op.kind == kind) out.push_back(op);
    }
    return out;
  }

  static constexpr int kLineHeight = 13;
  static constexpr int kCharWidth = 8;
  std::vector<DrawOp> ops;

 private:
  DrawOp Op(DrawOp::Kind kind, std::vector<Point> points) const {
    DrawOp op;
    op.kind = kind;
    op.colour = pen_;
    op.dotted = dotted_;
    op.points = std::move(points);
    return op;
  }

  Colour pen_;
  bool dotted_ = false;
};

// Menus and toolbar as the resources start them.
class FakeUi : public CommandUi {
 public:
  FakeUi() {
    for (int id : {IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL, IDM_ZOOM_250, IDM_ZOOM_500, IDM_ZOOM_1000,
                   IDM_ZOOM_FIT}) {
      menuEnabled[id] = false;
    }
    for (int id : {IDM_CONNECT, IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM, IDM_EXIT, IDM_ABOUT}) {
      menuEnabled[id] = true;
    }
    for (int id : {IDM_EDIT_CAMERAS, IDM_MANUAL_CONTROL, IDM_ZOOM_IN, IDM_ZOOM_OUT, IDM_ZOOM_FIT,
                   IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM}) {
      buttonEnabled[id] = false;
    }
    buttonEnabled[IDM_CONNECT] = true;
  }
  void enableButton(int id, bool on) override { buttonEnabled[id] = on; }
  void checkButton(int id, bool on) override { buttonChecked[id] = on; }
  void enableMenuItem(int id, bool on) override { menuEnabled[id] = on; }
  void checkMenuItem(int id, bool on) override { menuChecked[id] = on; }

  // The checked zoom items.
  std::vector<int> zoomChecks() {
    std::vector<int> out;
    for (int id : {IDM_ZOOM_250, IDM_ZOOM_500, IDM_ZOOM_1000, IDM_ZOOM_FIT}) {
      if (menuChecked[id]) out.push_back(id);
    }
    return out;
  }

  std::map<int, bool> buttonEnabled, buttonChecked, menuEnabled, menuChecked;
};

}  // namespace gui::testing
