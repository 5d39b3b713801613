// Shared helpers of the GUI client tests: link messages and path node bytes, records taken from
// the outgoing queue, a canvas that records what is drawn, and fake menus and toolbar that start
// as the resources do and print their states.
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
#include "link/message_queue.h"
#include "platform/bytes.h"

namespace gui::testing {

using Bytes = std::vector<std::uint8_t>;

struct NodeSpec {
  std::int32_t x = 0, y = 0;
  float dirX = 0, dirY = 1;
  float outerLeft = -8, outerRight = 8, roadLeft = -5, roadRight = 5;
};

// Copies at most max characters of text into a zeroed field.
inline void Put(char* field, const char* text, std::size_t max) {
  std::memcpy(field, text, strnlen(text, max));
}

inline glink::TrackNodeMsg NodeMsg(const char* track, std::uint32_t index, const NodeSpec& n) {
  glink::TrackNodeMsg m;
  Put(m.name, track, glink::kTrackNameLength);
  m.index = index;
  plat::PutI32(m.node + 0, n.x);
  plat::PutI32(m.node + 4, n.y);
  const float floats[] = {n.dirX, n.dirY, 0, n.outerLeft, n.outerRight, n.roadLeft, n.roadRight};
  for (int i = 0; i < 7; ++i) {
    std::uint32_t bits;
    std::memcpy(&bits, &floats[i], sizeof bits);
    plat::PutU32(m.node + 12 + 4 * i, bits);
  }
  return m;
}

inline glink::TrackMsg TrackNamed(const char* name, std::uint32_t nodes, std::uint32_t finish = 0) {
  glink::TrackMsg t;
  Put(t.name, name, glink::kTrackNameLength);
  t.nodeCount = nodes;
  t.finishNode = finish;
  return t;
}

inline glink::CameraMsg Camera(std::uint16_t index, std::uint16_t positionNode, std::int32_t x = 0,
                               std::int32_t y = 0, std::uint16_t start = 0, std::uint16_t end = 0) {
  return {index, x, y, 65536, start, end, positionNode};
}

inline glink::CarEntry Car(std::uint8_t plid, std::int32_t x, std::int32_t y, bool focus = false) {
  return {plid, focus ? glink::kCarFocus : std::uint8_t{0}, x, y};
}

inline glink::CarTableMsg Cars(std::initializer_list<glink::CarEntry> cars) {
  glink::CarTableMsg m;
  for (const glink::CarEntry& c : cars) m.cars[m.count++] = c;
  return m;
}

inline glink::PlayerLabelMsg Label(std::uint8_t plid, const char* text) {
  glink::PlayerLabelMsg m;
  m.plid = plid;
  Put(m.text, text, glink::kLabelReadLength);
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
  plat::PutI32(b, v);
  return Bytes(b, b + 4);
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

struct Segment {
  Point from, to;
  Colour colour;
};

// Records every drawing call as a line of text ("ellipse grey 67,77 73,83", "text red 2,2 ' 1.
// Anna'", "text>" for right-aligned text), and the polylines' segments with their colours.
class RecordingCanvas : public Canvas {
 public:
  void clear() override { ops.push_back("clear"); }
  void setPen(Colour c, bool dotted) override {
    pen_ = c;
    dotted_ = dotted;
  }
  void line(int x1, int y1, int x2, int y2) override { add("line", {{x1, y1}, {x2, y2}}); }
  void polyline(const Point* p, int n) override {
    add("polyline", {p, p + n});
    for (int i = 1; i < n; ++i) segments.push_back({p[i - 1], p[i], pen_});
  }
  void ellipse(int x1, int y1, int x2, int y2) override { add("ellipse", {{x1, y1}, {x2, y2}}); }
  void text(int x, int y, const char* s, int n, Colour c, TextAlign align) override {
    ops.push_back(std::string(align == TextAlign::kRight ? "text> " : "text ") + Name(c) + " " +
                  std::to_string(x) + "," + std::to_string(y) + " '" + std::string(s, s + n) + "'");
  }
  TextMetrics metrics() override { return {kLineHeight, kCharWidth}; }

  // Every call but the road edges' (solid) polylines.
  std::vector<std::string> listing() const {
    std::vector<std::string> out;
    for (const std::string& op : ops) {
      if (op.rfind("polyline", 0) != 0 || op.find("dotted") != std::string::npos) out.push_back(op);
    }
    return out;
  }

  static constexpr int kLineHeight = 13;
  static constexpr int kCharWidth = 8;
  std::vector<std::string> ops;
  std::vector<Segment> segments;

 private:
  static const char* Name(Colour c) {
    const std::pair<Colour, const char*> names[] = {{kGrey, "grey"},
                                                    {kDarkRed, "darkred"},
                                                    {kBlack, "black"},
                                                    {kRed, "red"},
                                                    {kBandGrey, "bandgrey"}};
    for (const auto& [colour, name] : names) {
      if (colour == c) return name;
    }
    return "?";
  }
  void add(const char* kind, const std::vector<Point>& points) {
    std::string s = std::string(kind) + " " + Name(pen_) + (dotted_ ? " dotted" : "");
    for (const Point& p : points) s += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    ops.push_back(s);
  }

  Colour pen_;
  bool dotted_ = false;
};

// Menus and toolbar as the resources start them.
class FakeUi : public CommandUi {
 public:
  FakeUi() {
    for (int id : {IDM_CONNECT, IDM_FRONT_CAM, IDM_INCAR_CAM, IDM_REAR_CAM}) menuEnabled[id] = true;
    buttonEnabled[IDM_CONNECT] = true;
  }
  void enableButton(int id, bool on) override { buttonEnabled[id] = on; }
  void checkButton(int id, bool on) override { buttonChecked[id] = on; }
  void enableMenuItem(int id, bool on) override { menuEnabled[id] = on; }
  void checkMenuItem(int id, bool on) override { menuChecked[id] = on; }

  // "tb[enabled buttons] pressed[...] menu[enabled items] checked[...]", by short names.
  std::string states() {
    const std::pair<int, const char*> names[] = {
        {IDM_CONNECT, "connect"}, {IDM_EDIT_CAMERAS, "edit"}, {IDM_MANUAL_CONTROL, "manual"},
        {IDM_ZOOM_IN, "in"},      {IDM_ZOOM_OUT, "out"},      {IDM_ZOOM_250, "250"},
        {IDM_ZOOM_500, "500"},    {IDM_ZOOM_1000, "1000"},    {IDM_ZOOM_FIT, "fit"},
        {IDM_FRONT_CAM, "front"}, {IDM_INCAR_CAM, "incar"},   {IDM_REAR_CAM, "rear"}};
    std::string s;
    for (auto [label, set] :
         {std::pair{"tb", &buttonEnabled}, std::pair{" pressed", &buttonChecked},
          std::pair{" menu", &menuEnabled}, std::pair{" checked", &menuChecked}}) {
      std::string list;
      for (const auto& [id, name] : names) {
        if ((*set)[id]) list += (list.empty() ? "" : " ") + std::string(name);
      }
      s += std::string(label) + "[" + list + "]";
    }
    return s;
  }

  std::map<int, bool> buttonEnabled, buttonChecked, menuEnabled, menuChecked;
};

}  // namespace gui::testing
