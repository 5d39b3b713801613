#include "web/http/web_json.h"

#include <cmath>

#include <nlohmann/json.hpp>

namespace director {

namespace {

using nlohmann::json;

json Known(std::int64_t value) { return value < 0 ? json(nullptr) : json(value); }

const char* ViewName(WebView view) {
  switch (view) {
    case WebView::kCamera:
      return "camera";
    case WebView::kOnboard:
      return "onboard";
    case WebView::kNone:
      break;
  }
  return "none";
}

// Rounded to centimetres, so a snapshot stays small.
json Metres(float v) { return json(std::round(static_cast<double>(v) * 100.0) / 100.0); }

json Row(const WebRow& r, int position) {
  return json{{"pos", position},
              {"plid", r.plid},
              {"name", Latin1ToUtf8(r.name)},
              {"car", Latin1ToUtf8(r.car)},
              {"laps", r.laps},
              {"stops", r.stops},
              {"gap", Known(r.gapMs)},
              {"interval", Known(r.intervalMs)},
              {"lapsDown", r.lapsDown},
              {"pitLane", r.pitLane},
              {"finished", r.finished},
              {"followed", r.followed}};
}

json Shot(const WebSnapshot& s) {
  const char* name = "";
  for (int i = 0; i < s.rowCount; ++i)
    if (s.rows[i].plid == s.shot.plid) name = s.rows[i].name;
  return json{{"plid", Known(s.shot.plid)},
              {"name", Latin1ToUtf8(name)},
              {"view", ViewName(s.shot.view)},
              {"camera", Known(s.shot.camera)},
              {"reason", Latin1ToUtf8(s.shot.reason)}};
}

json Points(const std::vector<WebPoint>& points) {
  json list = json::array();
  for (const WebPoint& p : points) list.push_back(json::array({Metres(p.x), Metres(p.y)}));
  return list;
}

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

std::string Latin1ToUtf8(const char* text) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p < 0x20) continue;
    if (*p < 0x80) {
      out += static_cast<char>(*p);
    } else {
      out += static_cast<char>(0xC0 | (*p >> 6));
      out += static_cast<char>(0x80 | (*p & 0x3F));
    }
  }
  return out;
}

std::string StateJson(const WebSnapshot& s) {
  json rows = json::array();
  for (int i = 0; i < s.rowCount; ++i) rows.push_back(Row(s.rows[i], i + 1));
  json cars = json::array();
  for (int i = 0; i < s.carCount; ++i) {
    const WebCar& c = s.cars[i];
    cars.push_back({{"plid", c.plid},
                    {"x", Metres(c.x)},
                    {"y", Metres(c.y)},
                    {"heading", std::round(static_cast<double>(c.heading) * 1000.0) / 1000.0},
                    {"followed", c.followed}});
  }
  json camera = nullptr;
  if (s.camera.live) {
    camera = {{"index", s.shot.camera},
              {"x", Metres(s.camera.x)},
              {"y", Metres(s.camera.y)},
              {"from", s.camera.from},
              {"to", s.camera.to}};
  }
  const json state = {
      {"seq", s.seq},
      {"stamp", s.stampMs},
      {"connected", s.connected},
      {"track", {{"name", Latin1ToUtf8(s.trackName)}, {"version", s.trackVersion}}},
      {"clock",
       {{"raceTime", Known(s.clock.raceTimeMs)},
        {"lapsTotal", s.clock.lapsTotal},
        {"lapsLeft", Known(s.clock.lapsLeft)},
        {"finished", s.clock.finished}}},
      {"shot", Shot(s)},
      {"standings", {{"source", s.fromResults ? "results" : "race"}, {"rows", std::move(rows)}}},
      {"cars", std::move(cars)},
      {"camera", std::move(camera)}};
  return Dump(state);
}

std::string TrackJson(const WebTrack& t) {
  json pits = json::array();
  for (const auto& lane : t.pits) pits.push_back(Points(lane));
  const json track = {{"name", Latin1ToUtf8(t.name.c_str())},
                      {"version", t.version},
                      {"finish", t.finish},
                      {"centre", Points(t.centre)},
                      {"left", Points(t.left)},
                      {"right", Points(t.right)},
                      {"pit", std::move(pits)}};
  return Dump(track);
}

}  // namespace director
