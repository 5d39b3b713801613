// The camera positions of one track: up to 100, kept in order of their nearest path node.
//
// Each CameraPosition covers a stretch of nodes from its range start to its range end; an end
// below the start runs over the last node back to node 0, and start = end covers every node. The
// store is read from and written to the track's ".cam" file, one line per camera:
// " %08X, %08X, %08X,%4d,%4d" and CR LF, X, Y, Z as 32-bit hexadecimal and the range in decimal.
// The reader takes LF or CR LF, the fields with or without padding, skips blank lines and ends at
// the first line that does not give all five fields (what was read before stays); range nodes
// beyond the path become 0 and nearest nodes are recomputed. Writing replaces the file atomically
// and only when something changed; a failed write keeps the changes marked so a later save can
// succeed.
//
// Every change posts its GUI link message through the GuiPost given at construction (none while
// GUI access is off): GLM_CAMERA_ADDED on Add and Announce, GLM_CAMERA_CHANGED on a move,
// GLM_CAMERA_DELETED before a delete, GLM_CURRENT_CAMERA whenever makeCameraPacket shows a camera
// (Select in rectangle posts it twice). InSim thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "director/insim/packets.h"

namespace glink {
class GuiPost;
}

namespace director {

class TrackPath;

inline constexpr int kMaxCameras = 100;
// Delete near finds a camera within this many world units (about 10 cm) on every axis.
inline constexpr std::int32_t kNearCameraDistance = 6500;
// A new camera covers this many nodes on either side of its nearest node.
inline constexpr std::uint16_t kNewCameraHalfRange = 25;
inline constexpr float kCameraPacketFov = 30.0f;
// What the edit mode shows when Add is refused on a full store.
inline constexpr char kCameraStoreFullText[] = "no room for more than 100 cam positions";

struct CameraPosition {
  std::int32_t x = 0, y = 0, z = 0;
  std::uint16_t rangeStart = 0;
  std::uint16_t rangeEnd = 0;
  std::uint16_t nearestNode = 0;
  std::uint16_t lastHeading = 0;
  std::uint16_t lastPitch = 0;
  std::uint32_t activeSince = 0;
  std::uint8_t active = 0;

  // Heading from the camera to the point: atan2 scaled with 3.141 for pi, 0 along world Y.
  std::uint16_t headingTo(std::int32_t px, std::int32_t py) const;
  bool coversNode(std::uint16_t n) const;
};

class CameraStore {
 public:
  CameraStore(const TrackPath& track, glink::GuiPost* gui) : trackPath(&track), gui_(gui) {}
  virtual ~CameraStore() = default;
  CameraStore(const CameraStore&) = delete;
  CameraStore& operator=(const CameraStore&) = delete;

  // Replaces the store with the cameras of a file's text (see above); current 0, nothing unsaved.
  void ParseCameraFile(std::string_view text);
  // The file as the writer produces it.
  std::string FormatCameraFile() const;
  // A missing or unreadable file leaves the store empty.
  void ReadCameraFile(const std::string& path);
  // Without unsaved changes: true at once. Otherwise makes the file's directory when it is
  // missing and replaces the file; true and nothing unsaved on success, false with the changes
  // still marked on failure.
  bool WriteCameraFile(const std::string& path);

  // A new camera at the position, covering 25 nodes either side of its nearest node, becomes
  // current. False (nothing changes) when the store already holds 100.
  bool Add(std::int32_t x, std::int32_t y, std::int32_t z);
  // Step the current camera forward or back, wrapping; false on an empty store.
  bool Next(CameraPositionRecord* packet);
  bool Previous(CameraPositionRecord* packet);
  // True when the current camera moved (it keeps its range and is re-sorted).
  bool MoveCurrent(std::int32_t x, std::int32_t y, std::int32_t z);
  // Deletes the first camera near the position: true when one was found. The packet for the new
  // current camera is built exactly when cameras remain.
  bool DeleteNear(std::int32_t x, std::int32_t y, std::int32_t z, CameraPositionRecord* packet);
  // Deletes the camera at index; the next camera along the lap becomes current. True when a
  // packet was built (cameras remain). An index not below count changes nothing.
  bool Delete(std::uint16_t index, CameraPositionRecord* packet);
  // The first camera strictly inside x1 < x < x2, y2 < y < y1 becomes current; false when none.
  bool SelectInRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                         CameraPositionRecord* packet);
  // Sets Z and the range of the camera at index (a range node beyond the path becomes 0, as in
  // the file), makes it current and builds its packet. False for an index not below count.
  bool Edit(std::uint16_t index, std::int32_t z, std::uint16_t rangeStart, std::uint16_t rangeEnd,
            CameraPositionRecord* packet);
  // GLM_CAMERA_ADDED for the camera at index.
  void Announce(std::uint16_t index);
  // The free-view packet that puts the simulator's camera on the current camera, looking at the
  // start of its range; posts GLM_CURRENT_CAMERA. The store must not be empty.
  void makeCameraPacket(CameraPositionRecord* packet);

  const TrackPath* trackPath;
  std::uint16_t count = 0;
  std::uint16_t current = 0;
  CameraPosition cameras[kMaxCameras];
  std::uint8_t unsavedChanges = 0;

 private:
  void PostCamera(std::uint8_t type, std::uint16_t index);
  void SortByNode();
  void Swap(int a, int b);
  std::uint16_t ValidNode(std::int64_t node) const;

  glink::GuiPost* gui_;
};

}  // namespace director
