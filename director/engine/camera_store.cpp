#include "director/engine/camera_store.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "director/engine/director_math.h"
#include "director/engine/track_path.h"
#include "director/engine/view_numbers.h"
#include "link/gui_post.h"
#include "link/link_messages.h"
#include "platform/files.h"

namespace director {

namespace {

// One line of a camera file, read the way "%X,%X,%X,%d,%d" reads it: blanks before each number,
// an optional sign, "0x" allowed before the hexadecimal ones, the commas right behind the
// numbers, and anything after the fifth field ignored. A number too large for 32 bits makes the
// line unreadable.
class LineScanner {
 public:
  explicit LineScanner(std::string_view line) : s_(line) {}

  bool Hex(std::uint32_t* out) { return Number(16, out); }
  bool Dec(std::int32_t* out) {
    std::uint32_t v = 0;
    if (!Number(10, &v)) return false;
    *out = static_cast<std::int32_t>(v);
    return true;
  }
  bool Comma() {
    if (pos_ < s_.size() && s_[pos_] == ',') {
      ++pos_;
      return true;
    }
    return false;
  }

 private:
  static int Digit(char c, int base) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    return d < base ? d : -1;
  }

  bool Number(int base, std::uint32_t* out) {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' ||
                                s_[pos_] == '\v' || s_[pos_] == '\f')) {
      ++pos_;
    }
    bool negative = false;
    if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) {
      negative = s_[pos_] == '-';
      ++pos_;
    }
    if (base == 16 && pos_ + 2 < s_.size() && s_[pos_] == '0' &&
        (s_[pos_ + 1] == 'x' || s_[pos_ + 1] == 'X') && Digit(s_[pos_ + 2], 16) >= 0) {
      pos_ += 2;
    }
    std::uint64_t v = 0;
    std::size_t digits = 0;
    while (pos_ < s_.size()) {
      const int d = Digit(s_[pos_], base);
      if (d < 0) break;
      v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
      if (v > (base == 16 ? 0xFFFFFFFFull : 0x80000000ull)) return false;
      ++pos_;
      ++digits;
    }
    if (digits == 0) return false;
    if (base == 10 && !negative && v > 0x7FFFFFFFull) return false;
    const std::uint32_t u = static_cast<std::uint32_t>(v);
    *out = negative ? 0u - u : u;
    return true;
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

bool BlankLine(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\v' && c != '\f') return false;
  }
  return true;
}

}  // namespace

std::uint16_t CameraPosition::headingTo(std::int32_t px, std::int32_t py) const {
  const double dx = static_cast<double>(static_cast<std::int64_t>(px) - x);
  const double dy = static_cast<double>(static_cast<std::int64_t>(py) - y);
  const double h = std::atan2(dy, dx) * (1.0 / kPi) * 32768 + 16384;
  return static_cast<std::uint16_t>(static_cast<std::int32_t>(h));
}

bool CameraPosition::coversNode(std::uint16_t n) const {
  if (rangeStart < rangeEnd) return rangeStart <= n && n <= rangeEnd;
  return n >= rangeStart || n <= rangeEnd;
}

std::uint16_t CameraStore::ValidNode(std::int64_t node) const {
  return node >= 0 && node < static_cast<std::int64_t>(trackPath->nodeCount)
             ? static_cast<std::uint16_t>(node)
             : 0;
}

void CameraStore::Swap(int a, int b) {
  const CameraPosition t = cameras[a];
  cameras[a] = cameras[b];
  cameras[b] = t;
}

void CameraStore::SortByNode() {
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (int i = 1; i < count; ++i) {
      if (cameras[i - 1].nearestNode > cameras[i].nearestNode) {
        Swap(i - 1, i);
        swapped = true;
      }
    }
  }
}

