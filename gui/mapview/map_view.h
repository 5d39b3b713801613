// The track map: the view transform (world units to pixels of the map area and back), fit and
// zoom, the painting of track, cars, car list, race clock, cameras and rubber band onto a Canvas,
// and the mouse on the map with the requests it sends.
//
// Pixels are those of the map area (the client area below the toolbar), y growing downward; world
// Y grows upward. In Fit the transform is computed once per change (new node, resize, zoom
// change); in a zoom it follows the cars in focus on every repaint. Only nodes that have arrived
// are drawn, so a half-loaded track shows its loaded part and nothing else.
#pragma once

#include <cstdint>

#include "gui/mapview/canvas.h"
#include "gui/model/client_model.h"
#include "link/link_messages.h"

namespace gui {

Point toScreen(const MapTrack& track, std::int32_t x, std::int32_t y);
// The world box of the pixel box (x1, y1)-(x2, y2), 32-bit arithmetic as the director expects.
glink::PickRect toWorldRect(const MapTrack& track, int x1, int y1, int x2, int y2);
// Scale and offsets for a map area of width x height pixels: following the cars in focus in a
// zoom outside edit mode, else fitting the track's bounds.
void fitView(const ClientModel& model, MapTrack& track, int width, int height);

// The race clock's text for t ms: hours, minutes and seconds, cut to 8 characters.
void FormatRaceClock(std::uint32_t t, char out[9]);

// What the map asks of the window.
class MapActions {
 public:
  virtual ~MapActions() = default;
  virtual void invalidateMap() = 0;
  // A pick of cars: the shell's manual-on states and manual control.
  virtual void takeManualControl() = 0;
};

class MapView {
 public:
  MapView(ClientModel& model, MapActions& actions) : model_(model), actions_(actions) {}

  // Paints the map area of width x height pixels.
  void paintMap(Canvas& canvas, int width, int height);
  void drawTrackMap(Canvas& canvas, MapTrack& track);

  void onMapButtonDown(int x, int y);
  void onMapMouseMove(int x, int y);
  void onMapButtonUp();
  void onMapDoubleClick(int x, int y);

  // A click (outside edit mode, not on the car list) that picks no car in its 5-pixel box picks
  // the nearest car within radius pixels instead, where it stood at the press or stands at the
  // release. 0, the default, keeps the box alone.
  void setPickRadius(int radius) { pickRadius_ = radius; }

  struct RubberBand {
    int startX = 0, startY = 0, currentX = 0, currentY = 0;
    bool active() const { return startX != 0 && startY != 0; }
  };
  const RubberBand& band() const { return band_; }
  const TextMetrics& listMetrics() const { return listMetrics_; }

 private:
  void drawRoadEdges(Canvas& canvas, const MapTrack& track);
  void drawCars(Canvas& canvas, const MapTrack& track, bool focus);
  void drawCarList(Canvas& canvas);
  void drawCross(Canvas& canvas, const MapTrack& track, std::uint32_t node);
  // The car whose list line holds (x, y), or -1.
  int carListHit(int x, int y) const;
  // The index of the car nearest to the click at (x, y) within the pick radius, or -1.
  int nearestCar(const MapTrack& track, int x, int y) const;

  struct PressedCar {
    std::uint8_t plid = 0;
    Point at;
  };

  ClientModel& model_;
  MapActions& actions_;
  RubberBand band_;
  TextMetrics listMetrics_;
  int pickRadius_ = 0;
  // Where the cars were drawn when the button went down, and whether it went down on the list.
  PressedCar pressed_[kMaxCars];
  int pressedCount_ = 0;
  bool pressedOnList_ = false;
};

}  // namespace gui