void CameraStore::ParseCameraFile(std::string_view text) {
  count = 0;
  current = 0;
  unsavedChanges = 0;
  std::size_t pos = 0;
  while (pos < text.size() && count < kMaxCameras) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (BlankLine(line)) continue;
    LineScanner scan(line);
    std::uint32_t x = 0, y = 0, z = 0;
    std::int32_t start = 0, stop = 0;
    if (!(scan.Hex(&x) && scan.Comma() && scan.Hex(&y) && scan.Comma() && scan.Hex(&z) &&
          scan.Comma() && scan.Dec(&start) && scan.Comma() && scan.Dec(&stop))) {
      break;
    }
    CameraPosition& cam = cameras[count];
    cam = CameraPosition();
    cam.x = static_cast<std::int32_t>(x);
    cam.y = static_cast<std::int32_t>(y);
    cam.z = static_cast<std::int32_t>(z);
    cam.rangeStart = ValidNode(start);
    cam.rangeEnd = ValidNode(stop);
    cam.nearestNode = trackPath->nearestNode(cam.x, cam.y);
    ++count;
  }
  SortByNode();
}

std::string CameraStore::FormatCameraFile() const {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const CameraPosition& cam = cameras[i];
    char line[80];
    std::snprintf(line, sizeof(line), " %08X, %08X, %08X,%4d,%4d\r\n", static_cast<unsigned>(cam.x),
                  static_cast<unsigned>(cam.y), static_cast<unsigned>(cam.z),
                  static_cast<int>(cam.rangeStart), static_cast<int>(cam.rangeEnd));
    text += line;
  }
  return text;
}

void CameraStore::ReadCameraFile(const std::string& path) {
  std::string text;
  if (!plat::ReadTextFile(path, &text)) text.clear();
  ParseCameraFile(text);
}

bool CameraStore::WriteCameraFile(const std::string& path) {
  if (unsavedChanges == 0) return true;
  // A missing "cam" directory is made rather than losing the user's layout.
  const std::string::size_type sep = path.find_last_of(plat::kPathSep);
  if (sep != std::string::npos && sep > 0) {
    const std::string dir = path.substr(0, sep);
    if (!plat::DirectoryExists(dir)) plat::MakeDirectory(dir);
  }
  if (!plat::WriteFileAtomic(path, FormatCameraFile())) return false;
  unsavedChanges = 0;
  return true;
}

void CameraStore::PostCamera(std::uint8_t type, std::uint16_t index) {
  if (gui_ == nullptr) return;
  const CameraPosition& cam = cameras[index];
  glink::CameraMsg msg;
  msg.index = index;
  msg.x = cam.x;
  msg.y = cam.y;
  msg.z = cam.z;
  msg.startNode = cam.rangeStart;
  msg.endNode = cam.rangeEnd;
  msg.positionNode = cam.nearestNode;
  gui_->Camera(type, msg);
}

void CameraStore::Announce(std::uint16_t index) {
  if (index < count) PostCamera(glink::GLM_CAMERA_ADDED, index);
}

bool CameraStore::Add(std::int32_t x, std::int32_t y, std::int32_t z) {
  if (count >= kMaxCameras) return false;
  CameraPosition& added = cameras[count];
  added = CameraPosition();
  added.x = x;
  added.y = y;
  added.z = z;
  const std::uint16_t n = trackPath->nearestNode(x, y);
  added.nearestNode = n;
  current = count;
  ++count;
  unsavedChanges = 1;
  while (current > 0 && cameras[current - 1].nearestNode > cameras[current].nearestNode) {
    Swap(current - 1, current);
    --current;
  }
  // 25 nodes either side, wrapping over the finish line (modulo the node count, so that even a
  // path shorter than the range stays within its nodes).
  const int nodes = trackPath->nodeCount > 0 ? static_cast<int>(trackPath->nodeCount) : 1;
  CameraPosition& cam = cameras[current];
  cam.rangeStart = static_cast<std::uint16_t>(((n - kNewCameraHalfRange) % nodes + nodes) % nodes);
  cam.rangeEnd = static_cast<std::uint16_t>((n + kNewCameraHalfRange) % nodes);
  PostCamera(glink::GLM_CAMERA_ADDED, current);
  return true;
}

bool CameraStore::Next(CameraPositionRecord* packet) {
  if (count == 0) return false;
  current = static_cast<std::uint16_t>(current + 1 >= count ? 0 : current + 1);
  makeCameraPacket(packet);
  return true;
}

bool CameraStore::Previous(CameraPositionRecord* packet) {
  if (count == 0) return false;
  if (current == 0) current = count;
  --current;
  makeCameraPacket(packet);
  return true;
}

bool CameraStore::MoveCurrent(std::int32_t x, std::int32_t y, std::int32_t z) {
  if (current >= count) return true;
  CameraPosition& cam = cameras[current];
  if (cam.x == x && cam.y == y && cam.z == z) return false;
  unsavedChanges = 1;
  cam.x = x;
  cam.y = y;
  cam.z = z;
  cam.nearestNode = trackPath->nearestNode(x, y);
  PostCamera(glink::GLM_CAMERA_CHANGED, current);
  while (current > 0 && cameras[current].nearestNode < cameras[current - 1].nearestNode) {
    Swap(current - 1, current);
    --current;
  }
  while (current + 1 < count && cameras[current].nearestNode > cameras[current + 1].nearestNode) {
    Swap(current, current + 1);
    ++current;
  }
  return true;
}

bool CameraStore::DeleteNear(std::int32_t x, std::int32_t y, std::int32_t z,
                             CameraPositionRecord* packet) {
  const auto near = [](std::int32_t a, std::int32_t b) {
    const std::int64_t d = static_cast<std::int64_t>(a) - b;
    return d < kNearCameraDistance && d > -kNearCameraDistance;
  };
  for (std::uint16_t i = 0; i < count; ++i) {
    if (near(x, cameras[i].x) && near(y, cameras[i].y) && near(z, cameras[i].z)) {
      Delete(i, packet);
      return true;
    }
  }
  return false;
}

bool CameraStore::Delete(std::uint16_t index, CameraPositionRecord* packet) {
  if (index >= count) return false;
  if (gui_ != nullptr) gui_->CameraIndex(glink::GLM_CAMERA_DELETED, index);
  const std::uint16_t m = cameras[index].nearestNode;
  for (int i = index; i + 1 < count; ++i) cameras[i] = cameras[i + 1];
  --count;
  unsavedChanges = 1;
  if (count == 0) return false;
  current = 0;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (cameras[i].nearestNode >= m) {
      current = i;
      break;
    }
  }
  makeCameraPacket(packet);
  return true;
}

bool CameraStore::SelectInRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2,
                                    std::int32_t y2, CameraPositionRecord* packet) {
  for (std::uint16_t i = 0; i < count; ++i) {
    const CameraPosition& cam = cameras[i];
    if (x1 < cam.x && cam.x < x2 && y2 < cam.y && cam.y < y1) {
      current = i;
      makeCameraPacket(packet);
      if (gui_ != nullptr) gui_->CameraIndex(glink::GLM_CURRENT_CAMERA, current);
      return true;
    }
  }
  return false;
}

bool CameraStore::Edit(std::uint16_t index, std::int32_t z, std::uint16_t rangeStart,
                       std::uint16_t rangeEnd, CameraPositionRecord* packet) {
  if (index >= count) return false;
  CameraPosition& cam = cameras[index];
  const std::uint16_t start = ValidNode(rangeStart);
  const std::uint16_t end = ValidNode(rangeEnd);
  if (cam.z != z || cam.rangeStart != start || cam.rangeEnd != end) {
    cam.z = z;
    cam.rangeStart = start;
    cam.rangeEnd = end;
    unsavedChanges = 1;
  }
  current = index;
  makeCameraPacket(packet);
  return true;
}

void CameraStore::makeCameraPacket(CameraPositionRecord* packet) {
  *packet = CameraPositionRecord();
  if (current >= count) return;
  const CameraPosition& cam = cameras[current];
  packet->x = cam.x;
  packet->y = cam.y;
  packet->z = cam.z;
  // Look at the start of the covered stretch; a range node beyond the path (which the store
  // never keeps) would fall back to the camera's own node.
  const std::uint32_t target =
      cam.rangeStart < trackPath->nodeCount ? cam.rangeStart : cam.nearestNode;
  if (target < trackPath->nodeCount) {
    const PathNode& node = trackPath->node(target);
    packet->heading = cam.headingTo(node.centreX, node.centreY);
  }
  packet->inGameCam = kTvCamera;
  packet->fov = kCameraPacketFov;
  packet->flags = ISS_SHIFTU;
  if (gui_ != nullptr) gui_->CameraIndex(glink::GLM_CURRENT_CAMERA, current);
}

}  // namespace director
